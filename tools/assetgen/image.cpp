#include "tools/assetgen/image.h"

#include <algorithm>
#include <cmath>

Image makeImage(int width, int height, Pixel fill)
{
    return Image{width, height, std::vector<Pixel>(std::size_t(width) * height, fill)};
}

Pixel rgb(int red, int green, int blue)
{
    auto c = [](int v) { return Pixel(std::clamp(v, 0, 255)); };
    return (c(red) << 16) | (c(green) << 8) | c(blue);
}

Pixel rgbf(double red, double green, double blue)
{
    return rgb(int(std::lround(red * 255)), int(std::lround(green * 255)),
               int(std::lround(blue * 255)));
}

Pixel greyPixel(int level) { return rgb(level, level, level); }

void blendPixel(Image& image, int x, int y, Pixel colour, double coverage)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height || coverage <= 0) return;
    coverage = std::min(coverage, 1.0);
    Pixel& p = image.pixels[std::size_t(y) * image.width + x];
    auto mix = [&](int shift) {
        return int(std::lround(channelOf(p, shift) * (1 - coverage) +
                               channelOf(colour, shift) * coverage));
    };
    p = rgb(mix(16), mix(8), mix(0));
}

void addPixel(Image& image, int x, int y, Pixel colour)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    Pixel& p = image.pixels[std::size_t(y) * image.width + x];
    p = rgb(channelOf(p, 16) + channelOf(colour, 16), channelOf(p, 8) + channelOf(colour, 8),
            channelOf(p, 0) + channelOf(colour, 0));
}

void fillRect(Image& image, int x, int y, int width, int height, Pixel colour)
{
    for (int yy = std::max(y, 0); yy < std::min(y + height, image.height); ++yy)
        for (int xx = std::max(x, 0); xx < std::min(x + width, image.width); ++xx)
            image.pixels[std::size_t(yy) * image.width + xx] = colour;
}

void frameRect(Image& image, int x, int y, int width, int height, Pixel colour)
{
    fillRect(image, x, y, width, 1, colour);
    fillRect(image, x, y + height - 1, width, 1, colour);
    fillRect(image, x, y, 1, height, colour);
    fillRect(image, x + width - 1, y, 1, height, colour);
}

void pasteScaled(Image& image, const Image& source, int x, int y, int scale)
{
    for (int sy = 0; sy < source.height; ++sy)
        for (int sx = 0; sx < source.width; ++sx)
            fillRect(image, x + sx * scale, y + sy * scale, scale, scale,
                     source.pixels[std::size_t(sy) * source.width + sx]);
}
