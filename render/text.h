#pragma once
// Text in the bitmap font, drawn into a frame.
#include "base/pixel.h"
#include "render/backdrop.h"

// Opaque text; glyph cell j at (x + 7j, y + 10 * line), clipped like every primitive.
void drawText(Frame frame, int x, int y, int line, const char* text, Pixel colour);
