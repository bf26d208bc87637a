#include "tools/png_writer.h"

#include <png.h>

#include <cstdio>

bool writePng(const std::string& path, const Pixel* pixels, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        rgb[i * 3] = png_byte(pixels[i] >> 16);
        rgb[i * 3 + 1] = png_byte(pixels[i] >> 8);
        rgb[i * 3 + 2] = png_byte(pixels[i]);
    }
    const std::string partial = path + ".tmp";
    if (!png_image_write_to_file(&image, partial.c_str(), 0, rgb.data(), 0, nullptr)) return false;
    return std::rename(partial.c_str(), path.c_str()) == 0;
}

bool readPng(const std::string& path, std::vector<Pixel>& pixels, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = int(image.width);
    height = int(image.height);
    pixels.resize(std::size_t(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = (Pixel(rgb[i * 3]) << 16) | (Pixel(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    }
    return true;
}
