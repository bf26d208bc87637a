// The depth sort: Hoare's quicksort of the face keys, largest key (nearest face) first, each
// range split around its first key. Equal keys are swapped too, and where they end shows in the
// picture, so the order is exactly the one these two scans leave.
#include "render/mesh.h"
#include "render/mesh_steps.h"

#include <algorithm>
#include <utility>

namespace {

// A face that will be drawn carries this bit in its place in the order while the faces are
// sorted for drawing; face numbers are far below it.
constexpr std::uint32_t drawnFaceBit = 0x80000000u;

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

// How many of order[lo..hi] carry the drawn bit.
int drawnFacesIn(const std::int32_t* order, int lo, int hi)
{
    int count = 0;
    for (int k = lo; k <= hi; ++k) count += int(std::uint32_t(order[k]) >> 31);
    return count;
}

using RangeSort = void (*)(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn);

// How the sort splits a range and counts the drawn faces in one.
struct PlainSteps {
    static int split(std::int32_t* keys, std::int32_t* order, int lo, int hi)
    {
        return partitionByScans(keys, order, lo, hi);
    }
    static int drawnIn(const std::int32_t* order, int lo, int hi) { return drawnFacesIn(order, lo, hi); }
};

// keys[lo..hi] sorted with their places in the order, each range split by Steps and its lower
// part sorted by Recurse. With OnlyDrawn, a range holding at most one face with the drawn bit
// (`drawn` says how many the range holds) is left as it is: the ranges' places are settled by
// then, so the drawn faces still end in the same order among themselves.
template <bool OnlyDrawn, typename Steps, RangeSort Recurse>
inline void sortRange(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    while (lo < hi) {
        if (OnlyDrawn && drawn <= 1) return;
        const int p = Steps::split(keys, order, lo, hi);
        int lowDrawn = 0;
        if constexpr (OnlyDrawn) {
            // Counted on the shorter side; the other side holds the rest.
            lowDrawn = p - lo <= hi - p ? Steps::drawnIn(order, lo, p) : drawn - Steps::drawnIn(order, p + 1, hi);
        }
        Recurse(keys, order, lo, p, lowDrawn);
        drawn -= lowDrawn;
        lo = p + 1;
    }
}

template <bool OnlyDrawn>
void sortRangeByScans(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRange<OnlyDrawn, PlainSteps, sortRangeByScans<OnlyDrawn>>(keys, order, lo, hi, drawn);
}

#ifdef INVITE_WIDE_KERNELS
constexpr int stopBlock = 64;

// Bit b of atMost is set when keys[first + b] is at most the pivot, of atLeast when it is at
// least the pivot; count is 1 to 64. Eight keys a step: the keys are a mesh's, so a step may
// read up to seven keys past the range while they lie within the mesh's table.
__attribute__((target("avx2"))) inline void stopMasks(const std::int32_t* keys, int first, int count,
                                                      std::int32_t pivot, std::uint64_t& atMost,
                                                      std::uint64_t& atLeast)
{
    std::uint64_t above = 0;
    std::uint64_t below = 0;
    const __m256i p = _mm256_set1_epi32(pivot);
    const int covered = first + count + 7 <= meshCapacity ? count : count - 7;
    int b = 0;
    for (; b < covered; b += 8) {
        const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys + first + b));
        above |= std::uint64_t(std::uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(k, p))))) << b;
        below |= std::uint64_t(std::uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(p, k))))) << b;
    }
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
__attribute__((target("avx2"))) inline int partitionByMasks(std::int32_t* keys, std::int32_t* order, int lo, int hi)
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
        stopMasks(keys, lo, hi - lo + 1, pivot, left, right);
        leftNext = hi + 1;
        rightNext = lo - 1;
    }
    int lastSwapped = lo - 1;
    for (;;) {
        while (left == 0 && leftNext <= hi) {
            const int count = std::min(stopBlock, hi + 1 - leftNext);
            leftBase = leftNext;
            stopMasks(keys, leftBase, count, pivot, left, unused);
            leftNext += count;
        }
        while (right == 0 && rightNext >= lo) {
            const int count = std::min(stopBlock, rightNext - lo + 1);
            rightBase = rightNext - count + 1;
            stopMasks(keys, rightBase, count, pivot, unused, right);
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

// drawnFacesIn eight places a step: each place's drawn bit shifted down to 0 or 1 and summed
// in eight lanes.
__attribute__((target("avx2"))) inline int drawnFacesInEights(const std::int32_t* order, int lo, int hi)
{
    __m256i lanes = _mm256_setzero_si256();
    int k = lo;
    for (; k + 8 <= hi + 1; k += 8) {
        const __m256i places = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(order + k));
        lanes = _mm256_add_epi32(lanes, _mm256_srli_epi32(places, 31));
    }
    alignas(32) std::int32_t sums[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums), lanes);
    int count = 0;
    for (const std::int32_t sum : sums) count += sum;
    return count + drawnFacesIn(order, k, hi);
}

struct WideSteps {
    __attribute__((target("avx2"))) static int split(std::int32_t* keys, std::int32_t* order, int lo, int hi)
    {
        return partitionByMasks(keys, order, lo, hi);
    }
    __attribute__((target("avx2"))) static int drawnIn(const std::int32_t* order, int lo, int hi)
    {
        return drawnFacesInEights(order, lo, hi);
    }
};
#endif

}  // namespace

void drawnSortPlain(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    sortRangeByScans<true>(keys, order, lo, hi, drawn);
}

#ifdef INVITE_WIDE_KERNELS
// Everything but its own recursion compiled into it, for the wider vectors.
__attribute__((target("avx2"), flatten)) void drawnSortWide(std::int32_t* keys, std::int32_t* order, int lo, int hi,
                                                           int drawn)
{
    sortRange<true, WideSteps, drawnSortWide>(keys, order, lo, hi, drawn);
}
#endif

void sortFaces(Mesh& mesh, int lo, int hi)
{
    sortRangeByScans<false>(mesh.depthKeys, mesh.drawOrder, lo, hi, 0);
}

// The drawn faces are marked in the order for the sort and unmarked after it.
void sortDrawnFaces(Mesh& mesh, const FacePass& pass)
{
    const int count = mesh.faceCount;
    std::int32_t* order = mesh.drawOrder;
    for (int f = 0; f < count; ++f) order[f] = std::int32_t(std::uint32_t(order[f]) | (pass.drawn[f] ? drawnFaceBit : 0));
    kernels.drawnSort(mesh.depthKeys, order, 0, count - 1, pass.drawnCount);
    for (int k = 0; k < count; ++k) order[k] = std::int32_t(std::uint32_t(order[k]) & ~drawnFaceBit);
}
