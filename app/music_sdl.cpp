// The program has its own plain main(); SDL's replacement entry (SDL2main) is not linked.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>

#if defined(__linux__)
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "app/music.h"

namespace {

// The mixer fills chunks of this many frames; the device is opened with the same buffer, and
// through PulseAudio that is the stream's whole latency, half of it the margin a late fill has.
// 8192 frames (186 ms at 44.1 kHz) with the audio thread real-time kept a sound server fed for
// ten minutes with both processor cores busy and the machine loaded far beyond them, as long as
// the server itself was not held up (scripts/audio-night measures it). The clock takes the
// queued audio off and runs on between the chunks' reports, so the picture keeps to what is
// heard.
constexpr int chunkFrames = 8192;
// While no sound output is open, a new one is looked for this often.
constexpr double reopenIntervalMs = 1000.0;

struct SdlMusic {
    bool audioOpen = false;
    Mix_Music* stream = nullptr;
    std::string path;
    MusicClock clock;
    double latencyMs = 0.0;  // between the decoder's position and the audio library's output
    // Without an output (it went away) the music runs on the monotonic clock from where it was
    // when the output was lost, and plays from there again when an output can be opened.
    bool silent = false;
    double silentFromMs = 0.0;   // the music's position when the output went away
    double silentSinceMs = 0.0;  // the monotonic time it went away
    double lengthMs = 0.0;       // the stream's length, where it wraps to its start
    double nextReopenMs = 0.0;
};

SdlMusic music;

// Set from the audio library's thread when the open output goes away.
std::atomic<bool> outputRemoved{false};

// The mixer's position after its latest fill, written on the audio library's thread, so that
// reading it never waits for the mixer's lock: a frame held up by a busy machine while it held
// that lock would hold up the next fill with it.
std::atomic<double> filledSeconds{0.0};

// The audio library runs its thread at the best ordinary priority it may set, which a machine
// whose cores are all busy still holds up for a tenth or a sixth of a second now and then.
// A real-time thread is not held up by ordinary work, and one fill takes well under a
// millisecond of it. The lowest real-time priority keeps it below the sound server's own
// threads. Where the system does not allow it directly (an ordinary user without a real-time
// limit), the desktop's RealtimeKit is asked for it; with neither the thread stays as it was.
void raiseFillThread()
{
#if defined(__linux__)
    sched_param param{};
    param.sched_priority = 1;
    if (sched_setscheduler(0, SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0) return;
    // The lowest level asks RealtimeKit for real-time priority 1.
    SDL_LinuxSetThreadPriorityAndPolicy(Sint64(syscall(SYS_gettid)), SDL_THREAD_PRIORITY_LOW, SCHED_RR);
#endif
}

// Runs on the audio library's thread after each fill, with the mixer locked.
void SDLCALL afterFill(void*, Uint8*, int)
{
    thread_local bool raised = false;
    if (!raised) {
        raiseFillThread();
        raised = true;
    }
    const double seconds = Mix_GetMusicPosition(nullptr);
    if (seconds >= 0.0) filledSeconds = seconds;
}

double monotonicMs()
{
    return double(SDL_GetPerformanceCounter()) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

int SDLCALL watchOutput(void*, SDL_Event* event)
{
    if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0) outputRemoved = true;
    return 1;
}

bool openOutput()
{
    // The rate and the channels may differ from those asked for; the buffer size may not,
    // so the device's buffer is known to hold one chunk.
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, chunkFrames, nullptr,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE) != 0) {
        return false;
    }
    music.audioOpen = true;
    Mix_SetPostMix(afterFill, nullptr);
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0) frequency = 44100;
    music.latencyMs = queuedAudioMs(chunkFrames, chunkFrames, frequency);
    music.clock.reportIntervalMs = chunkFrames * 1000.0 / frequency;
    return true;
}

void closeStream()
{
    if (music.stream == nullptr) return;
    Mix_HaltMusic();
    Mix_FreeMusic(music.stream);
    music.stream = nullptr;
}

void closeOutput()
{
    closeStream();
    if (music.audioOpen) Mix_CloseAudio();
    music.audioOpen = false;
}

double silentPositionMs(double nowMs)
{
    const double position = music.silentFromMs + (nowMs - music.silentSinceMs);
    return music.lengthMs > 0.0 ? std::fmod(position, music.lengthMs) : position;
}

// The output went away: the music goes on without sound from where it was.
void loseOutput(double nowMs)
{
    const double seconds = music.stream != nullptr ? Mix_GetMusicPosition(music.stream) : 0.0;
    music.silentFromMs = seconds > 0.0 ? seconds * 1000.0 : 0.0;
    music.silentSinceMs = nowMs;
    music.silent = true;
    music.nextReopenMs = nowMs + reopenIntervalMs;
    closeOutput();
    outputRemoved = false;
    std::fprintf(stderr, "The sound output went away at %.1f s of the music; the show goes on without sound "
                         "until an output can be opened again.\n", music.silentFromMs / 1000.0);
}

// Opens the output of the moment and plays the music on from where it is now; false while
// there is none.
bool reopenOutput(double nowMs)
{
    music.nextReopenMs = nowMs + reopenIntervalMs;
    if (!openOutput()) return false;
    music.stream = Mix_LoadMUS(music.path.c_str());
    const double positionMs = silentPositionMs(monotonicMs());
    filledSeconds = positionMs / 1000.0;
    if (music.stream == nullptr || Mix_FadeInMusicPos(music.stream, -1, 0, positionMs / 1000.0) != 0) {
        closeOutput();
        return false;
    }
    music.silent = false;
    outputRemoved = false;
    std::fprintf(stderr, "The sound output is back; the music plays on from %.1f s.\n", positionMs / 1000.0);
    return true;
}

}  // namespace

bool musicInit()
{
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MP3);
    if (!openOutput()) return false;
    SDL_AddEventWatch(watchOutput, nullptr);
    return true;
}

bool musicOpen(const char* path)
{
    music.path = path;
    music.stream = Mix_LoadMUS(path);
    if (music.stream == nullptr) return false;
    if (Mix_GetMusicType(music.stream) != MUS_MP3) {
        Mix_SetError("not an MP3 stream");
        return false;
    }
    const double length = Mix_MusicDuration(music.stream);
    music.lengthMs = length > 0.0 ? length * 1000.0 : 0.0;
    return true;
}

bool musicPlay()
{
    filledSeconds = 0.0;
    if (music.stream == nullptr || Mix_PlayMusic(music.stream, -1) != 0) return false;
    const double reportIntervalMs = music.clock.reportIntervalMs;
    music.clock = MusicClock{};
    music.clock.reportIntervalMs = reportIntervalMs;
    return true;
}

std::int32_t musicPosition()
{
    const double nowMs = monotonicMs();
    if (!music.silent && outputRemoved) loseOutput(nowMs);
    if (music.silent && nowMs >= music.nextReopenMs) reopenOutput(nowMs);
    double seconds = 0.0;
    if (music.silent) seconds = silentPositionMs(nowMs) / 1000.0;
    else if (music.stream != nullptr) seconds = filledSeconds;
    if (seconds < 0.0) seconds = 0.0;
    return advanceMusicClock(music.clock, seconds, nowMs, music.latencyMs);
}

std::int32_t musicLengthMs()
{
    const double seconds = music.stream != nullptr ? Mix_MusicDuration(music.stream) : -1.0;
    return seconds >= 0.0 ? std::int32_t(seconds * 1000.0) : -1;
}

const char* musicFailure()
{
    return Mix_GetError();
}

void musicClose()
{
    SDL_DelEventWatch(watchOutput, nullptr);
    closeOutput();
    music.silent = false;
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
