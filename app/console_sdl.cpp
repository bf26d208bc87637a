// The program has its own plain main(); SDL's replacement entry (SDL2main) is not linked.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/console.h"
#include "app/console_pacing.h"
#include "app/console_view.h"
#include "app/window.h"

namespace {

struct SdlConsole {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    // The frame scaled by a whole factor, for sharp scaling to sizes between two factors.
    SDL_Texture* scaled = nullptr;
    int scaledFactor = 0;
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    bool vsyncAlone = false;
    FrameSchedule schedule;
    VsyncCheck vsyncCheck;
};

SdlConsole console;

std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Sleeps until the next deadline of the 60 Hz schedule. In the browser the page's animation
// frames pace the show and the console never waits.
void waitForFrameDeadline()
{
#ifndef __EMSCRIPTEN__
    const std::int64_t deadline = nextFrameDeadline(console.schedule, monotonicNs());
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
#endif
}

bool windowOutOfSight()
{
    return (SDL_GetWindowFlags(console.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
}

// Vsync is trusted alone only on a 60 Hz display; on any other, or when the rate is not
// known, the limiter holds the show to 60 frames a second.
void choosePacing()
{
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(console.renderer, &info);
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(console.window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) mode.refresh_rate = 0;
    console.vsyncAlone = vsyncPacesAlone((info.flags & SDL_RENDERER_PRESENTVSYNC) != 0, mode.refresh_rate);
    console.schedule = FrameSchedule{};
    console.vsyncCheck = VsyncCheck{};
}

// The texture that holds the frame scaled by `factor`, made when the factor changes.
SDL_Texture* scaledTexture(int factor)
{
    if (console.scaled != nullptr && console.scaledFactor == factor) return console.scaled;
    if (console.scaled != nullptr) SDL_DestroyTexture(console.scaled);
    console.scaled = SDL_CreateTexture(console.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                       screenWidth * factor, screenHeight * factor);
    console.scaledFactor = console.scaled != nullptr ? factor : 0;
    if (console.scaled != nullptr) SDL_SetTextureScaleMode(console.scaled, SDL_ScaleModeLinear);
    return console.scaled;
}

// Draws the frame into the picture rectangle. A whole multiple of the frame size is scaled
// with square pixels. Any other size is first scaled by the largest whole factor with square
// pixels, then the rest of the way smoothly, so every frame column is the same width on
// screen and a moving star does not flicker between two and three pixels.
void drawPicture()
{
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(console.renderer, &width, &height);
    const PictureRect picture = pictureRect(width, height);
    const SDL_Rect target{picture.x, picture.y, picture.width, picture.height};
    const int factor = wholeScaleFactor(picture);
    const bool whole = picture.width == screenWidth * factor && picture.height == screenHeight * factor;
    SDL_SetRenderDrawColor(console.renderer, 0, 0, 0, 255);
    SDL_RenderClear(console.renderer);
    SDL_Texture* scaled = nullptr;
    if (!whole && factor > 1 && SDL_RenderTargetSupported(console.renderer)) scaled = scaledTexture(factor);
    if (scaled != nullptr && SDL_SetRenderTarget(console.renderer, scaled) == 0) {
        SDL_SetTextureScaleMode(console.texture, SDL_ScaleModeNearest);
        SDL_RenderCopy(console.renderer, console.texture, nullptr, nullptr);
        SDL_SetRenderTarget(console.renderer, nullptr);
        SDL_RenderCopy(console.renderer, scaled, nullptr, &target);
        return;
    }
    SDL_SetTextureScaleMode(console.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_RenderCopy(console.renderer, console.texture, nullptr, &target);
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
    choosePacing();
    return true;
}

Pixel* consoleLock()
{
    return console.frame.data();
}

void consoleUnlock()
{
}

// Out of sight the frame is not shown, but the loop keeps its 60 passes a second, so the
// frame-counted motion is where the music is when the window comes back.
void consoleUpdate()
{
    if (windowOutOfSight()) {
        console.vsyncCheck = VsyncCheck{};
        waitForFrameDeadline();
        return;
    }
    SDL_UpdateTexture(console.texture, nullptr, console.frame.data(), screenWidth * sizeof(Pixel));
    drawPicture();
    if (!console.vsyncAlone) waitForFrameDeadline();
    SDL_RenderPresent(console.renderer);
    if (console.vsyncAlone && !vsyncStillPaces(console.vsyncCheck, monotonicNs())) console.vsyncAlone = false;
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
    if (console.scaled != nullptr) SDL_DestroyTexture(console.scaled);
    if (console.texture != nullptr) SDL_DestroyTexture(console.texture);
    if (console.renderer != nullptr) SDL_DestroyRenderer(console.renderer);
    if (console.window != nullptr) SDL_DestroyWindow(console.window);
    console.scaled = nullptr;
    console.scaledFactor = 0;
    console.texture = nullptr;
    console.renderer = nullptr;
    console.window = nullptr;
    SDL_Quit();
}
