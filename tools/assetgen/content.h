#pragma once
// The organisers' content file: the party's facts read from TOML, checked, with the
// placeholders filled in and the four pages' lines put together.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

constexpr const char* DefaultContentFile = "content/party.toml";
constexpr const char* DefaultFileStem = "zura5inv";
constexpr std::size_t maximumStemLength = 32;

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

// The moments of the show in milliseconds of the soundtrack, from the [timing] table; the
// defaults are the built-in track's.
constexpr int cuePlateCount = 7;
struct ShowCues {
    int plateStart[cuePlateCount] = {2000, 8000, 14000, 20000, 26000, 32000, 38000};
    int plateEnd[cuePlateCount] = {8000, 14000, 20000, 26000, 32000, 38000, 41700};
    int globe = 14650;    // the globe's first frame is after this
    int flash = 27551;    // the white flash and the wireframe
    int fade = 27650;     // the globe fades from here ...
    int fadeEnd = 36999;  // ... to here
    int wireEnd = 34700;  // the wireframe's last frame is before this
    int menu = 41701;     // the intro ends and the crossfade into the menu begins
};

// The facts as the release's .nfo spells them: letters of code page 437, from the [nfo] table
// where a fact has others.
struct NfoFacts {
    std::string name, hall, address, town, questions, entries, web, credits;
    std::vector<std::pair<std::string, Origin>> origins;  // each spelling and where it was written
};

// An organiser's own picture from [pictures]: the path as found from the content file's folder
// (empty for the built-in one) and where it was named.
struct OwnPicture {
    std::string path;
    Origin origin;
};

// The fixed words the show, the pages, the clock and the web page draw, in the party's
// language: every key of [words] with its text (the English one unless given, placeholders
// filled in), and where it was given.
struct PartyWords {
    std::string language = "en";  // a BCP 47 tag
    Origin languageOrigin;
    std::map<std::string, std::string> text;
    std::map<std::string, Origin> origins;  // only the words given in the file
    std::vector<std::string> months, weekdays;  // January.., Sunday..
    Origin monthsOrigin, weekdaysOrigin;
};
// The English words, by [words] key, in the order they are listed in messages.
const std::vector<std::pair<std::string, std::string>>& defaultWords();

struct PartyContent {
    std::string file;  // as given, for messages
    bool parsed = false;  // the TOML was read, so the texts can be checked even with errors
    std::string name;
    int year = 0, month = 0, day = 0;  // the first day
    int days = 0;
    Origin datesOrigin;
    std::string hall, address, town;
    std::string questions, entries, web;  // contact addresses
    std::string credits;
    int competitionCount = 0;
    std::vector<PageLine> pages[4];
    std::string captions[7];  // in the order shown
    Origin captionOrigins[7];
    Origin nameOrigin;
    NfoFacts nfo;
    // [soundtrack]: empty for the built-in track, else the MP3 named by `file`, as written and
    // as found from the content file's folder.
    std::string soundtrackFile, soundtrackPath;
    Origin soundtrackOrigin;
    // The MP3's bytes as read and checked, once; these are what is written, whatever happens to
    // the file afterwards. Empty until the check has passed.
    std::vector<std::uint8_t> soundtrackBytes;
    // [web]: the address of the folder the site is put in, ending in a slash; empty when not
    // given.
    std::string webAddress;
    // [files] stem: the archives, their folder, the .nfo, the soundtrack beside the programs,
    // the single-file page and the films are named after it.
    std::string stem = DefaultFileStem;
    Origin stemOrigin;
    ShowCues cues;
    PartyWords words;
    OwnPicture background, menuPicture;  // [pictures]: the intro's backdrop and the menu's ground
    // The line of each [timing] field given ("menu", "plates[2]"); a cue not given has none.
    std::vector<std::pair<std::string, int>> cueLines;
    int timingLine = 0;  // the [timing] table's own line, 0 when absent
};

// A message about the file, written as "FILE:LINE: FIELD: what is wrong". A warning does not
// stop assetgen.
struct ContentError {
    int line = 0;
    std::string field;
    std::string message;
    bool warning = false;
};

// How many of the errors stop assetgen (the warnings apart).
int problemCount(const std::vector<ContentError>& errors);

// Reads and checks the file's structure, types and dates, and fills in the placeholders.
// Returns false with at least one error when anything is wrong.
bool loadContent(const std::string& file, PartyContent& content, std::vector<ContentError>& errors);
// The same from text, for tests; `file` only names it in messages.
bool parseContent(const std::string& text, const std::string& file, PartyContent& content,
                  std::vector<ContentError>& errors);

// The message with every control character and invalid byte written as \xNN, so a broken file
// cannot send escape sequences to the terminal.
std::string formatError(const std::string& file, const ContentError& error);
std::string escapeControls(const std::string& text);

// True when the text may be the stem of a file name on every system the release is for: ASCII
// letters, digits, '-', '_' and '.', at most maximumStemLength, not starting with '.' or '-',
// not ending in '.', and no device name of Windows.
bool isFileStem(const std::string& stem);

// The link [contact] web makes: the address itself when it starts with http:// or https://,
// else https://ADDRESS/.
std::string webLink(const std::string& web);

// "9 November", "9 to 11 November", "30 November to 2 December"; with `months`, the month
// names are its (January first), and with `words` its month names and its word for "to".
std::string dayText(int month, int day, const std::vector<std::string>* months = nullptr);
std::string dateRangeText(int year, int month, int day, int days, const PartyWords* words = nullptr);
// With the year: "9 to 11 November 2027", "30 December 2027 to 2 January 2028".
std::string datesWithYears(int year, int month, int day, int days, const PartyWords* words = nullptr);
// The text the [words] key stands for (filled in); empty for an unknown key.
const std::string& wordText(const PartyContent& content, const std::string& key);
// Where the word was given; none for an English default.
Origin wordOrigin(const PartyContent& content, const std::string& key);
// The date of the party's last day.
void lastDay(int year, int month, int day, int days, int& lastYear, int& lastMonth, int& lastDayOfMonth);
const char* monthName(int month);  // 1..12
std::string countWord(int count);   // "three"; digits above twelve
