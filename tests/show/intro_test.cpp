// The intro through the offline renderer: the sphere's first frame, a title plate in its
// fade-out, and the last starfield frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "assets/jpeg.h"
#include "scenes/plates.h"
#include "scenes/starfield.h"
#include "show_helpers.h"

namespace {

std::vector<Pixel> backgroundPicture()
{
    std::vector<std::uint8_t> scratch(jpegScratchBytes);
    std::vector<Pixel> picture(framePixels);
    decodeJpeg(extractResource("DATA_MORA01BACK_JPG"), scratch.data());
    convertTo32(scratch.data(), picture.data());
    return picture;
}

struct Box {
    int left = screenWidth, top = screenHeight, right = -1, bottom = -1;
    int count = 0;
    void add(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++count;
    }
};

Box differences(const std::vector<Pixel>& a, const std::vector<Pixel>& b)
{
    Box box;
    for (int y = 0; y < screenHeight; ++y)
        for (int x = 0; x < screenWidth; ++x)
            if (pixelAt(a, x, y) != pixelAt(b, x, y)) box.add(x, y);
    return box;
}

bool brighter(Pixel over, Pixel under)
{
    bool more = false;
    for (int shift : {0, 8, 16}) {
        const Pixel o = (over >> shift) & 0xFF;
        const Pixel u = (under >> shift) & 0xFF;
        if (o < u) return false;
        more = more || o > u;
    }
    return more;
}

// Each run draws one frame: the first frame of a run has the same stars and the same plate
// step whatever its time inside one plate window, so the frames differ only by the sphere.
std::vector<Pixel> firstFrameAt(int time)
{
    const std::string at = std::to_string(time);
    const ShowRun run = renderShow("intro_first_" + at, "--start " + at + " --until " + at +
                                                           " --snap " + at);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return showFrame(run, "t" + at + ".png");
}

TEST(IntroShow, SphereStartsStrictlyAfter14650)
{
    const std::vector<Pixel> before = firstFrameAt(14649);
    const std::vector<Pixel> edge = firstFrameAt(14650);
    const std::vector<Pixel> after = firstFrameAt(14651);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(edge.empty());
    ASSERT_FALSE(after.empty());

    EXPECT_EQ(differences(before, edge).count, 0);

    // The first sphere frame sits around (240, 247): translation (0, 15, 100).
    const Box sphere = differences(edge, after);
    EXPECT_GT(sphere.count, 2000);
    EXPECT_LT(sphere.left, 240);
    EXPECT_GT(sphere.right, 240);
    EXPECT_LT(sphere.top, 247);
    EXPECT_GT(sphere.bottom, 247);
    EXPECT_GT(sphere.left, 60);
    EXPECT_LT(sphere.right, 420);
}

TEST(IntroShow, SixtyFramesASecondShowThePlatesAndStarfieldToTheEnd)
{
    const ShowRun run = renderShow("intro_run", "--fps 60 --until 41700 --snap 14650,14651,30000,41683,41700");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<Pixel> background = backgroundPicture();
    const std::vector<Pixel> at14650 = showFrame(run, "t14650.png");
    const std::vector<Pixel> at14651 = showFrame(run, "t14651.png");  // the frame at 14666
    const std::vector<Pixel> at30000 = showFrame(run, "t30000.png");
    const std::vector<Pixel> at41683 = showFrame(run, "t41683.png");
    const std::vector<Pixel> at41700 = showFrame(run, "t41700.png");
    ASSERT_FALSE(at14650.empty());
    ASSERT_FALSE(at14651.empty());
    ASSERT_FALSE(at30000.empty());
    ASSERT_FALSE(at41683.empty());
    ASSERT_FALSE(at41700.empty());

    // At 14650 only stars and the third plate lie on the picture: the sphere's area is bare.
    int covered = 0;
    for (int y = 200; y < 300; ++y)
        for (int x = 190; x < 290; ++x) {
            const Pixel p = pixelAt(at14650, x, y);
            covered += p != pixelAt(background, x, y) && p != starColour;
        }
    EXPECT_EQ(covered, 0);
    EXPECT_GT(differences(at14650, at14651).count, 2000);

    // At 30000 the fifth window's plate fades out on rows 100..116, drifted right to about
    // x 260: its bright letters lift the picture there and nowhere in the band below.
    const auto lifted = [&](const std::vector<Pixel>& frame, int top, int left) {
        int n = 0;
        for (int y = top; y < top + plateHeight; ++y)
            for (int x = left; x < screenWidth; ++x) {
                const Pixel p = pixelAt(frame, x, y);
                n += p != starColour && brighter(p, pixelAt(background, x, y));
            }
        return n;
    };
    EXPECT_GT(lifted(at30000, 100, 1), 300);
    EXPECT_EQ(lifted(at30000, 60, 1), 0);
    // The last plate's window ended at 41699; it would lie right of the sphere, past x 300.
    EXPECT_GT(lifted(at41683, 250, 300), 300);
    EXPECT_EQ(lifted(at41700, 250, 300), 0);

    // The last intro frame is still the starfield over the picture: away from the sphere the
    // picture is untouched except for stars.
    int stars = 0;
    int other = 0;
    int sphere = 0;
    for (int y = 1; y < screenHeight; ++y)
        for (int x = 1; x < screenWidth; ++x) {
            const Pixel p = pixelAt(at41700, x, y);
            const bool changed = p != starColour && p != pixelAt(background, x, y);
            if (x > 20 && x < 460 && y > 20 && y < 460) {  // wherever the sphere may sway
                sphere += changed;
                continue;
            }
            stars += p == starColour;
            other += changed;
        }
    EXPECT_GT(stars, 20);
    EXPECT_EQ(other, 0);
    EXPECT_GT(sphere, 2000);
}

}  // namespace
