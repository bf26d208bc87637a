#include "tools/assetgen/photo.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace {

constexpr std::uintmax_t largestFile = 64u << 20;

bool startsWith(const std::vector<unsigned char>& bytes, std::initializer_list<unsigned char> magic)
{
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

bool sizeAllowed(int width, int height, std::string& why)
{
    if (width >= 1 && height >= 1 && width <= photoLargestSide && height <= photoLargestSide) return true;
    why = "is " + std::to_string(width) + "x" + std::to_string(height) + " pixels; a picture may have 1 to " +
          std::to_string(photoLargestSide) + " pixels a side";
    return false;
}

Image fromRgb(const std::vector<unsigned char>& rgbBytes, int width, int height)
{
    Image picture = makeImage(width, height);
    for (std::size_t k = 0; k < picture.pixels.size(); ++k)
        picture.pixels[k] = rgb(rgbBytes[3 * k], rgbBytes[3 * k + 1], rgbBytes[3 * k + 2]);
    return picture;
}

bool readPng(const std::vector<unsigned char>& bytes, Image& picture, std::string& why)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        why = std::string("is a PNG file that cannot be read (") + png.message + ")";
        return false;
    }
    if (!sizeAllowed(int(png.width), int(png.height), why)) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;  // a transparent picture is laid on black
    std::vector<unsigned char> rgbBytes(PNG_IMAGE_SIZE(png));
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&png, &black, rgbBytes.data(), 0, nullptr)) {
        why = std::string("is a PNG file that breaks off (") + png.message + ")";
        png_image_free(&png);
        return false;
    }
    picture = fromRgb(rgbBytes, int(png.width), int(png.height));
    return true;
}

bool readJpeg(const std::vector<unsigned char>& bytes, Image& picture, std::string& why)
{
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    bool ok = tjDecompressHeader3(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                                  &subsampling, &colourspace) == 0;
    if (!ok) why = std::string("is a JPEG file that cannot be read (") + tjGetErrorStr2(handle) + ")";
    ok = ok && sizeAllowed(width, height, why);
    std::vector<unsigned char> rgbBytes;
    if (ok) {
        rgbBytes.resize(std::size_t(width) * std::size_t(height) * 3);
        ok = tjDecompress2(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), rgbBytes.data(), width, 0,
                           height, TJPF_RGB, TJFLAG_ACCURATEDCT) == 0;
        if (!ok) why = std::string("is a JPEG file that breaks off (") + tjGetErrorStr2(handle) + ")";
    }
    tjDestroy(handle);
    if (ok) picture = fromRgb(rgbBytes, width, height);
    return ok;
}

// One output pixel's colour as the mean of the source area it covers (when shrinking) or
// bilinear between the four nearest source pixels (when enlarging).
Pixel sampleArea(const Image& source, double left, double top, double scale)
{
    if (scale >= 1) {
        const double x = std::clamp(left + 0.5 / scale - 0.5, 0.0, source.width - 1.0);
        const double y = std::clamp(top + 0.5 / scale - 0.5, 0.0, source.height - 1.0);
        const int x0 = int(x), y0 = int(y), x1 = std::min(x0 + 1, source.width - 1),
                  y1 = std::min(y0 + 1, source.height - 1);
        const double fx = x - x0, fy = y - y0;
        double channel[3];
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const auto at = [&](int px, int py) {
                return double(channelOf(source.pixels[std::size_t(py) * source.width + px], shift));
            };
            channel[c] = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
        }
        return rgb(int(std::lround(channel[0])), int(std::lround(channel[1])), int(std::lround(channel[2])));
    }
    const double step = 1 / scale;
    const int x0 = int(left), y0 = int(top);
    const int x1 = std::min(source.width, int(std::ceil(left + step))), y1 = std::min(source.height, int(std::ceil(top + step)));
    double sum[3] = {0, 0, 0}, weight = 0;
    for (int y = y0; y < y1; ++y) {
        const double wy = std::min<double>(y + 1, top + step) - std::max<double>(y, top);
        for (int x = x0; x < x1; ++x) {
            const double w = wy * (std::min<double>(x + 1, left + step) - std::max<double>(x, left));
            const Pixel p = source.pixels[std::size_t(y) * source.width + x];
            for (int c = 0; c < 3; ++c) sum[c] += w * channelOf(p, 16 - 8 * c);
            weight += w;
        }
    }
    const auto mean = [&](int c) { return int(std::lround(sum[c] / std::max(weight, 1e-9))); };
    return rgb(mean(0), mean(1), mean(2));
}

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string cutText(int cut, const char* what, const char* first, const char* second)
{
    return std::to_string(cut / 2) + " " + what + " cut off " + first + " and " + std::to_string(cut - cut / 2) +
           " " + second;
}

}  // namespace

bool readPhoto(const std::string& path, Image& picture, std::string& why)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        why = "there is no file " + path;
        return false;
    }
    if (!std::filesystem::is_regular_file(status) || std::filesystem::file_size(path, error) > largestFile) {
        why = path + " is not a regular file of at most 64 MB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool ok = false;
    if (startsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) ok = readPng(bytes, picture, why);
    else if (startsWith(bytes, {0xFF, 0xD8, 0xFF})) ok = readJpeg(bytes, picture, why);
    else why = "is neither a PNG nor a JPEG file";
    if (!ok && why.rfind(path, 0) != 0) why = path + " " + why;
    return ok;
}

Image fitPhoto(const Image& picture, int width, int height, std::string& how)
{
    const double scale = std::max(double(width) / picture.width, double(height) / picture.height);
    const int scaledWidth = std::max(width, int(std::lround(picture.width * scale)));
    const int scaledHeight = std::max(height, int(std::lround(picture.height * scale)));
    const int cutX = scaledWidth - width, cutY = scaledHeight - height;
    Image fitted = makeImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            fitted.pixels[std::size_t(y) * width + x] =
                sampleArea(picture, (x + cutX / 2) / scale, (y + cutY / 2) / scale, scale);
    how = scale == 1 ? "kept at " + sizeText(picture.width, picture.height)
                     : "scaled from " + sizeText(picture.width, picture.height) + " to " +
                           sizeText(scaledWidth, scaledHeight);
    if (cutX > 0) how += ", " + cutText(cutX, "columns", "on the left", "on the right");
    if (cutY > 0) how += ", " + cutText(cutY, "rows", "at the top", "at the bottom");
    return fitted;
}
