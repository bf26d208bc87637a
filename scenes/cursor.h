#pragma once
// The bubble that follows the mouse over the menu's top strip, and the fullscreen pointer.
#include <cstdint>

#include "base/input.h"
#include "render/primitives.h"
#include "scenes/menu.h"

struct CursorState {
    std::int32_t bubbleFrame = 0;
    // What the last step left to be drawn: the bubble (top-left corner and image) and the
    // pointer (its tip).
    bool bubbleShown = false;
    int bubbleX = 0;
    int bubbleY = 0;
    int bubbleImage = 0;
    bool pointerShown = false;
    int pointerX = 0;
    int pointerY = 0;
};

extern CursorState cursorState;

// The bubbles' sprites are spriteSize pixels square.
constexpr int spriteSize = 17;
void drawSprite17(Frame frame, int x, int y, const Pixel* sprite);
// Over the top strip the bubble follows the mouse and turns one image a step; the fullscreen
// pointer follows it once shown.
void stepCursor(const InputState& input, const MenuFlags& flags, CursorState& state);
void drawCursor(Frame frame, const CursorState& state, const Pixel* const bubbles[8], const Pixel* pointer);
