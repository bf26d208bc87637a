#pragma once
// Running the renderer to make films and reading them back with the real ffmpeg and ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "resources/party_files.h"
#include "show/show_helpers.h"
#include "tools/ffmpeg_process.h"

inline const std::string soundtrack = std::string(INVITE_SOURCE_DIR) + "/resources/" + soundtrackFileName;

#define SKIP_WITHOUT_FFMPEG()                                                                   \
    if (findOnPath("ffmpeg").empty() || findOnPath("ffprobe").empty()) {                        \
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed (scripts/deps video installs them)";   \
    }

// Runs `invite_render <args>` from the resources folder; the output of the run is kept.
inline ShowRun render(const std::string& dir, const std::string& args, const std::string& environment = "")
{
    ShowRun run;
    run.outDir = dir;
    const std::string log = dir + "/log.txt";
    const std::string command = "cd " + std::string(INVITE_SOURCE_DIR) + "/resources && " + environment + " " +
                                INVITE_RENDER + " " + args + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(log);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

// The standard output of a shell command, as bytes.
inline std::string commandOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got = 0;
    while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) bytes.append(buffer, got);
    return bytes;
}

inline std::string probe(const std::string& file, const std::string& stream, const std::string& entries)
{
    std::string text = commandOutput("ffprobe -v error -select_streams " + stream + " -count_frames -show_entries stream=" +
                                     entries + " -of default=noprint_wrappers=1 '" + file + "'");
    return text;
}

// Interleaved 16-bit stereo at 44100 Hz, decoded by ffmpeg with `filter` applied.
inline std::vector<std::int16_t> decodeSound(const std::string& file, const std::string& filter = "")
{
    const std::string bytes = commandOutput("ffmpeg -v error -i '" + file + "' -vn " +
                                            (filter.empty() ? "" : "-af " + filter + " ") +
                                            "-f s16le -ac 2 -ar 44100 -");
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// The soundtrack from music time `ms` for `samples` samples, cut by ffmpeg itself.
inline std::vector<std::int16_t> soundtrackFrom(std::int64_t ms, std::int64_t samples)
{
    const std::int64_t first = ms * 441 / 10;
    return decodeSound(soundtrack, "atrim=start_sample=" + std::to_string(first) +
                                       ":end_sample=" + std::to_string(first + samples));
}

// Every frame as 8-bit RGB.
inline std::string decodePictures(const std::string& file)
{
    return commandOutput("ffmpeg -v error -i '" + file + "' -an -f rawvideo -pix_fmt rgb24 -");
}

// The lag, in samples, at which `b` best matches `a` (left plus right), within +-maxLag.
inline int bestLag(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag)
{
    const std::size_t n = std::min(a.size(), b.size()) / 2;
    auto mono = [](const std::vector<std::int16_t>& s, std::size_t i) { return double(s[2 * i]) + s[2 * i + 1]; };
    int best = 0;
    double bestScore = -1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (std::size_t i = std::size_t(maxLag); i + maxLag < n; ++i) score += mono(a, i) * mono(b, std::size_t(std::int64_t(i) + lag));
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

