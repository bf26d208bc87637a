#include "assets/resources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// An uncompressed 32-bit TGA of width x height whose stored word k is words[k], with the
// 26-byte footer the shipped images carry.
std::vector<std::uint8_t> tgaFile(int width, int height, const std::vector<Pixel>& words)
{
    std::vector<std::uint8_t> file(18, 0);
    file[2] = 2;
    file[12] = std::uint8_t(width);
    file[13] = std::uint8_t(width >> 8);
    file[14] = std::uint8_t(height);
    file[15] = std::uint8_t(height >> 8);
    file[16] = 32;
    file[17] = 8;
    for (Pixel w : words) {
        for (int b = 0; b < 4; ++b) file.push_back(std::uint8_t(w >> (8 * b)));
    }
    const char signature[] = "TRUEVISION-XFILE.";
    file.insert(file.end(), 8, 0xFF);
    file.insert(file.end(), signature, signature + sizeof signature);
    return file;
}

std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

TEST(ReadFileBytes, CopiesTheRequestedLengthAndNoMore)
{
    const std::uint8_t source[6] = {1, 2, 3, 4, 5, 6};
    std::uint8_t dest[8];
    std::memset(dest, 0xEE, sizeof dest);
    readFileBytes({source, sizeof source}, dest, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(dest, dest + 8),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(ReadFileBytes, ShortSourceLeavesTheRestOfDestAlone)
{
    const std::uint8_t source[3] = {9, 8, 7};
    std::uint8_t dest[5];
    std::memset(dest, 0xEE, sizeof dest);
    readFileBytes({source, sizeof source}, dest, 5);
    EXPECT_EQ(std::vector<std::uint8_t>(dest, dest + 5),
              (std::vector<std::uint8_t>{9, 8, 7, 0xEE, 0xEE}));
    readFileBytes({nullptr, 0}, dest, 5);
    EXPECT_EQ(dest[0], 9);
}

TEST(ReadTgaPixels, ReturnsThePixelBlockAsStoredBottomRowFirst)
{
    // Stored words: bottom row (0x010203, 0x040506), then top row (0x070809, 0x0A0B0C).
    const auto file = tgaFile(2, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
    Pixel dest[6] = {7, 7, 7, 7, 7, 7};
    readTgaPixels({file.data(), file.size()}, dest, 4);
    EXPECT_EQ(dest[0], 0x010203u);  // bottom-left
    EXPECT_EQ(dest[3], 0x0A0B0Cu);  // top-right
    EXPECT_EQ(dest[4], 7u);         // the footer is never read as pixels
    EXPECT_EQ(dest[1], 0x040506u);
    EXPECT_EQ(dest[2], 0x070809u);
}

TEST(ReadTgaPixels, ShortFileCopiesOnlyWholeWordsThatExist)
{
    const std::vector<std::uint8_t> file = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0, 0, 0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66,
                                            0x00, 0x77, 0x88};
    Pixel dest[4] = {5, 5, 5, 5};
    readTgaPixels({file.data(), file.size()}, dest, 4);
    EXPECT_EQ(dest[0], 0x332211u);
    EXPECT_EQ(dest[1], 0x665544u);
    EXPECT_EQ(dest[2], 5u);

    const std::vector<std::uint8_t> headerOnly(18, 0xFF);
    readTgaPixels({headerOnly.data(), headerOnly.size()}, dest, 4);
    EXPECT_EQ(dest[0], 0x332211u);
}

TEST(Resources, UnknownNameIsNotFoundAndEndsTheRunWithCodeOne)
{
    EXPECT_EQ(findResource("DATA_NO_SUCH_THING"), nullptr);
    EXPECT_EXIT(extractResource("DATA_NO_SUCH_THING"), ::testing::ExitedWithCode(1), "DATA_NO_SUCH_THING");
}

// Every embedded TGA is an uncompressed 32-bit image with its footer and zero attribute bytes,
// so its words are Pixels as they stand.
TEST(Resources, EmbeddedTgaFilesHaveTheLayoutTheReaderReliesOn)
{
    int checked = 0;
    for (std::size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& entry = EmbeddedResources[i];
        const std::string name = entry.name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, "_TGA") != 0) continue;
        const std::size_t size = std::size_t(entry.end - entry.data);
        ASSERT_GT(size, 18u) << name;
        EXPECT_EQ(entry.data[2], 2) << name;
        EXPECT_EQ(entry.data[16], 32) << name;
        const std::size_t pixels = std::size_t(le16(entry.data + 12)) * le16(entry.data + 14);
        ASSERT_EQ(size, 18 + 4 * pixels + 26) << name;
        std::vector<Pixel> words(pixels);
        readTgaPixels({entry.data, size}, words.data(), pixels);
        for (Pixel w : words) ASSERT_EQ(w >> 24, 0u) << name;
        ++checked;
    }
    if (EmbeddedResourceCount > 0) {
        EXPECT_EQ(checked, 28);
    }
}

// The embedded bytes are the files of the resource list, each whole and in list order, so the
// generated arrays lose, add or reorder nothing.
TEST(Resources, EveryEmbeddedFileHoldsTheBytesOfItsListedFile)
{
    const std::string folder = std::string(INVITE_REFERENCE_RESOURCES) + "/";
    std::FILE* list = std::fopen((folder + "resources.list").c_str(), "r");
    ASSERT_NE(list, nullptr);
    char name[128];
    char path[256];
    std::size_t index = 0;
    char line[512];
    while (std::fgets(line, sizeof line, list) != nullptr) {
        if (line[0] == '#' || std::sscanf(line, "%127s %255s", name, path) != 2) continue;
        ASSERT_LT(index, EmbeddedResourceCount);
        const EmbeddedResource& entry = EmbeddedResources[index++];
        EXPECT_STREQ(entry.name, name);
        std::FILE* file = std::fopen((folder + path).c_str(), "rb");
        ASSERT_NE(file, nullptr) << path;
        std::vector<std::uint8_t> bytes;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes.push_back(std::uint8_t(c));
        std::fclose(file);
        ASSERT_EQ(std::size_t(entry.end - entry.data), bytes.size()) << name;
        EXPECT_EQ(std::memcmp(entry.data, bytes.data(), bytes.size()), 0) << name;
    }
    std::fclose(list);
    EXPECT_EQ(index, EmbeddedResourceCount);
}
