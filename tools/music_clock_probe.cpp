// Plays a soundtrack through the real mixer stream (SDL_AUDIODRIVER=dummy needs no sound
// card) and samples the show's music clock at 60 Hz next to a monotonic clock: the largest
// step between two frames, the largest drift from a straight line through the samples, and
// every wrap of a looping stream back to its start. Beside it, how the audio library's own
// thread kept the output fed: the longest time between two fills of the output buffer and the
// processor time one fill took (decoding the MP3 and mixing). A sound server that runs dry
// while the fills come on time was itself held up; how long the machine held up an ordinary
// thread at the sound server's own priority tells by how much.
#include <SDL.h>
#include <SDL_mixer.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// Written only by the audio library's thread while the music plays, read after it closed.
struct FillRecord {
    int fills = 0;
    double firstWallMs = 0.0;
    double lastWallMs = 0.0;
    double lastCpuMs = 0.0;
    double largestIntervalMs = 0.0;
    double largestCpuMs = 0.0;
    double totalCpuMs = 0.0;
    bool realtime = false;  // the thread's scheduling at the last fill
};

FillRecord fillRecord;

double clockMs(clockid_t id)
{
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Called by the mixer after each fill, on the audio thread.
void SDLCALL recordFill(int, void*, int, void*)
{
    FillRecord& r = fillRecord;
    const double wall = clockMs(CLOCK_MONOTONIC);
    const double cpu = clockMs(CLOCK_THREAD_CPUTIME_ID);
    if (r.fills > 0) {
        r.largestIntervalMs = std::max(r.largestIntervalMs, wall - r.lastWallMs);
        r.largestCpuMs = std::max(r.largestCpuMs, cpu - r.lastCpuMs);
        r.totalCpuMs += cpu - r.lastCpuMs;
    } else {
        r.firstWallMs = wall;
    }
    r.lastWallMs = wall;
    r.lastCpuMs = cpu;
    const int policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
    r.realtime = policy == SCHED_RR || policy == SCHED_FIFO;
    ++r.fills;
}

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

// A thread at the niceness of the sound server's main thread (-11 where the system allows it)
// that asks to wake every 2 ms, and the longest it was woken late.
struct HoldUpWatch {
    std::atomic<bool> stop{false};
    int nice = 0;
    double largestMs = 0.0;
};

void watchHoldUps(HoldUpWatch& watch)
{
    const id_t tid = id_t(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, -11);
    watch.nice = getpriority(PRIO_PROCESS, tid);
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (!watch.stop) {
        next += std::chrono::milliseconds(2);
        std::this_thread::sleep_until(next);
        const auto now = Clock::now();
        watch.largestMs = std::max(watch.largestMs, std::chrono::duration<double, std::milli>(now - next).count());
        if (now - next > std::chrono::milliseconds(2)) next = now;
    }
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
    Mix_RegisterEffect(MIX_CHANNEL_POST, recordFill, nullptr, nullptr);
    HoldUpWatch holdUps;
    std::thread holdUpThread(watchHoldUps, std::ref(holdUps));
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto frame = std::chrono::microseconds(16667);
    std::vector<Sample> samples;
    for (auto next = start; next - start < std::chrono::duration<double>(seconds); next += frame) {
        std::this_thread::sleep_until(next);
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        samples.push_back({wall, musicPosition()});
    }
    Mix_UnregisterAllEffects(MIX_CHANNEL_POST);
    holdUps.stop = true;
    holdUpThread.join();
    const FillRecord fills = fillRecord;
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
    if (fills.fills > 1) {
        std::printf("  fills of the output: %d, one every %.1f ms, longest time between two %.1f ms\n", fills.fills,
                    (fills.lastWallMs - fills.firstWallMs) / (fills.fills - 1), fills.largestIntervalMs);
        std::printf("  processor time of one fill: %.2f ms on average, %.2f ms at most; the audio thread %s\n",
                    fills.totalCpuMs / (fills.fills - 1), fills.largestCpuMs,
                    fills.realtime ? "ran real-time" : "ran at an ordinary priority");
    }
    std::printf("  an ordinary thread at nice %d was woken at most %.1f ms late\n", holdUps.nice, holdUps.largestMs);
    return stepsOk && driftOk && wrapsOk ? 0 : 1;
}
