// Input: a JPEG file. A decode that succeeds must be followed by a clean conversion.
#include <cstdint>
#include <vector>

#include "assets/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::vector<std::uint8_t> scratch(jpegScratchBytes);
    static std::vector<Pixel> pixels(640 * 480);
    std::vector<std::uint8_t> file(data, data + size);
    if (tryDecodeJpeg({file.data(), file.size()}, scratch.data())) {
        convertTo32(scratch.data(), pixels.data());
    }
    return 0;
}
