#pragma once
// The 6x8 capitals font of the clock page, laid out as the 577x12 strip the program cuts.
#include "tools/assetgen/writers.h"

constexpr int stripWidth = 577;
constexpr int stripHeight = 12;
constexpr int stripGlyphs = 64;

// 6924 bytes: 0 ink and grid, 1 background.
Bytes buildFontStrip();
// The strip as a picture (ink white, grid dark blue) for the contact sheet.
Image fontStripImage(const Bytes& strip);
