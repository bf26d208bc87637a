#pragma once
// The soundtrack stream, whose position is the show's only clock. music_sdl.cpp plays the
// real file through SDL2_mixer; music_sim.cpp is the simulated clock of the offline renderer.
#include <cstdint>

bool musicInit();                    // the audio device; false on failure
bool musicOpen(const char* path);    // the looping stream; false when it cannot be opened
bool musicPlay();                    // starts playback from the file start
std::int32_t musicPosition();        // milliseconds from the file start, read once per frame
void musicClose();                   // safe to call more than once
const char* musicFailure();          // what the audio library said about the last failure

// Turns the mixer's coarse position reports (one per mixed chunk) into a clock that moves
// every frame. It runs with a monotonic clock, kept inside the window the reports allow: never
// more than one chunk past the last report (the next report would have come), never
// backwards. When it falls behind a report it catches up a little per reading, so no frame
// jumps; far behind, or when the stream starts over, it takes the report at once.
struct MusicClock {
    bool started = false;
    double lastReportMs = 0.0;  // the mixer's position, as last seen
    double offsetMs = 0.0;      // clock = monotonic time + offset
    std::int32_t lastTime = 0;  // the last value handed out
};

std::int32_t advanceMusicClock(MusicClock& clock, double reportedSeconds, double nowMs);
