// The timeline's pass: every step moves each scene by exactly one 1/60 s, and drawing what the
// steps left changes no state at all.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/loading.h"
#include "app/timeline.h"
#include "assets/asc.h"
#include "base/input.h"
#include "render/backdrop.h"
#include "scenes/cursor.h"
#include "scenes/menu.h"
#include "scenes/plates.h"
#include "scenes/sphere.h"
#include "scenes/starfield.h"

namespace {

// Everything a step may change, copied whole so that any change shows.
struct ShowSnapshot {
    std::vector<unsigned char> bytes;

    static ShowSnapshot take()
    {
        ShowSnapshot snapshot;
        const auto add = [&](const void* data, std::size_t size) {
            const auto* first = static_cast<const unsigned char*>(data);
            snapshot.bytes.insert(snapshot.bytes.end(), first, first + size);
        };
        add(&starfield, sizeof starfield);
        add(&plates, sizeof plates);
        add(&menuFlags, sizeof menuFlags);
        add(&cursorState, sizeof cursorState);
        add(&sphereState, sizeof sphereState);
        add(&inputState, sizeof inputState);
        add(&sceneMesh.angles, sizeof sceneMesh.angles);
        add(&sceneMesh.objectMatrix, sizeof sceneMesh.objectMatrix);
        add(&sceneMesh.wireRed, sizeof(std::int32_t) * 8);
        add(sceneMesh.vertices, sizeof sceneMesh.vertices);
        add(sceneMesh.faceNormals, sizeof sceneMesh.faceNormals);
        return snapshot;
    }
};

struct TimelinePass : ::testing::Test {
    std::vector<Pixel> pixels = std::vector<Pixel>(framePixels, 0);

    static void SetUpTestSuite()
    {
        buildRowOffsets();
        resetShow();
        progressX = 0;
        showLoadingScreen(loadedAssets);
        loadAssets(loadedAssets);
    }
    void SetUp() override
    {
        resetShow();
        initStars(starfield);
        std::memset(&sceneMesh, 0, sizeof sceneMesh);
        loadAsc(extractResource("DATA_ZSPHERE_ASC"), sceneMesh);
    }
    void TearDown() override { forgetKeptFrame(); }
};

TEST_F(TimelinePass, EachStepMovesEverySceneOnce)
{
    // 20.5 s: the stars fly, the fourth plate drifts left, the globe turns.
    ASSERT_EQ(stepTimeline(20500), FrameResult::continues);
    EXPECT_FLOAT_EQ(starfield.starTime, 0.02f);
    EXPECT_FLOAT_EQ(sphereState.sceneTime, 0.005f);
    EXPECT_FLOAT_EQ(sceneMesh.angles.y, 0.02f);
    EXPECT_EQ(plates.plateOffset[3], -1);
    EXPECT_EQ(plates.plateLevel, 1);
    ASSERT_EQ(stepTimeline(20517), FrameResult::continues);
    EXPECT_FLOAT_EQ(starfield.starTime, 0.04f);
    EXPECT_FLOAT_EQ(sphereState.sceneTime, 0.01f);
    EXPECT_EQ(plates.plateOffset[3], -2);
    EXPECT_EQ(plates.plateLevel, 2);

    // Into the crossfade: one level a step, the first drawn at 7.
    ASSERT_EQ(stepTimeline(41717), FrameResult::continues);
    EXPECT_EQ(menuFlags.crossfadeShown, 7);
    EXPECT_EQ(menuFlags.crossfadeLevel, 6);
    EXPECT_FLOAT_EQ(starfield.starTime, 0.04f) << "the stars stop with the intro";
    ASSERT_EQ(stepTimeline(41734), FrameResult::continues);
    EXPECT_EQ(menuFlags.crossfadeShown, 6);
}

// The crossfade steps from the menu's first moment to its last, 44000 ms, and no further.
TEST_F(TimelinePass, TheCrossfadeStepsThroughItsLastMoment)
{
    ASSERT_EQ(stepTimeline(41700), FrameResult::continues);
    EXPECT_EQ(menuFlags.crossfadeLevel, 7) << "41700 is still the intro";
    EXPECT_EQ(menuFlags.screen, Screen::intro);
    ASSERT_EQ(stepTimeline(44000), FrameResult::continues);
    EXPECT_EQ(menuFlags.crossfadeShown, 7);
    EXPECT_EQ(menuFlags.crossfadeLevel, 6);
    EXPECT_EQ(menuFlags.screen, Screen::menu);
    ASSERT_EQ(stepTimeline(44001), FrameResult::continues);
    EXPECT_EQ(menuFlags.crossfadeLevel, 6) << "the plain menu follows";
}

TEST_F(TimelinePass, DrawingChangesNoState)
{
    const Frame frame = keepFrame(pixels.data());
    inputState.mouseX = 300;
    inputState.mouseY = 40;  // the bubble over the top strip
    for (const std::int32_t time : {500, 15000, 27560, 30000, 41717, 45000, 45017}) {
        ASSERT_EQ(stepTimeline(time), FrameResult::continues);
        const ShowSnapshot before = ShowSnapshot::take();
        drawTimeline(frame, loadedAssets);
        drawTimeline(frame, loadedAssets);
        EXPECT_TRUE(ShowSnapshot::take().bytes == before.bytes) << "drawing at " << time << " ms changed the show";
    }
    // The clock page with its globe and wire.
    inputState.leftDown = 1;
    ASSERT_EQ(stepTimeline(45034), FrameResult::continues);
    ASSERT_EQ(menuFlags.screen, Screen::clock);
    ASSERT_EQ(stepTimeline(45051), FrameResult::continues);
    const ShowSnapshot before = ShowSnapshot::take();
    drawTimeline(frame, loadedAssets);
    EXPECT_TRUE(ShowSnapshot::take().bytes == before.bytes) << "drawing the clock page changed the show";
}

}  // namespace
