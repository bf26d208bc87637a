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

bool inClip(int x, int y)
{
    return x > 0 && x < screenWidth && y > 0 && y < screenHeight;
}

Pixel addSaturated(Pixel destination, Pixel colour)
{
    unsigned red = ((destination >> 16) & 0xFF) + ((colour >> 16) & 0xFF);
    unsigned green = ((destination >> 8) & 0xFF) + ((colour >> 8) & 0xFF);
    unsigned blue = (destination & 0xFF) + (colour & 0xFF);
    if (red > 255) red = 255;
    if (green > 255) green = 255;
    if (blue > 255) blue = 255;
    return (red << 16) | (green << 8) | blue;
}

void plotAdd(Pixel* frame, int x, int y, Pixel colour)
{
    Pixel& target = frame[RowOffsets[y] + x];
    target = addSaturated(target, colour);
}

namespace {

void plotClipped(Pixel* frame, int x, int y, Pixel colour)
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

void fillSpan(Pixel* frame, int x1, int x2, int y, Pixel colour)
{
    if (x1 == x2) {
        if (inClip(x1, y)) frame[RowOffsets[y] + x1] = colour;
        return;
    }
    if (y <= 0 || y >= screenHeight) return;  // no pixel of the row can pass the clip
    Pixel* row = frame + RowOffsets[y];
    const int first = x1 < 1 ? 1 : x1;
    const int end = x2 > screenWidth ? screenWidth : x2;
    for (int x = first; x < end; ++x) row[x] = colour;
}

void blendSpan(Pixel* frame, int x1, int x2, int y, Pixel colour)
{
    const int first = x1 == x2 ? x1 : (x1 < 1 ? 1 : x1);
    const int end = x1 == x2 ? x1 + 1 : (x2 > screenWidth ? screenWidth : x2);
    if (y <= 0 || y >= screenHeight) return;
    Pixel* row = frame + RowOffsets[y];
    const unsigned cr = (colour >> 16) & 0xFF;
    const unsigned cg = (colour >> 8) & 0xFF;
    const unsigned cb = colour & 0xFF;
    for (int x = first; x < end; ++x) {
        if (x <= 0 || x >= screenWidth) continue;
        const Pixel d = row[x];
        const unsigned r = (cr + ((d >> 16) & 0xFF)) >> 1;
        const unsigned g = (cg + ((d >> 8) & 0xFF)) >> 1;
        const unsigned b = (cb + (d & 0xFF)) >> 1;
        row[x] = (r << 16) | (g << 8) | b;
    }
}
