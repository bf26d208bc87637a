#include "render/text.h"

#include "assets/font.h"
#include "render/backdrop.h"
#include "render/primitives.h"

namespace {

// Cell corners are 64-bit so that far-off positions and long strings cannot overflow.
void drawGlyph(Frame frame, std::int64_t cellX, std::int64_t cellY, int glyph, Pixel colour)
{
    if (cellX <= -glyphCellWidth || cellX >= screenWidth || cellY <= -glyphCellHeight ||
        cellY >= screenHeight) {
        return;
    }
    markDrawn(frame, cellX, cellY, cellX + glyphCellWidth, cellY + glyphCellHeight);
    for (int i = 0; i < glyphCellWidth; ++i) {
        for (int r = 0; r < glyphCellHeight; ++r) {
            if (GlyphTable[glyph + fontGlyphCount * (glyphCellHeight * i + r)] != 0) continue;
            const int px = static_cast<int>(cellX) + i;
            const int py = static_cast<int>(cellY) + r;
            if (inClip(px, py)) frame[RowOffsets[py] + px] = colour;
        }
    }
}

}  // namespace

// A byte outside the mapping repeats the glyph of the byte before it; as the first byte it
// draws nothing.
void drawText(Frame frame, int x, int y, int line, const char* text, Pixel colour)
{
    const std::int64_t cellY = std::int64_t(y) + std::int64_t(glyphCellHeight) * line;
    int glyph = -1;
    for (int j = 0; text[j] != '\0'; ++j) {
        const int mapped = glyphFor(static_cast<unsigned char>(text[j]));
        if (mapped >= 0) glyph = mapped;
        if (glyph < 0 || glyph == blankGlyph) continue;
        drawGlyph(frame, std::int64_t(x) + std::int64_t(glyphAdvance) * j, cellY, glyph, colour);
    }
}
