#include "app/loading.h"

#include <cstdlib>
#include <cstring>

#include "app/console.h"
#include "app/frameloop.h"
#include "assets/asc.h"
#include "assets/font.h"
#include "assets/jpeg.h"
#include "assets/pcx.h"
#include "assets/resource_list.h"
#include "assets/resources.h"
#include "render/backdrop.h"
#include "render/matrix.h"
#include "scenes/cursor.h"
#include "scenes/menu.h"
#include "scenes/pages.h"
#include "scenes/plates.h"
#include "scenes/starfield.h"

LoadedAssets loadedAssets;
int progressX = 0;

namespace {

// Every embedded file after the font, in the order loading looks them up.
enum ResourceIndex {
    resLoading, resLoader, resMouse,
    resBubble0, resButton1A = resBubble0 + 8, resButton1B = resButton1A + 5,
    resPlate1 = resButton1B + 5, resModel = resPlate1 + 7, resBackground, resMenu, resPage1,
    resourceCount = resPage1 + 4
};

// The enumeration above follows the program's table of embedded files, after the font.
constexpr int firstLoaded = 1;
static_assert(resourceNamed(firstLoaded + resLoading, "DATA_LOADING_TGA"));
static_assert(resourceNamed(firstLoaded + resBubble0, "DATA_BUBBLE0_TGA"));
static_assert(resourceNamed(firstLoaded + resButton1A, "DATA_SELECT1A_TGA"));
static_assert(resourceNamed(firstLoaded + resButton1B, "DATA_SELECT1B_TGA"));
static_assert(resourceNamed(firstLoaded + resPlate1, "DATA_1_TGA"));
static_assert(resourceNamed(firstLoaded + resModel, "DATA_ZSPHERE_ASC"));
static_assert(resourceNamed(firstLoaded + resBackground, "DATA_MORA01BACK_JPG"));
static_assert(resourceNamed(firstLoaded + resMenu, "DATA_MENU_JPG"));
static_assert(resourceNamed(firstLoaded + resPage1, "DATA_PAGE1_PCX"));
static_assert(firstLoaded + resourceCount == resourceFileCount, "every embedded file is loaded");

// Plate slots in the order the plates are loaded: DATA_1, 2, 3, 4, 6, 8, 9.
const int PlateSlots[7] = {0, 1, 2, 3, 5, 7, 8};

ResourceBytes extracted[resourceCount];

Pixel* newPixels(std::size_t count)
{
    return static_cast<Pixel*>(std::malloc(count * sizeof(Pixel)));
}

std::uint8_t* newBytes(std::size_t count)
{
    return static_cast<std::uint8_t*>(std::malloc(count));
}

Pixel* readTga(int resource, std::size_t count)
{
    Pixel* pixels = newPixels(count);
    std::memset(pixels, 0, count * sizeof(Pixel));
    readTgaPixels(extracted[resource], pixels, count);
    return pixels;
}

void drawLoadingPicture(Pixel* frame, const Pixel* picture)
{
    markWholeFrame(keepFrame(frame));
    for (int r = 0; r < loadingHeight; ++r) {
        const Pixel* source = picture + (loadingHeight - 1 - r) * loadingWidth;
        Pixel* target = frame + RowOffsets[loadingTop + r] + loadingLeft;
        std::memcpy(target, source, loadingWidth * sizeof(Pixel));
    }
}

void drawProgressTile(Pixel* frame, const Pixel* tile, int offsetX)
{
    markWholeFrame(keepFrame(frame));
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            plotAdd(frame, progressLeft + offsetX + c, progressTop + r, tile[r * 16 + c]);
        }
    }
}

template <typename T>
void release(T*& buffer)
{
    std::free(buffer);
    buffer = nullptr;
}

}  // namespace

void showLoadingScreen(LoadedAssets& assets)
{
    assets.fontStrip = newBytes(fontStripBytes);
    loadFont(assets.fontStrip);
    for (int i = 0; i < resourceCount; ++i) extracted[i] = extractResource(ResourceFiles[firstLoaded + i].name);

    assets.loadingPicture = readTga(resLoading, loadingWidth * loadingHeight);
    assets.progressTile = readTga(resLoader, 16 * 16);
    drawLoadingPicture(consoleFrame(), assets.loadingPicture);
    presentFrame();
}

void progressStep(const LoadedAssets& assets)
{
    drawProgressTile(consoleFrame(), assets.progressTile, progressX);
    presentFrame();
    progressX += 16;
}

void loadAssets(LoadedAssets& assets)
{
    assets.pointer = readTga(resMouse, 10 * 10);
    assets.jpegScratch = newBytes(jpegScratchBytes);
    progressStep(assets);

    for (int p = 0; p < 4; ++p) {
        const std::size_t count = std::size_t(pageWidth) * pageHeights[p];
        assets.pageIndices[p] = newBytes(count);
        std::memset(assets.pageIndices[p], 0, count);
        assets.pagePalettes[p] = newBytes(768);
        std::memset(assets.pagePalettes[p], 0, 768);
    }
    for (int p = 0; p < 4; ++p) {
        decodePcx(extracted[resPage1 + p], assets.pageIndices[p], assets.pagePalettes[p],
                  pageWidth, pageHeights[p]);
    }
    for (int p = 0; p < 4; ++p) {
        assets.pageImages[p] = newPixels(std::size_t(pageWidth) * pageHeights[p]);
        expandPalette(assets.pageIndices[p], assets.pagePalettes[p], pageWidth, pageHeights[p],
                      assets.pageImages[p]);
    }

    decodeJpeg(extracted[resBackground], assets.jpegScratch);
    assets.background = newPixels(framePixels);
    convertTo32(assets.jpegScratch, assets.background);
    progressStep(assets);

    decodeJpeg(extracted[resMenu], assets.jpegScratch);
    assets.plainMenu = newPixels(framePixels);
    convertTo32(assets.jpegScratch, assets.plainMenu);
    assets.buttonedMenu = newPixels(framePixels);
    std::memcpy(assets.buttonedMenu, assets.plainMenu, framePixels * sizeof(Pixel));

    for (int b = 0; b < 8; ++b) assets.bubbles[b] = readTga(resBubble0 + b, spriteSize * spriteSize);
    for (int b = 0; b < 5; ++b) assets.buttonsA[b] = readTga(resButton1A + b, buttonWidth * buttonHeight);
    for (int b = 0; b < 5; ++b) assets.buttonsB[b] = readTga(resButton1B + b, buttonWidth * buttonHeight);
    pasteMenuButtons(assets.buttonedMenu, assets.buttonsA);
    keepCrossfadeMenu(assets.buttonedMenu);

    for (int p = 0; p < 7; ++p) assets.plates[p] = readTga(resPlate1 + p, plateWidth * plateHeight);
    for (int p = 0; p < 7; ++p) {
        progressStep(assets);
        keepPlatePicture(PlateSlots[p], assets.plates[p]);
    }

    const ResourceBytes model = extracted[resModel];
    loadAsc(model, sceneMesh);
    setLightDirection(sceneMesh, 0, -10, -10, 0, 0, 0);
    initStars(starfield);
}

void releaseBuffers(LoadedAssets& assets)
{
    release(assets.loadingPicture);
    release(assets.progressTile);
    release(assets.pointer);
    release(assets.jpegScratch);
    for (auto& image : assets.pageImages) release(image);
    release(assets.background);
    release(assets.plainMenu);
    release(assets.buttonedMenu);
    for (auto& bubble : assets.bubbles) release(bubble);
    for (auto& button : assets.buttonsA) release(button);
    for (auto& button : assets.buttonsB) release(button);
    for (auto& plate : assets.plates) release(plate);
    for (auto& indices : assets.pageIndices) release(indices);
    for (auto& palette : assets.pagePalettes) release(palette);
    release(assets.fontStrip);
}
