#pragma once
// The row table and the clipped pixel primitives every scene draws with. A frame is 640x480
// Pixels, row-major, rows 640 apart.
//
// Every routine that takes a frame marks what it writes (render/backdrop), so the kept frame
// knows what to put back. The row routines that take a row pointer (fillRowSpan,
// blendRowSpan..., addNonZeroPixels) and drawLineAddUnmarked do not: they are the inner
// steps of drawings that mark the whole area they cover first.
#include <cstdint>

#include "base/pixel.h"
#include "render/backdrop.h"
#include "render/kernels.h"

// Entry y holds y * screenWidth. Built once at start-up.
extern std::int32_t RowOffsets[screenHeight];

void buildRowOffsets();

// Drawable positions: 0 < x < 640 and 0 < y < 480. Row 0 and column 0 are never written.
inline bool inClip(int x, int y)
{
    return x > 0 && x < screenWidth && y > 0 && y < screenHeight;
}

// Per-channel saturating sum of two pixels; bits 24..31 of the result are 0. The three
// channels are added at once: the low seven bits of each, then the top bit and the carry out
// of each channel are worked out and a carrying channel is filled with 255.
inline Pixel addSaturated(Pixel destination, Pixel colour)
{
    const Pixel a = destination & 0xFFFFFF;
    const Pixel b = colour & 0xFFFFFF;
    const Pixel low = (a & 0x7F7F7F) + (b & 0x7F7F7F);
    const Pixel carries = ((a & b) | ((a ^ b) & low)) & 0x808080;
    return (low ^ ((a ^ b) & 0x808080)) | ((carries >> 7) * 0xFF);
}

// Per-channel average rounded down, bits 24..31 of the result 0.
inline Pixel averagePixels(Pixel destination, Pixel colour)
{
    return ((destination >> 1) & 0x7F7F7F) + ((colour >> 1) & 0x7F7F7F) + (destination & colour & 0x010101);
}

// Adds colour at (x, y) with saturation, marked; no clip test, the caller keeps (x, y) on
// screen.
inline void plotAdd(Frame frame, int x, int y, Pixel colour)
{
    Pixel& target = frame[RowOffsets[y] + x];
    target = addSaturated(target, colour);
    markDrawn(frame, x, y, std::int64_t(x) + 1, std::int64_t(y) + 1);
}

// The columns a row routine wrote: [first, end), nothing when first >= end.
struct RowExtent {
    int first = 0;
    int end = 0;
};

// Adds count source pixels onto a row with per-channel saturation, as plotAdd does (the top
// byte of a changed pixel is cleared); a zero source pixel leaves its target as it was. No
// clip test: the caller passes only on-screen columns. Groups of eight zero source pixels are
// passed over without touching the row; the result covers every column written, so a page of
// text on a transparent ground can be marked by what it wrote.
RowExtent addNonZeroPixels(Pixel* target, const Pixel* source, int count);

// Each channel of count source pixels moved eighths/8 of the way to white (0 leaves it, 7 is
// the nearest to white), rounded down; the top byte of every written pixel is cleared. The
// same pixels go to copy as well unless it is null, in the one pass.
void pixelsTowardWhite(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths);

// Additive line, both end points included, each pixel clip-tested, marked by its box.
void drawLineAdd(Frame frame, int x1, int y1, int x2, int y2, Pixel colour);
// The same pixels, unmarked.
void drawLineAddUnmarked(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour);

// The columns a span writes after the clip test: [first, end). False when none.
inline bool spanColumns(int x1, int x2, int& first, int& end)
{
    if (x1 > x2) return false;
    first = x1 < 1 ? 1 : x1;
    end = x1 == x2 ? x1 + 1 : x2;
    if (end > screenWidth) end = screenWidth;
    return first < end;
}

inline bool drawableRow(int y)
{
    return y > 0 && y < screenHeight;
}

// Pixels x1 <= x < x2 of a drawable row (the single pixel x1 when x1 == x2), columns
// clip-tested.
inline void fillRowSpan(Pixel* row, int x1, int x2, Pixel colour)
{
    int first = 0;
    int end = 0;
    if (!spanColumns(x1, x2, first, end)) return;
    for (int x = first; x < end; ++x) row[x] = colour;
}

// The same pixels as fillRowSpan; each becomes the per-channel average with the colour.
// Inline, as the mesh filler calls it for every row of every face.
inline void blendRowSpan(Pixel* row, int x1, int x2, Pixel colour)
{
    int first = 0;
    int end = 0;
    if (!spanColumns(x1, x2, first, end)) return;
    for (int x = first; x < end; ++x) row[x] = averagePixels(row[x], colour);
}

#ifdef INVITE_WIDE_KERNELS
#include <immintrin.h>

// blendRowSpan eight pixels at a time, for the wide kernels (render/kernels.h) alone.

// Eight pixels from `at` averaged with the tint where `inside` is set, kept elsewhere.
__attribute__((target("avx2"))) inline void blendEightWide(Pixel* at, __m256i tint, __m256i inside)
{
    const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i rounded = _mm256_avg_epu8(old, tint);
    const __m256i average = _mm256_and_si256(
        _mm256_sub_epi8(rounded, _mm256_and_si256(_mm256_xor_si256(old, tint), _mm256_set1_epi8(1))),
        _mm256_set1_epi32(0xFFFFFF));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_blendv_epi8(old, average, inside));
}

// Pixels first <= x < end, starting at `from`, eight at a time while x < stop.
__attribute__((target("avx2"))) inline int blendEightsWide(Pixel* row, int from, int end, int stop, Pixel colour)
{
    const __m256i tint = _mm256_set1_epi32(int(colour & 0xFFFFFF));
    const __m256i last = _mm256_set1_epi32(end);
    __m256i column = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(from));
    int x = from;
    for (; x < stop; x += 8) {
        blendEightWide(row + x, tint, _mm256_cmpgt_epi32(last, column));
        column = _mm256_add_epi32(column, _mm256_set1_epi32(8));
    }
    return x;
}

// A span of at most sixteen pixels with sixteen pixels of row from its start: two fixed steps
// and no loop.
__attribute__((target("avx2"))) inline void blendShortSpanWide(Pixel* row, int first, int end, Pixel colour)
{
    const __m256i tint = _mm256_set1_epi32(int(colour & 0xFFFFFF));
    const __m256i last = _mm256_set1_epi32(end);
    const __m256i column = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(first));
    blendEightWide(row + first, tint, _mm256_cmpgt_epi32(last, column));
    blendEightWide(row + first + 8, tint, _mm256_cmpgt_epi32(last, _mm256_add_epi32(column, _mm256_set1_epi32(8))));
}

__attribute__((target("avx2"))) inline void blendRowSpanWide(Pixel* row, int x1, int x2, Pixel colour)
{
    int first = 0;
    int end = 0;
    if (!spanColumns(x1, x2, first, end)) return;
    if (end - first <= 16 && first + 16 <= screenWidth) {
        blendShortSpanWide(row, first, end, colour);
        return;
    }
    const int stop = end < screenWidth - 7 ? end : screenWidth - 7;  // eight whole pixels on the row
    for (int x = blendEightsWide(row, first, end, stop, colour); x < end; ++x) row[x] = averagePixels(row[x], colour);
}

// Spans whose columns all lie in 1..wideInsideLimit need no clip test, and sixteen pixels
// from any of them stay on the row.
constexpr int wideInsideLimit = screenWidth - 17;

// blendRowSpanWide for 1 <= x1 <= x2 <= wideInsideLimit.
__attribute__((target("avx2"))) inline void blendInsideRowSpanWide(Pixel* row, int x1, int x2, Pixel colour)
{
    const int end = x2 + (x1 == x2);
    if (end - x1 <= 16) blendShortSpanWide(row, x1, end, colour);
    else blendRowSpanWide(row, x1, x2, colour);
}
#endif

// Pixels x1 <= x < x2 of row y (the single pixel x1 when x1 == x2), clip-tested, marked.
inline void fillSpan(Frame frame, int x1, int x2, int y, Pixel colour)
{
    if (!drawableRow(y)) return;
    fillRowSpan(frame.pixels + RowOffsets[y], x1, x2, colour);
    markDrawn(frame, x1, y, std::int64_t(x2) + (x1 == x2), std::int64_t(y) + 1);
}

// Same pixel set as fillSpan; each pixel becomes the per-channel average with the colour.
inline void blendSpan(Frame frame, int x1, int x2, int y, Pixel colour)
{
    if (!drawableRow(y)) return;
    blendRowSpan(frame.pixels + RowOffsets[y], x1, x2, colour);
    markDrawn(frame, x1, y, std::int64_t(x2) + (x1 == x2), std::int64_t(y) + 1);
}
