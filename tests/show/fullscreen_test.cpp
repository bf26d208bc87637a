// The offline renderer built as the fullscreen program is: its own pointer shows over the menu
// from the end of the crossfade, follows the mouse and leaves no trail where it was.
#include <gtest/gtest.h>

#include "show_helpers.h"

namespace {

// Pixels of two frames that differ inside the box [x0, x1) x [y0, y1), and outside it.
struct Differences {
    int inside = 0;
    int outside = 0;
};

Differences compare(const std::vector<Pixel>& a, const std::vector<Pixel>& b, int x0, int y0, int x1, int y1)
{
    Differences d;
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            if (pixelAt(a, x, y) == pixelAt(b, x, y)) continue;
            const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
            (in ? d.inside : d.outside) += 1;
        }
    }
    return d;
}

TEST(FullscreenShow, ThePointerFollowsTheMouseAndLeavesNoTrail)
{
    const std::string script = "44500 move 300 200\n45000 move 100 330\n45500 move 620 470\n";
    const std::string args = "--start 41500 --until 46000 --snap 44800,45300,45900";
    const ShowRun windowed = renderShow("pointer_windowed", args, script);
    const ShowRun fullscreen = renderShow("pointer_fullscreen", args, script, INVITE_RENDER_FULLSCREEN);
    ASSERT_EQ(windowed.exitCode, 0) << windowed.output;
    // A pixel drawn without a mark would have stopped the run.
    ASSERT_EQ(fullscreen.exitCode, 0) << fullscreen.output;
    const struct {
        const char* file;
        int x;
        int y;
    } Shots[] = {{"t44800.png", 300, 200}, {"t45300.png", 100, 330}, {"t45900.png", 620, 470}};
    for (const auto& shot : Shots) {
        const std::vector<Pixel> plain = showFrame(windowed, shot.file);
        const std::vector<Pixel> pointed = showFrame(fullscreen, shot.file);
        ASSERT_FALSE(plain.empty() || pointed.empty()) << shot.file;
        const Differences d = compare(plain, pointed, shot.x, shot.y, shot.x + 10, shot.y + 10);
        EXPECT_GT(d.inside, 10) << "no pointer at " << shot.x << ", " << shot.y;
        EXPECT_EQ(d.outside, 0) << "the pointer left pixels elsewhere in " << shot.file;
    }
}

}  // namespace
