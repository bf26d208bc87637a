#include "render/primitives.h"

#include <cstdlib>
#include <utility>

std::int32_t RowOffsets[640];

void buildRowOffsets()
{
    std::int32_t offset = 0;
    for (int y = 0; y < screenHeight; ++y) {
        RowOffsets[y] = offset;
        offset += screenWidth;
    }
}

namespace {

inline void plotClipped(Pixel* frame, int x, int y, Pixel colour)
{
    if (inClip(x, y)) plotAdd(frame, x, y, colour);
}

}  // namespace

void drawLineAdd(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour)
{
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    if (dx == 0) {
        const int top = y1 < y2 ? y1 : y2;
        const int bottom = y1 < y2 ? y2 : y1;
        for (int y = top; y <= bottom; ++y) plotClipped(frame, x1, y, colour);
        return;
    }
    if (dy == 0) {
        for (int x = x1; x <= x2; ++x) plotClipped(frame, x, y1, colour);
        return;
    }
    const int ax = dx;
    const int ay = std::abs(dy);
    const int ystep = dy >= 0 ? 1 : -1;
    int err = 0;
    int x = x1;
    int y = y1;
    if (ay < ax) {
        for (int i = 0; i <= ax; ++i) {
            plotClipped(frame, x, y, colour);
            err += ay;
            if (err >= ax) {
                err -= ax;
                y += ystep;
            }
            ++x;
        }
    } else if (ay > ax) {
        for (int i = 0; i <= ay; ++i) {
            plotClipped(frame, x, y, colour);
            err += ax;
            if (err >= ay) {
                err -= ay;
                ++x;
            }
            y += ystep;
        }
    } else {
        for (int i = 0; i <= ax; ++i) {
            plotClipped(frame, x, y, colour);
            ++x;
            y += ystep;
        }
    }
}
