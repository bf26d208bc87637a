// The kept frame: a pass that begins with the picture the last one began with puts back only
// what was drawn over it, and every drawing of the show marks where it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "base/input.h"
#include "app/loading.h"
#include "app/timeline.h"
#include "render/backdrop.h"
#include "assets/asc.h"
#include "render/mesh.h"
#include "render/primitives.h"
#include "scenes/cursor.h"
#include "scenes/sphere.h"
#include "scenes/menu.h"

namespace {

struct Backdrop : ::testing::Test {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    std::vector<Pixel> picture = std::vector<Pixel>(framePixels);
    Frame kept;

    void SetUp() override
    {
        buildRowOffsets();
        for (int i = 0; i < framePixels; ++i) picture[std::size_t(i)] = Pixel(i * 2654435761u) & 0xFFFFFF;
        kept = keepFrame(frame.data());
        // The first pass on a picture copies it whole.
        EXPECT_FALSE(restoreBackdrop(kept, picture.data()));
        frame = picture;
    }
    void TearDown() override { forgetKeptFrame(); }

    Pixel& at(int x, int y) { return frame[std::size_t(y) * screenWidth + x]; }
    bool showsPicture(int x, int y) const
    {
        const std::size_t i = std::size_t(y) * screenWidth + x;
        return frame[i] == picture[i];
    }
};

TEST_F(Backdrop, PutsBackOnlyWhatWasMarked)
{
    at(100, 50) = 1;
    at(300, 50) = 2;  // the same rows as the mark: its columns are put back with it
    markDrawn(kept, 100, 50, 101, 51);
    markDrawn(kept, 300, 50, 301, 51);
    at(5, 400) = 3;  // drawn without a mark
    EXPECT_EQ(unmarkedChanges(), 1);
    const std::int32_t star = 200 * screenWidth + 600;
    frame[star] = 4;
    markDrawnPixels(kept, &star, 1);

    EXPECT_TRUE(restoreBackdrop(kept, picture.data()));
    EXPECT_TRUE(showsPicture(100, 50));
    EXPECT_TRUE(showsPicture(300, 50));
    EXPECT_TRUE(showsPicture(600, 200));
    EXPECT_EQ(at(5, 400), 3u);
}

// Every primitive that takes a frame marks what it writes; a new drawing built from them can
// not leave a trail.
TEST_F(Backdrop, EveryFramePrimitiveMarksWhatItWrites)
{
    const auto drawings = std::vector<void (*)(Frame)>{
        [](Frame f) { plotAdd(f, 7, 9, 0x102030); },
        [](Frame f) { drawLineAdd(f, 630, 470, 3, 200, 0x404040); },
        [](Frame f) { drawLineAdd(f, -50, 10, 700, 300, 0x010101); },
        [](Frame f) { drawLineAdd(f, 320, -40, 320, 600, 0x202020); },
        [](Frame f) { fillSpan(f, 600, 700, 479, 0xFFFFFF); },
        [](Frame f) { fillSpan(f, 12, 12, 33, 0xFFFFFF); },
        [](Frame f) { blendSpan(f, -5, 320, 240, 0x808080); },
        [](Frame f) { fillTriangle(f, 100, 100, 400, 120, 250, 470, 0x00FF00, 0); },
        [](Frame f) { fillTriangle(f, -80, 500, 700, 400, 320, -60, 0x0000FF, 1); },
    };
    for (std::size_t k = 0; k < drawings.size(); ++k) {
        drawings[k](kept);
        int x = -1;
        int y = -1;
        EXPECT_FALSE(firstUnmarkedChange(x, y)) << "drawing " << k << " left (" << x << ", " << y << ") unmarked";
        EXPECT_EQ(unmarkedChanges(), 0) << "drawing " << k;
        EXPECT_TRUE(restoreBackdrop(kept, picture.data()));
        EXPECT_EQ(frame, picture) << "drawing " << k << " was not put back";
    }
}

TEST_F(Backdrop, TheCheckNamesTheFirstPixelWrittenWithoutAMark)
{
    int x = -1;
    int y = -1;
    EXPECT_FALSE(firstUnmarkedChange(x, y));
    at(500, 300) ^= 1;
    at(20, 301) ^= 1;
    at(2, 300) ^= 1;
    const std::int32_t star = 300 * screenWidth + 2;
    markDrawnPixels(kept, &star, 1);  // the first in row order is marked
    ASSERT_TRUE(firstUnmarkedChange(x, y));
    EXPECT_EQ(x, 500);
    EXPECT_EQ(y, 300);
    markDrawn(kept, 400, 300, 501, 301);
    ASSERT_TRUE(firstUnmarkedChange(x, y));
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 301);
}

TEST_F(Backdrop, MarksAreClippedToTheScreenAndEmptyOnesMarkNothing)
{
    for (int x = 0; x < screenWidth; ++x) at(x, 0) = 7;
    for (int y = 0; y < screenHeight; ++y) at(screenWidth - 1, y) = 7;
    markDrawn(kept, -(std::int64_t(1) << 40), -5, std::int64_t(1) << 40, 1);
    markDrawn(kept, screenWidth - 1, -100, screenWidth + 100, screenHeight + 100);
    markDrawn(kept, 50, 60, 50, 90);  // no columns
    markDrawn(kept, 50, 60, 40, 90);
    EXPECT_EQ(unmarkedChanges(), 0);
    EXPECT_TRUE(restoreBackdrop(kept, picture.data()));
    EXPECT_EQ(frame, picture);
}

TEST_F(Backdrop, AnotherPictureAnotherFrameOrUnknownDrawingIsCopiedWhole)
{
    std::vector<Pixel> other(framePixels, 9);
    EXPECT_FALSE(restoreBackdrop(kept, other.data()));
    frame = other;
    EXPECT_FALSE(restoreBackdrop(kept, picture.data()));  // the frame held the other one
    frame = picture;
    EXPECT_TRUE(restoreBackdrop(kept, picture.data()));

    markWholeFrame(kept);
    EXPECT_FALSE(restoreBackdrop(kept, picture.data()));

    std::vector<Pixel> second(framePixels, 0);
    markDrawn(second.data(), 0, 0, 10, 10);  // not the kept frame: no effect on it
    EXPECT_FALSE(restoreBackdrop(second.data(), picture.data()));
    EXPECT_TRUE(restoreBackdrop(kept, picture.data()));

    keepFrame(second.data());  // the first frame is no longer kept
    EXPECT_FALSE(restoreBackdrop(kept, picture.data()));
}

TEST_F(Backdrop, TooManyOrStrayPixelMarksMakeTheNextCopyWhole)
{
    std::vector<std::int32_t> stars(5000);
    for (std::size_t k = 0; k < stars.size(); ++k) stars[k] = std::int32_t(k * 61);
    markDrawnPixels(kept, stars.data(), int(stars.size()));
    EXPECT_FALSE(restoreBackdrop(kept, picture.data()));

    const std::int32_t outside = framePixels;
    markDrawnPixels(kept, &outside, 1);
    EXPECT_FALSE(restoreBackdrop(kept, picture.data()));
}

// Every pass of the show over each screen: after it, the kept frame differs from its
// picture only where the pass marked, so the next pass puts back everything drawn.
struct KeptShow : ::testing::Test {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    Frame kept;

    static void SetUpTestSuite()
    {
        buildRowOffsets();
        progressX = 0;
        showLoadingScreen(loadedAssets);
        loadAssets(loadedAssets);
    }
    void SetUp() override
    {
        menuFlags = MenuFlags{};
        inputState = InputState{};
        kept = keepFrame(frame.data());
    }
    void TearDown() override { forgetKeptFrame(); }

    // Passes every 17 ms from `from` to `to`, checking each.
    void runPasses(std::int32_t from, std::int32_t to)
    {
        for (std::int32_t t = from; t <= to; t += 17) {
            ASSERT_EQ(runTimeline(kept, t, loadedAssets), FrameResult::continues);
            ASSERT_EQ(unmarkedChanges(), 0) << "at " << t << " ms, screen " << int(menuFlags.screen);
        }
    }
    void click(int x, int y)
    {
        inputState.mouseX = std::uint16_t(x);
        inputState.mouseY = std::uint16_t(y);
        inputState.leftDown = 1;
    }
};

// Faces scattered over the screen, each apart from the others, some turned away and some
// beyond the depth window: whichever of them is drawn, first or last, lies inside the mark.
TEST_F(Backdrop, AMeshMarksEveryFaceItDraws)
{
    auto owned = std::make_unique<Mesh>();
    Mesh& mesh = *owned;
    std::srand(41);
    for (int round = 0; round < 40; ++round) {
        mesh.faceCount = 1 + std::rand() % 30;
        mesh.vertexCount = 3 * mesh.faceCount;
        mesh.fillLit = 0;
        mesh.fillRed = 200;
        mesh.fillGreen = mesh.fillBlue = 0;
        mesh.wireLit = 0;
        mesh.wireRed = mesh.wireGreen = mesh.wireBlue = 16;
        for (int f = 0; f < mesh.faceCount; ++f) {
            mesh.faces[f] = MeshFace{std::uint16_t(3 * f), std::uint16_t(3 * f + 1), std::uint16_t(3 * f + 2), 0};
            const float x = float(20 + std::rand() % 560);
            const float y = float(20 + std::rand() % 420);
            const float turn = std::rand() % 4 == 0 ? -1.0f : 1.0f;
            const float z = std::rand() % 6 == 0 ? 400.0f : float(std::rand() % 100);
            const float corners[3][2] = {{x, y}, {x + turn * 12, y}, {x, y + 12}};
            for (int k = 0; k < 3; ++k) {
                mesh.worldVertices[3 * f + k] = MeshVertex{0, 0, z};
                mesh.screenPoints[3 * f + k] = MeshVertex{corners[k][0], corners[k][1], 0};
            }
        }
        prepareAndDrawMesh(kept, mesh, 1, round % 2 == 0);
        ASSERT_EQ(unmarkedChanges(), 0) << "round " << round;
        restoreBackdrop(kept, picture.data());
        ASSERT_TRUE(frame == picture) << "round " << round;
    }
}

// The show draws the wire only after the faces, over the same corners; drawn alone it marks
// its own lines.
TEST_F(KeptShow, WireDrawnAloneIsMarked)
{
    const std::vector<Pixel> picture(framePixels, 0x102030);
    ASSERT_FALSE(restoreBackdrop(kept, picture.data()));
    frame = picture;
    SphereState sphere;
    turnSphere(sceneMesh, sphere);
    placeSphere(sceneMesh);
    prepareFaces(sceneMesh);
    projectSphere(sceneMesh);
    sceneMesh.wireLit = 0;
    sceneMesh.wireRed = sceneMesh.wireGreen = sceneMesh.wireBlue = 16;
    drawMeshWire(kept, sceneMesh);
    EXPECT_NE(frame, picture);
    EXPECT_EQ(unmarkedChanges(), 0);
}

// The fullscreen program's own pointer, everywhere the mouse can be, over the menu picture.
TEST_F(KeptShow, TheFullscreenPointerIsMarked)
{
    MenuFlags flags{Screen::menu};
    flags.pointerVisible = true;
    CursorState cursor;
    for (const auto& at : {std::pair{0, 0}, std::pair{300, 200}, std::pair{635, 475}, std::pair{639, 479}, std::pair{320, 40}}) {
        inputState.mouseX = at.first;
        inputState.mouseY = at.second;
        if (!restoreBackdrop(kept, loadedAssets.plainMenu)) frame.assign(loadedAssets.plainMenu, loadedAssets.plainMenu + framePixels);
        stepCursor(inputState, flags, cursor);
        drawCursor(kept, cursor, loadedAssets.bubbles, loadedAssets.pointer);
        EXPECT_TRUE(cursor.pointerShown);
        EXPECT_EQ(unmarkedChanges(), 0) << at.first << ", " << at.second;
    }
}

TEST_F(KeptShow, IntroStarsPlatesAndGlobeAreAllMarked)
{
    runPasses(0, 400);
    runPasses(14600, 15000);      // the globe comes in
    runPasses(27500, 28400);      // its flash and wire
    runPasses(29000, 29600);      // plates drifting
    runPasses(41400, 42000);      // into the crossfade and its flash
}

TEST_F(KeptShow, MenuPagesClockAndCursorAreAllMarked)
{
    runPasses(41701, 41900);
    for (const int y : {125, 160, 200, 240, 40}) {  // hover each button, then the top strip
        inputState.mouseX = 300;
        inputState.mouseY = std::uint16_t(y);
        runPasses(44001, 44200);
    }
    for (const int y : {125, 160, 200, 240}) {  // each page, its scroll moved
        click(300, y);
        menuFlags.page2Scroll = 40;
        menuFlags.page3Scroll = 400;
        runPasses(45000, 45200);
        click(10, 470);  // back to the menu
        runPasses(45300, 45400);
    }
    click(320, 40);
    runPasses(46000, 46600);  // the clock page and its globe
    inputState.rightDown = 1;
    runPasses(47000, 47100);
}

}  // namespace
