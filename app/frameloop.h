#pragma once
// The one loop of the show: pump messages, read the music clock, step, draw when seen, present.
#include <cstdint>

extern std::int32_t MusicTime;

enum class PassResult { goOn, quitMessage, quitButton };

// One pass of the frame loop: the message pump, MusicTime, the steps of the timeline and, when
// the console says the frame is seen, its drawing and presentation (otherwise the console
// only waits out the pass). A pass on time steps once; one that comes late or after a rest
// (a window out of sight, a browser tab out of sight, a dropped animation frame) first runs
// the steps it missed, at their own music times. The music is cut into 60 Hz slots, one step
// each, at the times the offline renderer's passes come at, so the frame drawn is the one a
// run without the gap would show. Says whether the run goes on; a quit message
// ends it before MusicTime is read, the exit button after the step, without drawing. The
// desktop programs call it in a loop, the browser once per animation frame.
PassResult runFramePass();
// Runs passes until one ends the run; returns how it ended.
PassResult runFrameLoop();
void presentFrame();

// Slot s of the music begins at floor(s * 1000 / 60) ms; lastStepSlot is the slot music time
// `now` falls in.
std::int32_t stepSlotTime(std::int64_t slot);
std::int64_t lastStepSlot(std::int32_t now);
