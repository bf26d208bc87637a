#include "app/frameloop.h"

#include <algorithm>

#include "app/console.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/step_rate.h"
#include "app/timeline.h"
#include "app/window.h"
#include "render/backdrop.h"

std::int32_t MusicTime = 0;

namespace {

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
    drawTimeline(keepFrame(consoleFrame()), loadedAssets);
    presentFrame();
}

// The first 60 Hz slot of the music no step has taken yet.
std::int64_t nextSlot = 0;

std::int64_t floorDivide(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Draws and presents what the last step left when the frame is seen; otherwise waits out the pass.
PassResult showFrame()
{
    if (consoleFrameSeen()) drawAndPresent();
    else consoleSkipFrame();
    return PassResult::goOn;
}

PassResult stepAndShow(std::int32_t time)
{
    MusicTime = time;
    if (stepTimeline(time) == FrameResult::quit) return PassResult::quitButton;
    return showFrame();
}

}  // namespace

std::int32_t stepSlotTime(std::int64_t slot)
{
    return std::int32_t(floorDivide(slot * 1000, stepsPerSecond));
}

std::int64_t lastStepSlot(std::int32_t now)
{
    return floorDivide((std::int64_t(now) + 1) * stepsPerSecond - 1, 1000);
}

void presentFrame()
{
    consoleUpdate();
}

PassResult runFramePass()
{
    if (!pumpMessages()) return PassResult::quitMessage;
    const std::int32_t time = musicPosition();
    const std::int64_t slot = lastStepSlot(time);
    std::int32_t last = 0;
    // A new run, or the music starting over, takes no step for the slots before this pass.
    if (!lastStepTime(last) || time < last) nextSlot = slot;
    // The slots since the last step that no pass came in (a late pass, a rest out of sight),
    // each stepped at its own time; a gap longer than is worth stepping through keeps its end.
    const std::int64_t missed = std::min<std::int64_t>(std::max<std::int64_t>(slot - nextSlot, 0), longestCatchUp);
    for (std::int64_t k = missed; k >= 1; --k) {
        MusicTime = stepSlotTime(slot - k);
        if (stepTimeline(MusicTime) == FrameResult::quit) return PassResult::quitButton;
    }
    // This pass's step takes its slot. A pass early for its slot (one already taken) still
    // steps and takes the next slot, so that the late pass after it does not step twice, but
    // only when the music has moved since the last step, and never more than one slot ahead:
    // while the music stands still (a stalled sound output), nothing steps and the frame is
    // shown again as it was.
    if (slot < nextSlot && (nextSlot > slot + 1 || time <= last)) return showFrame();
    nextSlot = std::max(nextSlot, slot) + 1;
    return stepAndShow(time);
}

PassResult runFrameLoop()
{
    for (;;) {
        const PassResult result = runFramePass();
        if (result != PassResult::goOn) return result;
    }
}
