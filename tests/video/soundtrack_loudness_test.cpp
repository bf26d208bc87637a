// The soundtrack as video sites and streaming services measure it: ffmpeg's EBU R128 meter
// on the MP3 that assetgen writes (the assets test keeps resources/ equal to what it writes).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "resources/party_files.h"
#include "tools/ffmpeg_process.h"

namespace {

struct LoudnessReading {
    double integrated = 0;  // LUFS
    double range = 0;       // LU
    double truePeak = 0;    // dBTP
    bool found = false;
};

// The summary ffmpeg's ebur128 filter prints at the end of a run.
LoudnessReading readLoudness(const std::string& file)
{
    const std::string command = "ffmpeg -hide_banner -nostats -i '" + file + "' -af ebur128=peak=true -f null - 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, got);
    const auto summary = text.rfind("Summary:");
    LoudnessReading reading;
    if (summary == std::string::npos) return reading;
    const std::string tail = text.substr(summary);
    std::smatch integrated, range, peak;
    const std::regex integratedLine(R"(I:\s+(-?[0-9.]+) LUFS)"), rangeLine(R"(LRA:\s+(-?[0-9.]+) LU)"),
        peakLine(R"(Peak:\s+(-?[0-9.]+) dBFS)");
    if (!std::regex_search(tail, integrated, integratedLine) || !std::regex_search(tail, range, rangeLine) ||
        !std::regex_search(tail, peak, peakLine)) {
        return reading;
    }
    reading.integrated = std::stod(integrated[1]);
    reading.range = std::stod(range[1]);
    reading.truePeak = std::stod(peak[1]);
    reading.found = true;
    return reading;
}

TEST(SoundtrackLoudness, StreamingLoudnessWithTheTruePeakUnderOneDecibel)
{
    if (findOnPath("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed (scripts/deps video installs it)";
    // Organisers who bring their own music bring its loudness too: only the synthesised track
    // is mastered here.
    std::ifstream record(std::string(INVITE_SOURCE_DIR) + "/resources/soundtrack_record.txt");
    std::string line;
    while (std::getline(record, line) && line.rfind("source ", 0) != 0) {
    }
    if (line != "source built-in") GTEST_SKIP() << "resources/" << soundtrackFileName << " is not the built-in soundtrack (" << line << ")";
    const std::string mp3 = std::string(INVITE_SOURCE_DIR) + "/resources/" + soundtrackFileName;
    const LoudnessReading reading = readLoudness(mp3);
    ASSERT_TRUE(reading.found) << "no ebur128 summary for " << mp3;
    EXPECT_NEAR(reading.integrated, -14.0, 0.5);
    EXPECT_LE(reading.truePeak, -1.0);
    // The limiter takes the peaks, not the music's swell from the quiet intro to the full
    // sections: the loudness range stays that of the mix (11.8 LU before mastering).
    EXPECT_GE(reading.range, 9.0);
    EXPECT_LE(reading.range, 14.0);
}

}  // namespace
