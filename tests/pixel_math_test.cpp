// The packed per-channel arithmetic against the channel-by-channel rule it replaces.
#include <gtest/gtest.h>

#include <random>

#include "render/primitives.h"

namespace {

Pixel addByChannel(Pixel d, Pixel c)
{
    Pixel out = 0;
    for (int shift : {16, 8, 0}) {
        unsigned s = ((d >> shift) & 0xFF) + ((c >> shift) & 0xFF);
        if (s > 255) s = 255;
        out |= s << shift;
    }
    return out;
}

Pixel averageByChannel(Pixel d, Pixel c)
{
    Pixel out = 0;
    for (int shift : {16, 8, 0}) out |= ((((d >> shift) & 0xFF) + ((c >> shift) & 0xFF)) >> 1) << shift;
    return out;
}

TEST(PixelMath, PackedSumsAndAveragesMatchTheChannelRule)
{
    std::mt19937 random(2026);
    const Pixel edges[] = {0, 0x010101, 0x7F7F7F, 0x808080, 0x80FF01, 0xFEFEFE, 0xFFFFFF, 0xFF000000, 0xFFFFFFFF};
    for (Pixel a : edges) {
        for (Pixel b : edges) {
            ASSERT_EQ(addSaturated(a, b), addByChannel(a, b)) << std::hex << a << " " << b;
            ASSERT_EQ(averagePixels(a, b), averageByChannel(a, b)) << std::hex << a << " " << b;
        }
    }
    for (int i = 0; i < 200000; ++i) {
        const Pixel a = random();
        const Pixel b = random();
        ASSERT_EQ(addSaturated(a, b), addByChannel(a, b)) << std::hex << a << " " << b;
        ASSERT_EQ(averagePixels(a, b), averageByChannel(a, b)) << std::hex << a << " " << b;
    }
}

}  // namespace
