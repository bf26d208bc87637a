#include "render/backdrop.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Rectangles are kept as a column range per band of rows: two marks in the same rows become
// one range covering both.
constexpr int bandRows = 4;
constexpr int bandCount = screenHeight / bandRows;
static_assert(screenHeight % bandRows == 0, "every row belongs to a whole band");
// Single pixels beyond this many make the next pass copy its backdrop whole.
constexpr int pixelMarkCapacity = 4096;

struct KeptFrame {
    Pixel* frame = nullptr;
    const Pixel* backdrop = nullptr;  // none: what the frame holds is not known
    std::int16_t left[bandCount];     // per band, the first marked column
    std::int16_t right[bandCount];    // and one past the last; left >= right marks nothing
    std::int32_t pixels[pixelMarkCapacity];
    int pixelCount = 0;
};

KeptFrame kept;

void clearMarks()
{
    std::fill(kept.left, kept.left + bandCount, std::int16_t(screenWidth));
    std::fill(kept.right, kept.right + bandCount, std::int16_t(0));
    kept.pixelCount = 0;
}

bool marking(const Pixel* frame)
{
    return frame != nullptr && frame == kept.frame && kept.backdrop != nullptr;
}

void copyMarked(Pixel* frame, const Pixel* picture)
{
    for (int band = 0; band < bandCount; ++band) {
        const int left = kept.left[band];
        const int right = kept.right[band];
        if (left >= right) continue;
        for (int row = band * bandRows; row < (band + 1) * bandRows; ++row) {
            const int first = row * screenWidth + left;
            std::memcpy(frame + first, picture + first, sizeof(Pixel) * std::size_t(right - left));
        }
    }
    for (int k = 0; k < kept.pixelCount; ++k) frame[kept.pixels[k]] = picture[kept.pixels[k]];
}

bool insideMarks(int x, int y)
{
    const int band = y / bandRows;
    return x >= kept.left[band] && x < kept.right[band];
}

}  // namespace

void keepFrame(Pixel* frame)
{
    if (frame == kept.frame) return;
    kept.frame = frame;
    kept.backdrop = nullptr;
    clearMarks();
}

void forgetKeptFrame()
{
    keepFrame(nullptr);
}

bool restoreBackdrop(Pixel* frame, const Pixel* picture)
{
    if (frame == nullptr || frame != kept.frame) return false;
    const bool restored = picture != nullptr && kept.backdrop == picture;
    if (restored) copyMarked(frame, picture);
    kept.backdrop = picture;
    clearMarks();
    return restored;
}

void markDrawn(const Pixel* frame, std::int64_t left, std::int64_t top, std::int64_t right,
               std::int64_t bottom)
{
    if (!marking(frame)) return;
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, screenWidth);
    bottom = std::min<std::int64_t>(bottom, screenHeight);
    if (left >= right || top >= bottom) return;
    for (int band = int(top) / bandRows; band <= int(bottom - 1) / bandRows; ++band) {
        kept.left[band] = std::min(kept.left[band], std::int16_t(left));
        kept.right[band] = std::max(kept.right[band], std::int16_t(right));
    }
}

void markDrawnPixels(const Pixel* frame, const std::int32_t* offsets, int count)
{
    if (!marking(frame) || count <= 0) return;
    if (count > pixelMarkCapacity - kept.pixelCount) {
        markWholeFrame(frame);
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (offsets[k] < 0 || offsets[k] >= framePixels) {
            markWholeFrame(frame);
            return;
        }
        kept.pixels[kept.pixelCount + k] = offsets[k];
    }
    kept.pixelCount += count;
}

void markWholeFrame(const Pixel* frame)
{
    if (frame == nullptr || frame != kept.frame) return;
    kept.backdrop = nullptr;
    clearMarks();
}

int unmarkedChanges()
{
    if (kept.frame == nullptr || kept.backdrop == nullptr) return 0;
    std::vector<bool> marked(framePixels, false);
    for (int k = 0; k < kept.pixelCount; ++k) marked[std::size_t(kept.pixels[k])] = true;
    int changes = 0;
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const int i = y * screenWidth + x;
            if (kept.frame[i] != kept.backdrop[i] && !insideMarks(x, y) && !marked[std::size_t(i)]) ++changes;
        }
    }
    return changes;
}

// Each row is compared outside its band's range a stretch at a time; only a stretch that
// differs is looked at pixel by pixel against the single-pixel marks.
bool firstUnmarkedChange(int& x, int& y)
{
    if (kept.frame == nullptr || kept.backdrop == nullptr) return false;
    std::vector<std::int32_t> pixels(kept.pixels, kept.pixels + kept.pixelCount);
    std::sort(pixels.begin(), pixels.end());
    const auto pixelMarked = [&](int i) { return std::binary_search(pixels.begin(), pixels.end(), i); };
    for (int row = 0; row < screenHeight; ++row) {
        const int band = row / bandRows;
        const int left = std::min<int>(kept.left[band], screenWidth);
        const int right = std::max<int>(kept.right[band], left);
        const int stretches[2][2] = {{0, left}, {right, screenWidth}};
        for (const auto& stretch : stretches) {
            const int first = row * screenWidth + stretch[0];
            const std::size_t count = std::size_t(stretch[1] - stretch[0]);
            if (count == 0 || std::memcmp(kept.frame + first, kept.backdrop + first, count * sizeof(Pixel)) == 0) continue;
            for (int column = stretch[0]; column < stretch[1]; ++column) {
                const int i = row * screenWidth + column;
                if (kept.frame[i] != kept.backdrop[i] && !pixelMarked(i)) {
                    x = column;
                    y = row;
                    return true;
                }
            }
        }
    }
    return false;
}
