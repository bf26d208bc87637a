#pragma once
// The seven title plates: 64 precomputed fade levels per plate, drift and additive drawing.
#include <cstddef>
#include <cstdint>

#include "render/primitives.h"
#include "scenes/timing.h"

constexpr int plateWidth = 359;
constexpr int plateHeight = 17;
constexpr int plateSlots = 11;
constexpr int plateLevelCount = 64;

// Every level of every slot is a whole plate picture, rows in stored order (bottom row
// first), so one plate draw reads one contiguous block.
extern Pixel PlateLevels[plateHeight * plateWidth * plateSlots * plateLevelCount];

constexpr std::size_t plateLevelIndex(int slot, int level, int row, int column)
{
    return ((std::size_t(slot) * plateLevelCount + std::size_t(level)) * plateHeight + std::size_t(row)) *
               plateWidth + std::size_t(column);
}

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

void precomputePlateLevels(int slot, const Pixel* image);
void drawPlate(Frame frame, int x, int y, int slot, int level);
// One 1/60 s at music time `time`: the open window's plate fades and drifts a step.
void stepTitlePlates(PlateState& state, std::int32_t time, const ShowTiming& timing);
void drawTitlePlates(Frame frame, const PlateState& state);
