#pragma once
// The plain quad filler the triangle filler is checked against: per-row extremes of the four
// edges, stepped in 25.7 fixed point, then one span per row.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "render/primitives.h"

namespace quad {

constexpr int edgeRows = screenWidth + 1;  // rows 0..640; only 0..screenHeight are recorded
constexpr std::int32_t spanReset = 120 * screenWidth;
constexpr double coordinateLimit = double(1 << 24);

// Per-row extremes of the polygon being filled; only the rows between its top and bottom
// are reset, as no other row is read for it.
struct EdgeTables {
    std::int32_t spanMinX[edgeRows];
    std::int32_t spanMaxX[edgeRows];
};

inline EdgeTables edges;

// Screen coordinates pinned as the mesh pipeline pins them.
inline int truncateCoordinate(double value)
{
    if (!(value > -coordinateLimit)) return -int(coordinateLimit);  // also NaN
    if (value > coordinateLimit) return int(coordinateLimit);
    return int(value);
}

inline void scanEdge(int x1, int y1, int x2, int y2);

inline void fillQuad(Pixel* frame, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
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
inline void scanEdge(int x1, int y1, int x2, int y2)
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

}  // namespace quad

using quad::fillQuad;
using quad::scanEdge;
