#include "tools/assetgen/content_fit.h"

#include <sstream>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "tools/assetgen/letters.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/pages.h"
#include "tools/assetgen/text.h"

namespace {

const char* const PageNames[pageCount] = {"page 1 (general information)", "page 2 (competitions)",
                                          "page 3 (rules)", "page 4 (location and contact)"};

bool checkCharacters(const std::string& text, Face face, const Origin& origin, std::vector<ContentError>& errors)
{
    const std::string missing = missingCharacters(face, text);
    if (missing.empty()) return true;
    errors.push_back(ContentError{origin.line, origin.field,
                                  "the font cannot draw \"" + missing + "\" in \"" + text + "\""});
    return false;
}

// The rows one line of body text takes on a page, from one line to the next.
int bodyLineRows()
{
    const std::vector<LinePlace> places =
        placeLines({PageLine{LineKind::Body, "x", {}}, PageLine{LineKind::Body, "x", {}}});
    return places[1].top - places[0].top;
}

std::string linesText(int rows)
{
    const int lines = (rows + bodyLineRows() - 1) / bodyLineRows();
    return std::to_string(lines) + (lines == 1 ? " line" : " lines");
}

// Each line of the .nfo within its columns; one too wide is named by its number in the .nfo
// and put down to the longest fact in it.
void checkNfoFits(const PartyContent& content, std::vector<ContentError>& errors)
{
    std::istringstream lines(nfoText(content));
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const int columns = columnsOf(line);
        if (columns <= nfoColumns) continue;
        const std::string text = line.substr(line.find_first_not_of(' '));
        Origin origin;
        std::size_t longest = 0;
        for (const auto& [spelling, from] : content.nfo.origins) {
            const bool inLine = !spelling.empty() &&
                                (line.find(spelling) != std::string::npos || spelling.find(text) != std::string::npos);
            if (inLine && spelling.size() > longest) {
                origin = from;
                longest = spelling.size();
            }
        }
        errors.push_back(ContentError{origin.line, origin.field,
                                      "makes line " + std::to_string(number) + " of the release's .nfo " +
                                          std::to_string(columns) + " columns wide, and it has " +
                                          std::to_string(nfoColumns) + ": \"" + text + "\""});
    }
}

// The clock's bitmap font draws bytes: letters without accents in either case, digits, the
// space, its punctuation, and AE, O with stroke and A with ring as Windows-1252 bytes.
bool clockCanDraw(unsigned char byte)
{
    if (byte < 0x80)
        return std::isalnum(byte) || byte == ' ' || (byte != 0 && std::strchr(".,!\"#%&/()=+-?\\'@:;*><_|", byte));
    return byte == 0xC5 || byte == 0xC6 || byte == 0xD8 || byte == 0xE5 || byte == 0xE6 || byte == 0xF8;
}

// One letter as the clock's font spells it; a letter it cannot spell stays as its UTF-8 bytes.
std::string clockLetter(std::uint32_t letter, const std::string& utf8)
{
    if (letter < 0x80) return utf8;
    if (clockCanDraw(static_cast<unsigned char>(letter & 0xFF)) && letter < 0x100) return std::string(1, char(letter));
    if (*plainLetters(letter)) return plainLetters(letter);
    return utf8;
}

// The letters of UTF-8 text (a broken byte stands for itself).
std::vector<std::uint32_t> lettersOf(const std::string& text)
{
    std::vector<std::uint32_t> letters;
    for (std::size_t k = 0; k < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        const int follow = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        std::uint32_t letter = follow ? c & (0x3F >> follow) : c;
        for (int f = 1; f <= follow && k + std::size_t(f) < text.size(); ++f)
            letter = letter << 6 | (static_cast<unsigned char>(text[k + std::size_t(f)]) & 0x3F);
        letters.push_back(letter);
        k += std::size_t(follow) + 1;
    }
    return letters;
}

Origin namedOrigin(const std::string& key, const Origin& given)
{
    return given.line > 0 ? given : Origin{0, "words." + key};
}

void checkClockText(const std::string& text, const Origin& origin, std::vector<ContentError>& errors)
{
    std::string missing;
    std::size_t at = 0;
    for (std::uint32_t letter : lettersOf(text)) {
        const std::size_t length = letter < 0x80 ? 1 : letter < 0x800 ? 2 : letter < 0x10000 ? 3 : 4;
        const std::string utf8 = text.substr(at, length);
        bool drawable = true;
        for (char byte : clockLetter(letter, utf8)) drawable &= clockCanDraw(static_cast<unsigned char>(byte));
        if (!drawable && missing.find(utf8) == std::string::npos) missing += utf8;
        at += length;
    }
    if (!missing.empty())
        errors.push_back(ContentError{origin.line, origin.field,
                                      "the clock's font cannot draw \"" + missing + "\" in \"" + text +
                                          "\"; it has the letters A to Z (accented letters are drawn without their accents), digits, AE, O with stroke and A with ring"});
}

// The clock's date as the longest names make it.
std::string longestDate(const PartyContent& content)
{
    const auto longest = [](const std::vector<std::string>& names) {
        std::string out;
        for (const std::string& name : names)
            if (lettersOf(name).size() > lettersOf(out).size()) out = name;
        return out;
    };
    std::string date = wordText(content, "long_date");
    const std::pair<const char*, std::string> parts[] = {{"{weekday}", longest(content.words.weekdays)},
                                                         {"{month}", longest(content.words.months)},
                                                         {"{dd}", "28"}, {"{day}", "28"}, {"{year}", "2027"}};
    for (const auto& [name, value] : parts)
        for (std::size_t at; (at = date.find(name)) != std::string::npos;) date.replace(at, std::strlen(name), value);
    return date;
}

}  // namespace

std::string clockSpelling(const std::string& text)
{
    std::string out;
    std::size_t at = 0;
    for (std::uint32_t letter : lettersOf(text)) {
        const std::size_t length = letter < 0x80 ? 1 : letter < 0x800 ? 2 : letter < 0x10000 ? 3 : 4;
        out += clockLetter(letter, text.substr(at, length));
        at += length;
    }
    return out;
}

int clockTextLength(const std::string& text) { return int(clockSpelling(text).size()); }

void checkWordsFit(const PartyContent& content, std::vector<ContentError>& errors)
{
    const auto origin = [&](const std::string& key) { return namedOrigin(key, wordOrigin(content, key)); };
    for (const char* key : {"button_general", "button_competitions", "button_rules", "button_location", "button_exit"}) {
        const std::string& label = wordText(content, key);
        if (!checkCharacters(label, Face::SansBold, origin(key), errors)) continue;
        const int width = textWidth(Face::SansBold, 11, label);
        if (width > buttonLabelWidth)
            errors.push_back(ContentError{origin(key).line, origin(key).field,
                                          "the button's label \"" + label + "\" is " + std::to_string(width) +
                                              " pixels wide, the button has room for " + std::to_string(buttonLabelWidth)});
    }
    const std::string& hint = wordText(content, "clock_hint");
    if (checkCharacters(hint, Face::Sans, origin("clock_hint"), errors) && textWidth(Face::Sans, 11, hint) > 600)
        errors.push_back(ContentError{origin("clock_hint").line, origin("clock_hint").field,
                                      "\"" + hint + "\" is wider than the menu's 600 pixels"});
    // The web page's buttons need a label.
    for (const char* key : {"click_to_start", "tap_to_start", "play_again", "try_again", "stop_show", "fullscreen",
                            "read_as_text", "click_to_continue", "tap_to_continue", "page_title"})
        if (wordText(content, key).empty()) errors.push_back(ContentError{origin(key).line, origin(key).field, "is empty"});

    // The clock: the count follows "days left:" on its line, the date ends before the time.
    const std::string& daysLeft = wordText(content, "days_left");
    checkClockText(daysLeft, origin("days_left"), errors);
    if (clockTextLength(daysLeft) > clockDaysLeftCells)
        errors.push_back(ContentError{origin("days_left").line, origin("days_left").field,
                                      "\"" + daysLeft + "\" takes " + std::to_string(clockTextLength(daysLeft)) +
                                          " letters; the clock has room for " + std::to_string(clockDaysLeftCells)});
    const Origin months = namedOrigin("months", content.words.monthsOrigin);
    const Origin weekdays = namedOrigin("weekdays", content.words.weekdaysOrigin);
    for (const std::string& name : content.words.months) checkClockText(name, months, errors);
    for (const std::string& name : content.words.weekdays) checkClockText(name, weekdays, errors);
    const std::string& pattern = wordText(content, "long_date");
    std::string rest = pattern;
    for (const char* name : {"{weekday}", "{month}", "{dd}", "{day}", "{year}"})
        for (std::size_t at; (at = rest.find(name)) != std::string::npos;) rest.erase(at, std::strlen(name));
    if (rest.find_first_of("{}") == std::string::npos) checkClockText(rest, origin("long_date"), errors);
    else
        errors.push_back(ContentError{origin("long_date").line, origin("long_date").field,
                                      "\"" + pattern + "\" names a part of the date other than {weekday}, {month}, "
                                      "{day}, {dd} (two digits) and {year}"});
    const std::string date = longestDate(content);
    if (clockTextLength(date) > clockDateCells)
        errors.push_back(ContentError{origin("long_date").line, origin("long_date").field,
                                      "the clock's date can be \"" + date + "\", " + std::to_string(clockTextLength(date)) +
                                          " letters, and the clock has room for " + std::to_string(clockDateCells)});
}

bool checkContentFits(const PartyContent& content, std::vector<ContentError>& errors)
{
    const std::size_t before = errors.size();
    checkWordsFit(content, errors);
    if (checkCharacters(content.name, Face::SansBold, content.nameOrigin, errors)) {
        const int width = textWidth(Face::SansBold, 52, content.name);
        if (width > logoWidth)
            errors.push_back(ContentError{content.nameOrigin.line, content.nameOrigin.field,
                                          "\"" + content.name + "\" is " + std::to_string(width) +
                                              " pixels wide as the menu's logo, which has room for " +
                                              std::to_string(logoWidth)});
    }

    for (int k = 0; k < 7; ++k) {
        const std::string& caption = content.captions[k];
        const Origin& origin = content.captionOrigins[k];
        if (!checkCharacters(caption, Face::SansBold, origin, errors)) continue;
        // Plates are painted at four times their size and reduced.
        const int width = (textWidth(Face::SansBold, 13 * 4, caption) + 3) / 4;
        if (width > plateCaptionWidth)
            errors.push_back(ContentError{origin.line, origin.field,
                                          "the caption \"" + caption + "\" is " + std::to_string(width) +
                                              " pixels wide, the plate has room for " +
                                              std::to_string(plateCaptionWidth)});
    }

    for (int page = 0; page < pageCount; ++page) {
        const std::vector<PageLine>& lines = content.pages[page];
        bool drawable = true;
        for (const PageLine& line : lines) {
            if (line.kind == LineKind::Gap) continue;
            drawable &= checkCharacters(line.text, line.kind == LineKind::Body ? Face::Sans : Face::SansBold,
                                        line.origin, errors);
        }
        if (!drawable) continue;
        const std::vector<LinePlace> places = placeLines(lines);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (places[k].width <= pageTextWidth) continue;
            errors.push_back(ContentError{lines[k].origin.line, lines[k].origin.field,
                                          "the line \"" + lines[k].text + "\" is " + std::to_string(places[k].width) +
                                              " pixels wide, " + PageNames[page] + " has room for " +
                                              std::to_string(pageTextWidth)});
        }
        const int used = places.empty() ? 0 : places.back().bottom;
        if (used > pageTextRows[page]) {
            // Name the first line that runs past the end.
            std::size_t first = 0;
            while (first < places.size() && places[first].bottom <= pageTextRows[page]) ++first;
            while (first < lines.size() && lines[first].origin.line == 0) ++first;
            const Origin origin = first < lines.size() ? lines[first].origin : Origin{};
            errors.push_back(ContentError{origin.line, origin.field,
                                          PageNames[page] + std::string(" takes ") + std::to_string(used) +
                                              " rows but may take " + std::to_string(pageTextRows[page]) +
                                              "; this is the first line past the end: shorten the page by " +
                                              std::to_string(used - pageTextRows[page]) + " rows (" +
                                              linesText(used - pageTextRows[page]) + " of text)"});
        }
    }
    checkNfoFits(content, errors);
    return errors.size() == before;
}
