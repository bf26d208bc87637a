#include "scenes/timing.h"

#include "resources/show_timing.h"

ShowTiming bakedShowTiming()
{
    ShowTiming timing{};
    for (int k = 0; k < plateWindowCount; ++k) timing.plates[k] = {bakedPlateStart[k], bakedPlateEnd[k]};
    timing.globeStart = bakedGlobeStart;
    timing.flash = bakedFlash;
    timing.fade = bakedFade;
    timing.fadeEnd = bakedFadeEnd;
    timing.wireEnd = bakedWireEnd;
    timing.menu = bakedMenu;
    return timing;
}

ShowTiming showTiming = bakedShowTiming();
