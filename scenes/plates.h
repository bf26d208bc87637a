#pragma once
// The seven title plates: 64 fade levels per plate, drift and additive drawing.
#include <cstddef>
#include <cstdint>

#include "render/primitives.h"
#include "scenes/timing.h"

constexpr int plateWidth = 359;
constexpr int plateHeight = 17;
constexpr int plateSlots = 11;
constexpr int plateLevelCount = 64;

// A plate as the last step left it to be drawn: position, slot and fade level.
struct PlateShown {
    int x;
    int y;
    int slot;
    int level;
};

struct PlateState {
    std::int32_t plateLevel = 0;
    std::int32_t plateOffset[7] = {};
    PlateShown shown[7] = {};
    int shownCount = 0;
};

extern PlateState plates;

// Each slot keeps its picture, rows in stored order (bottom row first); a draw scales the
// stretch of each row it adds to the plate's level.
void keepPlatePicture(int slot, const Pixel* image);
// The kept picture of a slot at a level (0..63): each channel times level / 64.
Pixel platePixel(int slot, int level, int row, int column);
void drawPlate(Frame frame, int x, int y, int slot, int level);
// One 1/60 s at music time `time`: the open window's plate fades and drifts a step.
void stepTitlePlates(PlateState& state, std::int32_t time, const ShowTiming& timing);
void drawTitlePlates(Frame frame, const PlateState& state);
