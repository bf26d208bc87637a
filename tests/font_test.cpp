#include "assets/font.h"
#include "render/text.h"

#include "assets/resources.h"
#include "render/primitives.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

constexpr Pixel white = 0xFFFFFF;

// A strip with the grid lines at 0 and every glyph g inked as: a marker at cell (1, 1), the six
// bits of g along cell row 3 (columns 1..6), and a bar down cell column 6 for rows 5..8. Glyph
// 62 is a solid 6x8 block and glyph 63 is empty.
std::vector<std::uint8_t> syntheticStrip()
{
    std::vector<std::uint8_t> strip(fontStripBytes, 1);
    for (int x = 0; x < 577; ++x) strip[x] = strip[11 * 577 + x] = 0;
    for (int g = 0; g <= 64; ++g) {
        for (int r = 0; r < 12; ++r) strip[r * 577 + 9 * g] = 0;
    }
    auto ink = [&](int g, int i, int r) { strip[(r + 1) * 577 + 9 * g + 1 + i] = 0; };
    for (int g = 0; g < 62; ++g) {
        ink(g, 1, 1);
        for (int bit = 0; bit < 6; ++bit) {
            if (g & (1 << bit)) ink(g, 1 + bit, 3);
        }
        for (int r = 5; r <= 8; ++r) ink(g, 6, r);
    }
    for (int i = 1; i <= 6; ++i) {
        for (int r = 1; r <= 8; ++r) ink(62, i, r);
    }
    return strip;
}

class TextDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildRowOffsets();
        const auto strip = syntheticStrip();
        cutGlyphs(strip.data());
    }

    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);

    std::vector<Pixel> drawn(int x, int y, int line, const char* text)
    {
        std::vector<Pixel> f(framePixels, 0);
        drawText(f.data(), x, y, line, text, white);
        return f;
    }

    static int inkCount(const std::vector<Pixel>& f)
    {
        int n = 0;
        for (Pixel p : f) n += p != 0;
        return n;
    }
};

}  // namespace

TEST(FontCut, GlyphTableIsGlyphFastest)
{
    std::vector<std::uint8_t> strip(fontStripBytes, 1);
    // Glyph 5, cell column 3, cell row 2 sits at strip row 3, column 9 * 5 + 1 + 3.
    strip[3 * 577 + 49] = 0;
    // Glyph 63, cell column 7, cell row 9: the last byte any glyph takes.
    strip[10 * 577 + 9 * 63 + 8] = 0;
    cutGlyphs(strip.data());
    int zeros = 0;
    for (std::uint8_t b : GlyphTable) zeros += b == 0;
    EXPECT_EQ(zeros, 2);
    EXPECT_EQ(GlyphTable[5 + 64 * (10 * 3 + 2)], 0);
    EXPECT_EQ(GlyphTable[63 + 64 * (10 * 7 + 9)], 0);
}

TEST(FontMapping, EveryMappedByteFindsItsGlyph)
{
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(glyphFor('A' + k), k);
        EXPECT_EQ(glyphFor('a' + k), k);
    }
    for (int k = 0; k < 10; ++k) EXPECT_EQ(glyphFor('0' + k), 29 + k);
    EXPECT_EQ(glyphFor(0xC6), 26);
    EXPECT_EQ(glyphFor(0xE6), 26);
    EXPECT_EQ(glyphFor(0xD8), 27);
    EXPECT_EQ(glyphFor(0xF8), 27);
    EXPECT_EQ(glyphFor(0xC5), 28);
    EXPECT_EQ(glyphFor(0xE5), 28);
    const char punctuation[] = ".,!\"#%&/()=+-?\\'@:;*><_";
    for (int k = 0; punctuation[k] != '\0'; ++k) {
        EXPECT_EQ(glyphFor(punctuation[k]), 39 + k) << punctuation[k];
    }
    EXPECT_EQ(glyphFor('|'), glyphFor('I'));
    EXPECT_EQ(glyphFor(0xDB), 62);
    EXPECT_EQ(glyphFor(' '), 63);
    EXPECT_EQ(glyphFor('\t'), 63);
    EXPECT_EQ(glyphFor('\n'), 63);
    for (unsigned char unmapped : {'$', '[', ']', '^', '`', '{', '}', '~', '\r', '\x7F', '\x80',
                                   '\xC4', '\xD6', '\xE4', '\xFF'}) {
        EXPECT_EQ(glyphFor(unmapped), -1) << int(unmapped);
    }
}

TEST_F(TextDrawing, CaseAndTheVerticalBarShareGlyphs)
{
    EXPECT_EQ(drawn(50, 60, 0, "abcxyz\xE6\xF8\xE5"), drawn(50, 60, 0, "ABCXYZ\xC6\xD8\xC5"));
    EXPECT_EQ(drawn(50, 60, 0, "|"), drawn(50, 60, 0, "I"));
    EXPECT_NE(drawn(50, 60, 0, "A"), drawn(50, 60, 0, "B"));
    EXPECT_EQ(inkCount(drawn(50, 60, 0, "")), 0);
}

TEST_F(TextDrawing, BlanksAdvanceSevenPixelsAndDrawNothing)
{
    const auto spaced = drawn(100, 100, 0, "A B");
    auto separate = drawn(100, 100, 0, "A");
    drawText(separate.data(), 114, 100, 0, "B", white);
    EXPECT_EQ(spaced, separate);
    EXPECT_EQ(drawn(100, 100, 0, "A\tB"), spaced);
    EXPECT_EQ(drawn(100, 100, 0, "A\nB"), spaced);
    EXPECT_EQ(inkCount(drawn(100, 100, 0, " \t\n")), 0);
}

TEST_F(TextDrawing, BlockGlyphFillsSixByEightInsideItsCell)
{
    const auto f = drawn(200, 50, 0, "\xDB");
    EXPECT_EQ(inkCount(f), 48);
    for (int y = 51; y <= 58; ++y) {
        for (int x = 201; x <= 206; ++x) ASSERT_EQ(f[y * 640 + x], white) << x << "," << y;
    }
}

TEST_F(TextDrawing, LineNumberMovesTenRowsPerLine)
{
    const auto f = drawn(37, 125, 34, "\xDB\xDB");
    int top = 480, bottom = -1;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (f[y * 640 + x] == 0) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    EXPECT_EQ(top, 466);
    EXPECT_EQ(bottom, 473);
    EXPECT_EQ(drawn(37, 100, 0, "Q"), drawn(37, 0, 10, "Q"));
    EXPECT_EQ(drawn(37, 130, -3, "Q"), drawn(37, 100, 0, "Q"));
}

TEST_F(TextDrawing, ColourReplacesWhatWasThere)
{
    std::vector<Pixel> f(framePixels, 0x808080);
    drawText(f.data(), 10, 10, 0, "\xDB", 0x102030);
    EXPECT_EQ(f[11 * 640 + 11], 0x102030u);
    EXPECT_EQ(f[10 * 640 + 10], 0x808080u);  // the cell border stays
    EXPECT_EQ(f[19 * 640 + 17], 0x808080u);
}

TEST_F(TextDrawing, ClipKeepsRowZeroAndColumnZeroClear)
{
    // Ink of the block starts at cell column 1: at x = 0 it is whole, at x = -1 it loses
    // the column that would land on x = 0.
    EXPECT_EQ(inkCount(drawn(0, 100, 0, "\xDB")), 48);
    const auto left = drawn(-1, 100, 0, "\xDB");
    EXPECT_EQ(inkCount(left), 40);
    for (int y = 0; y < 480; ++y) EXPECT_EQ(left[y * 640], 0u);
    const auto top = drawn(100, -1, 0, "\xDB");
    EXPECT_EQ(inkCount(top), 42);
    for (int x = 0; x < 640; ++x) EXPECT_EQ(top[x], 0u);
    // The last row and column are drawable; past them is cut.
    const auto corner = drawn(634, 472, 0, "\xDB\xDB");
    EXPECT_EQ(inkCount(corner), 5 * 7);
    EXPECT_EQ(corner[479 * 640 + 639], white);
}

TEST_F(TextDrawing, UnmappedBytesRepeatThePreviousGlyphOrDrawNothing)
{
    EXPECT_EQ(drawn(20, 20, 0, "A$"), drawn(20, 20, 0, "AA"));
    EXPECT_EQ(drawn(20, 20, 0, "B$~"), drawn(20, 20, 0, "BBB"));
    EXPECT_EQ(drawn(20, 20, 0, "$A"), drawn(20, 20, 0, " A"));
    EXPECT_EQ(drawn(20, 20, 0, "A $"), drawn(20, 20, 0, "A"));
    EXPECT_EQ(inkCount(drawn(20, 20, 0, "\x80\xFF")), 0);
}

TEST_F(TextDrawing, FarOffPositionsDrawNothing)
{
    EXPECT_EQ(inkCount(drawn(INT_MAX, 10, 0, "ABCDEFGH")), 0);
    EXPECT_EQ(inkCount(drawn(INT_MIN, 10, 0, "ABCDEFGH")), 0);
    EXPECT_EQ(inkCount(drawn(10, INT_MAX, INT_MAX, "ABC")), 0);
    EXPECT_EQ(inkCount(drawn(10, INT_MIN, INT_MIN, "ABC")), 0);
    EXPECT_EQ(inkCount(drawn(640, 479, 0, "\xDB")), 0);
}

// The shipped strip: the block and blank glyphs are what text drawing relies on.
TEST(FontLoad, ShippedStripCutsIntoBlockAndBlankGlyphs)
{
    if (EmbeddedResourceCount == 0) GTEST_SKIP() << "no embedded files in this build";
    ASSERT_NE(findResource("DATA_FONTS_RAW"), nullptr);
    std::vector<std::uint8_t> strip(fontStripBytes, 0xEE);
    loadFont(strip.data());
    EXPECT_NE(strip.back(), 0xEE);
    for (int i = 0; i < 8; ++i) {
        for (int r = 0; r < 10; ++r) {
            const bool inside = i >= 1 && i <= 6 && r >= 1 && r <= 8;
            EXPECT_EQ(GlyphTable[62 + 64 * (10 * i + r)], inside ? 0 : 1) << i << "," << r;
            EXPECT_EQ(GlyphTable[63 + 64 * (10 * i + r)], 1);
        }
    }
}
