#pragma once
// 8-bit run-length PCX pages and their grey palettes.
#include <cstddef>
#include <cstdint>

#include "assets/resources.h"

// Palette from the last 768 bytes, indices from byte 128 as one continuous stream of
// width x height, stopping at the end of the buffer or of the data.
void decodePcx(ResourceBytes source, std::uint8_t* indices, std::uint8_t* palette, int width,
               int height);
// The index stream alone: decodes up to total indices and returns the offset of the first byte
// not consumed (the palette marker, for a well-formed page).
std::size_t decodePcxStream(ResourceBytes source, std::uint8_t* indices, std::size_t total);
void expandPalette(const std::uint8_t* indices, const std::uint8_t* palette, int width, int height,
                   Pixel* pixels);
