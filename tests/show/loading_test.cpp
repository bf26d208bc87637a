// The loading screen as the last frame before the show: the loading picture upright and
// opaque at (258, 220) and nine progress tiles added along rows 249..264 from x 260 to 403.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "assets/resources.h"
#include "show_helpers.h"

namespace {

std::vector<Pixel> readTgaFile(const std::string& name, std::size_t count)
{
    std::ifstream in(std::string(INVITE_REFERENCE_RESOURCES) + "/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Pixel> pixels(count, 0);
    readTgaPixels(ResourceBytes{bytes.data(), bytes.size()}, pixels.data(), count);
    return pixels;
}

Pixel addChannels(Pixel d, Pixel c)
{
    Pixel out = 0;
    for (int shift : {16, 8, 0}) {
        unsigned s = ((d >> shift) & 0xFF) + ((c >> shift) & 0xFF);
        out |= (s > 255 ? 255u : s) << shift;
    }
    return out;
}

TEST(LoadingScreen, ShowsThePictureAndTheFullBar)
{
    const std::string path = showOutDir("loading_screen") + "/loading.png";
    const ShowRun run = renderShow("loading", "--until 0 --loading-screen " + path);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::vector<Pixel> frame;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readPng(path, frame, width, height));
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);

    const std::vector<Pixel> picture = readTgaFile("loading.tga", 125 * 41);
    const std::vector<Pixel> tile = readTgaFile("loader.tga", 16 * 16);
    std::vector<Pixel> expected(framePixels, 0);
    for (int r = 0; r < 41; ++r) {
        for (int c = 0; c < 125; ++c) expected[(220 + r) * 640 + 258 + c] = picture[(40 - r) * 125 + c];
    }
    for (int step = 0; step < 9; ++step) {
        for (int r = 0; r < 16; ++r) {
            for (int c = 0; c < 16; ++c) {
                Pixel& target = expected[(249 + r) * 640 + 260 + 16 * step + c];
                target = addChannels(target, tile[r * 16 + c]);
            }
        }
    }
    int differing = 0;
    for (int i = 0; i < framePixels; ++i) differing += frame[i] != expected[i];
    EXPECT_EQ(differing, 0);
    // The bar reaches x 403 and no further.
    EXPECT_NE(pixelAt(frame, 403, 256) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixelAt(frame, 404, 256), 0u);
}

}  // namespace
