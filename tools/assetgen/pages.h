#pragma once
// The four information pages: the party's texts laid out in grey on black, 580 pixels wide.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/image.h"

struct PageLayout {
    int height;
    const char* const* lines;  // "# " heading, "## " subheading, "" gap, else body text
    int lineCount;
};

constexpr int pageWidth = 580;
constexpr int pageCount = 4;

PageLayout pageLayout(int page);  // page 1..4
struct PageFit {
    int usedRows = 0;   // the row below the last line of text
    int widestLine = 0; // in pixels, margin included
};
// Renders a page and reports how much room its text took, so the caller can tell when the
// text would not fit.
Image paintPage(int page, PageFit& fit);
// Grey levels of an all-grey picture as palette indices: index k is grey k, 0 black.
std::vector<std::uint8_t> greyIndices(const Image& image);
void greyPalette(std::uint8_t (&palette)[768]);
