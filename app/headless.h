#pragma once
// Controls of the console and music clock that stand in for the screen and the sound card in
// the offline renderer and the tests.
#include <cstdint>
#include <functional>

#include "render/primitives.h"

// Called after every presented frame (loading screen steps included).
void headlessOnPresent(std::function<void(const Pixel* frame)> hook);
// Called at the start of every message pump, before queued messages are handled.
void headlessOnPump(std::function<void()> hook);

struct SimulatedClock {
    int fps = 60;
    std::int32_t start = 0;
    std::int32_t loop = 0;  // 0: never wraps
};

void simConfigure(const SimulatedClock& clock);
// Frame k reads start + floor(k * 1000 / fps), wrapped to the loop length when one is set.
std::int64_t simElapsedOfFrame(std::int64_t frame);  // unwrapped
std::int32_t simTimeOfFrame(std::int64_t frame);
std::int64_t simFramesRead();   // how many times the position was read so far
bool simPlaying();
// Makes the next start of playback fail, as a sound card that refuses the stream would.
void simFailPlayback(bool fail);
int simCloseCount();            // how many times the audio was closed
