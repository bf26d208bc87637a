#include "tools/assetgen/writers.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstring>

namespace {

void putU16(Bytes& out, unsigned value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
}

void putRun(Bytes& out, std::uint8_t value, int count)
{
    if (count == 1 && value < 0xC0) {
        out.push_back(value);
        return;
    }
    out.push_back(std::uint8_t(0xC0 | count));
    out.push_back(value);
}

}  // namespace

Bytes encodeTga(const Image& image, bool storeTopFirst)
{
    Bytes out(18, 0);
    out[2] = 2;
    out[12] = std::uint8_t(image.width & 0xFF);
    out[13] = std::uint8_t(image.width >> 8);
    out[14] = std::uint8_t(image.height & 0xFF);
    out[15] = std::uint8_t(image.height >> 8);
    out[16] = 32;
    out[17] = 0x08;
    for (int stored = 0; stored < image.height; ++stored) {
        int row = storeTopFirst ? stored : image.height - 1 - stored;
        for (int x = 0; x < image.width; ++x) {
            Pixel p = image.pixels[std::size_t(row) * image.width + x] & 0xFFFFFF;
            out.push_back(std::uint8_t(p));
            out.push_back(std::uint8_t(p >> 8));
            out.push_back(std::uint8_t(p >> 16));
            out.push_back(0);
        }
    }
    out.insert(out.end(), 8, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature);  // with its NUL
    return out;
}

Bytes encodePcx(const std::vector<std::uint8_t>& indices, int width, int height,
                const std::uint8_t (&palette)[768])
{
    Bytes out;
    out.push_back(10);
    out.push_back(5);
    out.push_back(1);
    out.push_back(8);
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, unsigned(width - 1));
    putU16(out, unsigned(height - 1));
    putU16(out, 72);
    putU16(out, 72);
    out.insert(out.end(), 48, 0);
    out.push_back(0);
    out.push_back(1);
    putU16(out, unsigned(width));
    putU16(out, 2);
    out.insert(out.end(), 58, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = indices.data() + std::size_t(y) * width;
        int x = 0;
        while (x < width) {
            int count = 1;
            while (x + count < width && count < 63 && row[x + count] == row[x]) ++count;
            putRun(out, row[x], count);
            x += count;
        }
    }
    out.push_back(12);
    out.insert(out.end(), palette, palette + 768);
    return out;
}

Bytes encodeJpeg(const Image& image, int quality)
{
    std::vector<std::uint8_t> rgbBytes;
    rgbBytes.reserve(image.pixels.size() * 3);
    for (Pixel p : image.pixels) {
        rgbBytes.push_back(std::uint8_t(p >> 16));
        rgbBytes.push_back(std::uint8_t(p >> 8));
        rgbBytes.push_back(std::uint8_t(p));
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    Bytes out;
    if (tjCompress2(handle, rgbBytes.data(), image.width, 0, image.height, TJPF_RGB, &jpeg, &size,
                    TJSAMP_444, quality, TJFLAG_ACCURATEDCT) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

bool writeBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool writeText(const std::string& path, const std::string& text)
{
    return writeBytes(path, Bytes(text.begin(), text.end()));
}
