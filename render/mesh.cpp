#include "render/mesh.h"

#include "render/backdrop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr float nearDepth = 312.0f;
constexpr float farDepth = -512.0f;
// Screen coordinates are pinned here so edge arithmetic cannot overflow; far beyond any row
// or column that can be drawn.
constexpr double coordinateLimit = double(1 << 24);

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

// The columns and rows the drawn faces' corners span: every pixel of a filled face or of an
// edge lies within its corners' range.
struct DrawnBox {
    int left = screenWidth;
    int top = screenHeight;
    int right = -1;
    int bottom = -1;
};

void extendBox(DrawnBox& box, int x, int y)
{
    box.left = x < box.left ? x : box.left;
    box.right = x > box.right ? x : box.right;
    box.top = y < box.top ? y : box.top;
    box.bottom = y > box.bottom ? y : box.bottom;
}

void markBox(Frame frame, const DrawnBox& box)
{
    markDrawn(frame, box.left, box.top, std::int64_t(box.right) + 1, std::int64_t(box.bottom) + 1);
}

// One projection's truncated corners of every vertex and which faces are drawn (front-facing
// and inside the depth window), found once for the filled and the wire pass over it.
struct ScreenCorner {
    int x, y;
};

struct FacePass {
    ScreenCorner corners[meshCapacity];
    bool drawn[meshCapacity];
    DrawnBox box;  // of the drawn faces' corners
    std::int32_t farFirst[meshCapacity];     // the drawn faces, farthest first
    std::int32_t inFaceOrder[meshCapacity];  // and in the mesh's order
};

FacePass facePass;

// Returns how many faces are drawn.
int classifyFaces(const Mesh& mesh)
{
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const MeshVertex& p = mesh.screenPoints[v];
        facePass.corners[v] = {truncateCoordinate(p.x), truncateCoordinate(p.y)};
    }
    // The drawn faces are listed without a branch per face, then their corners make the box.
    int drawnCount = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const bool drawn = (face.visible == 1) & facesViewer(mesh, face);
        facePass.drawn[f] = drawn;
        facePass.inFaceOrder[drawnCount] = f;
        drawnCount += drawn;
    }
    DrawnBox box;
    for (int k = 0; k < drawnCount; ++k) {
        const MeshFace& face = mesh.faces[facePass.inFaceOrder[k]];
        for (const std::uint32_t v : {face.a, face.b, face.c}) {
            extendBox(box, facePass.corners[v].x, facePass.corners[v].y);
        }
    }
    facePass.box = box;
    return drawnCount;
}

ScreenTriangle screenTriangle(const MeshFace& face)
{
    const ScreenCorner a = facePass.corners[face.a];
    const ScreenCorner b = facePass.corners[face.b];
    const ScreenCorner c = facePass.corners[face.c];
    return {a.x, a.y, b.x, b.y, c.x, c.y};
}

int litChannel(double intensity)
{
    const int value = int(intensity * 256.0);
    return value > 255 ? 255 : value;
}

// Every edge of the faces once: its two vertices and the faces that add it. An edge held by
// exactly two faces is listed once with both; any other is listed once for each face holding
// it, with noFace as the second. Worked out again whenever the faces differ from the ones it
// was made for.
constexpr std::int32_t noFace = meshCapacity;  // its wire colour is always 0

struct WireEdge {
    std::uint16_t p, q;
    std::int32_t face, other;
};

struct FaceLinks {
    std::int32_t faceCount = -1;
    std::int32_t edgeCount = 0;
    std::uint64_t corners[meshCapacity];  // each face's three vertices
    WireEdge edges[meshCapacity * 3];
};

FaceLinks links;
Pixel wireColours[meshCapacity + 1];

// An edge of the wire that adds something, with what it adds.
struct AddingEdge {
    std::uint16_t p, q;
    Pixel sum;
};
AddingEdge addingEdges[meshCapacity * 3];

std::uint64_t packedFace(const MeshFace& face)
{
    return std::uint64_t(face.a) | std::uint64_t(face.b) << 16 | std::uint64_t(face.c) << 32;
}

// Compared without a branch per face: the faces rarely change, so every face is looked at.
bool linksCurrent(const Mesh& mesh)
{
    if (links.faceCount != mesh.faceCount) return false;
    std::uint64_t differs = 0;
    for (int f = 0; f < mesh.faceCount; ++f) differs |= links.corners[f] ^ packedFace(mesh.faces[f]);
    return differs == 0;
}

const FaceLinks& linkFaceEdges(const Mesh& mesh)
{
    if (linksCurrent(mesh)) return links;
    const int count = mesh.faceCount < 0 ? 0 : mesh.faceCount;
    std::vector<std::uint64_t> keyed;  // both vertices, then face * 3 + edge
    keyed.reserve(std::size_t(count) * 3);
    for (int f = 0; f < count; ++f) {
        const MeshFace& face = mesh.faces[f];
        links.corners[f] = packedFace(face);
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
            links.edges[edges++] = {p, q, x / 3, y / 3};
        } else {
            for (std::size_t k = i; k < j; ++k) links.edges[edges++] = {p, q, int(keyed[k] & 0xFFFFFFFF) / 3, noFace};
        }
        i = j;
    }
    links.edgeCount = edges;
    links.faceCount = mesh.faceCount;
    return links;
}

// An edge's fixed-point step per row, x times 128, truncated toward zero; 0 for a level edge,
// which covers no row.
long long edgeStep(int xt, int yt, int xb, int yb)
{
    const int rows = yb - yt;
    const long long step = ((long long)(xb - xt) * 128) / (rows == 0 ? 1 : rows);
    return rows == 0 ? 0 : step;
}

// A corner packed so that comparing two packed corners compares their rows first.
long long packedCorner(int x, int y)
{
    return (long long)y * 4294967296LL + (long long)std::uint32_t(x);
}

// How a face's rows are drawn: solid, or averaged with what is there.
struct SolidRows {
    static constexpr int insideLimit = 0;  // no faster way for spans known to be inside
    static void draw(Pixel* row, int x1, int x2, Pixel colour) { fillRowSpan(row, x1, x2, colour); }
};

struct BlendedRows {
    static constexpr int insideLimit = 0;
    static void draw(Pixel* row, int x1, int x2, Pixel colour) { blendRowSpan(row, x1, x2, colour); }
};

#ifdef INVITE_WIDE_SPANS
struct WideBlendedRows {
    static constexpr int insideLimit = wideInsideLimit;  // drawInside for spans within 1..this
    __attribute__((target("avx2"))) static void draw(Pixel* row, int x1, int x2, Pixel colour)
    {
        blendRowSpanWide(row, x1, x2, colour);
    }
    __attribute__((target("avx2"))) static void drawInside(Pixel* row, int x1, int x2, Pixel colour)
    {
        blendInsideRowSpanWide(row, x1, x2, colour);
    }
};
#endif

// The pixels fillQuad gives a triangle whose second corner is doubled, row by row from its
// edges instead of through the per-row tables. Each edge is walked from its upper end and
// covers its rows inclusively; a level edge covers none. Every row lies between the long edge
// (top corner to bottom corner) and a short one: the upper edge down to the middle corner's
// row, the lower edge after it; the middle row also takes the lower edge's first column,
// which is the middle corner's own. Only rows 1 to 479 are ever drawn.
template <typename Rows>
void fillTriangleRows(Pixel* frame, int ax, int ay, int bx, int by, int cx, int cy, Pixel colour)
{
    // The corners ordered by row without branches: a tie may fall either way, as the edges
    // between tied corners are level and the others are the same whichever corner is which.
    long long p = packedCorner(ax, ay);
    long long q = packedCorner(bx, by);
    long long r = packedCorner(cx, cy);
    const long long low = std::min(p, q);
    q = std::max(p, q);
    p = low;
    const long long high = std::max(q, r);
    q = std::min(q, r);
    r = high;
    const long long middle = std::max(p, q);
    p = std::min(p, q);
    q = middle;
    const int y0 = int(p >> 32), x0 = int(std::uint32_t(p));
    const int y1 = int(q >> 32), x1 = int(std::uint32_t(q));
    const int y2 = int(r >> 32), x2 = int(std::uint32_t(r));
    if (y0 == y2) return;
    const int top = y0 > 1 ? y0 : 1;
    const int bottom = y2 < screenHeight - 1 ? y2 : screenHeight - 1;
    if (top > bottom) return;

    const long long longStep = edgeStep(x0, y0, x2, y2);
    const long long upperStep = edgeStep(x0, y0, x1, y1);
    const long long lowerStep = edgeStep(x1, y1, x2, y2);
    long long longX = (long long)x0 * 128 + longStep * ((long long)top - y0);
    const bool belowMiddle = top > y1 || (top == y1 && y0 == y1);
    long long shortX = belowMiddle ? (long long)x1 * 128 + lowerStep * ((long long)top - y1)
                                   : (long long)x0 * 128 + upperStep * ((long long)top - y0);
    long long shortStep = belowMiddle ? lowerStep : upperStep;
    Pixel* row = frame + RowOffsets[top];
    auto walk = [&](auto drawRow) {
        for (int y = top; y <= bottom; ++y) {
            const int a = int(longX >> 7);
            const int b = int(shortX >> 7);
            int left = a < b ? a : b;
            int right = a < b ? b : a;
            if (y == y1) {
                if (y1 < y2) {
                    left = std::min(left, x1);
                    right = std::max(right, x1);
                }
                shortX = (long long)x1 * 128;
                shortStep = lowerStep;
            }
            drawRow(row, left, right);
            longX += longStep;
            shortX += shortStep;
            row += screenWidth;
        }
    };
    if constexpr (Rows::insideLimit > 0) {
        // Every column an edge reaches lies between the corners' columns.
        const int leftmost = std::min(x0, std::min(x1, x2));
        const int rightmost = std::max(x0, std::max(x1, x2));
        if (leftmost >= 1 && rightmost <= Rows::insideLimit) {
            walk([&](Pixel* at, int left, int right) { Rows::drawInside(at, left, right, colour); });
            return;
        }
    }
    walk([&](Pixel* at, int left, int right) { Rows::draw(at, left, right, colour); });
}

#ifdef INVITE_WIDE_SPANS
// Everything it calls is compiled into it, for the wider vectors.
__attribute__((target("avx2"), flatten)) void fillTriangleRowsWide(Pixel* frame, int x0, int y0, int x1, int y1, int x2,
                                                          int y2, Pixel colour)
{
    fillTriangleRows<WideBlendedRows>(frame, x0, y0, x1, y1, x2, y2, colour);
}
#endif

void fillTriangleRowsBlended(Pixel* frame, int x0, int y0, int x1, int y1, int x2, int y2, Pixel colour)
{
#ifdef INVITE_WIDE_SPANS
    if (wideSpansAvailable()) {
        fillTriangleRowsWide(frame, x0, y0, x1, y1, x2, y2, colour);
        return;
    }
#endif
    fillTriangleRows<BlendedRows>(frame, x0, y0, x1, y1, x2, y2, colour);
}

// The faces of a mesh are filled without marks: the mesh marks the box of all of them once.
void fillTriangleUnmarked(Pixel* frame, int x1, int y1, int x2, int y2, int x3, int y3, Pixel colour, int fillMode)
{
    x1 = truncateCoordinate(x1);
    y1 = truncateCoordinate(y1);
    x2 = truncateCoordinate(x2);
    y2 = truncateCoordinate(y2);
    x3 = truncateCoordinate(x3);
    y3 = truncateCoordinate(y3);
    if (fillMode == 0) fillTriangleRows<SolidRows>(frame, x1, y1, x2, y2, x3, y3, colour);
    else if (fillMode == 1) fillTriangleRowsBlended(frame, x1, y1, x2, y2, x3, y3, colour);
}

}  // namespace

void fillTriangle(Frame frame, int x1, int y1, int x2, int y2, int x3, int y3, Pixel colour, int fillMode)
{
    // A face lies within its corners' box; the box's right and bottom edges are drawn too.
    markDrawn(frame, std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::int64_t(std::max({x1, x2, x3})) + 1,
              std::int64_t(std::max({y1, y2, y3})) + 1);
    fillTriangleUnmarked(frame.pixels, x1, y1, x2, y2, x3, y3, colour, fillMode);
}

namespace {

#ifdef INVITE_WIDE_SPANS
static_assert(sizeof(MeshFace) == 8, "eight faces are read as two 256-bit vectors");

// The three corner numbers of eight faces as eight 32-bit lanes each.
struct EightCorners {
    __m256i a, b, c;
};

__attribute__((target("avx2"))) inline EightCorners eightCorners(const MeshFace* faces)
{
    // Each face is a 64-bit lane: a and b in its low half, c in its high half.
    const __m256i halves = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i first = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(faces)), halves);
    const __m256i second = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(faces + 4)), halves);
    const __m256i low = _mm256_permute2x128_si256(first, second, 0x20);
    const __m256i high = _mm256_permute2x128_si256(first, second, 0x31);
    const __m256i word = _mm256_set1_epi32(0xFFFF);
    return {_mm256_and_si256(low, word), _mm256_srli_epi32(low, 16), _mm256_and_si256(high, word)};
}

// One coordinate of eight vertices, `axis` floats into each vertex.
__attribute__((target("avx2"))) inline __m256 eightOf(const MeshVertex* vertices, __m256i index, int axis)
{
    const __m256i floats = _mm256_add_epi32(_mm256_slli_epi32(index, 2), index);  // five per vertex
    return _mm256_i32gather_ps(&vertices[0].x + axis, floats, 4);
}

// truncateKey of four sums: NaN and anything below the low bound take it (the max keeps its
// second operand when either is NaN), anything above the high bound takes that.
__attribute__((target("avx2"))) inline __m128i fourKeys(__m256d sum)
{
    const __m256d pinned = _mm256_min_pd(_mm256_max_pd(sum, _mm256_set1_pd(-2147483520.0)), _mm256_set1_pd(2147483520.0));
    return _mm256_cvttpd_epi32(pinned);
}

// z of four vertices from eight, the low four or the high four, widened.
__attribute__((target("avx2"))) inline __m256d lowFour(__m256 z)
{
    return _mm256_cvtps_pd(_mm256_castps256_ps128(z));
}

__attribute__((target("avx2"))) inline __m256d highFour(__m256 z)
{
    return _mm256_cvtps_pd(_mm256_extractf128_ps(z, 1));
}

// Within the depth window, as insideDepthWindow: NaN is not.
__attribute__((target("avx2"))) inline __m256 insideWindow(__m256 z)
{
    return _mm256_and_ps(_mm256_cmp_ps(z, _mm256_set1_ps(farDepth), _CMP_GT_OQ),
                         _mm256_cmp_ps(z, _mm256_set1_ps(nearDepth), _CMP_LT_OQ));
}

// The face preparation eight faces at a time, each sum added in the same order; returns how
// many faces it did.
__attribute__((target("avx2"))) int prepareEightsWide(Mesh& mesh)
{
    const MeshVertex* world = mesh.worldVertices;
    __m256i number = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int f = 0;
    for (; f + 8 <= mesh.faceCount; f += 8) {
        const EightCorners corners = eightCorners(mesh.faces + f);
        const __m256 za = eightOf(world, corners.a, 2);
        const __m256 zb = eightOf(world, corners.b, 2);
        const __m256 zc = eightOf(world, corners.c, 2);
        const __m256d lowSum = _mm256_add_pd(_mm256_add_pd(lowFour(zc), lowFour(zb)), lowFour(za));
        const __m256d highSum = _mm256_add_pd(_mm256_add_pd(highFour(zc), highFour(zb)), highFour(za));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mesh.depthKeys + f), fourKeys(lowSum));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mesh.depthKeys + f + 4), fourKeys(highSum));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mesh.drawOrder + f), number);
        number = _mm256_add_epi32(number, _mm256_set1_epi32(8));
        const int visible = _mm256_movemask_ps(_mm256_and_ps(insideWindow(za), _mm256_and_ps(insideWindow(zb), insideWindow(zc))));
        for (int k = 0; k < 8; ++k) mesh.faces[f + k].visible = std::uint8_t(visible >> k & 1);
    }
    return f;
}
#endif

void prepareFaceKeys(Mesh& mesh)
{
    int first = 0;
#ifdef INVITE_WIDE_SPANS
    if (wideSpansAvailable()) first = prepareEightsWide(mesh);
#endif
    // Held in locals: the byte written for each face could be any of the mesh's fields as
    // far as the compiler knows.
    const int count = mesh.faceCount;
    const MeshVertex* world = mesh.worldVertices;
    MeshFace* faces = mesh.faces;
    std::int32_t* keys = mesh.depthKeys;
    std::int32_t* order = mesh.drawOrder;
    for (int f = first; f < count; ++f) {
        const MeshFace face = faces[f];
        const float za = world[face.a].z;
        const float zb = world[face.b].z;
        const float zc = world[face.c].z;
        order[f] = f;
        keys[f] = truncateKey(double(zc) + zb + za);
        faces[f].visible = std::uint8_t(insideDepthWindow(za) & insideDepthWindow(zb) & insideDepthWindow(zc));
    }
}

}  // namespace

void prepareFaces(Mesh& mesh)
{
    prepareFaceKeys(mesh);
    sortFaces(mesh, 0, mesh.faceCount - 1);
}

namespace {

// Ranges of up to this many keys are put in order by one look-up.
constexpr int smallRangeMax = 5;
constexpr int stopBlock = 64;

int partitionByScans(std::int32_t* keys, std::int32_t* order, int lo, int hi)
{
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

void sortByScans(std::int32_t* keys, std::int32_t* order, int lo, int hi)
{
    while (lo < hi) {
        const int p = partitionByScans(keys, order, lo, hi);
        sortByScans(keys, order, lo, p);
        lo = p + 1;
    }
}

#ifdef INVITE_WIDE_SPANS
// Bits of the keys above and below the pivot, eight keys at a time from keys[first]: whole
// eights of `count` keys, or all of them and up to seven more when `pastEnd` allows reading
// that far. Returns how many keys it covered.
__attribute__((target("avx2"))) int eightsAboveBelow(const std::int32_t* keys, int first, int count,
                                                      bool pastEnd, std::int32_t pivot,
                                                      std::uint64_t& above, std::uint64_t& below)
{
    const __m256i p = _mm256_set1_epi32(pivot);
    const int covered = pastEnd ? count : count - 7;
    int b = 0;
    for (; b < covered; b += 8) {
        const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys + first + b));
        above |= std::uint64_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(k, p)))) << b;
        below |= std::uint64_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(p, k)))) << b;
    }
    return b;
}
#endif

// Bit b of atMost is set when keys[first + b] is at most the pivot, of atLeast when it is at
// least the pivot; count is 1 to 64. The keys are a mesh's, so the whole table may be read.
// Wide: the eight-lane steps, for a caller compiled for them.
template <bool Wide>
inline void stopMasks(const std::int32_t* keys, int first, int count, std::int32_t pivot,
                      std::uint64_t& atMost, std::uint64_t& atLeast)
{
    std::uint64_t above = 0;
    std::uint64_t below = 0;
    int b = 0;
#ifdef INVITE_WIDE_SPANS
    if constexpr (Wide) {
        const bool pastEnd = first + count + 7 <= meshCapacity;
        b = eightsAboveBelow(keys, first, count, pastEnd, pivot, above, below);
    }
#endif
#ifdef __SSE2__
    const __m128i p = _mm_set1_epi32(pivot);
    for (; b + 4 <= count; b += 4) {
        const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + first + b));
        above |= std::uint64_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(k, p)))) << b;
        below |= std::uint64_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(k, p)))) << b;
    }
#endif
    for (; b < count; ++b) {
        above |= std::uint64_t(keys[first + b] > pivot) << b;
        below |= std::uint64_t(keys[first + b] < pivot) << b;
    }
    const std::uint64_t all = count == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << count) - 1;
    atMost = ~above & all;
    atLeast = ~below & all;
}

// The partition the two scans make, without a branch per key. The upward scan stops, in
// order, at the positions whose key is at most the pivot and the downward scan at those
// whose key is at least it: a position between the last two swapped ones still holds its
// first key, and each swap leaves behind each scan a key that stops the other. So the k-th
// stops of the two scans are swapped while the upward one lies below the downward one, and
// the split is the k-th downward stop, or the last swapped upward position if that is higher
// (the downward scan then stops on the key swapped there). The stops are read as bit masks
// of up to 64 keys from each end; a mask read after a swap inside it differs only past the
// point where the stops cross.
template <bool Wide>
inline int partitionByMasks(std::int32_t* keys, std::int32_t* order, int lo, int hi)
{
    const std::int32_t pivot = keys[lo];
    std::uint64_t left = 0;
    std::uint64_t right = 0;
    std::uint64_t unused = 0;
    int leftBase = lo;   // bit b of left is position leftBase + b
    int rightBase = lo;  // bit b of right is position rightBase + b
    int leftNext = lo;   // first position no left mask has covered
    int rightNext = hi;  // last position no right mask has covered
    if (hi - lo < stopBlock) {
        stopMasks<Wide>(keys, lo, hi - lo + 1, pivot, left, right);
        leftNext = hi + 1;
        rightNext = lo - 1;
    }
    int lastSwapped = lo - 1;
    for (;;) {
        while (left == 0 && leftNext <= hi) {
            const int count = std::min(stopBlock, hi + 1 - leftNext);
            leftBase = leftNext;
            stopMasks<Wide>(keys, leftBase, count, pivot, left, unused);
            leftNext += count;
        }
        while (right == 0 && rightNext >= lo) {
            const int count = std::min(stopBlock, rightNext - lo + 1);
            rightBase = rightNext - count + 1;
            stopMasks<Wide>(keys, rightBase, count, pivot, unused, right);
            rightNext -= count;
        }
        if (right == 0) return lastSwapped;
        const int j = rightBase + 63 - __builtin_clzll(right);
        if (left == 0) return std::max(lastSwapped, j);
        const int i = leftBase + __builtin_ctzll(left);
        if (i >= j) return std::max(lastSwapped, j);
        std::swap(order[i], order[j]);
        std::swap(keys[i], keys[j]);
        lastSwapped = i;
        left &= left - 1;
        right &= ~(std::uint64_t(1) << (j - rightBase));
    }
}

// How each pair of n keys compares (less, equal, greater), as a number in base 3.
int pairPattern(const std::int32_t* keys, int n)
{
    int pattern = 0;
    int weight = 1;
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            pattern += weight * ((keys[a] > keys[b]) - (keys[a] < keys[b]) + 1);
            weight *= 3;
        }
    }
    return pattern;
}

constexpr int patternCount(int n)
{
    int count = 1;
    for (int p = 0; p < n * (n - 1) / 2; ++p) count *= 3;
    return count;
}

constexpr int factorial(int n)
{
    return n <= 1 ? 1 : n * factorial(n - 1);
}

// For each range length and each pattern of its keys, where the sort takes each slot's key
// from: its order depends on nothing else. Filled by sorting keys drawn from 0..n-1 in every
// arrangement, which show every pattern there is. A pattern names one of the n! orders.
struct SmallRangeOrders {
    std::uint8_t orderOfPattern[smallRangeMax + 1][patternCount(smallRangeMax)];
    std::uint8_t orders[smallRangeMax + 1][factorial(smallRangeMax)][smallRangeMax];
    int orderCount[smallRangeMax + 1];

    SmallRangeOrders() : orderOfPattern{}, orders{}, orderCount{}
    {
        for (int n = 2; n <= smallRangeMax; ++n) {
            int arrangements = 1;
            for (int k = 0; k < n; ++k) arrangements *= n;
            // Each order once, found by its digits in base n.
            std::vector<int> indexOfOrder(std::size_t(arrangements), -1);
            for (int v = 0; v < arrangements; ++v) {
                std::int32_t keys[smallRangeMax];
                std::int32_t order[smallRangeMax];
                for (int k = 0, rest = v; k < n; ++k, rest /= n) {
                    keys[k] = rest % n;
                    order[k] = k;
                }
                const int pattern = pairPattern(keys, n);
                sortByScans(keys, order, 0, n - 1);
                int digits = 0;
                for (int k = n - 1; k >= 0; --k) digits = digits * n + order[k];
                int& index = indexOfOrder[std::size_t(digits)];
                if (index < 0) {
                    index = orderCount[n]++;
                    for (int k = 0; k < n; ++k) orders[n][index][k] = std::uint8_t(order[k]);
                }
                orderOfPattern[n][pattern] = std::uint8_t(index);
            }
        }
    }
};

template <int N>
void finishRange(const SmallRangeOrders& table, std::int32_t* keys, std::int32_t* order)
{
    std::int32_t k[N];
    std::int32_t o[N];
    for (int p = 0; p < N; ++p) {
        k[p] = keys[p];
        o[p] = order[p];
    }
    const std::uint8_t* from = table.orders[N][table.orderOfPattern[N][pairPattern(k, N)]];
    for (int p = 0; p < N; ++p) {
        keys[p] = k[from[p]];
        order[p] = o[from[p]];
    }
}

// Built when the program starts, so no frame waits for it.
const SmallRangeOrders smallRangeOrders;

void finishSmallRange(std::int32_t* keys, std::int32_t* order, int length)
{
    const SmallRangeOrders& table = smallRangeOrders;
    static_assert(smallRangeMax == 5, "a range of each length up to the limit has its own case");
    if (length == 2) finishRange<2>(table, keys, order);
    else if (length == 3) finishRange<3>(table, keys, order);
    else if (length == 4) finishRange<4>(table, keys, order);
    else if (length == 5) finishRange<5>(table, keys, order);
}

// A face that will be drawn carries this bit in its place in the order while the faces are
// sorted for drawing; face numbers are far below it.
constexpr std::uint32_t drawnFaceBit = 0x80000000u;

// How many of order[lo..hi] carry the drawn bit.
int drawnFacesIn(const std::int32_t* order, int lo, int hi)
{
    int count = 0;
    int k = lo;
#ifdef __SSE2__
    // The bit counts of the sixteen four-bit masks, four bits each.
    constexpr std::uint64_t bitCounts = 0x4332322132212110ULL;
    for (; k + 4 <= hi + 1; k += 4) {
        const int signs = _mm_movemask_ps(_mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(order + k))));
        count += int(bitCounts >> (4 * signs) & 0xF);
    }
#endif
    for (; k <= hi; ++k) count += int(std::uint32_t(order[k]) >> 31);
    return count;
}

// Hoare's quicksort of keys[lo..hi], largest key first, each range split around its first
// key; equal keys are swapped too, and where they end shows in the picture. The splits are
// found without a branch per key and the shortest ranges finished by look-up, to the same
// order. Recurse sorts the lower part of each split. With OnlyDrawn, a range holding at most
// one face with the drawn bit is left as it is: the ranges' places are settled by then, so
// the drawn faces still end in the same order among themselves.
template <bool Wide, bool OnlyDrawn, void (*Recurse)(std::int32_t*, std::int32_t*, int, int, int)>
inline void sortRange(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    while (hi - lo + 1 > smallRangeMax) {
        if (OnlyDrawn && drawn <= 1) return;
        const int p = partitionByMasks<Wide>(keys, order, lo, hi);
        int lowDrawn = 0;
        if constexpr (OnlyDrawn) {
            // Counted on the shorter side; the other side holds the rest.
            lowDrawn = p - lo <= hi - p ? drawnFacesIn(order, lo, p) : drawn - drawnFacesIn(order, p + 1, hi);
        }
        Recurse(keys, order, lo, p, lowDrawn);
        drawn -= lowDrawn;
        lo = p + 1;
    }
    if (hi > lo) finishSmallRange(keys + lo, order + lo, hi - lo + 1);
}

// drawn: how many of order[lo..hi] carry the drawn bit, when OnlyDrawn.
template <bool OnlyDrawn>
void sortRangePlain(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRange<false, OnlyDrawn, sortRangePlain<OnlyDrawn>>(keys, order, lo, hi, drawn);
}

#ifdef INVITE_WIDE_SPANS
// Everything but its own recursion compiled into it, for the wider vectors.
template <bool OnlyDrawn>
__attribute__((target("avx2"), flatten)) void sortRangeWide(std::int32_t* keys, std::int32_t* order, int lo, int hi,
                                                           int drawn)
{
    sortRange<true, OnlyDrawn, sortRangeWide<OnlyDrawn>>(keys, order, lo, hi, drawn);
}
#endif

// drawn: how many of the range carry the drawn bit, when OnlyDrawn.
template <bool OnlyDrawn>
void sortRangeOf(Mesh& mesh, int lo, int hi, int drawn)
{
#ifdef INVITE_WIDE_SPANS
    if (wideSpansAvailable()) {
        sortRangeWide<OnlyDrawn>(mesh.depthKeys, mesh.drawOrder, lo, hi, drawn);
        return;
    }
#endif
    sortRangePlain<OnlyDrawn>(mesh.depthKeys, mesh.drawOrder, lo, hi, drawn);
}

}  // namespace

void sortFaces(Mesh& mesh, int lo, int hi)
{
    sortRangeOf<false>(mesh, lo, hi, 0);
}

int partitionFaces(Mesh& mesh, int lo, int hi)
{
    return partitionByMasks<false>(mesh.depthKeys, mesh.drawOrder, lo, hi);
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

namespace {

// How brightly the light falls on a face: the normal's cosine with the light, 0 for faces
// turned away (and for an undefined normal), at most 1.
double faceIntensity(const Mesh& mesh, int face)
{
    const MeshVertex& n = mesh.worldNormals[face];
    const MeshVertex& light = mesh.light;
    double intensity = (double(n.z) / 256.0) * light.z + (double(n.y) / 256.0) * light.y +
                       (double(n.x) / 256.0) * light.x;
    if (!(intensity >= 0.0)) intensity = 0.0;  // also NaN
    if (intensity > 1.0) intensity = 1.0;
    return intensity;
}

// The channels a lit colour lights: those whose colour field is not 0.
Pixel litChannels(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    return (red != 0 ? 0xFF0000u : 0) | (green != 0 ? 0x00FF00u : 0) | (blue != 0 ? 0x0000FFu : 0);
}

}  // namespace

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
    return Pixel(litChannel(faceIntensity(mesh, face))) * 0x010101u & litChannels(red, green, blue);
}

namespace {

// The rows of a face with corners already truncated: solid, blended, or none for any other
// fill mode.
using FaceRows = void (*)(Pixel*, int, int, int, int, int, int, Pixel);

FaceRows faceRowsFor(int fillMode)
{
    if (fillMode == 0) return fillTriangleRows<SolidRows>;
#ifdef INVITE_WIDE_SPANS
    if (fillMode == 1 && wideSpansAvailable()) return fillTriangleRowsWide;
#endif
    if (fillMode == 1) return fillTriangleRows<BlendedRows>;
    return nullptr;
}

// Farthest first: the sort leaves the largest keys, the nearest faces, at the front. The
// colour is faceColour's, with what it decides once for the mesh taken out of the loop.
void fillDrawnFaces(Frame frame, const Mesh& mesh, int fillMode)
{
    const FaceRows rows = faceRowsFor(fillMode);
    if (rows != nullptr) {
        const bool lit = mesh.fillLit == 1;
        const Pixel channels = litChannels(mesh.fillRed, mesh.fillGreen, mesh.fillBlue);
        const Pixel unlit = faceColour(mesh, 0, true);
        // The drawn faces are picked out first without a branch per face: which are drawn
        // follows no pattern in the order of depth.
        int drawnCount = 0;
        for (int k = 0; k < mesh.faceCount; ++k) {
            const int d = mesh.drawOrder[mesh.faceCount - 1 - k];
            facePass.farFirst[drawnCount] = d;
            drawnCount += facePass.drawn[d];
        }
        for (int k = 0; k < drawnCount; ++k) {
            const int d = facePass.farFirst[k];
            const Pixel colour = lit ? Pixel(litChannel(faceIntensity(mesh, d))) * 0x010101u & channels : unlit;
            const ScreenTriangle t = screenTriangle(mesh.faces[d]);
            rows(frame.pixels, t.ax, t.ay, t.bx, t.by, t.cx, t.cy, colour);
        }
    }
    markBox(frame, facePass.box);
}

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
void wireDrawnFaces(Frame frame, const Mesh& mesh)
{
    const FaceLinks& linked = linkFaceEdges(mesh);
    // Frame pixels hold no top byte, so adding black (as the faded wire is) changes nothing.
    if (mesh.wireLit == 1) {
        for (int f = 0; f < mesh.faceCount; ++f) {
            wireColours[f] = facePass.drawn[f] ? faceColour(mesh, f, false) & 0xFFFFFF : 0;
        }
    } else {
        const Pixel unlit = faceColour(mesh, 0, false) & 0xFFFFFF;
        for (int f = 0; f < mesh.faceCount; ++f) wireColours[f] = facePass.drawn[f] ? unlit : 0;
    }
    wireColours[noFace] = 0;
    // The edges that add something are picked out first without a branch per edge: those of
    // faces turned away are mixed in among them.
    int addingCount = 0;
    for (int e = 0; e < linked.edgeCount; ++e) {
        const WireEdge& edge = linked.edges[e];
        const Pixel sum = addSaturated(wireColours[edge.face], wireColours[edge.other]);
        addingEdges[addingCount] = {edge.p, edge.q, sum};
        addingCount += sum != 0;
    }
    for (int k = 0; k < addingCount; ++k) {
        const ScreenCorner p = facePass.corners[addingEdges[k].p];
        const ScreenCorner q = facePass.corners[addingEdges[k].q];
        drawLineAddUnmarked(frame.pixels, p.x, p.y, q.x, q.y, addingEdges[k].sum);
    }
    markBox(frame, facePass.box);
}

}  // namespace

namespace {

// The filled faces classifyFaces found drawn, then with `wire` their wireframe.
void fillThenWire(Frame frame, const Mesh& mesh, int fillMode, bool wire)
{
    fillDrawnFaces(frame, mesh, fillMode);
    if (wire && !wireAddsNothing(mesh)) wireDrawnFaces(frame, mesh);
}

// The sort of prepareFaces carried only as far as the `drawnCount` faces classifyFaces found
// drawn need: they are marked in the order for the sort and unmarked after it.
void sortDrawnFaces(Mesh& mesh, int drawnCount)
{
    const int count = mesh.faceCount;
    std::int32_t* order = mesh.drawOrder;
    for (int f = 0; f < count; ++f) order[f] = std::int32_t(std::uint32_t(order[f]) | (facePass.drawn[f] ? drawnFaceBit : 0));
    sortRangeOf<true>(mesh, 0, count - 1, drawnCount);
    for (int k = 0; k < count; ++k) order[k] = std::int32_t(std::uint32_t(order[k]) & ~drawnFaceBit);
}

}  // namespace

void drawMeshFilled(Frame frame, Mesh& mesh, int fillMode)
{
    classifyFaces(mesh);
    fillThenWire(frame, mesh, fillMode, false);
}

void drawMeshWire(Frame frame, Mesh& mesh)
{
    if (wireAddsNothing(mesh)) return;
    classifyFaces(mesh);
    wireDrawnFaces(frame, mesh);
}

void drawMeshFilledAndWire(Frame frame, Mesh& mesh, int fillMode)
{
    classifyFaces(mesh);
    fillThenWire(frame, mesh, fillMode, true);
}

void prepareAndDrawMesh(Frame frame, Mesh& mesh, int fillMode, bool wire)
{
    prepareFaceKeys(mesh);
    sortDrawnFaces(mesh, classifyFaces(mesh));
    fillThenWire(frame, mesh, fillMode, wire);
}
