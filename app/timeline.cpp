#include "app/timeline.h"

#include <cstring>

#include "app/build_mode.h"
#include "app/window.h"
#include "assets/asc.h"
#include "scenes/cursor.h"
#include "scenes/menu.h"
#include "scenes/pages.h"
#include "scenes/plates.h"
#include "scenes/sphere.h"
#include "scenes/starfield.h"
#include "scenes/timing.h"

namespace {

// What the drawing reads besides the scenes' own records: the time of the last step and
// what it left of the menu's screen and buttons.
struct TimelineState {
    bool stepped = false;
    std::int32_t time = 0;
    ScreenShown screen;
    ButtonsShown buttons;
};

TimelineState timeline;

}  // namespace

// The scenes step in the order they used to draw, as the starfield's generator and the menu
// rules depend on it: the screen and buttons are taken before the clicks, the cursor and the
// globe after them.
FrameResult stepTimeline(std::int32_t time)
{
    const std::int32_t introEnd = introEndOf(showTiming);
    timeline.stepped = true;
    timeline.time = time;
    if (time <= introEnd) stepStarfield(starfield);
    if (time > introEnd && time <= crossfadeEndOf(showTiming)) stepCrossfade(menuFlags, fullscreenBuild);
    stepTitlePlates(plates, time, showTiming);
    if (time > introEnd) {
        leaveIntro(menuFlags);
        stepMenuScreen(menuFlags, timeline.screen);
        stepMenuButtons(menuFlags, inputState, timeline.buttons);
        if (runMenuClicks(inputState, menuFlags) == MenuAction::quit) return FrameResult::quit;
        stepCursor(inputState, menuFlags, cursorState);
    }
    stepSphereScene(sceneMesh, sphereState, time, menuFlags.screen == Screen::clock, showTiming);
    return FrameResult::continues;
}

void drawTimeline(Frame frame, const LoadedAssets& assets)
{
    if (!timeline.stepped) return;
    const std::int32_t time = timeline.time;
    const std::int32_t introEnd = introEndOf(showTiming);
    const std::int32_t crossfadeEnd = crossfadeEndOf(showTiming);
    if (time <= introEnd) drawStarfield(frame, starfield, assets.background);
    if (time > introEnd && time <= crossfadeEnd) drawCrossfade(frame, menuFlags);
    drawTitlePlates(frame, plates);
    if (time > crossfadeEnd) drawMenuBackground(frame, assets.plainMenu);
    if (time > introEnd) {
        drawMenuScreen(frame, timeline.screen, assets.pageImages);
        drawMenuButtons(frame, timeline.buttons, assets.buttonsA, assets.buttonsB);
        drawCursor(frame, cursorState, assets.bubbles, assets.pointer);
    }
    drawSphereScene(frame, sceneMesh, sphereState);
}

FrameResult runTimeline(Frame frame, std::int32_t time, const LoadedAssets& assets)
{
    if (stepTimeline(time) == FrameResult::quit) return FrameResult::quit;
    drawTimeline(frame, assets);
    return FrameResult::continues;
}

void resetTimeline()
{
    timeline = TimelineState{};
}

void resetShow()
{
    restartRand15();
    starfield = StarfieldState{};
    plates = PlateState{};
    menuFlags = MenuFlags{};
    cursorState = CursorState{};
    sphereState = SphereState{};
    std::memset(&sceneMesh, 0, sizeof sceneMesh);
    inputState = InputState{};
    resetTimeline();
}

bool lastStepTime(std::int32_t& time)
{
    time = timeline.time;
    return timeline.stepped;
}
