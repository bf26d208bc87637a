// Input: width byte, height byte, then the PCX file. The index buffer is exactly width x height
// so that any write past it is caught.
#include <cstdint>
#include <vector>

#include "assets/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const int width = 1 + data[0];
    const int height = 1 + data[1] % 64;
    std::vector<std::uint8_t> file(data + 2, data + size);
    std::vector<std::uint8_t> indices(std::size_t(width) * height);
    std::vector<std::uint8_t> palette(768);
    decodePcx({file.data(), file.size()}, indices.data(), palette.data(), width, height);
    std::vector<Pixel> pixels(indices.size());
    expandPalette(indices.data(), palette.data(), width, height, pixels.data());
    return 0;
}
