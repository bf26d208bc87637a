#pragma once
// When the console presents: 60 frames a second, by the display's vsync where that is known
// to run at 60 Hz and by sleeping to a deadline otherwise. Times are nanoseconds of a
// monotonic clock; nothing here reads a clock or sleeps, so the rules can be tested alone.
#include <cstdint>

#include "app/step_rate.h"

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

// How the frame reaches the screen. `texture`: a renderer's streaming texture, scaled by the
// renderer, paced by vsync where it paces alone. `surface`: copied (and scaled by our own
// code) into the window's own surface, which the window system shows directly (shared memory
// on X11, a device-independent bitmap on Windows), paced by the deadlines above. `page`: in a
// browser, handed to the page's canvas as it is, which the page scales; the browser's
// animation frames pace it.
enum class Presentation { texture, surface, page };

// Whether a renderer or OpenGL renderer name is one of the known software rasterisers (Mesa's
// llvmpipe, softpipe and swrast, Windows' GDI Generic and Basic Render Driver, and others):
// there a texture path draws every frame twice on the processor.
bool softwareRasteriser(const char* name);

// The user's choice from the environment: "texture" or "surface" in any case; false for
// anything else, or none, which leaves the choice to the renderer.
bool forcedPresentation(const char* forced, Presentation& chosen);

// The presentation for the renderer a window would get: `renderer` its name (null when none
// could be made), `accelerated` whether it says it is, and `glRenderer` the OpenGL renderer
// string behind it (null when it is not OpenGL).
Presentation choosePresentation(const char* renderer, bool accelerated, const char* glRenderer);
