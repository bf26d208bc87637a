#include "app/window.h"

#include <deque>

#include "app/console.h"
#include "app/build_mode.h"
#include "app/loading.h"
#include "app/music.h"
#include "scenes/menu.h"

InputState inputState;
bool shutdownRequested = false;

namespace {

struct MessageQueue {
    std::deque<Message> pending;
};

MessageQueue queue;

void applyScroll(std::int32_t amount)
{
    if (menuFlags.menuState == 2) menuFlags.page2Scroll += amount;
    else if (menuFlags.menuState == 3) menuFlags.page3Scroll += amount;
}

void handleKey(std::uint32_t key)
{
    switch (key) {
    case keyEscape:
        if (menuFlags.menuActive) postMessage({msgDestroy, 0, 0});
        else returnToMenu(menuFlags);
        break;
    case keyUp: applyScroll(-10); break;
    case keyDown: applyScroll(10); break;
    case keyPageUp: applyScroll(-380); break;
    case keyPageDown: applyScroll(380); break;
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
    case msgMouseMove:
        inputState.mouseX = std::int32_t(message.lParam & 0xFFFF);
        inputState.mouseY = std::int32_t((message.lParam >> 16) & 0xFFFF);
        return 0;
    case msgLeftDown: inputState.leftDown = 1; return 0;
    case msgLeftUp: inputState.leftDown = 0; return 0;
    case msgRightDown: inputState.rightDown = 1; return 0;
    case msgRightUp: inputState.rightDown = 0; return 0;
    default: return 0;
    }
}

void createWindow()
{
    if (!consoleOpenWindow(fullscreenBuild)) throw DynamicError("could not create window");
}
