#pragma once
// The checks that need the fonts: every text fits its page, plate or logo, the pages fit their
// pictures, and the fonts can draw every character.
#include <vector>

#include "tools/assetgen/content.h"

constexpr int plateCaptionWidth = 355;  // of the plate's 359 columns, two kept clear each side
constexpr int logoWidth = 580;          // the menu's top strip between its rails

// Appends an error for each text that does not fit; true when all fit. Needs openFaces().
bool checkContentFits(const PartyContent& content, std::vector<ContentError>& errors);

// The clock page's room: the letters of "days left:" before its count, and of the date before
// the time of day.
constexpr int clockDaysLeftCells = 40;
constexpr int clockDateCells = 75;
constexpr int buttonLabelWidth = 170;  // pixels inside a menu button's frame
// Checks the [words]: each drawable by its font and fitting its place.
void checkWordsFit(const PartyContent& content, std::vector<ContentError>& errors);
// The bytes the clock's font draws for UTF-8 text: accented letters without their accents
// ("Łódź" as "Lodz", "ß" as "ss"), AE, O with stroke and A with ring as Windows-1252 bytes.
std::string clockSpelling(const std::string& text);
// How many cells of the clock's font a text takes.
int clockTextLength(const std::string& text);
