#pragma once
// The soundtrack's output stage: one gain and a look-ahead limiter bring the mix to the
// loudness music is played at on streaming and video sites, with its true peaks (the peaks
// between samples too) under a ceiling. The track loops, so every window, filter and release
// goes round the loop: the end of the track joins its start as it did before.
// Offline and non-causal: the gain at a sample may look at any later sample, so nothing is
// delayed and every hit stays at its time.
#include <string>
#include <vector>

#include "tools/assetgen/music.h"

struct MasteringTarget {
    double loudness = -14.0;  // integrated loudness, LUFS
    double ceiling = -1.7;    // dBTP the limiter holds the oversampled peaks under; the rest of
                              // the way to -1 dBTP is left for what the MP3 encoder adds
    double lookAhead = 0.005; // seconds over which the gain comes down before a peak
    double release = 0.08;    // seconds for the gain to come back most of the way (1 - 1/e)
};

struct MasteringResult {
    double gainDb = 0;        // the gain before the limiter
    double loudness = 0;      // LUFS of the mastered track
    double truePeakDb = 0;    // dBTP of the mastered track, 4x oversampled
    double deepestCutDb = 0;  // the limiter's largest gain reduction (a positive figure)
    double limitedShare = 0;  // the share of samples the limiter turns down by 0.1 dB or more
};

// Integrated loudness in LUFS: K-weighted mean square in 400 ms blocks every 100 ms, gated at
// -70 LUFS and 10 LU under the mean of the blocks above that.
double integratedLoudness(const StereoTrack& track);

// The largest magnitude of either channel between any two neighbouring samples, estimated at
// four times the sample rate (the track taken as a loop), in dBTP.
double truePeakDb(const StereoTrack& track);

// The limiter's gain for each sample, given the largest gain each sample allows (at most 1):
// it is never above what any sample allows, comes down smoothly over `lookAhead` samples
// before a sample that needs it, and rises again with a one-pole release of `release`
// samples. Works round the loop.
std::vector<float> limiterGain(const std::vector<float>& allowed, int lookAhead, double release);

// Finds the gain that, with the limiter after it, gives the target loudness, and applies both.
MasteringResult masterTrack(StereoTrack& track, const MasteringTarget& target);

// "-14.0 LUFS, true peak -1.7 dBTP, gain +4.3 dB, limiter up to 3.1 dB on 2.4% of samples"
std::string masteringSummary(const MasteringResult& result);
