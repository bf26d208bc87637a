// The depth sort: Hoare's quicksort of the face keys, nearest first, with the order of equal
// keys exactly as the two scans leave it.
#include "render/mesh.h"
#include "render/mesh_steps.h"

#include <algorithm>
#include <utility>
#include <vector>

#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
#include <emmintrin.h>
#endif

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

#ifdef INVITE_WIDE_KERNELS
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
#ifdef INVITE_WIDE_KERNELS
    if constexpr (Wide) {
        const bool pastEnd = first + count + 7 <= meshCapacity;
        b = eightsAboveBelow(keys, first, count, pastEnd, pivot, above, below);
    }
#endif
#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
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
#if defined(__SSE2__) && !defined(INVITE_PLAIN_CODE)
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

#ifdef INVITE_WIDE_KERNELS
// Everything but its own recursion compiled into it, for the wider vectors.
template <bool OnlyDrawn>
__attribute__((target("avx2"), flatten)) void sortRangeWide(std::int32_t* keys, std::int32_t* order, int lo, int hi,
                                                           int drawn)
{
    sortRange<true, OnlyDrawn, sortRangeWide<OnlyDrawn>>(keys, order, lo, hi, drawn);
}
#endif

}  // namespace

void sortAllPlain(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRangePlain<false>(keys, order, lo, hi, drawn);
}

void sortDrawnPlain(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRangePlain<true>(keys, order, lo, hi, drawn);
}

#ifdef INVITE_WIDE_KERNELS
void sortAllWide(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRangeWide<false>(keys, order, lo, hi, drawn);
}

void sortDrawnWide(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRangeWide<true>(keys, order, lo, hi, drawn);
}
#endif

void sortFaces(Mesh& mesh, int lo, int hi)
{
    kernels.sortAll(mesh.depthKeys, mesh.drawOrder, lo, hi, 0);
}

int partitionFaces(Mesh& mesh, int lo, int hi)
{
    return partitionByMasks<false>(mesh.depthKeys, mesh.drawOrder, lo, hi);
}

// The drawn faces are marked in the order for the sort and unmarked after it.
void sortDrawnFaces(Mesh& mesh, const FacePass& pass)
{
    const int count = mesh.faceCount;
    std::int32_t* order = mesh.drawOrder;
    for (int f = 0; f < count; ++f) order[f] = std::int32_t(std::uint32_t(order[f]) | (pass.drawn[f] ? drawnFaceBit : 0));
    kernels.sortDrawn(mesh.depthKeys, order, 0, count - 1, pass.drawnCount);
    for (int k = 0; k < count; ++k) order[k] = std::int32_t(std::uint32_t(order[k]) & ~drawnFaceBit);
}
