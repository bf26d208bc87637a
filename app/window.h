#pragma once
// The program's own window messages, the posted-message queue, the window procedure with its
// key and mouse rules, and the error raised when no window can be made.
#include <cstdint>
#include <string>

#include "base/input.h"

enum MessageCode : std::uint32_t {
    msgDestroy = 2,
    msgClose = 16,
    msgQuit = 18,
    msgKeyDown = 256,
    msgMouseMove = 512,
    msgLeftDown = 513,
    msgLeftUp = 514,
    msgRightDown = 516,
    msgRightUp = 517,
    msgMouseWheel = 522,     // wParam: signed notches, positive scrolls down; one is an arrow key
    msgScrollRows = 0x8001,  // wParam: signed frame rows, positive scrolls down (a touch drag)
};

enum KeyCode : std::uint32_t {
    keyEscape = 27,
    keyPageUp = 33,
    keyPageDown = 34,
    keyUp = 38,
    keyDown = 40,
};

struct Message {
    std::uint32_t code;
    std::uint32_t wParam;
    std::uint32_t lParam;
};

// Mouse positions travel as x in the low and y in the high 16 bits.
constexpr std::uint32_t packPoint(int x, int y)
{
    return (std::uint32_t(y) << 16) | (std::uint32_t(x) & 0xFFFF);
}

void postMessage(Message message);
bool takeMessage(Message& message);  // oldest first; false when the queue is empty
void clearMessages();  // also forgets button presses not yet seen by a frame

// Called by the frame loop at the start of every message pump: a button released in the same
// pump as its press stays down for the frame after that pump and goes up now.
void beginMessagePump();

extern bool shutdownRequested;

// The first call frees every loaded buffer and closes the audio; later calls do nothing.
// Used by the destroy message and by the exit button.
void shutDownOnce();

// Called once per message by the frame loop's pump.
std::int32_t windowProc(const Message& message);

// The console's error as the program throws it: only when no window can be made.
struct DynamicError {
    std::string message;
    explicit DynamicError(std::string text) : message(std::move(text)) {}
};

// Opens the program window through the console; throws DynamicError("could not create window").
void createWindow();
