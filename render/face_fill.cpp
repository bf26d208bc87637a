// The filled faces: each triangle's rows walked from its edges in fixed point, drawn solid or
// averaged with what is there.
#include "render/mesh.h"
#include "render/mesh_steps.h"

#include <algorithm>

namespace {

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

#ifdef INVITE_WIDE_KERNELS
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
    else if (fillMode == 1) kernels.blendedTriangle(frame, x1, y1, x2, y2, x3, y3, colour);
}

}  // namespace

void fillTriangle(Frame frame, int x1, int y1, int x2, int y2, int x3, int y3, Pixel colour, int fillMode)
{
    // A face lies within its corners' box; the box's right and bottom edges are drawn too.
    markDrawn(frame, std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::int64_t(std::max({x1, x2, x3})) + 1,
              std::int64_t(std::max({y1, y2, y3})) + 1);
    fillTriangleUnmarked(frame.pixels, x1, y1, x2, y2, x3, y3, colour, fillMode);
}

void blendedTrianglePlain(Pixel* frame, int ax, int ay, int bx, int by, int cx, int cy, Pixel colour)
{
    fillTriangleRows<BlendedRows>(frame, ax, ay, bx, by, cx, cy, colour);
}

#ifdef INVITE_WIDE_KERNELS
// Everything it calls is compiled into it, for the wider vectors.
__attribute__((target("avx2"), flatten)) void blendedTriangleWide(Pixel* frame, int ax, int ay, int bx, int by, int cx,
                                                                  int cy, Pixel colour)
{
    fillTriangleRows<WideBlendedRows>(frame, ax, ay, bx, by, cx, cy, colour);
}
#endif

namespace {

// The rows of a face with corners already truncated: solid, blended, or none for any other
// fill mode.
using FaceRows = void (*)(Pixel*, int, int, int, int, int, int, Pixel);

FaceRows faceRowsFor(int fillMode)
{
    if (fillMode == 0) return fillTriangleRows<SolidRows>;
    if (fillMode == 1) return kernels.blendedTriangle;
    return nullptr;
}

}  // namespace

// Farthest first: the sort leaves the largest keys, the nearest faces, at the front. The
// colour is faceColour's, with what it decides once for the mesh taken out of the loop.
void fillDrawnFaces(Pixel* frame, const Mesh& mesh, FacePass& pass, int fillMode)
{
    const FaceRows rows = faceRowsFor(fillMode);
    if (rows == nullptr) return;
    const bool lit = mesh.fillLit == 1;
    const Pixel channels = litChannels(mesh.fillRed, mesh.fillGreen, mesh.fillBlue);
    const Pixel unlit = faceColour(mesh, 0, true);
    // The drawn faces are picked out first without a branch per face: which are drawn
    // follows no pattern in the order of depth.
    int drawnCount = 0;
    for (int k = 0; k < mesh.faceCount; ++k) {
        const int d = mesh.drawOrder[mesh.faceCount - 1 - k];
        pass.farFirst[drawnCount] = d;
        drawnCount += pass.drawn[d];
    }
    for (int k = 0; k < drawnCount; ++k) {
        const int d = pass.farFirst[k];
        const Pixel colour = lit ? Pixel(litChannel(faceIntensity(mesh, d))) * 0x010101u & channels : unlit;
        const MeshFace& face = mesh.faces[d];
        const ScreenCorner a = pass.corners[face.a];
        const ScreenCorner b = pass.corners[face.b];
        const ScreenCorner c = pass.corners[face.c];
        rows(frame, a.x, a.y, b.x, b.y, c.x, c.y, colour);
    }
}
