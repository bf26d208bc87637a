#include "render/primitives.h"

#include <gtest/gtest.h>

#include "frame_test.h"

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace {

using Points = std::set<std::pair<int, int>>;

struct PrimitivesTest : ::testing::Test {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    void SetUp() override { buildRowOffsets(); }

    Points litPoints() const
    {
        Points points;
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x)
                if (frame[y * screenWidth + x] != 0) points.insert({x, y});
        return points;
    }
    Pixel at(int x, int y) const { return frame[y * screenWidth + x]; }
};

TEST_F(PrimitivesTest, ClipKeepsRowAndColumnZeroAndTheFarEdgesDrawable)
{
    EXPECT_FALSE(inClip(0, 5));
    EXPECT_FALSE(inClip(5, 0));
    EXPECT_TRUE(inClip(1, 1));
    EXPECT_TRUE(inClip(639, 479));
    EXPECT_FALSE(inClip(640, 5));
    EXPECT_FALSE(inClip(5, 480));
    EXPECT_FALSE(inClip(-1, 5));
}

TEST_F(PrimitivesTest, RowTableSpacesRowsOneScreenWidthApart)
{
    EXPECT_EQ(RowOffsets[0], 0);
    EXPECT_EQ(RowOffsets[1], 640);
    EXPECT_EQ(RowOffsets[479], 479 * 640);
}

TEST_F(PrimitivesTest, AdditionSaturatesEachChannelAndClearsTheTopByte)
{
    EXPECT_EQ(addSaturated(0xA0A0A0, 0x808080), 0xFFFFFFu);
    EXPECT_EQ(addSaturated(0xFF000000, 0x808080), 0x808080u);
    EXPECT_EQ(addSaturated(0x10FF20, 0x01F001), 0x11FF21u);
    // Read byte by byte: 256 is green 1, blue 0.
    frame[RowOffsets[3] + 4] = 0x000005;
    plotAdd(frame.data(), 4, 3, 256);
    EXPECT_EQ(at(4, 3), 0x000105u);
}

TEST_F(PrimitivesTest, LinesStepTheMinorAxisWhenTheErrorReachesTheMajorLength)
{
    drawLineAdd(frame.data(), 10, 10, 14, 12, 1);
    EXPECT_EQ(litPoints(), (Points{{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 12}}));

    frame.assign(framePixels, 0);
    drawLineAdd(frame.data(), 10, 10, 12, 14, 1);
    EXPECT_EQ(litPoints(), (Points{{10, 10}, {10, 11}, {11, 12}, {11, 13}, {12, 14}}));
}

TEST_F(PrimitivesTest, LinesAreWalkedWithXIncreasing)
{
    drawLineAdd(frame.data(), 12, 10, 10, 14, 1);
    EXPECT_EQ(litPoints(), (Points{{10, 14}, {10, 13}, {11, 12}, {11, 11}, {12, 10}}));

    frame.assign(framePixels, 0);
    drawLineAdd(frame.data(), 5, 10, 5, 3, 1);
    const Points down = litPoints();
    frame.assign(framePixels, 0);
    drawLineAdd(frame.data(), 5, 3, 5, 10, 1);
    EXPECT_EQ(litPoints(), down);
    EXPECT_EQ(down.size(), 8u);
}

TEST_F(PrimitivesTest, LinesLightOnePointForZeroLengthAndSkipRowAndColumnZero)
{
    drawLineAdd(frame.data(), 7, 7, 7, 7, 9);
    EXPECT_EQ(litPoints(), (Points{{7, 7}}));

    frame.assign(framePixels, 0);
    drawLineAdd(frame.data(), -3, -3, 3, 3, 1);
    EXPECT_EQ(litPoints(), (Points{{1, 1}, {2, 2}, {3, 3}}));
    drawLineAdd(frame.data(), 0, 8, 6, 8, 1);
    EXPECT_EQ(at(0, 8), 0u);
    EXPECT_EQ(at(1, 8), 1u);

    frame.assign(framePixels, 0);
    drawLineAdd(frame.data(), 600, 470, 700, 470, 1);
    EXPECT_EQ(litPoints().size(), 40u);  // 600..639
}

TEST_F(PrimitivesTest, SpansExcludeTheRightEndExceptForOnePixel)
{
    fillSpan(frame.data(), 10, 14, 5, 0xAB123456);
    EXPECT_EQ(litPoints(), (Points{{10, 5}, {11, 5}, {12, 5}, {13, 5}}));
    EXPECT_EQ(at(10, 5), 0xAB123456u);  // stored unchanged, top byte included

    frame.assign(framePixels, 0);
    fillSpan(frame.data(), 10, 10, 5, 1);
    EXPECT_EQ(litPoints(), (Points{{10, 5}}));

    frame.assign(framePixels, 0);
    fillSpan(frame.data(), 14, 10, 5, 1);
    fillSpan(frame.data(), -100, 1000, 0, 1);
    fillSpan(frame.data(), 0, 0, 5, 1);
    EXPECT_TRUE(litPoints().empty());

    fillSpan(frame.data(), -100, 1000, 479, 1);
    EXPECT_EQ(litPoints().size(), 639u);
}

TEST_F(PrimitivesTest, BlendHalvesEachChannelSumOverTheSamePixelSet)
{
    for (int x = 0; x < 20; ++x) frame[RowOffsets[5] + x] = 0x0000FF;
    blendSpan(frame.data(), 10, 14, 5, 0xFF0000);
    EXPECT_EQ(at(9, 5), 0x0000FFu);
    for (int x = 10; x < 14; ++x) EXPECT_EQ(at(x, 5), 0x7F007Fu);
    EXPECT_EQ(at(14, 5), 0x0000FFu);

    blendSpan(frame.data(), 20, 20, 6, 0x010101);
    EXPECT_EQ(at(20, 6), 0u);
    blendSpan(frame.data(), 20, 20, 6, 0xFF0202FE);
    EXPECT_EQ(at(20, 6), 0x01017Fu);
    blendSpan(frame.data(), 0, 0, 6, 0xFFFFFF);
    EXPECT_EQ(at(0, 6), 0u);
}

TEST_F(PrimitivesTest, RowAdditionSkipsZerosAndStopsAtItsCount)
{
    withEachCodeWidth([&] {
        // Every length up to a few groups of four, so the four-pixel passes and the single
        // pixels after them both meet zeros, saturation and a top byte in the row.
        std::vector<Pixel> source(24);
        for (int count = 0; count <= 23; ++count) {
            std::vector<Pixel> row(32);
            for (int x = 0; x < 32; ++x) row[x] = 0xFF000000u | Pixel(x * 0x0B0A09u);
            for (int x = 0; x < 24; ++x) source[x] = (x % 3 == 1) ? 0 : 0xF00801u * Pixel(x + 1) & 0xFFFFFF;
            std::vector<Pixel> expected = row;
            for (int x = 0; x < count; ++x) {
                if (source[x] != 0) expected[x + 2] = addSaturated(row[x + 2], source[x]);
            }
            addNonZeroPixels(row.data() + 2, source.data(), count);
            EXPECT_EQ(row, expected) << count;
        }
    });
}

TEST_F(PrimitivesTest, RowAdditionSaysWhichColumnsItWrote)
{
    withEachCodeWidth([&] {
        // Text on a transparent ground: runs of zeros longer and shorter than a group of four,
        // at either end and between, and a row with nothing on it.
        for (const std::vector<int>& lit : {std::vector<int>{}, {0}, {5}, {9, 10, 11, 23}, {22}, {3, 17}, {0, 23}}) {
            std::vector<Pixel> source(24, 0);
            for (int x : lit) source[x] = 0x102030;
            std::vector<Pixel> row(24, 0x404040);
            const std::vector<Pixel> before = row;
            const RowExtent written = addNonZeroPixels(row.data(), source.data(), 24);
            for (int x = 0; x < 24; ++x) {
                const bool inside = x >= written.first && x < written.end;
                EXPECT_EQ(row[x], source[x] != 0 ? 0x506070u : before[x]) << x;
                if (source[x] != 0) {
                    EXPECT_TRUE(inside) << "column " << x << " written outside the extent";
                }
            }
            if (lit.empty()) {
                EXPECT_GE(written.first, written.end) << "a blank row wrote something";
            } else {
                // Within the group of eight around the first and last lit columns.
                EXPECT_EQ(written.first / 8, lit.front() / 8);
                EXPECT_LE(written.end, (lit.back() / 8 + 1) * 8);
            }
        }
    });
}

}  // namespace

namespace {

// The line rule written out plainly: x increasing, the minor axis stepped when the error
// reaches the major length, every pixel clip-tested.
void referenceLine(std::vector<Pixel>& frame, int x1, int y1, int x2, int y2, Pixel colour)
{
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int ax = x2 - x1;
    const int ay = y2 > y1 ? y2 - y1 : y1 - y2;
    const int ystep = y2 >= y1 ? 1 : -1;
    const int major = ax > ay ? ax : ay;
    int err = 0;
    int x = x1;
    int y = y1;
    for (int i = 0; i <= major; ++i) {
        if (inClip(x, y)) {
            Pixel& p = frame[std::size_t(y) * screenWidth + std::size_t(x)];
            p = addSaturated(p, colour);
        }
        if (ax == 0) {
            y += ystep;
            continue;
        }
        if (ax >= ay) {
            err += ay;
            if (err >= ax) {
                err -= ax;
                y += ystep;
            }
            ++x;
        } else {
            err += ax;
            if (err >= ay) {
                err -= ay;
                ++x;
            }
            y += ystep;
        }
    }
}

// A frame whose pixels all differ, with some channels near saturation.
void fillPattern(std::vector<Pixel>& frame)
{
    for (std::size_t k = 0; k < frame.size(); ++k) frame[k] = Pixel(k * 2654435761u) & 0xFFFFFF;
}

}  // namespace

// Short and long lines of every slope, inside the clip rectangle, along its edges and across
// them, in both directions, over pixels that saturate.
TEST_F(PrimitivesTest, LinesLightThePixelsOfThePlainStepRule)
{
    std::srand(3);
    std::vector<Pixel> expected(framePixels);
    for (int round = 0; round < 4000; ++round) {
        const int reach = round % 4 == 0 ? 700 : round % 4 == 1 ? 40 : 12;
        const int cx = round % 8 == 0 ? 1 + std::rand() % 2 : std::rand() % 640;
        const int cy = round % 8 == 1 ? 478 + std::rand() % 2 : std::rand() % 480;
        const int x1 = cx + std::rand() % (2 * reach + 1) - reach;
        const int y1 = cy + std::rand() % (2 * reach + 1) - reach;
        const int x2 = round % 5 == 0 ? x1 : cx + std::rand() % (2 * reach + 1) - reach;
        const int y2 = round % 7 == 0 ? y1 : cy + std::rand() % (2 * reach + 1) - reach;
        const Pixel colour = Pixel(std::rand()) & 0xFFFFFF;
        if (round % 50 == 0) fillPattern(frame);
        expected = frame;
        referenceLine(expected, x1, y1, x2, y2, colour);
        drawLineAdd(frame.data(), x1, y1, x2, y2, colour);
        ASSERT_TRUE(frame == expected) << "(" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << ")";
    }
}

// Every span start and end near the row's ends and across the lengths where the vector code
// changes its steps, blended over saturated and odd channels; the wide code, where the
// processor has it, must give the same pixels.
TEST_F(PrimitivesTest, BlendedRowSpansAverageEachPixelOfTheSpan)
{
    std::vector<Pixel> row(screenWidth);
    std::vector<Pixel> expected(screenWidth);
    std::vector<int> starts = {-5, 0, 1, 2, 3, 4, 5};
    for (int x = 600; x < 640; ++x) starts.push_back(x);
    for (int x = 100; x < 120; ++x) starts.push_back(x);
    for (const int first : starts) {
        for (int length = 0; length <= 40; ++length) {
            const int last = first + length;
            for (int k = 0; k < screenWidth; ++k) row[k] = Pixel(k * 2246822519u + length) & 0xFFFFFF;
            const Pixel colour = Pixel(0xFF01FE ^ (length * 0x010203)) & 0xFFFFFF;
            expected = row;
            const int from = first < 1 ? 1 : first;
            const int to = first == last ? first + 1 : last;
            for (int x = from; x < to && x < screenWidth; ++x) expected[x] = averagePixels(expected[x], colour);
            std::vector<Pixel> narrow = row;
            blendRowSpan(narrow.data(), first, last, colour);
            ASSERT_TRUE(narrow == expected) << "span " << first << " to " << last;
#ifdef INVITE_WIDE_KERNELS
            if (useWideKernels(true)) {
                std::vector<Pixel> wide = row;
                blendRowSpanWide(wide.data(), first, last, colour);
                ASSERT_TRUE(wide == expected) << "wide span " << first << " to " << last;
            }
#endif
        }
    }
}

// Every channel value at every level, with the top byte set, in a count that leaves a tail
// after the groups of eight: the rule's value, the top byte cleared, by both forms.
TEST_F(PrimitivesTest, PixelsTowardWhiteMoveEachChannelByEighths)
{
    std::vector<Pixel> source(259);
    for (int i = 0; i < 259; ++i) source[i] = 0xA5000000 | Pixel(i & 0xFF) << 16 | Pixel((255 - i) & 0xFF) << 8 | Pixel(i * 7 & 0xFF);
    const auto toward = [](Pixel c, int k) { return Pixel((255 * k + (8 - k) * c) / 8); };
    for (int k = 0; k < 8; ++k) {
        std::vector<Pixel> expected(259);
        for (int i = 0; i < 259; ++i) {
            const Pixel p = source[i];
            expected[i] = toward(p >> 16 & 0xFF, k) << 16 | toward(p >> 8 & 0xFF, k) << 8 | toward(p & 0xFF, k);
        }
        for (const bool wide : {false, true}) {
            if (useWideKernels(wide) != wide) continue;
            std::vector<Pixel> target(259, 0xFFFFFFFF);
            std::vector<Pixel> copy(259, 0xFFFFFFFF);
            pixelsTowardWhite(target.data(), nullptr, source.data(), 259, k);
            EXPECT_TRUE(target == expected) << "level " << k << (wide ? " wide" : " plain");
            pixelsTowardWhite(target.data(), copy.data(), source.data(), 259, k);
            EXPECT_TRUE(copy == expected) << "copy, level " << k << (wide ? " wide" : " plain");
        }
    }
    useWideKernels(true);
}

// Lines wholly inside the clip rectangle, of every major length up to the screen's and of
// minor lengths at both ends of the range and between: the longest lines are where a
// position found from the step alone would first drift from the walked one.
TEST_F(PrimitivesTest, InsideLinesOfEveryLengthKeepTheStepRule)
{
    std::vector<Pixel> expected(framePixels, 0);
    for (int major = 1; major <= 638; ++major) {
        for (const int minor : {1, major / 3, major / 2, (2 * major) / 3, major - 1, major}) {
            for (const bool xMajor : {true, false}) {
                const int dx = xMajor ? major : minor;
                const int dy = xMajor ? minor : major;
                if (dy > 478) continue;
                for (const bool rising : {false, true}) {
                    const int x1 = 1;
                    const int y1 = rising ? 1 + dy : 1;
                    const int y2 = rising ? 1 : 1 + dy;
                    referenceLine(expected, x1, y1, x1 + dx, y2, 1);
                    drawLineAdd(frame.data(), x1 + dx, y2, x1, y1, 1);
                    ASSERT_TRUE(frame == expected) << "(" << x1 << ", " << y1 << ") to (" << x1 + dx << ", " << y2 << ")";
                    // Only the line's box was lit; clear it for the next line.
                    for (int y = 1; y <= 1 + dy; ++y) {
                        for (int x = x1; x <= x1 + dx; ++x) expected[y * screenWidth + x] = frame[y * screenWidth + x] = 0;
                    }
                }
            }
        }
    }
}
