// Plays a soundtrack through the real mixer stream (SDL_AUDIODRIVER=dummy needs no sound
// card) and samples the show's music clock at 60 Hz next to a monotonic clock: the largest
// step between two frames, the largest drift from the monotonic clock, and every wrap of a
// looping stream back to its start.
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/music.h"

namespace {

struct Sample {
    double wallMs;
    std::int32_t musicMs;
};

struct ProbeResult {
    double largestStepMs = 0.0;
    double largestDriftMs = 0.0;
    int wraps = 0;
    std::int32_t largestAfterWrapMs = 0;
};

constexpr double wrapDropMs = 500.0;

// Drift is measured within each stretch between wraps, against the stretch's own start.
ProbeResult analyse(const std::vector<Sample>& samples)
{
    ProbeResult result;
    std::size_t stretchStart = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const double step = samples[i].musicMs - samples[i - 1].musicMs;
        if (step < -wrapDropMs) {
            ++result.wraps;
            if (samples[i].musicMs > result.largestAfterWrapMs) result.largestAfterWrapMs = samples[i].musicMs;
            stretchStart = i;
            continue;
        }
        if (step > result.largestStepMs) result.largestStepMs = step;
        const double music = samples[i].musicMs - samples[stretchStart].musicMs;
        const double wall = samples[i].wallMs - samples[stretchStart].wallMs;
        const double drift = std::fabs(music - wall);
        if (drift > result.largestDriftMs) result.largestDriftMs = drift;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: music_clock_probe FILE.mp3 [SECONDS]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    if (!musicInit() || !musicOpen(argv[1]) || !musicPlay()) {
        std::fprintf(stderr, "music_clock_probe: cannot play %s: %s\n", argv[1], SDL_GetError());
        musicClose();
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto frame = std::chrono::microseconds(16667);
    std::vector<Sample> samples;
    for (auto next = start; next - start < std::chrono::duration<double>(seconds); next += frame) {
        std::this_thread::sleep_until(next);
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        samples.push_back({wall, musicPosition()});
    }
    musicClose();

    const ProbeResult result = analyse(samples);
    const bool stepsOk = result.largestStepMs <= 20.0;
    const bool driftOk = result.largestDriftMs <= 25.0;
    const bool wrapsOk = result.wraps == 0 || result.largestAfterWrapMs < 100;
    std::printf("music clock over %.1f s (%zu samples at 60 Hz) of %s\n", seconds, samples.size(), argv[1]);
    std::printf("  largest step between frames: %6.1f ms  (target <= 20)  %s\n", result.largestStepMs,
                stepsOk ? "ok" : "MISSED");
    std::printf("  largest drift from the monotonic clock: %6.1f ms  (target <= 25)  %s\n",
                result.largestDriftMs, driftOk ? "ok" : "MISSED");
    std::printf("  wraps to the start: %d, first reading after a wrap at most %d ms  %s\n", result.wraps,
                result.largestAfterWrapMs, wrapsOk ? "ok" : "MISSED");
    return stepsOk && driftOk && wrapsOk ? 0 : 1;
}
