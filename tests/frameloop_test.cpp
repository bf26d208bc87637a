// One frame pass as every driver of the show uses it: a loop on the desktop, the browser's
// animation frames in the page.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/frameloop.h"
#include "app/headless.h"
#include "app/invitation.h"
#include "app/loading.h"
#include "app/window.h"

namespace {

struct PassCounter {
    int presented = 0;
    Pixel firstPixel = 0;
};

PassCounter counter;

struct SeenFrames {
    bool seen = true;
    std::vector<Pixel> last;
};

SeenFrames seenFrames;

// Each test starts a run of its own in the same process: what an earlier run left behind (its
// shutdown, messages it never took) is cleared as a new process would have it.
void startCounted(std::int32_t startMs)
{
    shutdownRequested = false;
    clearMessages();
    simConfigure({startMs, 0});
    seenFrames = SeenFrames{};
    headlessOnFrameWanted([] { return seenFrames.seen; });
    headlessOnPresent([](const Pixel* frame) {
        ++counter.presented;
        counter.firstPixel = frame[RowOffsets[100] + 100];
        seenFrames.last.assign(frame, frame + framePixels);
    });
    ASSERT_TRUE(startInvitation());
    counter = PassCounter{};
}

// Ends a run that goes on as a close would, releasing what it loaded, so the next run in this
// process starts with nothing left over.
void endRun()
{
    shutDownOnce();
    finishInvitation(PassResult::quitMessage);
}

// The frame shown after `passes` passes from `startMs`, every one of them seen.
std::vector<Pixel> continuousFrame(std::int32_t startMs, int passes)
{
    startCounted(startMs);
    for (int k = 0; k < passes; ++k) EXPECT_EQ(runFramePass(), PassResult::goOn);
    endRun();
    return seenFrames.last;
}

TEST(FramePass, EachPassReadsTheClockOnceAndPresentsOneFrame)
{
    startCounted(5000);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(runFramePass(), PassResult::goOn);
        EXPECT_EQ(simPassesRead(), i);
        EXPECT_EQ(counter.presented, i);
        EXPECT_EQ(MusicTime, simTimeOfPass(i - 1));
    }
    EXPECT_NE(counter.firstPixel, 0u);
    finishInvitation(PassResult::goOn);
}

TEST(FramePass, ACloseEndsTheRunInThePassThatTakesItBeforeTheClockIsRead)
{
    startCounted(0);
    ASSERT_EQ(runFramePass(), PassResult::goOn);
    postMessage({msgClose, 0, 0});
    EXPECT_EQ(runFramePass(), PassResult::quitMessage);
    EXPECT_EQ(simPassesRead(), 1);
    EXPECT_EQ(counter.presented, 1);
    EXPECT_TRUE(shutdownRequested);
    EXPECT_EQ(loadedAssets.background, nullptr);
    finishInvitation(PassResult::quitMessage);
}

TEST(FramePass, TheExitButtonEndsTheRunWithoutShowingItsFrame)
{
    startCounted(50000);
    postMessage({msgMouseMove, 0, packPoint(300, 290)});
    ASSERT_EQ(runFramePass(), PassResult::goOn);
    const int shown = counter.presented;
    postMessage({msgLeftDown, 0, 0});
    const PassResult result = runFramePass();
    EXPECT_EQ(result, PassResult::quitButton);
    EXPECT_EQ(counter.presented, shown);
    EXPECT_EQ(simPassesRead(), 2);
    finishInvitation(result);
    EXPECT_EQ(loadedAssets.background, nullptr);
}

// A minimised window: its passes step the show without drawing or presenting, and the first
// frame seen again is the one a window in sight all along would show.
TEST(FramePass, PassesNotSeenStepWithoutDrawing)
{
    // From 14 s: the plates fade and drift and the globe comes in; 26 s: the flash's run-up.
    for (const std::int32_t start : {14000, 26000}) {
        const std::vector<Pixel> expected = continuousFrame(start, 301);
        startCounted(start);
        seenFrames.seen = false;
        for (int k = 0; k < 300; ++k) ASSERT_EQ(runFramePass(), PassResult::goOn);
        EXPECT_EQ(counter.presented, 0);
        EXPECT_EQ(simPassesRead(), 300);
        seenFrames.seen = true;
        ASSERT_EQ(runFramePass(), PassResult::goOn);
        EXPECT_EQ(counter.presented, 1);
        EXPECT_TRUE(seenFrames.last == expected) << "from " << start << " ms";
        endRun();
    }
}

// A browser tab out of sight for ten seconds: the pass after the gap steps what it missed at
// the music times it missed, then draws the frame a run without the gap shows.
// Animation frames that come early, late or not at all: every frame shows what a run of even
// passes shows at its music time, as long as the frames stay within half a step of their
// 60 Hz times. From 5.1 s to 7.1 s no scene changes course, so the steps' exact times do not
// show, only how many there were.
TEST(FramePass, CatchUpPassesKeepStepWithTheMusicThroughUnevenAndDroppedFrames)
{
    const std::vector<Pixel> expected = continuousFrame(5100, 120);
    startCounted(5100);
    for (int k = 0; k < 120; ++k) {
        // Every seventh animation frame is dropped; some come 6 ms early and the next 6 ms late.
        if (k % 7 == 6) {
            simSkipPasses(1);
            continue;
        }
        if (k % 5 == 1) simShiftNextRead(-6);
        if (k % 5 == 2) simShiftNextRead(6);
        ASSERT_EQ(runFramePass(), PassResult::goOn);
    }
    EXPECT_TRUE(seenFrames.last == expected);
    endRun();
}

TEST(FramePass, ACatchUpPassStepsWhatAGapMissed)
{
    const std::vector<Pixel> expected = continuousFrame(12000, 700);
    startCounted(12000);
    for (int k = 0; k < 99; ++k) ASSERT_EQ(runFramePass(), PassResult::goOn);
    simSkipPasses(600);
    ASSERT_EQ(runFramePass(), PassResult::goOn);
    EXPECT_EQ(counter.presented, 100);
    EXPECT_EQ(MusicTime, simTimeOfPass(699));
    EXPECT_TRUE(seenFrames.last == expected);
    endRun();
}

// A sound output that stalls for ten seconds holds the music still: the window keeps showing
// its frame, the plates do not move, and afterwards the show goes on from where its music is.
TEST(FramePass, WhileTheMusicStandsStillNothingSteps)
{
    const std::vector<Pixel> expected = continuousFrame(8100, 60);
    startCounted(8100);
    for (int k = 0; k < 30; ++k) ASSERT_EQ(runFramePass(), PassResult::goOn);
    simStall(600);
    for (int k = 0; k < 630; ++k) ASSERT_EQ(runFramePass(), PassResult::goOn);
    EXPECT_EQ(counter.presented, 660);
    EXPECT_EQ(MusicTime, simTimeOfPass(59));
    EXPECT_TRUE(seenFrames.last == expected);
    endRun();
}

// A pass in a slot it shares with the pass before it still steps, and the late pass after
// it does not step twice: over a second of passes that jitter across the slots' edges the
// show takes as many steps as the music has slots.
TEST(FramePass, PassesThatJitterAcrossSlotEdgesTakeOneStepPerSlot)
{
    const std::vector<Pixel> expected = continuousFrame(5100, 60);
    startCounted(5100);
    ASSERT_EQ(runFramePass(), PassResult::goOn);
    for (int k = 1; k < 60; ++k) {
        simShiftNextRead(k % 2 ? -2 : 2);  // 2 ms before a slot's edge, then 2 ms after the next
        ASSERT_EQ(runFramePass(), PassResult::goOn);
    }
    EXPECT_TRUE(seenFrames.last == expected);
    endRun();
}

TEST(FramePass, SlotsAreSixtiethsOfASecondFromTheMusicsStart)
{
    EXPECT_EQ(stepSlotTime(0), 0);
    EXPECT_EQ(stepSlotTime(1), 16);
    EXPECT_EQ(stepSlotTime(3), 50);
    EXPECT_EQ(stepSlotTime(600), 10000);
    EXPECT_EQ(lastStepSlot(0), 0);
    EXPECT_EQ(lastStepSlot(15), 0);
    EXPECT_EQ(lastStepSlot(16), 1);
    EXPECT_EQ(lastStepSlot(33), 2);
    EXPECT_EQ(lastStepSlot(49), 2);
    EXPECT_EQ(lastStepSlot(50), 3);
    EXPECT_EQ(lastStepSlot(-1), -1);
    EXPECT_EQ(lastStepSlot(2000000000), 120000000);
    // Every slot holds the time it begins at, and the next one begins after it.
    for (std::int64_t slot = -5; slot < 1000; ++slot) {
        ASSERT_EQ(lastStepSlot(stepSlotTime(slot)), slot);
        ASSERT_EQ(lastStepSlot(stepSlotTime(slot + 1) - 1), slot);
    }
}

}  // namespace
