#include "render/mesh.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int edgeRows = screenWidth + 1;  // rows 0..640; only 0..screenHeight are recorded
constexpr std::int32_t spanReset = 120 * screenWidth;
constexpr float nearDepth = 312.0f;
constexpr float farDepth = -512.0f;
// Screen coordinates are pinned here so edge arithmetic cannot overflow; far beyond any row
// or column that can be drawn.
constexpr double coordinateLimit = double(1 << 24);

// Per-row extremes of the polygon being filled; only the rows between its top and bottom
// are reset, as no other row is read for it.
struct EdgeTables {
    std::int32_t spanMinX[edgeRows];
    std::int32_t spanMaxX[edgeRows];
};

EdgeTables edges;

int truncateCoordinate(double value)
{
    if (!(value > -coordinateLimit)) return -int(coordinateLimit);  // also NaN
    if (value > coordinateLimit) return int(coordinateLimit);
    return int(value);
}

int truncateKey(double value)
{
    if (!(value > -2147483520.0)) return -2147483520;
    if (value > 2147483520.0) return 2147483520;
    return int(value);
}

bool insideDepthWindow(float z)
{
    return z > farDepth && z < nearDepth;
}

// The winding value truncated toward zero is below 0 exactly when it is at most -1.
bool facesViewer(const Mesh& mesh, const MeshFace& face)
{
    const MeshVertex& a = mesh.screenPoints[face.a];
    const MeshVertex& b = mesh.screenPoints[face.b];
    const MeshVertex& c = mesh.screenPoints[face.c];
    const double v = (double(a.y) - c.y) * (double(b.x) - a.x) -
                     (double(b.y) - a.y) * (double(a.x) - c.x);
    return v <= -1.0;
}

// A face's projected corners, each coordinate truncated toward zero.
struct ScreenTriangle {
    int ax, ay, bx, by, cx, cy;
};

ScreenTriangle screenTriangle(const Mesh& mesh, const MeshFace& face)
{
    const MeshVertex& a = mesh.screenPoints[face.a];
    const MeshVertex& b = mesh.screenPoints[face.b];
    const MeshVertex& c = mesh.screenPoints[face.c];
    return {truncateCoordinate(a.x), truncateCoordinate(a.y), truncateCoordinate(b.x),
            truncateCoordinate(b.y), truncateCoordinate(c.x), truncateCoordinate(c.y)};
}

int litChannel(double intensity)
{
    const int value = int(intensity * 256.0);
    return value > 255 ? 255 : value;
}

// For each face edge (a-b, b-c, c-a) the one other face holding the same two vertices, or
// -1. Worked out again whenever the faces differ from the ones it was made for.
struct FaceLinks {
    std::int32_t faceCount = -1;
    MeshFace corners[meshCapacity];
    std::int32_t neighbour[meshCapacity][3];
};

FaceLinks links;
Pixel wireColours[meshCapacity];

bool sameCorners(const MeshFace& x, const MeshFace& y)
{
    return x.a == y.a && x.b == y.b && x.c == y.c;
}

bool linksCurrent(const Mesh& mesh)
{
    if (links.faceCount != mesh.faceCount) return false;
    for (int f = 0; f < mesh.faceCount; ++f)
        if (!sameCorners(links.corners[f], mesh.faces[f])) return false;
    return true;
}

const FaceLinks& linkFaceEdges(const Mesh& mesh)
{
    if (linksCurrent(mesh)) return links;
    const int count = mesh.faceCount < 0 ? 0 : mesh.faceCount;
    std::vector<std::uint64_t> keyed;  // both vertices, then face * 3 + edge
    keyed.reserve(std::size_t(count) * 3);
    for (int f = 0; f < count; ++f) {
        const MeshFace& face = mesh.faces[f];
        links.corners[f] = face;
        const std::uint32_t v[3] = {face.a, face.b, face.c};
        for (int e = 0; e < 3; ++e) {
            links.neighbour[f][e] = -1;
            const std::uint32_t p = v[e];
            const std::uint32_t q = v[e == 2 ? 0 : e + 1];
            const std::uint64_t pair = p < q ? (std::uint64_t(p) << 16 | q) : (std::uint64_t(q) << 16 | p);
            keyed.push_back(pair << 32 | std::uint32_t(f * 3 + e));
        }
    }
    std::sort(keyed.begin(), keyed.end());
    std::size_t i = 0;
    while (i < keyed.size()) {
        std::size_t j = i + 1;
        while (j < keyed.size() && keyed[j] >> 32 == keyed[i] >> 32) ++j;
        if (j - i == 2) {
            const int x = int(keyed[i] & 0xFFFFFFFF);
            const int y = int(keyed[i + 1] & 0xFFFFFFFF);
            if (x / 3 != y / 3) {
                links.neighbour[x / 3][x % 3] = y / 3;
                links.neighbour[y / 3][y % 3] = x / 3;
            }
        }
        i = j;
    }
    links.faceCount = mesh.faceCount;
    return links;
}

}  // namespace

void prepareFaces(Mesh& mesh)
{
    const MeshVertex* world = mesh.worldVertices;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const float za = world[face.a].z;
        const float zb = world[face.b].z;
        const float zc = world[face.c].z;
        mesh.drawOrder[f] = f;
        mesh.depthKeys[f] = truncateKey(double(zc) + zb + za);
        mesh.faces[f].visible =
            insideDepthWindow(za) && insideDepthWindow(zb) && insideDepthWindow(zc) ? 1 : 0;
    }
    sortFaces(mesh, 0, mesh.faceCount - 1);
}

void sortFaces(Mesh& mesh, int lo, int hi)
{
    while (lo < hi) {
        const int p = partitionFaces(mesh, lo, hi);
        sortFaces(mesh, lo, p);
        lo = p + 1;
    }
}

int partitionFaces(Mesh& mesh, int lo, int hi)
{
    std::int32_t* keys = mesh.depthKeys;
    std::int32_t* order = mesh.drawOrder;
    const std::int32_t pivot = keys[lo];
    int i = lo - 1;
    int j = hi + 1;
    for (;;) {
        do --j; while (keys[j] < pivot);
        do ++i; while (keys[i] > pivot);
        if (i >= j) return j;
        std::swap(order[i], order[j]);
        std::swap(keys[i], keys[j]);
    }
}

void projectMesh(Mesh& mesh, int cx, int cy, float scale)
{
    const double s = scale;
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const MeshVertex& p = mesh.worldVertices[v];
        const double e = 120.0 / (120.0 - s * p.z);
        mesh.screenPoints[v].x = float(cx + (s * p.x) * e);
        mesh.screenPoints[v].y = float(cy + (s * p.y) * e);
    }
}

// A lit colour is capped at full brightness: an intensity of 1 (or a rounding hair above)
// gives 255 in each switched-on channel rather than spilling into the next channel or
// going dark.
Pixel faceColour(const Mesh& mesh, int face, bool fill)
{
    const bool lit = (fill ? mesh.fillLit : mesh.wireLit) == 1;
    const std::int32_t red = fill ? mesh.fillRed : mesh.wireRed;
    const std::int32_t green = fill ? mesh.fillGreen : mesh.wireGreen;
    const std::int32_t blue = fill ? mesh.fillBlue : mesh.wireBlue;
    if (!lit) return (Pixel(red) << 16) | (Pixel(green) << 8) | Pixel(blue);

    const MeshVertex& n = mesh.worldNormals[face];
    const MeshVertex& light = mesh.light;
    double intensity = (double(n.z) / 256.0) * light.z + (double(n.y) / 256.0) * light.y +
                       (double(n.x) / 256.0) * light.x;
    if (!(intensity >= 0.0)) intensity = 0.0;  // also NaN
    if (intensity > 1.0) intensity = 1.0;
    const Pixel channel = Pixel(litChannel(intensity));
    return (red != 0 ? channel << 16 : 0) | (green != 0 ? channel << 8 : 0) |
           (blue != 0 ? channel : 0);
}

void drawMeshFilled(Pixel* frame, Mesh& mesh, int fillMode)
{
    for (int k = 0; k < mesh.faceCount; ++k) {
        const int d = mesh.drawOrder[mesh.faceCount - 1 - k];
        const MeshFace& face = mesh.faces[d];
        if (face.visible != 1 || !facesViewer(mesh, face)) continue;
        const Pixel colour = faceColour(mesh, d, true);
        const ScreenTriangle t = screenTriangle(mesh, face);
        fillQuad(frame, t.ax, t.ay, t.bx, t.by, t.bx, t.by, t.cx, t.cy, colour, fillMode);
    }
}

// The wire adds each edge of every drawn face. Saturating adds of non-negative channels
// combine (adding a then b gives the sum of a and b capped), and a line covers the same
// pixels from either end, so an edge two drawn faces share is added once with their two
// colours summed. Faces pair up only through edges with the same two vertex indices, held
// by exactly those two faces.
void drawMeshWire(Pixel* frame, Mesh& mesh)
{
    const FaceLinks& linked = linkFaceEdges(mesh);
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        // Frame pixels hold no top byte, so adding black (as the faded wire is) changes nothing.
        wireColours[f] = face.visible == 1 && facesViewer(mesh, face)
                             ? faceColour(mesh, f, false) & 0xFFFFFF
                             : 0;
    }
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Pixel colour = wireColours[f];
        if (colour == 0) continue;
        const ScreenTriangle t = screenTriangle(mesh, mesh.faces[f]);
        const int xs[3] = {t.ax, t.bx, t.cx};
        const int ys[3] = {t.ay, t.by, t.cy};
        for (int e = 0; e < 3; ++e) {
            const int other = linked.neighbour[f][e];
            Pixel sum = colour;
            if (other >= 0 && wireColours[other] != 0) {
                if (other < f) continue;  // added with the other face's edge
                sum = addSaturated(colour, wireColours[other]);
            }
            const int n = e == 2 ? 0 : e + 1;
            drawLineAdd(frame, xs[e], ys[e], xs[n], ys[n], sum);
        }
    }
}

void fillQuad(Pixel* frame, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
              Pixel colour, int fillMode)
{
    int minY = std::min(std::min(y1, y2), std::min(y3, y4));
    int maxY = std::max(std::max(y1, y2), std::max(y3, y4));
    if (minY < 0) minY = 0;
    if (maxY > screenHeight) maxY = screenHeight;
    for (int row = minY; row <= maxY; ++row) {
        edges.spanMinX[row] = spanReset;
        edges.spanMaxX[row] = -spanReset;
    }

    scanEdge(x1, y1, x2, y2);
    scanEdge(x2, y2, x3, y3);
    scanEdge(x3, y3, x4, y4);
    scanEdge(x4, y4, x1, y1);

    if (fillMode == 0) {
        for (int row = minY; row <= maxY; ++row)
            fillSpan(frame, edges.spanMinX[row], edges.spanMaxX[row], row, colour);
    } else if (fillMode == 1) {
        for (int row = minY; row <= maxY; ++row)
            blendSpan(frame, edges.spanMinX[row], edges.spanMaxX[row], row, colour);
    }
}

// Rows off the top or bottom are stepped over arithmetically (end points pinned as for the
// projected faces); the accumulator reaches each
// recorded row with the value the row-by-row walk would give it.
void scanEdge(int x1, int y1, int x2, int y2)
{
    if (y1 == y2) return;
    int xt = truncateCoordinate(x1), yt = truncateCoordinate(y1);
    int xb = truncateCoordinate(x2), yb = truncateCoordinate(y2);
    if (yt > yb) {
        std::swap(xt, xb);
        std::swap(yt, yb);
    }
    if (yt == yb) return;
    const long long step = ((long long)(xb - xt) * 128) / (yb - yt);
    const int first = yt < 0 ? 0 : yt;
    const int last = yb > screenHeight ? screenHeight : yb;
    long long acc = (long long)xt * 128 + step * ((long long)first - yt);
    for (int row = first; row <= last; ++row) {
        const std::int32_t x = std::int32_t(acc >> 7);
        if (x < edges.spanMinX[row]) edges.spanMinX[row] = x;
        if (x > edges.spanMaxX[row]) edges.spanMaxX[row] = x;
        acc += step;
    }
}
