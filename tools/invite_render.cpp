// The show without a window or sound card: the real loading sequence and frame loop on a
// simulated music clock, writing chosen frames as PNG files.
#include <cerrno>
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
#include "tools/png_writer.h"

namespace {

struct ScriptEvent {
    std::int64_t time;
    Message message;
};

struct RenderOptions {
    SimulatedClock clock;
    std::int64_t until = 60000;
    std::vector<std::int32_t> snaps;
    std::int64_t every = 0;
    std::string loadingScreen;
    std::string script;
    std::string out;
};

struct RenderRun {
    RenderOptions options;
    std::vector<ScriptEvent> events;
    std::size_t nextEvent = 0;
    std::vector<bool> snapped;
    std::vector<Pixel> loadingFrame;
    bool closeSent = false;
    bool writeFailed = false;
};

RenderRun run;

[[noreturn]] void usageError(const std::string& what)
{
    std::fprintf(stderr, "invite_render: %s\n", what.c_str());
    std::exit(2);
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

std::vector<std::int32_t> parseSnaps(const std::string& text)
{
    std::vector<std::int32_t> snaps;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        snaps.push_back(std::int32_t(parseNumber(item, "--snap", 0, INT32_MAX)));
    }
    if (snaps.empty()) usageError("--snap needs at least one time");
    return snaps;
}

RenderOptions parseOptions(int argc, char** argv)
{
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) usageError("missing value for " + name);
        const std::string value = argv[++i];
        if (name == "--fps") options.clock.fps = int(parseNumber(value, name, 1, 1000));
        else if (name == "--start") options.clock.start = std::int32_t(parseNumber(value, name, 0, INT32_MAX));
        else if (name == "--until") options.until = parseNumber(value, name, 0, INT64_MAX / 2);
        else if (name == "--loop") options.clock.loop = std::int32_t(parseNumber(value, name, 1, INT32_MAX));
        else if (name == "--script") options.script = value;
        else if (name == "--snap") options.snaps = parseSnaps(value);
        else if (name == "--every") options.every = parseNumber(value, name, 1, INT64_MAX / 2);
        else if (name == "--loading-screen") options.loadingScreen = value;
        else if (name == "--out") options.out = value;
        else usageError("unknown argument " + name);
    }
    if (options.out.empty()) usageError("--out DIR is required");
    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (error) usageError("cannot create " + options.out);
    return options;
}

bool parseButton(const std::string& word, bool down, Message& message)
{
    if (word == "left") message.code = down ? msgLeftDown : msgLeftUp;
    else if (word == "right") message.code = down ? msgRightDown : msgRightUp;
    else return false;
    return true;
}

bool parseKey(const std::string& word, Message& message)
{
    static const struct { const char* name; std::uint32_t code; } Keys[] = {
        {"escape", keyEscape}, {"up", keyUp}, {"down", keyDown},
        {"pageup", keyPageUp}, {"pagedown", keyPageDown},
    };
    for (const auto& key : Keys) {
        if (word == key.name) {
            message = {msgKeyDown, key.code, 0};
            return true;
        }
    }
    return false;
}

// One script line: "<ms> move <x> <y>", "<ms> down|up left|right", "<ms> key <name>",
// "<ms> close". False when the line is malformed.
bool parseScriptLine(const std::string& line, ScriptEvent& event)
{
    std::istringstream words(line);
    std::string timeText, verb, a, b, extra;
    words >> timeText >> verb;
    char* end = nullptr;
    const long long time = std::strtoll(timeText.c_str(), &end, 10);
    if (timeText.empty() || *end != '\0' || time < 0) return false;
    event.time = time;
    event.message = {0, 0, 0};
    bool ok = false;
    if (verb == "move") {
        long x = -1, y = -1;
        ok = bool(words >> x >> y) && x >= 0 && x < 640 && y >= 0 && y < 480;
        event.message = {msgMouseMove, 0, packPoint(int(x), int(y))};
    } else if (verb == "down" || verb == "up") {
        ok = bool(words >> a) && parseButton(a, verb == "down", event.message);
    } else if (verb == "key") {
        ok = bool(words >> a) && parseKey(a, event.message);
    } else if (verb == "close") {
        event.message = {msgClose, 0, 0};
        ok = true;
    }
    return ok && !(words >> extra);
}

std::vector<ScriptEvent> readScript(const std::string& path)
{
    std::ifstream in(path);
    if (!in) usageError("cannot read script " + path);
    std::vector<ScriptEvent> events;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        if (line.back() == '\r') line.pop_back();
        ScriptEvent event;
        if (!parseScriptLine(line, event)) {
            usageError("bad script line " + std::to_string(number) + ": " + line);
        }
        events.push_back(event);
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

// Before each frame: the script events that are due, and the close that ends the run once
// the clock passes --until.
void deliverInput()
{
    const std::int64_t frame = simFramesRead();
    const std::int32_t time = simTimeOfFrame(frame);
    while (run.nextEvent < run.events.size() && run.events[run.nextEvent].time <= time) {
        postMessage(run.events[run.nextEvent++].message);
    }
    if (!run.closeSent && simElapsedOfFrame(frame) > run.options.until) {
        postMessage({msgClose, 0, 0});
        run.closeSent = true;
    }
}

void capture(const Pixel* frame)
{
    if (!simPlaying()) {
        run.loadingFrame.assign(frame, frame + framePixels);
        return;
    }
    const std::int64_t index = simFramesRead() - 1;
    const std::int32_t time = simTimeOfFrame(index);
    for (std::size_t i = 0; i < run.options.snaps.size(); ++i) {
        if (!run.snapped[i] && time >= run.options.snaps[i]) {
            run.snapped[i] = true;
            savePng("t" + std::to_string(run.options.snaps[i]) + ".png", frame);
        }
    }
    if (run.options.every > 0 && index % run.options.every == 0) {
        savePng("f" + std::to_string(index) + ".png", frame);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    run.options = parseOptions(argc, argv);
    if (!run.options.script.empty()) run.events = readScript(run.options.script);
    run.snapped.assign(run.options.snaps.size(), false);
    simConfigure(run.options.clock);
    headlessOnPump(deliverInput);
    headlessOnPresent(capture);

    const int code = runInvitation();

    if (!run.options.loadingScreen.empty()) {
        if (run.loadingFrame.empty()) {
            std::fprintf(stderr, "invite_render: no loading screen was shown\n");
            return 1;
        }
        if (!writePng(run.options.loadingScreen, run.loadingFrame.data(), screenWidth, screenHeight)) {
            std::fprintf(stderr, "invite_render: cannot write %s\n", run.options.loadingScreen.c_str());
            return 1;
        }
    }
    return run.writeFailed ? 1 : code;
}
