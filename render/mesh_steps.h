#pragma once
// The steps of the mesh drawing and the records they hand one another: the face keys and the
// depth window (face_keys.cpp), the depth sort (face_sort.cpp), the filled faces
// (face_fill.cpp) and the wire (mesh_wire.cpp); mesh.cpp projects, lights, finds the drawn
// faces and runs the steps in order. Only the mesh files include this.
#include "base/model.h"
#include "render/primitives.h"

#include <cstdint>

// Screen coordinates are pinned here so edge arithmetic cannot overflow; far beyond any row
// or column that can be drawn.
constexpr double coordinateLimit = double(1 << 24);

inline int truncateCoordinate(double value)
{
    if (!(value > -coordinateLimit)) return -int(coordinateLimit);  // also NaN
    if (value > coordinateLimit) return int(coordinateLimit);
    return int(value);
}

// A vertex's projected position, each coordinate truncated toward zero.
struct ScreenCorner {
    int x, y;
};

// The columns and rows the drawn faces' corners span: every pixel of a filled face or of an
// edge lies within its corners' range.
struct DrawnBox {
    int left = screenWidth;
    int top = screenHeight;
    int right = -1;
    int bottom = -1;
};

// One projection's truncated corners of every vertex and which faces are drawn (front-facing
// and inside the depth window), found once by findDrawnFaces for the filled and the wire pass
// over it.
struct FacePass {
    ScreenCorner corners[meshCapacity];
    bool drawn[meshCapacity];
    int drawnCount = 0;
    DrawnBox box;  // of the drawn faces' corners
    std::int32_t inFaceOrder[meshCapacity];  // the drawn faces in the mesh's order
    std::int32_t farFirst[meshCapacity];     // and farthest first, listed by the fill
};

// Every edge of the faces once: its two vertices and the faces that add it. An edge held by
// exactly two faces is listed once with both; any other is listed once for each face holding
// it, with noFace as the second. Worked out again whenever the faces differ from the ones it
// was made for.
constexpr std::int32_t noFace = meshCapacity;  // its wire colour is always 0

struct WireEdge {
    std::uint16_t p, q;
    std::int32_t face, other;
};

// An edge of the wire that adds something, with what it adds.
struct AddingEdge {
    std::uint16_t p, q;
    Pixel sum;
};

// What the wire keeps from one frame to the next (the edge list) and its working lists.
struct WireLists {
    std::int32_t faceCount = -1;  // the faces the edges were listed for
    std::int32_t edgeCount = 0;
    std::uint64_t corners[meshCapacity];  // each face's three vertices
    WireEdge edges[meshCapacity * 3];
    Pixel colours[meshCapacity + 1];  // each face's wire colour, 0 when not drawn
    AddingEdge adding[meshCapacity * 3];
};

// Light: how brightly the light falls on a face, the normal's cosine with the light, 0 for
// faces turned away (and for an undefined normal), at most 1. Inline, as the fill and the wire
// light every drawn face.
inline double faceIntensity(const Mesh& mesh, int face)
{
    const MeshVertex& n = mesh.worldNormals[face];
    const MeshVertex& light = mesh.light;
    double intensity = (double(n.z) / 256.0) * light.z + (double(n.y) / 256.0) * light.y +
                       (double(n.x) / 256.0) * light.x;
    if (!(intensity >= 0.0)) intensity = 0.0;  // also NaN
    if (intensity > 1.0) intensity = 1.0;
    return intensity;
}

// A channel value for an intensity.
inline int litChannel(double intensity)
{
    const int value = int(intensity * 256.0);
    return value > 255 ? 255 : value;
}

// The channels a lit colour lights: those whose colour field is not 0.
inline Pixel litChannels(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    return (red != 0 ? 0xFF0000u : 0) | (green != 0 ? 0x00FF00u : 0) | (blue != 0 ? 0x0000FFu : 0);
}

// Face keys (face_keys.cpp): every face's depth key, its place in the draw order set to its
// own number, and whether it lies inside the depth window.
void prepareFaceKeys(Mesh& mesh);

// Sort (face_sort.cpp): the sort of prepareFaces carried only as far as the order of the
// pass's drawn faces needs.
void sortDrawnFaces(Mesh& mesh, const FacePass& pass);

// Fill (face_fill.cpp): the pass's drawn faces filled farthest first, unmarked; fill mode 0
// solid, 1 blended, any other draws nothing.
void fillDrawnFaces(Pixel* frame, const Mesh& mesh, FacePass& pass, int fillMode);

// Wire (mesh_wire.cpp): whether the mesh's wire adds nothing to any pixel, and the wire of the
// pass's drawn faces added onto the frame, unmarked.
bool wireAddsNothing(const Mesh& mesh);
void wireDrawnFaces(Pixel* frame, const Mesh& mesh, const FacePass& pass, WireLists& lists);
