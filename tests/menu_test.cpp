#include "scenes/menu.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int buttonPixels = buttonWidth * buttonHeight;

struct MenuTest : ::testing::Test {
    MenuFlags flags{Screen::menu};
    InputState input;

    void SetUp() override { buildRowOffsets(); }

    void pressAt(int x, int y)
    {
        input.mouseX = x;
        input.mouseY = y;
        input.leftDown = 1;
    }
};

// Ten distinct button images: every pixel tells its image, source row and column.
struct ButtonImages {
    std::vector<Pixel> storage[2][buttonCount];
    const Pixel* normal[buttonCount];
    const Pixel* hover[buttonCount];

    ButtonImages()
    {
        for (int set = 0; set < 2; ++set) {
            for (int b = 0; b < buttonCount; ++b) {
                storage[set][b].resize(buttonPixels);
                for (int i = 0; i < buttonPixels; ++i) storage[set][b][i] = Pixel((set * 5 + b + 1) << 16 | i);
            }
        }
        for (int b = 0; b < buttonCount; ++b) {
            normal[b] = storage[0][b].data();
            hover[b] = storage[1][b].data();
        }
    }
};

Pixel sourcePixel(const Pixel* image, int column, int screenRow)
{
    return image[(buttonHeight - 1 - screenRow) * buttonWidth + column];
}

TEST_F(MenuTest, ButtonOneReactsExactlyInsideItsRectangle)
{
    struct Case {
        int x, y;
        bool inside;
    };
    const Case cases[] = {{232, 121, true}, {407, 138, true}, {231, 121, false}, {408, 121, false},
                          {232, 120, false}, {232, 139, false}, {320, 130, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
        input = {};
        input.mouseX = c.x;
        input.mouseY = c.y;
        EXPECT_EQ(buttonHovered(0, input), c.inside);

        flags = {Screen::menu};
        pressAt(c.x, c.y);
        EXPECT_EQ(runMenuClicks(input, flags), MenuAction::none);
        EXPECT_EQ(flags.screen, c.inside ? Screen::page1 : Screen::menu);
        EXPECT_EQ(input.leftDown, 0);
    }
}

TEST_F(MenuTest, EachButtonOpensItsPageAndOnlyItsOwnIsHovered)
{
    for (int b = 0; b < 4; ++b) {
        flags = {Screen::menu};
        input = {};
        pressAt(300, MenuButtonTops[b] + 9);
        for (int other = 0; other < buttonCount; ++other) EXPECT_EQ(buttonHovered(other, input), other == b);
        EXPECT_EQ(runMenuClicks(input, flags), MenuAction::none);
        EXPECT_EQ(flags.screen, pageScreen(b + 1));
    }
}

TEST_F(MenuTest, ExitButtonQuitsOnItsRowsOnly)
{
    pressAt(232, 283);
    EXPECT_EQ(runMenuClicks(input, flags), MenuAction::quit);
    EXPECT_EQ(flags.screen, Screen::menu);

    for (int y : {282, 301}) {
        input = {};
        pressAt(300, y);
        EXPECT_EQ(runMenuClicks(input, flags), MenuAction::none) << y;
    }
    pressAt(407, 300);
    EXPECT_EQ(handleMenuClick(input, flags), MenuAction::quit);
}

TEST_F(MenuTest, TopStripOpensTheClockPageInsideItsBounds)
{
    pressAt(1, 84);
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::clock);

    flags = {Screen::menu};
    pressAt(639, 0);
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::clock);

    for (auto [x, y] : {std::pair{0, 40}, std::pair{1, 85}}) {
        flags = {Screen::menu};
        pressAt(x, y);
        runMenuClicks(input, flags);
        EXPECT_EQ(flags.screen, Screen::menu) << x << "," << y;
        EXPECT_EQ(input.leftDown, 0) << "a press anywhere in the menu is consumed";
    }
}

TEST_F(MenuTest, PressBetweenButtonsIsConsumedWithoutEffect)
{
    pressAt(300, 150);
    EXPECT_EQ(runMenuClicks(input, flags), MenuAction::none);
    EXPECT_EQ(input.leftDown, 0);
    EXPECT_EQ(flags.screen, Screen::menu);
}

TEST_F(MenuTest, HeldLeftButtonCountsAsOneClick)
{
    pressAt(300, 130);  // pressed during the intro, still held at the first menu frame
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::page1);
    EXPECT_EQ(input.leftDown, 0);
    // The button stays down but sends no new press: the page stays open.
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::page1);
}

TEST_F(MenuTest, ReturnRuleOnPagesAndInTheMenu)
{
    // Right button held in the menu: nothing happens, and it stays held.
    input.rightDown = 1;
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::menu);
    EXPECT_EQ(input.rightDown, 1);

    // Opening a page while the right button is held returns in the same frame.
    pressAt(300, 160);
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::menu);
    EXPECT_EQ(input.rightDown, 1);

    // Right button pressed on an open page.
    input = {};
    pressAt(300, 200);
    runMenuClicks(input, flags);
    ASSERT_EQ(flags.screen, Screen::page3);
    input.rightDown = 1;
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::menu);

    // A left press anywhere on the clock page returns, and is consumed.
    input = {};
    pressAt(10, 10);
    runMenuClicks(input, flags);
    ASSERT_EQ(flags.screen, Screen::clock);
    pressAt(300, 130);  // over button 1, but the page is open: only the return happens
    runMenuClicks(input, flags);
    EXPECT_EQ(flags.screen, Screen::menu);
    EXPECT_EQ(input.leftDown, 0);
}

TEST_F(MenuTest, CrossfadeLevelsTowardWhite)
{
    std::vector<Pixel> picture(framePixels, 0xFF000000);
    picture[0] = 0x6400FF;  // red 100, green 0, blue 255
    picture[framePixels - 1] = 0x010203;
    keepCrossfadeMenu(picture.data());

    const int from100[8] = {100, 119, 138, 158, 177, 196, 216, 235};
    const int from0[8] = {0, 31, 63, 95, 127, 159, 191, 223};
    for (int k = 0; k < 8; ++k) {
        const Pixel entry = crossfadePicture(k)[0];
        EXPECT_EQ(int(entry >> 16 & 0xFF), from100[k]) << k;
        EXPECT_EQ(int(entry >> 8 & 0xFF), from0[k]) << k;
        EXPECT_EQ(int(entry & 0xFF), 255) << k;
        EXPECT_EQ(entry >> 24, 0u) << k;
        // The top byte of the picture never reaches the frame.
        EXPECT_EQ(crossfadePicture(k)[1] >> 24, 0u) << k;
    }
    // The last pixel keeps its own values: level 0 unchanged, level 7 the nearest to white.
    EXPECT_EQ(crossfadePicture(0)[framePixels - 1], Pixel(0x010203));
    EXPECT_EQ(crossfadePicture(7)[framePixels - 1], Pixel(0xDFDFDF));
    // A picture kept anew replaces the old one at every level, the one made last included.
    std::vector<Pixel> white(framePixels, 0xFFFFFF);
    keepCrossfadeMenu(white.data());
    EXPECT_EQ(crossfadePicture(7)[framePixels - 1], Pixel(0xFFFFFF));
}

TEST_F(MenuTest, CrossfadeShowsLevelsSevenToZeroThenHolds)
{
    std::vector<Pixel> picture(framePixels);
    for (int i = 0; i < framePixels; ++i) picture[i] = Pixel(i * 2654435761u) | 0xFF000000;
    keepCrossfadeMenu(picture.data());
    const int expected[11] = {7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0};
    std::vector<Pixel> frame(framePixels);
    MenuFlags windowed;
    MenuFlags fullscreen;
    for (int n = 0; n < 11; ++n) {
        stepCrossfade(windowed, false);
        drawCrossfade(frame.data(), windowed);
        int wrong = 0;
        const Pixel* level = crossfadePicture(expected[n]);
        for (int i = 0; i < framePixels; ++i) wrong += frame[i] != level[i];
        EXPECT_EQ(wrong, 0) << "frame " << n << " should show level " << expected[n] << " everywhere";
        stepCrossfade(fullscreen, true);
        drawCrossfade(frame.data(), fullscreen);
        // The pointer appears with the first frame drawn at level 0, the eighth.
        EXPECT_EQ(fullscreen.pointerVisible, n >= 7) << "frame " << n;
        EXPECT_FALSE(windowed.pointerVisible);
    }
    EXPECT_EQ(windowed.crossfadeLevel, 0);
    EXPECT_EQ(frame[1], Pixel(2654435761u) & 0xFFFFFF);
}

TEST_F(MenuTest, PastedButtonsFlipRowsAndCopyZeros)
{
    ButtonImages images;
    std::vector<Pixel> storage[buttonCount];
    for (int b = 0; b < buttonCount; ++b) {
        storage[b].assign(buttonPixels, 0);  // all-zero images must still be pasted
        images.normal[b] = b == 1 ? storage[b].data() : images.normal[b];
    }
    std::vector<Pixel> picture(framePixels, 0x777777);
    pasteMenuButtons(picture.data(), images.normal);

    for (int b = 0; b < buttonCount; ++b) {
        const int top = MenuButtonTops[b];
        for (int r = 0; r < buttonHeight; ++r) {
            for (int c : {0, 1, 175}) {
                ASSERT_EQ(picture[(top + r) * screenWidth + buttonLeft + c], sourcePixel(images.normal[b], c, r))
                    << "button " << b << " row " << r << " column " << c;
            }
        }
        EXPECT_EQ(picture[top * screenWidth + buttonLeft - 1], Pixel(0x777777));
        EXPECT_EQ(picture[top * screenWidth + buttonLeft + buttonWidth], Pixel(0x777777));
        EXPECT_EQ(picture[(top - 1) * screenWidth + buttonLeft], Pixel(0x777777));
        EXPECT_EQ(picture[(top + buttonHeight) * screenWidth + buttonLeft], Pixel(0x777777));
    }
}

TEST_F(MenuTest, DrawnButtonsShowTheHoverImageUnderTheMouse)
{
    ButtonImages images;
    std::vector<Pixel> frame(framePixels, 0);
    input.mouseX = 407;
    input.mouseY = 249;  // bottom-right pixel of button 4
    ButtonsShown shown;
    stepMenuButtons(flags, input, shown);
    drawMenuButtons(frame.data(), shown, images.normal, images.hover);
    for (int b = 0; b < buttonCount; ++b) {
        const Pixel* expected = b == 3 ? images.hover[b] : images.normal[b];
        const int top = MenuButtonTops[b];
        EXPECT_EQ(frame[top * screenWidth + buttonLeft], sourcePixel(expected, 0, 0)) << b;
        EXPECT_EQ(frame[(top + 17) * screenWidth + buttonLeft + 175], sourcePixel(expected, 175, 17)) << b;
    }
    EXPECT_EQ(frame[250 * screenWidth + 407], 0u);
}

}  // namespace
