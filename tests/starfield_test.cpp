#include "scenes/starfield.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr Pixel backgroundColour = 0x102030;

struct StarfieldTest : ::testing::Test {
    std::unique_ptr<StarfieldState> owned = std::make_unique<StarfieldState>();
    StarfieldState& state = *owned;
    std::vector<Pixel> background = std::vector<Pixel>(framePixels, backgroundColour);
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);

    // Every star far away and far off to the side, so it stays off screen and keeps its slot.
    void SetUp() override
    {
        buildRowOffsets();
        for (Star& star : state.stars) star = Star{1e6f, 1e6f, -900.0f, 0, 0};
    }

    void draw()
    {
        stepStarfield(state);
        drawStarfield(frame.data(), state, background.data());
    }
    Pixel at(int x, int y) const { return frame[y * screenWidth + x]; }
    int countStars() const
    {
        int n = 0;
        for (Pixel p : frame) n += p == starColour;
        return n;
    }
    static double firstSway() { return 2.0 * std::cos(0.02f + 0.1) + std::sin(0.02f - 0.1); }
};

TEST_F(StarfieldTest, GeneratorStaysInFifteenBitsAndRepeatsFromASeed)
{
    seedRand15(12345);
    std::vector<int> first;
    bool high = false;
    for (int i = 0; i < 1000; ++i) {
        const int r = rand15();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        high = high || r > 16383;
        first.push_back(r);
    }
    EXPECT_TRUE(high);
    seedRand15(12345);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(rand15(), first[i]);
}

TEST_F(StarfieldTest, SpawnTakesThreeDrawsForXYThenZInStarOrder)
{
    seedRand15(99);
    const int r[6] = {rand15(), rand15(), rand15(), rand15(), rand15(), rand15()};
    seedRand15(99);
    initStars(state);
    EXPECT_EQ(state.stars[0].x, float(320 - r[0] % 640));
    EXPECT_EQ(state.stars[0].y, float(240 - r[1] % 480));
    EXPECT_EQ(state.stars[0].z, float(-(r[2] % 1000)));
    EXPECT_EQ(state.stars[1].x, float(320 - r[3] % 640));
    EXPECT_EQ(state.stars[1].z, float(-(r[5] % 1000)));
    for (const Star& star : state.stars) {
        EXPECT_GE(star.x, -319.0f);
        EXPECT_LE(star.x, 320.0f);
        EXPECT_GE(star.y, -239.0f);
        EXPECT_LE(star.y, 240.0f);
        EXPECT_GE(star.z, -999.0f);
        EXPECT_LE(star.z, 0.0f);
    }
}

TEST_F(StarfieldTest, FirstFrameCopiesTheBackgroundAndSwaysEveryStar)
{
    state.stars[5] = Star{100.0f, -50.0f, -130.0f, 0, 0};  // divisor -64: factor -1
    draw();
    EXPECT_EQ(state.starTime, 0.02f);
    const float x = float(100.0 + firstSway());
    const float y = float(-50.0 + firstSway());
    EXPECT_NEAR(x - 100.0f, 1.9057f, 1e-4f);
    EXPECT_EQ(state.stars[5].x, x);
    EXPECT_EQ(state.stars[5].y, y);
    EXPECT_EQ(state.stars[5].z, -128.0f);
    EXPECT_EQ(state.stars[5].sx, 218);  // 320 - 101.9
    EXPECT_EQ(state.stars[5].sy, 288);  // 240 + 48.09
    EXPECT_EQ(at(218, 288), starColour);
    EXPECT_EQ(countStars(), 1);
    EXPECT_EQ(at(0, 0), backgroundColour);
    EXPECT_EQ(at(639, 479), backgroundColour);
}

TEST_F(StarfieldTest, StarsPassingTheNearLimitRespawnWithTheNextDraws)
{
    state.stars[0] = Star{10.0f, 10.0f, -65.0f, 0, 0};  // -63 after the step
    state.stars[1] = Star{10.0f, 10.0f, -66.0f, 0, 0};  // exactly -64: stays, divisor 0
    seedRand15(4242);
    const int r[3] = {rand15(), rand15(), rand15()};
    seedRand15(4242);
    draw();
    EXPECT_EQ(state.stars[0].x, float(float(320 - r[0] % 640) + firstSway()));
    EXPECT_EQ(state.stars[0].y, float(float(240 - r[1] % 480) + firstSway()));
    EXPECT_EQ(state.stars[0].z, float(-(r[2] % 1000)));  // not stepped again after the spawn
    EXPECT_EQ(state.stars[1].z, -64.0f);
    EXPECT_EQ(state.stars[1].x, float(10.0 + firstSway()));
    // Only the respawned star can show; the one at divisor 0 draws nothing.
    EXPECT_LE(countStars(), 1);
}

TEST_F(StarfieldTest, DivisorZeroAndHugeProjectionsDrawNothingAndKeepMoving)
{
    state.stars[0] = Star{0.0f, 0.0f, -66.0f, 0, 0};
    state.stars[1] = Star{3e9f, 3e9f, -67.0f, 0, 0};  // factor 64: far beyond 32 bits
    draw();
    EXPECT_EQ(countStars(), 0);
    EXPECT_EQ(state.stars[0].z, -64.0f);
    EXPECT_EQ(state.stars[0].x, float(firstSway()));
    EXPECT_EQ(state.stars[1].z, -65.0f);
    EXPECT_EQ(state.stars[1].x, float(3e9f + firstSway()));
}

TEST_F(StarfieldTest, ColumnAndRowZeroNeverReceiveAStar)
{
    // Factor -1: a position of 320.2 lands on column 0, 240.3 on row 0.
    state.stars[0] = Star{float(320.2 - firstSway()), 0.0f, -130.0f, 0, 0};
    state.stars[1] = Star{0.0f, float(240.3 - firstSway()), -130.0f, 0, 0};
    state.stars[2] = Star{float(318.5 - firstSway()), float(238.5 - firstSway()), -130.0f, 0, 0};
    draw();
    EXPECT_EQ(state.stars[0].sx, 0);
    EXPECT_EQ(state.stars[1].sy, 0);
    EXPECT_EQ(at(0, 240), backgroundColour);
    EXPECT_EQ(at(320, 0), backgroundColour);
    EXPECT_EQ(at(1, 1), starColour);
    EXPECT_EQ(countStars(), 1);
}

}  // namespace
