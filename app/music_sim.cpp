#include "app/headless.h"
#include "app/music.h"
#include "app/step_rate.h"

namespace {

struct SimulatedMusic {
    SimulatedClock clock;
    std::int64_t passesRead = 0;
    bool playing = false;
    bool playbackFails = false;
    int closes = 0;
    std::int32_t nextReadShift = 0;
    std::int32_t lengthMs = -1;
    std::int64_t stalledReadings = 0;
};

SimulatedMusic sim;

}  // namespace

void simConfigure(const SimulatedClock& clock)
{
    sim.clock = clock;
}

std::int64_t simElapsedOfPass(std::int64_t pass)
{
    return sim.clock.start + pass * 1000 / stepsPerSecond;
}

std::int32_t simTimeOfPass(std::int64_t pass)
{
    const std::int64_t elapsed = simElapsedOfPass(pass);
    if (sim.clock.loop > 0) return std::int32_t(elapsed % sim.clock.loop);
    return std::int32_t(elapsed);
}

std::int64_t simPassesRead()
{
    return sim.passesRead;
}

bool simPlaying()
{
    return sim.playing;
}

void simShiftNextRead(std::int32_t ms)
{
    sim.nextReadShift = ms;
}

void simSkipPasses(std::int64_t passes)
{
    sim.passesRead += passes;
}

void simFailPlayback(bool fail)
{
    sim.playbackFails = fail;
}

void simStall(std::int64_t readings)
{
    sim.stalledReadings = readings;
}

int simCloseCount()
{
    return sim.closes;
}

bool musicInit()
{
    return true;
}

bool musicOpen(const char*)
{
    return true;
}

void simSoundtrackLength(std::int32_t ms)
{
    sim.lengthMs = ms;
}

std::int32_t musicLengthMs()
{
    return sim.lengthMs;
}

bool musicPlay()
{
    if (sim.playbackFails) return false;
    // Playback starts from the beginning: the first pass reads the configured start.
    sim.passesRead = 0;
    sim.playing = true;
    return true;
}

std::int32_t musicPosition()
{
    if (sim.stalledReadings > 0 && sim.passesRead > 0) {
        --sim.stalledReadings;
        return simTimeOfPass(sim.passesRead - 1);
    }
    const std::int32_t shift = sim.nextReadShift;
    sim.nextReadShift = 0;
    return simTimeOfPass(sim.passesRead++) + shift;
}

void musicClose()
{
    sim.playing = false;
    ++sim.closes;
}

const char* musicFailure()
{
    return "";
}
