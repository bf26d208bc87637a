#include "tools/assetgen/pages.h"

#include <algorithm>

#include "tools/assetgen/text.h"

namespace {

constexpr int TopRow = 8;
constexpr int BodySize = 12;
constexpr int BodyStep = 15;
constexpr int HeadingSize = 18;
constexpr int SubheadingSize = 13;
constexpr int GapStep = 8;

Face faceOf(LineKind kind) { return kind == LineKind::Body ? Face::Sans : Face::SansBold; }

int sizeOf(LineKind kind)
{
    switch (kind) {
    case LineKind::Heading: return HeadingSize;
    case LineKind::Subheading: return SubheadingSize;
    default: return BodySize;
    }
}

int stepOf(LineKind kind)
{
    switch (kind) {
    case LineKind::Heading: return HeadingSize + 12;
    case LineKind::Subheading: return SubheadingSize + 5;
    case LineKind::Gap: return GapStep;
    case LineKind::Body: return BodyStep;
    }
    return 0;
}

}  // namespace

std::vector<LinePlace> placeLines(const std::vector<PageLine>& lines)
{
    std::vector<LinePlace> places;
    int y = TopRow;
    for (const PageLine& line : lines) {
        LinePlace place;
        place.top = y;
        if (line.kind != LineKind::Gap) place.width = textWidth(faceOf(line.kind), sizeOf(line.kind), line.text);
        y += stepOf(line.kind);
        place.bottom = y;
        places.push_back(place);
    }
    return places;
}

Image paintPage(const PartyContent& content, int page, PageFit& fit)
{
    const std::vector<PageLine>& lines = content.pages[page - 1];
    Image image = makeImage(pageWidth, pageHeights[page - 1]);
    const std::vector<LinePlace> places = placeLines(lines);
    fit = PageFit{};
    fit.usedRows = TopRow;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const PageLine& line = lines[k];
        const LinePlace& place = places[k];
        const int baseline = place.top + sizeOf(line.kind);
        switch (line.kind) {
        case LineKind::Heading:
            drawString(image, Face::SansBold, HeadingSize, pageMargin, baseline, line.text, greyPixel(235));
            fillRect(image, pageMargin, baseline + 6, pageWidth - 2 * pageMargin, 1, greyPixel(90));
            break;
        case LineKind::Subheading:
            drawString(image, Face::SansBold, SubheadingSize, pageMargin, baseline, line.text, greyPixel(215));
            break;
        case LineKind::Gap: break;
        case LineKind::Body:
            drawString(image, Face::Sans, BodySize, pageMargin, baseline, line.text, greyPixel(170));
            fit.widestLine = std::max(fit.widestLine, pageMargin + place.width);
            break;
        }
        fit.usedRows = place.bottom;
    }
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
