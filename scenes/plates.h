#pragma once
// The seven title plates: 64 precomputed fade levels per plate, drift and additive drawing.
#include <cstdint>

#include "render/primitives.h"

constexpr int plateWidth = 359;
constexpr int plateHeight = 17;
constexpr int plateSlots = 11;
constexpr int plateLevelCount = 64;

// Entry (slot, level, row, column) at ((row * 359 + column) * 11 + slot) * 64 + level.
extern Pixel PlateLevels[plateHeight * plateWidth * plateSlots * plateLevelCount];

struct PlateState {
    std::int32_t plateLevel = 0;
    std::int32_t plateOffset[7] = {};
};

extern PlateState plates;

void precomputePlateLevels(int slot, const Pixel* image);
void drawPlate(Pixel* frame, int x, int y, int slot, int level);
void drawTitlePlates(Pixel* frame, PlateState& state, std::int32_t time);
