#pragma once
// The four information pages: the party's texts laid out in grey on black, 580 pixels wide.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/content.h"
#include "tools/assetgen/image.h"

constexpr int pageWidth = 580;
constexpr int pageCount = 4;
constexpr int pageHeights[pageCount] = {378, 531, 1274, 307};
// The rows a page's text may take: all of pages 1 and 4 is shown at once, and pages 2 and 3
// scroll to one row short of their picture's end.
constexpr int pageTextRows[pageCount] = {378, 530, 1273, 307};
constexpr int pageMargin = 12;
// The widest a line's text may be: the page less a margin on either side.
constexpr int pageTextWidth = pageWidth - 2 * pageMargin;

struct PageFit {
    int usedRows = 0;   // the row below the last line of text
    int widestLine = 0; // in pixels, margin included
};
// Renders page 1..4 of the content and reports how much room its text took.
Image paintPage(const PartyContent& content, int page, PageFit& fit);
// Where each line's top row lands and how wide its text is, without painting.
struct LinePlace {
    int top = 0;
    int bottom = 0;  // the row below the line
    int width = 0;   // the text alone, no margin
};
std::vector<LinePlace> placeLines(const std::vector<PageLine>& lines);
// Grey levels of an all-grey picture as palette indices: index k is grey k, 0 black.
std::vector<std::uint8_t> greyIndices(const Image& image);
void greyPalette(std::uint8_t (&palette)[768]);
