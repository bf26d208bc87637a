#include "scenes/cursor.h"

#include "render/backdrop.h"

CursorState cursorState;

namespace {

constexpr int spriteCentre = 8;
constexpr int bubbleImages = 8;
constexpr int pointerSize = 10;
constexpr int topStripBottom = 85;  // the bubble shows over rows 0..84, like the clock click

bool overTopStrip(const InputState& input)
{
    return input.mouseX > 0 && input.mouseX < screenWidth && input.mouseY < topStripBottom;
}

// Opaque, stored bottom row first: screen row j takes source row 9 - j, so the arrow's tip
// (the image's top-left) sits on the mouse position.
void drawPointer(Frame frame, int x, int y, const Pixel* pointer)
{
    markDrawn(frame, x, y, std::int64_t(x) + pointerSize, std::int64_t(y) + pointerSize);
    for (int j = 0; j < pointerSize; ++j) {
        const Pixel* source = pointer + (pointerSize - 1 - j) * pointerSize;
        for (int i = 0; i < pointerSize; ++i) {
            if (!inClip(x + i, y + j)) continue;
            const Pixel v = source[i];
            if (v != 0) frame[RowOffsets[y + j] + x + i] = v;
        }
    }
}

}  // namespace

void drawSprite17(Frame frame, int x, int y, const Pixel* sprite)
{
    markDrawn(frame, x, y, std::int64_t(x) + spriteSize, std::int64_t(y) + spriteSize);
    for (int r = 0; r < spriteSize; ++r) {
        for (int c = 0; c < spriteSize; ++c) {
            const Pixel v = sprite[r * spriteSize + c];
            if (v == 0 || !inClip(x + c, y + r)) continue;
            Pixel& target = frame[RowOffsets[y + r] + x + c];
            target = addSaturated(target, v);
        }
    }
}

void stepCursor(const InputState& input, const MenuFlags& flags, CursorState& state)
{
    const bool onMenu = flags.screen == Screen::menu;
    state.bubbleShown = onMenu && overTopStrip(input);
    state.pointerShown = onMenu && flags.pointerVisible;
    if (state.bubbleShown) {
        state.bubbleX = input.mouseX - spriteCentre;
        state.bubbleY = input.mouseY - spriteCentre;
        state.bubbleImage = state.bubbleFrame;
        state.bubbleFrame = (state.bubbleFrame + 1) % bubbleImages;
    }
    state.pointerX = input.mouseX;
    state.pointerY = input.mouseY;
}

void drawCursor(Frame frame, const CursorState& state, const Pixel* const bubbles[8], const Pixel* pointer)
{
    if (state.bubbleShown) drawSprite17(frame, state.bubbleX, state.bubbleY, bubbles[state.bubbleImage]);
    if (state.pointerShown) drawPointer(frame, state.pointerX, state.pointerY, pointer);
}
