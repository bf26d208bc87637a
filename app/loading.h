#pragma once
// The loading sequence: the loading screen with its nine-step bar, every decoder and table
// of the show in a fixed order, and the release of every buffer it allocated.
#include <cstdint>

#include "render/primitives.h"

// Every heap buffer of the loading sequence; all null before loading and after release.
struct LoadedAssets {
    std::uint8_t* fontStrip;
    Pixel* loadingPicture;
    Pixel* progressTile;
    Pixel* pointer;
    std::uint8_t* jpegScratch;
    std::uint8_t* pageIndices[4];
    std::uint8_t* pagePalettes[4];
    Pixel* pageImages[4];
    Pixel* background;
    Pixel* plainMenu;
    Pixel* buttonedMenu;
    Pixel* bubbles[8];
    Pixel* buttonsA[5];
    Pixel* buttonsB[5];
    Pixel* plates[7];
};

extern LoadedAssets loadedAssets;

constexpr int loadingLeft = 258;
constexpr int loadingTop = 220;
constexpr int loadingWidth = 125;
constexpr int loadingHeight = 41;
constexpr int progressLeft = 260;
constexpr int progressTop = 249;

// The font, then the loading picture and tile, drawn and shown.
void showLoadingScreen(LoadedAssets& assets);
// One 16x16 tile added to the bar, shown at once.
void progressStep(const LoadedAssets& assets);
// Every decoder and precomputed table, with progress steps 1 to 9 between them.
void loadAssets(LoadedAssets& assets);
// Frees every buffer once; a second call finds them null and does nothing.
void releaseBuffers(LoadedAssets& assets);

// The bar's next x offset; 0 before the first step.
extern int progressX;
