#include "assets/pcx.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint8_t guard = 0xEE;

// A PCX file: 128 header bytes, the data stream, the marker 12 and a palette whose entry k is
// (k, 255 - k, k ^ 0x5A) so that every byte of it is told apart.
std::vector<std::uint8_t> pcxFile(const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> file;
    file.reserve(128 + data.size() + 769);
    file.resize(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(12);
    for (int k = 0; k < 256; ++k) {
        file.push_back(std::uint8_t(k));
        file.push_back(std::uint8_t(255 - k));
        file.push_back(std::uint8_t(k ^ 0x5A));
    }
    return file;
}

// Decodes into an index buffer with guard bytes behind the width x height that may be written.
std::vector<std::uint8_t> decodeIndices(const std::vector<std::uint8_t>& file, int width,
                                        int height, std::vector<std::uint8_t>* palette = nullptr)
{
    std::vector<std::uint8_t> indices(std::size_t(width * height) + 8, guard);
    std::vector<std::uint8_t> ownPalette(768, guard);
    decodePcx({file.data(), file.size()}, indices.data(),
              palette ? palette->data() : ownPalette.data(), width, height);
    return indices;
}

std::vector<std::uint8_t> withGuards(std::vector<std::uint8_t> expected)
{
    expected.insert(expected.end(), 8, guard);
    return expected;
}

}  // namespace

TEST(PcxDecode, RunRuleCountZeroLiteral191AndHeader192)
{
    // 0xC3 7: three 7s; 0xC0 9: count 0 stores nothing but eats the 9; 0xBF: literal 191;
    // 0xC1 0xC0: one run of the value 192; 0x05: literal.
    const auto file = pcxFile({0xC3, 7, 0xC0, 9, 0xBF, 0xC1, 0xC0, 0x05});
    EXPECT_EQ(decodeIndices(file, 3, 2), withGuards({7, 7, 7, 191, 192, 5}));
}

TEST(PcxDecode, StreamRunsAcrossRowsAsOneSequence)
{
    const auto file = pcxFile({0xC5, 4, 1});
    EXPECT_EQ(decodeIndices(file, 3, 2), withGuards({4, 4, 4, 4, 4, 1}));
}

TEST(PcxDecode, PaletteComesFromTheLast768Bytes)
{
    const auto file = pcxFile({0xC4, 0});
    std::vector<std::uint8_t> palette(768, guard);
    decodeIndices(file, 2, 2, &palette);
    for (int k = 0; k < 256; ++k) {
        ASSERT_EQ(palette[3 * k], k);
        ASSERT_EQ(palette[3 * k + 1], 255 - k);
        ASSERT_EQ(palette[3 * k + 2], k ^ 0x5A);
    }
}

TEST(PcxDecode, StopsWhenTheIndexBufferIsFull)
{
    // The loop ends at width x height: the marker and palette are never taken as indices.
    const auto exact = pcxFile({1, 2, 3, 4});
    EXPECT_EQ(decodeIndices(exact, 2, 2), withGuards({1, 2, 3, 4}));

    // A run that would cross the end of the buffer is cut at the end.
    const auto crossing = pcxFile({9, 0xFF, 6});
    EXPECT_EQ(decodeIndices(crossing, 2, 2), withGuards({9, 6, 6, 6}));
}

TEST(PcxDecode, DataEndingEarlyStopsAtItsEnd)
{
    // No room for a palette: the palette is left alone and the indices end with the bytes.
    std::vector<std::uint8_t> shortFile(128, 0);
    shortFile.push_back(3);
    shortFile.push_back(0xC2);
    shortFile.push_back(8);
    std::vector<std::uint8_t> palette(768, guard);
    EXPECT_EQ(decodeIndices(shortFile, 4, 4, &palette),
              withGuards({3, 8, 8, guard, guard, guard, guard, guard, guard, guard, guard,
                          guard, guard, guard, guard, guard}));
    EXPECT_EQ(palette, std::vector<std::uint8_t>(768, guard));

    // A run header as the very last byte has no value to repeat.
    std::vector<std::uint8_t> cutRun(128, 0);
    cutRun.push_back(5);
    cutRun.push_back(0xC3);
    EXPECT_EQ(decodeIndices(cutRun, 2, 1), withGuards({5, guard}));

    // Shorter than the header: nothing at all.
    const std::vector<std::uint8_t> stub(40, 0xC1);
    EXPECT_EQ(decodeIndices(stub, 2, 1), withGuards({guard, guard}));
}

TEST(PcxExpand, IndexZeroIsTransparentBlackAndGreysKeepAllChannels)
{
    std::vector<std::uint8_t> palette(768, 0);
    for (int k = 1; k < 256; ++k) {
        palette[3 * k] = palette[3 * k + 1] = palette[3 * k + 2] = std::uint8_t(k);
    }
    palette[3 * 7] = 0x12;
    palette[3 * 7 + 1] = 0x34;
    palette[3 * 7 + 2] = 0x56;
    const std::uint8_t indices[4] = {0, 200, 7, 255};
    Pixel pixels[5] = {1, 1, 1, 1, 0xABCDEF};
    expandPalette(indices, palette.data(), 2, 2, pixels);
    EXPECT_EQ(pixels[0], 0u);
    EXPECT_EQ(pixels[1], 0xC8C8C8u);
    EXPECT_EQ(pixels[2], 0x123456u);
    EXPECT_EQ(pixels[3], 0xFFFFFFu);
    EXPECT_EQ(pixels[4], 0xABCDEFu);
}

TEST(PcxDecode, StreamStopsAtTheFirstUnreadByte)
{
    const auto file = pcxFile({0xC2, 1, 0xC0, 2, 3, 99});
    std::vector<std::uint8_t> indices(3);
    EXPECT_EQ(decodePcxStream({file.data(), file.size()}, indices.data(), 3), 128u + 5);
}

// The shipped pages: each stream fills its page exactly and ends at the palette marker, and
// index 0 is the only black entry.
TEST(PcxDecode, ShippedPagesEndTheirStreamsAtThePaletteMarker)
{
    if (EmbeddedResourceCount == 0) GTEST_SKIP() << "no embedded files in this build";
    const struct { const char* name; int height; } pages[] = {
        {"DATA_PAGE1_PCX", 378}, {"DATA_PAGE2_PCX", 531}, {"DATA_PAGE3_PCX", 1274},
        {"DATA_PAGE4_PCX", 307}};
    for (const auto& page : pages) {
        const EmbeddedResource* entry = findResource(page.name);
        ASSERT_NE(entry, nullptr) << page.name;
        const ResourceBytes bytes{entry->data, std::size_t(entry->end - entry->data)};
        const std::size_t total = std::size_t(580) * page.height;
        std::vector<std::uint8_t> indices(total);
        EXPECT_EQ(decodePcxStream(bytes, indices.data(), total), bytes.size - 769) << page.name;
        EXPECT_EQ(bytes.data[bytes.size - 769], 12) << page.name;
        std::vector<std::uint8_t> palette(768);
        decodePcx(bytes, indices.data(), palette.data(), 580, page.height);
        std::vector<Pixel> pixels(total);
        expandPalette(indices.data(), palette.data(), 580, page.height, pixels.data());
        for (int k = 0; k < 256; ++k) {
            const std::uint8_t* entryRgb = palette.data() + 3 * k;
            EXPECT_TRUE(entryRgb[0] == entryRgb[1] && entryRgb[1] == entryRgb[2]) << k;
            EXPECT_EQ(entryRgb[0] == 0, k == 0) << page.name << " entry " << k;
        }
    }
}
