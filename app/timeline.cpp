#include "app/timeline.h"

#include "app/build_mode.h"
#include "base/input.h"
#include "assets/asc.h"
#include "render/sphere.h"
#include "scenes/cursor.h"
#include "scenes/menu.h"
#include "scenes/pages.h"
#include "scenes/plates.h"
#include "scenes/starfield.h"

FrameResult runTimeline(Pixel* frame, std::int32_t time, const LoadedAssets& assets)
{
    if (time <= introEnd) drawStarfield(frame, starfield, assets.background);
    if (time > introEnd && time <= crossfadeEnd) drawCrossfade(frame, menuFlags, fullscreenBuild);
    drawTitlePlates(frame, plates, time);
    if (time > crossfadeEnd) drawMenuBackground(frame, assets.plainMenu);
    if (time > introEnd) {
        drawMenuScreen(frame, menuFlags, assets.pageImages);
        if (menuFlags.menuActive) {
            drawMenuButtons(frame, inputState, assets.buttonsA, assets.buttonsB);
        }
        if (runMenuClicks(inputState, menuFlags) == MenuAction::quit) return FrameResult::quit;
        drawCursor(frame, inputState, menuFlags, cursorState, assets.bubbles, assets.pointer);
    }
    drawSphereScene(frame, sceneMesh, sphereState, time, menuFlags.menuState, menuFlags.clockSphere);
    return FrameResult::presented;
}
