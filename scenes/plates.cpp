#include "scenes/plates.h"

#include <algorithm>
#include <cstddef>

#include "render/backdrop.h"

PlateState plates;

namespace {

constexpr int platePixels = plateWidth * plateHeight;
constexpr int plateScreenX = 271;
constexpr int plateScreenY = 450;

// Where and how each window's plate drifts; when it shows is the show's timing.
struct PlateWindow {
    int slot;
    int step;
    int baseX;
    int baseY;
};

// Shown in resource order 1, 2, 3, 6, 4, 8, 9; with the shipped timing the last window fades
// out for 699 ms only.
constexpr PlateWindow PlateWindows[7] = {
    {0, +1, -250, -100}, {1, -1, -175, -200}, {2, +1, -250, -300}, {5, -1, -175, -100},
    {3, +1, -250, -350}, {7, -1, -175, -125}, {8, +1, -250, -200},
};

constexpr int fadeInLength = 3000;

// Per slot and stored row, the columns [first, end) outside which the picture is zero at the
// top level and so at every level: a plate draw adds only that stretch of each row (most of
// a plate is black).
struct RowStretch {
    std::int16_t first;
    std::int16_t end;
};

RowStretch PlateRowStretches[plateSlots][plateHeight];

Pixel PlatePictures[plateSlots][platePixels];

Pixel scaledPixel(Pixel source, int level)
{
    const Pixel red = ((source >> 16) & 0xFF) * level / plateLevelCount;
    const Pixel green = ((source >> 8) & 0xFF) * level / plateLevelCount;
    const Pixel blue = (source & 0xFF) * level / plateLevelCount;
    return (red << 16) | (green << 8) | blue;
}

void stepWindow(PlateState& state, int window, std::int32_t time, const PlateCue& cue)
{
    const PlateWindow& w = PlateWindows[window];
    if (time > cue.start && time < cue.start + fadeInLength + 1) state.plateLevel += 1;
    if (time > cue.start + fadeInLength && time < cue.end) state.plateLevel -= 1;
    if (state.plateLevel < 0) state.plateLevel = 0;
    if (state.plateLevel > plateLevelCount - 1) state.plateLevel = plateLevelCount - 1;
    if (time > cue.start && time < cue.end) {
        state.plateOffset[window] += w.step;
        state.shown[state.shownCount++] = {w.baseX + state.plateOffset[window], w.baseY, w.slot, state.plateLevel};
    }
}

}  // namespace

void keepPlatePicture(int slot, const Pixel* image)
{
    if (slot < 0 || slot >= plateSlots || image == nullptr) return;
    Pixel* kept = PlatePictures[slot];
    std::copy(image, image + platePixels, kept);
    for (int row = 0; row < plateHeight; ++row) {
        const Pixel* stored = kept + row * plateWidth;
        int first = 0;
        int end = plateWidth;
        while (first < end && scaledPixel(stored[first], plateLevelCount - 1) == 0) ++first;
        while (end > first && scaledPixel(stored[end - 1], plateLevelCount - 1) == 0) --end;
        PlateRowStretches[slot][row] = {std::int16_t(first), std::int16_t(end)};
    }
}

Pixel platePixel(int slot, int level, int row, int column)
{
    return scaledPixel(PlatePictures[slot][row * plateWidth + column], level);
}

// The images are stored bottom row first, so source row r lands on screen row 16 - r.
void drawPlate(Frame frame, int x, int y, int slot, int level)
{
    // Level 0 is all zero and would add nothing.
    if (slot < 0 || slot >= plateSlots || level <= 0 || level >= plateLevelCount) return;
    const long long left = (long long)x + plateScreenX;
    const long long top = (long long)y + plateScreenY;
    if (left >= screenWidth || left + plateWidth <= 0) return;
    if (top >= screenHeight || top + plateHeight <= 0) return;
    // The clip rule in plate columns: screen columns 1..639.
    const int firstColumn = left < 1 ? int(1 - left) : 0;
    const int endColumn = left + plateWidth > screenWidth ? int(screenWidth - left) : plateWidth;
    markDrawn(frame, left, top, left + plateWidth, top + plateHeight);
    const Pixel* picture = PlatePictures[slot];
    Pixel scaled[plateWidth];
    for (int row = 0; row < plateHeight; ++row) {
        const int screenY = int(top) + plateHeight - 1 - row;
        if (screenY <= 0 || screenY >= screenHeight) continue;
        const RowStretch stretch = PlateRowStretches[slot][row];
        const int first = stretch.first > firstColumn ? stretch.first : firstColumn;
        const int end = stretch.end < endColumn ? stretch.end : endColumn;
        if (first >= end) continue;
        const Pixel* stored = picture + row * plateWidth;
        for (int column = first; column < end; ++column) scaled[column] = scaledPixel(stored[column], level);
        addNonZeroPixels(frame.pixels + RowOffsets[screenY] + left + first, scaled + first, end - first);
    }
}

void stepTitlePlates(PlateState& state, std::int32_t time, const ShowTiming& timing)
{
    state.shownCount = 0;
    for (int window = 0; window < 7; ++window) stepWindow(state, window, time, timing.plates[window]);
}

void drawTitlePlates(Frame frame, const PlateState& state)
{
    for (int k = 0; k < state.shownCount; ++k) {
        const PlateShown& plate = state.shown[k];
        drawPlate(frame, plate.x, plate.y, plate.slot, plate.level);
    }
}
