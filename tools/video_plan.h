#pragma once
// What a video capture is made of, worked out before and while it runs: which frames, which
// soundtrack samples go under each, the size of the picture and the encoder's command line.
// Nothing here starts a process; tools/ffmpeg_process.h does that.
#include <cstdint>
#include <string>
#include <vector>

constexpr int soundtrackRate = 44100;     // samples per second, per channel
constexpr int soundtrackChannels = 2;     // interleaved left, right

// A capture's shape chosen by name (--profile): the picture, the frame rate, how the encoder
// spends its bits and the sound. Every value an option also sets is only a default.
struct VideoProfile {
    const char* name;
    int fps;
    int boxWidth, boxHeight;    // 0: the frame at its own size
    bool fill;                  // the 4:3 picture fills the box's height (black bars at the sides)
    bool lossless;
    const char* h264Profile;    // "main" or "high"; empty: x264's choice
    const char* level;          // e.g. "4.1"; empty: x264's choice for the size and rate
    int crf;                    // constant quality; -1: an average bitrate over two passes
    int videoKbps;              // the two-pass average, or with a crf the cap
    int keyInterval;            // frames from one key frame to the next, closed GOPs; 0: x264's
    int audioRate;              // the film's sample rate; 0: the soundtrack's
    int audioKbps;
};

extern const VideoProfile VideoProfiles[4];

// The profile of that name; null when there is none.
const VideoProfile* findVideoProfile(const std::string& name);

// The names of all profiles, "party, site, site-2160, archive".
std::string videoProfileNames();

struct VideoSettings {
    std::string path;               // the file to write; empty: no video
    std::string soundtrack;         // the MP3 under the film; invite_render names the one beside the programs
    std::string profile;            // the name of the profile the values came from; empty: none
    int scale = 0;                  // whole factor; 0: not given
    int boxWidth = 0;               // --size WxH; 0: not given
    int boxHeight = 0;
    bool fill = false;              // the picture fills the box, enlarged smoothly past the whole factor
    int crf = -1;                   // -1: chosen for the size, or the profile's bitrate
    std::string preset;             // empty: chosen for the size
    bool lossless = false;
    std::string h264Profile;        // empty: x264's choice
    std::string level;              // empty: x264's choice
    int videoKbps = 0;              // two-pass average, or the cap of a crf; 0: none
    int keyInterval = 0;            // 0: x264's choice
    int audioRate = 0;              // 0: the soundtrack's rate
    int audioKbps = 0;              // 0: 192
    std::string title;              // the film's title tag; empty: none
};

// Fills every value of `settings` not given on the command line from `profile`; `fps` too,
// unless `fpsGiven`. A size or a scale given on the command line replaces the profile's box.
void applyVideoProfile(const VideoProfile& profile, VideoSettings& settings, int& fps, bool fpsGiven);

// True when the film is made in two passes of the encoder over a lossless first copy.
bool twoPassVideo(const VideoSettings& settings);

// The encoded picture: the 640x480 frame enlarged `scale` times and placed at (x, y) on a
// black width x height canvas.
// With `fill`, the enlarged frame is then scaled smoothly to pictureWidth x pictureHeight.
struct VideoGeometry {
    int width = 0;
    int height = 0;
    int scale = 1;
    int x = 0;
    int y = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
};

// The frames a run draws, from the first to the last whose unwrapped time is at or before
// `until`, when nothing ends the show sooner.
std::int64_t framesUntil(std::int32_t start, std::int64_t until, int fps);

// Output sample index at which frame `frame` begins; frame k covers [at(k), at(k + 1)).
std::int64_t audioSampleOfFrame(std::int64_t frame, int fps);

// The soundtrack sample that plays at output sample `sample` of a capture starting at music
// time `start`, the clock wrapping to 0 every `loop` ms (0: never). Exact in whole samples:
// music time start + sample / 44.1 ms, wrapped, then floored to a sample.
std::int64_t soundtrackSampleAt(std::int64_t sample, std::int32_t start, std::int32_t loop);

// Output samples [from, to) as interleaved 16-bit stereo, taken from `track` (interleaved,
// soundtrackChannels per sample); silence past the track's end.
void soundtrackChunk(const std::vector<std::int16_t>& track, std::int64_t from, std::int64_t to,
                     std::int32_t start, std::int32_t loop, std::vector<std::int16_t>& out);

// The picture size for --scale N or --size WxH; false with a message when they do not make
// one (both given, a box smaller than one frame, odd sizes).
bool videoGeometry(const VideoSettings& settings, VideoGeometry& geometry, std::string& error);

// "mp4" or "matroska" from the file name's extension; empty when it is neither.
std::string containerOf(const std::string& path);

// A file's name as ffmpeg is to take it: always a file, never one of its protocols (a name such
// as pipe:1.mkv or md5:v.mkv would otherwise write to standard output or nowhere).
std::string ffmpegFile(const std::string& path);
// ffmpeg's arguments that read the film at `path` back and report (on standard output, as
// `-progress` lines) how many video frames it holds.
std::vector<std::string> frameCountArguments(const std::string& path);

// The arguments after the program name for a film made in one run: raw 0x00RRGGBB frames at
// 640x480 on standard input, 16-bit stereo at 44100 Hz on descriptor 3, the film to
// `outputPath`.
std::vector<std::string> encoderArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                          int fps, const std::string& outputPath);

// For a film in two passes: the same inputs kept exactly in a Matroska file first (the frames
// at 640x480 as they came, the sound as it came) ...
std::vector<std::string> firstCopyArguments(int fps, const std::string& copyPath);

// ... then pass 1 (statistics to `passLog`, no film) and pass 2 (the film) read that copy.
// Progress goes to standard output as ffmpeg's key=value lines.
std::vector<std::string> passArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                       const std::string& copyPath, int pass, const std::string& passLog,
                                       const std::string& outputPath);

// "site [#####.....]  300/600 frames  95 fps  0:03 left"; the label names the profile and
// the pass, the time left is guessed from the speed so far.
std::string progressLine(const std::string& label, std::int64_t done, std::int64_t total, double seconds);

// When the film runs past the end of the soundtrack (`trackMs` long): the message to give,
// empty when it does not. Without a loop the film is cut at the end (`until` is lowered to
// its last millisecond); with a loop longer than the track the film is silent between the end
// and each wrap.
std::string pastTheSoundtrack(std::int32_t start, std::int64_t& until, std::int32_t loop, std::int64_t trackMs);
