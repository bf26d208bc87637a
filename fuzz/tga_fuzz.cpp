// Input: a pixel count byte pair, then the file. The destinations are exactly the size asked for.
#include <cstdint>
#include <vector>

#include "assets/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const std::size_t count = std::size_t(data[0]) | (std::size_t(data[1]) << 8);
    std::vector<std::uint8_t> file(data + 2, data + size);
    std::vector<Pixel> pixels(count);
    readTgaPixels({file.data(), file.size()}, pixels.data(), count);
    std::vector<std::uint8_t> bytes(count);
    readFileBytes({file.data(), file.size()}, bytes.data(), count);
    return 0;
}
