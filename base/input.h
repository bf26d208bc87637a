#pragma once
// The mouse and button state the window procedure keeps between frames and the scenes read.
#include <cstdint>

struct InputState {
    std::int32_t mouseX = 0;  // frame coordinates 0..639
    std::int32_t mouseY = 0;  // frame coordinates 0..479
    std::int32_t leftDown = 0;
    std::int32_t rightDown = 0;
};

extern InputState inputState;
