// Input: ASC text. After loading, the mesh must be one the renderer can trust.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "assets/asc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Mesh* mesh = new Mesh;
    std::memset(static_cast<void*>(mesh), 0, sizeof(Mesh));
    std::vector<std::uint8_t> text(data, data + size);
    loadAsc({text.data(), text.size()}, *mesh);
    if (mesh->vertexCount < 0 || mesh->vertexCount > meshCapacity) __builtin_trap();
    if (mesh->faceCount < 0 || mesh->faceCount > meshCapacity) __builtin_trap();
    if (std::memchr(mesh->name, '\0', sizeof mesh->name) == nullptr) __builtin_trap();
    for (int f = 0; f < mesh->faceCount; ++f) {
        const MeshFace& face = mesh->faces[f];
        if (face.a >= mesh->vertexCount || face.b >= mesh->vertexCount ||
            face.c >= mesh->vertexCount) {
            __builtin_trap();
        }
        const MeshVertex& n = mesh->faceNormals[f];
        if (!(n.x * n.x + n.y * n.y + n.z * n.z <= 3 * 256.0f * 256.0f)) __builtin_trap();
        if (mesh->drawOrder[f] != f) __builtin_trap();
    }
    return 0;
}
