// Captures at other frame rates than the show's 60 steps a second: every frame shows what a
// 60 Hz screen shows at its music time, so the plates drift and the globe turns at the same
// speed whatever the rate.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "show_helpers.h"

namespace {

struct DigestLine {
    long long frame;
    int time;
    std::string digest;
};

std::vector<DigestLine> readDigests(const std::string& path)
{
    std::vector<DigestLine> lines;
    std::ifstream in(path);
    DigestLine line;
    while (in >> line.frame >> line.time >> line.digest) lines.push_back(line);
    return lines;
}

// Every frame's checksum at `fps` over the range of music times.
std::vector<DigestLine> digestsAt(int fps, const std::string& range)
{
    const std::string name = "rate" + std::to_string(fps);
    // The run's own folder, which renderShow makes afresh before the run.
    const std::string digest = showOutDir(name) + "/digest.txt";
    const ShowRun run = renderShow(name, "--fps " + std::to_string(fps) + " " + range + " --digest " + digest);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readDigests(digest);
}

TEST(FrameRates, ThirtyAndFiftyShowTheSixtyHertzPictureAtTheirMusicTimes)
{
    // The plates' second and third windows with the globe's entry, and the globe's flash.
    for (const std::string range : {"--start 13000 --until 17000", "--start 27000 --until 29000"}) {
        const std::vector<DigestLine> reference = digestsAt(60, range);
        ASSERT_GT(reference.size(), 100u);
        for (const int fps : {30, 50, 24}) {
            const std::vector<DigestLine> lines = digestsAt(fps, range);
            ASSERT_FALSE(lines.empty()) << fps;
            int differing = 0;
            std::size_t k = 0;
            for (const DigestLine& line : lines) {
                // The last 60 Hz frame at or before this frame's time.
                while (k + 1 < reference.size() && reference[k + 1].time <= line.time) ++k;
                differing += line.digest != reference[k].digest;
            }
            EXPECT_EQ(differing, 0) << fps << " fps, " << range;
            // Frame k of the capture is at start + floor(k * 1000 / fps).
            const DigestLine& last = lines.back();
            EXPECT_EQ(last.time, std::stoi(range.substr(8)) + int(last.frame * 1000 / fps)) << fps;
        }
    }
}

}  // namespace
