#include "assets/jpeg.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int pictureWidth = 640;
constexpr int pictureHeight = 480;
constexpr int scratchPitch = pictureWidth * 3;

bool finish(tjhandle handle, bool decoded)
{
    return tjDestroy(handle) == 0 && decoded;
}

}  // namespace

bool tryDecodeJpeg(ResourceBytes source, std::uint8_t* scratch)
{
    // The library takes an unsigned long length; a larger buffer cannot be one of our pictures.
    if (source.data == nullptr || source.size == 0 || source.size > 0x7fffffffu) return false;
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return false;
    const unsigned long length = static_cast<unsigned long>(source.size);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(handle, source.data, length, &width, &height, &subsampling,
                            &colourspace) != 0) {
        return finish(handle, false);
    }
    // The scratch buffer holds exactly one 640x480 picture; any other size is refused before a
    // single byte of it is written.
    if (width != pictureWidth || height != pictureHeight) return finish(handle, false);
    const bool decoded = tjDecompress2(handle, source.data, length, scratch, pictureWidth,
                                       scratchPitch, pictureHeight, TJPF_BGR, 0) == 0;
    return finish(handle, decoded);
}

void decodeJpeg(ResourceBytes source, std::uint8_t* scratch)
{
    if (!tryDecodeJpeg(source, scratch)) {
        std::fprintf(stderr, "A picture inside the program could not be decoded: the program file is damaged. "
                             "Build or copy it again.\n");
        std::exit(1);
    }
}

void convertTo32(const std::uint8_t* scratch, Pixel* dest32)
{
    for (int k = 0; k < pictureWidth * pictureHeight; ++k) {
        const std::uint8_t* p = scratch + 3 * k;
        dest32[k] = (Pixel(p[2]) << 16) | (Pixel(p[1]) << 8) | Pixel(p[0]);
    }
}
