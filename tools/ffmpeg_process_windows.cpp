// The Windows build of invite_render writes PNG frames only: the capture to video drives
// ffmpeg through POSIX pipes, descriptors and process groups, which Windows does not have.
// Every call that would start ffmpeg says so and fails; the renderer then ends as it does
// when ffmpeg is missing.
#include "tools/ffmpeg_process.h"

#include <cstdio>
#include <io.h>

namespace {

const char* const noVideoHere = "video capture is built on Linux only; on Windows invite_render writes PNG frames";

}  // namespace

void catchStopSignals() {}

int stopSignalCaught()
{
    return 0;
}

bool stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

std::string findOnPath(const std::string&)
{
    std::fprintf(stderr, "invite_render: %s\n", noVideoHere);
    return {};
}

bool decodeSoundtrack(const std::string&, const std::string&, std::vector<std::int16_t>&, std::string& error)
{
    error = noVideoHere;
    return false;
}

bool startEncoder(const std::string&, const std::vector<std::string>&, EncoderProcess&, std::string& error)
{
    error = noVideoHere;
    return false;
}

bool writeToEncoder(const EncoderProcess&, int, const void*, std::size_t)
{
    return false;
}

bool finishEncoder(EncoderProcess&)
{
    return false;
}

void stopEncoder(EncoderProcess&) {}

std::string encoderLogTail(EncoderProcess&, int)
{
    return {};
}

bool runEncoderPass(const std::string&, const std::vector<std::string>&, const std::function<void(std::int64_t)>&,
                    std::string& error)
{
    error = noVideoHere;
    return false;
}
