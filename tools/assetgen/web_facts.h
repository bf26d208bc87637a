#pragma once
// The party's facts as text for the web page: the four pages' texts as one HTML section, and
// the page's title and description, so that readers without the show (search engines, screen
// readers, a browser without JavaScript) get every fact the pictures hold.
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/assetgen/content.h"

// A line of the content that could not be made into the page's text, with its place in the
// file, so the message names it.
struct LineFailure : std::runtime_error {
    Origin origin;
    LineFailure(const Origin& where, const std::string& what) : std::runtime_error(what), origin(where) {}
};

std::string escapeHtml(const std::string& text);

// One body line with every contact address of the content turned into a link, the rest
// escaped; a run of three or more spaces inside the line (a column gap on the page) becomes
// a line break.
std::string linkedLine(const std::string& line, const PartyContent& content);

// The four pages as <section id="facts"> with an <article> per page: headings as <h2>/<h3>,
// numbered lines as ordered lists, other lines joined into paragraphs. Throws LineFailure.
std::string factsSection(const PartyContent& content);

// "ZURA 5 Party Invitation" and one sentence with the name, the dates and the place, in the
// party's words.
std::string pageTitle(const PartyContent& content);
std::string pageDescription(const PartyContent& content);

// The [words] keys the web page writes: its buttons, hints, messages and the text without
// JavaScript.
const std::vector<std::string>& pageWordKeys();

// A JSON object with name, title, description, language, the page's words and facts (the
// section's HTML), which the web build puts into the page.
std::string webFactsJson(const PartyContent& content);
bool writeWebFacts(const std::string& path, const PartyContent& content);
