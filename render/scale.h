#pragma once
// Sharp scaling of the 640x480 frame into a larger picture, for a console that puts the frame
// on screen itself: the frame is enlarged by a whole factor with square pixels, then smoothly
// (bilinear) the rest of the way, so every frame column is equally wide on screen.
//
// The two stages are worked as one: a picture pixel blends the two enlarged pixels its centre
// falls between, and two neighbours of the enlarged frame are one frame pixel unless they
// straddle the edge of a block. So each picture column (and row) takes a frame column (row)
// and a weight for the next one, 0 inside a block. Where the picture is a whole multiple of
// the frame, every weight is 0 and the scaling is plain replication.
#include <cstdint>
#include <vector>

#include "base/pixel.h"

// One axis of the scaling: for each picture column (or row), the frame column it starts from
// and the weight of the next frame column, 0..256.
struct ScaleTaps {
    std::vector<std::int32_t> first;
    std::vector<std::uint16_t> weight;
};

// The taps of one axis: `sourceSize` frame pixels, enlarged `factor` times, then smoothly to
// `targetSize` (at least sourceSize x factor is not required: a smaller target blends too).
ScaleTaps scaleTaps(int sourceSize, int factor, int targetSize);

// Everything a picture size needs, worked out once per size: the taps of both axes and the
// rows of the frame scaled across, kept between the rows that share them.
struct SharpScale {
    int width = 0;
    int height = 0;
    int factor = 1;
    bool whole = false;  // the picture is exactly factor x the frame
    ScaleTaps across;
    ScaleTaps down;
    std::vector<Pixel> rows[2];  // frame rows scaled across, one per parity of the frame row
    int rowHeld[2] = {-1, -1};
};

// The scaling into a width x height picture with the given whole factor (at least 1).
SharpScale sharpScale(int width, int height, int factor);

// Scales the 640x480 frame into the picture whose top left pixel is `target`, rows
// `targetPitch` pixels apart. Only the picture's own pixels are written.
void scaleFrame(SharpScale& scale, const Pixel* frame, Pixel* target, int targetPitch);

// The row kernels, exposed so the vectorised ones can be checked against the plain rule.
// A row blended between two rows: (a x (256 - weight) + b x weight + 128) / 256 per channel.
void blendRows(const Pixel* a, const Pixel* b, int weight, Pixel* out, int count);
// One frame row scaled across by the taps.
void scaleRowAcross(const Pixel* row, const ScaleTaps& taps, Pixel* out);
// One frame row with every pixel repeated `factor` times.
void replicateRow(const Pixel* row, int count, int factor, Pixel* out);
// The plain rule for one channel-wise blend of two pixels.
Pixel blendPixel(Pixel a, Pixel b, int weight);

// Pixels in the byte order of a web canvas's image data (red, green, blue, then an opaque
// alpha), for a console that hands the frame to a page as it is.
void canvasPixels(const Pixel* frame, std::uint32_t* out, int count);
