#pragma once
// The one loop of the show: pump messages, read the music clock, step, draw when seen, present.
#include <cstdint>

extern std::int32_t MusicTime;

enum class PassResult { goOn, quitMessage, quitButton };

// One pass of the frame loop: the message pump, MusicTime, the steps of the timeline and, when
// the console says the frame is seen, its drawing and presentation (otherwise the console
// only waits out the pass). A pass on time steps once; one that comes late or after a rest
// (a window out of sight, a browser tab out of sight, a dropped animation frame) first runs
// the steps it missed, at their own music times. The steps are counted against the music
// from the run's first pass (and again from where the music starts over), so the frame drawn
// is the one a run without the gap would show. Says whether the run goes on; a quit message
// ends it before MusicTime is read, the exit button after the step, without drawing. The
// desktop programs call it in a loop, the browser once per animation frame.
PassResult runFramePass();
// Runs passes until one ends the run; returns how it ended.
PassResult runFrameLoop();
void presentFrame();

// The steps a run at 60 a second has taken by the pass at music time `now`, counting the step
// of the pass at `anchor` where the count began: one more per 1/60 s, to the nearest.
std::int64_t stepsDue(std::int32_t anchor, std::int32_t now);
// The music time of missed step k (1..count) between the last step and this pass.
std::int32_t missedStepTime(std::int32_t last, std::int32_t now, int k, int count);
