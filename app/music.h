#pragma once
// The soundtrack stream, whose position is the show's only clock. music_sdl.cpp plays the
// real file through SDL2_mixer; music_sim.cpp is the simulated clock of the offline renderer.
#include <cstdint>

bool musicInit();                    // the audio device; false on failure
bool musicOpen(const char* path);    // the looping stream; false when it cannot be opened
bool musicPlay();                    // starts playback from the file start
std::int32_t musicPosition();        // milliseconds from the file start, read once per frame
void musicClose();                   // safe to call more than once

// Turns the mixer's coarse position reports into a clock that moves every frame: between
// two reports it extrapolates with a monotonic clock, never runs more than one report
// interval ahead, never goes backwards, and follows a wrap to the start at once.
struct MusicClock {
    double lastReport = -1.0;    // seconds, as the mixer gave it
    double reportAtMs = 0.0;     // monotonic time of that report
    std::int32_t lastTime = 0;   // the last value handed out
};

std::int32_t advanceMusicClock(MusicClock& clock, double reportedSeconds, double nowMs);
