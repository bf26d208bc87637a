#pragma once
// Upright pictures (top row first) the generator paints into before a writer stores them.
#include <cstdint>
#include <vector>

#include "render/primitives.h"

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // row-major, top row first
};

Image makeImage(int width, int height, Pixel fill = 0);

inline int channelOf(Pixel p, int shift) { return int((p >> shift) & 0xFF); }
Pixel rgb(int red, int green, int blue);  // each channel clamped to 0..255
Pixel rgbf(double red, double green, double blue);  // channels 0..1, rounded
Pixel greyPixel(int level);

// Mixes colour over the pixel with coverage 0..1; positions off the picture are ignored.
void blendPixel(Image& image, int x, int y, Pixel colour, double coverage);
// Per-channel saturating add; positions off the picture are ignored.
void addPixel(Image& image, int x, int y, Pixel colour);
void fillRect(Image& image, int x, int y, int width, int height, Pixel colour);
void frameRect(Image& image, int x, int y, int width, int height, Pixel colour);
// Copies source into image with its top-left at (x, y), scaled by an integer factor.
void pasteScaled(Image& image, const Image& source, int x, int y, int scale);
