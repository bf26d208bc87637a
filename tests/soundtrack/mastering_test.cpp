// The soundtrack's output stage on signals whose loudness and peaks are known: the meter
// against the reference tones of the loudness standard, the true peak between samples, and
// the limiter's promises (never over, smooth, round the loop).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/assetgen/mastering.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

StereoTrack sine(double seconds, double hz, double amplitude, double phase = 0)
{
    const std::size_t n = std::size_t(seconds * sampleRate);
    StereoTrack track{std::vector<float>(n), std::vector<float>(n)};
    for (std::size_t i = 0; i < n; ++i) {
        track.left[i] = track.right[i] = float(amplitude * std::sin(2 * Pi * hz * double(i) / sampleRate + phase));
    }
    return track;
}

void append(StereoTrack& track, const StereoTrack& more)
{
    track.left.insert(track.left.end(), more.left.begin(), more.left.end());
    track.right.insert(track.right.end(), more.right.begin(), more.right.end());
}

TEST(Loudness, ReferenceTonesReadAsTheStandardSays)
{
    // A 997 Hz sine at full scale in one channel reads -3.01 LUFS; in both, 0.
    StereoTrack one = sine(5, 997, 1.0);
    std::fill(one.right.begin(), one.right.end(), 0.0f);
    EXPECT_NEAR(integratedLoudness(one), -3.01, 0.05);
    EXPECT_NEAR(integratedLoudness(sine(5, 997, 0.1)), -20.0, 0.05);
    // The weighting: a 100 Hz tone reads a little under, a 10 kHz tone about 4 dB over.
    // ffmpeg's ebur128 reads -21.8 and -16.6 for these.
    EXPECT_NEAR(integratedLoudness(sine(5, 100, 0.1)), -21.8, 0.05);
    EXPECT_NEAR(integratedLoudness(sine(5, 10000, 0.1)), -16.6, 0.05);
}

TEST(Loudness, SilenceAndQuietPassagesAreGatedOut)
{
    // Six seconds of silence between two tones of -20 LUFS do not lower the reading; only
    // the blocks across the edges count in part (ffmpeg's ebur128 reads -20.2 too).
    StereoTrack gapped = sine(4, 997, 0.1);
    append(gapped, sine(6, 997, 0.0));
    append(gapped, sine(4, 997, 0.1));
    EXPECT_NEAR(integratedLoudness(gapped), -20.16, 0.05);
    // A passage 30 dB down lies under the relative gate, as silence does; one 6 dB down
    // counts, and brings the reading halfway down in power.
    StereoTrack quiet = sine(4, 997, 0.1);
    append(quiet, sine(4, 997, 0.1 / 31.6));
    EXPECT_NEAR(integratedLoudness(quiet), -20.16, 0.05);
    StereoTrack halved = sine(4, 997, 0.1);
    append(halved, sine(4, 997, 0.05));
    EXPECT_NEAR(integratedLoudness(halved), -20.0 + 10 * std::log10((1 + 0.25) / 2), 0.1);
}

TEST(TruePeak, FindsThePeakBetweenSamples)
{
    // A quarter of the sample rate at 45 degrees: every sample is at 0.707 of the crest.
    const StereoTrack between = sine(1, sampleRate / 4.0, 0.5, Pi / 4);
    float samplePeak = 0;
    for (float v : between.left) samplePeak = std::max(samplePeak, std::abs(v));
    EXPECT_NEAR(20 * std::log10(samplePeak), -9.03, 0.05);
    EXPECT_NEAR(truePeakDb(between), -6.02, 0.2);
    // A tone whose crests fall on samples reads its sample peak.
    EXPECT_NEAR(truePeakDb(sine(1, 441, 0.5, Pi / 2)), -6.02, 0.05);
}

TEST(Limiter, GainStaysUnderWhatEachSampleAllowsAndMovesSmoothly)
{
    const int lookAhead = 220;
    const double release = 3528;  // 80 ms
    std::vector<float> allowed(100000, 1.0f);
    allowed[10000] = 0.5f;
    for (int i = 40000; i < 40400; ++i) allowed[i] = 0.7f;
    const std::vector<float> gains = limiterGain(allowed, lookAhead, release);
    ASSERT_EQ(gains.size(), allowed.size());
    float steepest = 0;
    for (std::size_t i = 0; i < gains.size(); ++i) {
        ASSERT_LE(gains[i], allowed[i] + 1e-6f) << i;
        if (i > 0) steepest = std::max(steepest, std::abs(gains[i] - gains[i - 1]));
    }
    // The way down is spread over the look-ahead: no step near the half-way cut of a jump.
    EXPECT_LT(steepest, 0.5f / 100);
    // Nothing moves before the look-ahead; untouched far from the peaks.
    EXPECT_EQ(gains[10000 - lookAhead - 1], 1.0f);
    EXPECT_EQ(gains[5000], 1.0f);
    // Back up after the peak: by 1 - 1/e of the way one release later, nearly all after four.
    EXPECT_NEAR(gains[10000 + 3528], 1.0 - 0.5 * std::exp(-1.0), 0.02);
    EXPECT_GT(gains[10000 + 4 * 3528], 0.99f);
    // Rising all the way, never dipping again on the way up.
    for (int i = 10001; i < 10000 + 4 * 3528; ++i) ASSERT_GE(gains[i], gains[i - 1]) << i;
}

TEST(Limiter, WorksRoundTheLoop)
{
    const int lookAhead = 220;
    std::vector<float> allowed(20000, 1.0f);
    // A peak just after the start pulls the gain down at the end; one just before the end
    // leaves its release running into the start.
    allowed[50] = 0.5f;
    allowed[19950] = 0.6f;
    const std::vector<float> gains = limiterGain(allowed, lookAhead, 3528);
    EXPECT_LT(gains[19990], 0.7f);
    EXPECT_LE(gains[50], 0.5f + 1e-6f);
    EXPECT_LT(gains[10], 0.8f);
    // The seam is as smooth as anywhere else.
    EXPECT_LT(std::abs(gains.front() - gains.back()), 0.5f / 100);
}

TEST(Mastering, ReachesTheLoudnessUnderTheCeilingWithoutMovingAnything)
{
    // A soft pad with a loud short hit every half second: too peaky to reach the target by
    // gain alone.
    StereoTrack track = sine(8, 220, 0.05);
    for (std::size_t i = 0; i < track.left.size(); ++i) {
        const double sinceHit = double(i % (sampleRate / 2)) / sampleRate;
        const float hit = float(0.6 * std::sin(2 * Pi * 90 * sinceHit) * std::exp(-sinceHit * 40));
        track.left[i] += hit;
        track.right[i] += hit;
    }
    const StereoTrack before = track;
    MasteringTarget target;
    const MasteringResult result = masterTrack(track, target);
    EXPECT_NEAR(integratedLoudness(track), target.loudness, 0.05);
    EXPECT_NEAR(result.loudness, target.loudness, 0.05);
    EXPECT_LE(truePeakDb(track), target.ceiling + 0.05);
    EXPECT_NEAR(result.truePeakDb, truePeakDb(track), 1e-6);
    EXPECT_GT(result.deepestCutDb, 1.0);
    // Only a gain: every sample keeps its sign and place, so the hits stay where they were.
    for (std::size_t i = 0; i < track.left.size(); ++i) {
        ASSERT_GE(double(track.left[i]) * before.left[i], 0.0) << i;
    }
    // Round the seam the gain moves as little from the last sample to the first as it does
    // from one sample to the next anywhere else.
    std::vector<std::size_t> heard;
    for (std::size_t i = 0; i < track.left.size(); ++i) {
        if (std::abs(before.left[i]) > 1e-3f) heard.push_back(i);
    }
    auto gainAt = [&](std::size_t i) { return double(track.left[i]) / before.left[i]; };
    double steepest = 0;
    for (std::size_t k = 1; k < heard.size(); ++k) {
        steepest = std::max(steepest, std::abs(gainAt(heard[k]) - gainAt(heard[k - 1])));
    }
    EXPECT_LE(std::abs(gainAt(heard.front()) - gainAt(heard.back())), steepest);
}

}  // namespace
