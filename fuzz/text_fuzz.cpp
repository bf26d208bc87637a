// Input: x, y and line as little-endian 32-bit numbers, a 32-bit colour, then the text bytes.
// Row 0 and column 0 must stay clear whatever is drawn.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "assets/font.h"
#include "render/text.h"
#include "render/primitives.h"

namespace {

std::int32_t readInt32(const std::uint8_t* p)
{
    return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                        (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}

// Glyphs with ink in a different pattern each, so every glyph draws something.
void cutPatternedGlyphs()
{
    std::vector<std::uint8_t> strip(fontStripBytes);
    for (std::size_t k = 0; k < strip.size(); ++k) strip[k] = (k * 7 + k / 577) % 3 == 0 ? 0 : 1;
    cutGlyphs(strip.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::vector<Pixel> frame = [] {
        buildRowOffsets();
        cutPatternedGlyphs();
        return std::vector<Pixel>(framePixels, 0);
    }();
    if (size < 16) return 0;
    const int x = readInt32(data);
    const int y = readInt32(data + 4);
    const int line = readInt32(data + 8);
    const Pixel colour = Pixel(readInt32(data + 12)) | 1;
    const std::string text(reinterpret_cast<const char*>(data + 16), size - 16);
    drawText(frame.data(), x, y, line, text.c_str(), colour);
    for (int k = 0; k < screenWidth; ++k) {
        if (frame[k] != 0) __builtin_trap();
    }
    for (int k = 0; k < screenHeight; ++k) {
        if (frame[k * screenWidth] != 0) __builtin_trap();
    }
    return 0;
}
