#pragma once
// The show's timeline: which scenes step and draw, chosen by the music position and the menu.
// A pass steps the show by 1/60 s; drawing shows where the steps have got to and changes
// nothing, so passes nobody sees can step without drawing.
#include <cstdint>

#include "app/loading.h"
#include "render/primitives.h"

enum class FrameResult { continues, quit };  // whether the show goes on after this step

// Advances every scene by one 1/60 s pass at music time `time`, with the input of this pass;
// quit when the exit button was pressed (the pass is then not to be drawn).
FrameResult stepTimeline(std::int32_t time);
// Draws into `frame` what the last step left, in the show's order.
void drawTimeline(Frame frame, const LoadedAssets& assets);
// A step and its drawing: one whole pass of the show.
FrameResult runTimeline(Frame frame, std::int32_t time, const LoadedAssets& assets);
// Forgets the last step (a new run begins with nothing stepped).
void resetTimeline();
// Every scene's state as a new process has it, the model emptied for its loader and the
// generator at its fixed start: a second run in one process plays as the first did.
void resetShow();
// The music time of the last step; false before the first.
bool lastStepTime(std::int32_t& time);
