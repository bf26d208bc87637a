// One frame pass as every driver of the show uses it: a loop on the desktop, the browser's
// animation frames in the page.
#include <gtest/gtest.h>

#include <cstring>

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

// Each test starts a run of its own in the same process: what an earlier run left behind (its
// shutdown, messages it never took) is cleared as a new process would have it.
void startCounted(std::int32_t startMs)
{
    shutdownRequested = false;
    clearMessages();
    simConfigure({startMs, 0});
    headlessOnPresent([](const Pixel* frame) {
        ++counter.presented;
        counter.firstPixel = frame[RowOffsets[100] + 100];
    });
    ASSERT_TRUE(startInvitation());
    counter = PassCounter{};
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

}  // namespace
