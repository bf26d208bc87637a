#include "render/backdrop.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int bandRows = markBandRows;
constexpr int bandCount = markBands;

// The one kept frame: its pixels and the marks it carries.
struct KeptFrame {
    Pixel* frame = nullptr;
    FrameMarks marks;
};

KeptFrame kept;

void clearMarks(FrameMarks& marks)
{
    std::fill(marks.left, marks.left + bandCount, std::int16_t(screenWidth));
    std::fill(marks.right, marks.right + bandCount, std::int16_t(0));
    marks.pixelCount = 0;
}

void copyMarked(Pixel* frame, const Pixel* picture, const FrameMarks& marks)
{
    for (int band = 0; band < bandCount; ++band) {
        const int left = marks.left[band];
        const int right = marks.right[band];
        if (left >= right) continue;
        for (int row = band * bandRows; row < (band + 1) * bandRows; ++row) {
            const int first = row * screenWidth + left;
            std::memcpy(frame + first, picture + first, sizeof(Pixel) * std::size_t(right - left));
        }
    }
    for (int k = 0; k < marks.pixelCount; ++k) frame[marks.pixels[k]] = picture[marks.pixels[k]];
}

}  // namespace

Frame keepFrame(Pixel* pixels)
{
    if (pixels != kept.frame) {
        kept.frame = pixels;
        kept.marks.backdrop = nullptr;
        clearMarks(kept.marks);
    }
    return pixels == nullptr ? Frame() : Frame(pixels, &kept.marks);
}

void forgetKeptFrame()
{
    keepFrame(nullptr);
}

bool restoreBackdrop(Frame frame, const Pixel* picture)
{
    if (frame.pixels == nullptr || frame.marks == nullptr) return false;
    FrameMarks& marks = *frame.marks;
    const bool restored = picture != nullptr && marks.backdrop == picture;
    if (restored) copyMarked(frame.pixels, picture, marks);
    marks.backdrop = picture;
    clearMarks(marks);
    return restored;
}

void markRectangle(FrameMarks& marks, std::int64_t left, std::int64_t top, std::int64_t right,
                   std::int64_t bottom)
{
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, screenWidth);
    bottom = std::min<std::int64_t>(bottom, screenHeight);
    if (left >= right || top >= bottom) return;
    for (int band = int(top) / bandRows; band <= int(bottom - 1) / bandRows; ++band) {
        marks.left[band] = std::min(marks.left[band], std::int16_t(left));
        marks.right[band] = std::max(marks.right[band], std::int16_t(right));
    }
}

void markDrawnPixels(Frame frame, const std::int32_t* offsets, int count)
{
    if (frame.marks == nullptr || frame.marks->backdrop == nullptr || count <= 0) return;
    FrameMarks& marks = *frame.marks;
    if (count > pixelMarkCapacity - marks.pixelCount) {
        markWholeFrame(frame);
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (offsets[k] < 0 || offsets[k] >= framePixels) {
            markWholeFrame(frame);
            return;
        }
        marks.pixels[marks.pixelCount + k] = offsets[k];
    }
    marks.pixelCount += count;
}

void markWholeFrame(Frame frame)
{
    if (frame.marks == nullptr) return;
    frame.marks->backdrop = nullptr;
    clearMarks(*frame.marks);
}

namespace {

// The single-pixel marks in order, for the check after every pass: kept here so the check
// allocates nothing.
std::int32_t SortedPixelMarks[pixelMarkCapacity];

// Counts the pixels of the kept frame that differ from its backdrop outside the marks, up to
// `limit`, and where the first one is. Each row is compared outside its band's range a
// stretch at a time; only a stretch that differs is looked at pixel by pixel against the
// single-pixel marks.
int scanUnmarked(int limit, int& x, int& y)
{
    if (kept.frame == nullptr || kept.marks.backdrop == nullptr) return 0;
    const FrameMarks& marks = kept.marks;
    std::int32_t* const sorted = SortedPixelMarks;
    std::copy(marks.pixels, marks.pixels + marks.pixelCount, sorted);
    std::sort(sorted, sorted + marks.pixelCount);
    int found = 0;
    for (int row = 0; row < screenHeight; ++row) {
        const int band = row / bandRows;
        const int left = std::min<int>(marks.left[band], screenWidth);
        const int right = std::max<int>(marks.right[band], left);
        const int stretches[2][2] = {{0, left}, {right, screenWidth}};
        for (const auto& stretch : stretches) {
            const int first = row * screenWidth + stretch[0];
            const std::size_t count = std::size_t(stretch[1] - stretch[0]);
            if (count == 0 || std::memcmp(kept.frame + first, marks.backdrop + first, count * sizeof(Pixel)) == 0) continue;
            for (int column = stretch[0]; column < stretch[1]; ++column) {
                const int i = row * screenWidth + column;
                if (kept.frame[i] == marks.backdrop[i] || std::binary_search(sorted, sorted + marks.pixelCount, i)) continue;
                if (found == 0) {
                    x = column;
                    y = row;
                }
                if (++found == limit) return found;
            }
        }
    }
    return found;
}

}  // namespace

int unmarkedChanges()
{
    int x = 0;
    int y = 0;
    return scanUnmarked(framePixels, x, y);
}

bool firstUnmarkedChange(int& x, int& y)
{
    return scanUnmarked(1, x, y) > 0;
}
