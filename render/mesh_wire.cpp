// The wire: every edge of the drawn faces added onto the frame once, with the colours of the
// faces that hold it summed.
#include "render/mesh.h"
#include "render/mesh_steps.h"

#include <algorithm>
#include <vector>

namespace {

std::uint64_t packedFace(const MeshFace& face)
{
    return std::uint64_t(face.a) | std::uint64_t(face.b) << 16 | std::uint64_t(face.c) << 32;
}

// Compared without a branch per face: the faces rarely change, so every face is looked at.
bool edgesCurrent(const WireLists& lists, const Mesh& mesh)
{
    if (lists.faceCount != mesh.faceCount) return false;
    std::uint64_t differs = 0;
    for (int f = 0; f < mesh.faceCount; ++f) differs |= lists.corners[f] ^ packedFace(mesh.faces[f]);
    return differs == 0;
}

// Lists the edges again when the faces differ from the ones they were listed for.
void listFaceEdges(WireLists& lists, const Mesh& mesh)
{
    if (edgesCurrent(lists, mesh)) return;
    const int count = mesh.faceCount < 0 ? 0 : mesh.faceCount;
    std::vector<std::uint64_t> keyed;  // both vertices, then face * 3 + edge
    keyed.reserve(std::size_t(count) * 3);
    for (int f = 0; f < count; ++f) {
        const MeshFace& face = mesh.faces[f];
        lists.corners[f] = packedFace(face);
        const std::uint32_t v[3] = {face.a, face.b, face.c};
        for (int e = 0; e < 3; ++e) {
            const std::uint32_t p = v[e];
            const std::uint32_t q = v[e == 2 ? 0 : e + 1];
            const std::uint64_t pair = p < q ? (std::uint64_t(p) << 16 | q) : (std::uint64_t(q) << 16 | p);
            keyed.push_back(pair << 32 | std::uint32_t(f * 3 + e));
        }
    }
    std::sort(keyed.begin(), keyed.end());
    int edges = 0;
    std::size_t i = 0;
    while (i < keyed.size()) {
        std::size_t j = i + 1;
        while (j < keyed.size() && keyed[j] >> 32 == keyed[i] >> 32) ++j;
        const std::uint16_t p = std::uint16_t(keyed[i] >> 48);
        const std::uint16_t q = std::uint16_t(keyed[i] >> 32);
        const int x = int(keyed[i] & 0xFFFFFFFF);
        const int y = int(keyed[i + (j - i == 2)] & 0xFFFFFFFF);
        if (j - i == 2 && x / 3 != y / 3) {
            lists.edges[edges++] = {p, q, x / 3, y / 3};
        } else {
            for (std::size_t k = i; k < j; ++k) lists.edges[edges++] = {p, q, int(keyed[k] & 0xFFFFFFFF) / 3, noFace};
        }
        i = j;
    }
    lists.edgeCount = edges;
    lists.faceCount = mesh.faceCount;
}

}  // namespace

// An unlit wire is one colour for every face; once it has faded to black it adds nothing.
bool wireAddsNothing(const Mesh& mesh)
{
    return mesh.wireLit != 1 && (faceColour(mesh, 0, false) & 0xFFFFFF) == 0;
}

// The wire adds each edge of every drawn face. Saturating adds of non-negative channels
// combine (adding a then b gives the sum of a and b capped), and a line covers the same
// pixels from either end, so the lines may go in any order and an edge two drawn faces share
// is added once with their two colours summed. Faces pair up only through edges with the same
// two vertex indices, held by exactly those two faces.
void wireDrawnFaces(Pixel* frame, const Mesh& mesh, const FacePass& pass, WireLists& lists)
{
    listFaceEdges(lists, mesh);
    // Frame pixels hold no top byte, so adding black (as the faded wire is) changes nothing.
    if (mesh.wireLit == 1) {
        for (int f = 0; f < mesh.faceCount; ++f) {
            lists.colours[f] = pass.drawn[f] ? faceColour(mesh, f, false) & 0xFFFFFF : 0;
        }
    } else {
        const Pixel unlit = faceColour(mesh, 0, false) & 0xFFFFFF;
        for (int f = 0; f < mesh.faceCount; ++f) lists.colours[f] = pass.drawn[f] ? unlit : 0;
    }
    lists.colours[noFace] = 0;
    // The edges that add something are picked out first without a branch per edge: those of
    // faces turned away are mixed in among them.
    int addingCount = 0;
    for (int e = 0; e < lists.edgeCount; ++e) {
        const WireEdge& edge = lists.edges[e];
        const Pixel sum = addSaturated(lists.colours[edge.face], lists.colours[edge.other]);
        lists.adding[addingCount] = {edge.p, edge.q, sum};
        addingCount += sum != 0;
    }
    for (int k = 0; k < addingCount; ++k) {
        const ScreenCorner p = pass.corners[lists.adding[k].p];
        const ScreenCorner q = pass.corners[lists.adding[k].q];
        drawLineAddUnmarked(frame, p.x, p.y, q.x, q.y, lists.adding[k].sum);
    }
}
