#include "tools/assetgen/mastering.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

namespace {

constexpr double Pi = 3.14159265358979323846;

// --- loudness ------------------------------------------------------------------------------

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double run(double x)
    {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two stages of the K-weighting curve at this sample rate: a high shelf of about +4 dB
// above 1.7 kHz (the head's effect) and a high-pass at 38 Hz.
Biquad shelfStage()
{
    const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(Pi * f0 / sampleRate);
    const double vh = std::pow(10.0, gain / 20), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    return Biquad{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                  2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

Biquad highPassStage()
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(Pi * f0 / sampleRate);
    const double a0 = 1 + k / q + k * k;
    return Biquad{1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

// K-weighted sum of squares of one channel in each 100 ms stretch, as the file is played from
// its start (the filters start at rest, as a meter's do).
std::vector<double> weightedEnergy(const std::vector<float>& samples, std::size_t stretch)
{
    Biquad shelf = shelfStage(), highPass = highPassStage();
    std::vector<double> sums(samples.size() / stretch, 0.0);
    for (std::size_t n = 0; n < sums.size() * stretch; ++n) {
        const double y = highPass.run(shelf.run(samples[n]));
        sums[n / stretch] += y * y;
    }
    return sums;
}

double lufsOf(double meanSquare) { return -0.691 + 10 * std::log10(meanSquare); }

// --- oversampling ----------------------------------------------------------------------------

constexpr int HalfTaps = 16;  // taps on each side of the point between samples
constexpr int Phases = 4;

// Windowed-sinc interpolation taps for the point `phase` / 4 past a sample: tap t (0..31)
// weighs sample n - 15 + t.
std::vector<float> interpolationTaps(int phase)
{
    std::vector<float> taps(2 * HalfTaps);
    double sum = 0;
    for (int t = 0; t < 2 * HalfTaps; ++t) {
        const double x = t - (HalfTaps - 1) - double(phase) / Phases;
        const double sinc = x == 0 ? 1 : std::sin(Pi * x) / (Pi * x);
        // Blackman-Harris window over the 32 taps.
        const double w = (x + HalfTaps) / (2 * HalfTaps);
        const double window = 0.35875 - 0.48829 * std::cos(2 * Pi * w) + 0.14128 * std::cos(4 * Pi * w) -
                              0.01168 * std::cos(6 * Pi * w);
        taps[t] = float(sinc * window);
        sum += sinc * window;
    }
    for (float& tap : taps) tap = float(tap / sum);
    return taps;
}

// Raises peaks[n] to the largest magnitude of `samples` from n to n + 1, the track a loop.
void raiseToIntervalPeaks(const std::vector<float>& samples, std::vector<float>& peaks)
{
    const std::size_t n = samples.size();
    // The loop written out with its wrapped neighbours on both sides.
    std::vector<float> wrapped(n + 2 * HalfTaps);
    for (std::size_t i = 0; i < wrapped.size(); ++i) wrapped[i] = samples[(i + n * 2 - HalfTaps) % n];
    std::vector<std::vector<float>> taps;
    for (int p = 1; p < Phases; ++p) taps.push_back(interpolationTaps(p));
    constexpr std::size_t Block = 4096;
    float sum[Block];
    for (std::size_t start = 0; start < n; start += Block) {
        const std::size_t count = std::min(Block, n - start);
        for (std::size_t i = 0; i < count; ++i) peaks[start + i] = std::max(peaks[start + i], std::abs(samples[start + i]));
        for (const std::vector<float>& phase : taps) {
            std::fill(sum, sum + count, 0.0f);
            // Sample n - 15 + t sits at wrapped[n + 1 + t].
            for (int t = 0; t < 2 * HalfTaps; ++t) {
                const float weight = phase[t];
                const float* from = wrapped.data() + start + 1 + t;
                for (std::size_t i = 0; i < count; ++i) sum[i] += weight * from[i];
            }
            for (std::size_t i = 0; i < count; ++i) peaks[start + i] = std::max(peaks[start + i], std::abs(sum[i]));
        }
    }
}

// --- the limiter's gain ----------------------------------------------------------------------

// The smallest of values[i .. i + width - 1] for each i, the values a loop.
std::vector<float> minimumAhead(const std::vector<float>& values, int width)
{
    const std::size_t n = values.size();
    std::vector<float> out(n);
    std::deque<std::size_t> candidates;  // indices whose values rise from front to back
    for (std::size_t j = 0; j < n + std::size_t(width) - 1; ++j) {
        const float v = values[j % n];
        while (!candidates.empty() && values[candidates.back() % n] >= v) candidates.pop_back();
        candidates.push_back(j);
        if (j + 1 < std::size_t(width)) continue;
        const std::size_t i = j + 1 - std::size_t(width);
        while (candidates.front() < i) candidates.pop_front();
        out[i] = values[candidates.front() % n];
    }
    return out;
}

// The mean of values[i - width + 1 .. i] for each i, the values a loop.
std::vector<float> meanBehind(const std::vector<float>& values, int width)
{
    const std::size_t n = values.size();
    std::vector<float> out(n);
    double sum = 0;
    for (int k = 1; k <= width; ++k) sum += values[(n * 2 - std::size_t(k)) % n];
    for (std::size_t i = 0; i < n; ++i) {
        // sum holds values[i - width .. i - 1]: move the window one on.
        sum += double(values[i]) - values[(i + n * 2 - std::size_t(width)) % n];
        out[i] = float(sum / width);
    }
    return out;
}

double decibels(double gain) { return 20 * std::log10(gain); }

std::vector<float> peaksOf(const StereoTrack& track)
{
    std::vector<float> peaks(track.left.size(), 0.0f);
    if (peaks.empty()) return peaks;
    raiseToIntervalPeaks(track.left, peaks);
    raiseToIntervalPeaks(track.right, peaks);
    return peaks;
}

// The track through `gain` and the limiter, whose ceiling each interval's peak is held under.
StereoTrack limited(const StereoTrack& track, const std::vector<float>& peaks, double gain, const MasteringTarget& target,
                    std::vector<float>& gains)
{
    const double ceiling = std::pow(10.0, target.ceiling / 20);
    std::vector<float> allowed(peaks.size());
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        allowed[i] = float(std::min(1.0, ceiling / std::max(gain * peaks[i], 1e-9)));
    }
    gains = limiterGain(allowed, std::max(2, int(target.lookAhead * sampleRate)), target.release * sampleRate);
    StereoTrack out{track.left, track.right};
    for (std::size_t i = 0; i < gains.size(); ++i) {
        out.left[i] = float(track.left[i] * gain * gains[i]);
        out.right[i] = float(track.right[i] * gain * gains[i]);
    }
    return out;
}

}  // namespace

double integratedLoudness(const StereoTrack& track)
{
    const std::size_t stretch = sampleRate / 10;
    const std::vector<double> left = weightedEnergy(track.left, stretch);
    const std::vector<double> right = weightedEnergy(track.right, stretch);
    // Blocks of four stretches, overlapping by three.
    std::vector<double> blocks;
    for (std::size_t j = 0; j + 4 <= left.size(); ++j) {
        double sum = 0;
        for (std::size_t k = j; k < j + 4; ++k) sum += left[k] + right[k];
        blocks.push_back(sum / double(4 * stretch));
    }
    auto gatedMean = [&](double gate) {
        double sum = 0;
        std::size_t count = 0;
        for (double block : blocks) {
            if (block > 0 && lufsOf(block) > gate) {
                sum += block;
                ++count;
            }
        }
        return count ? sum / double(count) : 0.0;
    };
    const double aboveSilence = gatedMean(-70);
    if (aboveSilence == 0) return -HUGE_VAL;
    const double loud = gatedMean(lufsOf(aboveSilence) - 10);
    return lufsOf(loud);
}

double truePeakDb(const StereoTrack& track)
{
    const std::vector<float> peaks = peaksOf(track);
    const float highest = peaks.empty() ? 0.0f : *std::max_element(peaks.begin(), peaks.end());
    return decibels(std::max(double(highest), 1e-9));
}

std::vector<float> limiterGain(const std::vector<float>& allowed, int lookAhead, double release)
{
    if (allowed.empty()) return {};
    // Held over the look-ahead, then smoothed by two running means of half its length: a peak
    // at sample j lies inside every window that the smoothed gain at j is made of, so the
    // gain there is at most what j allows, and the way down is an S-curve, not a corner.
    const int half = std::max(1, (lookAhead + 1) / 2);
    const std::vector<float> held = minimumAhead(allowed, 2 * half - 1);
    const std::vector<float> smooth = meanBehind(meanBehind(held, half), half);
    // Down at once (the smoothing already made the way down gentle), up again slowly. Twice
    // round the loop, so the release running over the end carries on at the start.
    const double keep = std::exp(-1.0 / std::max(release, 1.0));
    std::vector<float> gains(allowed.size());
    double gain = 1.0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < smooth.size(); ++i) {
            gain = smooth[i] <= gain ? double(smooth[i]) : smooth[i] + (gain - smooth[i]) * keep;
            gains[i] = float(gain);
        }
    }
    return gains;
}

MasteringResult masterTrack(StereoTrack& track, const MasteringTarget& target)
{
    MasteringResult result;
    if (track.left.empty()) return result;
    const std::vector<float> peaks = peaksOf(track);
    // The limiter takes a little loudness off the loudest parts, so the gain is found by
    // measuring and correcting a few times.
    double gainDb = target.loudness - integratedLoudness(track);
    StereoTrack out;
    std::vector<float> gains;
    for (int round = 0; round < 8; ++round) {
        out = limited(track, peaks, std::pow(10.0, gainDb / 20), target, gains);
        result.loudness = integratedLoudness(out);
        const double miss = target.loudness - result.loudness;
        if (std::abs(miss) < 0.01) break;
        gainDb += miss;
    }
    result.gainDb = gainDb;
    const float deepest = *std::min_element(gains.begin(), gains.end());
    result.deepestCutDb = -decibels(deepest);
    const float slight = float(std::pow(10.0, -0.1 / 20));
    result.limitedShare = double(std::count_if(gains.begin(), gains.end(), [&](float g) { return g < slight; })) /
                          double(gains.size());
    track = std::move(out);
    result.truePeakDb = truePeakDb(track);
    return result;
}

std::string masteringSummary(const MasteringResult& result)
{
    char text[160];
    std::snprintf(text, sizeof text, "%.1f LUFS, true peak %.1f dBTP, gain %+.1f dB, limiter up to %.1f dB on %.1f%% of samples",
                  result.loudness, result.truePeakDb, result.gainDb, result.deepestCutDb, result.limitedShare * 100);
    return text;
}
