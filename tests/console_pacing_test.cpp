// When the console presents: vsync alone at 60 Hz, otherwise deadlines 1/60 s apart that
// never drift, never hurry after a stall, and a check that catches a vsync that does not wait.
#include <gtest/gtest.h>

#include "app/console_pacing.h"

namespace {

constexpr std::int64_t ms = 1000000;

TEST(Pacing, VsyncAloneOnlyOnASixtyHertzDisplay)
{
    EXPECT_TRUE(vsyncPacesAlone(true, 60));
    EXPECT_TRUE(vsyncPacesAlone(true, 59));  // 59.94 Hz as some drivers round it
    EXPECT_FALSE(vsyncPacesAlone(false, 60));
    EXPECT_FALSE(vsyncPacesAlone(true, 0));  // unknown
    EXPECT_FALSE(vsyncPacesAlone(true, 75));
    EXPECT_FALSE(vsyncPacesAlone(true, 144));
    EXPECT_FALSE(vsyncPacesAlone(true, 30));
}

TEST(Pacing, DeadlinesAreASixtiethApartAndDoNotDrift)
{
    FrameSchedule schedule;
    const std::int64_t start = 5000 * ms;
    EXPECT_EQ(nextFrameDeadline(schedule, start), start);
    // Frames that take 2 ms each: every later deadline is start + k / 60 s.
    std::int64_t now = start;
    std::int64_t deadline = 0;
    for (int k = 1; k <= 3600; ++k) {
        now += 2 * ms;
        deadline = nextFrameDeadline(schedule, now);
        ASSERT_EQ(deadline, start + k * 1000 * ms / 60) << k;
        now = deadline;  // the sleep ends at the deadline
    }
    EXPECT_EQ(deadline, start + 60000 * ms);  // a minute of frames, to the nanosecond
}

TEST(Pacing, ALateFrameKeepsTheScheduleAndAStallStartsANewOne)
{
    FrameSchedule schedule;
    nextFrameDeadline(schedule, 0);
    // Late by 10 ms, less than a frame: the next deadline has already passed, so no sleep,
    // and the one after is back on the original schedule.
    EXPECT_EQ(nextFrameDeadline(schedule, 26667 * ms / 1000), 16666666);
    EXPECT_EQ(nextFrameDeadline(schedule, 30 * ms), 33333333);
    // A stall of half a second: the schedule starts again from now rather than running the
    // thirty missed frames without a pause.
    const std::int64_t after = 540 * ms;
    EXPECT_EQ(nextFrameDeadline(schedule, after), after);
    EXPECT_EQ(nextFrameDeadline(schedule, after + 1 * ms), after + 16666666);
}

TEST(Pacing, AVsyncThatReturnsAtOnceIsFoundOut)
{
    VsyncCheck waits;
    std::int64_t now = 0;
    for (int frame = 0; frame < 600; ++frame) {
        now += 16666667;
        ASSERT_TRUE(vsyncStillPaces(waits, now)) << frame;
    }

    VsyncCheck instant;
    now = 0;
    bool paced = true;
    int frames = 0;
    while (paced && frames < 1000) {
        now += 2 * ms;  // presents that do not wait
        paced = vsyncStillPaces(instant, now);
        ++frames;
    }
    EXPECT_FALSE(paced);
    EXPECT_LE(frames, 61);  // within a second's worth of frames
}

TEST(Presentation, SoftwareRasterisersAreKnownByTheirNames)
{
    // OpenGL renderer strings as Mesa and Windows give them.
    for (const char* name : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast", "Software Rasterizer",
                             "GDI Generic", "Microsoft Basic Render Driver", "Google SwiftShader", "software"}) {
        EXPECT_TRUE(softwareRasteriser(name)) << name;
    }
    for (const char* name : {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)",
                             "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce GTX 1060/PCIe/SSE2", "opengl",
                             "direct3d11", "virgl", ""}) {
        EXPECT_FALSE(softwareRasteriser(name)) << name;
    }
    EXPECT_FALSE(softwareRasteriser(nullptr));
}

TEST(Presentation, TheTexturePathOnlyWhereAGraphicsCardDraws)
{
    const char* llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
    const char* radeon = "AMD Radeon RX 6600 (radeonsi, navi23)";
    EXPECT_EQ(choosePresentation("opengl", true, radeon), Presentation::texture);
    EXPECT_EQ(choosePresentation("direct3d11", true, nullptr), Presentation::texture);
    // SDL calls its OpenGL renderer accelerated even on Mesa's rasteriser.
    EXPECT_EQ(choosePresentation("opengl", true, llvmpipe), Presentation::surface);
    EXPECT_EQ(choosePresentation("opengles2", true, "softpipe"), Presentation::surface);
    EXPECT_EQ(choosePresentation("software", false, nullptr), Presentation::surface);
    EXPECT_EQ(choosePresentation("opengl", false, radeon), Presentation::surface);
    EXPECT_EQ(choosePresentation(nullptr, false, nullptr), Presentation::surface);  // no renderer at all
}

TEST(Presentation, TheUserMayChooseEitherWay)
{
    Presentation chosen = Presentation::surface;
    EXPECT_TRUE(forcedPresentation("texture", chosen));
    EXPECT_EQ(chosen, Presentation::texture);
    EXPECT_TRUE(forcedPresentation("Surface", chosen));
    EXPECT_EQ(chosen, Presentation::surface);
    EXPECT_TRUE(forcedPresentation("TEXTURE", chosen));
    EXPECT_EQ(chosen, Presentation::texture);
    // Anything else leaves the choice to the renderer, and the last choice untouched.
    for (const char* other : {"", "gpu", "surfaces", "auto"}) {
        EXPECT_FALSE(forcedPresentation(other, chosen)) << other;
        EXPECT_EQ(chosen, Presentation::texture);
    }
    EXPECT_FALSE(forcedPresentation(nullptr, chosen));
}

}  // namespace
