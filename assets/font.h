#pragma once
// The 64-glyph 8x10 bitmap font cut from its 577x12 strip, and text drawing with it.
#include <cstdint>

#include "base/pixel.h"

constexpr int fontStripBytes = 6924;

// Glyph g, cell column i, cell row r at g + 64 * (10 * i + r); 0 ink, 1 background.
extern std::uint8_t GlyphTable[5120];

void loadFont(std::uint8_t* strip);  // extracts the strip into the caller's 6924 bytes
void cutGlyphs(const std::uint8_t* strip);
int glyphFor(unsigned char byte);  // 0..63, or -1 outside the mapping
// Opaque text; glyph cell j at (x + 7j, y + 10 * line), clipped like every primitive.
void drawText(Pixel* frame, int x, int y, int line, const char* text, Pixel colour);
