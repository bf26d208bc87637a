#include "scenes/cursor.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int spritePixels = 17 * 17;

struct CursorTest : ::testing::Test {
    std::vector<Pixel> bubbleStorage[8];
    const Pixel* bubbles[8];
    std::vector<Pixel> pointer = std::vector<Pixel>(100);
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    InputState input;
    MenuFlags flags{Screen::menu};
    CursorState state;

    void SetUp() override
    {
        buildRowOffsets();
        // Bubble k: pixel (c, r) holds k << 16 | r << 8 | c, plus one so none is zero.
        for (int k = 0; k < 8; ++k) {
            bubbleStorage[k].resize(spritePixels);
            for (int i = 0; i < spritePixels; ++i) bubbleStorage[k][i] = Pixel(k << 16 | (i / 17) << 8 | (i % 17)) + 1;
            bubbles[k] = bubbleStorage[k].data();
        }
        for (int i = 0; i < 100; ++i) pointer[i] = Pixel(0xA00000 | i);
        pointer[90] = 0;  // source row 9, column 0: the tip corner on screen, transparent
    }

    Pixel at(int x, int y) const { return frame[std::size_t(y) * screenWidth + x]; }
    void clear() { std::fill(frame.begin(), frame.end(), 0); }
    int changedPixels() const
    {
        int count = 0;
        for (Pixel p : frame) count += p != 0;
        return count;
    }
    void cursorAt(int x, int y)
    {
        input.mouseX = x;
        input.mouseY = y;
        stepCursor(input, flags, state);
        drawCursor(frame.data(), state, bubbles, pointer.data());
    }
};

TEST_F(CursorTest, BubbleIsCentredOnTheMouseAndAdded)
{
    std::fill(frame.begin(), frame.end(), 0x010101);
    cursorAt(320, 40);
    EXPECT_EQ(at(312, 32), bubbles[0][0] + 0x010101);
    EXPECT_EQ(at(320, 40), bubbles[0][8 * 17 + 8] + 0x010101);
    EXPECT_EQ(at(328, 48), bubbles[0][16 * 17 + 16] + 0x010101);
    EXPECT_EQ(at(311, 40), Pixel(0x010101));
    EXPECT_EQ(at(329, 40), Pixel(0x010101));
    EXPECT_EQ(at(320, 31), Pixel(0x010101));
    EXPECT_EQ(at(320, 49), Pixel(0x010101));
    EXPECT_EQ(state.bubbleFrame, 1);
}

TEST_F(CursorTest, BubbleClipsAtTheTopLeftCorner)
{
    cursorAt(1, 0);  // top-left at (-7, -8)
    EXPECT_EQ(changedPixels(), 9 * 8);
    EXPECT_EQ(at(1, 1), bubbles[0][9 * 17 + 8]);
    EXPECT_EQ(at(9, 8), bubbles[0][16 * 17 + 16]);
    EXPECT_EQ(state.bubbleFrame, 1);
}

TEST_F(CursorTest, BubbleOnlyOverTheTopStrip)
{
    for (auto [x, y] : {std::pair{0, 40}, std::pair{300, 85}, std::pair{640, 10}, std::pair{300, 300}}) {
        cursorAt(x, y);
        EXPECT_EQ(changedPixels(), 0) << x << "," << y;
        EXPECT_EQ(state.bubbleFrame, 0) << x << "," << y;
    }
    cursorAt(639, 84);
    EXPECT_EQ(at(639, 84), bubbles[0][8 * 17 + 8]);
}

TEST_F(CursorTest, BubbleCyclesOneImagePerDrawnFrameAndFreezesOutside)
{
    const int sequence[] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1};
    for (int expected : sequence) {
        clear();
        cursorAt(100, 50);
        EXPECT_EQ(at(100, 50), bubbles[expected][8 * 17 + 8]);
    }
    cursorAt(100, 200);  // leaves the strip: frozen
    cursorAt(100, 200);
    clear();
    cursorAt(100, 50);
    EXPECT_EQ(at(100, 50), bubbles[2][8 * 17 + 8]);
}

TEST_F(CursorTest, NothingWhileAPageIsOpen)
{
    flags.screen = Screen::page2;
    flags.pointerVisible = true;
    cursorAt(100, 50);
    EXPECT_EQ(changedPixels(), 0);
    EXPECT_EQ(state.bubbleFrame, 0);
}

TEST_F(CursorTest, PointerIsOpaqueFlippedAndDrawnOverTheBubble)
{
    flags.pointerVisible = true;
    std::fill(frame.begin(), frame.end(), 0x000100);
    cursorAt(320, 40);
    // Screen row j takes source row 9 - j; zeros leave what lies below (here the bubble).
    EXPECT_EQ(at(320, 40), bubbles[0][8 * 17 + 8] + 0x000100);
    EXPECT_EQ(at(321, 40), pointer[91]);
    EXPECT_EQ(at(320, 41), pointer[80]);
    EXPECT_EQ(at(329, 49), pointer[9]);
    EXPECT_EQ(at(330, 45), Pixel(0x000100));

    clear();
    cursorAt(300, 300);  // outside the strip the pointer still shows
    EXPECT_EQ(at(309, 300), pointer[99]);
    EXPECT_EQ(changedPixels(), 99);
}

TEST_F(CursorTest, PointerClipsAtTheScreenEdges)
{
    flags.pointerVisible = true;
    cursorAt(635, 475);
    EXPECT_EQ(changedPixels(), 24) << "25 positions, the tip pixel transparent";
    EXPECT_EQ(at(635, 475), 0u);
    EXPECT_EQ(at(636, 475), pointer[91]);
    EXPECT_EQ(at(639, 479), pointer[(9 - 4) * 10 + 4]);

    clear();
    state = {};
    cursorAt(0, 0);  // also in no strip position: x 0 is outside it
    EXPECT_EQ(changedPixels(), 81);
    EXPECT_EQ(at(1, 1), pointer[81]);
    EXPECT_EQ(at(9, 9), pointer[9]);
    EXPECT_EQ(state.bubbleFrame, 0);
}

TEST_F(CursorTest, Sprite17SkipsZerosAndSaturates)
{
    std::vector<Pixel> sprite(spritePixels, 0);
    sprite[0] = 0x808080;
    sprite[18] = 0x000001;
    std::fill(frame.begin(), frame.end(), 0x909090);
    drawSprite17(frame.data(), 10, 10, sprite.data());
    EXPECT_EQ(at(10, 10), Pixel(0xFFFFFF));
    EXPECT_EQ(at(11, 11), Pixel(0x909091));
    EXPECT_EQ(at(12, 10), Pixel(0x909090));

    clear();
    std::fill(sprite.begin(), sprite.end(), 0x111111);
    drawSprite17(frame.data(), 630, 470, sprite.data());
    EXPECT_EQ(changedPixels(), 10 * 10);
}

}  // namespace
