#include "assets/font.h"

#include "assets/resource_list.h"
#include "assets/resources.h"

std::uint8_t GlyphTable[5120];

namespace {

constexpr int glyphCount = fontGlyphCount;
constexpr int cellWidth = glyphCellWidth;
constexpr int cellHeight = glyphCellHeight;
constexpr int stripWidth = 577;
constexpr int blockGlyph = 62;

// Punctuation in glyph order from glyph 39 on.
constexpr char PunctuationGlyphs[] = ".,!\"#%&/()=+-?\\'@:;*><_";
constexpr int firstPunctuationGlyph = 39;

}  // namespace

void loadFont(std::uint8_t* strip)
{
    static_assert(resourceNamed(0, "DATA_FONTS_RAW"), "the font strip is the first embedded file");
    readFileBytes(extractResource(ResourceFiles[0].name), strip, fontStripBytes);
    cutGlyphs(strip);
}

// Cell (i, r) of glyph g sits at strip row r + 1, column 9g + 1 + i: past the grid lines.
void cutGlyphs(const std::uint8_t* strip)
{
    for (int g = 0; g < glyphCount; ++g) {
        for (int i = 0; i < cellWidth; ++i) {
            for (int r = 0; r < cellHeight; ++r) {
                GlyphTable[g + glyphCount * (cellHeight * i + r)] =
                    strip[stripWidth + 1 + (cellWidth + 1) * g + i + stripWidth * r];
            }
        }
    }
}

int glyphFor(unsigned char byte)
{
    if (byte >= 'A' && byte <= 'Z') return byte - 'A';
    if (byte >= 'a' && byte <= 'z') return byte - 'a';
    if (byte >= '0' && byte <= '9') return 29 + (byte - '0');
    switch (byte) {
    case 0xC6: case 0xE6: return 26;  // AE ligature, Windows-1252
    case 0xD8: case 0xF8: return 27;  // O with stroke
    case 0xC5: case 0xE5: return 28;  // A with ring
    case '|': return 'I' - 'A';
    case 0xDB: return blockGlyph;
    case ' ': case '\t': case '\n': return blankGlyph;
    default: break;
    }
    for (int k = 0; PunctuationGlyphs[k] != '\0'; ++k) {
        if (static_cast<unsigned char>(PunctuationGlyphs[k]) == byte) {
            return firstPunctuationGlyph + k;
        }
    }
    return -1;
}
