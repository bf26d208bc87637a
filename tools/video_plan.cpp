#include "tools/video_plan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "render/primitives.h"

// Bitrates in kbit/s. The party's screen takes 1080p at 30 frames from H.264 Main at level
// 4.1 or under, two-pass at 6 Mbit/s or more; video sites ask for 1080p60 High with a closed
// GOP of half a second and about 12 Mbit/s (35 to 45 at 2160p), and AAC-LC at 48 kHz, 384
// kbit/s.
const VideoProfile VideoProfiles[4] = {
    // The party's big screen.
    {"party", 30, 1920, 1080, true, false, "main", "4.1", -1, 8000, 0, 48000, 256},
    // Video sites, at 1080p60 and 2160p60; a constant quality high enough for their own
    // encoders to start from, capped at their rates.
    {"site", 60, 1920, 1080, true, false, "high", "", 16, 12000, 30, 48000, 384},
    {"site-2160", 60, 3840, 2160, true, false, "high", "", 16, 40000, 30, 48000, 384},
    // Exact pictures and sound.
    {"archive", 60, 0, 0, false, true, "", "", -1, 0, 0, 0, 0},
};

const VideoProfile* findVideoProfile(const std::string& name)
{
    for (const VideoProfile& profile : VideoProfiles) {
        if (name == profile.name) return &profile;
    }
    return nullptr;
}

std::string videoProfileNames()
{
    std::string names;
    for (const VideoProfile& profile : VideoProfiles) names += (names.empty() ? "" : ", ") + std::string(profile.name);
    return names;
}

void applyVideoProfile(const VideoProfile& profile, VideoSettings& settings, int& fps, bool fpsGiven)
{
    settings.profile = profile.name;
    if (!fpsGiven) fps = profile.fps;
    if (settings.scale == 0 && settings.boxWidth == 0) {
        settings.boxWidth = profile.boxWidth;
        settings.boxHeight = profile.boxHeight;
        settings.fill = settings.fill || profile.fill;
    }
    settings.lossless = settings.lossless || profile.lossless;
    if (settings.h264Profile.empty()) settings.h264Profile = profile.h264Profile;
    if (settings.level.empty()) settings.level = profile.level;
    // A quality given on the command line makes the profile's bitrate its cap.
    if (settings.crf < 0) settings.crf = profile.crf;
    if (settings.videoKbps == 0) settings.videoKbps = profile.videoKbps;
    if (settings.keyInterval == 0) settings.keyInterval = profile.keyInterval;
    if (settings.audioRate == 0) settings.audioRate = profile.audioRate;
    if (settings.audioKbps == 0) settings.audioKbps = profile.audioKbps;
}

bool twoPassVideo(const VideoSettings& settings)
{
    return !settings.lossless && settings.crf < 0 && settings.videoKbps > 0;
}

std::int64_t framesUntil(std::int32_t start, std::int64_t until, int fps)
{
    // Frame k is drawn while start + floor(k * 1000 / fps) <= until, that is while
    // k * 1000 < (until - start + 1) * fps.
    if (until < start) return 0;
    const std::int64_t bound = (until - start + 1) * fps;
    return (bound + 999) / 1000;
}

std::int64_t audioSampleOfFrame(std::int64_t frame, int fps)
{
    return frame * soundtrackRate / fps;
}

std::int64_t soundtrackSampleAt(std::int64_t sample, std::int32_t start, std::int32_t loop)
{
    // Positions in thousandths of a sample, so that whole milliseconds stay exact.
    std::int64_t position = std::int64_t(start) * soundtrackRate + sample * 1000;
    if (loop > 0) position %= std::int64_t(loop) * soundtrackRate;
    return position / 1000;
}

void soundtrackChunk(const std::vector<std::int16_t>& track, std::int64_t from, std::int64_t to,
                     std::int32_t start, std::int32_t loop, std::vector<std::int16_t>& out)
{
    const std::int64_t trackSamples = std::int64_t(track.size()) / soundtrackChannels;
    out.assign(std::size_t(std::max<std::int64_t>(to - from, 0)) * soundtrackChannels, 0);
    for (std::int64_t n = from; n < to; ++n) {
        const std::int64_t source = soundtrackSampleAt(n, start, loop);
        if (source >= trackSamples) continue;
        for (int c = 0; c < soundtrackChannels; ++c) {
            out[std::size_t(n - from) * soundtrackChannels + c] =
                track[std::size_t(source) * soundtrackChannels + c];
        }
    }
}

bool videoGeometry(const VideoSettings& settings, VideoGeometry& geometry, std::string& error)
{
    if (settings.scale > 0 && settings.boxWidth > 0) {
        error = "--scale and --size cannot be used together";
        return false;
    }
    if (settings.boxWidth == 0) {
        geometry.scale = std::max(settings.scale, 1);
        geometry.width = geometry.pictureWidth = screenWidth * geometry.scale;
        geometry.height = geometry.pictureHeight = screenHeight * geometry.scale;
        geometry.x = 0;
        geometry.y = 0;
        return true;
    }
    if (settings.boxWidth % 2 != 0 || settings.boxHeight % 2 != 0) {
        error = "--size needs even numbers";
        return false;
    }
    geometry.scale = std::min(settings.boxWidth / screenWidth, settings.boxHeight / screenHeight);
    if (geometry.scale < 1) {
        error = "--size " + std::to_string(settings.boxWidth) + "x" + std::to_string(settings.boxHeight) +
                " is smaller than one 640x480 frame";
        return false;
    }
    geometry.width = settings.boxWidth;
    geometry.height = settings.boxHeight;
    geometry.pictureWidth = screenWidth * geometry.scale;
    geometry.pictureHeight = screenHeight * geometry.scale;
    if (settings.fill) {
        // As large as the box allows at 4:3, in even numbers.
        const bool wide = std::int64_t(geometry.width) * screenHeight >= std::int64_t(geometry.height) * screenWidth;
        geometry.pictureHeight = wide ? geometry.height : geometry.width * screenHeight / screenWidth / 2 * 2;
        geometry.pictureWidth = wide ? geometry.height * screenWidth / screenHeight / 2 * 2 : geometry.width;
    }
    // Even offsets keep each 2x2 colour block of the encoded picture inside the border or
    // inside the picture.
    geometry.x = (geometry.width - geometry.pictureWidth) / 2 / 2 * 2;
    geometry.y = (geometry.height - geometry.pictureHeight) / 2 / 2 * 2;
    return true;
}

std::string containerOf(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mp4" || extension == "m4v" || extension == "mov") return "mp4";
    if (extension == "mkv") return "matroska";
    return "";
}

namespace {

// Enlarged pixel art compresses far better per pixel than the frame itself, so the bigger
// pictures can take a faster preset for the same look; the quality stays the same.
std::string defaultPreset(const VideoGeometry& geometry)
{
    const std::int64_t pixels = std::int64_t(geometry.width) * geometry.height;
    if (pixels <= std::int64_t(screenWidth) * screenHeight) return "medium";
    if (pixels <= 1920 * 1080) return "fast";
    return "veryfast";
}

std::string videoFilter(const VideoSettings& settings, const VideoGeometry& geometry)
{
    std::vector<std::string> steps;
    if (geometry.scale > 1) {
        steps.push_back("scale=" + std::to_string(screenWidth * geometry.scale) + ":" +
                        std::to_string(screenHeight * geometry.scale) + ":flags=neighbor");
    }
    if (geometry.pictureWidth != screenWidth * geometry.scale || geometry.pictureHeight != screenHeight * geometry.scale) {
        // The rest of the way smoothly, as the full-screen program does: every column of the
        // frame stays equally wide.
        steps.push_back("scale=" + std::to_string(geometry.pictureWidth) + ":" +
                        std::to_string(geometry.pictureHeight) + ":flags=bilinear");
    }
    if (geometry.width != geometry.pictureWidth || geometry.height != geometry.pictureHeight) {
        steps.push_back("pad=" + std::to_string(geometry.width) + ":" + std::to_string(geometry.height) + ":" +
                        std::to_string(geometry.x) + ":" + std::to_string(geometry.y) + ":black");
    }
    if (!settings.lossless) {
        // Players take pictures of 720 lines and more as BT.709 and smaller ones as BT.601
        // when a file does not say; the file says, and agrees with that guess.
        const char* matrix = geometry.height >= 720 ? "bt709" : "bt601";
        steps.push_back(std::string("scale=out_color_matrix=") + matrix + ":out_range=tv");
        steps.push_back("format=yuv420p");
    }
    std::string chain;
    for (const std::string& step : steps) chain += (chain.empty() ? "" : ",") + step;
    return chain;
}

}  // namespace

namespace {

// Raw frames on standard input and raw sound on descriptor 3. Both inputs are raw with their
// layout given, so nothing needs probing; a probe would read ahead on one pipe while the
// renderer waits to write the other. The sound is written just ahead of the picture; a deep
// queue lets ffmpeg take it while it still waits for frames.
std::vector<std::string> rawInputs(int fps)
{
    return {
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64",
        "-f", "rawvideo", "-pix_fmt", "bgr0",
        "-video_size", std::to_string(screenWidth) + "x" + std::to_string(screenHeight),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "4096",
        "-f", "s16le", "-ar", std::to_string(soundtrackRate), "-ac", std::to_string(soundtrackChannels),
        "-i", "pipe:3",
    };
}

void append(std::vector<std::string>& args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
}

std::string kbps(int value)
{
    return std::to_string(value) + "k";
}

// The filter, the codec and how it spends its bits.
std::vector<std::string> pictureArguments(const VideoSettings& settings, const VideoGeometry& geometry)
{
    std::vector<std::string> args;
    const std::string filter = videoFilter(settings, geometry);
    if (!filter.empty()) append(args, {"-vf", filter});
    const std::string preset = settings.preset.empty() ? defaultPreset(geometry) : settings.preset;
    if (settings.lossless) {
        append(args, {"-c:v", "libx264rgb", "-qp", "0", "-preset", settings.preset.empty() ? "veryfast" : preset});
        return args;
    }
    append(args, {"-c:v", "libx264", "-preset", preset});
    if (!settings.h264Profile.empty()) append(args, {"-profile:v", settings.h264Profile});
    if (!settings.level.empty()) append(args, {"-level:v", settings.level});
    if (twoPassVideo(settings)) {
        // A constant rate: the still menu and pages cost next to nothing, so without the
        // padding x264 adds to hold the rate the whole show would average half of it. Two
        // seconds of buffer, well within the level's limits.
        const std::string rate = kbps(settings.videoKbps);
        append(args, {"-b:v", rate, "-minrate", rate, "-maxrate", rate, "-bufsize", kbps(2 * settings.videoKbps),
                      "-x264-params", "nal-hrd=cbr"});
    } else {
        append(args, {"-crf", std::to_string(settings.crf >= 0 ? settings.crf : 18)});
        if (settings.videoKbps > 0) {
            append(args, {"-maxrate", kbps(settings.videoKbps), "-bufsize", kbps(2 * settings.videoKbps)});
        }
    }
    if (settings.keyInterval > 0) {
        // A key frame exactly every keyInterval frames, none at scene cuts, and no frame
        // referring across one.
        const std::string interval = std::to_string(settings.keyInterval);
        append(args, {"-g", interval, "-keyint_min", interval, "-sc_threshold", "0", "-flags", "+cgop"});
    }
    const char* colours = geometry.height >= 720 ? "bt709" : "smpte170m";
    append(args, {"-colorspace", colours, "-color_primaries", colours, "-color_trc", colours, "-color_range", "tv"});
    return args;
}

// The sound: kept exactly when the picture is, otherwise AAC-LC, resampled once and well
// (SoX's resampler at its best precision) when the film's rate is not the soundtrack's.
std::vector<std::string> soundArguments(const VideoSettings& settings, const std::string& container)
{
    std::vector<std::string> args;
    if (settings.audioRate > 0 && settings.audioRate != soundtrackRate) {
        const std::string rate = std::to_string(settings.audioRate);
        append(args, {"-af", "aresample=" + rate + ":resampler=soxr:precision=28", "-ar", rate});
    }
    if (settings.lossless) {
        append(args, {"-c:a", container == "matroska" ? "flac" : "alac"});
    } else {
        append(args, {"-c:a", "aac", "-b:a", kbps(settings.audioKbps > 0 ? settings.audioKbps : 192)});
    }
    return args;
}

std::vector<std::string> outputArguments(const VideoSettings& settings, const std::string& container,
                                         const std::string& outputPath)
{
    std::vector<std::string> args = {"-threads", "0"};
    if (!settings.title.empty()) append(args, {"-metadata", "title=" + settings.title});
    if (container == "mp4") append(args, {"-movflags", "+faststart"});
    append(args, {"-f", container, ffmpegFile(outputPath)});
    return args;
}

}  // namespace

std::string ffmpegFile(const std::string& path)
{
    return "file:" + path;
}

std::vector<std::string> frameCountArguments(const std::string& path)
{
    return {"-hide_banner", "-nostdin", "-loglevel", "error", "-nostats", "-progress", "pipe:1",
            "-i", ffmpegFile(path), "-map", "0:v:0", "-c", "copy", "-f", "null", "-"};
}

std::vector<std::string> encoderArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                          int fps, const std::string& outputPath)
{
    const std::string container = containerOf(settings.path);
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y"};
    append(args, rawInputs(fps));
    append(args, {"-map", "0:v", "-map", "1:a"});
    append(args, pictureArguments(settings, geometry));
    append(args, soundArguments(settings, container));
    append(args, outputArguments(settings, container, outputPath));
    return args;
}

std::vector<std::string> firstCopyArguments(int fps, const std::string& copyPath)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y"};
    append(args, rawInputs(fps));
    append(args, {"-map", "0:v", "-map", "1:a", "-c:v", "libx264rgb", "-qp", "0", "-preset", "ultrafast",
                  "-c:a", "pcm_s16le", "-threads", "0", "-f", "matroska", ffmpegFile(copyPath)});
    return args;
}

std::vector<std::string> passArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                       const std::string& copyPath, int pass, const std::string& passLog,
                                       const std::string& outputPath)
{
    const std::string container = containerOf(settings.path);
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-nostats", "-progress", "pipe:1", "-i", ffmpegFile(copyPath), "-map", "0:v"};
    if (pass == 2) append(args, {"-map", "0:a"});
    append(args, pictureArguments(settings, geometry));
    append(args, {"-pass", std::to_string(pass), "-passlogfile", passLog});
    if (pass == 1) {
        // The first pass with the second's settings: x264's quick first pass misjudges the
        // enlarged pixels and leaves a tenth of the bitrate unspent.
        append(args, {"-fastfirstpass", "0", "-an", "-threads", "0", "-f", "null", "-"});
        return args;
    }
    append(args, soundArguments(settings, container));
    append(args, outputArguments(settings, container, outputPath));
    return args;
}

std::string progressLine(const std::string& label, std::int64_t done, std::int64_t total, double seconds)
{
    constexpr int barWidth = 30;
    const std::int64_t filled = total > 0 ? std::min<std::int64_t>(done * barWidth / total, barWidth) : 0;
    std::string bar = "[" + std::string(std::size_t(filled), '#') + std::string(std::size_t(barWidth - filled), '.') + "]";
    const double speed = seconds > 0 ? double(done) / seconds : 0.0;
    char text[160];
    if (speed > 0 && done < total) {
        const auto left = std::int64_t(double(total - done) / speed + 0.5);
        std::snprintf(text, sizeof text, " %lld/%lld frames  %.0f fps  %lld:%02lld left", (long long)done,
                      (long long)total, speed, (long long)(left / 60), (long long)(left % 60));
    } else {
        std::snprintf(text, sizeof text, " %lld/%lld frames  %.0f fps", (long long)done, (long long)total, speed);
    }
    return (label.empty() ? "" : label + " ") + bar + text;
}

std::string pastTheSoundtrack(std::int32_t start, std::int64_t& until, std::int32_t loop, std::int64_t trackMs)
{
    const std::string end = "the soundtrack ends at " + std::to_string(trackMs) + " ms";
    if (loop > 0) {
        if (loop <= trackMs || until < trackMs) return "";
        return end + ", before the loop's " + std::to_string(loop) + " ms: the film is silent from there to each wrap";
    }
    if (until < trackMs) return "";
    const std::int64_t asked = until;
    until = trackMs - 1;
    if (start >= trackMs) return end + ", before --start " + std::to_string(start);
    return end + ": the film stops there, not at --until " + std::to_string(asked) + " (--loop " +
           std::to_string(trackMs) + " films round the loop)";
}
