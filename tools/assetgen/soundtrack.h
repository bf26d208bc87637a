#pragma once
// The soundtrack the invitation plays: the built-in synthesised track or the organisers' own
// MP3, checked before anything is written; the record of what assetgen wrote, so a file put
// in its place by hand is never overwritten; and the onsets an organiser can put cues on.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/content.h"
#include "tools/assetgen/writers.h"

constexpr const char* SoundtrackRecordFile = "soundtrack_record.txt";
constexpr int soundtrackShortest = 10000;     // ms
constexpr int soundtrackLongest = 1200000;    // ms: 20 minutes

struct DecodedMp3 {
    bool ok = false;
    std::string problem;  // why not, in words
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> mono;  // -1..1, the channels' mean, without the coder's delay and padding
    int lengthMs() const { return sampleRate ? int(std::int64_t(mono.size()) * 1000 / sampleRate) : 0; }
};

// Reads a regular file of at most 100 MB; devices, folders and larger files are refused.
bool readSoundtrackFile(const std::string& path, Bytes& bytes);

// Decodes an MP3 (an ID3v2 tag at its start is skipped) with LAME's decoder.
DecodedMp3 decodeMp3(const Bytes& bytes);

// Checks the [soundtrack] file: it can be read, decodes, and has a usable sample rate, channel
// count and length. Appends errors at the `file` line. Returns the soundtrack's length in ms
// (the built-in track's when no file is named), 0 when it could not be found out.
int checkSoundtrack(const PartyContent& content, std::vector<ContentError>& errors);

// The bytes of the organisers' own MP3 named in [soundtrack].
Bytes ownSoundtrackBytes(const PartyContent& content);

// The record kept beside the MP3: which soundtrack it is, its size and a checksum of its bytes.
std::string soundtrackRecord(const Bytes& mp3, const PartyContent& content);
// True when the folder's zura5inv.mp3 may be replaced by `next`: there is none, it is the one
// the folder's record describes, or it already has the bytes of `next`. Otherwise `why` says
// what to do.
bool soundtrackMayBeReplaced(const std::string& folder, const Bytes& next, std::string& why);

// The strongest onsets: moments where the sound jumps and then rings on louder than before
// and than usual, at least 300 ms apart, the `count` strongest in time order. The strength is
// a sum of decibels over six bands, to compare hits with each other.
struct Hit {
    double seconds;
    double strength;
};
std::vector<Hit> findHits(const std::vector<float>& mono, int sampleRate, int count);
