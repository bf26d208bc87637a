#pragma once
// The offline renderer's scripts: one event a line at a time of music, what a visitor would
// do with the pointer and keys ("12000 move 320 240", "12100 down left", "15000 key escape",
// "60000 close", "menu+1500 key escape" counted from the menu's cue); blank lines and lines
// starting with '#' are skipped.
#include <cstdint>
#include <string>
#include <vector>

#include "app/window.h"

struct ScriptEvent {
    std::int64_t time;
    Message message;
};

// One line; false when it is malformed.
bool parseScriptLine(const std::string& line, ScriptEvent& event);
// A whole script; returns 0, or the number (from 1) of the first malformed line.
int parseScript(const std::string& text, std::vector<ScriptEvent>& events);
// The line as a terminal may show it: bytes outside printable ASCII written as \xNN.
std::string printableLine(const std::string& line);
