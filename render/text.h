#pragma once
// Text in the bitmap font, drawn into a frame.
#include "base/pixel.h"

// Opaque text; glyph cell j at (x + 7j, y + 10 * line), clipped like every primitive.
void drawText(Pixel* frame, int x, int y, int line, const char* text, Pixel colour);
