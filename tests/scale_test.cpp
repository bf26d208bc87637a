// Sharp scaling: the one-pass scaler against the literal two stages (replicate by the whole
// factor into a large picture, then bilinear to the final size), the vectorised row kernels
// against the plain rule, and the bounds of what is read and written.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/scale.h"

namespace {

std::vector<Pixel> noiseFrame(std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Pixel> frame(framePixels);
    for (Pixel& p : frame) p = random() & 0xffffff;
    return frame;
}

// The smooth stage as a textbook bilinear filter over an explicit image: centres at +0.5,
// 8 bits of weight, across first and then down, each rounded.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    Pixel at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

Image replicated(const std::vector<Pixel>& frame, int factor)
{
    Image image{screenWidth * factor, screenHeight * factor, {}};
    image.pixels.resize(std::size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels[std::size_t(y) * image.width + x] = frame[(y / factor) * screenWidth + x / factor];
    return image;
}

// Where a target pixel's centre falls on the source: the pixel it starts from and the eighth
// bits towards the next, clamped at both edges.
void sample(int x, int sourceSize, int targetSize, int& from, int& toward)
{
    const double at = (x + 0.5) * sourceSize / targetSize - 0.5;
    if (at <= 0) {
        from = 0;
        toward = 0;
        return;
    }
    from = int(at);
    toward = int((at - from) * 256);
    if (from >= sourceSize - 1) {
        from = sourceSize - 1;
        toward = 0;
    }
}

Pixel lerp(Pixel a, Pixel b, int weight)
{
    Pixel out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = int(a >> shift) & 255;
        const int cb = int(b >> shift) & 255;
        out |= Pixel((ca * (256 - weight) + cb * weight + 128) >> 8) << shift;
    }
    return out;
}

Image bilinear(const Image& source, int width, int height)
{
    Image across{width, source.height, std::vector<Pixel>(std::size_t(width) * source.height)};
    for (int x = 0; x < width; ++x) {
        int from = 0;
        int toward = 0;
        sample(x, source.width, width, from, toward);
        for (int y = 0; y < source.height; ++y) {
            const Pixel next = toward > 0 ? source.at(from + 1, y) : 0;
            across.pixels[std::size_t(y) * width + x] = lerp(source.at(from, y), next, toward);
        }
    }
    Image out{width, height, std::vector<Pixel>(std::size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        int from = 0;
        int toward = 0;
        sample(y, source.height, height, from, toward);
        for (int x = 0; x < width; ++x) {
            const Pixel next = toward > 0 ? across.at(x, from + 1) : 0;
            out.pixels[std::size_t(y) * width + x] = lerp(across.at(x, from), next, toward);
        }
    }
    return out;
}

// Scales into a target wider than the picture, the spare columns and rows marked, and checks
// that nothing but the picture was written.
std::vector<Pixel> scaledInto(const std::vector<Pixel>& frame, int width, int height, int factor)
{
    const int pitch = width + 7;
    const Pixel mark = 0xdeadbeef;
    std::vector<Pixel> target(std::size_t(pitch) * (height + 1), mark);
    SharpScale scale = sharpScale(width, height, factor);
    scaleFrame(scale, frame.data(), target.data(), pitch);
    std::vector<Pixel> picture;
    for (int y = 0; y <= height; ++y) {
        for (int x = 0; x < pitch; ++x) {
            const Pixel p = target[std::size_t(y) * pitch + x];
            if (y < height && x < width) picture.push_back(p);
            else if (p != mark) ADD_FAILURE() << "wrote outside the picture at " << x << "," << y;
        }
    }
    return picture;
}

TEST(SharpScale, WholeMultiplesRepeatEveryPixelSquare)
{
    const std::vector<Pixel> frame = noiseFrame(1);
    for (int factor : {1, 2, 3, 5}) {
        const int width = screenWidth * factor;
        const int height = screenHeight * factor;
        const std::vector<Pixel> picture = scaledInto(frame, width, height, factor);
        ASSERT_EQ(picture, replicated(frame, factor).pixels) << "factor " << factor;
    }
}

TEST(SharpScale, BetweenFactorsItIsTheWholeFactorThenBilinear)
{
    const std::vector<Pixel> frame = noiseFrame(2);
    struct Case {
        int width, height, factor;
    };
    // 1920x1080's picture, a resized window (factor 1, then smoothly), a picture a little
    // above a factor, and one smaller than the frame.
    for (const Case c : {Case{1440, 1080, 2}, Case{960, 720, 1}, Case{1300, 975, 2}, Case{2000, 1500, 3},
                         Case{320, 240, 1}}) {
        const Image expected = bilinear(replicated(frame, c.factor), c.width, c.height);
        const std::vector<Pixel> picture = scaledInto(frame, c.width, c.height, c.factor);
        int off = 0;
        for (std::size_t k = 0; k < picture.size(); ++k) off += picture[k] != expected.pixels[k];
        EXPECT_EQ(off, 0) << c.width << "x" << c.height << " by " << c.factor;
    }
}

TEST(SharpScale, EveryFrameColumnKeepsASharpCoreOfTheSameWeight)
{
    // A lone white column anywhere in the frame: inside its doubled block the picture repeats
    // it unblended, so every column shows at least one pure white pixel, and each lights the
    // about the same amount of a 1440-wide row (2 x 1.125 pixels' worth).
    for (int column = 1; column < screenWidth - 1; ++column) {
        std::vector<Pixel> frame(framePixels, 0);
        for (int y = 0; y < screenHeight; ++y) frame[y * screenWidth + column] = 0xffffff;
        const std::vector<Pixel> picture = scaledInto(frame, 1440, 1080, 2);
        int light = 0;
        int pure = 0;
        for (int x = 0; x < 1440; ++x) {
            const Pixel p = picture[std::size_t(540) * 1440 + x];
            light += int(p & 0xff);
            pure += p == 0xffffff;
        }
        ASSERT_GE(pure, 1) << "column " << column;
        // The smooth stage's phase moves it by under 2%; a nearest-pixel 2.25x would light
        // two or three whole pixels (510 or 765).
        ASSERT_NEAR(light, 2.25 * 255, 10) << "column " << column;
    }
}

TEST(SharpScale, TapsNeverReadPastTheRow)
{
    for (int source : {2, 480, 640})
        for (int factor : {1, 2, 3})
            for (int target : {1, 3, 320, 641, 1080, 1440, 1919, 2000}) {
                const ScaleTaps taps = scaleTaps(source, factor, target);
                ASSERT_EQ(int(taps.first.size()), target);
                for (int x = 0; x < target; ++x) {
                    ASSERT_GE(taps.first[x], 0);
                    ASSERT_LE(taps.first[x] + 1, source - 1) << source << " " << factor << " " << target;
                    ASSERT_LE(taps.weight[x], 256);
                }
                if (target >= source * factor) {
                    EXPECT_EQ(taps.first[target - 1] + (taps.weight[target - 1] == 256), source - 1)
                        << "an enlarged picture ends with the last frame pixel";
                }
            }
}

TEST(ScaleKernels, BlendRuleRoundsAndKeepsItsEnds)
{
    EXPECT_EQ(blendPixel(0x102030, 0xf0e0d0, 0), 0x102030u);
    EXPECT_EQ(blendPixel(0x102030, 0xf0e0d0, 256), 0xf0e0d0u);
    EXPECT_EQ(blendPixel(0x000000, 0xffffff, 128), 0x808080u);  // 127.5 rounds up
    EXPECT_EQ(blendPixel(0x0000ff, 0x000000, 1), 0x0000feu);    // 254.0 + 0.5
    EXPECT_EQ(blendPixel(0xff0000, 0x00ff00, 64), 0xbf4000u);
}

TEST(ScaleKernels, VectorisedRowsMatchThePlainRule)
{
    std::mt19937 random(3);
    for (int count : {1, 3, 4, 7, 640, 1443}) {
        std::vector<Pixel> a(static_cast<std::size_t>(count));
        std::vector<Pixel> b(static_cast<std::size_t>(count));
        for (Pixel& p : a) p = random() & 0xffffff;
        for (Pixel& p : b) p = random() & 0xffffff;
        for (int weight = 0; weight <= 256; weight += 1) {
            std::vector<Pixel> out(std::size_t(count) + 1, 0x12345678);
            blendRows(a.data(), b.data(), weight, out.data(), count);
            for (int x = 0; x < count; ++x) ASSERT_EQ(out[x], blendPixel(a[x], b[x], weight)) << count << " " << weight;
            ASSERT_EQ(out[std::size_t(count)], 0x12345678u) << "wrote past the row";
        }
    }

    const std::vector<Pixel> row = noiseFrame(4);
    for (int width : {1441, 1440, 963}) {
        const ScaleTaps taps = scaleTaps(screenWidth, 2, width);
        std::vector<Pixel> out(std::size_t(width) + 1, 0x12345678);
        scaleRowAcross(row.data(), taps, out.data());
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(out[x], blendPixel(row[taps.first[x]], row[taps.first[x] + 1], taps.weight[x])) << x;
        }
        ASSERT_EQ(out[std::size_t(width)], 0x12345678u) << "wrote past the row";
    }

    for (int factor = 1; factor <= 7; ++factor) {
        for (int count : {1, 5, 640}) {
            std::vector<Pixel> out(std::size_t(count * factor) + 1, 0x12345678);
            replicateRow(row.data(), count, factor, out.data());
            for (int x = 0; x < count * factor; ++x) ASSERT_EQ(out[x], row[x / factor]) << factor << " " << x;
            ASSERT_EQ(out[std::size_t(count * factor)], 0x12345678u) << "wrote past the row";
        }
    }
}

}  // namespace

// A page's canvas reads bytes red, green, blue, alpha: each channel must land in its own byte
// whatever the unused top byte of the frame's pixel holds.
TEST(ScaleKernels, CanvasPixelsPutEachChannelInItsByteOpaque)
{
    const Pixel frame[] = {0x00112233, 0xff0000ff, 0x12ff0000, 0x0000ff00};
    std::uint32_t out[4] = {};
    canvasPixels(frame, out, 4);
    const unsigned char expected[4][4] = {{0x11, 0x22, 0x33, 0xff}, {0x00, 0x00, 0xff, 0xff},
                                          {0xff, 0x00, 0x00, 0xff}, {0x00, 0xff, 0x00, 0xff}};
    for (int k = 0; k < 4; ++k) {
        const std::uint32_t word = out[k];
        const unsigned char bytes[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                        static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
        for (int b = 0; b < 4; ++b) EXPECT_EQ(bytes[b], expected[k][b]) << "pixel " << k << " byte " << b;
    }
}
