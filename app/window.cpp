#include "app/window.h"

#include <deque>

#include "app/console.h"
#include "app/build_mode.h"
#include "app/loading.h"
#include "app/music.h"
#include "scenes/menu.h"
#include "scenes/pages.h"

InputState inputState;
bool shutdownRequested = false;

namespace {

struct MessageQueue {
    std::deque<Message> pending;
};

MessageQueue queue;

// A press and its release can arrive in the same pump (a quick tap, a touchpad tap, a
// synthetic click); no frame would then see the button down. The release of a press no frame
// has seen yet waits for the next pump, so the frame in between sees one press.
struct ButtonTap {
    bool pressUnseen = false;
    bool releaseWaiting = false;
};

struct Buttons {
    ButtonTap left;
    ButtonTap right;
};

Buttons buttons;

void pressButton(ButtonTap& tap, std::int32_t& down)
{
    down = 1;
    tap.pressUnseen = true;
    tap.releaseWaiting = false;
}

void releaseButton(ButtonTap& tap, std::int32_t& down)
{
    if (tap.pressUnseen) tap.releaseWaiting = true;
    else down = 0;
}

void startPump(ButtonTap& tap, std::int32_t& down)
{
    if (tap.releaseWaiting) down = 0;
    tap = ButtonTap{};
}

void handleKey(std::uint32_t key)
{
    switch (key) {
    case keyEscape:
        if (pageOpen(menuFlags.screen)) returnToMenu(menuFlags);
        else postMessage({msgDestroy, 0, 0});
        break;
    case keyUp: scrollOpenPage(menuFlags, -scrollLineRows); break;
    case keyDown: scrollOpenPage(menuFlags, scrollLineRows); break;
    case keyPageUp: scrollOpenPage(menuFlags, -scrollScreenRows); break;
    case keyPageDown: scrollOpenPage(menuFlags, scrollScreenRows); break;
    default: break;
    }
}

}  // namespace

void postMessage(Message message)
{
    queue.pending.push_back(message);
}

bool takeMessage(Message& message)
{
    if (queue.pending.empty()) return false;
    message = queue.pending.front();
    queue.pending.pop_front();
    return true;
}

void clearMessages()
{
    queue.pending.clear();
    buttons = Buttons{};
}

void beginMessagePump()
{
    startPump(buttons.left, inputState.leftDown);
    startPump(buttons.right, inputState.rightDown);
}

void shutDownOnce()
{
    if (shutdownRequested) return;
    shutdownRequested = true;
    releaseBuffers(loadedAssets);
    musicClose();
}

std::int32_t windowProc(const Message& message)
{
    switch (message.code) {
    case msgDestroy:
        if (!shutdownRequested) {
            shutDownOnce();
            postMessage({msgQuit, 0, 0});
        }
        return 0;
    case msgClose:
        postMessage({msgDestroy, 0, 0});
        return 0;
    case msgKeyDown:
        handleKey(message.wParam);
        return 0;
    case msgMouseWheel:
        scrollOpenPage(menuFlags, std::int32_t(message.wParam) * scrollLineRows);
        return 0;
    case msgScrollRows:
        scrollOpenPage(menuFlags, std::int32_t(message.wParam));
        return 0;
    case msgMouseMove:
        inputState.mouseX = std::int32_t(message.lParam & 0xFFFF);
        inputState.mouseY = std::int32_t((message.lParam >> 16) & 0xFFFF);
        return 0;
    case msgLeftDown: pressButton(buttons.left, inputState.leftDown); return 0;
    case msgLeftUp: releaseButton(buttons.left, inputState.leftDown); return 0;
    case msgRightDown: pressButton(buttons.right, inputState.rightDown); return 0;
    case msgRightUp: releaseButton(buttons.right, inputState.rightDown); return 0;
    default: return 0;
    }
}

void createWindow()
{
    if (!consoleOpenWindow(fullscreenBuild)) throw DynamicError("could not create window");
}
