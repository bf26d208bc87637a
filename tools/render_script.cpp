#include "tools/render_script.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "scenes/timing.h"

namespace {

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

}  // namespace

// One script line: "<ms> move <x> <y>", "<ms> down|up left|right", "<ms> key <name>",
// "<ms> close", where the time may be "menu+<ms>", counted from the menu's cue, so a tour
// follows a party's own timing. False when the line is malformed.
bool parseScriptLine(const std::string& line, ScriptEvent& event)
{
    std::istringstream words(line);
    std::string timeText, verb, a, b, extra;
    words >> timeText >> verb;
    std::int64_t from = 0;
    if (timeText.rfind("menu+", 0) == 0) {
        from = showTiming.menu;
        timeText.erase(0, 5);
    }
    char* end = nullptr;
    errno = 0;
    const long long time = std::strtoll(timeText.c_str(), &end, 10);
    if (timeText.empty() || !std::isdigit(static_cast<unsigned char>(timeText[0])) || *end != '\0' || errno != 0 ||
        time > INT32_MAX)
        return false;
    event.time = from + time;
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

int parseScript(const std::string& text, std::vector<ScriptEvent>& events)
{
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        if (line.back() == '\r') line.pop_back();
        ScriptEvent event;
        if (!parseScriptLine(line, event)) return number;
        events.push_back(event);
    }
    return 0;
}

std::string printableLine(const std::string& line)
{
    static const char Hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
    }
    return out;
}
