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

// Asked at every pass whether its frame is wanted (drawn and presented); without a hook, every
// frame is.
void headlessOnFrameWanted(std::function<bool()> hook);
// Makes the window fail to open, as a machine without a display does.
void headlessRefuseWindow(bool refuse);


struct SimulatedClock {
    std::int32_t start = 0;
    std::int32_t loop = 0;  // 0: never wraps
};

void simConfigure(const SimulatedClock& clock);
// Pass k reads start + floor(k * 1000 / 60), wrapped to the loop length when one is set.
std::int64_t simElapsedOfPass(std::int64_t pass);  // unwrapped
std::int32_t simTimeOfPass(std::int64_t pass);
std::int64_t simPassesRead();   // how many times the position was read so far
bool simPlaying();
// Makes the next start of playback fail, as a sound card that refuses the stream would.
void simFailPlayback(bool fail);
// Lets the music play on for `passes` readings nobody takes, as it does while a browser tab
// is out of sight.
void simSkipPasses(std::int64_t passes);
// The next reading comes `ms` late (or early, when negative), as a browser's animation frame
// may.
void simShiftNextRead(std::int32_t ms);
// The length the soundtrack reports when opened; -1 (the start) when it cannot be told.
void simSoundtrackLength(std::int32_t ms);
// The next `readings` readings find the music where the last one did, as a stalled sound
// output leaves it; then it plays on from there.
void simStall(std::int64_t readings);
int simCloseCount();            // how many times the audio was closed
