#include "assets/jpeg.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <vector>

namespace {

// Compresses a width x height picture given as blue, green, red bytes, top row first.
std::vector<std::uint8_t> compressBgr(const std::vector<std::uint8_t>& bgr, int width, int height,
                                      int pixelFormat = TJPF_BGR, int subsampling = TJSAMP_444)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    const int pitch = width * tjPixelSize[pixelFormat];
    const int failed = tjCompress2(handle, bgr.data(), width, pitch, height, pixelFormat, &jpeg,
                                   &length, subsampling, 100, 0);
    tjDestroy(handle);
    if (failed != 0) return {};
    std::vector<std::uint8_t> file(jpeg, jpeg + length);
    tjFree(jpeg);
    return file;
}

// Four flat quadrants, red, green, blue and white, with a yellow top-left 8x8 block.
std::vector<std::uint8_t> quadrantPicture()
{
    std::vector<std::uint8_t> bgr(jpegScratchBytes);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            std::uint8_t* p = bgr.data() + 3 * (y * 640 + x);
            const int quadrant = (y >= 240) * 2 + (x >= 320);
            const std::uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
            p[0] = colours[quadrant][0];
            p[1] = colours[quadrant][1];
            p[2] = colours[quadrant][2];
            if (x < 8 && y < 8) p[0] = 0, p[1] = 255, p[2] = 255;
        }
    }
    return bgr;
}

void expectNear(const std::uint8_t* p, int blue, int green, int red)
{
    EXPECT_NEAR(p[0], blue, 3);
    EXPECT_NEAR(p[1], green, 3);
    EXPECT_NEAR(p[2], red, 3);
}

}  // namespace

TEST(JpegDecode, FillsScratchTopRowFirstInBlueGreenRedOrder)
{
    const auto file = compressBgr(quadrantPicture(), 640, 480);
    ASSERT_FALSE(file.empty());
    std::vector<std::uint8_t> scratch(jpegScratchBytes, 0x77);
    decodeJpeg({file.data(), file.size()}, scratch.data());
    expectNear(&scratch[0], 0, 255, 255);                      // top-left yellow block
    expectNear(&scratch[3 * (100 * 640 + 100)], 0, 0, 255);    // red, upper left
    expectNear(&scratch[3 * (100 * 640 + 500)], 0, 255, 0);    // green, upper right
    expectNear(&scratch[3 * (400 * 640 + 100)], 255, 0, 0);    // blue, lower left
    expectNear(&scratch[3 * (479 * 640 + 639)], 255, 255, 255);  // last byte of the last row
}

TEST(JpegDecode, GreyPictureComesOutAsThreeEqualChannels)
{
    std::vector<std::uint8_t> grey(640 * 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) grey[y * 640 + x] = x < 320 ? 40 : 200;
    }
    const auto file = compressBgr(grey, 640, 480, TJPF_GRAY, TJSAMP_GRAY);
    ASSERT_FALSE(file.empty());
    std::vector<std::uint8_t> scratch(jpegScratchBytes, 0);
    ASSERT_TRUE(tryDecodeJpeg({file.data(), file.size()}, scratch.data()));
    expectNear(&scratch[3 * (10 * 640 + 10)], 40, 40, 40);
    expectNear(&scratch[3 * (470 * 640 + 630)], 200, 200, 200);
}

TEST(JpegDecode, PictureOfAnotherSizeIsRefusedBeforeScratchIsWritten)
{
    for (const auto& [width, height] : {std::pair{320, 240}, {640, 481}, {1280, 480}}) {
        const auto file = compressBgr(std::vector<std::uint8_t>(width * height * 3, 90), width, height);
        ASSERT_FALSE(file.empty());
        std::vector<std::uint8_t> scratch(jpegScratchBytes, 0x5C);
        EXPECT_FALSE(tryDecodeJpeg({file.data(), file.size()}, scratch.data()));
        EXPECT_EQ(scratch, std::vector<std::uint8_t>(jpegScratchBytes, 0x5C)) << width << "x" << height;
        EXPECT_EXIT(decodeJpeg({file.data(), file.size()}, scratch.data()),
                    ::testing::ExitedWithCode(1), "");
    }
}

TEST(JpegDecode, LibraryFailuresEndTheRunWithCodeOne)
{
    std::vector<std::uint8_t> scratch(jpegScratchBytes);
    const std::uint8_t garbage[64] = {0xFF, 0xD8, 0x12, 0x34};
    EXPECT_EXIT(decodeJpeg({garbage, sizeof garbage}, scratch.data()),
                ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(decodeJpeg({nullptr, 0}, scratch.data()), ::testing::ExitedWithCode(1), "");

    auto file = compressBgr(quadrantPicture(), 640, 480);
    file.resize(file.size() / 2);  // header intact, scan cut short
    EXPECT_FALSE(tryDecodeJpeg({file.data(), file.size()}, scratch.data()));
    EXPECT_EXIT(decodeJpeg({file.data(), file.size()}, scratch.data()),
                ::testing::ExitedWithCode(1), "");
}

TEST(JpegConvert, BlueGreenRedBytesBecomePixelsInPlace)
{
    std::vector<std::uint8_t> scratch(jpegScratchBytes, 0);
    scratch[0] = 0x33;  // top-left: blue, green, red
    scratch[1] = 0x22;
    scratch[2] = 0x11;
    scratch[3 * 641] = 0xFF;
    scratch[jpegScratchBytes - 1] = 0x80;
    std::vector<Pixel> pixels(640 * 480, 0xFFFFFFFF);
    convertTo32(scratch.data(), pixels.data());
    EXPECT_EQ(pixels[0], 0x112233u);
    EXPECT_EQ(pixels[1], 0u);
    EXPECT_EQ(pixels[641], 0x0000FFu);
    EXPECT_EQ(pixels.back(), 0x800000u);
}

TEST(JpegDecode, ShippedPicturesDecode)
{
    if (EmbeddedResourceCount == 0) GTEST_SKIP() << "no embedded files in this build";
    std::vector<std::uint8_t> scratch(jpegScratchBytes);
    for (const char* name : {"DATA_MORA01BACK_JPG", "DATA_MENU_JPG"}) {
        const EmbeddedResource* entry = findResource(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_TRUE(tryDecodeJpeg({entry->data, std::size_t(entry->end - entry->data)},
                                  scratch.data()))
            << name;
    }
}
