#include "render/kernels.h"

namespace {

constexpr DrawingKernels plainKernels = {blendedTrianglePlain, faceKeysPlain, addNonZeroPlain,
                                         turnPointsPlain, drawnSortPlain, insideLineAddPlain, towardWhitePlain};

DrawingKernels bestKernels(bool wideWanted)
{
#ifdef INVITE_WIDE_KERNELS
    if (wideWanted && __builtin_cpu_supports("avx2")) {
        return {blendedTriangleWide, faceKeysWide, addNonZeroWide, turnPointsWide, drawnSortWide, insideLineAddWide,
                towardWhiteWide};
    }
#endif
    (void)wideWanted;
    return plainKernels;
}

}  // namespace

DrawingKernels kernels = bestKernels(true);

bool useWideKernels(bool wanted)
{
    kernels = bestKernels(wanted);
    return kernels.faceKeys != plainKernels.faceKeys;
}
