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
    // Where the visible stars of the last step go in the frame, in the stars' order.
    std::int32_t shownOffsets[starCount];
    int shownCount = 0;
};

extern StarfieldState starfield;

// Our own 15-bit linear congruential generator with a fixed start: 0..32767.
int rand15();
void seedRand15(std::uint32_t seed);  // tests only: back to a known state
void restartRand15();                 // back to the fixed start

void initStars(StarfieldState& state);
// One 1/60 s of flight: the sway, every star's move (a star that passes the viewer comes back
// from the far end, drawing from the generator), and where the visible ones fall.
void stepStarfield(StarfieldState& state);
// The background with the last step's stars over it.
void drawStarfield(Frame frame, const StarfieldState& state, const Pixel* background);
