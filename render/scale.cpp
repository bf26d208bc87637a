#include "render/scale.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
// Four pixels of a blended between a and b by four 16-bit lanes of weight per pixel, two
// pixels a half: every product stays under 65536 (255 x 256 + 128), so 16-bit lanes hold it.
__m128i blendLanes(__m128i a, __m128i b, __m128i weightLow, __m128i weightHigh)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(256);
    const __m128i half = _mm_set1_epi16(128);
    __m128i low = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), _mm_sub_epi16(full, weightLow)),
                                _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), weightLow));
    __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), _mm_sub_epi16(full, weightHigh)),
                                 _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), weightHigh));
    low = _mm_srli_epi16(_mm_add_epi16(low, half), 8);
    high = _mm_srli_epi16(_mm_add_epi16(high, half), 8);
    return _mm_packus_epi16(low, high);
}
#endif

// The rows of the frame scaled across, kept by the parity of the frame row: a picture row
// blends two neighbouring frame rows, which therefore never share a slot.
const Pixel* rowAcross(SharpScale& scale, const Pixel* frame, int frameRow)
{
    const int slot = frameRow & 1;
    if (scale.rowHeld[slot] != frameRow) {
        scaleRowAcross(frame + frameRow * screenWidth, scale.across, scale.rows[slot].data());
        scale.rowHeld[slot] = frameRow;
    }
    return scale.rows[slot].data();
}

void scaleWhole(const SharpScale& scale, const Pixel* frame, Pixel* target, int targetPitch)
{
    for (int y = 0; y < screenHeight; ++y) {
        Pixel* first = target + std::int64_t(y) * scale.factor * targetPitch;
        replicateRow(frame + y * screenWidth, screenWidth, scale.factor, first);
        for (int k = 1; k < scale.factor; ++k) {
            std::memcpy(first + std::int64_t(k) * targetPitch, first, std::size_t(scale.width) * sizeof(Pixel));
        }
    }
}

}  // namespace

Pixel blendPixel(Pixel a, Pixel b, int weight)
{
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t ca = (a >> shift) & 0xff;
        const std::uint32_t cb = (b >> shift) & 0xff;
        out |= ((ca * std::uint32_t(256 - weight) + cb * std::uint32_t(weight) + 128) >> 8) << shift;
    }
    return out;
}

ScaleTaps scaleTaps(int sourceSize, int factor, int targetSize)
{
    ScaleTaps taps;
    taps.first.resize(std::size_t(std::max(targetSize, 0)));
    taps.weight.resize(taps.first.size());
    const std::int64_t enlarged = std::int64_t(sourceSize) * factor;
    for (int x = 0; x < targetSize; ++x) {
        // The centre of picture pixel x on the enlarged frame, in 1/256 of a pixel, less half
        // a pixel: the enlarged pixel it starts from and how far it is towards the next.
        const std::int64_t at = (2 * x + 1) * enlarged * 256 / (2 * std::int64_t(targetSize)) - 128;
        std::int64_t from = at < 0 ? 0 : at >> 8;
        std::int64_t toward = at < 0 ? 0 : at & 255;
        if (from >= enlarged - 1) {
            from = enlarged - 1;
            toward = 0;
        }
        int first = int(from / factor);
        int weight = int(from / factor) == int((from + 1) / factor) ? 0 : int(toward);
        // The last frame pixel as the full weight of the one before it, so the next pixel a
        // kernel reads is always inside the row.
        if (first == sourceSize - 1 && sourceSize > 1) {
            first = sourceSize - 2;
            weight = 256;
        }
        taps.first[std::size_t(x)] = first;
        taps.weight[std::size_t(x)] = std::uint16_t(weight);
    }
    return taps;
}

SharpScale sharpScale(int width, int height, int factor)
{
    SharpScale scale;
    scale.width = width;
    scale.height = height;
    scale.factor = std::max(factor, 1);
    scale.whole = width == screenWidth * scale.factor && height == screenHeight * scale.factor;
    scale.across = scaleTaps(screenWidth, scale.factor, width);
    scale.down = scaleTaps(screenHeight, scale.factor, height);
    for (auto& row : scale.rows) row.assign(std::size_t(std::max(width, 0)), 0);
    return scale;
}

void scaleFrame(SharpScale& scale, const Pixel* frame, Pixel* target, int targetPitch)
{
    if (scale.whole) {
        scaleWhole(scale, frame, target, targetPitch);
        return;
    }
    scale.rowHeld[0] = scale.rowHeld[1] = -1;
    const std::size_t rowBytes = std::size_t(scale.width) * sizeof(Pixel);
    for (int y = 0; y < scale.height; ++y) {
        Pixel* out = target + std::int64_t(y) * targetPitch;
        const int first = scale.down.first[std::size_t(y)];
        const int weight = scale.down.weight[std::size_t(y)];
        if (weight == 0) {
            std::memcpy(out, rowAcross(scale, frame, first), rowBytes);
        } else if (weight == 256) {
            std::memcpy(out, rowAcross(scale, frame, first + 1), rowBytes);
        } else {
            const Pixel* a = rowAcross(scale, frame, first);
            const Pixel* b = rowAcross(scale, frame, first + 1);
            blendRows(a, b, weight, out, scale.width);
        }
    }
}

void blendRows(const Pixel* a, const Pixel* b, int weight, Pixel* out, int count)
{
    int x = 0;
#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
    const __m128i lanes = _mm_set1_epi16(std::int16_t(weight));
    for (; x + 4 <= count; x += 4) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), blendLanes(pa, pb, lanes, lanes));
    }
#endif
    for (; x < count; ++x) out[x] = blendPixel(a[x], b[x], weight);
}

void scaleRowAcross(const Pixel* row, const ScaleTaps& taps, Pixel* out)
{
    const int count = int(taps.first.size());
    const std::int32_t* first = taps.first.data();
    const std::uint16_t* weight = taps.weight.data();
    int x = 0;
#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
    for (; x + 4 <= count; x += 4) {
        const __m128i pa = _mm_setr_epi32(int(row[first[x]]), int(row[first[x + 1]]), int(row[first[x + 2]]),
                                          int(row[first[x + 3]]));
        const __m128i pb = _mm_setr_epi32(int(row[first[x] + 1]), int(row[first[x + 1] + 1]),
                                          int(row[first[x + 2] + 1]), int(row[first[x + 3] + 1]));
        // Four weights spread to four lanes each: w0 w0 w0 w0 w1 w1 w1 w1 | w2 ... w3.
        const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(weight + x));
        const __m128i pairs = _mm_unpacklo_epi16(four, four);
        const __m128i low = _mm_unpacklo_epi32(pairs, pairs);
        const __m128i high = _mm_unpackhi_epi32(pairs, pairs);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), blendLanes(pa, pb, low, high));
    }
#endif
    for (; x < count; ++x) {
        const std::int32_t from = first[x];
        out[x] = weight[x] == 0 ? row[from] : blendPixel(row[from], row[from + 1], weight[x]);
    }
}

void replicateRow(const Pixel* row, int count, int factor, Pixel* out)
{
    if (factor == 1) {
        std::memcpy(out, row, std::size_t(count) * sizeof(Pixel));
        return;
    }
    int x = 0;
#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
    if (factor == 2) {
        for (; x + 4 <= count; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi32(p, p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 4), _mm_unpackhi_epi32(p, p));
        }
    } else if (factor >= 4) {
        // Each pixel's block in vectors of four; a block that is not a multiple of four ends
        // with one more vector that overlaps the block's own pixels already written.
        for (; x < count; ++x) {
            const __m128i p = _mm_set1_epi32(int(row[x]));
            Pixel* at = out + std::int64_t(x) * factor;
            int k = 0;
            for (; k + 4 <= factor; k += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(at + k), p);
            if (k < factor) _mm_storeu_si128(reinterpret_cast<__m128i*>(at + factor - 4), p);
        }
    }
#endif
    for (; x < count; ++x) std::fill_n(out + std::int64_t(x) * factor, factor, row[x]);
}

void canvasPixels(const Pixel* frame, std::uint32_t* out, int count)
{
    // Read as little-endian words, canvas bytes are 0xAABBGGRR: green stays, red and blue
    // change places.
    for (int k = 0; k < count; ++k) {
        const Pixel p = frame[k];
        out[k] = 0xff000000u | (p & 0x00ff00u) | ((p >> 16) & 0xffu) | ((p & 0xffu) << 16);
    }
}
