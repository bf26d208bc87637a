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

// The steps the passes have run since the pass they count from.
struct StepCount {
    std::int32_t anchor = 0;
    std::int64_t steps = 0;
};

StepCount stepCount;

PassResult stepAndShow(std::int32_t time)
{
    MusicTime = time;
    if (stepTimeline(time) == FrameResult::quit) return PassResult::quitButton;
    if (consoleFrameSeen()) drawAndPresent();
    else consoleSkipFrame();
    return PassResult::goOn;
}

}  // namespace

std::int64_t stepsDue(std::int32_t anchor, std::int32_t now)
{
    return ((std::int64_t(now) - anchor) * stepsPerSecond + 500) / 1000 + 1;
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
    const std::int32_t time = musicPosition();
    std::int32_t last = 0;
    // A new run, or the music starting over, begins the count afresh.
    if (!lastStepTime(last) || time < last) stepCount = StepCount{time, 0};
    std::int64_t missed = stepsDue(stepCount.anchor, time) - stepCount.steps - 1;
    // Ahead of the music (passes faster than 60 a second), or a gap longer than is worth
    // stepping through: the count begins again at this pass.
    if (missed < 0 || missed > longestCatchUp) {
        missed = missed < 0 ? 0 : longestCatchUp;
        stepCount = StepCount{time, -missed};
    }
    for (int k = 1; k <= int(missed); ++k) {
        MusicTime = missedStepTime(last, time, k, int(missed));
        if (stepTimeline(MusicTime) == FrameResult::quit) return PassResult::quitButton;
    }
    stepCount.steps += missed + 1;
    return stepAndShow(time);
}

PassResult runFrameLoop()
{
    for (;;) {
        const PassResult result = runFramePass();
        if (result != PassResult::goOn) return result;
    }
}
