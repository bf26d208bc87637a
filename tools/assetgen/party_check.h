#pragma once
// Every check of a content file in one pass: its structure and facts, whether each text fits,
// the soundtrack it names and the show's moments, so one run reports every problem.
#include <string>
#include <vector>

#include "tools/assetgen/content.h"

// From the file's text; `file` names it in messages and is where a soundtrack's path starts.
// True when nothing but warnings was found. Needs openFaces().
bool checkPartyText(const std::string& text, const std::string& file, PartyContent& content,
                    std::vector<ContentError>& errors);
bool checkPartyFile(const std::string& file, PartyContent& content, std::vector<ContentError>& errors);
// A warning when the party's last day lies before today (year, month 1..12, day).
void checkPartyIsAhead(const PartyContent& content, int year, int month, int day, std::vector<ContentError>& errors);
