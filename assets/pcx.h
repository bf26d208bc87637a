#pragma once
// 8-bit run-length PCX pages and their grey palettes.
#include <cstdint>

#include "assets/resources.h"

// Palette from the last 768 bytes, indices from byte 128 as one continuous stream of
// width x height, stopping at the end of the buffer or of the data.
void decodePcx(ResourceBytes source, std::uint8_t* indices, std::uint8_t* palette, int width,
               int height);
void expandPalette(const std::uint8_t* indices, const std::uint8_t* palette, int width, int height,
                   Pixel* pixels);
