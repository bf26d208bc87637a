#pragma once
// What a video capture is made of, worked out before and while it runs: which frames, which
// soundtrack samples go under each, the size of the picture and the encoder's command line.
// Nothing here starts a process; tools/ffmpeg_process.h does that.
#include <cstdint>
#include <string>
#include <vector>

constexpr int soundtrackRate = 44100;     // samples per second, per channel
constexpr int soundtrackChannels = 2;     // interleaved left, right

struct VideoSettings {
    std::string path;               // the file to write; empty: no video
    std::string soundtrack = "zura5inv.mp3";
    int scale = 0;                  // whole factor; 0: not given
    int boxWidth = 0;               // --size WxH; 0: not given
    int boxHeight = 0;
    int crf = -1;                   // -1: chosen for the size
    std::string preset;             // empty: chosen for the size
    bool lossless = false;
};

// The encoded picture: the 640x480 frame enlarged `scale` times and placed at (x, y) on a
// black width x height canvas.
struct VideoGeometry {
    int width = 0;
    int height = 0;
    int scale = 1;
    int x = 0;
    int y = 0;
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

// The arguments after the program name: raw 0x00RRGGBB frames at 640x480 on standard input,
// 16-bit stereo at 44100 Hz on descriptor 3, the film to `outputPath`.
std::vector<std::string> encoderArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                          int fps, const std::string& outputPath);

// "[#####.....]  300/600 frames  95 fps  0:03 left"; the time left is guessed from the speed
// so far.
std::string progressLine(std::int64_t done, std::int64_t total, double seconds);
