#include "scenes/plates.h"

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
}

// The images are stored bottom row first, so screen row r reads source row 16 - r. The clip
// range is found once per plate; the pixels drawn are the ones a per-pixel test would pass.
void drawPlate(Pixel* frame, int x, int y, int slot, int level)
{
    // Level 0 is all zero and would add nothing.
    if (slot < 0 || slot >= plateSlots || level <= 0 || level >= plateLevelCount) return;
    const long long left = (long long)x + plateScreenX;
    const long long top = (long long)y + plateScreenY;
    const long long firstColumn = left < 1 ? 1 - left : 0;
    const long long endColumn = left + plateWidth > screenWidth ? screenWidth - left : plateWidth;
    const long long firstRow = top < 1 ? 1 - top : 0;
    const long long endRow = top + plateHeight > screenHeight ? screenHeight - top : plateHeight;
    for (long long r = firstRow; r < endRow; ++r) {
        Pixel* target = frame + RowOffsets[top + r];
        const int sourceRow = plateHeight - 1 - int(r);
        for (long long c = firstColumn; c < endColumn; ++c) {
            const Pixel entry = PlateLevels[levelIndex(slot, level, sourceRow, int(c))];
            if (entry != 0) target[left + c] = addSaturated(target[left + c], entry);
        }
    }
}

void drawTitlePlates(Pixel* frame, PlateState& state, std::int32_t time)
{
    for (int window = 0; window < 7; ++window) stepWindow(frame, state, window, time);
}
