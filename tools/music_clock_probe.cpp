// Plays a soundtrack through the real mixer stream (SDL_AUDIODRIVER=dummy needs no sound
// card) and samples the show's music clock at 60 Hz next to a monotonic clock: the largest
// step between two frames, the largest drift from a straight line through the samples, and
// every wrap of a looping stream back to its start.
#include <SDL.h>

#include <algorithm>
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
    double largestIntervalMs = 0.0;  // between two samples, by the monotonic clock
    int wraps = 0;
    std::int32_t largestAfterWrapMs = 0;
    double largestLagMs = 0.0;  // how far the music fell behind the monotonic clock in one stretch
};

constexpr double wrapDropMs = 500.0;

// The largest distance of a stretch's samples from the straight line fitted through them
// (least squares): how unevenly the clock runs, whatever its exact rate. The clock holds at 0
// until the first sound of a stretch reaches the speakers; those readings are left out.
double lineDeviation(const std::vector<Sample>& samples, std::size_t first, std::size_t end)
{
    while (first < end && samples[first].musicMs == 0) ++first;
    const double n = double(end - first);
    if (n < 3) return 0.0;
    double sw = 0, sm = 0, sww = 0, swm = 0;
    for (std::size_t i = first; i < end; ++i) {
        sw += samples[i].wallMs;
        sm += samples[i].musicMs;
        sww += samples[i].wallMs * samples[i].wallMs;
        swm += samples[i].wallMs * samples[i].musicMs;
    }
    const double slope = (n * swm - sw * sm) / (n * sww - sw * sw);
    const double offset = (sm - slope * sw) / n;
    double largest = 0.0;
    for (std::size_t i = first; i < end; ++i) {
        largest = std::max(largest, std::fabs(samples[i].musicMs - (offset + slope * samples[i].wallMs)));
    }
    return largest;
}

// Steps and drift are measured within each stretch between wraps.
ProbeResult analyse(const std::vector<Sample>& samples)
{
    ProbeResult result;
    std::size_t stretchStart = 0;
    for (std::size_t i = 1; i <= samples.size(); ++i) {
        const bool wrap = i < samples.size() && samples[i].musicMs - samples[i - 1].musicMs < -wrapDropMs;
        if (i == samples.size() || wrap) {
            result.largestDriftMs = std::max(result.largestDriftMs, lineDeviation(samples, stretchStart, i));
            const double lag = (samples[i - 1].wallMs - samples[stretchStart].wallMs) -
                               double(samples[i - 1].musicMs - samples[stretchStart].musicMs);
            result.largestLagMs = std::max(result.largestLagMs, lag);
            if (wrap) {
                ++result.wraps;
                result.largestAfterWrapMs = std::max(result.largestAfterWrapMs, samples[i].musicMs);
            }
            stretchStart = i;
            continue;
        }
        result.largestStepMs = std::max(result.largestStepMs, double(samples[i].musicMs - samples[i - 1].musicMs));
        result.largestIntervalMs = std::max(result.largestIntervalMs, samples[i].wallMs - samples[i - 1].wallMs);
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
    std::printf("  largest interval between two samples: %6.1f ms\n", result.largestIntervalMs);
    std::printf("  largest drift from a straight line:   %6.1f ms  (target <= 25)  %s\n",
                result.largestDriftMs, driftOk ? "ok" : "MISSED");
    std::printf("  wraps to the start: %d, first reading after a wrap at most %d ms  %s\n", result.wraps,
                result.largestAfterWrapMs, wrapsOk ? "ok" : "MISSED");
    std::printf("  largest fall behind the monotonic clock between wraps: %.1f ms\n", result.largestLagMs);
    return stepsOk && driftOk && wrapsOk ? 0 : 1;
}
