#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "app/console_x11.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__) && __has_include(<X11/Xlib.h>)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>

namespace {

// A window destroyed by another program (a desktop's "kill window", xdotool windowclose) makes
// the next requests on it fail, and Xlib's default handler would print each failure at length
// and end the process with 1. Failures about the window are noted instead, so the run can end
// as a close ends it; any other goes to the handler that was there before. Xlib is reached
// through the library SDL has already loaded, so the programs take no link to it of their own.
using XErrorHandlerFunction = int (*)(Display*, XErrorEvent*);
XErrorHandlerFunction earlierHandler = nullptr;
Window watchedWindow = 0;
Display* watchedDisplay = nullptr;
int (*syncDisplay)(Display*, Bool) = nullptr;
std::atomic<bool> windowDestroyed{false};

int noteXError(Display* display, XErrorEvent* error)
{
    if (error->resourceid == watchedWindow || error->error_code == BadWindow || error->error_code == BadDrawable) {
        windowDestroyed = true;
        return 0;
    }
    return earlierHandler != nullptr ? earlierHandler(display, error) : 0;
}

}  // namespace

void watchWindowDestruction(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (xlib == nullptr) return;
    using SetHandler = XErrorHandlerFunction (*)(XErrorHandlerFunction);
    const auto setHandler = reinterpret_cast<SetHandler>(SDL_LoadFunction(xlib, "XSetErrorHandler"));
    if (setHandler == nullptr) return;
    watchedWindow = info.info.x11.window;
    watchedDisplay = info.info.x11.display;
    syncDisplay = reinterpret_cast<int (*)(Display*, Bool)>(SDL_LoadFunction(xlib, "XSync"));
    const XErrorHandlerFunction earlier = setHandler(noteXError);
    if (earlier != noteXError) earlierHandler = earlier;
}

bool takeWindowDestroyed()
{
    return windowDestroyed.exchange(false);
}

void settleWindowSystem()
{
    // SDL puts back Xlib's own handler before it lets go of the display, so the answers still
    // on their way (to destroying a window already gone) are taken here.
    if (syncDisplay != nullptr && watchedDisplay != nullptr) syncDisplay(watchedDisplay, False);
    watchedDisplay = nullptr;
}

void writeOlderWindowTitle(SDL_Window* window, const char* title)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (xlib == nullptr) return;
    using ToProperty = int (*)(Display*, char**, int, XICCEncodingStyle, XTextProperty*);
    using SetProperty = void (*)(Display*, Window, XTextProperty*, Atom);
    using Free = int (*)(void*);
    const auto toProperty = reinterpret_cast<ToProperty>(SDL_LoadFunction(xlib, "Xutf8TextListToTextProperty"));
    const auto setProperty = reinterpret_cast<SetProperty>(SDL_LoadFunction(xlib, "XSetTextProperty"));
    const auto release = reinterpret_cast<Free>(SDL_LoadFunction(xlib, "XFree"));
    char* list[] = {const_cast<char*>(title)};
    XTextProperty property{};
    // The ICC's own style: STRING (Latin-1) when every letter is one of Latin-1, else
    // COMPOUND_TEXT.
    if (toProperty && setProperty && release &&
        toProperty(info.info.x11.display, list, 1, XStdICCTextStyle, &property) == Success) {
        setProperty(info.info.x11.display, info.info.x11.window, &property, XA_WM_NAME);
        release(property.value);
    }
}

#else

void writeOlderWindowTitle(SDL_Window*, const char*)
{
}

void watchWindowDestruction(SDL_Window*)
{
}

bool takeWindowDestroyed()
{
    return false;
}

void settleWindowSystem()
{
}

#endif
