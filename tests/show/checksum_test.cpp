// Guards every optimisation of the drawing code: chosen frames of the whole show, from the
// loading screen through the intro, the crossfade, the menu and a scrolled page, must keep
// exactly the pixels recorded in golden_frames.txt. After a deliberate change of the
// pictures or of what is drawn, record them anew with INVITE_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "show_helpers.h"

namespace {

const char* const goldenPath = INVITE_SOURCE_DIR "/tests/show/golden_frames.txt";

std::uint64_t checksum(const std::vector<Pixel>& frame)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (Pixel p : frame) {
        for (int shift : {16, 8, 0}) {
            hash ^= (p >> shift) & 0xFF;
            hash *= 1099511628211ULL;
        }
    }
    return hash;
}

std::map<std::string, std::uint64_t> readGolden()
{
    std::map<std::string, std::uint64_t> golden;
    std::ifstream in(goldenPath);
    std::string name;
    std::string value;
    while (in >> name >> value) golden[name] = std::stoull(value, nullptr, 16);
    return golden;
}

TEST(GoldenFrames, TheShowKeepsEveryRecordedPixel)
{
    const std::string script =
        "41650 move 300 130\n"       // hovering button 1 through the crossfade
        "44500 move 300 200\n"
        "44600 down left\n44700 up left\n"  // page 3
        "45000 key pagedown\n45100 key down\n";
    const std::string loading = showOutDir("golden_loading") + "/loading.png";
    const ShowRun run = renderShow("golden", "--until 46000 --loading-screen " + loading +
                                   " --snap 3000,14651,20000,27600,28000,30000,41700,41701,41720,44500,45500",
                                   script);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    std::map<std::string, std::uint64_t> actual;
    std::vector<Pixel> frame;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readPng(loading, frame, width, height));
    actual["loading"] = checksum(frame);
    for (const char* time : {"3000", "14651", "20000", "27600", "28000", "30000", "41700", "41701",
                             "41720", "44500", "45500"}) {
        frame = showFrame(run, std::string("t") + time + ".png");
        ASSERT_FALSE(frame.empty()) << time;
        actual[time] = checksum(frame);
    }

    if (std::getenv("INVITE_UPDATE_GOLDEN") != nullptr) {
        std::ofstream out(goldenPath);
        for (const auto& [name, value] : actual) out << name << " " << std::hex << value << "\n";
        GTEST_SKIP() << "recorded " << goldenPath;
    }
    const auto golden = readGolden();
    ASSERT_EQ(golden.size(), actual.size()) << "no golden frames recorded at " << goldenPath;
    for (const auto& [name, value] : actual) {
        const auto found = golden.find(name);
        ASSERT_NE(found, golden.end()) << name;
        EXPECT_EQ(found->second, value) << "frame " << name << " changed";
    }
}

}  // namespace
