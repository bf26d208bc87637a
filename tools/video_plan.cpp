#include "tools/video_plan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "render/primitives.h"

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
        geometry.width = screenWidth * geometry.scale;
        geometry.height = screenHeight * geometry.scale;
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
    // Even offsets keep each 2x2 colour block of the encoded picture inside the border or
    // inside the picture.
    geometry.x = (geometry.width - screenWidth * geometry.scale) / 2 / 2 * 2;
    geometry.y = (geometry.height - screenHeight * geometry.scale) / 2 / 2 * 2;
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
    if (geometry.width != screenWidth * geometry.scale || geometry.height != screenHeight * geometry.scale) {
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

std::vector<std::string> encoderArguments(const VideoSettings& settings, const VideoGeometry& geometry,
                                          int fps, const std::string& outputPath)
{
    const std::string container = containerOf(settings.path);
    // Both inputs are raw with their layout given, so nothing needs probing; a probe would
    // read ahead on one pipe while the renderer waits to write the other. The sound is
    // written just ahead of the picture; a deep queue lets ffmpeg take it while it still
    // waits for frames.
    std::vector<std::string> args = {
        "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64",
        "-f", "rawvideo", "-pix_fmt", "bgr0",
        "-video_size", std::to_string(screenWidth) + "x" + std::to_string(screenHeight),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "4096",
        "-f", "s16le", "-ar", std::to_string(soundtrackRate), "-ac", std::to_string(soundtrackChannels),
        "-i", "pipe:3",
        "-map", "0:v", "-map", "1:a",
    };
    const std::string filter = videoFilter(settings, geometry);
    if (!filter.empty()) args.insert(args.end(), {"-vf", filter});
    const std::string preset = settings.preset.empty() ? defaultPreset(geometry) : settings.preset;
    if (settings.lossless) {
        args.insert(args.end(), {"-c:v", "libx264rgb", "-qp", "0", "-preset", settings.preset.empty() ? "veryfast" : preset});
        args.insert(args.end(), {"-c:a", container == "matroska" ? "flac" : "alac"});
    } else {
        const char* colours = geometry.height >= 720 ? "bt709" : "smpte170m";
        args.insert(args.end(), {
            "-c:v", "libx264", "-preset", preset,
            "-crf", std::to_string(settings.crf >= 0 ? settings.crf : 18),
            "-colorspace", colours,
            "-color_primaries", colours, "-color_trc", colours, "-color_range", "tv",
            "-c:a", "aac", "-b:a", "192k",
        });
    }
    args.insert(args.end(), {"-threads", "0"});
    if (container == "mp4") args.insert(args.end(), {"-movflags", "+faststart"});
    args.insert(args.end(), {"-f", container, outputPath});
    return args;
}

std::string progressLine(std::int64_t done, std::int64_t total, double seconds)
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
    return bar + text;
}
