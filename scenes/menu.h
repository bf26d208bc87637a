#pragma once
// The menu: crossfade from near white, the five buttons with hover images, the click rules
// and the state every other menu screen reads.
#include <cstddef>
#include <cstdint>

#include "base/input.h"
#include "render/primitives.h"

constexpr int buttonCount = 5;
constexpr int buttonWidth = 176;
constexpr int buttonHeight = 18;
constexpr int buttonLeft = 232;
extern const int MenuButtonTops[buttonCount];  // 121, 156, 193, 232, 283

// What the show has on screen: the intro until its end, then the menu, one of the four pages
// its buttons open, or the clock page its top strip opens. A page or the clock page goes back
// to the menu on a click or Escape.
enum class Screen : std::int8_t { intro, menu, page1, page2, page3, page4, clock };

// The page number 1..4 of a page's screen, 0 for any other screen.
constexpr int pageNumber(Screen screen)
{
    return screen >= Screen::page1 && screen <= Screen::page4 ? int(screen) - int(Screen::page1) + 1 : 0;
}

constexpr Screen pageScreen(int page)  // page 1..4
{
    return Screen(int(Screen::page1) + page - 1);
}

// A page or the clock page is open over the menu: a click or Escape closes it.
constexpr bool pageOpen(Screen screen)
{
    return screen >= Screen::page1;
}

struct MenuFlags {
    Screen screen = Screen::intro;
    bool pointerVisible = false;
    std::int32_t page2Scroll = 0;
    std::int32_t page3Scroll = 0;
    std::int32_t crossfadeLevel = 7;
    std::int32_t crossfadeShown = 7;  // the level the last crossfade step left to be drawn
};

// The buttons as the last step left them to be drawn: shown at all, and which are lit.
struct ButtonsShown {
    bool shown = false;
    bool lit[5] = {};
};

extern MenuFlags menuFlags;

// Eight levels of the buttoned picture toward white (0 the picture itself, 7 the nearest to
// white). Only the level being shown is kept as a whole frame, made when the crossfade reaches
// it and written into that frame in the same pass; a frame that shows it again puts back only
// what was drawn over it.
constexpr int crossfadeLevels = 8;

enum class MenuAction { none, quit };

void pasteMenuButtons(Pixel* buttonedMenu, const Pixel* const normalImages[buttonCount]);
// Keeps a copy of the buttoned picture for the crossfade.
void keepCrossfadeMenu(const Pixel* buttonedMenu);
// The whole picture at one level (0..7), made from the kept copy when it is not the last made.
const Pixel* crossfadePicture(int level);
// One crossfade pass: the level to draw is taken and the next one readied; fullscreenBuild:
// the level's reset below 0 also shows the pointer sprite.
void stepCrossfade(MenuFlags& flags, bool fullscreenBuild);
void drawCrossfade(Frame frame, const MenuFlags& flags);
void drawMenuBackground(Frame frame, const Pixel* plainMenu);
bool buttonHovered(int button, const InputState& input);  // button 0..4
// The buttons show on the menu, each lit while the mouse is over it.
void stepMenuButtons(const MenuFlags& flags, const InputState& input, ButtonsShown& shown);
void drawMenuButtons(Frame frame, const ButtonsShown& shown, const Pixel* const normalImages[buttonCount],
                     const Pixel* const hoverImages[buttonCount]);
// The menu's press areas in frame pixels, right and bottom exclusive: the top strip that
// opens the clock page, then buttons 1..5. A press inside one is taken by it.
struct PressArea {
    int left;
    int top;
    int right;
    int bottom;
};
constexpr int pressAreaCount = buttonCount + 1;
PressArea menuPressArea(int area);
// The press test of a menu frame: top strip, then buttons 1..5; quit for button 5.
MenuAction handleMenuClick(const InputState& input, MenuFlags& flags);
// Both click steps of a menu frame in order, including the consumed press and the return
// rule for a page; quit when the exit button was pressed.
MenuAction runMenuClicks(InputState& input, MenuFlags& flags);
// The intro gives way to the menu at its end (the first step after it).
void leaveIntro(MenuFlags& flags);
void returnToMenu(MenuFlags& flags);
