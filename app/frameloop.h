#pragma once
// The one loop of the show: pump messages, read the music clock, draw, present.
#include <cstdint>

extern std::int32_t MusicTime;

enum class PassResult { goOn, quitMessage, quitButton };

// One pass of the frame loop: the message pump, MusicTime, the timeline, the presented frame.
// Says whether the run goes on; a quit message ends it before MusicTime is read, the exit
// button in the middle of the frame, whose surface is then unlocked but never shown. The
// desktop programs call it in a loop, the browser once per animation frame.
PassResult runFramePass();
// Runs passes until one ends the run; returns how it ended.
PassResult runFrameLoop();
void presentFrame();
