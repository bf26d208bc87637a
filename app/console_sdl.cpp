// The program has its own plain main(); SDL's replacement entry (SDL2main) is not linked.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/console.h"
#include "app/console_pacing.h"
#include "app/console_view.h"
#include "app/console_x11.h"
#include "app/window.h"
#include "resources/party_name.h"
#include "render/scale.h"

#ifdef __EMSCRIPTEN__
// Puts width x height canvas-ordered pixels on the program's canvas. The image data is a view
// of the program's memory, made again when that memory grows and its buffer is replaced.
EM_JS(void, showCanvasFrame, (const void* pixels, int width, int height), {
    var canvas = Module['canvas'];
    var shown = Module.shownFrame;
    if (!shown || shown.canvas !== canvas || shown.image.data.buffer !== HEAPU8.buffer) {
        var bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
        shown = { canvas: canvas, context: canvas.getContext('2d', { alpha: false }),
                  image: new ImageData(bytes, width, height) };
        Module.shownFrame = shown;
    }
    shown.context.putImageData(shown.image, 0, 0);
});
#endif

namespace {

struct SdlConsole {
    SDL_Window* window = nullptr;
    Presentation presentation = Presentation::texture;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    // The frame scaled by a whole factor, for sharp scaling to sizes between two factors.
    SDL_Texture* scaled = nullptr;
    int scaledFactor = 0;
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);
    bool vsyncAlone = false;
    FrameSchedule schedule;
    VsyncCheck vsyncCheck;
    // The window surface path: the surface last set up, the picture's place and scaling in
    // it, and the picture in xRGB when the surface holds another format.
    SDL_Surface* surface = nullptr;
    void* surfacePixels = nullptr;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    bool surfaceStale = true;
    bool showWholeSurface = true;
    bool surfaceIsXrgb = true;
    PictureRect picture;
    SharpScale scale;
    std::vector<Pixel> converted;
    // The page path: the frame in the canvas's byte order.
    std::vector<std::uint32_t> canvasFrame;
};

SdlConsole console;

std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Sleeps until the next deadline of the 60 Hz schedule. In the browser the page's animation
// frames pace the show and the console never waits.
void waitForFrameDeadline(int frames = 1)
{
#ifndef __EMSCRIPTEN__
    const std::int64_t now = monotonicNs();
    std::int64_t deadline = now;
    for (int k = 0; k < frames; ++k) deadline = nextFrameDeadline(console.schedule, now);
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
#else
    (void)frames;
#endif
}

// Out of sight the loop wakes up ten times a second instead of sixty; each pass then steps
// the show through the sixtieths it slept.
constexpr int framesPerHiddenPass = 6;

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

// The OpenGL renderer string of the current context, or null.
const char* currentGlRenderer()
{
    using GlGetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GlGetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int glRendererName = 0x1F01;
    return getString != nullptr ? reinterpret_cast<const char*>(getString(glRendererName)) : nullptr;
}

// The presentation for this machine: the user's choice, on Windows the window surface, or
// else what the renderer a window would get says about itself. The renderer is tried on a
// hidden window of its own, so the window that is shown never carries a renderer it does not
// use.
Presentation probePresentation(Uint32 windowFlags)
{
#ifdef __EMSCRIPTEN__
    (void)windowFlags;
    return Presentation::page;
#endif
    Presentation chosen = Presentation::texture;
    if (forcedPresentation(SDL_getenv("INVITE_PRESENT"), chosen)) return chosen;
#ifdef _WIN32
    // GDI puts a window surface on screen for next to nothing, with or without a graphics
    // card, and a Direct3D renderer does not say whether a card stands behind it.
    return Presentation::surface;
#endif
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, screenWidth, screenHeight, windowFlags | SDL_WINDOW_HIDDEN);
    SDL_Renderer* renderer = probe != nullptr ? SDL_CreateRenderer(probe, -1, SDL_RENDERER_PRESENTVSYNC) : nullptr;
    SDL_RendererInfo info{};
    if (renderer != nullptr) SDL_GetRendererInfo(renderer, &info);
    const bool opengl = info.name != nullptr && SDL_strncmp(info.name, "opengl", 6) == 0;
    chosen = choosePresentation(info.name, (info.flags & SDL_RENDERER_ACCELERATED) != 0,
                                opengl ? currentGlRenderer() : nullptr);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (probe != nullptr) SDL_DestroyWindow(probe);
    return chosen;
}

// The texture path's renderer and streaming texture.
bool openRenderer()
{
    console.renderer = SDL_CreateRenderer(console.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (console.renderer == nullptr) {
        console.renderer = SDL_CreateRenderer(console.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (console.renderer == nullptr) return false;
    console.texture = SDL_CreateTexture(console.renderer, SDL_PIXELFORMAT_RGB888,
                                        SDL_TEXTUREACCESS_STREAMING, screenWidth, screenHeight);
    return console.texture != nullptr;
}

// A new window surface (the first, or one made after a resize): black all over once, the
// picture's place and scaling worked out once, and the whole surface shown at the next update.
void setUpSurface(SDL_Surface* surface)
{
    console.surface = surface;
    console.surfacePixels = surface->pixels;
    console.surfaceWidth = surface->w;
    console.surfaceHeight = surface->h;
    console.surfaceStale = false;
    console.showWholeSurface = true;
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    console.picture = pictureRect(surface->w, surface->h);
    console.scale = sharpScale(console.picture.width, console.picture.height, wholeScaleFactor(console.picture));
    console.surfaceIsXrgb = surface->format->format == SDL_PIXELFORMAT_RGB888;
    const std::size_t convertedPixels = console.surfaceIsXrgb ? 0 : std::size_t(console.picture.width) * console.picture.height;
    console.converted.assign(convertedPixels, 0);
}

// The window surface, set up again whenever it is not the one last drawn into.
SDL_Surface* currentSurface()
{
    SDL_Surface* surface = SDL_GetWindowSurface(console.window);
    if (surface == nullptr) return nullptr;
    if (console.surfaceStale || surface != console.surface || surface->pixels != console.surfacePixels ||
        surface->w != console.surfaceWidth || surface->h != console.surfaceHeight) {
        setUpSurface(surface);
    }
    return surface;
}

// Scales the frame into the surface's picture rectangle: straight into the surface when it
// holds xRGB, as X11 and Windows give it for a 24- or 32-bit display, else through a
// conversion.
void drawIntoSurface(SDL_Surface* surface)
{
    const PictureRect& picture = console.picture;
    if (picture.width <= 0 || picture.height <= 0) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    auto* origin = static_cast<Uint8*>(surface->pixels) + std::int64_t(picture.y) * surface->pitch;
    if (console.surfaceIsXrgb) {
        Pixel* target = reinterpret_cast<Pixel*>(origin) + picture.x;
        scaleFrame(console.scale, console.frame.data(), target, surface->pitch / int(sizeof(Pixel)));
    } else {
        scaleFrame(console.scale, console.frame.data(), console.converted.data(), picture.width);
        SDL_ConvertPixels(picture.width, picture.height, SDL_PIXELFORMAT_RGB888, console.converted.data(),
                          picture.width * int(sizeof(Pixel)), surface->format->format,
                          origin + picture.x * surface->format->BytesPerPixel, surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

// The surface path's update: the frame scaled in, the deadline waited out, then only the
// picture shown (the bars too after a change of size or an exposure).
void presentSurface()
{
    SDL_Surface* surface = currentSurface();
    if (surface != nullptr) drawIntoSurface(surface);
    waitForFrameDeadline();
    if (surface == nullptr) return;
    const PictureRect& picture = console.picture;
    SDL_Rect shown{picture.x, picture.y, picture.width, picture.height};
    if (console.showWholeSurface) shown = SDL_Rect{0, 0, surface->w, surface->h};
    if (SDL_UpdateWindowSurfaceRects(console.window, &shown, 1) == 0) console.showWholeSurface = false;
}

// Window events after which the surface is another or its pixels have left the screen.
void noteSurfaceEvent(const SDL_Event& event)
{
    if (event.type != SDL_WINDOWEVENT) return;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: console.surfaceStale = true; break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED: console.showWholeSurface = true; break;
    default: break;
    }
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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    if (!visibleVideoDriver()) return false;
    // Hidden until the renderer is made: a renderer may replace the window it is given with
    // one of another kind, and the first would flash up and vanish.
    const Uint32 flags = SDL_WINDOW_HIDDEN | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    console.presentation = probePresentation(flags);
    console.window = SDL_CreateWindow(invitationTitle, SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, screenWidth, screenHeight, flags);
    if (console.window == nullptr) return false;
    if (console.presentation == Presentation::surface) {
        // SDL would otherwise back the window surface with an OpenGL texture of its own, the
        // very cost this path avoids.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        // A window system without window surfaces (Wayland) takes the texture path.
        if (SDL_GetWindowSurface(console.window) == nullptr) console.presentation = Presentation::texture;
    }
    if (console.presentation == Presentation::texture && !openRenderer()) return false;
    if (console.presentation == Presentation::page) console.canvasFrame.assign(framePixels, 0);
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
    writeOlderWindowTitle(console.window, invitationTitle);  // after the renderer, which may make the window anew
    SDL_ShowWindow(console.window);
    if (console.presentation == Presentation::texture) choosePacing();
    watchWindowDestruction(console.window);

    return true;
}

Pixel* consoleFrame()
{
    return console.frame.data();
}

bool consoleFrameSeen()
{
    return !windowOutOfSight();
}

// Out of sight nothing is drawn or shown, but the show keeps its 60 steps a second, so it is
// where the music is when the window comes back.
void consoleSkipFrame()
{
    console.vsyncCheck = VsyncCheck{};
    waitForFrameDeadline(framesPerHiddenPass);
}

// The page path: one pass over the frame's pixels here and one putImageData from the
// program's memory. (SDL's renderer would clear, blit with a conversion, then go over every
// pixel again in JavaScript.)
void presentToPage()
{
#ifdef __EMSCRIPTEN__
    canvasPixels(console.frame.data(), console.canvasFrame.data(), framePixels);
    showCanvasFrame(console.canvasFrame.data(), screenWidth, screenHeight);
#endif
}

void consoleUpdate()
{
    if (windowOutOfSight()) {
        consoleSkipFrame();
        return;
    }
    if (console.presentation == Presentation::page) {
        presentToPage();
        return;
    }
    if (console.presentation == Presentation::surface) {
        presentSurface();
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
        noteSurfaceEvent(event);
        const EventMessages messages = translateEvent(event, width, height);
        for (int k = 0; k < messages.count; ++k) postMessage(messages.items[k]);
    }
    if (takeWindowDestroyed()) postMessage({msgClose, 0, 0});
}

void consoleReport(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, invitationTitle, message, console.window);
}

void consoleClose()
{
    if (console.scaled != nullptr) SDL_DestroyTexture(console.scaled);
    if (console.texture != nullptr) SDL_DestroyTexture(console.texture);
    if (console.renderer != nullptr) SDL_DestroyRenderer(console.renderer);
    if (console.window != nullptr) SDL_DestroyWindow(console.window);
    settleWindowSystem();
    console.scaled = nullptr;
    console.scaledFactor = 0;
    console.surface = nullptr;
    console.surfaceStale = true;
    console.texture = nullptr;
    console.renderer = nullptr;
    console.window = nullptr;
    SDL_Quit();
}
