#pragma once
// Anti-aliased text from the DejaVu faces, blended into pictures.
#include <string>

#include "tools/assetgen/image.h"

enum class Face { Sans, SansBold, SansCondensedBold, Serif, SerifBold, Mono, MonoBold };

// Opens the faces once; false when a font file is missing.
bool openFaces();
void closeFaces();

int textWidth(Face face, int pixelSize, const std::string& text);
// The characters of a UTF-8 text the face has no drawing for, each once, in UTF-8; empty when
// it can draw them all. A broken UTF-8 sequence counts as a missing "?".
std::string missingCharacters(Face face, const std::string& text);
// Draws text with its baseline at `baseline` and its pen starting at x, in UTF-8.
void drawString(Image& image, Face face, int pixelSize, int x, int baseline,
                const std::string& text, Pixel colour);
// Centred on cx.
void drawCentred(Image& image, Face face, int pixelSize, int cx, int baseline,
                 const std::string& text, Pixel colour);
