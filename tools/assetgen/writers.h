#pragma once
// The file formats the invitation embeds, written from upright pictures and plain data.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/image.h"

using Bytes = std::vector<std::uint8_t>;

// Uncompressed 32-bit TGA with the 26-byte 2.0 footer. Rows are stored bottom-up, so the
// picture reads upright for a viewer that honours the origin; `storeTopFirst` stores the
// picture's top row first instead (for sprites drawn without a row flip).
Bytes encodeTga(const Image& image, bool storeTopFirst = false);

// 8-bit RLE PCX, version 5, one plane, bytes per line = width; runs never cross a line end.
// The palette is 256 RGB triples.
Bytes encodePcx(const std::vector<std::uint8_t>& indices, int width, int height,
                const std::uint8_t (&palette)[768]);

// Baseline JPEG, three components, no chroma subsampling.
Bytes encodeJpeg(const Image& image, int quality);

bool writeBytes(const std::string& path, const Bytes& bytes);
bool writeText(const std::string& path, const std::string& text);
