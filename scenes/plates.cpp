#include "scenes/plates.h"

#include <cstddef>

Pixel PlateLevels[plateHeight * plateWidth * plateSlots * plateLevelCount];
PlateState plates;

namespace {

constexpr int platePixels = plateWidth * plateHeight;
constexpr int plateScreenX = 271;
constexpr int plateScreenY = 450;

struct PlateWindow {
    std::int32_t start;  // exclusive, like end
    std::int32_t end;
    int slot;
    int step;
    int baseX;
    int baseY;
};

// Shown in resource order 1, 2, 3, 6, 4, 8, 9; the last window fades out for 699 ms only.
constexpr PlateWindow PlateWindows[7] = {
    {2000, 8000, 0, +1, -250, -100},   {8000, 14000, 1, -1, -175, -200},
    {14000, 20000, 2, +1, -250, -300}, {20000, 26000, 5, -1, -175, -100},
    {26000, 32000, 3, +1, -250, -350}, {32000, 38000, 7, -1, -175, -125},
    {38000, 41700, 8, +1, -250, -200},
};

constexpr int fadeInLength = 3000;

// Per slot, the source pixels that are non-zero at the top level, in source order. A pixel
// that is zero there is zero at every level, so a plate draw reads only these table entries
// (most of a plate is black) instead of striding through the whole table.
struct PlateCoverage {
    std::uint16_t positions[plateSlots][platePixels];
    int count[plateSlots];
};

PlateCoverage coverage;

std::size_t levelIndex(int slot, int level, int row, int column)
{
    return ((std::size_t(row) * plateWidth + column) * plateSlots + slot) * plateLevelCount +
           level;
}

Pixel scaledPixel(Pixel source, int level)
{
    const Pixel red = ((source >> 16) & 0xFF) * level / plateLevelCount;
    const Pixel green = ((source >> 8) & 0xFF) * level / plateLevelCount;
    const Pixel blue = (source & 0xFF) * level / plateLevelCount;
    return (red << 16) | (green << 8) | blue;
}

void stepWindow(Pixel* frame, PlateState& state, int window, std::int32_t time)
{
    const PlateWindow& w = PlateWindows[window];
    if (time > w.start && time < w.start + fadeInLength + 1) state.plateLevel += 1;
    if (time > w.start + fadeInLength && time < w.end) state.plateLevel -= 1;
    if (state.plateLevel < 0) state.plateLevel = 0;
    if (state.plateLevel > plateLevelCount - 1) state.plateLevel = plateLevelCount - 1;
    if (time > w.start && time < w.end) {
        state.plateOffset[window] += w.step;
        drawPlate(frame, w.baseX + state.plateOffset[window], w.baseY, w.slot, state.plateLevel);
    }
}

}  // namespace

void precomputePlateLevels(int slot, const Pixel* image)
{
    if (slot < 0 || slot >= plateSlots || image == nullptr) return;
    for (int row = 0; row < plateHeight; ++row) {
        for (int column = 0; column < plateWidth; ++column) {
            const Pixel source = image[row * plateWidth + column];
            Pixel* levels = PlateLevels + levelIndex(slot, 0, row, column);
            for (int level = 0; level < plateLevelCount; ++level)
                levels[level] = scaledPixel(source, level);
        }
    }
    int count = 0;
    for (int position = 0; position < platePixels; ++position) {
        if (scaledPixel(image[position], plateLevelCount - 1) != 0)
            coverage.positions[slot][count++] = std::uint16_t(position);
    }
    coverage.count[slot] = count;
}

// The images are stored bottom row first, so source row r lands on screen row 16 - r.
void drawPlate(Pixel* frame, int x, int y, int slot, int level)
{
    // Level 0 is all zero and would add nothing.
    if (slot < 0 || slot >= plateSlots || level <= 0 || level >= plateLevelCount) return;
    const long long left = (long long)x + plateScreenX;
    const long long top = (long long)y + plateScreenY;
    if (left >= screenWidth || left + plateWidth <= 0) return;
    if (top >= screenHeight || top + plateHeight <= 0) return;
    const std::uint16_t* positions = coverage.positions[slot];
    for (int k = 0; k < coverage.count[slot]; ++k) {
        const int row = positions[k] / plateWidth;
        const int column = positions[k] - row * plateWidth;
        const int screenX = int(left) + column;
        const int screenY = int(top) + plateHeight - 1 - row;
        if (!inClip(screenX, screenY)) continue;
        const Pixel entry = PlateLevels[levelIndex(slot, level, row, column)];
        if (entry == 0) continue;
        Pixel& target = frame[RowOffsets[screenY] + screenX];
        target = addSaturated(target, entry);
    }
}

void drawTitlePlates(Pixel* frame, PlateState& state, std::int32_t time)
{
    for (int window = 0; window < 7; ++window) stepWindow(frame, state, window, time);
}
