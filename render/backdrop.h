#pragma once
// The frame the console keeps from one pass to the next still holds the last pass's picture:
// the backdrop that pass began with (a whole-screen picture) and what was drawn over it. Each
// drawing over the backdrop marks where it wrote, so a pass that begins with the same backdrop
// puts the picture back only in the marked places instead of copying all of it.
//
// The kept frame carries its marks; every routine that writes into a Frame marks what it
// wrote. Any other frame (a test's buffer, a picture being made at loading) carries none,
// marks nothing and is always filled whole.
#include <cstddef>
#include <cstdint>

#include "base/pixel.h"

// Rectangles are kept as a column range per band of rows: two marks in the same rows become
// one range covering both.
constexpr int markBandRows = 4;
constexpr int markBands = screenHeight / markBandRows;
static_assert(screenHeight % markBandRows == 0, "every row belongs to a whole band");
// Single pixels beyond this many make the next pass copy its backdrop whole.
constexpr int pixelMarkCapacity = 4096;

struct FrameMarks {
    const Pixel* backdrop = nullptr;  // none: what the frame holds is not known
    std::int16_t left[markBands];     // per band, the first marked column
    std::int16_t right[markBands];    // and one past the last; left >= right marks nothing
    std::int32_t pixels[pixelMarkCapacity];
    int pixelCount = 0;
};

// A 640x480 frame, rows 640 Pixels apart, and the marks it carries if it is the kept one.
struct Frame {
    Pixel* pixels = nullptr;
    FrameMarks* marks = nullptr;

    Frame() = default;
    // A frame that keeps no marks: drawing into it marks nothing.
    Frame(Pixel* unmarked) : pixels(unmarked) {}
    Frame(Pixel* kept, FrameMarks* itsMarks) : pixels(kept), marks(itsMarks) {}

    Pixel& operator[](std::size_t i) const { return pixels[i]; }
};

// The frame that keeps its pixels between passes, with its marks. Naming the same pixels
// again changes nothing; naming others forgets what the first held.
Frame keepFrame(Pixel* pixels);
// No frame is kept: every backdrop is copied whole.
void forgetKeptFrame();

// Begins a pass on `picture`. When `frame` is the kept frame and its last pass began with the
// same picture, the marked places are copied back from it and the result is true. Otherwise
// the result is false and the caller copies the whole picture. Either way the marks start
// afresh with `picture` as the frame's backdrop.
bool restoreBackdrop(Frame frame, const Pixel* picture);

// Drawing over the backdrop: the columns left..right-1 of the rows top..bottom-1 (clipped to
// the screen; an empty rectangle marks nothing), single pixels by their offsets in the frame,
// or anything, which makes the next pass copy its backdrop whole.
void markRectangle(FrameMarks& marks, std::int64_t left, std::int64_t top, std::int64_t right,
                   std::int64_t bottom);
inline void markDrawn(Frame frame, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    if (frame.marks != nullptr && frame.marks->backdrop != nullptr) markRectangle(*frame.marks, left, top, right, bottom);
}
void markDrawnPixels(Frame frame, const std::int32_t* offsets, int count);
void markWholeFrame(Frame frame);

// The pixels of the kept frame that differ from its backdrop outside the marks: what the next
// restore would miss. 0 when no frame is kept or its backdrop is not known.
int unmarkedChanges();
// The first such pixel in row order; false when there is none.
bool firstUnmarkedChange(int& x, int& y);
