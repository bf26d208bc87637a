#include "tools/assetgen/pages.h"

#include <algorithm>
#include <cstring>

#include "tools/assetgen/text.h"

namespace {

constexpr int Margin = 12;
constexpr int BodySize = 12;
constexpr int BodyStep = 15;
constexpr int HeadingSize = 18;
constexpr int SubheadingSize = 13;
constexpr int GapStep = 8;

}  // namespace

Image paintPage(int page, PageFit& fit)
{
    PageLayout layout = pageLayout(page);
    Image image = makeImage(pageWidth, layout.height);
    int y = 8;
    for (int k = 0; k < layout.lineCount; ++k) {
        const char* line = layout.lines[k];
        if (std::strncmp(line, "# ", 2) == 0) {
            drawString(image, Face::SansBold, HeadingSize, Margin, y + HeadingSize, line + 2,
                       greyPixel(235));
            fillRect(image, Margin, y + HeadingSize + 6, pageWidth - 2 * Margin, 1, greyPixel(90));
            y += HeadingSize + 12;
        } else if (std::strncmp(line, "## ", 3) == 0) {
            drawString(image, Face::SansBold, SubheadingSize, Margin, y + SubheadingSize, line + 3,
                       greyPixel(215));
            y += SubheadingSize + 5;
        } else if (*line == '\0') {
            y += GapStep;
        } else {
            drawString(image, Face::Sans, BodySize, Margin, y + BodySize, line, greyPixel(170));
            fit.widestLine = std::max(fit.widestLine, Margin + textWidth(Face::Sans, BodySize, line));
            y += BodyStep;
        }
    }
    fit.usedRows = y;
    return image;
}

std::vector<std::uint8_t> greyIndices(const Image& image)
{
    std::vector<std::uint8_t> indices(image.pixels.size());
    for (std::size_t k = 0; k < indices.size(); ++k)
        indices[k] = std::uint8_t(channelOf(image.pixels[k], 0));
    return indices;
}

void greyPalette(std::uint8_t (&palette)[768])
{
    for (int k = 0; k < 256; ++k) palette[3 * k] = palette[3 * k + 1] = palette[3 * k + 2] = std::uint8_t(k);
}
