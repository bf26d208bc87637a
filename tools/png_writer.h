#pragma once
// PNG files of 0x00RRGGBB frames, for the offline renderer, the tests and the contact sheet.
#include <string>
#include <vector>

#include "render/primitives.h"

bool writePng(const std::string& path, const Pixel* pixels, int width, int height);
// Reads an 8-bit RGB or RGBA PNG into 0x00RRGGBB Pixels; false when it cannot.
bool readPng(const std::string& path, std::vector<Pixel>& pixels, int& width, int& height);
