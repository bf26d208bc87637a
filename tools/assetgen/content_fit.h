#pragma once
// The checks that need the fonts: every text fits its page, plate or logo, the pages fit their
// pictures, and the fonts can draw every character.
#include <vector>

#include "tools/assetgen/content.h"

constexpr int plateCaptionWidth = 355;  // of the plate's 359 columns, two kept clear each side
constexpr int logoWidth = 580;          // the menu's top strip between its rails

// How many lines of body text a page holds. Needs openFaces().
int pageBodyLines(int page);

// Appends an error for each text that does not fit; true when all fit. Needs openFaces().
bool checkContentFits(const PartyContent& content, std::vector<ContentError>& errors);
