#pragma once
// The 64-glyph 8x10 bitmap font cut from its 577x12 strip, and which glyph draws a byte.
#include <cstdint>

constexpr int fontStripBytes = 6924;
constexpr int fontGlyphCount = 64;
constexpr int glyphCellWidth = 8;
constexpr int glyphCellHeight = 10;
constexpr int glyphAdvance = 7;  // cells overlap by one column
constexpr int blankGlyph = 63;

// Glyph g, cell column i, cell row r at g + 64 * (10 * i + r); 0 ink, 1 background.
extern std::uint8_t GlyphTable[5120];

void loadFont(std::uint8_t* strip);  // extracts the strip into the caller's 6924 bytes
void cutGlyphs(const std::uint8_t* strip);
int glyphFor(unsigned char byte);  // 0..63, or -1 outside the mapping
