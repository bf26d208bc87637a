#pragma once
// The one loop of the show: pump messages, read the music clock, draw, present.
#include <cstdint>

extern std::int32_t MusicTime;

enum class LoopEnd { quitMessage, quitButton };

// Runs until the quit message arrives (a close request) or the exit button is pressed; in the
// second case the frame surface is unlocked and the frame of the click is not shown.
LoopEnd runFrameLoop();
void presentFrame();
