#pragma once
// The moments of the show in milliseconds of music, read by every scene's step. They start
// as the values baked from the content file; tests may set others.
#include <cstdint>

constexpr int plateWindowCount = 7;
constexpr std::int32_t crossfadeLength = 2300;  // menu .. menu + 2299 are crossfade frames

struct PlateCue {
    std::int32_t start;  // exclusive, like end
    std::int32_t end;
};

struct ShowTiming {
    PlateCue plates[plateWindowCount];
    std::int32_t globeStart;  // the globe's first frame comes after this
    std::int32_t flash;       // the flash's first frame; the wireframe shows after it
    std::int32_t fade;        // the globe fades from here ...
    std::int32_t fadeEnd;     // ... to here (inclusive)
    std::int32_t wireEnd;     // the wireframe's last frame is before this
    std::int32_t menu;        // the first frame of the crossfade into the menu
};

// The timing compiled in from resources/show_timing.h.
ShowTiming bakedShowTiming();

extern ShowTiming showTiming;

// The last starfield frame and the last crossfade frame.
constexpr std::int32_t introEndOf(const ShowTiming& timing)
{
    return timing.menu - 1;
}
constexpr std::int32_t crossfadeEndOf(const ShowTiming& timing)
{
    return timing.menu - 1 + crossfadeLength;
}
