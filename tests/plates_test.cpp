#include "scenes/plates.h"

#include <gtest/gtest.h>

#include "frame_test.h"

#include <vector>

namespace {

// One step of the plates at music time `time` and its drawing, as a pass does them.
void stepAndDrawPlates(Pixel* frame, PlateState& state, std::int32_t time)
{
    stepTitlePlates(state, time, bakedShowTiming());
    drawTitlePlates(frame, state);
}

std::vector<Pixel> plainImage(Pixel colour)
{
    return std::vector<Pixel>(plateWidth * plateHeight, colour);
}

struct PlatesTest : FrameTest {
    PlateState state;
    // Left edge and top of the lit block, or -1 when nothing is lit.
    std::pair<int, int> litCorner() const
    {
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x)
                if (at(x, y) != 0) {
                    int left = x;
                    for (int yy = y; yy < screenHeight; ++yy)
                        for (int xx = 0; xx < left; ++xx)
                            if (at(xx, yy) != 0) left = xx;
                    return {left, y};
                }
        return {-1, -1};
    }
};

TEST_F(PlatesTest, LevelsScaleEachChannelDownByLevelOver64)
{
    keepPlatePicture(0, plainImage(0xFF6401).data());
    EXPECT_EQ(platePixel(0, 0, 0, 0), 0u);
    EXPECT_EQ(platePixel(0, 1, 0, 0), 0x030100u);
    EXPECT_EQ(platePixel(0, 32, 5, 100), 0x7F3200u);
    EXPECT_EQ(platePixel(0, 63, 16, 358), 0xFB6200u);
}

TEST_F(PlatesTest, SlotsKeepTheirOwnEntries)
{
    keepPlatePicture(2, plainImage(0x000000).data());
    keepPlatePicture(3, plainImage(0xFFFFFF).data());
    keepPlatePicture(4, plainImage(0x000000).data());
    for (int level = 1; level < 64; ++level) {
        EXPECT_EQ(platePixel(2, level, 16, 358), 0u);
        EXPECT_EQ(platePixel(4, level, 0, 0), 0u);
        EXPECT_NE(platePixel(3, level, 7, 200), 0u);
    }
    // Each source pixel fills its own place: only the pixel at row 2, column 5 is bright.
    std::vector<Pixel> image = plainImage(0);
    image[2 * plateWidth + 5] = 0x808080;
    keepPlatePicture(3, image.data());
    EXPECT_EQ(platePixel(3, 32, 2, 5), 0x404040u);
    EXPECT_EQ(platePixel(3, 32, 2, 4), 0u);
    EXPECT_EQ(platePixel(3, 32, 1, 5), 0u);
}

TEST_F(PlatesTest, DrawnPlateIsUprightAddedAndClipped)
{
    std::vector<Pixel> image = plainImage(0);
    image[16 * plateWidth + 0] = 0xFF0000;    // top-left of the picture (stored last)
    image[0 * plateWidth + 358] = 0x0000FF;   // bottom-right (stored first)
    keepPlatePicture(1, plainImage(0xFFFFFF).data());
    keepPlatePicture(1, image.data());  // refilling a slot forgets the old picture
    frame[RowOffsets[350] + 22] = 0x10F010;
    drawPlate(frame.data(), -249, -100, 1, 63);
    EXPECT_EQ(at(22, 350), 0xFFF010u);
    EXPECT_EQ(at(22 + 358, 350 + 16), 0x0000FBu);
    EXPECT_EQ(countLit(), 2);

    frame.assign(framePixels, 0);
    keepPlatePicture(1, plainImage(0xFFFFFF).data());
    drawPlate(frame.data(), -271 - 100, -450 - 8, 1, 63);  // hangs over the top-left corner
    EXPECT_EQ(countLit(), (359 - 101) * (17 - 9));
    for (int x = 0; x < screenWidth; ++x) EXPECT_EQ(at(x, 0), 0u);
    for (int y = 0; y < screenHeight; ++y) EXPECT_EQ(at(0, y), 0u);

    frame.assign(framePixels, 0);
    drawPlate(frame.data(), 639 - 271 - 10, 479 - 450 - 3, 1, 63);  // the bottom-right corner
    EXPECT_EQ(countLit(), 11 * 4);
    drawPlate(frame.data(), 100000, 100000, 1, 63);
    drawPlate(frame.data(), -100000, 0, 1, 63);
    EXPECT_EQ(countLit(), 11 * 4);
}

TEST_F(PlatesTest, FirstWindowStartsAtLevelOneFromX22Y350AndDrifts)
{
    keepPlatePicture(0, plainImage(0xFFFFFF).data());
    stepAndDrawPlates(frame.data(), state, 2001);
    EXPECT_EQ(state.plateLevel, 1);
    EXPECT_EQ(litCorner(), (std::pair<int, int>{22, 350}));
    EXPECT_EQ(at(22, 350), 0x030303u);
    EXPECT_EQ(at(22 + 358, 366), 0x030303u);
    EXPECT_EQ(countLit(), plateWidth * plateHeight);

    frame.assign(framePixels, 0);
    stepAndDrawPlates(frame.data(), state, 2020);
    EXPECT_EQ(litCorner(), (std::pair<int, int>{23, 350}));
    EXPECT_EQ(state.plateLevel, 2);
}

TEST_F(PlatesTest, WindowBoundsDrawNothingAndLeaveTheLevel)
{
    for (int slot : {0, 1, 2, 3, 5, 7, 8}) keepPlatePicture(slot, plainImage(0xFFFFFF).data());
    state.plateLevel = 40;
    for (std::int32_t t : {2000, 8000, 14000, 20000, 26000, 32000, 38000, 41700, 50000, 0}) {
        stepAndDrawPlates(frame.data(), state, t);
        EXPECT_EQ(state.plateLevel, 40) << t;
    }
    EXPECT_EQ(countLit(), 0);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(state.plateOffset[k], 0);
}

TEST_F(PlatesTest, LevelRisesToAtMost63AndFallsToAtLeast0)
{
    for (int k = 0; k < 100; ++k) stepAndDrawPlates(frame.data(), state, 3000);
    EXPECT_EQ(state.plateLevel, 63);
    EXPECT_EQ(state.plateOffset[0], 100);
    for (int k = 0; k < 100; ++k) stepAndDrawPlates(frame.data(), state, 6000);
    EXPECT_EQ(state.plateLevel, 0);
    stepAndDrawPlates(frame.data(), state, 5000);  // last fade-in time
    EXPECT_EQ(state.plateLevel, 1);
    stepAndDrawPlates(frame.data(), state, 5001);  // first fade-out time
    EXPECT_EQ(state.plateLevel, 0);
}

TEST_F(PlatesTest, EachWindowDrawsItsSlotAtItsRowAndDirection)
{
    struct Expect {
        std::int32_t time;
        int slot;
        int left;  // first frame
        int top;
    };
    const Expect windows[7] = {{2001, 0, 22, 350},  {8001, 1, 95, 250},  {14001, 2, 22, 150},
                               {20001, 5, 95, 350}, {26001, 3, 22, 100}, {32001, 7, 95, 325},
                               {38001, 8, 22, 250}};
    for (int slot = 0; slot < plateSlots; ++slot) keepPlatePicture(slot, plainImage(0).data());
    for (const Expect& w : windows) {
        keepPlatePicture(w.slot, plainImage(0xFFFFFF).data());
        PlateState fresh;
        frame.assign(framePixels, 0);
        stepAndDrawPlates(frame.data(), fresh, w.time);
        EXPECT_EQ(litCorner(), (std::pair<int, int>{w.left, w.top})) << w.time;
        EXPECT_EQ(countLit(), plateWidth * plateHeight) << w.time;
        keepPlatePicture(w.slot, plainImage(0).data());
    }
}


// At five frames a second the first plate rises for the 15 frames 2200..5000 and falls for
// the 14 frames 5200..7800, so it leaves level 1; the frame at 8000 lies in no window, and the
// second plate's first frame (8200) starts from that level: 2, drawn at 255 * 2 / 64 = 7.
TEST_F(PlatesTest, NextPlateStartsFromTheLevelThePreviousOneLeft)
{
    for (int slot : {0, 1}) keepPlatePicture(slot, plainImage(0xFFFFFF).data());
    for (std::int32_t t = 2200; t <= 8000; t += 200) stepAndDrawPlates(frame.data(), state, t);
    EXPECT_EQ(state.plateLevel, 1);
    frame.assign(framePixels, 0);
    stepAndDrawPlates(frame.data(), state, 8200);
    EXPECT_EQ(state.plateLevel, 2);
    EXPECT_EQ(litCorner(), (std::pair<int, int>{95, 250}));
    EXPECT_EQ(at(95, 250), 0x070707u);
    EXPECT_EQ(at(95 + 358, 266), 0x070707u);
}

}  // namespace
