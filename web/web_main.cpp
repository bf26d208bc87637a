// The windowed show in a web page: the page calls main once the visitor has clicked start (a
// browser plays sound only after a gesture); from then on the browser runs one frame pass per
// animation frame and tells the page when the show has ended.
#include <emscripten.h>

#include "app/console_pacing.h"
#include "app/frameloop.h"
#include "app/invitation.h"
#include "app/music.h"
#include "app/touch.h"
#include "app/window.h"
#include "scenes/menu.h"
#include "scenes/pages.h"

namespace {

// A display refreshing faster than 60 Hz gets a pass only on the animation frames that are
// due on the 60 Hz schedule, so the frame-counted motion keeps its speed; the slack absorbs
// the jitter of a 60 Hz display's frames.
constexpr std::int64_t frameSlackNs = 4000000;
constexpr int passesKept = 600;
// After a tap the pointer rests away from the buttons once the click has been taken (by the
// pass after the one that sees it), about 150 ms on.
constexpr int passesBeforeRest = 9;

struct WebRun {
    FrameSchedule schedule;
    bool firstPassDone = false;
    float passMs[passesKept] = {};  // the time the last passes took, oldest overwritten first
    int passCount = 0;
    int passesUntilRest = 0;  // counts down after a tap; the pointer rests at 0
};

WebRun run;

void endShow(PassResult end)
{
    emscripten_cancel_main_loop();
    finishInvitation(end);
    EM_ASM({ if (Module.onShowEnd) Module.onShowEnd(); });
}

void animationFrame()
{
    const auto now = std::int64_t(emscripten_get_now() * 1e6);
    if (run.schedule.started && now < frameDeadline(run.schedule) - frameSlackNs) return;
    nextFrameDeadline(run.schedule, now);
    // A tab out of sight gets no animation frames while its music plays on: the first pass
    // after such a gap steps through what it missed before it draws.
    const double passStart = emscripten_get_now();
    const PassResult result = runFramePass();
    run.passMs[run.passCount++ % passesKept] = float(emscripten_get_now() - passStart);
    if (result != PassResult::goOn) {
        endShow(result);
        return;
    }
    if (run.passesUntilRest > 0 && --run.passesUntilRest == 0) {
        postMessage({msgMouseMove, 0, packPoint(restingPointerX, restingPointerY)});
    }
    EM_ASM({ if (Module.onFramePresented) Module.onFramePresented(); });
    if (!run.firstPassDone) {
        run.firstPassDone = true;
        EM_ASM({ if (Module.onFirstFrame) Module.onFirstFrame(); });
    }
}

}  // namespace

// The show's clock as the page may read it: the music position of the last frame pass.
extern "C" EMSCRIPTEN_KEEPALIVE int webMusicTime()
{
    return MusicTime;
}

// A finger on the shown frame (phase 0 down, 1 move, 2 up, 3 cancelled), at a position in CSS
// pixels from the canvas's corner, the canvas being width by height CSS pixels: a tap or a
// drag as app/touch.h has them, taken by the next frame pass's pump as the console's own
// events are.
extern "C" EMSCRIPTEN_KEEPALIVE void webTouch(int phase, double finger, float x, float y, int width, int height)
{
    if (phase < 0 || phase > 3) return;
    const EventMessages messages = translateTouch(TouchPhase(phase), std::int64_t(finger), x, y,
                                                  PictureRect{0, 0, width, height});
    for (int k = 0; k < messages.count; ++k) postMessage(messages.items[k]);
    if (messages.count > 0 && messages.items[messages.count - 1].code == msgLeftUp) run.passesUntilRest = passesBeforeRest;
}

// The page's Stop button: the show ends as the window's close button ends it.
extern "C" EMSCRIPTEN_KEEPALIVE void webStop()
{
    postMessage({msgClose, 0, 0});
}

// What the show has on screen, for the page's description of it: -2 the intro, 0 the menu,
// 1..4 a page, -1 the clock page.
extern "C" EMSCRIPTEN_KEEPALIVE int webScreen()
{
    switch (menuFlags.screen) {
    case Screen::intro: return -2;
    case Screen::menu: return 0;
    case Screen::clock: return -1;
    default: return pageNumber(menuFlags.screen);
    }
}

// Whole days from today (the visitor's local date) to the party's first day; 0 during it.
extern "C" EMSCRIPTEN_KEEPALIVE int webDaysLeft()
{
    return daysLeft(localCalendarTime(readWallClock()));
}

// How long the frame pass took, k passes ago (k from 0), in milliseconds; -1 past the kept ones.
extern "C" EMSCRIPTEN_KEEPALIVE double webPassMs(int k)
{
    if (k < 0 || k >= passesKept || k >= run.passCount) return -1.0;
    return run.passMs[(run.passCount - 1 - k) % passesKept];
}

int main()
{
    if (!startInvitation()) {
        EM_ASM({ if (Module.onShowFailed) Module.onShowFailed("no window could be made"); });
        return 0;
    }
    // 0 frames a second: the browser's animation frames drive the passes.
    emscripten_set_main_loop(animationFrame, 0, 0);
    return 0;
}
