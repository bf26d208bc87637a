#pragma once
// The bubble that follows the mouse over the menu's top strip, and the fullscreen pointer.
#include <cstdint>

#include "base/input.h"
#include "render/primitives.h"
#include "scenes/menu.h"

struct CursorState {
    std::int32_t bubbleFrame = 0;
};

extern CursorState cursorState;

void drawSprite17(Pixel* frame, int x, int y, const Pixel* sprite);
void drawCursor(Pixel* frame, const InputState& input, const MenuFlags& flags, CursorState& state,
                const Pixel* const bubbles[8], const Pixel* pointer);
