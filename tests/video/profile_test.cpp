// Films made with each capture profile, read back with ffprobe: the picture's codec, profile,
// level, size, frame rate and key frames, the sound's codec, rate and channels, the bitrates,
// and the party film's sound against the soundtrack.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "video/video_helpers.h"

namespace {

// ffprobe's key=value lines for one stream, as a map.
std::map<std::string, std::string> streamFacts(const std::string& file, const std::string& stream)
{
    std::map<std::string, std::string> facts;
    std::istringstream lines(probe(file, stream,
                                   "codec_name,profile,level,width,height,r_frame_rate,bit_rate,sample_rate,channels,"
                                   "nb_read_frames"));
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) facts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return facts;
}

double number(const std::map<std::string, std::string>& facts, const std::string& key)
{
    const auto at = facts.find(key);
    return at == facts.end() || at->second.empty() || at->second == "N/A" ? -1 : std::stod(at->second);
}

// The indices of the key frames, in the order they are stored.
std::vector<int> keyFrames(const std::string& file)
{
    std::istringstream lines(commandOutput("ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 '" +
                                           file + "'"));
    std::vector<int> keys;
    std::string flags;
    for (int index = 0; std::getline(lines, flags); ++index) {
        if (flags.find('K') != std::string::npos) keys.push_back(index);
    }
    return keys;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// No first copy or pass statistics left beside the film.
void expectOnlyTheFilm(const std::string& dir)
{
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "film.mp4" || name == "film.mkv" || name == "log.txt") << name;
    }
}

TEST(VideoProfile, PartyIs1080p30MainAtLevel41InTwoPassesWithTheSoundInStep)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_party");
    const std::string film = dir + "/film.mp4";
    // Three seconds after the flash: the globe, the stars, the plates and the full music.
    const ShowRun run = render(dir, "--profile party --start 28000 --until 30999 --video " + film);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("party: frames ["), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("party: pass 2/2 ["), std::string::npos) << run.output;
    expectOnlyTheFilm(dir);

    const auto video = streamFacts(film, "v");
    EXPECT_EQ(video.at("codec_name"), "h264");
    EXPECT_EQ(video.at("profile"), "Main");
    EXPECT_LE(number(video, "level"), 41);
    EXPECT_EQ(number(video, "width"), 1920);
    EXPECT_EQ(number(video, "height"), 1080);
    EXPECT_EQ(video.at("r_frame_rate"), "30/1");
    EXPECT_EQ(number(video, "nb_read_frames"), 90);
    EXPECT_NEAR(number(video, "bit_rate"), 8000e3, 800e3);
    const auto sound = streamFacts(film, "a");
    EXPECT_EQ(sound.at("codec_name"), "aac");
    EXPECT_EQ(sound.at("profile"), "LC");
    EXPECT_EQ(number(sound, "sample_rate"), 48000);
    EXPECT_EQ(number(sound, "channels"), 2);
    EXPECT_NEAR(number(sound, "bit_rate"), 256e3, 25.6e3);

    // The 4:3 picture fills the height between black bars of 240 columns.
    const std::string pictures = decodePictures(film);
    ASSERT_EQ(pictures.size(), std::size_t(90) * 1920 * 1080 * 3);
    const auto brightest = [&](int frame, int x0, int x1) {
        int most = 0;
        for (int y = 0; y < 1080; y += 4) {
            for (int x = x0; x < x1; ++x) {
                most = std::max(most, int(std::uint8_t(pictures[((std::size_t(frame) * 1080 + y) * 1920 + x) * 3 + 1])));
            }
        }
        return most;
    };
    EXPECT_LE(brightest(45, 0, 236), 2);
    EXPECT_LE(brightest(45, 1684, 1920), 2);
    EXPECT_GT(brightest(45, 240, 1680), 100);

    // The sound resampled to 48 kHz and read back at 44.1 kHz lies within 1 ms (44 samples)
    // of the soundtrack, searched over 10 ms either way.
    const std::vector<std::int16_t> heard = decodeSound(film);
    const std::vector<std::int16_t> expected = soundtrackFrom(28000, 3 * 44100);
    EXPECT_LE(std::abs(bestLag(expected, heard, 441)), 44);
}

TEST(VideoProfile, SiteIs1080p60HighWithAClosedKeyFrameEveryHalfSecond)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_site");
    const std::string film = dir + "/film.mp4";
    const ShowRun run = render(dir, "--profile site --start 28000 --until 29999 --video " + film);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("site ["), std::string::npos) << run.output;
    expectOnlyTheFilm(dir);

    const auto video = streamFacts(film, "v");
    EXPECT_EQ(video.at("codec_name"), "h264");
    EXPECT_EQ(video.at("profile"), "High");
    EXPECT_LE(number(video, "level"), 42);
    EXPECT_EQ(number(video, "width"), 1920);
    EXPECT_EQ(number(video, "height"), 1080);
    EXPECT_EQ(video.at("r_frame_rate"), "60/1");
    EXPECT_EQ(number(video, "nb_read_frames"), 120);
    // Constant quality under the cap.
    EXPECT_GT(number(video, "bit_rate"), 1e6);
    EXPECT_LE(number(video, "bit_rate"), 12000e3 * 1.1);
    EXPECT_EQ(keyFrames(film), (std::vector<int>{0, 30, 60, 90}));
    // The encoder's settings, which x264 writes into the stream: closed GOPs of 30.
    const std::string bytes = fileBytes(film);
    EXPECT_NE(bytes.find("keyint=30 "), std::string::npos);
    EXPECT_NE(bytes.find("open_gop=0"), std::string::npos);
    // +faststart: the index before the pictures.
    ASSERT_NE(bytes.find("moov"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));

    const auto sound = streamFacts(film, "a");
    EXPECT_EQ(sound.at("codec_name"), "aac");
    EXPECT_EQ(sound.at("profile"), "LC");
    EXPECT_EQ(number(sound, "sample_rate"), 48000);
    EXPECT_EQ(number(sound, "channels"), 2);
    EXPECT_NEAR(number(sound, "bit_rate"), 384e3, 38.4e3);
}

TEST(VideoProfile, Site2160AndArchiveHaveTheirSizesAndCodecs)
{
    SKIP_WITHOUT_FFMPEG();
    {
        const std::string dir = showOutDir("video_site2160");
        const std::string film = dir + "/film.mp4";
        const ShowRun run = render(dir, "--profile site-2160 --start 28000 --until 28499 --video " + film);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const auto video = streamFacts(film, "v");
        EXPECT_EQ(video.at("profile"), "High");
        EXPECT_EQ(number(video, "width"), 3840);
        EXPECT_EQ(number(video, "height"), 2160);
        EXPECT_EQ(video.at("r_frame_rate"), "60/1");
        EXPECT_EQ(number(streamFacts(film, "a"), "sample_rate"), 48000);
    }
    {
        const std::string dir = showOutDir("video_archive");
        const std::string film = dir + "/film.mkv";
        const ShowRun run = render(dir, "--profile archive --start 41000 --until 41499 --video " + film);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const auto video = streamFacts(film, "v");
        EXPECT_EQ(video.at("codec_name"), "h264");
        EXPECT_EQ(video.at("profile"), "High 4:4:4 Predictive");
        EXPECT_EQ(number(video, "width"), 640);
        EXPECT_EQ(video.at("r_frame_rate"), "60/1");
        const auto sound = streamFacts(film, "a");
        EXPECT_EQ(sound.at("codec_name"), "flac");
        EXPECT_EQ(number(sound, "sample_rate"), 44100);
        // The soundtrack as it is, sample for sample: 30 frames of 735 samples.
        EXPECT_TRUE(decodeSound(film) == soundtrackFrom(41000, 30 * 735));
    }
}

TEST(VideoProfile, OptionsOverrideAndAFilmPastTheSoundtracksEndStopsThere)
{
    SKIP_WITHOUT_FFMPEG();
    const std::string dir = showOutDir("video_short_track");
    const std::string film = dir + "/film.mp4";
    const std::string track = dir + "/two_seconds.mp3";
    commandOutput("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=44100 -ac 2 '" + track + "'");
    ASSERT_TRUE(std::filesystem::exists(track));
    // The site profile at the frame's own size and 30 frames a second, asked for four seconds.
    const ShowRun run = render(dir, "--profile site --size 640x480 --fps 30 --until 4000 --soundtrack " + track +
                                        " --video " + film);
    std::filesystem::remove(track);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("warning: the soundtrack ends at 2000 ms"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--loop 2000"), std::string::npos) << run.output;
    const auto video = streamFacts(film, "v");
    EXPECT_EQ(number(video, "width"), 640);
    EXPECT_EQ(video.at("r_frame_rate"), "30/1");
    EXPECT_EQ(video.at("profile"), "High");
    EXPECT_EQ(number(video, "nb_read_frames"), 60);
    EXPECT_EQ(keyFrames(film), (std::vector<int>{0, 30}));

    // A profile that does not exist is named with the ones that do.
    const ShowRun unknown = render(dir, "--profile cinema --video " + film);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.output.find("party, site, site-2160, archive"), std::string::npos) << unknown.output;
}

}  // namespace
