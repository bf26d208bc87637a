#include "app/frameloop.h"

#include "app/console.h"
#include "app/loading.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window.h"
#include "render/backdrop.h"

std::int32_t MusicTime = 0;

namespace {

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

}  // namespace

void presentFrame()
{
    consoleUnlock();
    consoleUpdate();
}

PassResult runFramePass()
{
    if (!pumpMessages()) return PassResult::quitMessage;
    MusicTime = musicPosition();
    // The timeline's first block always replaces every pixel (the background picture up
    // to 41700 ms, a crossfade level up to 44000, the menu picture after), so clearing the
    // frame first would change no pixel the viewer sees. Every console keeps its frame from
    // one pass to the next and only the timeline draws into it, so that block need only put
    // back what the last pass drew over the same picture.
    Pixel* frame = consoleLock();
    keepFrame(frame);
    if (runTimeline(frame, MusicTime, loadedAssets) == FrameResult::quit) {
        consoleUnlock();
        return PassResult::quitButton;
    }
    presentFrame();
    return PassResult::goOn;
}

PassResult runFrameLoop()
{
    for (;;) {
        const PassResult result = runFramePass();
        if (result != PassResult::goOn) return result;
    }
}
