#include "app/headless.h"
#include "app/music.h"

namespace {

struct SimulatedMusic {
    SimulatedClock clock;
    std::int64_t framesRead = 0;
    bool playing = false;
    bool playbackFails = false;
    int closes = 0;
};

SimulatedMusic sim;

}  // namespace

void simConfigure(const SimulatedClock& clock)
{
    sim.clock = clock;
}

std::int64_t simElapsedOfFrame(std::int64_t frame)
{
    return sim.clock.start + frame * 1000 / sim.clock.fps;
}

std::int32_t simTimeOfFrame(std::int64_t frame)
{
    const std::int64_t elapsed = simElapsedOfFrame(frame);
    if (sim.clock.loop > 0) return std::int32_t(elapsed % sim.clock.loop);
    return std::int32_t(elapsed);
}

std::int64_t simFramesRead()
{
    return sim.framesRead;
}

bool simPlaying()
{
    return sim.playing;
}

void simFailPlayback(bool fail)
{
    sim.playbackFails = fail;
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

bool musicPlay()
{
    if (sim.playbackFails) return false;
    // Playback starts from the beginning: the first frame reads the configured start.
    sim.framesRead = 0;
    sim.playing = true;
    return true;
}

std::int32_t musicPosition()
{
    return simTimeOfFrame(sim.framesRead++);
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
