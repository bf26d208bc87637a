#pragma once
// The soundtrack: synthesised from oscillators, envelopes and filters by a small sequencer,
// then encoded to MP3 with LAME. Everything is seeded and clock-free.
#include <cstdint>
#include <string>
#include <vector>

constexpr int sampleRate = 44100;

// The moments of the show the music marks, in seconds.
constexpr double firstPlateAt = 2.0;
constexpr double modelEntranceAt = 14.65;
constexpr double flashAt = 27.55;
constexpr double menuAt = 41.7;
// The built-in track: the menu's 96 bars at 150 beats a minute after the intro.
constexpr double soundtrackSeconds = menuAt + 96 * 4 * 0.4;

struct StereoTrack {
    std::vector<float> left;
    std::vector<float> right;
};

StereoTrack composeSoundtrack();
// A test tone: a soft sine with a tick at every whole second, for checking loop wraps.
StereoTrack composeTestTrack(double seconds);
// Scales the track so its highest sample magnitude is `peak`; returns the factor used.
double normalisePeak(StereoTrack& track, double peak);
// Stereo, 256 kbit/s constant rate, with the encoder-delay Info frame and no tags; the track's
// samples at `inputRate` a second, the MP3 at `outputRate` (44.1 kHz unless given).
std::vector<std::uint8_t> encodeMp3(const StereoTrack& track, int inputRate = sampleRate, int outputRate = sampleRate);
