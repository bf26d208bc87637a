#pragma once
// The two full-screen JPEG pictures: decoded into a shared blue-green-red scratch buffer, then
// converted into 0x00RRGGBB Pixels.
#include <cstdint>

#include "assets/resources.h"

constexpr int jpegScratchBytes = 640 * 480 * 3;

// Fills scratch top row first, 1920 bytes a row, blue, green, red. Any library failure or a
// picture that is not 640x480 ends the process with exit code 1, before scratch is written.
void decodeJpeg(ResourceBytes source, std::uint8_t* scratch);
// The same decode reporting failure instead of ending the process: false for a library failure
// or a picture that is not 640x480 (scratch untouched in the size case).
bool tryDecodeJpeg(ResourceBytes source, std::uint8_t* scratch);
void convertTo32(const std::uint8_t* scratch, Pixel* dest32);
