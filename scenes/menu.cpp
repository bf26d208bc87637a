#include "scenes/menu.h"

#include <cstdint>
#include <cstring>

#include "render/backdrop.h"

const int MenuButtonTops[buttonCount] = {121, 156, 193, 232, 283};

MenuFlags menuFlags;

namespace {

Pixel CrossfadeMenu[framePixels];     // the buttoned picture, its top byte cleared
Pixel CrossfadeShown[framePixels];    // the picture at crossfadeShownLevel
int crossfadeShownLevel = -1;         // -1: none made since the copy was kept

constexpr int topStripBottom = 85;  // rows 0..84
constexpr int quitButton = 4;

// Button images are stored bottom row first: screen row r of the rectangle takes source row
// 17 - r. Every pixel is copied, zeros included. A picture at loading or a frame that marks
// the rectangle itself.
void copyButton(Pixel* picture, int button, const Pixel* image)
{
    const int top = MenuButtonTops[button];
    Pixel* target = picture + RowOffsets[top] + buttonLeft;
    for (int r = 0; r < buttonHeight; ++r) {
        std::memcpy(target, image + (buttonHeight - 1 - r) * buttonWidth, buttonWidth * sizeof(Pixel));
        target += screenWidth;
    }
}

bool inButtonColumns(const InputState& input)
{
    return input.mouseX > buttonLeft - 1 && input.mouseX < buttonLeft + buttonWidth;
}

bool inButtonRows(int button, const InputState& input)
{
    const int top = MenuButtonTops[button];
    return input.mouseY > top - 1 && input.mouseY < top + buttonHeight;
}

bool inTopStrip(const InputState& input)
{
    return input.mouseX > 0 && input.mouseX < screenWidth && input.mouseY < topStripBottom;
}

}  // namespace

PressArea menuPressArea(int area)
{
    if (area == 0) return {1, 0, screenWidth, topStripBottom};
    const int top = MenuButtonTops[area - 1];
    return {buttonLeft, top, buttonLeft + buttonWidth, top + buttonHeight};
}

void pasteMenuButtons(Pixel* buttonedMenu, const Pixel* const normalImages[buttonCount])
{
    for (int button = 0; button < buttonCount; ++button) copyButton(buttonedMenu, button, normalImages[button]);
}

void keepCrossfadeMenu(const Pixel* buttonedMenu)
{
    for (int i = 0; i < framePixels; ++i) CrossfadeMenu[i] = buttonedMenu[i] & 0xFFFFFF;
    crossfadeShownLevel = -1;
}

namespace {

// The picture at a level, made when it is not the one made last; a picture made anew is
// written into alsoInto too (when not null) in the same pass.
const Pixel* makeCrossfadePicture(int level, Pixel* alsoInto)
{
    if (level < 0) level = 0;
    if (level >= int(crossfadeLevels)) level = crossfadeLevels - 1;
    if (level == crossfadeShownLevel) return CrossfadeShown;
    pixelsTowardWhite(CrossfadeShown, alsoInto, CrossfadeMenu, framePixels, level);
    crossfadeShownLevel = level;
    return CrossfadeShown;
}

}  // namespace

const Pixel* crossfadePicture(int level)
{
    return makeCrossfadePicture(level, nullptr);
}

void stepCrossfade(MenuFlags& flags, bool fullscreenBuild)
{
    flags.crossfadeShown = flags.crossfadeLevel;
    flags.crossfadeLevel -= 1;
    if (flags.crossfadeLevel < 0) {
        flags.crossfadeLevel = 0;
        if (fullscreenBuild) flags.pointerVisible = true;
    }
}

void drawCrossfade(Frame frame, const MenuFlags& flags)
{
    // A level made anew is written into the whole frame as it is made, so the frame holds its
    // backdrop whatever it had marked; otherwise only the marked pixels are put back.
    const int made = crossfadeShownLevel;
    const Pixel* level = makeCrossfadePicture(flags.crossfadeShown, frame.pixels);
    const bool madeAnew = crossfadeShownLevel != made;
    if (!restoreBackdrop(frame, level) && !madeAnew) std::memcpy(frame.pixels, level, framePixels * sizeof(Pixel));
}

void drawMenuBackground(Frame frame, const Pixel* plainMenu)
{
    if (!restoreBackdrop(frame, plainMenu)) std::memcpy(frame.pixels, plainMenu, framePixels * sizeof(Pixel));
}

bool buttonHovered(int button, const InputState& input)
{
    return inButtonColumns(input) && inButtonRows(button, input);
}

void stepMenuButtons(const MenuFlags& flags, const InputState& input, ButtonsShown& shown)
{
    shown.shown = flags.screen == Screen::menu;
    for (int button = 0; button < buttonCount; ++button) shown.lit[button] = buttonHovered(button, input);
}

void drawMenuButtons(Frame frame, const ButtonsShown& shown, const Pixel* const normalImages[buttonCount],
                     const Pixel* const hoverImages[buttonCount])
{
    if (!shown.shown) return;
    for (int button = 0; button < buttonCount; ++button) {
        const int top = MenuButtonTops[button];
        markDrawn(frame, buttonLeft, top, buttonLeft + buttonWidth, top + buttonHeight);
        copyButton(frame.pixels, button, shown.lit[button] ? hoverImages[button] : normalImages[button]);
    }
}

MenuAction handleMenuClick(const InputState& input, MenuFlags& flags)
{
    if (inTopStrip(input)) {
        flags.screen = Screen::clock;
        return MenuAction::none;
    }
    if (!inButtonColumns(input)) return MenuAction::none;
    for (int button = 0; button < buttonCount; ++button) {
        if (!inButtonRows(button, input)) continue;
        if (button == quitButton) return MenuAction::quit;
        flags.screen = pageScreen(button + 1);
        return MenuAction::none;
    }
    return MenuAction::none;
}

MenuAction runMenuClicks(InputState& input, MenuFlags& flags)
{
    if (flags.screen == Screen::menu) {
        if (input.leftDown && handleMenuClick(input, flags) == MenuAction::quit) return MenuAction::quit;
        input.leftDown = 0;  // a press is consumed by the first menu frame that sees it
    }
    if (input.rightDown || input.leftDown) {
        input.leftDown = 0;
        if (pageOpen(flags.screen)) returnToMenu(flags);
    }
    return MenuAction::none;
}

void leaveIntro(MenuFlags& flags)
{
    if (flags.screen == Screen::intro) flags.screen = Screen::menu;
}

void returnToMenu(MenuFlags& flags)
{
    flags.screen = Screen::menu;
}
