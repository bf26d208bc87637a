// The soundtrack as the programs load it at start, on any bytes: the audio library opens the
// file, tells its type and length and starts playing it (with SDL's dummy audio driver). Only
// a crash or a sanitizer report is a finding; refusing the file is the right answer to most
// inputs.
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/music.h"

namespace {

std::string soundtrackPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const char* folder = std::getenv("TMPDIR");
    soundtrackPath = std::string(folder != nullptr ? folder : "/tmp") + "/fuzz_soundtrack_" +
                     std::to_string(getpid()) + ".mp3";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(soundtrackPath.c_str(), "wb");
    if (file == nullptr) std::abort();
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) std::abort();
    if (!musicInit()) std::abort();  // the dummy device always opens
    if (musicOpen(soundtrackPath.c_str())) {
        musicLengthMs();
        if (musicPlay()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));  // the mixer decodes some
            musicPosition();
        }
    }
    musicClose();
    std::remove(soundtrackPath.c_str());
    return 0;
}
