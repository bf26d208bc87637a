// The frame's place in the window and the translation of SDL's events into window messages,
// on events made here: no display is opened.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/console_view.h"
#include "scenes/menu.h"

namespace {

SDL_Event motion(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

SDL_Event button(bool down, Uint8 which, int x, int y)
{
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = which;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event keyDownEvent(SDL_Keycode key)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

struct Sent {
    std::uint32_t code;
    std::uint32_t wParam;
    std::uint32_t lParam;
    bool operator==(const Sent&) const = default;
};

std::vector<Sent> sent(const SDL_Event& event, int windowWidth, int windowHeight)
{
    const EventMessages messages = translateEvent(event, windowWidth, windowHeight);
    std::vector<Sent> list;
    for (int k = 0; k < messages.count; ++k) {
        list.push_back({messages.items[k].code, messages.items[k].wParam, messages.items[k].lParam});
    }
    return list;
}

std::vector<Sent> moveTo(int x, int y)
{
    return {{msgMouseMove, 0, packPoint(x, y)}};
}

std::vector<Sent> moveAndButton(int x, int y, std::uint32_t code)
{
    return {{msgMouseMove, 0, packPoint(x, y)}, {code, 0, 0}};
}

TEST(PictureRect, IsTheLargestCentredFourByThreeRectangle)
{
    auto expectRect = [](int w, int h, int x, int y, int width, int height) {
        const PictureRect r = pictureRect(w, h);
        EXPECT_EQ(r.x, x) << w << "x" << h;
        EXPECT_EQ(r.y, y) << w << "x" << h;
        EXPECT_EQ(r.width, width) << w << "x" << h;
        EXPECT_EQ(r.height, height) << w << "x" << h;
    };
    expectRect(640, 480, 0, 0, 640, 480);
    expectRect(960, 720, 0, 0, 960, 720);
    expectRect(640, 640, 0, 80, 640, 480);    // bars above and below
    expectRect(1000, 480, 180, 0, 640, 480);  // bars left and right
    expectRect(1920, 1080, 240, 0, 1440, 1080);
    expectRect(1280, 1024, 0, 32, 1280, 960);
    expectRect(0, 0, 0, 0, 0, 0);
}

TEST(PictureRect, WholeScaleFactorFitsInsideThePicture)
{
    EXPECT_EQ(wholeScaleFactor(pictureRect(640, 480)), 1);
    EXPECT_EQ(wholeScaleFactor(pictureRect(1024, 768)), 1);
    EXPECT_EQ(wholeScaleFactor(pictureRect(1920, 1080)), 2);  // 1280x960, then to 1440x1080
    EXPECT_EQ(wholeScaleFactor(pictureRect(1280, 960)), 2);
    EXPECT_EQ(wholeScaleFactor(pictureRect(2560, 1440)), 3);
    EXPECT_EQ(wholeScaleFactor(pictureRect(3840, 2160)), 4);
    EXPECT_EQ(wholeScaleFactor(pictureRect(320, 240)), 1);  // smaller than the frame
}

TEST(EventTranslation, TheUnscaledWindowGivesFrameCoordinatesAsTheyAre)
{
    EXPECT_EQ(sent(motion(0, 0), 640, 480), moveTo(0, 0));
    EXPECT_EQ(sent(motion(639, 479), 640, 480), moveTo(639, 479));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 300, 130), 640, 480), moveAndButton(300, 130, msgLeftDown));
    EXPECT_EQ(sent(button(false, SDL_BUTTON_LEFT, 300, 130), 640, 480), moveAndButton(300, 130, msgLeftUp));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_RIGHT, 5, 6), 640, 480), moveAndButton(5, 6, msgRightDown));
    EXPECT_EQ(sent(button(false, SDL_BUTTON_RIGHT, 5, 6), 640, 480), moveAndButton(5, 6, msgRightUp));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_MIDDLE, 5, 6), 640, 480), moveTo(5, 6));
}

TEST(EventTranslation, APressInAnyBarIsNoClickAndMovesNothing)
{
    // 640x640: bars of 80 rows above and below. The top bar used to reach the top strip.
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 320, 30), 640, 640).empty());
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 320, 79), 640, 640).empty());
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 320, 80), 640, 640), moveAndButton(320, 0, msgLeftDown));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 320, 559), 640, 640), moveAndButton(320, 479, msgLeftDown));
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 320, 560), 640, 640).empty());
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_RIGHT, 320, 600), 640, 640).empty());
    // 1000x480: bars of 180 columns left and right, the same on both sides.
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 100, 240), 1000, 480).empty());
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 179, 20), 1000, 480).empty());
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 180, 20), 1000, 480), moveAndButton(0, 20, msgLeftDown));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 819, 20), 1000, 480), moveAndButton(639, 20, msgLeftDown));
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 820, 20), 1000, 480).empty());
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_RIGHT, 900, 240), 1000, 480).empty());
    // Outside the window altogether, as reported while the mouse is captured.
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, -5, 100), 640, 480).empty());
    EXPECT_TRUE(sent(button(true, SDL_BUTTON_LEFT, 100, 480), 640, 480).empty());
}

TEST(EventTranslation, AMoveOutOfThePictureKeepsTheLastPositionInside)
{
    EXPECT_EQ(sent(motion(320, 100), 640, 640), moveTo(320, 20));
    EXPECT_TRUE(sent(motion(320, 40), 640, 640).empty());   // into the top bar
    EXPECT_TRUE(sent(motion(700, 300), 640, 640).empty());  // out of the window, button held
    EXPECT_TRUE(sent(motion(-1, -1), 640, 640).empty());
    EXPECT_EQ(sent(motion(321, 81), 640, 640), moveTo(321, 1));  // back in
}

TEST(EventTranslation, AReleaseOutsideThePictureLetsTheButtonGoWhereItWas)
{
    EXPECT_EQ(sent(button(false, SDL_BUTTON_LEFT, 320, 30), 640, 640), (std::vector<Sent>{{msgLeftUp, 0, 0}}));
    EXPECT_EQ(sent(button(false, SDL_BUTTON_RIGHT, 2000, -40), 640, 480), (std::vector<Sent>{{msgRightUp, 0, 0}}));

    // Through the window procedure: pressed on button 1, dragged out of the window, released
    // there. The button is up and the position is the last one inside.
    clearMessages();
    inputState = InputState{};
    auto deliver = [](const SDL_Event& event) {
        const EventMessages messages = translateEvent(event, 640, 480);
        for (int k = 0; k < messages.count; ++k) windowProc(messages.items[k]);
    };
    beginMessagePump();
    deliver(button(true, SDL_BUTTON_LEFT, 300, 130));
    beginMessagePump();
    deliver(motion(300, 479));
    deliver(motion(300, 520));
    deliver(button(false, SDL_BUTTON_LEFT, 300, 530));
    EXPECT_EQ(inputState.leftDown, 0);
    EXPECT_EQ(inputState.mouseX, 300);
    EXPECT_EQ(inputState.mouseY, 479);
}

TEST(EventTranslation, FullscreenScalingMapsTheScreenOntoTheFrame)
{
    // 1920x1080: the frame is 1440x1080 from column 240, 2.25 screen pixels a frame pixel.
    EXPECT_EQ(sent(motion(240, 0), 1920, 1080), moveTo(0, 0));
    EXPECT_EQ(sent(motion(1679, 1079), 1920, 1080), moveTo(639, 479));
    EXPECT_TRUE(sent(motion(239, 500), 1920, 1080).empty());
    EXPECT_TRUE(sent(motion(1680, 500), 1920, 1080).empty());
    // The middle of the exit button and of button 1, where the user sees them.
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 240 + 675, 653), 1920, 1080), moveAndButton(300, 290, msgLeftDown));
    const int top = MenuButtonTops[0];
    const int y = (top * 9 + 3) / 4;  // the first screen row showing frame row `top`
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 240 + 675, y), 1920, 1080), moveAndButton(300, top, msgLeftDown));
    EXPECT_EQ(sent(button(true, SDL_BUTTON_LEFT, 240 + 675, y - 1), 1920, 1080), moveAndButton(300, top - 1, msgLeftDown));
    // A window of three times the frame size.
    EXPECT_EQ(sent(motion(1919, 1439), 1920, 1440), moveTo(639, 479));
    EXPECT_EQ(sent(motion(3, 5), 1920, 1440), moveTo(1, 1));
}

TEST(EventTranslation, KeysAndQuit)
{
    EXPECT_EQ(sent(keyDownEvent(SDLK_ESCAPE), 640, 480), (std::vector<Sent>{{msgKeyDown, keyEscape, 0}}));
    EXPECT_EQ(sent(keyDownEvent(SDLK_UP), 640, 480), (std::vector<Sent>{{msgKeyDown, keyUp, 0}}));
    EXPECT_EQ(sent(keyDownEvent(SDLK_DOWN), 640, 480), (std::vector<Sent>{{msgKeyDown, keyDown, 0}}));
    EXPECT_EQ(sent(keyDownEvent(SDLK_PAGEUP), 640, 480), (std::vector<Sent>{{msgKeyDown, keyPageUp, 0}}));
    EXPECT_EQ(sent(keyDownEvent(SDLK_PAGEDOWN), 640, 480), (std::vector<Sent>{{msgKeyDown, keyPageDown, 0}}));
    EXPECT_TRUE(sent(keyDownEvent(SDLK_RETURN), 640, 480).empty());
    EXPECT_TRUE(sent(keyDownEvent(SDLK_a), 640, 480).empty());
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(sent(quit, 640, 480), (std::vector<Sent>{{msgClose, 0, 0}}));
    SDL_Event keyUpEvent{};
    keyUpEvent.type = SDL_KEYUP;
    keyUpEvent.key.keysym.sym = SDLK_ESCAPE;
    EXPECT_TRUE(sent(keyUpEvent, 640, 480).empty());
}

SDL_Event wheel(int y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = y;
    event.wheel.preciseY = float(y);
    event.wheel.direction = direction;
    return event;
}

TEST(EventTranslation, WheelNotchesCountDownwardsAsPositive)
{
    // One notch towards the user scrolls down like the down arrow; away scrolls up.
    EXPECT_EQ(sent(wheel(-1), 640, 480), (std::vector<Sent>{{msgMouseWheel, 1, 0}}));
    EXPECT_EQ(sent(wheel(1), 640, 480), (std::vector<Sent>{{msgMouseWheel, std::uint32_t(-1), 0}}));
    // A fast turn gives several notches in one event, each worth an arrow key.
    EXPECT_EQ(sent(wheel(-3), 1280, 960), (std::vector<Sent>{{msgMouseWheel, 3, 0}}));
    // "Natural" scrolling reports the finger's direction; the content still follows the finger.
    EXPECT_EQ(sent(wheel(1, SDL_MOUSEWHEEL_FLIPPED), 640, 480), (std::vector<Sent>{{msgMouseWheel, 1, 0}}));
    // Sideways only, or fractions not yet adding up to a notch: nothing.
    SDL_Event sideways = wheel(0);
    sideways.wheel.x = 2;
    EXPECT_TRUE(sent(sideways, 640, 480).empty());
}

SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y)
{
    SDL_Event event{};
    event.type = type;
    event.tfinger.fingerId = id;
    event.tfinger.x = x;
    event.tfinger.y = y;
    return event;
}

// A finger's events in a 1280x960 window (the frame doubled), from window pixel positions.
std::vector<Sent> touchAt(Uint32 type, SDL_FingerID id, float x, float y)
{
    return sent(finger(type, id, x / 1280.0f, y / 960.0f), 1280, 960);
}

TEST(TouchTranslation, AFingerThatStaysPutIsOneClickWhereItLifts)
{
    resetTouch();
    EXPECT_TRUE(touchAt(SDL_FINGERDOWN, 7, 600, 260).empty());
    EXPECT_TRUE(touchAt(SDL_FINGERMOTION, 7, 604, 263).empty());  // within the slop
    EXPECT_EQ(touchAt(SDL_FINGERUP, 7, 604, 263),
              (std::vector<Sent>{{msgMouseMove, 0, packPoint(302, 131)}, {msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}}));
    // A tap in a bar of a wider window is no click.
    resetTouch();
    EXPECT_TRUE(sent(finger(SDL_FINGERDOWN, 1, 0.02f, 0.5f), 1600, 960).empty());
    EXPECT_TRUE(sent(finger(SDL_FINGERUP, 1, 0.02f, 0.5f), 1600, 960).empty());
}

TEST(TouchTranslation, ADragScrollsByTheDistanceInFrameRowsAndIsNoClick)
{
    resetTouch();
    touchAt(SDL_FINGERDOWN, 3, 640, 800);
    // 60 window pixels up at scale 2 are 30 frame rows down the page, sent as the finger
    // moves, whole rows at a time with the halves carried.
    std::int32_t rows = 0;
    for (float y = 795; y >= 740; y -= 5) {
        for (const Sent& s : touchAt(SDL_FINGERMOTION, 3, 640, y)) {
            EXPECT_EQ(s.code, msgScrollRows);
            rows += std::int32_t(s.wParam);
        }
    }
    EXPECT_EQ(rows, 30);
    for (const Sent& s : touchAt(SDL_FINGERMOTION, 3, 640, 801)) rows += std::int32_t(s.wParam);
    EXPECT_EQ(rows, 0);  // and back down: the text follows the finger
    EXPECT_TRUE(touchAt(SDL_FINGERUP, 3, 640, 801).empty());
}

TEST(TouchTranslation, TwoFingersAreNoClickAndTouchMadeMouseEventsAreDropped)
{
    resetTouch();
    touchAt(SDL_FINGERDOWN, 1, 500, 300);
    touchAt(SDL_FINGERDOWN, 2, 700, 300);
    EXPECT_TRUE(touchAt(SDL_FINGERMOTION, 1, 440, 300).empty());
    EXPECT_TRUE(touchAt(SDL_FINGERUP, 1, 440, 300).empty());
    EXPECT_TRUE(touchAt(SDL_FINGERUP, 2, 760, 300).empty());
    // After the pinch a new single finger taps again.
    touchAt(SDL_FINGERDOWN, 4, 600, 260);
    EXPECT_EQ(touchAt(SDL_FINGERUP, 4, 600, 260).size(), 3u);

    SDL_Event press = button(true, SDL_BUTTON_LEFT, 600, 260);
    press.button.which = SDL_TOUCH_MOUSEID;
    EXPECT_TRUE(sent(press, 1280, 960).empty());
    SDL_Event move = motion(600, 260);
    move.motion.which = SDL_TOUCH_MOUSEID;
    EXPECT_TRUE(sent(move, 1280, 960).empty());
    resetTouch();
}

// An upright phone shows the frame 390 CSS pixels wide, a button 11 pixels high: a tap a few
// pixels off any press area of the menu goes into it, and the point it goes to is one the
// menu's own press test gives to that area. A tap on an area, or far from every one, lands
// where it is.
TEST(TouchTranslation, ATapNearAMenuAreaOnAPhoneGoesIntoIt)
{
    const PictureRect phone{0, 0, 390, 292};
    const float unitX = 390.0f / 640.0f;
    const float unitY = 292.0f / 480.0f;
    for (int k = 0; k < pressAreaCount; ++k) {
        const PressArea area = menuPressArea(k);
        const float left = area.left * unitX;
        const float right = area.right * unitX;
        const float top = area.top * unitY;
        const float bottom = area.bottom * unitY;
        const float middleX = (left + right) / 2;
        const float middleY = (top + bottom) / 2;
        struct Tap { float x, y; const char* where; };
        std::vector<Tap> taps = {{middleX, bottom + 4, "below"}, {middleX, middleY, "on"}};
        if (k > 0) {
            taps.insert(taps.end(), {{middleX, top - 4, "above"}, {left - 5, middleY, "left of"},
                                     {right + 5, middleY, "right of"}, {right + 3, bottom + 3, "below right of"}});
        }
        for (const Tap& tap : taps) {
            int x = -1;
            int y = -1;
            ASSERT_TRUE(tapPoint(phone, tap.x, tap.y, x, y));
            EXPECT_TRUE(x >= area.left && x < area.right && y >= area.top && y < area.bottom)
                << "a tap " << tap.where << " area " << k << " went to " << x << "," << y;
            MenuFlags flags;
            const MenuAction action = handleMenuClick(InputState{x, y, 1, 0}, flags);
            const bool taken = k == 0 ? flags.screen == Screen::clock
                                      : k == buttonCount ? action == MenuAction::quit : pageNumber(flags.screen) == k;
            EXPECT_TRUE(taken) << "a tap " << tap.where << " area " << k;
        }
    }
    // Far from every area (the picture's left edge, the bottom corner) and in the bars, as it is.
    for (const auto& [ax, ay, fx, fy] : {std::array<int, 4>{20, 200, 32, 328}, {380, 290, 623, 476}}) {
        int x = -1;
        int y = -1;
        ASSERT_TRUE(tapPoint(phone, float(ax), float(ay), x, y));
        EXPECT_EQ(x, fx);
        EXPECT_EQ(y, fy);
    }
    int x = 0;
    int y = 0;
    EXPECT_FALSE(tapPoint(phone, 200.0f, 300.0f, x, y));
    // On a desktop window at scale 1 the reach is a few frame pixels: a tap 20 rows under a
    // button is no press.
    ASSERT_TRUE(tapPoint(PictureRect{0, 0, 640, 480}, 300.0f, float(MenuButtonTops[0] + buttonHeight + 20), x, y));
    EXPECT_EQ(y, MenuButtonTops[0] + buttonHeight + 20);
}

TEST(EventTranslation, WheelNotchesScrollTheOpenPageLikeArrowKeys)
{
    // Through the window procedure: three notches down and one up on the rules page move it
    // as far as three down arrows and one up arrow do.
    auto openRules = [] {
        clearMessages();
        menuFlags = MenuFlags{};
        menuFlags.screen = Screen::page3;
    };
    openRules();
    for (const int notches : {-3, 1}) {
        for (const Sent& s : sent(wheel(notches), 640, 480)) windowProc({s.code, s.wParam, s.lParam});
    }
    const std::int32_t byWheel = menuFlags.page3Scroll;
    openRules();
    for (const std::uint32_t key : {keyDown, keyDown, keyDown, keyUp}) windowProc({msgKeyDown, key, 0});
    EXPECT_GT(byWheel, 0);
    EXPECT_EQ(byWheel, menuFlags.page3Scroll);
    menuFlags = MenuFlags{};
}

}  // namespace
