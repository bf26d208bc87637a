#pragma once
// A blank 640x480 frame for tests that draw, with the row table built.
#include <gtest/gtest.h>

#include <vector>

#include "render/primitives.h"

struct FrameTest : ::testing::Test {
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);

    void SetUp() override { buildRowOffsets(); }

    Pixel at(int x, int y) const { return frame[y * screenWidth + x]; }

    int countLit() const
    {
        int n = 0;
        for (Pixel p : frame) n += p != 0;
        return n;
    }
};
