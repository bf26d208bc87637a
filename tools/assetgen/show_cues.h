#pragma once
// The show's moments from the content file's [timing] table: checked against each other and
// against the soundtrack's length, and written as the header the program is compiled with.
#include <string>
#include <vector>

#include "tools/assetgen/content.h"

constexpr const char* ShowTimingFile = "show_timing.h";
constexpr int plateShortestWindow = 1100;  // ms: a plate takes 63 frames to come up to full light
constexpr int plateLongestWindow = 10000;  // ms: past this a plate has drifted off the screen
constexpr int menuBeforeEnd = 60000;       // ms of music at least after the menu's start

// Appends an error for each cue out of order, each plate window that does not fit and a menu
// too near the soundtrack's end (`soundtrackMs`, 0 when unknown); true when all are right.
bool checkCues(const PartyContent& content, int soundtrackMs, std::vector<ContentError>& errors);

// resources/show_timing.h for these cues.
std::string showTimingHeader(const ShowCues& cues);
