#pragma once
// The release's .nfo: a text of at most 80 columns in code page 437 about the party and how to
// run the invitation, in the manner of the text files that come with demoscene releases.
#include <string>

#include "tools/assetgen/content.h"

constexpr int nfoColumns = 80;

// Needs openFaces(): the party's name is drawn as letters made of characters. The text in
// UTF-8, and as the file holds it, in code page 437.
std::string nfoText(const PartyContent& content);
std::string nfoFileText(const PartyContent& content);
// The words of a text laid into lines of at most `width` characters, each started by `indent`.
std::string wrapText(const std::string& text, int width, const std::string& indent);
