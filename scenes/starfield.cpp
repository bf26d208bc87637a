#include "scenes/starfield.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/backdrop.h"

StarfieldState starfield;

namespace {

constexpr std::uint32_t randStart = 1;
constexpr double projectionScale = 64.0;
constexpr float respawnDepth = -64.0f;

struct RandomState {
    std::uint32_t value = randStart;
};

RandomState randomState;

void spawnStar(Star& star)
{
    star.x = float(320 - rand15() % 640);
    star.y = float(240 - rand15() % 480);
    star.z = float(-(rand15() % 1000));
}

// A divisor of 0 or a result beyond the 32-bit range leaves the star without a pixel.
bool projectAxis(double offset, double divisor, double centre, std::int32_t& out)
{
    if (divisor == 0.0) return false;
    const double value = offset * projectionScale / divisor + centre;
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false;  // also NaN
    out = std::int32_t(value);
    return true;
}

constexpr int bandRows = 16;
constexpr int bandCount = (screenHeight + bandRows - 1) / bandRows;

// The visible stars' offsets grouped by band of rows, worked out while drawing.
struct StarBands {
    std::int32_t offsetsByBand[starCount];
};

StarBands starBands;

int bandOf(std::int32_t offset)
{
    return offset / (bandRows * screenWidth);
}

// The stars of every band go in while its rows are still in the cache from the copy;
// every star has the same colour, so the order they are put in does not show.
void copyBandsWithStars(Pixel* frame, const Pixel* background, const std::int32_t* starOffset, int shown)
{
    std::int32_t* bandOffsets = starBands.offsetsByBand;
    int bandStart[bandCount + 1] = {};
    for (int k = 0; k < shown; ++k) ++bandStart[bandOf(starOffset[k]) + 1];
    for (int band = 0; band < bandCount; ++band) bandStart[band + 1] += bandStart[band];
    int filled[bandCount];
    for (int band = 0; band < bandCount; ++band) filled[band] = bandStart[band];
    for (int k = 0; k < shown; ++k) bandOffsets[filled[bandOf(starOffset[k])]++] = starOffset[k];

    for (int band = 0; band < bandCount; ++band) {
        const int first = band * bandRows * screenWidth;
        const int rows = std::min(bandRows, screenHeight - band * bandRows);
        std::memcpy(frame + first, background + first, sizeof(Pixel) * std::size_t(rows) * screenWidth);
        for (int k = bandStart[band]; k < bandStart[band + 1]; ++k) frame[bandOffsets[k]] = starColour;
    }
}

}  // namespace

int rand15()
{
    randomState.value = randomState.value * 1103515245u + 12345u;
    return int((randomState.value >> 16) & 0x7FFF);
}

void seedRand15(std::uint32_t seed)
{
    randomState.value = seed;
}

void restartRand15()
{
    randomState = RandomState{};
}

void initStars(StarfieldState& state)
{
    for (Star& star : state.stars) spawnStar(star);
}

// The stars move in their own order, as respawning ones draw from the generator.
void stepStarfield(StarfieldState& state)
{
    state.starTime += 0.02;
    const double t = state.starTime;
    const double sway = 2.0 * std::cos(t + 0.1) + std::sin(t - 0.1);
    int shown = 0;
    for (Star& star : state.stars) {
        star.z += 2.0f;
        if (star.z > respawnDepth) spawnStar(star);
        star.x += sway;
        star.y += sway;
        const double divisor = double(star.z) + 64.0;
        const bool onX = projectAxis(star.x, divisor, 320.0, star.sx);
        const bool onY = projectAxis(star.y, divisor, 240.0, star.sy);
        if (onX && onY && inClip(star.sx, star.sy)) {
            state.shownOffsets[shown++] = RowOffsets[star.sy] + star.sx;
        }
    }
    state.shownCount = shown;
}

// A kept frame that showed the background last pass only needs last pass's stars and whatever
// was drawn over them put back.
void drawStarfield(Frame frame, const StarfieldState& state, const Pixel* background)
{
    const std::int32_t* starOffset = state.shownOffsets;
    const int shown = state.shownCount;
    if (restoreBackdrop(frame, background)) {
        for (int k = 0; k < shown; ++k) frame[starOffset[k]] = starColour;
    } else {
        copyBandsWithStars(frame.pixels, background, starOffset, shown);
    }
    markDrawnPixels(frame, starOffset, shown);
}
