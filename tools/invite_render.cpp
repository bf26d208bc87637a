// The show without a window or sound card: the real loading sequence and frame loop on a
// simulated music clock, writing chosen frames as PNG files and, with --video, every frame
// with the soundtrack under it to the ffmpeg program.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless.h"
#include "app/invitation.h"
#include "app/window.h"
#include "resources/party_files.h"
#include "resources/party_name.h"
#include "scenes/pages.h"
#include "scenes/timing.h"
#include "tools/ffmpeg_process.h"
#include "tools/png_writer.h"
#include "tools/render_script.h"
#include "tools/video_plan.h"

namespace {

// The exit codes of a run; a signal ends it with 128 + the signal's number.
enum ExitCode {
    exitDone = 0,
    exitFailed = 1,          // the show failed, or a PNG could not be written
    exitUsage = 2,           // a malformed argument or script line
    exitNoFfmpeg = 3,        // --video without ffmpeg on PATH
    exitNoSoundtrack = 4,    // the soundtrack is missing or cannot be decoded
    exitUnwritable = 5,      // the video file cannot be written
    exitEncoderFailed = 6,   // ffmpeg failed while encoding
};

struct RenderOptions {
    SimulatedClock clock;
    int fps = 60;  // frames wanted a second of music; the show itself steps 60 times
    bool fpsGiven = false;
    std::int64_t until = 60000;
    bool untilGiven = false;
    std::vector<std::int32_t> snaps;
    std::int64_t every = 0;
    std::string loadingScreen;
    std::string script;
    std::string out;
    std::string digest;
    std::int64_t wallClock = -1;
    VideoSettings video = [] {
        VideoSettings settings;
        settings.title = partyName;  // the party the film shows
        settings.soundtrack = soundtrackFileName;  // beside the programs, in the working folder
        return settings;
    }();
};

struct VideoRun {
    VideoGeometry geometry;
    std::string ffmpeg;
    std::string partPath;  // the file ffmpeg writes; renamed to the video's name at the end
    std::string copyPath;  // two passes: the exact first copy the passes read
    std::string passLog;   // two passes: the first pass's statistics (ffmpeg adds "-0.log")
    std::string stage;     // what the progress line says is going on
    EncoderProcess encoder;
    std::vector<std::int16_t> track;
    std::vector<std::int16_t> chunk;
    std::int64_t framesPlanned = 0;
    std::int64_t framesFilmed = 0;
    double startSeconds = 0;
    double lastReport = -1;
    std::int64_t lastDecile = -1;
    bool terminal = false;
};

struct RenderRun {
    RenderOptions options;
    std::vector<ScriptEvent> events;
    std::size_t nextEvent = 0;
    std::vector<bool> snapped;
    std::vector<Pixel> loadingFrame;
    bool closeSent = false;
    bool writeFailed = false;
    std::int64_t nextFrame = 0;  // the next frame of the capture to be drawn
    std::FILE* digest = nullptr;
    VideoRun video;
};

RenderRun run;

[[noreturn]] void usageError(const std::string& what)
{
    std::fprintf(stderr, "invite_render: %s\n", what.c_str());
    std::exit(exitUsage);
}

std::int64_t parseNumber(const std::string& text, const std::string& option, std::int64_t low,
                         std::int64_t high)
{
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) {
        usageError("bad value '" + text + "' for " + option);
    }
    return value;
}

// A music time in milliseconds, or "menu+<ms>": that long after the moment the menu comes.
std::int64_t parseMoment(const std::string& text, const std::string& option)
{
    if (text.rfind("menu+", 0) != 0) return parseNumber(text, option, 0, INT32_MAX);
    return std::min<std::int64_t>(showTiming.menu + parseNumber(text.substr(5), option, 0, INT32_MAX), INT32_MAX);
}

std::vector<std::int32_t> parseSnaps(const std::string& text)
{
    std::vector<std::int32_t> snaps;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        snaps.push_back(std::int32_t(parseMoment(item, "--snap")));
    }
    if (snaps.empty()) usageError("--snap needs at least one time");
    return snaps;
}

// "WxH" of --size.
void parseSize(const std::string& text, VideoSettings& video)
{
    const auto x = text.find('x');
    if (x == std::string::npos) usageError("bad value '" + text + "' for --size (WxH)");
    video.boxWidth = int(parseNumber(text.substr(0, x), "--size", 1, 16384));
    video.boxHeight = int(parseNumber(text.substr(x + 1), "--size", 1, 16384));
}

// The video options make sense only together with --video, and the file's extension names
// its container; frames are written only into a folder.
void checkOptions(const RenderOptions& options, bool videoOnlyGiven)
{
    const VideoSettings& video = options.video;
    if (options.out.empty() && (!options.snaps.empty() || options.every > 0)) usageError("--snap and --every need --out DIR");
    if (video.path.empty()) {
        if (videoOnlyGiven) {
            usageError("--profile, --scale, --size, --crf, --bitrate, --preset, --lossless, --audio-rate, "
                       "--audio-bitrate and --soundtrack need --video");
        }
        if (options.out.empty() && options.digest.empty()) usageError("--out DIR, --digest FILE or --video FILE is required");
        return;
    }
    if (options.untilGiven && options.until < options.clock.start) usageError("nothing to film: --until is before --start");
    if (containerOf(video.path).empty()) usageError("--video " + video.path + ": the name must end in .mp4, .m4v, .mov or .mkv");
    VideoGeometry geometry;
    std::string error;
    if (!videoGeometry(video, geometry, error)) usageError(error);
    if (!video.preset.empty() && video.preset.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos) {
        usageError("bad value '" + video.preset + "' for --preset");
    }
}

void printUsage()
{
    std::printf(
        "usage: invite_render [--fps N] [--start MS] [--until MS] [--loop MS] [--script FILE]\n"
        "                     [--snap MS[,MS...]] [--every K] [--loading-screen FILE] [--out DIR]\n"
        "                     [--digest FILE] [--wall-clock SECONDS]\n"
        "                     [--video FILE [--profile %s]\n"
        "                                   [--scale N | --size WxH] [--crf Q] [--bitrate KBPS] [--preset P]\n"
        "                                   [--lossless] [--audio-rate HZ] [--audio-bitrate KBPS]\n"
        "                                   [--soundtrack FILE]]\n"
        "Draws the show on a simulated music clock from the working folder's soundtrack: --snap\n"
        "and --every write PNG frames into --out, --video films it. Script lines are\n"
        "<ms> move <x> <y>, <ms> down|up left|right, <ms> key escape|up|down|pageup|pagedown and\n"
        "<ms> close. A time, there and for --until and --snap, may be written menu+<ms>: that\n"
        "long after the moment the menu comes.\n",
        videoProfileNames().c_str());
}

RenderOptions parseOptions(int argc, char** argv)
{
    RenderOptions options;
    bool videoOnlyGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            printUsage();
            std::exit(exitDone);
        }
        if (name == "--lossless") {
            options.video.lossless = true;
            videoOnlyGiven = true;
            continue;
        }
        if (i + 1 >= argc) usageError("missing value for " + name);
        const std::string value = argv[++i];
        if (name == "--fps") {
            options.fps = int(parseNumber(value, name, 1, 1000));
            options.fpsGiven = true;
        }
        else if (name == "--start") options.clock.start = std::int32_t(parseNumber(value, name, 0, INT32_MAX));
        else if (name == "--until") {
            options.until = parseMoment(value, name);
            options.untilGiven = true;
        }
        else if (name == "--loop") options.clock.loop = std::int32_t(parseNumber(value, name, 1, INT32_MAX));
        else if (name == "--video") options.video.path = value;
        else if (name == "--soundtrack") options.video.soundtrack = value;
        else if (name == "--scale") options.video.scale = int(parseNumber(value, name, 1, 16));
        else if (name == "--size") parseSize(value, options.video);
        else if (name == "--crf") options.video.crf = int(parseNumber(value, name, 0, 51));
        else if (name == "--profile") options.video.profile = value;
        else if (name == "--bitrate") options.video.videoKbps = int(parseNumber(value, name, 100, 500000));
        else if (name == "--audio-bitrate") options.video.audioKbps = int(parseNumber(value, name, 32, 512));
        else if (name == "--audio-rate") options.video.audioRate = int(parseNumber(value, name, 8000, 192000));
        else if (name == "--preset") options.video.preset = value;
        else if (name == "--script") options.script = value;
        else if (name == "--snap") options.snaps = parseSnaps(value);
        else if (name == "--every") options.every = parseNumber(value, name, 1, INT64_MAX / 2);
        else if (name == "--loading-screen") options.loadingScreen = value;
        else if (name == "--out") options.out = value;
        else if (name == "--digest") options.digest = value;
        else if (name == "--wall-clock") options.wallClock = parseNumber(value, name, 0, INT64_MAX / 2);
        else usageError("unknown argument " + name);
        static const char* const VideoOnly[] = {"--soundtrack", "--scale", "--size", "--crf", "--preset", "--profile",
                                                "--bitrate", "--audio-bitrate", "--audio-rate"};
        for (const char* option : VideoOnly) videoOnlyGiven = videoOnlyGiven || name == option;
    }
    if (!options.video.profile.empty()) {
        const VideoProfile* profile = findVideoProfile(options.video.profile);
        if (!profile) usageError("no profile '" + options.video.profile + "'; the profiles are " + videoProfileNames());
        // The values given on the command line stay; the profile fills in the rest.
        applyVideoProfile(*profile, options.video, options.fps, options.fpsGiven);
    }
    checkOptions(options, videoOnlyGiven);
    if (options.out.empty()) return options;
    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (error) usageError("cannot create " + options.out);
    return options;
}

std::vector<ScriptEvent> readScript(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) usageError("cannot read script " + path);
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<ScriptEvent> events;
    if (const int bad = parseScript(text.str(), events)) {
        std::istringstream lines(text.str());
        std::string line;
        for (int k = 0; k < bad; ++k) std::getline(lines, line);
        usageError("bad script line " + std::to_string(bad) + ": " + printableLine(line));
    }
    return events;
}

void savePng(const std::string& name, const Pixel* frame)
{
    if (!writePng(run.options.out + "/" + name, frame, screenWidth, screenHeight)) {
        std::fprintf(stderr, "invite_render: cannot write %s/%s\n", run.options.out.c_str(), name.c_str());
        run.writeFailed = true;
    }
}

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The first copy and the first pass's statistics (x264 keeps a second file beside them).
void removeTwoPassFiles()
{
    const VideoRun& video = run.video;
    if (!video.copyPath.empty()) std::remove(video.copyPath.c_str());
    if (video.passLog.empty()) return;
    for (const char* ending : {"-0.log", "-0.log.temp", "-0.log.mbtree", "-0.log.mbtree.temp"}) {
        std::remove((video.passLog + ending).c_str());
    }
}

// Ends the run without a video: the encoder is stopped and the half-written file removed.
[[noreturn]] void abandonVideo(int code, const std::string& message, bool showEncoderLog)
{
    VideoRun& video = run.video;
    if (video.terminal && video.framesFilmed > 0) std::fputc('\n', stderr);
    stopEncoder(video.encoder);
    const std::string tail = encoderLogTail(video.encoder, 8);
    if (!video.partPath.empty()) std::remove(video.partPath.c_str());
    removeTwoPassFiles();
    std::fprintf(stderr, "invite_render: %s\n%s", message.c_str(), showEncoderLog ? tail.c_str() : "");
    std::exit(code);
}

void checkStopSignal()
{
    if (const int signal = stopSignalCaught(); signal != 0) {
        abandonVideo(128 + signal, "interrupted; " + run.options.video.path + " was not written", false);
    }
}

// "party: pass 1/2": the profile, then the step of a film made in more than one.
std::string stageName(const std::string& step)
{
    const std::string& profile = run.options.video.profile;
    return profile.empty() ? step : profile + ": " + step;
}

// A bar redrawn in place on a terminal; elsewhere a plain line every tenth of the way.
void reportProgress(std::int64_t done, bool last)
{
    VideoRun& video = run.video;
    const double now = secondsNow();
    const std::string line = progressLine(video.stage, done, video.framesPlanned, now - video.startSeconds);
    if (video.terminal) {
        if (!last && now - video.lastReport < 0.2) return;
        video.lastReport = now;
        std::fprintf(stderr, "\r%s   %s", line.c_str(), last ? "\n" : "");
        return;
    }
    const std::int64_t decile = done * 10 / std::max<std::int64_t>(video.framesPlanned, 1);
    if (decile == video.lastDecile) return;
    video.lastDecile = decile;
    std::fprintf(stderr, "invite_render: %s\n", line.c_str());
}

// Before the show starts: ffmpeg, the soundtrack, the length of the film, a writable file,
// then the encoder, waiting for frames.
void startVideo()
{
    const VideoSettings& settings = run.options.video;
    VideoRun& video = run.video;
    std::string error;
    videoGeometry(settings, video.geometry, error);
    video.ffmpeg = findOnPath("ffmpeg");
    if (video.ffmpeg.empty()) {
        std::fprintf(stderr, "invite_render: --video needs the ffmpeg program, and it is not on PATH "
                             "(Debian: apt-get install ffmpeg)\n");
        std::exit(exitNoFfmpeg);
    }
    if (std::filesystem::is_directory(settings.path)) {
        std::fprintf(stderr, "invite_render: cannot write %s: it is a folder\n", settings.path.c_str());
        std::exit(exitUnwritable);
    }
    video.partPath = settings.path + ".part";
    std::FILE* probe = std::fopen(video.partPath.c_str(), "wb");
    if (!probe) {
        std::fprintf(stderr, "invite_render: cannot write %s: %s\n", settings.path.c_str(), std::strerror(errno));
        video.partPath.clear();
        std::exit(exitUnwritable);
    }
    std::fclose(probe);
    catchStopSignals();
    if (!decodeSoundtrack(video.ffmpeg, settings.soundtrack, video.track, error)) {
        checkStopSignal();
        abandonVideo(exitNoSoundtrack, error, false);
    }
    checkStopSignal();
    const std::int64_t trackMs = std::int64_t(video.track.size()) / soundtrackChannels * 1000 / soundtrackRate;
    if (!run.options.untilGiven) {
        // To the end of the soundtrack: the last frame starts before its last sample ends.
        run.options.until = trackMs - 1;
    }
    const std::string past = pastTheSoundtrack(run.options.clock.start, run.options.until, run.options.clock.loop, trackMs);
    if (!past.empty()) std::fprintf(stderr, "invite_render: warning: %s\n", past.c_str());
    video.framesPlanned = framesUntil(run.options.clock.start, run.options.until, run.options.fps);
    if (video.framesPlanned == 0) abandonVideo(exitUsage, "nothing to film: --until is before --start", false);

    // Two passes read an exact copy, so the show is drawn once.
    std::vector<std::string> args;
    if (twoPassVideo(settings)) {
        video.copyPath = video.partPath + "-frames.mkv";
        video.passLog = video.partPath + "-pass";
        args = firstCopyArguments(run.options.fps, video.copyPath);
        video.stage = stageName("frames");
    } else {
        args = encoderArguments(settings, video.geometry, run.options.fps, video.partPath);
        video.stage = settings.profile;
    }
    if (!startEncoder(video.ffmpeg, args, video.encoder, error)) abandonVideo(exitEncoderFailed, error, false);
    video.terminal = stderrIsTerminal();
    video.startSeconds = secondsNow();
}

// Each drawn frame: the sound that plays during it, then the picture.
void filmFrame(const Pixel* frame)
{
    VideoRun& video = run.video;
    const int fps = run.options.fps;
    const std::int64_t index = video.framesFilmed;
    soundtrackChunk(video.track, audioSampleOfFrame(index, fps), audioSampleOfFrame(index + 1, fps),
                    run.options.clock.start, run.options.clock.loop, video.chunk);
    const bool sent = writeToEncoder(video.encoder, video.encoder.audioFd, video.chunk.data(), video.chunk.size() * sizeof(std::int16_t)) &&
                      writeToEncoder(video.encoder, video.encoder.videoFd, frame, framePixels * sizeof(Pixel));
    checkStopSignal();
    if (!sent) abandonVideo(exitEncoderFailed, "ffmpeg stopped taking frames", true);
    ++video.framesFilmed;
    reportProgress(video.framesFilmed, false);
}

// After the exact copy is written: the encoder reads it twice, first for statistics, then
// for the film, which goes to the part file.
void encodeTwoPasses()
{
    VideoRun& video = run.video;
    const VideoSettings& settings = run.options.video;
    video.framesPlanned = video.framesFilmed;  // the show may have ended sooner
    for (int pass = 1; pass <= 2; ++pass) {
        video.stage = stageName("pass " + std::to_string(pass) + "/2");
        video.startSeconds = secondsNow();
        video.lastDecile = -1;
        std::string error;
        const auto args = passArguments(settings, video.geometry, video.copyPath, pass, video.passLog, video.partPath);
        const bool done = runEncoderPass(video.ffmpeg, args, [](std::int64_t frames) { reportProgress(frames, false); }, error);
        checkStopSignal();
        if (!done) abandonVideo(exitEncoderFailed, "ffmpeg failed in pass " + std::to_string(pass) + "; " + settings.path + " was not written\n" + error, false);
        reportProgress(video.framesFilmed, true);
    }
    removeTwoPassFiles();
}

// After the show: the encoder finishes the file, which then takes the video's name.
int finishVideo()
{
    VideoRun& video = run.video;
    const std::string& path = run.options.video.path;
    checkStopSignal();
    if (video.framesFilmed == 0) abandonVideo(exitFailed, "the show ended before its first frame; no video written", false);
    reportProgress(video.framesFilmed, true);
    if (!finishEncoder(video.encoder)) {
        checkStopSignal();
        abandonVideo(exitEncoderFailed, "ffmpeg failed; " + path + " was not written", true);
    }
    checkStopSignal();
    encoderLogTail(video.encoder, 0);
    if (!video.copyPath.empty()) encodeTwoPasses();
    // The film is read back before it takes its name: a file that is missing, cut short or
    // not a film is not reported as written.
    std::int64_t framesRead = 0;
    std::string error;
    const bool readBack = runEncoderPass(video.ffmpeg, frameCountArguments(video.partPath),
                                         [&framesRead](std::int64_t frames) { framesRead = frames; }, error);
    checkStopSignal();
    if (!readBack || framesRead != video.framesFilmed) {
        abandonVideo(exitEncoderFailed,
                     "ffmpeg's film holds " + std::to_string(framesRead) + " of " + std::to_string(video.framesFilmed) +
                         " frames; " + path + " was not written" + (error.empty() ? "" : "\n" + error),
                     false);
    }
    if (std::rename(video.partPath.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(video.partPath.c_str());
        std::fprintf(stderr, "invite_render: cannot write %s: %s\n", path.c_str(), reason.c_str());
        return exitUnwritable;
    }
    std::fprintf(stderr, "invite_render: wrote %s: %lld frames at %d fps, %dx%d%s%s\n", path.c_str(),
                 (long long)video.framesFilmed, run.options.fps, video.geometry.width, video.geometry.height,
                 run.options.video.profile.empty() ? "" : ", profile ", run.options.video.profile.c_str());
    return exitDone;
}

// Before each pass: the script events that are due, and the close that ends the run once
// the clock passes --until.
void deliverInput()
{
    const std::int64_t pass = simPassesRead();
    const std::int32_t time = simTimeOfPass(pass);
    while (run.nextEvent < run.events.size() && run.events[run.nextEvent].time <= time) {
        postMessage(run.events[run.nextEvent++].message);
    }
    if (!run.closeSent && simElapsedOfPass(pass) > run.options.until) {
        postMessage({msgClose, 0, 0});
        run.closeSent = true;
    }
}

// FNV-1a over the three colour bytes of every pixel.
std::uint64_t frameDigest(const Pixel* frame)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (int i = 0; i < framePixels; ++i) {
        for (int shift : {16, 8, 0}) {
            hash ^= (frame[i] >> shift) & 0xFF;
            hash *= 1099511628211ULL;
        }
    }
    return hash;
}

// Frame k of the capture shows music time start + floor(k * 1000 / fps): the picture of the
// last pass at or before it, as a 60 Hz screen would show at that moment.
std::int64_t frameElapsed(std::int64_t frame)
{
    return run.options.clock.start + frame * 1000 / run.options.fps;
}

// Whether the pass that has just read the clock shows the capture's next frame: that frame
// falls before the next pass and not after --until.
bool nextFrameDue()
{
    const std::int64_t pass = simPassesRead() - 1;
    const std::int64_t elapsed = frameElapsed(run.nextFrame);
    return elapsed < simElapsedOfPass(pass + 1) && elapsed <= run.options.until;
}

bool frameWanted()
{
    return !simPlaying() || nextFrameDue();
}

void captureFrame(const Pixel* frame, std::int64_t index)
{
    std::int32_t time = std::int32_t(frameElapsed(index));
    if (run.options.clock.loop > 0) time %= run.options.clock.loop;
    if (!run.options.video.path.empty()) filmFrame(frame);
    for (std::size_t i = 0; i < run.options.snaps.size(); ++i) {
        if (!run.snapped[i] && time >= run.options.snaps[i]) {
            run.snapped[i] = true;
            savePng("t" + std::to_string(run.options.snaps[i]) + ".png", frame);
        }
    }
    if (run.digest) std::fprintf(run.digest, "%lld %d %016llx\n", (long long)index, int(time), (unsigned long long)frameDigest(frame));
    if (run.options.every > 0 && index % run.options.every == 0) {
        savePng("f" + std::to_string(index) + ".png", frame);
    }
}

// Above 60 frames a second one pass can show more than one frame of the capture.
void capture(const Pixel* frame)
{
    if (!run.options.video.path.empty()) checkStopSignal();
    if (!simPlaying()) {
        run.loadingFrame.assign(frame, frame + framePixels);
        return;
    }
    while (nextFrameDue()) captureFrame(frame, run.nextFrame++);
}

}  // namespace

int main(int argc, char** argv)
{
    run.options = parseOptions(argc, argv);
    if (!run.options.script.empty()) run.events = readScript(run.options.script);
    run.snapped.assign(run.options.snaps.size(), false);
    if (run.options.wallClock >= 0) fixWallClock(std::time_t(run.options.wallClock));
    if (!run.options.digest.empty()) {
        run.digest = std::fopen(run.options.digest.c_str(), "w");
        if (!run.digest) usageError("cannot write " + run.options.digest);
    }
    if (!run.options.video.path.empty()) startVideo();
    simConfigure(run.options.clock);
    headlessOnPump(deliverInput);
    headlessOnPresent(capture);
    headlessOnFrameWanted(frameWanted);

    int code = runInvitation();
    if (!run.options.video.path.empty() && code == exitDone) code = finishVideo();

    if (!run.options.loadingScreen.empty()) {
        if (run.loadingFrame.empty()) {
            std::fprintf(stderr, "invite_render: no loading screen was shown\n");
            return exitFailed;
        }
        if (!writePng(run.options.loadingScreen, run.loadingFrame.data(), screenWidth, screenHeight)) {
            std::fprintf(stderr, "invite_render: cannot write %s\n", run.options.loadingScreen.c_str());
            return exitFailed;
        }
    }
    if (run.digest && std::fclose(run.digest) != 0) run.writeFailed = true;
    return run.writeFailed ? exitFailed : code;
}
