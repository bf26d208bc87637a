#pragma once
// When the console presents: 60 frames a second, by the display's vsync where that is known
// to run at 60 Hz and by sleeping to a deadline otherwise. Times are nanoseconds of a
// monotonic clock; nothing here reads a clock or sleeps, so the rules can be tested alone.
#include <cstdint>

constexpr std::int64_t framesPerSecond = 60;

// Whether presenting can be left to vsync alone: the renderer waits for it and the display
// refreshes 60 times a second (drivers give 59 or 60 for 59.94 Hz). 0 means unknown.
bool vsyncPacesAlone(bool vsyncGranted, int refreshRate);

// The deadlines of a limiter: frame k of a run of frames is due at origin + k / 60 s, so the
// schedule never drifts, however the sleeps round.
struct FrameSchedule {
    bool started = false;
    std::int64_t origin = 0;
    std::int64_t frame = 0;
};

// When the schedule's next frame is due; only meaningful once the schedule has started.
std::int64_t frameDeadline(const FrameSchedule& schedule);

// The time to sleep until before the next frame is shown (now or earlier: no sleep), and the
// schedule moved on by one frame. A frame more than one frame late starts a new run from now
// rather than hurrying through the missed deadlines.
std::int64_t nextFrameDeadline(FrameSchedule& schedule, std::int64_t now);

// A check that vsync really waits: a display may claim 60 Hz and yet return from every
// present at once. Fed the time after each present; false once a whole second's frames have
// come in less than three quarters of a second.
struct VsyncCheck {
    std::int64_t frames = 0;
    std::int64_t since = 0;
};

bool vsyncStillPaces(VsyncCheck& check, std::int64_t now);
