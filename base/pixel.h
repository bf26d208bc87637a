#pragma once
// The colour type every picture, table and frame is made of, and the frame's size.
#include <cstdint>

using Pixel = std::uint32_t;  // 0x00RRGGBB; 0 is transparent for routines that skip zeros

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr int framePixels = screenWidth * screenHeight;
