#include "tools/assetgen/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

#include "tools/assetgen/letters.h"

namespace {

constexpr const char* FontDir = "/usr/share/fonts/truetype/dejavu/";
constexpr const char* FaceFiles[] = {
    "DejaVuSans.ttf",  "DejaVuSans-Bold.ttf",  "DejaVuSansCondensed-Bold.ttf",
    "DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSansMono.ttf",
    "DejaVuSansMono-Bold.ttf",
};
constexpr int FaceCount = int(sizeof FaceFiles / sizeof FaceFiles[0]);

struct TextState {
    FT_Library library = nullptr;
    FT_Face faces[FaceCount] = {};
};
TextState State;

FT_Face faceAt(Face face, int pixelSize)
{
    FT_Face f = State.faces[int(face)];
    FT_Set_Pixel_Sizes(f, 0, FT_UInt(pixelSize));
    return f;
}

// Runs draw(glyph slot, pen x) for every glyph; returns the final pen position.
template <typename Draw>
int walkGlyphs(Face face, int pixelSize, const std::string& text, int x, Draw draw)
{
    FT_Face f = faceAt(face, pixelSize);
    std::int64_t pen = std::int64_t(x) * 64;
    FT_UInt previous = 0;
    for (std::size_t i = 0; i < text.size();) {
        FT_UInt glyph = FT_Get_Char_Index(f, nextCodePoint(text, i));
        if (previous && glyph && FT_HAS_KERNING(f)) {
            FT_Vector delta;
            FT_Get_Kerning(f, previous, glyph, FT_KERNING_DEFAULT, &delta);
            pen += delta.x;
        }
        if (FT_Load_Glyph(f, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
        draw(f->glyph, int(pen >> 6));
        pen += f->glyph->advance.x;
        previous = glyph;
    }
    return int(pen >> 6);
}

}  // namespace

bool openFaces()
{
    if (State.library) return true;
    if (FT_Init_FreeType(&State.library) != 0) return false;
    for (int k = 0; k < FaceCount; ++k) {
        std::string path = std::string(FontDir) + FaceFiles[k];
        if (FT_New_Face(State.library, path.c_str(), 0, &State.faces[k]) != 0) {
            closeFaces();
            return false;
        }
    }
    return true;
}

void closeFaces()
{
    for (FT_Face& f : State.faces) {
        if (f) FT_Done_Face(f);
        f = nullptr;
    }
    if (State.library) FT_Done_FreeType(State.library);
    State.library = nullptr;
}

int textWidth(Face face, int pixelSize, const std::string& text)
{
    return walkGlyphs(face, pixelSize, text, 0, [](FT_GlyphSlot, int) {});
}

std::string missingCharacters(Face face, const std::string& text)
{
    FT_Face f = State.faces[int(face)];
    std::string missing;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t cp = nextCodePoint(text, i);
        const bool broken = cp == U'?' && i - start > 1;
        if (!broken && FT_Get_Char_Index(f, cp) != 0) continue;
        const std::string character = broken ? "?" : text.substr(start, i - start);
        if (missing.find(character) == std::string::npos) missing += character;
    }
    return missing;
}

void drawString(Image& image, Face face, int pixelSize, int x, int baseline,
                const std::string& text, Pixel colour)
{
    walkGlyphs(face, pixelSize, text, x, [&](FT_GlyphSlot slot, int penX) {
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned col = 0; col < bitmap.width; ++col) {
                unsigned char cover = bitmap.buffer[row * bitmap.pitch + col];
                if (cover)
                    blendPixel(image, penX + slot->bitmap_left + int(col),
                               baseline - slot->bitmap_top + int(row), colour, cover / 255.0);
            }
    });
}

void drawCentred(Image& image, Face face, int pixelSize, int cx, int baseline,
                 const std::string& text, Pixel colour)
{
    drawString(image, face, pixelSize, cx - textWidth(face, pixelSize, text) / 2, baseline, text,
               colour);
}
