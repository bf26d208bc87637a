#pragma once
// The soundtrack the invitation plays: the built-in synthesised track or the organisers' own
// WAV, FLAC, OGG or MP3 file, checked before anything is written and written as the MP3 the
// programs read; the record of what assetgen wrote, so a file put
// in its place by hand is never overwritten; and the onsets an organiser can put cues on.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/content.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/writers.h"

constexpr const char* SoundtrackRecordFile = "soundtrack_record.txt";
constexpr int soundtrackShortest = 10000;     // ms
constexpr int soundtrackLongest = 1200000;    // ms: 20 minutes

constexpr std::uintmax_t soundtrackLargestFile = 100u << 20;

// What a sound file is, from its first bytes; anything else is taken for an MP3.
enum class SoundFormat { Mp3, Wav, Flac, Ogg };
SoundFormat soundFormatOf(const Bytes& bytes);
const char* soundFormatName(SoundFormat format);  // "a WAV file"

struct DecodedSound {
    bool ok = false;
    std::string problem;  // why not, in words
    SoundFormat format = SoundFormat::Mp3;
    int sampleRate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    std::vector<float> mono;  // -1..1, the channels' mean, without the coder's delay and padding
    StereoTrack stereo;       // only when asked for; a mono file has the same samples on both sides
    int lengthMs() const { return sampleRate ? int(frames * 1000 / sampleRate) : 0; }
};

// Reads a regular file of at most 100 MB, opened once (what is read is what was found to be a
// regular file); devices, FIFOs, folders and larger files are refused, with `why` saying which
// (when given).
bool readSoundtrackFile(const std::string& path, Bytes& bytes, std::string* why = nullptr);

// Decodes an MP3 (an ID3v2 tag at its start is skipped) with LAME's decoder.
DecodedSound decodeMp3(const Bytes& bytes);
// Decodes any of the four formats: MP3 with LAME, the others with libsndfile. `stereo` keeps
// the two channels of a file other than an MP3 instead of their mean (an MP3 is played as it
// is and never encoded again).
DecodedSound decodeSound(const Bytes& bytes, bool stereo = false);

// Checks the [soundtrack] file: it can be read, decodes, and has a usable sample rate, channel
// count and length. Appends errors at the `file` line; keeps the bytes it checked in
// content.soundtrackBytes when they pass. Returns the soundtrack's length in ms (the built-in
// track's when no file is named), 0 when it could not be found out.
int checkSoundtrack(PartyContent& content, std::vector<ContentError>& errors);

// The MP3 the programs read for the organisers' own file named in [soundtrack]: an MP3's own
// bytes, any other format decoded and encoded (at 44100 Hz when its rate is neither 44100 nor
// 48000). `how` tells what was done. Made from the bytes the check read and passed, never from
// the file again; throws when the check has not passed.
Bytes ownSoundtrackBytes(const PartyContent& content, std::string* how = nullptr);

// The record kept beside the MP3: which soundtrack it is, its size and a checksum of its bytes.
std::string soundtrackRecord(const Bytes& mp3, const PartyContent& content);
// True when the folder's soundtrack `name` may be replaced by `next`: there is none, it is the one
// the folder's record describes, or it already has the bytes of `next`. Otherwise `why` says
// what to do.
bool soundtrackMayBeReplaced(const std::string& folder, const std::string& name, const Bytes& next, std::string& why);

// The strongest onsets: moments where the sound jumps and then rings on louder than before
// and than usual, at least 300 ms apart, the `count` strongest in time order. The strength is
// a sum of decibels over six bands, to compare hits with each other.
struct Hit {
    double seconds;
    double strength;
};
std::vector<Hit> findHits(const std::vector<float>& mono, int sampleRate, int count);
