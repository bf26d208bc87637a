// The depth sort: Hoare's quicksort of the face keys, largest key (nearest face) first, each
// range split around its first key. Equal keys are swapped too, and where they end shows in the
// picture, so the order is exactly the one these two scans leave.
#include "render/mesh.h"
#include "render/mesh_steps.h"

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

// keys[lo..hi] sorted with their places in the order. With OnlyDrawn, a range holding at most
// one face with the drawn bit (`drawn` says how many the range holds) is left as it is: the
// ranges' places are settled by then, so the drawn faces still end in the same order among
// themselves.
template <bool OnlyDrawn>
void sortRange(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn)
{
    while (lo < hi) {
        if (OnlyDrawn && drawn <= 1) return;
        const int p = partitionByScans(keys, order, lo, hi);
        int lowDrawn = 0;
        if constexpr (OnlyDrawn) {
            // Counted on the shorter side; the other side holds the rest.
            lowDrawn = p - lo <= hi - p ? drawnFacesIn(order, lo, p) : drawn - drawnFacesIn(order, p + 1, hi);
        }
        sortRange<OnlyDrawn>(keys, order, lo, p, lowDrawn);
        drawn -= lowDrawn;
        lo = p + 1;
    }
}

}  // namespace

void sortFaces(Mesh& mesh, int lo, int hi)
{
    sortRange<false>(mesh.depthKeys, mesh.drawOrder, lo, hi, 0);
}

// The drawn faces are marked in the order for the sort and unmarked after it.
void sortDrawnFaces(Mesh& mesh, const FacePass& pass)
{
    const int count = mesh.faceCount;
    std::int32_t* order = mesh.drawOrder;
    for (int f = 0; f < count; ++f) order[f] = std::int32_t(std::uint32_t(order[f]) | (pass.drawn[f] ? drawnFaceBit : 0));
    sortRange<true>(mesh.depthKeys, order, 0, count - 1, pass.drawnCount);
    for (int k = 0; k < count; ++k) order[k] = std::int32_t(std::uint32_t(order[k]) & ~drawnFaceBit);
}
