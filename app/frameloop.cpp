#include "app/frameloop.h"

#include "app/console.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window.h"
#include "render/backdrop.h"

std::int32_t MusicTime = 0;

namespace {

constexpr std::int32_t stepsPerSecond = 60;
constexpr int longestCatchUp = 60 * stepsPerSecond;

// Hands every queued message to the window procedure; false once the quit message is taken.
bool pumpMessages()
{
    beginMessagePump();
    consolePumpEvents();
    Message message;
    while (takeMessage(message)) {
        if (message.code == msgQuit) return false;
        windowProc(message);
    }
    return true;
}

// The timeline's first block always replaces every pixel (the background picture during the
// intro, a crossfade level, the menu picture after), so clearing the frame first would change
// no pixel the viewer sees. Every console keeps its frame from one pass to the next and only
// the timeline draws into it, so that block need only put back what the last pass drew over
// the same picture.
void drawAndPresent()
{
    drawTimeline(keepFrame(consoleLock()), loadedAssets);
    presentFrame();
}

PassResult stepAndShow(std::int32_t time)
{
    MusicTime = time;
    if (stepTimeline(time) == FrameResult::quit) return PassResult::quitButton;
    if (consoleFrameSeen()) drawAndPresent();
    else consoleSkipFrame();
    return PassResult::goOn;
}

}  // namespace

int missedSteps(std::int32_t last, std::int32_t now)
{
    const std::int64_t gap = std::int64_t(now) - last;
    // Two and a half steps: a late animation frame or a jittery clock is no gap.
    if (gap * stepsPerSecond * 2 < 5 * 1000) return 0;
    const std::int64_t steps = (gap * stepsPerSecond + 500) / 1000 - 1;
    return int(steps < longestCatchUp ? steps : longestCatchUp);
}

std::int32_t missedStepTime(std::int32_t last, std::int32_t now, int k, int count)
{
    return std::int32_t(last + (std::int64_t(now) - last) * k / (count + 1));
}

void presentFrame()
{
    consoleUnlock();
    consoleUpdate();
}

PassResult runFramePass()
{
    if (!pumpMessages()) return PassResult::quitMessage;
    return stepAndShow(musicPosition());
}

PassResult runCatchUpPass()
{
    if (!pumpMessages()) return PassResult::quitMessage;
    const std::int32_t time = musicPosition();
    std::int32_t last = 0;
    if (lastStepTime(last)) {
        const int missed = missedSteps(last, time);
        for (int k = 1; k <= missed; ++k) {
            MusicTime = missedStepTime(last, time, k, missed);
            if (stepTimeline(MusicTime) == FrameResult::quit) return PassResult::quitButton;
        }
    }
    return stepAndShow(time);
}

PassResult runFrameLoop()
{
    for (;;) {
        const PassResult result = runFramePass();
        if (result != PassResult::goOn) return result;
    }
}
