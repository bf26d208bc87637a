// The least a program can do to show a moving 640x480 picture at 60 frames a second, nothing
// else. scripts/cpu-share compares the invitation's processor time with this.
//   bare_presenter sleep     one streaming texture, paced by sleeping to a deadline every
//                            1/60 s (vsync asked for too)
//   bare_presenter vsync     the same, paced by the display's vsync alone
//   bare_presenter surface   the picture copied into the window's own surface (no renderer,
//                            no OpenGL), paced by sleeping
#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    const bool vsyncPacing = argc >= 2 && std::strcmp(argv[1], "vsync") == 0;
    const bool surfacePath = argc >= 2 && std::strcmp(argv[1], "surface") == 0;
    if (surfacePath) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Window* window = SDL_CreateWindow("bare presenter", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          640, 480, SDL_WINDOW_RESIZABLE);
    if (window == nullptr) return 1;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    if (!surfacePath) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
        texture = renderer != nullptr ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                          SDL_TEXTUREACCESS_STREAMING, 640, 480)
                                      : nullptr;
        if (texture == nullptr) return 1;
    } else if (SDL_GetWindowSurface(window) == nullptr) {
        return 1;
    }
    std::vector<std::uint32_t> frame(640 * 480);
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::nanoseconds(16666667);
    auto deadline = Clock::now();
    for (std::uint32_t count = 0;; ++count) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                SDL_Quit();
                return 0;
            }
        }
        // A changing picture, so nothing upstream can skip an unchanged one.
        for (std::size_t i = 0; i < frame.size(); i += 64) frame[i] = count * 2654435761u + std::uint32_t(i);
        SDL_Surface* surface = surfacePath ? SDL_GetWindowSurface(window) : nullptr;
        if (surfacePath && surface != nullptr) {
            for (int y = 0; y < 480 && y < surface->h; ++y) {
                std::memcpy(static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch, frame.data() + y * 640,
                            std::size_t(surface->w < 640 ? surface->w : 640) * 4);
            }
        } else if (!surfacePath) {
            SDL_UpdateTexture(texture, nullptr, frame.data(), 640 * 4);
            SDL_RenderClear(renderer);
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        }
        if (!vsyncPacing) {
            const auto now = Clock::now();
            if (deadline > now) std::this_thread::sleep_until(deadline);
            else if (now - deadline > interval) deadline = now;
            deadline += interval;
        }
        if (surfacePath) SDL_UpdateWindowSurface(window);
        else SDL_RenderPresent(renderer);
    }
}
