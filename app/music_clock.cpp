#include "app/music.h"

namespace {

// A report this far behind the last one is the stream starting over, not jitter.
constexpr double wrapThresholdMs = 500.0;
// Behind a report by more than this, the clock jumps; by less, it gains catchUpMs a reading.
constexpr double resyncMs = 100.0;
constexpr double catchUpMs = 2.0;

std::int32_t audible(double decodedMs, double latencyMs)
{
    const double heard = decodedMs - latencyMs;
    return heard > 0.0 ? std::int32_t(heard) : 0;
}

std::int32_t restart(MusicClock& clock, double reportedMs, double nowMs, double latencyMs)
{
    clock.started = true;
    clock.lastReportMs = reportedMs;
    clock.offsetMs = reportedMs - nowMs;
    clock.lastTime = audible(reportedMs, latencyMs);
    return clock.lastTime;
}

}  // namespace

double queuedAudioMs(int mixerChunkFrames, int deviceBufferFrames, int frequency)
{
    if (frequency <= 0) return 0.0;
    return double(mixerChunkFrames + deviceBufferFrames) * 1000.0 / frequency;
}

std::int32_t advanceMusicClock(MusicClock& clock, double reportedSeconds, double nowMs, double latencyMs)
{
    const double reportedMs = reportedSeconds * 1000.0;
    if (!clock.started || reportedMs < clock.lastReportMs - wrapThresholdMs) {
        return restart(clock, reportedMs, nowMs, latencyMs);
    }
    clock.lastReportMs = reportedMs;
    double time = nowMs + clock.offsetMs;
    if (time < reportedMs - resyncMs) time = reportedMs;
    else if (time < reportedMs) time = time + catchUpMs < reportedMs ? time + catchUpMs : reportedMs;
    if (time > reportedMs + clock.reportIntervalMs) time = reportedMs + clock.reportIntervalMs;
    clock.offsetMs = time - nowMs;
    const std::int32_t heard = audible(time, latencyMs);
    if (heard > clock.lastTime) clock.lastTime = heard;
    return clock.lastTime;
}

std::int32_t followHeardMusic(HeardClock& clock, double heardMs)
{
    const std::int32_t heard = heardMs > 0.0 ? std::int32_t(heardMs) : 0;
    if (clock.lastTime < 0 || heard > clock.lastTime || heard < clock.lastTime - wrapThresholdMs) clock.lastTime = heard;
    return clock.lastTime;
}
