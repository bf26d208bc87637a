#pragma once
// The soundtrack stream, whose position is the show's only clock. music_sdl.cpp plays the
// real file through SDL2_mixer; music_web.cpp through a web page's own player; music_sim.cpp
// is the simulated clock of the offline renderer.
#include <cstdint>

bool musicInit();                    // the audio device; false on failure
bool musicOpen(const char* path);    // the looping stream; false when it cannot be opened
bool musicPlay();                    // starts playback from the file start
std::int32_t musicPosition();        // milliseconds from the file start, read once per frame
void musicClose();                   // safe to call more than once
std::int32_t musicLengthMs();        // the open stream's length; -1 when it cannot be told
const char* musicFailure();          // what the audio library said about the last failure

// Turns the mixer's coarse position reports (one per mixed chunk) into a clock that moves
// every frame and follows what is heard rather than what is decoded. Inside it runs with a
// monotonic clock, kept inside the window the reports allow: never more than one chunk past
// the last report (the next report would have come). When it falls behind a report it
// catches up a little per reading, so no frame jumps; far behind, or when the stream starts
// over, it takes the report at once. What it hands out is that position less the audio still
// queued between the decoder and the speakers (latencyMs): never before 0, and never
// backwards except when the stream starts over.
struct MusicClock {
    bool started = false;
    double lastReportMs = 0.0;  // the mixer's position, as last seen
    double offsetMs = 0.0;      // decoder position = monotonic time + offset
    std::int32_t lastTime = 0;  // the last value handed out
    double reportIntervalMs = 1024.0 * 1000.0 / 44100.0;  // one mixer chunk: how far past a report it may run
};

std::int32_t advanceMusicClock(MusicClock& clock, double reportedSeconds, double nowMs, double latencyMs);

// The audio queued behind the decoder's position: the chunk the mixer has just filled and the
// device's buffer, in frames, played at the device's rate.
double queuedAudioMs(int mixerChunkFrames, int deviceBufferFrames, int frequency);

// The position a player reports as heard (milliseconds from the file start, negative before it
// plays), as the show reads it: whole milliseconds that never go back, except when the music
// starts over, which shows as a report far behind the last.
struct HeardClock {
    std::int32_t lastTime = -1;
};

std::int32_t followHeardMusic(HeardClock& clock, double heardMs);
