// The program has its own plain main(); SDL's replacement entry (SDL2main) is not linked.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <vector>

#include "app/console.h"
#include "app/console_view.h"
#include "app/window.h"

namespace {

constexpr double frameIntervalMs = 1000.0 / 60.0;

struct SdlConsole {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    double nextPresentMs = 0.0;
};

SdlConsole console;

double monotonicMs()
{
    return double(SDL_GetPerformanceCounter()) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

// Holds presentation to 60 frames a second whether or not the driver waits for vsync, so
// the frame-counted motion keeps its speed on fast displays. A frame that comes late moves
// the schedule on instead of bursting to catch up.
void paceFrame()
{
#ifdef __EMSCRIPTEN__
    // In a web page the browser's animation frames pace the passes; waiting here would only
    // hold up the page.
    return;
#endif
    const double now = monotonicMs();
    if (console.nextPresentMs - now > 0.5) {
        SDL_Delay(Uint32(console.nextPresentMs - now));
        while (monotonicMs() < console.nextPresentMs) {
        }
    }
    const double after = monotonicMs();
    console.nextPresentMs += frameIntervalMs;
    if (console.nextPresentMs < after) console.nextPresentMs = after + frameIntervalMs;
}

// Without a display SDL falls back to its invisible "offscreen" driver, which would play the
// music to nobody; only a driver asked for by name may be one that shows nothing.
bool visibleVideoDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    const bool invisible = SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
    return !invisible || (requested != nullptr && SDL_strcasecmp(requested, driver) == 0);
}

}  // namespace

bool consoleOpenWindow(bool fullscreen)
{
    SDL_SetMainReady();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "1");
#ifdef __EMSCRIPTEN__
    // A page's canvas takes the frame through its 2D context: one copy, no WebGL context to
    // set up, and the page scales the canvas itself.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    if (!visibleVideoDriver()) return false;
    // Hidden until the renderer is made: a renderer may replace the window it is given with
    // one of another kind, and the first would flash up and vanish.
    const Uint32 flags = SDL_WINDOW_HIDDEN | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    console.window = SDL_CreateWindow("ZURA 5 Party Invitation", SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, screenWidth, screenHeight, flags);
    if (console.window == nullptr) return false;
    console.renderer = SDL_CreateRenderer(console.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (console.renderer == nullptr) {
        console.renderer = SDL_CreateRenderer(console.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (console.renderer == nullptr) return false;
    console.texture = SDL_CreateTexture(console.renderer, SDL_PIXELFORMAT_RGB888,
                                        SDL_TEXTUREACCESS_STREAMING, screenWidth, screenHeight);
    if (console.texture == nullptr) return false;
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(console.window);
    console.nextPresentMs = monotonicMs();
    return true;
}

Pixel* consoleLock()
{
    return console.frame.data();
}

void consoleUnlock()
{
}

void consoleUpdate()
{
    SDL_UpdateTexture(console.texture, nullptr, console.frame.data(), screenWidth * sizeof(Pixel));
    SDL_SetRenderDrawColor(console.renderer, 0, 0, 0, 255);
    SDL_RenderClear(console.renderer);
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(console.renderer, &width, &height);
    const PictureRect picture = pictureRect(width, height);
    const SDL_Rect target{picture.x, picture.y, picture.width, picture.height};
    SDL_RenderCopy(console.renderer, console.texture, nullptr, &target);
    paceFrame();
    SDL_RenderPresent(console.renderer);
}

void consolePumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // Mouse positions come in window units, which on a high-density display are not the
        // renderer's pixels.
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(console.window, &width, &height);
        const EventMessages messages = translateEvent(event, width, height);
        for (int k = 0; k < messages.count; ++k) postMessage(messages.items[k]);
    }
}

void consoleReport(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "ZURA 5 Party Invitation", message, console.window);
}

void consoleClose()
{
    if (console.texture != nullptr) SDL_DestroyTexture(console.texture);
    if (console.renderer != nullptr) SDL_DestroyRenderer(console.renderer);
    if (console.window != nullptr) SDL_DestroyWindow(console.window);
    console.texture = nullptr;
    console.renderer = nullptr;
    console.window = nullptr;
    SDL_Quit();
}
