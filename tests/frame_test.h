#pragma once
// A blank 640x480 frame for tests that draw, with the row table built.
#include <gtest/gtest.h>

#include <vector>

#include "render/primitives.h"

// Runs `body` with the processor's wide code and then with the plain code beside it, so that
// both are checked on a machine that has both.
template <typename Body>
void withEachCodeWidth(Body body)
{
    for (const bool wide : {true, false}) {
        if (useWideKernels(wide) != wide) continue;  // no wide forms here
        SCOPED_TRACE(wide ? "wide code" : "plain code");
        body();
    }
    useWideKernels(true);
}

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
