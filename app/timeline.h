#pragma once
// The show's timeline: which scenes draw a frame, chosen by the music position and the menu.
#include <cstdint>

#include "app/loading.h"
#include "render/primitives.h"

constexpr std::int32_t introEnd = 41700;       // last starfield frame
constexpr std::int32_t crossfadeEnd = 44000;   // last crossfade frame

enum class FrameResult { presented, quit };

// Draws one frame at music time `time` into `frame`; quit when the exit button was pressed
// (the frame is then not to be shown).
FrameResult runTimeline(Pixel* frame, std::int32_t time, const LoadedAssets& assets);
