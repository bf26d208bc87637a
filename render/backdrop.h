#pragma once
// The frame the console keeps from one pass to the next still holds the last pass's picture:
// the backdrop that pass began with (a whole-screen picture) and what was drawn over it. Each
// drawing over the backdrop marks where it wrote, so a pass that begins with the same backdrop
// puts the picture back only in the marked places instead of copying all of it.
//
// Marks are kept only for the kept frame; drawing into any other frame marks nothing, and a
// frame that is not the kept one is always filled whole.
#include <cstdint>

#include "base/pixel.h"

// The frame that keeps its pixels between passes. Naming the same frame again changes
// nothing; naming another forgets what the first held.
void keepFrame(Pixel* frame);
// No frame is kept: every backdrop is copied whole.
void forgetKeptFrame();

// Begins a pass on `picture`. When `frame` is the kept frame and its last pass began with the
// same picture, the marked places are copied back from it and the result is true. Otherwise
// the result is false and the caller copies the whole picture. Either way the marks start
// afresh with `picture` as the frame's backdrop.
bool restoreBackdrop(Pixel* frame, const Pixel* picture);

// Drawing over the backdrop: the columns left..right-1 of the rows top..bottom-1 (clipped to
// the screen; an empty rectangle marks nothing), single pixels by their offsets in the frame,
// or anything, which makes the next pass copy its backdrop whole.
void markDrawn(const Pixel* frame, std::int64_t left, std::int64_t top, std::int64_t right,
               std::int64_t bottom);
void markDrawnPixels(const Pixel* frame, const std::int32_t* offsets, int count);
void markWholeFrame(const Pixel* frame);

// The pixels of the kept frame that differ from its backdrop outside the marks: what the next
// restore would miss. 0 when no frame is kept or its backdrop is not known.
int unmarkedChanges();
// The first such pixel in row order; false when there is none.
bool firstUnmarkedChange(int& x, int& y);
