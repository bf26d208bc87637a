#include "tools/assetgen/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double Pi = 3.14159265358979323846;

// --- building blocks -------------------------------------------------------------------

struct Noise {
    std::uint32_t state;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return float(int32_t(state)) / 2147483648.0f;
    }
};

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Band-limited saw (polyBLEP): phase in 0..1, increment dt per sample.
double sawBlep(double phase, double dt)
{
    double v = 2 * phase - 1;
    if (phase < dt) {
        double t = phase / dt;
        v -= t + t - t * t - 1;
    } else if (phase > 1 - dt) {
        double t = (phase - 1) / dt;
        v -= t * t + t + t + 1;
    }
    return v;
}

double pulseBlep(double phase, double dt, double width)
{
    double shifted = phase + (1 - width);
    if (shifted >= 1) shifted -= 1;
    return 0.5 * (sawBlep(phase, dt) - sawBlep(shifted, dt));
}

// Two-pole state-variable filter (trapezoidal), low-pass, high-pass and band-pass taps.
struct Svf {
    double ic1 = 0, ic2 = 0;
    double low = 0, band = 0, high = 0;
    void run(double input, double cutoff, double resonance)
    {
        cutoff = std::clamp(cutoff, 20.0, sampleRate * 0.45);
        double g = std::tan(Pi * cutoff / sampleRate);
        double k = 2 - 2 * resonance;
        double a1 = 1 / (1 + g * (g + k));
        double v3 = input - ic2;
        double v1 = a1 * ic1 + g * a1 * v3;
        double v2 = ic2 + g * v1;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = input - k * v1 - v2;
    }
};

// --- the mix: two stereo buses over one loop, every write wrapping round its end ---------

struct Mix {
    std::size_t length = 0;
    std::vector<float> dryL, dryR, sendL, sendR;
    void add(std::size_t at, double left, double right, double send)
    {
        std::size_t i = at % length;
        dryL[i] += float(left);
        dryR[i] += float(right);
        sendL[i] += float(left * send);
        sendR[i] += float(right * send);
    }
};

std::size_t sampleAt(double seconds) { return std::size_t(std::llround(seconds * sampleRate)); }

double panLeft(double pan) { return std::cos((pan + 1) * Pi / 4); }
double panRight(double pan) { return std::sin((pan + 1) * Pi / 4); }

// Attack-decay-sustain-release level at time t of a note held for `hold` seconds.
double adsr(double t, double hold, double attack, double decay, double sustain, double release)
{
    double level;
    if (t < attack)
        level = t / attack;
    else
        level = sustain + (1 - sustain) * std::exp(-(t - attack) / decay);
    if (t > hold) level *= std::exp(-(t - hold) / release);
    return level;
}

// --- instruments ---------------------------------------------------------------------

void kick(Mix& mix, double at, double velocity)
{
    std::size_t start = sampleAt(at);
    double phase = 0;
    for (int n = 0; n < int(0.45 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        double freq = 48 + 110 * std::exp(-t * 28);
        phase += freq / sampleRate;
        double v = std::sin(2 * Pi * phase) * std::exp(-t * 7) + 0.3 * std::exp(-t * 300);
        v *= velocity * 0.9;
        mix.add(start + n, v, v, 0.0);
    }
}

void snare(Mix& mix, double at, double velocity, unsigned seed)
{
    std::size_t start = sampleAt(at);
    Noise noise{seed};
    Svf filter;
    double phase = 0;
    for (int n = 0; n < int(0.3 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        phase += (185 + 60 * std::exp(-t * 40)) / sampleRate;
        filter.run(noise.next(), 5200, 0.2);
        double v = std::sin(2 * Pi * phase) * std::exp(-t * 25) * 0.5 +
                   (filter.band * 1.6) * std::exp(-t * 16);
        v *= velocity * 0.55;
        mix.add(start + n, v * 0.95, v, 0.12);
    }
}

void hat(Mix& mix, double at, double velocity, bool open, unsigned seed)
{
    std::size_t start = sampleAt(at);
    Noise noise{seed};
    Svf filter;
    double decay = open ? 9 : 55;
    for (int n = 0; n < int((open ? 0.35 : 0.08) * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        filter.run(noise.next(), 8500, 0.3);
        double v = filter.high * std::exp(-t * decay) * velocity * 0.22;
        mix.add(start + n, v * 0.8, v, 0.05);
    }
}

void crash(Mix& mix, double at, double velocity, unsigned seed)
{
    std::size_t start = sampleAt(at);
    Noise left{seed}, right{seed * 7 + 3};
    Svf fl, fr;
    for (int n = 0; n < int(3.5 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        fl.run(left.next(), 6000, 0.1);
        fr.run(right.next(), 6000, 0.1);
        double env = std::exp(-t * 1.3) * (1 - std::exp(-t * 800)) * velocity * 0.28;
        mix.add(start + n, fl.high * env, fr.high * env, 0.25);
    }
}

void boom(Mix& mix, double at, double velocity)
{
    std::size_t start = sampleAt(at);
    double phase = 0;
    for (int n = 0; n < int(1.8 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        phase += (34 + 60 * std::exp(-t * 6)) / sampleRate;
        double v = std::sin(2 * Pi * phase) * std::exp(-t * 2.2) * velocity * 0.8;
        mix.add(start + n, v, v, 0.1);
    }
}

// A noise sweep rising into the moment at `end`.
void riser(Mix& mix, double end, double length, double velocity, unsigned seed)
{
    std::size_t start = sampleAt(end - length);
    Noise noise{seed};
    Svf filter;
    int count = int(length * sampleRate);
    for (int n = 0; n < count; ++n) {
        double x = double(n) / count;
        filter.run(noise.next(), 300 * std::pow(30.0, x), 0.6);
        double v = filter.band * x * x * velocity * 0.35;
        double pan = std::sin(x * 10 * Pi) * 0.5;
        mix.add(start + n, v * panLeft(pan), v * panRight(pan), 0.4);
    }
}

void bass(Mix& mix, double at, double hold, double note, double velocity, double brightness)
{
    std::size_t start = sampleAt(at);
    double freq = midiHz(note);
    double dt = freq / sampleRate;
    double phase = 0, sub = 0;
    Svf filter;
    for (int n = 0; n < int((hold + 0.08) * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        phase += dt;
        if (phase >= 1) phase -= 1;
        sub += dt / 2;
        if (sub >= 1) sub -= 1;
        double cutoff = 120 + brightness * 1400 * std::exp(-t * 14);
        filter.run(sawBlep(phase, dt), cutoff, 0.45);
        double env = adsr(t, hold, 0.004, 0.2, 0.7, 0.02);
        double v = (filter.low * 0.7 + std::sin(2 * Pi * sub) * 0.6) * env * velocity * 0.5;
        mix.add(start + n, v, v, 0.0);
    }
}

// Six detuned saws per note, spread across the stereo field, through a slow low-pass.
void pad(Mix& mix, double at, double hold, const int (&notes)[3], double velocity, double cutoff,
         double attack, double release)
{
    std::size_t start = sampleAt(at);
    static const double Detune[6] = {-0.11, -0.06, -0.02, 0.02, 0.07, 0.12};
    static const double Spread[6] = {-0.9, 0.6, -0.3, 0.3, -0.6, 0.9};
    int count = int((hold + release * 4) * sampleRate);
    for (int note : notes) {
        double phases[6], steps[6];
        for (int k = 0; k < 6; ++k) {
            phases[k] = 0.13 * k + 0.01 * note;
            steps[k] = midiHz(note + Detune[k]) / sampleRate;
        }
        Svf fl, fr;
        for (int n = 0; n < count; ++n) {
            double t = double(n) / sampleRate;
            double l = 0, r = 0;
            for (int k = 0; k < 6; ++k) {
                double dt = steps[k];
                phases[k] += dt;
                if (phases[k] >= 1) phases[k] -= 1;
                double s = sawBlep(phases[k], dt);
                l += s * panLeft(Spread[k]);
                r += s * panRight(Spread[k]);
            }
            double wobble = cutoff * (1 + 0.25 * std::sin(2 * Pi * 0.15 * t));
            fl.run(l, wobble, 0.2);
            fr.run(r, wobble, 0.2);
            double env = adsr(t, hold, attack, 1.0, 1.0, release) * velocity * 0.045;
            mix.add(start + n, fl.low * env, fr.low * env, 0.5);
        }
    }
}

void pluck(Mix& mix, double at, double note, double velocity, double cutoff, double pan)
{
    std::size_t start = sampleAt(at);
    double dt = midiHz(note) / sampleRate;
    double phase = 0;
    Svf filter;
    for (int n = 0; n < int(0.35 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        phase += dt;
        if (phase >= 1) phase -= 1;
        filter.run(pulseBlep(phase, dt, 0.3), cutoff * (0.4 + 1.6 * std::exp(-t * 20)), 0.5);
        double v = filter.low * std::exp(-t * 11) * (1 - std::exp(-t * 2000)) * velocity * 0.16;
        mix.add(start + n, v * panLeft(pan), v * panRight(pan), 0.55);
    }
}

void lead(Mix& mix, double at, double hold, double note, double velocity)
{
    std::size_t start = sampleAt(at);
    double phaseA = 0, phaseB = 0.5;
    Svf filter;
    for (int n = 0; n < int((hold + 0.3) * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        double vibrato = 0.12 * std::sin(2 * Pi * 5.5 * t) * std::min(1.0, t * 2.5);
        double dtA = midiHz(note + vibrato) / sampleRate;
        double dtB = midiHz(note + vibrato + 0.08) / sampleRate;
        phaseA += dtA;
        if (phaseA >= 1) phaseA -= 1;
        phaseB += dtB;
        if (phaseB >= 1) phaseB -= 1;
        double s = sawBlep(phaseA, dtA) * 0.6 + pulseBlep(phaseB, dtB, 0.5) * 0.5;
        filter.run(s, 900 + 2600 * std::exp(-t * 5), 0.35);
        double v = filter.low * adsr(t, hold, 0.01, 0.3, 0.75, 0.12) * velocity * 0.17;
        mix.add(start + n, v * 0.9, v, 0.45);
    }
}

// Two-operator FM bell.
void bell(Mix& mix, double at, double note, double velocity, double pan)
{
    std::size_t start = sampleAt(at);
    double freq = midiHz(note);
    for (int n = 0; n < int(3.0 * sampleRate); ++n) {
        double t = double(n) / sampleRate;
        double index = 2.5 * std::exp(-t * 3);
        double v = std::sin(2 * Pi * freq * t + index * std::sin(2 * Pi * freq * 3.5 * t)) *
                   std::exp(-t * 1.8) * (1 - std::exp(-t * 3000)) * velocity * 0.16;
        mix.add(start + n, v * panLeft(pan), v * panRight(pan), 0.6);
    }
}

// --- effects on the send bus, run twice round the loop so the tails join seamlessly -----

void echoAndReverb(Mix& mix)
{
    const std::size_t length = mix.length;
    std::vector<float> wetL(length, 0.0f), wetR(length, 0.0f);
    // Ping-pong echo at 0.3 s.
    const std::size_t delay = sampleAt(0.3);
    std::vector<float> lineL(delay, 0.0f), lineR(delay, 0.0f);
    // Schroeder reverb: four combs and two all-passes per side.
    const std::size_t combLengths[4] = {1557, 1617, 1491, 1422};
    const std::size_t allLengths[2] = {225, 556};
    std::vector<float> combs[2][4], alls[2][2];
    std::size_t combPos[2][4] = {}, allPos[2][2] = {};
    for (int side = 0; side < 2; ++side) {
        for (int k = 0; k < 4; ++k) combs[side][k].assign(combLengths[k] + side * 23, 0.0f);
        for (int k = 0; k < 2; ++k) alls[side][k].assign(allLengths[k] + side * 23, 0.0f);
    }
    std::size_t echoPos = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < length; ++i) {
            float inL = mix.sendL[i], inR = mix.sendR[i];
            float echoL = lineL[echoPos], echoR = lineR[echoPos];
            lineL[echoPos] = inL * 0.5f + echoR * 0.45f;
            lineR[echoPos] = inR * 0.5f + echoL * 0.45f;
            echoPos = (echoPos + 1) % delay;
            float outs[2];
            for (int side = 0; side < 2; ++side) {
                float in = (side == 0 ? inL : inR) * 0.25f;
                float sum = 0;
                for (int k = 0; k < 4; ++k) {
                    std::vector<float>& line = combs[side][k];
                    float out = line[combPos[side][k]];
                    line[combPos[side][k]] = in + out * 0.82f;
                    combPos[side][k] = (combPos[side][k] + 1) % line.size();
                    sum += out;
                }
                for (int k = 0; k < 2; ++k) {
                    std::vector<float>& line = alls[side][k];
                    float buffered = line[allPos[side][k]];
                    float out = -sum + buffered;
                    line[allPos[side][k]] = sum + buffered * 0.5f;
                    allPos[side][k] = (allPos[side][k] + 1) % line.size();
                    sum = out;
                }
                outs[side] = sum;
            }
            if (pass == 1) {
                wetL[i] = echoL * 0.55f + outs[0] * 0.5f;
                wetR[i] = echoR * 0.55f + outs[1] * 0.5f;
            }
        }
    for (std::size_t i = 0; i < length; ++i) {
        mix.dryL[i] += wetL[i];
        mix.dryR[i] += wetR[i];
    }
}

// --- the arrangement --------------------------------------------------------------------

struct Chord {
    int root;      // bass note
    int notes[3];  // pad voicing
};
constexpr Chord Am{33, {57, 60, 64}};
constexpr Chord F{29, {57, 60, 65}};
constexpr Chord C{36, {55, 60, 64}};
constexpr Chord G{31, {55, 59, 62}};
constexpr Chord Dm{38, {57, 62, 65}};
constexpr Chord E{28, {56, 59, 64}};

constexpr Chord ProgressionA[8] = {Am, Am, F, F, C, C, G, G};
constexpr Chord ProgressionB[8] = {F, G, Am, Am, F, G, Am, Am};
constexpr Chord ProgressionC[8] = {Dm, Dm, Am, Am, F, G, E, E};

struct Note {
    int pitch;   // -1 rest
    int eighths;
};
constexpr Note PhraseA[] = {
    {76, 3}, {72, 2}, {74, 1}, {76, 2}, {79, 2}, {76, 2}, {74, 2}, {72, 2},
    {72, 3}, {69, 2}, {72, 1}, {77, 2}, {76, 4}, {74, 4},
    {72, 3}, {67, 2}, {72, 1}, {76, 2}, {79, 4}, {81, 2}, {79, 2},
    {74, 3}, {71, 2}, {74, 1}, {79, 2}, {77, 2}, {76, 2}, {74, 4},
};
constexpr Note PhraseB[] = {
    {77, 2}, {76, 2}, {72, 2}, {69, 2}, {71, 2}, {74, 2}, {79, 3}, {77, 1},
    {76, 6}, {72, 2}, {74, 2}, {76, 2}, {72, 4},
    {69, 3}, {72, 3}, {77, 2}, {79, 3}, {77, 3}, {74, 2},
    {76, 4}, {74, 2}, {71, 2}, {69, 8},
};

// A stretch of bars at one tempo, starting at an exact time of the show.
struct Section {
    double start;
    double beat;  // seconds
    double bar(int b) const { return start + b * 4 * beat; }
    double step(int b, int sixteenth) const { return bar(b) + sixteenth * beat / 4; }
};

struct Layers {
    bool kick = false, hats = false, snare = false, bass = false, arp = false, leadLine = false;
    bool breakbeat = false;
    double padCutoff = 1200, arpCutoff = 2500, level = 1.0;
};

template <std::size_t N>
void playPhrase(Mix& mix, const Section& s, int firstBar, const Note (&phrase)[N], int transpose,
                double velocity)
{
    int eighth = 0;
    for (const Note& note : phrase) {
        double at = s.start + eighth * s.beat / 2;
        double hold = note.eighths * s.beat / 2 * 0.92;
        if (note.pitch >= 0) lead(mix, at + firstBar * 4 * s.beat, hold, note.pitch + transpose, velocity);
        eighth += note.eighths;
    }
}

void playBars(Mix& mix, const Section& s, int firstBar, const Chord (&chords)[8], const Layers& on,
              unsigned& seed)
{
    static const int ArpOrder[16] = {0, 1, 2, 4, 3, 2, 1, 2, 0, 2, 1, 4, 3, 1, 2, 1};
    for (int k = 0; k < 8; ++k) {
        int b = firstBar + k;
        const Chord& chord = chords[k];
        double level = on.level;
        if (k == 0 || chords[k - 1].root != chord.root) {
            int run = 1;
            while (k + run < 8 && chords[k + run].root == chord.root) ++run;
            pad(mix, s.bar(b), run * 4 * s.beat, chord.notes, level, on.padCutoff, 0.25, 0.5);
        }
        for (int st = 0; st < 16; ++st) {
            double at = s.step(b, st);
            bool downbeat = st % 4 == 0;
            bool kickHere = on.breakbeat ? (st == 0 || st == 6 || st == 10) : downbeat;
            if (on.kick && kickHere) kick(mix, at, level);
            if (on.snare && (st == 4 || st == 12)) snare(mix, at, level, seed++);
            if (on.hats && st % 2 == 0 && !downbeat) hat(mix, at, level * 0.9, st == 14, seed++);
            if (on.hats && on.snare && st % 2 == 1) hat(mix, at, level * 0.45, false, seed++);
            if (on.bass && st % 2 == 0) {
                bool up = on.breakbeat && st % 8 == 6;
                bass(mix, at, s.beat / 2 * 0.8, chord.root + (up ? 12 : 0) + 12, level,
                     downbeat ? 1.0 : 0.6);
            }
            if (on.arp) {
                int idx = ArpOrder[st];
                int note = idx < 3 ? chord.notes[idx] + 12 : chord.notes[idx - 3] + 24;
                pluck(mix, at, note, level * (downbeat ? 1.0 : 0.7), on.arpCutoff,
                      st % 2 ? 0.5 : -0.5);
            }
        }
    }
}

void drumFill(Mix& mix, const Section& s, int b, unsigned& seed)
{
    for (int st = 0; st < 16; ++st) snare(mix, s.step(b, st), 0.3 + 0.7 * st / 15.0, seed++);
}

}  // namespace

StereoTrack composeSoundtrack()
{
    // The menu runs 96 bars at 150 beats a minute after the show's 41.7 s.
    const Section menu{menuAt, 0.4};
    const double length = menu.bar(96);
    Mix mix;
    mix.length = sampleAt(length);
    for (auto* bus : {&mix.dryL, &mix.dryR, &mix.sendL, &mix.sendR}) bus->assign(mix.length, 0.0f);
    unsigned seed = 1;

    // Opening swell; the outro's last chord rings across the loop point into it.
    pad(mix, 0.0, 2.0, Am.notes, 0.7, 700, 1.6, 0.6);
    boom(mix, 0.0, 0.25);

    // First plate: a bell and the arpeggio behind a closed filter, eight bars.
    const Section first{firstPlateAt, (modelEntranceAt - firstPlateAt) / 32};
    bell(mix, firstPlateAt, 76, 1.0, -0.3);
    bell(mix, firstPlateAt, 69, 0.8, 0.3);
    Layers calm;
    calm.arp = true;
    calm.padCutoff = 800;
    calm.arpCutoff = 900;
    playBars(mix, first, 0, ProgressionA, calm, seed);
    riser(mix, modelEntranceAt, 2.5, 1.0, seed++);

    // The model enters: kick, bass and hats.
    const Section entrance{modelEntranceAt, (flashAt - modelEntranceAt) / 32};
    crash(mix, modelEntranceAt, 0.8, seed++);
    boom(mix, modelEntranceAt, 0.7);
    Layers groove;
    groove.kick = groove.hats = groove.bass = groove.arp = true;
    groove.padCutoff = 1100;
    groove.arpCutoff = 1800;
    playBars(mix, entrance, 0, ProgressionA, groove, seed);
    drumFill(mix, entrance, 7, seed);
    riser(mix, flashAt, 2.5, 1.3, seed++);

    // The flash: impact, then everything with the lead; a ninth bar of E leads to the menu.
    const Section flash{flashAt, (menuAt - flashAt) / 36};
    crash(mix, flashAt, 1.0, seed++);
    boom(mix, flashAt, 1.0);
    for (int note : {57, 64, 69, 72, 76}) bell(mix, flashAt, note, 0.5, (note - 66) / 12.0);
    Layers full = groove;
    full.snare = true;
    full.padCutoff = 2200;
    full.arpCutoff = 3200;
    playBars(mix, flash, 0, ProgressionA, full, seed);
    playPhrase(mix, flash, 0, PhraseA, 0, 1.0);
    pad(mix, flash.bar(8), 4 * flash.beat, E.notes, 1.0, 2500, 0.05, 0.3);
    bass(mix, flash.bar(8), 4 * flash.beat * 0.9, E.root + 12, 1.0, 1.0);
    riser(mix, menuAt, 1.6, 1.0, seed++);

    // The menu: sections of sixteen bars.
    crash(mix, menuAt, 0.9, seed++);
    boom(mix, menuAt, 0.6);
    playBars(mix, menu, 0, ProgressionA, full, seed);
    playBars(mix, menu, 8, ProgressionB, full, seed);

    playBars(mix, menu, 16, ProgressionA, full, seed);
    playPhrase(mix, menu, 16, PhraseA, 0, 1.0);
    playBars(mix, menu, 24, ProgressionB, full, seed);
    playPhrase(mix, menu, 24, PhraseB, 0, 1.0);

    Layers breakdown;
    breakdown.arp = true;
    breakdown.padCutoff = 1500;
    breakdown.arpCutoff = 1400;
    playBars(mix, menu, 32, ProgressionC, breakdown, seed);
    for (int b = 32; b < 40; b += 2) bell(mix, menu.bar(b), 81 - (b - 32), 0.6, 0.4);
    Layers build = breakdown;
    build.kick = true;
    build.arpCutoff = 2600;
    playBars(mix, menu, 40, ProgressionB, build, seed);
    drumFill(mix, menu, 47, seed);
    riser(mix, menu.bar(48), 3.2, 1.2, seed++);

    crash(mix, menu.bar(48), 1.0, seed++);
    playBars(mix, menu, 48, ProgressionA, full, seed);
    playPhrase(mix, menu, 48, PhraseA, 12, 0.8);
    playBars(mix, menu, 56, ProgressionB, full, seed);
    playPhrase(mix, menu, 56, PhraseB, 12, 0.8);

    Layers broken = full;
    broken.breakbeat = true;
    crash(mix, menu.bar(64), 0.7, seed++);
    playBars(mix, menu, 64, ProgressionC, broken, seed);
    playBars(mix, menu, 72, ProgressionA, broken, seed);

    Layers outro = groove;
    outro.level = 0.8;
    playBars(mix, menu, 80, ProgressionA, outro, seed);
    Layers fading = calm;
    fading.level = 0.6;
    playBars(mix, menu, 88, ProgressionB, fading, seed);
    pad(mix, menu.bar(94), 2 * 4 * menu.beat, Am.notes, 0.7, 700, 0.8, 0.6);

    echoAndReverb(mix);
    return StereoTrack{std::move(mix.dryL), std::move(mix.dryR)};
}

StereoTrack composeTestTrack(double seconds)
{
    std::size_t length = sampleAt(seconds);
    StereoTrack track{std::vector<float>(length), std::vector<float>(length)};
    for (std::size_t n = 0; n < length; ++n) {
        double t = double(n) / sampleRate;
        double sinceTick = t - std::floor(t);
        double v = 0.2 * std::sin(2 * Pi * 220 * t) +
                   0.6 * std::sin(2 * Pi * 1760 * t) * std::exp(-sinceTick * 60);
        track.left[n] = float(v);
        track.right[n] = float(v);
    }
    return track;
}

double normalisePeak(StereoTrack& track, double peak)
{
    float highest = 0;
    for (const auto* side : {&track.left, &track.right})
        for (float v : *side) highest = std::max(highest, std::abs(v));
    if (highest == 0) return 1.0;
    double factor = peak / highest;
    for (auto* side : {&track.left, &track.right})
        for (float& v : *side) v = float(v * factor);
    return factor;
}

std::vector<std::uint8_t> encodeMp3(const StereoTrack& track, int inputRate, int outputRate)
{
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, inputRate);
    lame_set_out_samplerate(lame, outputRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 256);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    lame_init_params(lame);

    std::vector<std::uint8_t> out;
    const std::size_t total = track.left.size();
    const std::size_t chunk = 8192;
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (std::size_t at = 0; at < total; at += chunk) {
        int count = int(std::min(chunk, total - at));
        int written = lame_encode_buffer_ieee_float(lame, track.left.data() + at,
                                                    track.right.data() + at, count,
                                                    buffer.data(), int(buffer.size()));
        if (written > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    int written = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    if (written > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    // The Info frame at the start carries the encoder delay and padding for gapless players.
    std::size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tagSize > 0 && tagSize <= out.size())
        std::copy(buffer.begin(), buffer.begin() + tagSize, out.begin());
    lame_close(lame);
    return out;
}
