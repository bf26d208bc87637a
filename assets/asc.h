#pragma once
// The one 3D object record and the loader of its 3D Studio ASCII text.
#include <cstddef>
#include <cstdint>

#include "assets/resources.h"

constexpr int meshCapacity = 4096;

struct MeshVertex {
    float x, y, z, u, v;  // u and v are never filled and stay 0
};

struct MeshFace {
    std::uint16_t a, b, c;
    std::uint8_t visible;  // written each frame by the face preparation
};

struct Matrix4 {
    float m[16];  // row-major, row-vector convention, translation in 12..14
};

struct Mesh {
    char name[20];
    std::int32_t vertexCount;
    std::int32_t faceCount;
    std::int32_t depthKeys[meshCapacity];
    std::int32_t drawOrder[meshCapacity];
    MeshVertex vertices[meshCapacity];
    MeshVertex worldVertices[meshCapacity];
    MeshVertex screenPoints[meshCapacity];
    MeshFace faces[meshCapacity];
    MeshVertex angles;
    MeshVertex light;
    MeshVertex faceNormals[meshCapacity];
    MeshVertex worldNormals[meshCapacity];
    Matrix4 objectMatrix;
    Matrix4 normalMatrix;
    std::int32_t wireRed, wireGreen, wireBlue;
    std::int32_t wireLit;
    std::int32_t fillRed, fillGreen, fillBlue;
    std::int32_t fillLit;
};

// The show's model, zero-initialised static storage.
extern Mesh sceneMesh;

// The unsigned decimal number [first, last) (digits, a point, an exponent) as a float rounded to
// nearest, with the results of std::from_chars: false, value unchanged, when the text is not
// all number or the value does not fit (it overflows, or it has a non-zero digit and rounds to 0).
bool parseAscFloat(const char* first, const char* last, float& value);

// Parses the ASC text into mesh (which the caller has zeroed): vertices, faces, the first
// world copy, integer face normals scaled to 256, draw order and lighting switches.
void loadAsc(ResourceBytes source, Mesh& mesh);
