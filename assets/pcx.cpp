#include "assets/pcx.h"

#include <cstring>

namespace {

constexpr std::size_t dataOffset = 128;
constexpr std::size_t paletteBytes = 768;

}  // namespace

std::size_t decodePcxStream(ResourceBytes source, std::uint8_t* indices, std::size_t total)
{
    std::size_t at = dataOffset;
    std::size_t i = 0;
    while (i < total && at < source.size) {
        const std::uint8_t b = source.data[at++];
        if ((b & 192) != 192) {
            indices[i++] = b;
            continue;
        }
        // A header whose value byte lies past the data is a truncated run: nothing is stored.
        if (at >= source.size) break;
        const std::uint8_t value = source.data[at++];
        const std::size_t room = total - i;
        const std::size_t count = std::size_t(b & 63) < room ? std::size_t(b & 63) : room;
        std::memset(indices + i, value, count);
        i += count;
    }
    return at;
}

void decodePcx(ResourceBytes source, std::uint8_t* indices, std::uint8_t* palette, int width,
               int height)
{
    if (source.size >= paletteBytes) {
        std::memcpy(palette, source.data + source.size - paletteBytes, paletteBytes);
    }
    if (width <= 0 || height <= 0) return;
    decodePcxStream(source, indices, std::size_t(width) * std::size_t(height));
}

void expandPalette(const std::uint8_t* indices, const std::uint8_t* palette, int width, int height,
                   Pixel* pixels)
{
    if (width <= 0 || height <= 0) return;
    const std::size_t total = std::size_t(width) * std::size_t(height);
    for (std::size_t k = 0; k < total; ++k) {
        const std::uint8_t* entry = palette + 3 * std::size_t(indices[k]);
        pixels[k] = (Pixel(entry[0]) << 16) | (Pixel(entry[1]) << 8) | Pixel(entry[2]);
    }
}
