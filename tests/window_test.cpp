// The window procedure's key, mouse and shutdown rules, and the posted-message queue.
#include <gtest/gtest.h>

#include "app/headless.h"
#include "app/loading.h"
#include "app/window.h"
#include "scenes/menu.h"

namespace {

class WindowProcedure : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearMessages();
        shutdownRequested = false;
        inputState = InputState{};
        menuFlags = MenuFlags{};
    }
    void TearDown() override { clearMessages(); }

    static std::vector<std::uint32_t> drainCodes()
    {
        std::vector<std::uint32_t> codes;
        Message message;
        while (takeMessage(message)) codes.push_back(message.code);
        return codes;
    }

    static void key(std::uint32_t code) { windowProc({msgKeyDown, code, 0}); }
};

TEST_F(WindowProcedure, EscapeInTheIntroOrMenuPostsDestroyAndOnAPageReturnsToTheMenu)
{
    const struct {
        Screen open;
        bool quits;
    } cases[] = {{Screen::intro, true}, {Screen::menu, true}, {Screen::page1, false}, {Screen::page3, false},
                 {Screen::page4, false}, {Screen::clock, false}};
    for (const auto& c : cases) {
        menuFlags.screen = c.open;
        key(keyEscape);
        EXPECT_EQ(drainCodes(), c.quits ? std::vector<std::uint32_t>{msgDestroy} : std::vector<std::uint32_t>{})
            << int(c.open);
        EXPECT_EQ(menuFlags.screen, c.quits ? c.open : Screen::menu) << int(c.open);
    }
}

TEST_F(WindowProcedure, ScrollKeysMoveOnlyTheOpenScrollablePage)
{
    menuFlags.screen = Screen::page2;
    key(keyPageDown);
    key(keyPageDown);
    key(keyUp);
    EXPECT_EQ(menuFlags.page2Scroll, 750);
    EXPECT_EQ(menuFlags.page3Scroll, 0);

    menuFlags.screen = Screen::page3;
    key(keyDown);
    key(keyPageUp);
    EXPECT_EQ(menuFlags.page3Scroll, -370);
    EXPECT_EQ(menuFlags.page2Scroll, 750);

    for (const Screen screen : {Screen::menu, Screen::page1, Screen::page4, Screen::clock}) {
        menuFlags.screen = screen;
        for (std::uint32_t code : {keyUp, keyDown, keyPageUp, keyPageDown}) key(code);
    }
    EXPECT_EQ(menuFlags.page2Scroll, 750);
    EXPECT_EQ(menuFlags.page3Scroll, -370);
}

TEST_F(WindowProcedure, WheelNotchesScrollLikeArrowsAndRowsScrollByThemselves)
{
    const auto wheel = [](std::int32_t notches) { windowProc({msgMouseWheel, std::uint32_t(notches), 0}); };
    const auto rows = [](std::int32_t count) { windowProc({msgScrollRows, std::uint32_t(count), 0}); };
    menuFlags.screen = Screen::page3;
    wheel(3);
    EXPECT_EQ(menuFlags.page3Scroll, 30);
    wheel(-1);
    EXPECT_EQ(menuFlags.page3Scroll, 20);
    rows(-57);
    EXPECT_EQ(menuFlags.page3Scroll, -37);
    rows(1000);
    EXPECT_EQ(menuFlags.page3Scroll, 963);
    EXPECT_EQ(menuFlags.page2Scroll, 0);

    menuFlags.screen = Screen::page2;
    wheel(-2);
    rows(5);
    EXPECT_EQ(menuFlags.page2Scroll, -15);
    for (const Screen screen : {Screen::menu, Screen::page1, Screen::page4, Screen::clock}) {
        menuFlags.screen = screen;
        wheel(4);
        rows(-300);
    }
    EXPECT_EQ(menuFlags.page2Scroll, -15);
    EXPECT_EQ(menuFlags.page3Scroll, 963);
    EXPECT_TRUE(drainCodes().empty());
}

TEST_F(WindowProcedure, OtherKeysAndMessagesChangeNothing)
{
    key(13);
    key(65);
    windowProc({999, 1, 2});
    EXPECT_TRUE(drainCodes().empty());
    EXPECT_EQ(menuFlags.screen, Screen::intro);
    EXPECT_FALSE(shutdownRequested);
}

TEST_F(WindowProcedure, MouseMessagesFillTheInputState)
{
    windowProc({msgMouseMove, 0, packPoint(639, 479)});
    EXPECT_EQ(inputState.mouseX, 639);
    EXPECT_EQ(inputState.mouseY, 479);
    windowProc({msgLeftDown, 0, 0});
    windowProc({msgRightDown, 0, 0});
    EXPECT_EQ(inputState.leftDown, 1);
    EXPECT_EQ(inputState.rightDown, 1);
    beginMessagePump();  // a frame has seen both presses
    windowProc({msgLeftDown, 0, 0});  // a quick second click is just another press
    beginMessagePump();
    windowProc({msgLeftUp, 0, 0});
    EXPECT_EQ(inputState.leftDown, 0);
    EXPECT_EQ(inputState.rightDown, 1);
    windowProc({msgRightUp, 0, 0});
    EXPECT_EQ(inputState.rightDown, 0);
}

TEST_F(WindowProcedure, CloseOnlyPostsDestroyAndASecondDestroyDoesNothing)
{
    windowProc({msgClose, 0, 0});
    EXPECT_FALSE(shutdownRequested);
    EXPECT_EQ(drainCodes(), std::vector<std::uint32_t>{msgDestroy});

    windowProc({msgDestroy, 0, 0});
    EXPECT_TRUE(shutdownRequested);
    windowProc({msgDestroy, 0, 0});
    EXPECT_EQ(drainCodes(), std::vector<std::uint32_t>{msgQuit});
}

TEST_F(WindowProcedure, DestroyReleasesEveryBufferOnce)
{
    loadedAssets = LoadedAssets{};
    loadedAssets.background = static_cast<Pixel*>(std::malloc(16));
    loadedAssets.plates[6] = static_cast<Pixel*>(std::malloc(16));
    loadedAssets.pagePalettes[3] = static_cast<std::uint8_t*>(std::malloc(16));
    const int closes = simCloseCount();
    windowProc({msgDestroy, 0, 0});
    EXPECT_EQ(loadedAssets.background, nullptr);
    EXPECT_EQ(loadedAssets.plates[6], nullptr);
    EXPECT_EQ(loadedAssets.pagePalettes[3], nullptr);
    windowProc({msgDestroy, 0, 0});  // the allocator would catch a second free
    EXPECT_EQ(simCloseCount(), closes + 1) << "the audio is closed once";
}

// The exit button's shutdown and a destroy message that follows it share one release: the
// audio is closed once, and the late destroy posts no second quit.
TEST_F(WindowProcedure, ExitButtonShutdownRunsOnceWhateverFollows)
{
    loadedAssets = LoadedAssets{};
    loadedAssets.bubbles[7] = static_cast<Pixel*>(std::malloc(16));
    const int closes = simCloseCount();
    shutDownOnce();
    EXPECT_TRUE(shutdownRequested);
    EXPECT_EQ(loadedAssets.bubbles[7], nullptr);
    shutDownOnce();
    windowProc({msgDestroy, 0, 0});
    EXPECT_EQ(simCloseCount(), closes + 1);
    EXPECT_TRUE(drainCodes().empty());
}

// One pump of the frame loop: the messages that arrived since the last frame.
void pump(std::initializer_list<Message> messages)
{
    beginMessagePump();
    for (const Message& message : messages) windowProc(message);
}

TEST_F(WindowProcedure, APressReleasedInTheSamePumpIsSeenByExactlyOneFrame)
{
    pump({{msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}});
    EXPECT_EQ(inputState.leftDown, 1);
    pump({});
    EXPECT_EQ(inputState.leftDown, 0);

    pump({{msgRightDown, 0, 0}, {msgRightUp, 0, 0}});
    EXPECT_EQ(inputState.rightDown, 1);
    EXPECT_EQ(inputState.leftDown, 0);
    pump({});
    EXPECT_EQ(inputState.rightDown, 0);

    // Two taps between two frames are one press for the frame.
    pump({{msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}, {msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}});
    EXPECT_EQ(inputState.leftDown, 1);
    pump({});
    EXPECT_EQ(inputState.leftDown, 0);
}

TEST_F(WindowProcedure, AHeldButtonGoesUpWithItsRelease)
{
    pump({{msgLeftDown, 0, 0}});
    pump({});
    EXPECT_EQ(inputState.leftDown, 1);
    pump({{msgLeftUp, 0, 0}});
    EXPECT_EQ(inputState.leftDown, 0);

    // Tapped and pressed again before a frame: the button is held after the pump.
    pump({{msgRightDown, 0, 0}, {msgRightUp, 0, 0}, {msgRightDown, 0, 0}});
    pump({});
    EXPECT_EQ(inputState.rightDown, 1);
    pump({{msgRightUp, 0, 0}});
    EXPECT_EQ(inputState.rightDown, 0);

    // A press seen by a frame, then released and tapped again in one pump: the tap is seen.
    pump({{msgLeftDown, 0, 0}});
    pump({{msgLeftUp, 0, 0}, {msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}});
    EXPECT_EQ(inputState.leftDown, 1);
    pump({});
    EXPECT_EQ(inputState.leftDown, 0);
}

TEST_F(WindowProcedure, ATapOpensAPageAndASecondTapReturnsOnce)
{
    // A left tap over button 1 opens page 1, which then stays open.
    menuFlags.screen = Screen::menu;
    pump({{msgMouseMove, 0, packPoint(300, 130)}, {msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}});
    EXPECT_EQ(runMenuClicks(inputState, menuFlags), MenuAction::none);
    EXPECT_EQ(menuFlags.screen, Screen::page1);
    pump({});
    runMenuClicks(inputState, menuFlags);
    EXPECT_EQ(menuFlags.screen, Screen::page1);

    // A right tap returns to the menu; the frame after does not click the button under it.
    pump({{msgRightDown, 0, 0}, {msgRightUp, 0, 0}});
    runMenuClicks(inputState, menuFlags);
    EXPECT_EQ(menuFlags.screen, Screen::menu);
    pump({});
    runMenuClicks(inputState, menuFlags);
    EXPECT_EQ(menuFlags.screen, Screen::menu);
}

TEST_F(WindowProcedure, APressHeldThroughTheIntroIsOneClickInTheFirstMenuFrame)
{
    pump({{msgMouseMove, 0, packPoint(300, 165)}, {msgLeftDown, 0, 0}});
    for (int frame = 0; frame < 3; ++frame) pump({});  // intro frames leave the press alone
    EXPECT_EQ(inputState.leftDown, 1);
    leaveIntro(menuFlags);
    runMenuClicks(inputState, menuFlags);
    EXPECT_EQ(menuFlags.screen, Screen::page2);
    pump({});
    runMenuClicks(inputState, menuFlags);
    EXPECT_EQ(menuFlags.screen, Screen::page2);  // the held button is not a second click
    pump({{msgLeftUp, 0, 0}});
    EXPECT_EQ(inputState.leftDown, 0);

    // A tap during the intro is gone by the first menu frame.
    pump({{msgLeftDown, 0, 0}, {msgLeftUp, 0, 0}});
    pump({});
    EXPECT_EQ(inputState.leftDown, 0);
}

TEST(MessageQueue, KeepsPostingOrder)
{
    clearMessages();
    postMessage({msgMouseMove, 0, packPoint(3, 4)});
    postMessage({msgLeftDown, 0, 0});
    Message message;
    ASSERT_TRUE(takeMessage(message));
    EXPECT_EQ(message.code, msgMouseMove);
    EXPECT_EQ(message.lParam, 0x00040003u);
    ASSERT_TRUE(takeMessage(message));
    EXPECT_EQ(message.code, msgLeftDown);
    EXPECT_FALSE(takeMessage(message));
}

}  // namespace
