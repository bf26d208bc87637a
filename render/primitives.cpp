#include "render/primitives.h"

#include "render/kernels.h"

#include <algorithm>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>


std::int32_t RowOffsets[screenHeight];


void buildRowOffsets()
{
    std::int32_t offset = 0;
    for (int y = 0; y < screenHeight; ++y) {
        RowOffsets[y] = offset;
        offset += screenWidth;
    }
}

namespace {

// The minor coordinate moves on the step where the accumulated error first reaches the
// major length.
inline bool minorStepDue(int err, int major)
{
    return err >= major;
}

// Walks the line with integer steps and an error that starts at 0, calling plot at every
// position from (x1, y1) to (x2, y2), x increasing.
template <typename Plot>
inline void walkLine(int x1, int y1, int x2, int y2, Plot plot)
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
        for (int y = top; y <= bottom; ++y) plot(x1, y);
        return;
    }
    if (dy == 0) {
        for (int x = x1; x <= x2; ++x) plot(x, y1);
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
            plot(x, y);
            err += ay;
            if (minorStepDue(err, ax)) {
                err -= ax;
                y += ystep;
            }
            ++x;
        }
    } else if (ay > ax) {
        for (int i = 0; i <= ay; ++i) {
            plot(x, y);
            err += ax;
            if (minorStepDue(err, ay)) {
                err -= ay;
                ++x;
            }
            y += ystep;
        }
    } else {
        for (int i = 0; i <= ax; ++i) {
            plot(x, y);
            ++x;
            y += ystep;
        }
    }
}

// 2^32 / n rounded up for every length a line inside the clip rectangle can have.
struct LineReciprocals {
    std::uint64_t of[screenWidth];
    constexpr LineReciprocals() : of{}
    {
        for (int n = 1; n < screenWidth; ++n) of[n] = ((std::uint64_t(1) << 32) + std::uint64_t(n) - 1) / std::uint64_t(n);
    }
};

constexpr LineReciprocals lineReciprocals;

// Which way a line goes and which axis leads follow no pattern from one wire edge to the
// next, so they are chosen by masks rather than by branches.
inline int choose(int mask, int whenSet, int otherwise)
{
    return (whenSet & mask) | (otherwise & ~mask);
}

// The same walk for a line known to lie inside the clip rectangle, through a pixel pointer:
// every kind of line is a major axis stepped each time and a minor axis stepped when the
// error is due (a diagonal's every time, a horizontal line's never). With the error starting
// at 0, the minor axis has moved floor(i * minor / major) times after i steps, so each pixel
// is found from its step alone and no pixel waits for the error of the one before. The
// quotient comes from a 32-bit fixed-point reciprocal rounded up, exact while i * minor times
// the reciprocal's excess stays below 2^32 (here below 640 * 640 * 640).
template <typename Add>
inline void walkInsideLine(Pixel* frame, int x1, int y1, int x2, int y2, Add add)
{
    const int flip = -int(x1 > x2);
    const int left = choose(flip, x2, x1);
    const int right = choose(flip, x1, x2);
    const int top = choose(flip, y2, y1);  // the left end's row
    const int bottom = choose(flip, y1, y2);
    const int ax = right - left;
    const int ay = std::abs(bottom - top);
    const int rowStep = choose(-int(bottom >= top), screenWidth, -screenWidth);
    const int xMajor = -int(ax >= ay);
    const int major = choose(xMajor, ax, ay);  // at least 1: the line is not vertical
    const std::uint64_t minor = std::uint64_t(choose(xMajor, ay, ax));
    const int majorStep = choose(xMajor, 1, rowStep);
    const std::ptrdiff_t minorStep = choose(xMajor, rowStep, 1);
    const std::uint64_t reciprocal = lineReciprocals.of[major];
    Pixel* at = frame + RowOffsets[top] + left;
    std::uint64_t moved = 0;  // i * minor
    for (int i = 0; i <= major; ++i) {
        Pixel* target = at + std::ptrdiff_t((moved * reciprocal) >> 32) * minorStep;
        *target = add(*target);
        at += majorStep;
        moved += minor;
    }
}

}  // namespace

void insideLineAddPlain(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour)
{
    walkInsideLine(frame, x1, y1, x2, y2, [=](Pixel pixel) { return addSaturated(pixel, colour); });
}

#ifdef INVITE_WIDE_KERNELS
// Each pixel's channels added in one byte-saturating vector step; the top byte is then cleared.
// Everything it calls is compiled into it.
__attribute__((target("avx2"), flatten)) void insideLineAddWide(Pixel* frame, int x1, int y1, int x2, int y2,
                                                                Pixel colour)
{
    const __m128i tint = _mm_cvtsi32_si128(int(colour & 0xFFFFFF));
    walkInsideLine(frame, x1, y1, x2, y2, [=](Pixel pixel) {
        return Pixel(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(int(pixel)), tint))) & 0xFFFFFF;
    });
}
#endif

namespace {

// addNonZeroPixels from column x on, extending `written`.
RowExtent addNonZeroFrom(Pixel* __restrict target, const Pixel* __restrict source, int count, int x, RowExtent written)
{
    constexpr int groupPixels = 8;
    for (; x + groupPixels <= count; x += groupPixels) {
        std::uint64_t words[4];
        std::memcpy(words, source + x, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) == 0) continue;
        written.first = std::min(written.first, x);
        written.end = x + groupPixels;
        for (int k = x; k < x + groupPixels; ++k) {
            if (source[k] != 0) target[k] = addSaturated(target[k], source[k]);
        }
    }
    for (; x < count; ++x) {
        if (source[x] == 0) continue;
        target[x] = addSaturated(target[x], source[x]);
        written.first = std::min(written.first, x);
        written.end = x + 1;
    }
    return written;
}

}  // namespace

RowExtent addNonZeroPlain(Pixel* target, const Pixel* source, int count)
{
    return addNonZeroFrom(target, source, count, 0, RowExtent{count, 0});
}

#ifdef INVITE_WIDE_KERNELS
// The groups of eight as single 256-bit steps, then the rest as the plain form does.
__attribute__((target("avx2"))) RowExtent addNonZeroWide(Pixel* target, const Pixel* source, int count)
{
    RowExtent written{count, 0};
    const __m256i channels = _mm256_set1_epi32(0xFFFFFF);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x));
        if (_mm256_testz_si256(v, v)) continue;
        written.first = std::min(written.first, x);
        written.end = x + 8;
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(target + x));
        const __m256i added = _mm256_and_si256(_mm256_adds_epu8(d, v), channels);
        const __m256i keep = _mm256_cmpeq_epi32(v, _mm256_setzero_si256());
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + x), _mm256_blendv_epi8(added, d, keep));
    }
    return addNonZeroFrom(target, source, count, x, written);
}
#endif

RowExtent addNonZeroPixels(Pixel* target, const Pixel* source, int count)
{
    return kernels.addNonZero(target, source, count);
}

// Each channel's value at this level looked up rather than worked out per pixel.
void towardWhitePlain(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths)
{
    std::uint8_t toward[256];
    for (int channel = 0; channel < 256; ++channel) toward[channel] = std::uint8_t((255 * eighths + (8 - eighths) * channel) / 8);
    for (int i = 0; i < count; ++i) {
        const Pixel pixel = source[i];
        target[i] = (Pixel(toward[(pixel >> 16) & 0xFF]) << 16) | (Pixel(toward[(pixel >> 8) & 0xFF]) << 8) |
                    toward[pixel & 0xFF];
    }
    if (copy != nullptr && count > 0) std::memcpy(copy, target, std::size_t(count) * sizeof(Pixel));
}

#ifdef INVITE_WIDE_KERNELS
// Sixteen channels at a time widened to 16 bits, where the sum cannot overflow; the rest as the
// plain form does.
__attribute__((target("avx2"))) void towardWhiteWide(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi16(std::int16_t(8 - eighths));
    const __m256i white = _mm256_set1_epi16(std::int16_t(255 * eighths));
    const __m256i channels = _mm256_set1_epi32(0xFFFFFF);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x));
        const __m256i low = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), keep), white), 3);
        const __m256i high = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), keep), white), 3);
        const __m256i moved = _mm256_and_si256(_mm256_packus_epi16(low, high), channels);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + x), moved);
        if (copy != nullptr) _mm256_storeu_si256(reinterpret_cast<__m256i*>(copy + x), moved);
    }
    towardWhitePlain(target + x, copy == nullptr ? nullptr : copy + x, source + x, count - x, eighths);
}
#endif

void pixelsTowardWhite(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths)
{
    kernels.towardWhite(target, copy, source, count, eighths);
}

// A line whose two end points pass the clip test lies wholly inside it (every position is
// between the end points on both axes), so it is walked without a test per pixel; vertical
// lines, rare in a wireframe, keep the plain walk.
void drawLineAddUnmarked(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour)
{
    if (x1 != x2 && inClip(x1, y1) && inClip(x2, y2)) {
        kernels.insideLineAdd(frame, x1, y1, x2, y2, colour);
    } else {
        walkLine(x1, y1, x2, y2, [=](int x, int y) {
            if (!inClip(x, y)) return;
            Pixel& target = frame[RowOffsets[y] + x];
            target = addSaturated(target, colour);
        });
    }
}

void drawLineAdd(Frame frame, int x1, int y1, int x2, int y2, Pixel colour)
{
    markDrawn(frame, std::min(x1, x2), std::min(y1, y2), std::int64_t(std::max(x1, x2)) + 1,
              std::int64_t(std::max(y1, y2)) + 1);
    drawLineAddUnmarked(frame.pixels, x1, y1, x2, y2, colour);
}
