#pragma once
// The organisers' content file: the party's facts read from TOML, checked, with the
// placeholders filled in and the four pages' lines put together.
#include <string>
#include <vector>

constexpr const char* DefaultContentFile = "content/party.toml";

// Where a text came from, for messages: the line in the file and the field's dotted name.
struct Origin {
    int line = 0;  // 0 when the text has no place in the file
    std::string field;
};

enum class LineKind { Heading, Subheading, Gap, Body };

struct PageLine {
    LineKind kind;
    std::string text;
    Origin origin;
};

struct PartyContent {
    std::string file;  // as given, for messages
    std::string name;
    int year = 0, month = 0, day = 0;  // the first day
    int days = 0;
    std::string hall, address, town;
    std::string questions, entries, web;  // contact addresses
    std::string credits;
    int competitionCount = 0;
    std::vector<PageLine> pages[4];
    std::string captions[7];  // in the order shown
    Origin captionOrigins[7];
    Origin nameOrigin;
};

// A message about the file, written as "FILE:LINE: FIELD: what is wrong".
struct ContentError {
    int line = 0;
    std::string field;
    std::string message;
};

// Reads and checks the file's structure, types and dates, and fills in the placeholders.
// Returns false with at least one error when anything is wrong.
bool loadContent(const std::string& file, PartyContent& content, std::vector<ContentError>& errors);
// The same from text, for tests; `file` only names it in messages.
bool parseContent(const std::string& text, const std::string& file, PartyContent& content,
                  std::vector<ContentError>& errors);

std::string formatError(const std::string& file, const ContentError& error);

// "9 November", "9 to 11 November", "30 November to 2 December".
std::string dayText(int month, int day);
std::string dateRangeText(int year, int month, int day, int days);
// The date of the party's last day.
void lastDay(int year, int month, int day, int days, int& lastYear, int& lastMonth, int& lastDayOfMonth);
const char* monthName(int month);  // 1..12
std::string countWord(int count);   // "three"; digits above twelve
