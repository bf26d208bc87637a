#include "tools/assetgen/soundtrack.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/music.h"

namespace {

// LAME's decoder gives 528 + 1 samples before the first sample the encoder was given.
constexpr int decoderDelay = 529;
// The decoder keeps every byte it cannot place and searches them all again at each new chunk,
// so bytes that hold no frame cost the square of their count. An MP3's frames are at most a few
// KB apart (tags at the start are skipped before), so this many bytes without a decoded sample
// end the check.
constexpr std::size_t longestGapWithoutSound = 64 * 1024;

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

bool readSoundtrackFile(const std::string& path, Bytes& bytes, std::string* why)
{
    // Opened without waiting (a FIFO would block), then asked what it is: the file read is the
    // file looked at, even when the path is pointed elsewhere in between.
    bytes.clear();
    std::string reason;
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0)
        reason = errno == ENOENT ? "there is no file " + path : "cannot open " + path + " for reading";
    else if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        reason = path + " is not a regular file";
    else if (std::uintmax_t(status.st_size) > soundtrackLargestFile)
        reason = path + " is larger than 100 MB, the most a soundtrack file may take";
    std::uint8_t buffer[65536];
    while (reason.empty()) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count == 0) break;
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) reason = "cannot read " + path;
        else if (bytes.size() + std::size_t(count) > soundtrackLargestFile)
            reason = path + " is larger than 100 MB, the most a soundtrack file may take";
        else bytes.insert(bytes.end(), buffer, buffer + count);
    }
    if (descriptor >= 0) close(descriptor);
    if (reason.empty()) return true;
    bytes.clear();
    if (why) *why = reason;
    return false;
}

SoundFormat soundFormatOf(const Bytes& bytes)
{
    const auto starts = [&](std::size_t at, const char* magic) {
        const std::size_t length = std::strlen(magic);
        return bytes.size() >= at + length && std::equal(magic, magic + length, bytes.begin() + std::ptrdiff_t(at));
    };
    if ((starts(0, "RIFF") || starts(0, "RF64")) && starts(8, "WAVE")) return SoundFormat::Wav;
    if (starts(0, "fLaC")) return SoundFormat::Flac;
    if (starts(0, "OggS")) return SoundFormat::Ogg;
    return SoundFormat::Mp3;
}

const char* soundFormatName(SoundFormat format)
{
    switch (format) {
    case SoundFormat::Wav: return "a WAV file";
    case SoundFormat::Flac: return "a FLAC file";
    case SoundFormat::Ogg: return "an OGG file";
    case SoundFormat::Mp3: break;
    }
    return "an MP3 file";
}

namespace {

// libsndfile reading from the bytes in memory.
struct MemoryFile {
    const Bytes* bytes;
    sf_count_t at;
};

sf_count_t memoryLength(void* user) { return sf_count_t(static_cast<MemoryFile*>(user)->bytes->size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    MemoryFile& file = *static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? sf_count_t(file.bytes->size()) : 0;
    file.at = std::clamp<sf_count_t>(base + offset, 0, sf_count_t(file.bytes->size()));
    return file.at;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user)
{
    MemoryFile& file = *static_cast<MemoryFile*>(user);
    const sf_count_t taken = std::clamp<sf_count_t>(sf_count_t(file.bytes->size()) - file.at, 0, count);
    std::memcpy(out, file.bytes->data() + file.at, std::size_t(taken));
    file.at += taken;
    return taken;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->at; }

DecodedSound decodeWithSndfile(const Bytes& bytes, SoundFormat format, bool stereo)
{
    DecodedSound out;
    out.format = format;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory{&bytes, 0};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!file) {
        out.problem = std::string("it is ") + soundFormatName(format) + " that cannot be decoded (" +
                      sf_strerror(nullptr) + ")";
        return out;
    }
    out.sampleRate = info.samplerate;
    out.channels = info.channels;
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0) {
        sf_close(file);
        out.ok = true;  // the checks name what is wrong
        return out;
    }
    std::vector<float> block(4096 * std::size_t(info.channels));
    sf_count_t got;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0) {
        for (sf_count_t k = 0; k < got; ++k) {
            const float left = block[std::size_t(k * info.channels)];
            const float right = info.channels == 2 ? block[std::size_t(k * 2 + 1)] : left;
            if (stereo) {
                out.stereo.left.push_back(left);
                out.stereo.right.push_back(right);
            } else {
                out.mono.push_back((left + right) / 2);
            }
        }
        out.frames += got;
    }
    const int error = sf_error(file);
    sf_close(file);
    if (error != SF_ERR_NO_ERROR || out.frames == 0) {
        out.problem = std::string("it is ") + soundFormatName(format) +
                      (out.frames == 0 ? " without any sound in it" : " that breaks off: " + std::string(sf_error_number(error)));
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace

DecodedSound decodeSound(const Bytes& bytes, bool stereo)
{
    const SoundFormat format = soundFormatOf(bytes);
    return format == SoundFormat::Mp3 ? decodeMp3(bytes) : decodeWithSndfile(bytes, format, stereo);
}

DecodedSound decodeMp3(const Bytes& bytes)
{
    DecodedSound out;
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
    std::size_t lastSound = at;  // where the chunk that gave the last samples ended
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
        if (count > 0) lastSound = at;
        while (count > 0) {
            take(count);
            count = hip_decode1_headersB(hip, nullptr, 0, left, right, &data, &encoderDelay, &padding);
        }
        failed = count < 0;
        if (!failed && at - lastSound > longestGapWithoutSound) {
            hip_decode_exit(hip);
            out.problem = "it is not a WAV, FLAC, OGG or MP3 file that can be decoded (" +
                          std::to_string(longestGapWithoutSound / 1024) + " KB without an MP3 frame from byte " +
                          std::to_string(lastSound) + ")";
            return out;
        }
    }
    hip_decode_exit(hip);
    if (failed || !data.header_parsed || out.mono.empty()) {
        out.problem = "it is not a WAV, FLAC, OGG or MP3 file that can be decoded";
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
    out.frames = std::int64_t(out.mono.size());
    out.ok = true;
    return out;
}

int checkSoundtrack(PartyContent& content, std::vector<ContentError>& errors)
{
    content.soundtrackBytes.clear();
    if (content.soundtrackPath.empty()) return int(std::lround(soundtrackSeconds * 1000));
    const Origin& origin = content.soundtrackOrigin;
    auto fail = [&](const std::string& message) { errors.push_back(ContentError{origin.line, origin.field, message}); };
    Bytes bytes;
    std::string why;
    if (!readSoundtrackFile(content.soundtrackPath, bytes, &why)) {
        fail(why + " (the path is taken from the content file's folder)");
        return 0;
    }
    const DecodedSound sound = decodeSound(bytes);
    if (!sound.ok) {
        fail(content.soundtrackPath + ": " + sound.problem);
        return 0;
    }
    const std::string what = content.soundtrackPath + " (" + soundFormatName(sound.format) + ")";
    bool usable = true;
    // An MP3 is played as it is; the other formats are encoded, at 44100 Hz when need be.
    const bool rateKept = sound.format == SoundFormat::Mp3;
    if (rateKept ? sound.sampleRate != 44100 && sound.sampleRate != 48000
                 : sound.sampleRate < 8000 || sound.sampleRate > 192000) {
        fail(what + " has a sample rate of " + std::to_string(sound.sampleRate) + " Hz; the invitation plays " +
             (rateKept ? "MP3s of 44100 or 48000 Hz" : "files of 8000 to 192000 Hz"));
        usable = false;
    }
    if (sound.channels != 1 && sound.channels != 2) {
        fail(what + " has " + std::to_string(sound.channels) + " channels; use mono or stereo");
        usable = false;
    }
    const int length = sound.lengthMs();
    if (usable && (length < soundtrackShortest || length > soundtrackLongest)) {
        fail(what + " is " + secondsText(length) + " long; a soundtrack may last " + secondsText(soundtrackShortest) +
             " to " + secondsText(soundtrackLongest));
        usable = false;
    }
    if (!usable) return 0;
    content.soundtrackBytes = std::move(bytes);
    return length;
}

Bytes ownSoundtrackBytes(const PartyContent& content, std::string* how)
{
    const Bytes& bytes = content.soundtrackBytes;
    if (bytes.empty()) throw std::runtime_error(content.soundtrackPath + " was not checked, so it is not written");
    if (soundFormatOf(bytes) == SoundFormat::Mp3) {
        if (how) *how = content.soundtrackPath + ", an MP3 file, copied as it is";
        return bytes;
    }
    const DecodedSound sound = decodeSound(bytes, true);
    if (!sound.ok) return {};
    const int rate = sound.sampleRate == 48000 ? 48000 : 44100;
    if (how) {
        *how = content.soundtrackPath + ", " + soundFormatName(sound.format) + " of " +
               std::to_string(sound.sampleRate) + " Hz, " + (sound.channels == 1 ? "mono" : "stereo") + ", " +
               secondsText(sound.lengthMs()) + ", encoded as an MP3 of " + std::to_string(rate) + " Hz at 256 kbit/s";
    }
    return encodeMp3(sound.stereo, sound.sampleRate, rate);
}

std::string soundtrackRecord(const Bytes& mp3, const PartyContent& content)
{
    return "# What `make assets` last wrote as " + content.stem + ".mp3. It replaces that file only while it\n"
           "# still has these bytes, so a soundtrack put there by hand is never overwritten.\n"
           "source " + (content.soundtrackFile.empty() ? std::string("built-in") : "file " + content.soundtrackFile) +
           "\n"
           "size " + std::to_string(mp3.size()) + "\n"
           "fnv1a64 " + hex(checksum(mp3)) + "\n";
}

bool soundtrackMayBeReplaced(const std::string& folder, const std::string& name, const Bytes& next, std::string& why)
{
    Bytes present;
    if (!readSoundtrackFile(folder + "/" + name, present) || present == next) return true;
    Bytes record;
    readSoundtrackFile(folder + "/" + SoundtrackRecordFile, record);
    const std::string recorded(record.begin(), record.end());
    const std::string expected = "size " + std::to_string(present.size()) + "\nfnv1a64 " + hex(checksum(present)) + "\n";
    if (recorded.find(expected) != std::string::npos) return true;
    why = folder + "/" + name + " is not the soundtrack assetgen wrote there" +
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
    if (sampleRate < 100 || mono.size() < std::size_t(sampleRate)) return {};  // less than a second
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
