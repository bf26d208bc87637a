// The arithmetic of a video capture: which frames, which soundtrack samples under each, and
// the picture size.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/video_plan.h"

namespace {

TEST(VideoFrames, CountIsEveryFrameTheRendererDrawsUpToUntil)
{
    // The renderer draws frame k while start + floor(k * 1000 / fps) <= until.
    for (int fps : {1, 7, 24, 25, 30, 60, 144, 1000}) {
        for (std::int32_t start : {0, 13, 14000}) {
            for (int after : {0, 16, 17, 999, 3000}) {
                const std::int64_t until = start + after;
                std::int64_t drawn = 0;
                while (start + drawn * 1000 / fps <= until) ++drawn;
                EXPECT_EQ(framesUntil(start, until, fps), drawn) << fps << " " << start << " " << until;
            }
        }
    }
    EXPECT_EQ(framesUntil(5000, 4999, 60), 0);
}

TEST(VideoSound, FramesShareTheSamplesWithoutDrift)
{
    // 60 fps: 735 samples a frame exactly; 7 fps: uneven frames that add up to one second.
    EXPECT_EQ(audioSampleOfFrame(1, 60), 735);
    EXPECT_EQ(audioSampleOfFrame(60 * 3600, 60), 44100LL * 3600);
    EXPECT_EQ(audioSampleOfFrame(7, 7), 44100);
    EXPECT_EQ(audioSampleOfFrame(3, 7) - audioSampleOfFrame(2, 7), 6300);
}

TEST(VideoSound, SampleUnderAFrameIsTheMusicTimeOfThatFrame)
{
    // The first sample is the start time; a second later is a second further on.
    EXPECT_EQ(soundtrackSampleAt(0, 14000, 0), 617400);
    EXPECT_EQ(soundtrackSampleAt(44100, 14000, 0), 617400 + 44100);
    // An odd millisecond falls between samples and is floored: 1 ms is 44.1 samples.
    EXPECT_EQ(soundtrackSampleAt(0, 1, 0), 44);
    EXPECT_EQ(soundtrackSampleAt(0, 10, 0), 441);
    // Frame k starts at music time start + k / 60 s, to the sample.
    EXPECT_EQ(soundtrackSampleAt(audioSampleOfFrame(90, 60), 2000, 0), 88200 + 66150);
}

TEST(VideoSound, WrapsWithTheClockAtTheLoopLength)
{
    // A 3000 ms loop starting at 2000 ms: one second later the sound is back at the start.
    const std::int64_t loopSamples = 3 * 44100;
    EXPECT_EQ(soundtrackSampleAt(44100 - 1, 2000, 3000), loopSamples - 1);
    EXPECT_EQ(soundtrackSampleAt(44100, 2000, 3000), 0);
    EXPECT_EQ(soundtrackSampleAt(44100 + loopSamples, 2000, 3000), 0);
    // A loop length of odd milliseconds wraps inside a sample, as the picture's clock does.
    EXPECT_EQ(soundtrackSampleAt(0, 0, 1001), 0);
    EXPECT_EQ(soundtrackSampleAt(44145, 0, 1001), 0);  // 1001.02 ms wraps to 0.02 ms
    EXPECT_EQ(soundtrackSampleAt(44144, 0, 1001), 44144);
}

TEST(VideoSound, ChunkCopiesBothChannelsAndIsSilentPastTheEnd)
{
    // A track of 100 samples whose left channel counts up and right channel counts down.
    std::vector<std::int16_t> track;
    for (int i = 0; i < 100; ++i) {
        track.push_back(std::int16_t(i + 1));
        track.push_back(std::int16_t(-i - 1));
    }
    // 1 ms in is sample 44; the end of the track gives silence.
    std::vector<std::int16_t> chunk;
    soundtrackChunk(track, 50, 60, 1, 0, chunk);
    ASSERT_EQ(chunk.size(), 20u);
    EXPECT_EQ(chunk[0], 95);
    EXPECT_EQ(chunk[1], -95);
    EXPECT_EQ(chunk[9], -99);
    EXPECT_EQ(chunk[10], 100);
    EXPECT_EQ(chunk[11], -100);
    EXPECT_EQ(chunk[12], 0);
    EXPECT_EQ(chunk[19], 0);
    // A 3 ms loop (132.3 samples) from 2 ms: the track ends at output sample 12, there is
    // silence until the clock wraps at output sample 45, then the track again.
    soundtrackChunk(track, 11, 13, 2, 3, chunk);
    EXPECT_EQ(chunk, (std::vector<std::int16_t>{100, -100, 0, 0}));
    soundtrackChunk(track, 44, 46, 2, 3, chunk);
    EXPECT_EQ(chunk, (std::vector<std::int16_t>{0, 0, 1, -1}));
    soundtrackChunk(track, 0, 3, 0, 0, chunk);
    EXPECT_EQ(chunk, (std::vector<std::int16_t>{1, -1, 2, -2, 3, -3}));
}

TEST(VideoPicture, ScaleOrTheLargestSharpFitCentredInABox)
{
    VideoSettings settings;
    VideoGeometry g;
    std::string error;
    ASSERT_TRUE(videoGeometry(settings, g, error));
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.scale, 1);

    settings.scale = 4;
    ASSERT_TRUE(videoGeometry(settings, g, error));
    EXPECT_EQ(g.width, 2560);
    EXPECT_EQ(g.height, 1920);
    EXPECT_EQ(g.x, 0);

    settings.scale = 0;
    settings.boxWidth = 1920;
    settings.boxHeight = 1080;
    ASSERT_TRUE(videoGeometry(settings, g, error));
    EXPECT_EQ(g.scale, 2);
    EXPECT_EQ(g.width, 1920);
    EXPECT_EQ(g.height, 1080);
    EXPECT_EQ(g.x, 320);
    EXPECT_EQ(g.y, 60);

    // A left-over border of 30 lines: 15 above would split a colour block, so 14.
    settings.boxWidth = 640;
    settings.boxHeight = 510;
    ASSERT_TRUE(videoGeometry(settings, g, error));
    EXPECT_EQ(g.scale, 1);
    EXPECT_EQ(g.y, 14);
}

TEST(VideoPicture, RefusesSizesThatMakeNoPicture)
{
    const struct { int scale, width, height; const char* named; } Cases[] = {
        {2, 1920, 1080, "together"},
        {0, 1280, 478, "smaller"},
        {0, 639, 480, "even"},
        {0, 1921, 1080, "even"},
    };
    for (const auto& c : Cases) {
        VideoSettings settings;
        settings.scale = c.scale;
        settings.boxWidth = c.width;
        settings.boxHeight = c.height;
        VideoGeometry g;
        std::string error;
        EXPECT_FALSE(videoGeometry(settings, g, error)) << c.width << "x" << c.height;
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
}

TEST(VideoFile, ContainerComesFromTheExtension)
{
    EXPECT_EQ(containerOf("out/show.mp4"), "mp4");
    EXPECT_EQ(containerOf("SHOW.MOV"), "mp4");
    EXPECT_EQ(containerOf("a.b/show.mkv"), "matroska");
    EXPECT_EQ(containerOf("a.mp4/show"), "");
    EXPECT_EQ(containerOf("show.avi"), "");
}

TEST(VideoProgress, GuessesTheTimeLeftFromTheSpeedSoFar)
{
    const std::string half = progressLine("", 300, 600, 10.0);
    EXPECT_EQ(half.rfind("[###############...............]", 0), 0u) << half;
    EXPECT_NE(half.find("300/600 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("30 fps"), std::string::npos) << half;
    EXPECT_NE(half.find("0:10 left"), std::string::npos) << half;
    EXPECT_NE(progressLine("", 100, 7300, 1.0).find("1:12 left"), std::string::npos);
    const std::string done = progressLine("", 600, 600, 20.0);
    EXPECT_EQ(done.find("left"), std::string::npos) << done;
    // The line begins with what is being made.
    EXPECT_EQ(progressLine("party: pass 1/2", 1, 2, 1.0).rfind("party: pass 1/2 [", 0), 0u);
}

// The value after `option` in `args`; empty when the option is not there.
std::string valueOf(const std::vector<std::string>& args, const std::string& option)
{
    const auto at = std::find(args.begin(), args.end(), option);
    return at == args.end() || at + 1 == args.end() ? "" : *(at + 1);
}

TEST(VideoProfiles, EachProfileGivesItsValuesAndTheCommandLineWins)
{
    ASSERT_NE(findVideoProfile("party"), nullptr);
    EXPECT_EQ(findVideoProfile("Party"), nullptr);
    EXPECT_EQ(videoProfileNames(), "party, site, site-2160, archive");

    VideoSettings party;
    int fps = 60;
    applyVideoProfile(*findVideoProfile("party"), party, fps, false);
    EXPECT_EQ(fps, 30);
    EXPECT_EQ(party.boxWidth, 1920);
    EXPECT_TRUE(party.fill);
    EXPECT_EQ(party.level, "4.1");
    EXPECT_TRUE(twoPassVideo(party));

    // A frame rate, a quality and a scale given on the command line stay; the quality turns
    // the two passes into one with the profile's bitrate as its cap.
    VideoSettings mine;
    mine.crf = 20;
    mine.scale = 2;
    fps = 50;
    applyVideoProfile(*findVideoProfile("party"), mine, fps, true);
    EXPECT_EQ(fps, 50);
    EXPECT_EQ(mine.boxWidth, 0);
    EXPECT_FALSE(mine.fill);
    EXPECT_EQ(mine.crf, 20);
    EXPECT_FALSE(twoPassVideo(mine));
    EXPECT_EQ(mine.h264Profile, "main");

    VideoSettings archive;
    applyVideoProfile(*findVideoProfile("archive"), archive, fps, false);
    EXPECT_TRUE(archive.lossless);
    EXPECT_FALSE(twoPassVideo(archive));
    EXPECT_EQ(archive.audioRate, 0);
}

TEST(VideoProfiles, EncoderCommandsCarryTheProfilesRules)
{
    VideoSettings site;
    site.path = "show.mp4";
    site.title = "G\xC3\xB6ta Hack 2027";
    int fps = 0;
    applyVideoProfile(*findVideoProfile("site"), site, fps, false);
    VideoGeometry g;
    std::string error;
    ASSERT_TRUE(videoGeometry(site, g, error));
    const auto one = encoderArguments(site, g, fps, "show.mp4.part");
    EXPECT_EQ(valueOf(one, "-profile:v"), "high");
    EXPECT_EQ(valueOf(one, "-g"), "30");
    EXPECT_EQ(valueOf(one, "-sc_threshold"), "0");
    EXPECT_EQ(valueOf(one, "-flags"), "+cgop");
    EXPECT_EQ(valueOf(one, "-maxrate"), "12000k");
    EXPECT_EQ(valueOf(one, "-b:a"), "384k");
    EXPECT_EQ(valueOf(one, "-af"), "aresample=48000:resampler=soxr:precision=28");
    EXPECT_EQ(valueOf(one, "-movflags"), "+faststart");
    EXPECT_EQ(valueOf(one, "-framerate"), "60");
    EXPECT_EQ(valueOf(one, "-metadata"), "title=G\xC3\xB6ta Hack 2027");  // the film is named after its party

    VideoSettings party;
    party.path = "show.mkv";
    applyVideoProfile(*findVideoProfile("party"), party, fps, false);
    ASSERT_TRUE(videoGeometry(party, g, error));
    const auto copy = firstCopyArguments(fps, "copy.mkv");
    EXPECT_EQ(valueOf(copy, "-c:v"), "libx264rgb");
    EXPECT_EQ(valueOf(copy, "-qp"), "0");
    EXPECT_EQ(valueOf(copy, "-c:a"), "pcm_s16le");
    const auto first = passArguments(party, g, "copy.mkv", 1, "log", "show.mkv.part");
    EXPECT_EQ(valueOf(first, "-pass"), "1");
    EXPECT_EQ(valueOf(first, "-b:v"), "8000k");
    EXPECT_EQ(valueOf(first, "-minrate"), "8000k");
    EXPECT_EQ(valueOf(first, "-x264-params"), "nal-hrd=cbr");
    EXPECT_EQ(valueOf(first, "-f"), "null");
    EXPECT_EQ(std::find(first.begin(), first.end(), "-c:a"), first.end());
    const auto second = passArguments(party, g, "copy.mkv", 2, "log", "show.mkv.part");
    EXPECT_EQ(valueOf(second, "-pass"), "2");
    EXPECT_EQ(valueOf(second, "-level:v"), "4.1");
    EXPECT_EQ(valueOf(second, "-c:a"), "aac");
    EXPECT_EQ(valueOf(second, "-ar"), "48000");
    EXPECT_EQ(valueOf(second, "-f"), "matroska");
    EXPECT_EQ(second.back(), "file:show.mkv.part");  // a file, whatever its name looks like to ffmpeg
    EXPECT_EQ(valueOf(second, "-metadata"), "");     // no title given, none written
    // The sound of the archive is the soundtrack's, untouched.
    VideoSettings archive;
    archive.path = "show.mkv";
    applyVideoProfile(*findVideoProfile("archive"), archive, fps, false);
    ASSERT_TRUE(videoGeometry(archive, g, error));
    const auto exact = encoderArguments(archive, g, fps, "show.mkv.part");
    EXPECT_EQ(valueOf(exact, "-c:a"), "flac");
    EXPECT_EQ(valueOf(exact, "-af"), "");
}

TEST(VideoPicture, FillingABoxKeepsFourToThreeWithBarsOnTheLongSide)
{
    const struct { int width, height, scale, pictureWidth, pictureHeight, x, y; } Cases[] = {
        {1920, 1080, 2, 1440, 1080, 240, 0},
        {3840, 2160, 4, 2880, 2160, 480, 0},
        {1080, 1920, 1, 1080, 810, 0, 554},
        {640, 480, 1, 640, 480, 0, 0},
    };
    for (const auto& c : Cases) {
        VideoSettings settings;
        settings.boxWidth = c.width;
        settings.boxHeight = c.height;
        settings.fill = true;
        VideoGeometry g;
        std::string error;
        ASSERT_TRUE(videoGeometry(settings, g, error)) << error;
        EXPECT_EQ(g.scale, c.scale) << c.width;
        EXPECT_EQ(g.pictureWidth, c.pictureWidth) << c.width;
        EXPECT_EQ(g.pictureHeight, c.pictureHeight) << c.width;
        EXPECT_EQ(g.x, c.x) << c.width;
        EXPECT_EQ(g.y, c.y) << c.width;
    }
}

TEST(VideoSound, FilmPastTheSoundtracksEndIsCutOrSaidToBeSilent)
{
    // 20 s of soundtrack filmed to 30 s: cut at the end, and the message says how to loop.
    std::int64_t until = 30000;
    std::string said = pastTheSoundtrack(0, until, 0, 20000);
    EXPECT_EQ(until, 19999);
    EXPECT_NE(said.find("ends at 20000 ms"), std::string::npos) << said;
    EXPECT_NE(said.find("--loop 20000"), std::string::npos) << said;
    // Up to the end: nothing to say.
    until = 19999;
    EXPECT_EQ(pastTheSoundtrack(0, until, 0, 20000), "");
    EXPECT_EQ(until, 19999);
    // A loop inside the track goes round without a word; one longer than it leaves a gap.
    until = 60000;
    EXPECT_EQ(pastTheSoundtrack(0, until, 20000, 20000), "");
    EXPECT_EQ(until, 60000);
    said = pastTheSoundtrack(0, until, 25000, 20000);
    EXPECT_NE(said.find("silent"), std::string::npos) << said;
    EXPECT_EQ(until, 60000);
    // Starting after the end leaves nothing to film.
    until = 40000;
    said = pastTheSoundtrack(30000, until, 0, 20000);
    EXPECT_LT(until, 30000);
    EXPECT_NE(said.find("before --start"), std::string::npos) << said;
}

}  // namespace
