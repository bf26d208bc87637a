// The program has its own plain main(); SDL's replacement entry (SDL2main) is not linked.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include "app/music.h"

namespace {

// The mixer fills chunks of this many frames; the device is opened with the same buffer.
constexpr int chunkFrames = 1024;

struct SdlMusic {
    bool audioOpen = false;
    Mix_Music* stream = nullptr;
    MusicClock clock;
    double latencyMs = 0.0;  // between the decoder's position and the audio library's output
};

SdlMusic music;

double monotonicMs()
{
    return double(SDL_GetPerformanceCounter()) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

}  // namespace

bool musicInit()
{
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MP3);
    // The rate and the channels may differ from those asked for; the buffer size may not,
    // so the device's buffer is known to hold one chunk.
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, chunkFrames, nullptr,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE) != 0) {
        return false;
    }
    music.audioOpen = true;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0) frequency = 44100;
    music.latencyMs = queuedAudioMs(chunkFrames, chunkFrames, frequency);
    return true;
}

bool musicOpen(const char* path)
{
    music.stream = Mix_LoadMUS(path);
    if (music.stream == nullptr) return false;
    if (Mix_GetMusicType(music.stream) != MUS_MP3) {
        Mix_SetError("not an MP3 stream");
        return false;
    }
    return true;
}

bool musicPlay()
{
    if (music.stream == nullptr || Mix_PlayMusic(music.stream, -1) != 0) return false;
    music.clock = MusicClock{};
    return true;
}

std::int32_t musicPosition()
{
    double seconds = music.stream != nullptr ? Mix_GetMusicPosition(music.stream) : 0.0;
    if (seconds < 0.0) seconds = 0.0;
    return advanceMusicClock(music.clock, seconds, monotonicMs(), music.latencyMs);
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
    if (music.stream != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(music.stream);
        music.stream = nullptr;
    }
    if (music.audioOpen) {
        Mix_CloseAudio();
        music.audioOpen = false;
    }
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
