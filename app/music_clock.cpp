#include "app/music.h"

namespace {

// One mixer chunk of 1024 frames at 44.1 kHz: the longest the clock runs ahead of a report.
constexpr double reportIntervalMs = 1024.0 * 1000.0 / 44100.0;
// A report this far behind the last one is the stream starting over, not jitter.
constexpr double wrapThresholdMs = 500.0;

}  // namespace

std::int32_t advanceMusicClock(MusicClock& clock, double reportedSeconds, double nowMs)
{
    const double reportedMs = reportedSeconds * 1000.0;
    const bool firstReport = clock.lastReport < 0.0;
    const bool wrapped = !firstReport && reportedMs < clock.lastReport * 1000.0 - wrapThresholdMs;
    if (firstReport || reportedSeconds != clock.lastReport) {
        clock.lastReport = reportedSeconds;
        clock.reportAtMs = nowMs;
    }
    double elapsed = nowMs - clock.reportAtMs;
    if (elapsed < 0.0) elapsed = 0.0;
    if (elapsed > reportIntervalMs) elapsed = reportIntervalMs;
    const auto time = std::int32_t(clock.lastReport * 1000.0 + elapsed);
    if (firstReport || wrapped || time > clock.lastTime) clock.lastTime = time;
    return clock.lastTime;
}
