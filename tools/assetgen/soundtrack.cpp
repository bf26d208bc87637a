#include "tools/assetgen/soundtrack.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/music.h"

namespace {

// LAME's decoder gives 528 + 1 samples before the first sample the encoder was given.
constexpr int decoderDelay = 529;

void quiet(const char*, va_list) {}

std::size_t id3Length(const Bytes& bytes)
{
    if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') return 0;
    std::size_t size = 0;
    for (int k = 6; k < 10; ++k) size = size << 7 | (bytes[std::size_t(k)] & 0x7F);
    size += 10 + ((bytes[5] & 0x10) ? 10 : 0);
    return std::min(size, bytes.size());
}

std::uint64_t checksum(const Bytes& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

std::string hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string secondsText(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000.0);
    return text;
}

}  // namespace

bool readSoundtrackFile(const std::string& path, Bytes& bytes)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) > 100u << 20)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

DecodedMp3 decodeMp3(const Bytes& bytes)
{
    DecodedMp3 out;
    hip_t hip = hip_decode_init();
    if (!hip) {
        out.problem = "the decoder could not start";
        return out;
    }
    hip_set_errorf(hip, quiet);
    hip_set_debugf(hip, quiet);
    hip_set_msgf(hip, quiet);
    static short left[1152 * 4], right[1152 * 4];
    mp3data_struct data{};
    int encoderDelay = -1, padding = -1;
    std::size_t at = id3Length(bytes);
    bool failed = false;
    bool rateChanged = false;
    auto take = [&](int count) {
        if (count <= 0) return;
        if (out.sampleRate == 0) {
            out.sampleRate = data.samplerate;
            out.channels = data.stereo;
        } else if (data.samplerate != out.sampleRate || data.stereo != out.channels) {
            rateChanged = true;
        }
        for (int k = 0; k < count; ++k)
            out.mono.push_back(out.channels == 2 ? (left[k] + right[k]) / 65536.0f : left[k] / 32768.0f);
    };
    while (at < bytes.size() && !failed) {
        const std::size_t chunk = std::min<std::size_t>(4096, bytes.size() - at);
        int count = hip_decode1_headersB(hip, const_cast<unsigned char*>(bytes.data() + at), chunk, left, right,
                                         &data, &encoderDelay, &padding);
        at += chunk;
        while (count > 0) {
            take(count);
            count = hip_decode1_headersB(hip, nullptr, 0, left, right, &data, &encoderDelay, &padding);
        }
        failed = count < 0;
    }
    hip_decode_exit(hip);
    if (failed || !data.header_parsed || out.mono.empty()) {
        out.problem = "it is not an MP3 file that can be decoded";
        return out;
    }
    if (rateChanged) {
        out.problem = "its sample rate or channel count changes within the file";
        return out;
    }
    // The encoder's padding at the end counts the decoder's delay in.
    const std::size_t tail = std::size_t(std::max(0, padding - decoderDelay));
    out.mono.resize(out.mono.size() - std::min(tail, out.mono.size()));
    const std::size_t skip = std::size_t(decoderDelay + std::max(0, encoderDelay));
    out.mono.erase(out.mono.begin(), out.mono.begin() + std::ptrdiff_t(std::min(skip, out.mono.size())));
    out.ok = true;
    return out;
}

int checkSoundtrack(const PartyContent& content, std::vector<ContentError>& errors)
{
    if (content.soundtrackPath.empty()) return int(std::lround(soundtrackSeconds * 1000));
    const Origin& origin = content.soundtrackOrigin;
    auto fail = [&](const std::string& message) { errors.push_back(ContentError{origin.line, origin.field, message}); };
    Bytes bytes;
    if (!readSoundtrackFile(content.soundtrackPath, bytes)) {
        fail("cannot read " + content.soundtrackPath +
             " as an MP3 file of at most 100 MB (the path is taken from the content file's folder)");
        return 0;
    }
    const DecodedMp3 mp3 = decodeMp3(bytes);
    if (!mp3.ok) {
        fail(content.soundtrackPath + ": " + mp3.problem);
        return 0;
    }
    bool usable = true;
    if (mp3.sampleRate != 44100 && mp3.sampleRate != 48000) {
        fail(content.soundtrackPath + " has a sample rate of " + std::to_string(mp3.sampleRate) +
             " Hz; the invitation plays 44100 or 48000 Hz");
        usable = false;
    }
    if (mp3.channels != 1 && mp3.channels != 2) {
        fail(content.soundtrackPath + " has " + std::to_string(mp3.channels) + " channels; use mono or stereo");
        usable = false;
    }
    const int length = mp3.lengthMs();
    if (length < soundtrackShortest || length > soundtrackLongest) {
        fail(content.soundtrackPath + " is " + secondsText(length) + " long; a soundtrack may last " +
             secondsText(soundtrackShortest) + " to " + secondsText(soundtrackLongest));
        usable = false;
    }
    return usable ? length : 0;
}

Bytes ownSoundtrackBytes(const PartyContent& content)
{
    Bytes bytes;
    readSoundtrackFile(content.soundtrackPath, bytes);
    return bytes;
}

std::string soundtrackRecord(const Bytes& mp3, const PartyContent& content)
{
    return "# What `make assets` last wrote as zura5inv.mp3. It replaces that file only while it\n"
           "# still has these bytes, so a soundtrack put there by hand is never overwritten.\n"
           "source " + (content.soundtrackFile.empty() ? std::string("built-in") : "file " + content.soundtrackFile) +
           "\n"
           "size " + std::to_string(mp3.size()) + "\n"
           "fnv1a64 " + hex(checksum(mp3)) + "\n";
}

bool soundtrackMayBeReplaced(const std::string& folder, const Bytes& next, std::string& why)
{
    Bytes present;
    if (!readSoundtrackFile(folder + "/" + SoundtrackFile, present) || present == next) return true;
    Bytes record;
    readSoundtrackFile(folder + "/" + SoundtrackRecordFile, record);
    const std::string recorded(record.begin(), record.end());
    const std::string expected = "size " + std::to_string(present.size()) + "\nfnv1a64 " + hex(checksum(present)) + "\n";
    if (recorded.find(expected) != std::string::npos) return true;
    why = folder + "/" + SoundtrackFile + " is not the soundtrack assetgen wrote there" +
          (record.empty() ? std::string(" (there is no ") + SoundtrackRecordFile + ")" : std::string("")) +
          ", so it would be lost. To play it, move it elsewhere, e.g. content/music.mp3, and name it in "
          "content/party.toml as [soundtrack] file = \"music.mp3\" (the path is taken from the content "
          "file's folder); to have assetgen write its soundtrack, delete it";
    return false;
}

namespace {

// The energy of every 10 ms of the signal through a band pass around `centre` Hz (a biquad of
// one octave's width), -60 dB at least.
std::vector<double> bandEnergy(const std::vector<float>& mono, int sampleRate, double centre, std::size_t hop)
{
    const double w = 2 * 3.14159265358979 * centre / sampleRate;
    const double alpha = std::sin(w) * std::sinh(std::log(2.0) / 2 * w / std::sin(w));
    const double a0 = 1 + alpha;
    const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2 * std::cos(w) / a0, a2 = (1 - alpha) / a0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<double> energy;
    double sum = 0;
    for (std::size_t k = 0; k < mono.size(); ++k) {
        const double y = b0 * mono[k] + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = mono[k];
        y2 = y1;
        y1 = y;
        sum += y * y;
        if ((k + 1) % hop == 0) {
            energy.push_back(sum / double(hop) + 1e-6);
            sum = 0;
        }
    }
    return energy;
}

}  // namespace

std::vector<Hit> findHits(const std::vector<float>& mono, int sampleRate, int count)
{
    // A hit starts where the level jumps within 30 ms. Its strength adds up, in six bands
    // from 50 Hz to 5 kHz, how far the half second after it rises above the second before (in
    // decibels, as means of decibels, so one loud drum hit before it weighs little) and how far
    // it stands above the band's median level over the whole track. The steady beats of a
    // groove are as loud on either side and no louder than usual; a crash with a boom that
    // starts a section rings on loud in every band, even after a riser or a drum roll.
    const std::size_t hop = std::size_t(sampleRate / 100);
    constexpr std::size_t before = 100, after = 50, attack = 3;
    constexpr double decibels = 4.342944819;  // 10 / ln 10
    std::vector<double> total, strength;
    for (double centre = 50; centre < 6000; centre *= 2.5) {
        const std::vector<double> energy = bandEnergy(mono, sampleRate, centre, hop);
        if (total.empty()) {
            total.assign(energy.size(), 0.0);
            strength.assign(energy.size(), 0.0);
        }
        std::vector<double> sum(energy.size() + 1, 0.0);  // of the natural logarithms
        for (std::size_t k = 0; k < energy.size(); ++k) {
            sum[k + 1] = sum[k] + std::log(energy[k]);
            total[k] += energy[k];
        }
        std::vector<double> sorted(energy);
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
        const double median = std::log(sorted[sorted.size() / 2]);
        for (std::size_t k = attack; k + after <= energy.size(); ++k) {
            const std::size_t from = k > before ? k - before : 0;  // less at the very start
            const double next = (sum[k + after] - sum[k]) / double(after);
            const double last = (sum[k] - sum[from]) / double(k - from);
            strength[k] += decibels * (std::max(0.0, next - last) + std::max(0.0, next - median));
        }
    }
    for (std::size_t k = 0; k < total.size(); ++k) {
        const bool jumps =
            k >= attack && total[k] > 4 * std::max(total[k - 1], std::max(total[k - 2], total[k - attack]));
        if (!jumps) strength[k] = 0;
    }

    // Peaks that stand highest within 300 ms either side.
    constexpr std::size_t apart = 30;
    std::vector<Hit> hits;
    for (std::size_t k = 0; k < strength.size(); ++k) {
        if (strength[k] < 1) continue;
        bool highest = true;
        for (std::size_t j = k > apart ? k - apart : 0; j < std::min(strength.size(), k + apart + 1) && highest; ++j)
            highest = strength[j] < strength[k] || (strength[j] == strength[k] && j >= k);
        if (highest) hits.push_back(Hit{double(k * hop) / sampleRate, strength[k]});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.strength > b.strength; });
    if (int(hits.size()) > count) hits.resize(std::size_t(count));
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.seconds < b.seconds; });
    return hits;
}
