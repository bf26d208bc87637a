// Films made by `invite_render --video`, read back with the real ffmpeg and ffprobe: the
// pictures against the renderer's own PNGs, the sound against the soundtrack, and every way
// a capture can fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "video/video_helpers.h"

namespace {

std::vector<std::uint8_t> pngAsRgb(const std::string& path)
{
    std::vector<Pixel> pixels;
    int width = 0;
    int height = 0;
    if (!readPng(path, pixels, width, height)) return {};
    std::vector<std::uint8_t> rgb;
    for (Pixel p : pixels) rgb.insert(rgb.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
    return rgb;
}

// Peak signal-to-noise ratio of the 640x480 frame `expected` enlarged `scale` times and
// placed at (x, y), against that region of `picture` (width pixels a row).
double psnr(const std::vector<std::uint8_t>& expected, const std::uint8_t* picture, int width, int scale, int x, int y)
{
    double sum = 0;
    for (int row = 0; row < 480 * scale; ++row) {
        for (int column = 0; column < 640 * scale; ++column) {
            for (int c = 0; c < 3; ++c) {
                const double d = double(expected[(std::size_t(row / scale) * 640 + column / scale) * 3 + c]) -
                                 picture[(std::size_t(row + y) * width + column + x) * 3 + c];
                sum += d * d;
            }
        }
    }
    const double mse = sum / (640.0 * 480 * scale * scale * 3);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(VideoCapture, LosslessFilmHasEveryFrameOfTheRendererAndTheSoundToTheSample)
{
    SKIP_WITHOUT_FFMPEG();
    // Across the crossfade from the intro into the menu.
    const std::string dir = showOutDir("video_lossless");
    const std::string film = dir + "/film.mp4";
    const ShowRun filmed = render(dir, "--start 41000 --until 43000 --lossless --video " + film);
    ASSERT_EQ(filmed.exitCode, 0) << filmed.output;
    const ShowRun framed = render(dir, "--start 41000 --until 43000 --every 1 --out " + dir);
    ASSERT_EQ(framed.exitCode, 0) << framed.output;

    // 41000 + floor(k * 1000 / 60) <= 43000 for k = 0..120.
    const std::size_t frames = 121;
    EXPECT_NE(probe(film, "v", "r_frame_rate").find("r_frame_rate=60/1"), std::string::npos);
    const std::string pictures = decodePictures(film);
    ASSERT_EQ(pictures.size(), frames * 640 * 480 * 3);
    for (std::size_t k = 0; k < frames; ++k) {
        const std::vector<std::uint8_t> png = pngAsRgb(dir + "/f" + std::to_string(k) + ".png");
        ASSERT_EQ(png.size(), std::size_t(640 * 480 * 3)) << k;
        ASSERT_EQ(0, std::memcmp(png.data(), pictures.data() + k * png.size(), png.size())) << "frame " << k;
    }

    // The sound is stored losslessly too: the soundtrack from 41000 ms, sample for sample.
    const std::vector<std::int16_t> sound = decodeSound(film);
    const std::vector<std::int16_t> expected = soundtrackFrom(41000, frames * 735);
    ASSERT_EQ(sound.size(), expected.size());
    EXPECT_TRUE(sound == expected);
}

TEST(VideoCapture, SoundFollowsTheClockAcrossALoop)
{
    SKIP_WITHOUT_FFMPEG();
    // A 3000 ms loop from 2000 ms: one second of the track from 2000 ms, then from 0 on.
    const std::string dir = showOutDir("video_loop");
    const std::string film = dir + "/film.mkv";
    const ShowRun run = render(dir, "--start 2000 --loop 3000 --until 3999 --lossless --preset ultrafast --video " + film);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<std::int16_t> sound = decodeSound(film);
    ASSERT_EQ(sound.size(), std::size_t(120 * 735 * 2));
    std::vector<std::int16_t> expected = soundtrackFrom(2000, 44100);
    const std::vector<std::int16_t> wrapped = soundtrackFrom(0, 44100);
    expected.insert(expected.end(), wrapped.begin(), wrapped.end());
    EXPECT_TRUE(sound == expected);
}

TEST(VideoCapture, CompressedSoundMatchesTheSoundtrackWithinAMillisecond)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_aac");
    const std::string film = dir + "/film.mp4";
    const ShowRun run = render(dir, "--start 14000 --until 16999 --preset ultrafast --video " + film);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // The file says how long the sound is; the decoder itself leaves the encoder's padding
    // on the last packet.
    const std::string length = probe(film, "a", "duration");
    ASSERT_EQ(length.rfind("duration=", 0), 0u) << length;
    EXPECT_NEAR(std::stod(length.substr(9)), 3.0, 1.0 / 60);
    const std::vector<std::int16_t> sound = decodeSound(film);
    const std::vector<std::int16_t> expected = soundtrackFrom(14000, 180 * 735 + 4410);
    // Within 1 ms (44 samples), searched over 10 ms either way.
    EXPECT_LE(std::abs(bestLag(expected, sound, 441)), 44);
}

TEST(VideoCapture, H264FilmsHaveTheirSizeAndLookLikeTheFrames)
{
    SKIP_WITHOUT_FFMPEG();
    const struct { const char* option; int width, height, scale, x, y; } Cases[] = {
        {"--scale 2", 1280, 960, 2, 0, 0},
        {"--size 1920x1080", 1920, 1080, 2, 320, 60},
    };
    for (const auto& c : Cases) {
        const std::string dir = showOutDir("video_h264");
        const std::string film = dir + "/film.mp4";
        // The PNGs of the same run: frame 15 at 30250 ms, the globe and a title plate.
        const ShowRun run = render(dir, std::string("--start 30000 --until 30499 --every 15 --preset ultrafast --out ") +
                                            dir + " " + c.option + " --video " + film);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const std::string video = probe(film, "v", "codec_name,width,height,r_frame_rate,pix_fmt,nb_read_frames");
        EXPECT_NE(video.find("codec_name=h264"), std::string::npos) << video;
        EXPECT_NE(video.find("pix_fmt=yuv420p"), std::string::npos) << video;
        EXPECT_NE(video.find("r_frame_rate=60/1"), std::string::npos) << video;
        EXPECT_NE(video.find("nb_read_frames=30"), std::string::npos) << video;
        EXPECT_NE(video.find("width=" + std::to_string(c.width)), std::string::npos) << video;
        EXPECT_NE(video.find("height=" + std::to_string(c.height)), std::string::npos) << video;
        EXPECT_NE(probe(film, "a", "codec_name").find("codec_name=aac"), std::string::npos);

        const std::string pictures = decodePictures(film);
        const std::size_t frameBytes = std::size_t(c.width) * c.height * 3;
        ASSERT_EQ(pictures.size(), 30 * frameBytes) << c.option;
        const auto* frame15 = reinterpret_cast<const std::uint8_t*>(pictures.data()) + 15 * frameBytes;
        EXPECT_GE(psnr(pngAsRgb(dir + "/f15.png"), frame15, c.width, c.scale, c.x, c.y), 35.0) << c.option;
        // The border around a centred picture stays black.
        if (c.y > 0) {
            EXPECT_LE(frame15[(10 * std::size_t(c.width) + 10) * 3], 2);
        }
    }
}

TEST(VideoCapture, FailuresEndWithTheirCodeAndLeaveNoFile)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_fail");
    const std::string film = dir + "/film.mp4";
    const struct { std::string args, environment; int code; const char* says; } Cases[] = {
        {"--until 500 --video " + film, "PATH=/nonexistent", 3, "ffmpeg"},
        {"--until 500 --soundtrack nothing-here.mp3 --video " + film, "", 4, "nothing-here.mp3"},
        {"--until 500 --soundtrack plate1.tga --video " + film, "", 4, "ffmpeg:"},
        {"--until 500 --video " + dir + "/missing/film.mp4", "", 5, "missing/film.mp4"},
        {"--until 500 --preset sideways --video " + film, "", 6, "ffmpeg:"},
        {"--until 500 --profile party --preset sideways --video " + film, "", 6, "pass 1"},
        {"--until 500 --video " + dir + "/film.avi", "", 2, ".mkv"},
        {"--until 500 --scale 2 --out " + dir, "", 2, "--video"},
        {"--until 500 --size 600x400 --video " + film, "", 2, "smaller"},
        {"--start 500 --until 400 --video " + film, "", 2, "nothing to film"},
    };
    for (const auto& c : Cases) {
        const ShowRun run = render(dir, c.args, c.environment);
        EXPECT_EQ(run.exitCode, c.code) << c.args << "\n" << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.args << "\n" << run.output;
        EXPECT_FALSE(std::filesystem::exists(film)) << c.args;
        EXPECT_FALSE(std::filesystem::exists(film + ".part")) << c.args;
        EXPECT_FALSE(std::filesystem::exists(film + ".part-frames.mkv")) << c.args;
        EXPECT_FALSE(std::filesystem::exists(film + ".part-pass-0.log")) << c.args;
    }
}

// Names that ffmpeg would read as its protocols are files all the same, each read back whole
// before it is reported as written.
TEST(VideoCapture, NamesThatLookLikeProtocolsAreFilesInTheFolder)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_names");
    for (const std::string name : {"pipe:1.mkv", "md5:v.mkv", "file:x.mkv"}) {
        const ShowRun run = render(dir, "--until 100 --preset ultrafast --soundtrack " + soundtrack + " --video " + name,
                                   "cd " + dir + " &&");
        EXPECT_EQ(run.exitCode, 0) << name << "\n" << run.output;
        EXPECT_NE(run.output.find("wrote " + name + ": 7 frames"), std::string::npos) << run.output;
        EXPECT_EQ(probe(dir + "/" + name, "v", "nb_read_frames"), "nb_read_frames=7\n") << name;
        EXPECT_FALSE(std::filesystem::exists(dir + "/" + name + ".part")) << name;
    }
}

TEST(VideoCapture, InterruptRemovesTheHalfWrittenFileAndKeepsAnOldOne)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_interrupt");
    const std::string film = dir + "/film.mp4";
    std::ofstream(film) << "an older film";
    // Interrupted a second in, long before the minute of show is filmed.
    const ShowRun run = render(dir, "--until 60000 --video " + film, "timeout --preserve-status -s INT 1");
    EXPECT_EQ(run.exitCode, 130) << run.output;
    EXPECT_NE(run.output.find("interrupted"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(film + ".part"));
    std::ifstream in(film);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "an older film");
}

}  // namespace
