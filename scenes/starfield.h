#pragma once
// 1024 stars flying out of the centre over the background picture, swaying on the diagonal.
#include <cstdint>

#include "render/primitives.h"

constexpr int starCount = 1024;
constexpr Pixel starColour = 0x7A7A80;

struct Star {
    float x, y, z;
    std::int32_t sx, sy;
};

struct StarfieldState {
    Star stars[starCount];
    float starTime = 0.0f;
};

extern StarfieldState starfield;

// Our own 15-bit linear congruential generator with a fixed start: 0..32767.
int rand15();
void seedRand15(std::uint32_t seed);  // tests only: back to a known state

void initStars(StarfieldState& state);
void drawStarfield(Pixel* frame, StarfieldState& state, const Pixel* background);
