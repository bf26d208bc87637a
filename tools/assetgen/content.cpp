#include "tools/assetgen/content.h"

#include "tools/assetgen/letters.h"

#include <toml++/toml.h>

#include "base/calendar_names.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

enum class FieldType { Text, Date, Count, Lines, Windows };

struct FieldRule {
    const char* key;
    FieldType type;
};

struct TableRule {
    const char* name;
    bool repeated;  // [[name]], one table per entry
    std::vector<FieldRule> fields;
    bool optional = false;  // the table and each of its fields may be left out
};

std::vector<FieldRule> wordFields();

const std::vector<TableRule> Schema = {
    {"party", false, {{"name", FieldType::Text}, {"first_day", FieldType::Date}, {"days", FieldType::Count}}},
    {"venue", false, {{"hall", FieldType::Text}, {"address", FieldType::Text}, {"town", FieldType::Text}}},
    {"contact", false,
     {{"questions", FieldType::Text}, {"entries", FieldType::Text}, {"web", FieldType::Text}}},
    {"credits", false, {{"line", FieldType::Text}}},
    {"plates", false, {{"captions", FieldType::Lines}}},
    {"general", false,
     {{"intro", FieldType::Lines},
      {"when", FieldType::Lines},
      {"bring", FieldType::Lines},
      {"entrance", FieldType::Lines},
      {"food_and_sleep", FieldType::Lines}}},
    {"competition", true, {{"name", FieldType::Text}, {"rules", FieldType::Lines}}},
    {"competitions", false, {{"deadlines", FieldType::Lines}, {"prizes", FieldType::Lines}}},
    {"rules", true, {{"title", FieldType::Text}, {"lines", FieldType::Lines}}},
    {"location", false, {{"where", FieldType::Lines}, {"travel", FieldType::Lines}, {"contact", FieldType::Lines}}},
    {"soundtrack", false, {{"file", FieldType::Text}}, true},
    {"files", false, {{"stem", FieldType::Text}}, true},
    {"web", false, {{"address", FieldType::Text}}, true},
    {"pictures", false, {{"background", FieldType::Text}, {"menu", FieldType::Text}}, true},
    {"language", false, {{"tag", FieldType::Text}}, true},
    {"words", false, wordFields(), true},
    {"timing",
     false,
     {{"plates", FieldType::Windows},
      {"globe", FieldType::Count},
      {"flash", FieldType::Count},
      {"fade", FieldType::Count},
      {"fade_end", FieldType::Count},
      {"wire_end", FieldType::Count},
      {"menu", FieldType::Count}},
     true},
    {"nfo",
     false,
     {{"name", FieldType::Text},
      {"hall", FieldType::Text},
      {"address", FieldType::Text},
      {"town", FieldType::Text},
      {"questions", FieldType::Text},
      {"entries", FieldType::Text},
      {"web", FieldType::Text},
      {"credits", FieldType::Text}},
     true},
};

constexpr int plateCount = 7;
constexpr int maximumDays = 14;
constexpr std::size_t maximumFileSize = 1 << 20;

int lineOf(const toml::node& node) { return int(node.source().begin.line); }

const char* typeName(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::string: return "text";
    case toml::node_type::integer: return "a whole number";
    case toml::node_type::floating_point: return "a number with a fraction";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::date: return "a date";
    case toml::node_type::time: return "a time of day";
    case toml::node_type::date_time: return "a date with a time";
    case toml::node_type::array: return "a list";
    case toml::node_type::table: return "a table";
    default: return "nothing";
    }
}

const char* expectedName(FieldType type)
{
    switch (type) {
    case FieldType::Text: return "text in quotes";
    case FieldType::Date: return "a date such as 2027-11-09";
    case FieldType::Count: return "a whole number";
    case FieldType::Lines: return "a list of lines in quotes, [\"...\", \"...\"]";
    case FieldType::Windows: return "a list of seven [start, end] pairs in milliseconds";
    }
    return "";
}

bool hasType(const toml::node& node, FieldType type)
{
    switch (type) {
    case FieldType::Text: return node.is_string();
    case FieldType::Date: return node.is_date();
    case FieldType::Count: return node.is_integer();
    case FieldType::Lines: return node.is_array();
    case FieldType::Windows: return node.is_array();
    }
    return false;
}

struct Reader {
    std::vector<ContentError>& errors;

    void fail(int line, const std::string& field, const std::string& message)
    {
        errors.push_back(ContentError{line, field, message});
    }
    void warn(int line, const std::string& field, const std::string& message)
    {
        errors.push_back(ContentError{line, field, message, true});
    }
};

// A text as written in the file, not yet filled in.
struct RawText {
    std::string text;
    Origin origin;
};

bool hasControlCharacter(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

RawText readText(Reader& reader, const toml::node& node, const std::string& field, bool mayBeEmpty = false)
{
    RawText raw{*node.value<std::string>(), Origin{lineOf(node), field}};
    if (raw.text.empty() && !mayBeEmpty) reader.fail(raw.origin.line, field, "is empty");
    if (hasControlCharacter(raw.text)) {
        reader.fail(raw.origin.line, field,
                    "holds a tab, a line break or another control character; write each line as "
                    "its own text in the list");
        raw.text.clear();
    }
    return raw;
}

std::vector<RawText> readLines(Reader& reader, const toml::node& node, const std::string& field)
{
    std::vector<RawText> lines;
    const toml::array& list = *node.as_array();
    for (std::size_t k = 0; k < list.size(); ++k) {
        const toml::node& item = *list.get(k);
        const std::string itemField = field + "[" + std::to_string(k) + "]";
        if (!item.is_string()) {
            reader.fail(lineOf(item), itemField,
                        std::string("expected a line of text in quotes, found ") + typeName(item));
            continue;
        }
        lines.push_back(readText(reader, item, itemField, true));
    }
    return lines;
}

// Checks a table's keys against its rule: each field present with its type, no others.
// Returns the fields that passed, by key.
std::map<std::string, const toml::node*> checkTable(Reader& reader, const toml::table& table,
                                                    const TableRule& rule, const std::string& prefix)
{
    std::map<std::string, const toml::node*> found;
    std::string known;
    for (const FieldRule& f : rule.fields) known += std::string(known.empty() ? "" : ", ") + f.key;
    for (auto&& [key, node] : table) {
        const std::string name(key.str());
        const FieldRule* match = nullptr;
        for (const FieldRule& f : rule.fields)
            if (name == f.key) match = &f;
        if (!match) {
            reader.fail(int(key.source().begin.line), prefix + "." + name,
                        "is not a field of [" + std::string(rule.name) + "] (misspelled?); its fields are " +
                            known);
            continue;
        }
        if (!hasType(node, match->type)) {
            reader.fail(lineOf(node), prefix + "." + name,
                        std::string("expected ") + expectedName(match->type) + ", found " + typeName(node));
            continue;
        }
        found[name] = &node;
    }
    for (const FieldRule& f : rule.fields)
        if (!rule.optional && !found.count(f.key) && !table.contains(f.key))
            reader.fail(lineOf(table), prefix + "." + f.key, "is missing from [" + std::string(rule.name) + "]");
    return found;
}


// A month that is not one (a file whose first day was missing or misspelled leaves it 0) is
// taken as 31 days long, so the texts made before the check's message is read stay in bounds.
int monthLength(int year, int month)
{
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

}  // namespace

const std::vector<std::pair<std::string, std::string>>& defaultWords()
{
    static const std::vector<std::pair<std::string, std::string>> words = {
        {"button_general", "GENERAL INFORMATION"},
        {"button_competitions", "COMPETITIONS"},
        {"button_rules", "RULES"},
        {"button_location", "LOCATION & CONTACT"},
        {"button_exit", "EXIT"},
        {"clock_hint", "CLICK HERE FOR THE CLOCK"},
        {"page_general", "{party.name} - GENERAL INFORMATION"},
        {"page_competitions", "COMPETITIONS"},
        {"page_rules", "RULES"},
        {"page_location", "LOCATION, TRAVEL AND CONTACT"},
        {"when", "When"},
        {"what_to_bring", "What to bring"},
        {"entrance", "Entrance"},
        {"food_and_sleep", "Food and sleep"},
        {"deadlines", "Deadlines"},
        {"prizes", "Prizes"},
        {"where", "Where"},
        {"travel", "Travel"},
        {"contact", "Contact"},
        {"days_left", "days left:"},
        {"long_date", "{weekday}, {month} {dd}, {year}"},
        {"click_to_start", "Click to start"},
        {"tap_to_start", "Tap to start"},
        {"play_again", "Play again"},
        {"to", "to"},
        // The web page's title and description, and its own texts.
        {"page_title", "{party.name} Party Invitation"},
        {"page_description",
         "{party.name}, a {party.days}-day computer party, {party.dates_with_years} at {venue.hall}, {venue.address}, "
         "{venue.town}: demos, music, graphics and competitions. The invitation, with the party's information, "
         "competitions, rules and travel."},
        {"preview_alt", "The invitation's menu: the party's name above five buttons"},
        {"no_script", "The show needs JavaScript to play. Everything it tells about the party is written out below."},
        {"hint_mouse", "Mouse, wheel, Escape, arrows, Page Up and Page Down"},
        {"hint_touch", "Tap to open, drag to scroll"},
        {"read_as_text", "Read as text"},
        {"fullscreen", "Fullscreen"},
        {"stop_show", "Stop the show"},
        {"try_again", "Try again"},
        {"click_to_continue", "Click to continue"},
        {"tap_to_continue", "Tap to continue"},
        {"loading", "Loading\xE2\x80\xA6 {percent}% ({done} of {total} MB)"},
        {"sound_on", "Sound on: the show plays with its soundtrack."},
        {"sound_on_touch",
         "Sound on: the show plays with its soundtrack. Tap a button to open a page, drag to scroll it, tap again to go back."},
        {"show_ended", "The show has ended. Thank you for watching."},
        {"days_to_party", "{days} {days|day|days} to the party"},
        {"party_on", "The party is on now"},
        {"stage_label", "The invitation"},
        {"progress_label", "Loading the show"},
        {"label_intro", "{title}: the intro, a star field with title plates and a globe"},
        {"label_menu", "{title}: the menu, with buttons for the four pages, the clock strip at the top, and EXIT"},
        {"label_clock", "{title}: the clock page, {days} {days|day|days} to the party; tap or click to return to the menu"},
        {"label_clock_party_on", "{title}: the clock page, the party is on now; tap or click to return to the menu"},
        {"label_page", "{title}: the page \"{page}\", also written out below the show; tap or click to return to the menu"},
        {"status_loading", "Loading the invitation"},
        {"status_ready", "Ready to start"},
        {"status_playing", "Playing"},
        {"status_ended", "The show has ended"},
        {"load_failed", "The invitation could not be loaded: {why}. Check the connection and try again."},
        {"reload_failed", "The invitation could not be loaded again: {why}"},
        {"start_failed", "The invitation could not start: {why}"},
        {"stopped", "The invitation stopped: {why}"},
        {"no_sound", "The invitation could not start its sound. It needs a browser that can play audio."},
        {"no_webassembly",
         "This browser cannot run WebAssembly, which the invitation needs. Please open the page in a current browser."},
        {"no_audio",
         "This browser cannot play audio from a page, which the invitation needs for its soundtrack. Please open the "
         "page in a current browser."},
        // The release's .nfo: its headings, sentences and the cells of its tables ("|" between
        // cells), in code page 437.
        {"nfo_subtitle", "{party.name} - party invitation"},
        {"nfo_release", "the release"},
        {"nfo_about",
         "An invitation to {party.name}, a {party.days}-day computer party from {party.dates_with_years} at "
         "{venue.hall} in {venue.town}. It plays its own soundtrack and draws a 640x480 show in software: a starfield, "
         "title plates and a turning globe, then a menu with the party's information pages, a clock page that counts "
         "the days to the party, and an exit button."},
        {"nfo_running", "running it"},
        {"nfo_unpack", "Unpack the archive and start a program from its folder; the soundtrack {soundtrack} must stay beside it."},
        {"nfo_window", "in a 640x480 window"},
        {"nfo_fullscreen", "on the whole screen"},
        {"nfo_keys", "keys and mouse"},
        {"nfo_key_escape", "Intro or menu | Escape | the program ends"},
        {"nfo_key_click", "Menu | left click | a button opens its page; EXIT ends the program; the strip at the top opens the clock page"},
        {"nfo_key_back", "A page | left click, right button or Escape | back to the menu"},
        {"nfo_key_scroll", "Pages 2 and 3 | Up / Down | scroll 10 rows"},
        {"nfo_key_page", " | PgUp / PgDn | scroll 380 rows"},
        {"nfo_key_close", "Anywhere | closing the window | the program ends"},
        {"nfo_requirements", "requirements"},
        {"nfo_need_sound",
         "a sound device: the show follows the music (to watch it silently on Linux, start it with SDL_AUDIODRIVER=dummy)"},
        {"nfo_need_screen", "a screen of 640x480 or more"},
        {"nfo_need_linux", "Linux: a 64-bit desktop with X11 or Wayland"},
        {"nfo_need_windows", "Windows: a 64-bit Windows, or Wine"},
        {"nfo_credits", "credits"},
        {"nfo_contact", "contact"},
        {"nfo_questions", "Questions"},
        {"nfo_entries", "Entries"},
        {"nfo_web", "Web"},
        {"nfo_goodbye", "See you at {party.name}!"},
    };
    return words;
}

const std::string& wordText(const PartyContent& content, const std::string& key)
{
    static const std::string none;
    const auto found = content.words.text.find(key);
    return found == content.words.text.end() ? none : found->second;
}

Origin wordOrigin(const PartyContent& content, const std::string& key)
{
    const auto found = content.words.origins.find(key);
    return found == content.words.origins.end() ? Origin{} : found->second;
}

namespace {

std::vector<FieldRule> wordFields()
{
    std::vector<FieldRule> fields = {{"months", FieldType::Lines}, {"weekdays", FieldType::Lines}};
    for (const auto& [key, english] : defaultWords()) fields.push_back({key.c_str(), FieldType::Text});
    return fields;
}

}  // namespace

std::string countWord(int count)
{
    static const char* const words[] = {"zero", "one", "two",   "three",  "four",   "five",  "six",
                                        "seven", "eight", "nine", "ten", "eleven", "twelve"};
    return count >= 0 && count <= 12 ? words[count] : std::to_string(count);
}

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

// What the placeholders stand for: texts by name, and the counts whose forms a text may choose.
struct Facts {
    std::map<std::string, std::string> texts;
    std::map<std::string, int> counts;
    // Placeholders left as written, for the writer of the text to fill in ("{why}").
    std::vector<std::string> kept;
};

// Which of a count's forms a text takes: with two forms the first for one and the second for
// every other count ("1 day", "3 days"); with three, as Polish counts, the first for one, the
// second for counts ending in 2 to 4 but not 12 to 14, the third for the rest.
std::size_t pluralForm(int count, std::size_t forms)
{
    if (forms < 3) return count == 1 ? 0 : forms - 1;
    if (count == 1) return 0;
    const int last = count % 10, lastTwo = count % 100;
    return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
}

// The fact a placeholder names, in the placeholder's case, or with forms after bars
// ("{party.days|day|days}") the form its count takes. False when there is no such fact.
bool placeholderValue(const std::string& placeholder, const Facts& facts, std::string& value)
{
    std::vector<std::string> parts(1);
    for (const char c : placeholder) {
        if (c == '|') parts.emplace_back();
        else parts.back() += c;
    }
    const std::string& name = parts[0];
    for (const std::string& kept : facts.kept) {
        if (lowerCase(name) != kept) continue;
        value = "{" + placeholder + "}";
        return true;
    }
    if (parts.size() > 1) {
        const auto count = facts.counts.find(lowerCase(name));
        if (count == facts.counts.end()) return false;
        value = parts[1 + pluralForm(count->second, parts.size() - 1)];
        return true;
    }
    const auto fact = facts.texts.find(lowerCase(name));
    if (fact == facts.texts.end()) return false;
    bool hasLower = false, hasUpper = false;
    for (char c : name) {
        hasLower |= c >= 'a' && c <= 'z';
        hasUpper |= c >= 'A' && c <= 'Z';
    }
    value = fact->second;
    if (hasUpper && !hasLower) value = upperCase(value);
    else if (name[0] >= 'A' && name[0] <= 'Z') value = capitalised(value);
    return true;
}

// Fills in "{name}" placeholders; the placeholder's case chooses the fact's. "{{" is a brace.
std::string fillIn(Reader& reader, const RawText& raw, const Facts& facts)
{
    std::string out;
    std::size_t at = 0;
    while (at < raw.text.size()) {
        const std::size_t open = raw.text.find('{', at);
        if (open == std::string::npos) break;
        out += raw.text.substr(at, open - at);
        if (raw.text.compare(open, 2, "{{") == 0) {
            out += '{';
            at = open + 2;
            continue;
        }
        const std::size_t close = raw.text.find('}', open);
        if (close == std::string::npos) {
            reader.fail(raw.origin.line, raw.origin.field, "has a '{' without its '}' (write {{ for a brace)");
            return raw.text;
        }
        const std::string name = raw.text.substr(open + 1, close - open - 1);
        std::string value;
        if (!placeholderValue(name, facts, value)) {
            std::string known;
            for (const auto& [key, fact] : facts.texts) known += (known.empty() ? "{" : ", {") + key + "}";
            for (const auto& [key, count] : facts.counts) known += ", {" + key + "|one|other}";
            for (const std::string& key : facts.kept) known += ", {" + key + "}";
            reader.fail(raw.origin.line, raw.origin.field,
                        "names an unknown fact {" + name + "}; the facts are " + known);
            return raw.text;
        }
        out += value;
        at = close + 1;
    }
    return out + raw.text.substr(at);
}

// A list of lines as read, with where the list itself stands.
struct RawLines {
    std::vector<RawText> lines;
    Origin origin;
};

struct PageBuilder {
    Reader& reader;
    const Facts& facts;
    std::vector<PageLine>& lines;

    void heading(const std::string& text, const Origin& origin)
    {
        lines.push_back(PageLine{LineKind::Heading, text, origin});
    }
    void gap() { lines.push_back(PageLine{LineKind::Gap, "", {}}); }
    // A heading and its lines; a list without a line of text leaves the heading alone on the
    // page, which is allowed but worth a warning.
    void section(const std::string& title, const Origin& titleOrigin, const RawLines& list)
    {
        const std::vector<RawText>& body = list.lines;
        bool hasText = false;
        for (const RawText& raw : body) hasText |= !raw.text.empty();
        if (!hasText && !list.origin.field.empty())
            reader.warn(list.origin.line, list.origin.field,
                        "is empty, so the heading \"" + title + "\" stands with nothing under it");
        lines.push_back(PageLine{LineKind::Subheading, title, titleOrigin});
        for (const RawText& raw : body) {
            const std::string text = fillIn(reader, raw, facts);
            lines.push_back(PageLine{text.empty() ? LineKind::Gap : LineKind::Body, text, raw.origin});
        }
    }
};

std::string readFile(const std::string& file, bool& ok)
{
    std::ifstream in(file, std::ios::binary);
    ok = bool(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The [timing] table's fields into the cues; a field left out keeps today's moment.
void readCues(Reader& reader, const std::map<std::string, const toml::node*>& fields, PartyContent& content)
{
    ShowCues& cues = content.cues;
    const std::pair<const char*, int*> counts[] = {{"globe", &cues.globe}, {"flash", &cues.flash},
                                                   {"fade", &cues.fade},   {"fade_end", &cues.fadeEnd},
                                                   {"wire_end", &cues.wireEnd}, {"menu", &cues.menu}};
    for (const auto& [key, value] : counts) {
        const auto found = fields.find(key);
        if (found == fields.end()) continue;
        const std::int64_t ms = *found->second->value<std::int64_t>();
        if (ms < 0 || ms > 3600000) {
            reader.fail(lineOf(*found->second), std::string("timing.") + key,
                        std::to_string(ms) + " is outside 0 to 3600000 milliseconds");
            continue;
        }
        *value = int(ms);
        content.cueLines.push_back({key, lineOf(*found->second)});
    }
    const auto plates = fields.find("plates");
    if (plates == fields.end()) return;
    const toml::array& list = *plates->second->as_array();
    const int line = lineOf(*plates->second);
    if (list.size() != std::size_t(cuePlateCount)) {
        reader.fail(line, "timing.plates",
                    "needs exactly 7 windows, one per plate; found " + std::to_string(list.size()));
        return;
    }
    for (int k = 0; k < cuePlateCount; ++k) {
        const toml::node& item = *list.get(std::size_t(k));
        const std::string field = "timing.plates[" + std::to_string(k) + "]";
        const toml::array* pair = item.as_array();
        if (!pair || pair->size() != 2 || !pair->get(0)->is_integer() || !pair->get(1)->is_integer()) {
            reader.fail(lineOf(item), field, "expected [start, end] in whole milliseconds");
            continue;
        }
        const std::int64_t start = *pair->get(0)->value<std::int64_t>();
        const std::int64_t end = *pair->get(1)->value<std::int64_t>();
        // Both ends are checked before they are narrowed, so no number wraps into the range.
        if (start < 0 || start > 3600000 || end < 0 || end > 3600000) {
            reader.fail(lineOf(item), field, "lies outside 0 to 3600000 milliseconds");
            continue;
        }
        cues.plateStart[k] = int(start);
        cues.plateEnd[k] = int(end);
        content.cueLines.push_back({"plates[" + std::to_string(k) + "]", lineOf(item)});
    }
}

}  // namespace

const char* monthName(int month) { return month >= 1 && month <= 12 ? EnglishMonthNames[month - 1] : "?"; }

std::string dayText(int month, int day, const std::vector<std::string>* months)
{
    const bool given = months && month >= 1 && month <= int(months->size());
    return std::to_string(day) + " " + (given ? (*months)[std::size_t(month - 1)] : std::string(monthName(month)));
}

void lastDay(int year, int month, int day, int days, int& lastYear, int& lastMonth, int& lastDayOfMonth)
{
    for (int k = 1; k < days; ++k) {
        if (++day > monthLength(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    lastYear = year;
    lastMonth = month;
    lastDayOfMonth = day;
}

namespace {

// " to " between the first and the last day, in the party's words.
std::string toWord(const PartyWords* words)
{
    if (words) {
        const auto found = words->text.find("to");
        if (found != words->text.end()) return " " + found->second + " ";
    }
    return " to ";
}

}  // namespace

std::string dateRangeText(int year, int month, int day, int days, const PartyWords* words)
{
    const std::vector<std::string>* months = words ? &words->months : nullptr;
    if (days <= 1) return dayText(month, day, months);
    int y, m, d;
    lastDay(year, month, day, days, y, m, d);
    if (m == month) return std::to_string(day) + toWord(words) + dayText(m, d, months);
    return dayText(month, day, months) + toWord(words) + dayText(m, d, months);
}

std::string datesWithYears(int year, int month, int day, int days, const PartyWords* words)
{
    const std::vector<std::string>* months = words ? &words->months : nullptr;
    int lastYear, lastMonth, lastDayOfMonth;
    lastDay(year, month, day, days, lastYear, lastMonth, lastDayOfMonth);
    if (lastYear == year) return dateRangeText(year, month, day, days, words) + " " + std::to_string(year);
    return dayText(month, day, months) + " " + std::to_string(year) + toWord(words) +
           dayText(lastMonth, lastDayOfMonth, months) + " " + std::to_string(lastYear);
}

namespace {

// The UTF-8 sequence at `at` (known to be whole) is a C1 control (U+0080..U+009F) or a mark
// that turns the terminal's writing direction (U+061C, U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069) or breaks its lines (U+2028, U+2029): none of them may reach it as is.
bool isFormatControl(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    if (byte(0) == 0xC2) return byte(1) < 0xA0;
    if (byte(0) == 0xD8) return byte(1) == 0x9C;
    if (byte(0) != 0xE2) return false;
    if (byte(1) == 0x80) return byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xA8 && byte(2) <= 0xAE);
    return byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9;
}

}  // namespace

std::string escapeControls(const std::string& text)
{
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        // Keep whole UTF-8 sequences; escape control characters and stray bytes.
        int follow = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
        bool whole = follow > 0 && k + std::size_t(follow) < text.size();
        for (int f = 1; whole && f <= follow; ++f) whole = (static_cast<unsigned char>(text[k + f]) & 0xC0) == 0x80;
        if (whole && !isFormatControl(text, k)) {
            out.append(text, k, std::size_t(follow) + 1);
            k += std::size_t(follow);
        } else if (c < 0x20 || c >= 0x7F) {
            static const char Hex[] = "0123456789abcdef";
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string webLink(const std::string& web)
{
    const bool http = web.rfind("http://", 0) == 0 || web.rfind("https://", 0) == 0;
    return http ? web : "https://" + web + "/";
}

std::string formatError(const std::string& file, const ContentError& error)
{
    std::string text = file + ":";
    if (error.line > 0) text += std::to_string(error.line) + ":";
    text += error.warning ? " warning: " : " ";
    if (!error.field.empty()) text += error.field + ": ";
    return escapeControls(text + error.message);
}

int problemCount(const std::vector<ContentError>& errors)
{
    int count = 0;
    for (const ContentError& error : errors) count += !error.warning;
    return count;
}

namespace {

using Fields = std::map<std::string, const toml::node*>;

// The document's tables, each checked field by field: the single ones by name, the repeated
// ones ([[competition]], [[rules]]) as lists.
struct ContentTables {
    std::map<std::string, Fields> single;
    std::map<std::string, std::vector<Fields>> repeated;

    const toml::node* field(const std::string& table, const std::string& key) const
    {
        const auto t = single.find(table);
        if (t == single.end()) return nullptr;
        const auto f = t->second.find(key);
        return f == t->second.end() ? nullptr : f->second;
    }
};

// The file as TOML, or false with the parser's own words and the line it stopped at quoted,
// so the field is named; a file too long is refused before it is parsed.
bool parseDocument(Reader& reader, const std::string& text, const std::string& file, toml::table& document)
{
    if (text.size() > maximumFileSize) {
        reader.fail(0, "", "is " + std::to_string(text.size()) + " bytes long; a content file may be at most " +
                               std::to_string(maximumFileSize) + " bytes");
        return false;
    }
    try {
        document = toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        const int line = int(e.source().begin.line);
        std::istringstream lines(text);
        std::string quoted;
        for (int k = 0; k < line && std::getline(lines, quoted); ++k) {}
        reader.fail(line, "", std::string(e.description()) + " (in: " + quoted + ")");
        return false;
    }
    return true;
}

std::string tableSpelling(const TableRule& rule)
{
    return std::string(rule.repeated ? "[[" : "[") + rule.name + (rule.repeated ? "]]" : "]");
}

// Which tables there are, each checked against its rule; unknown and missing ones are named.
ContentTables collectTables(Reader& reader, const toml::table& document)
{
    ContentTables tables;
    for (auto&& [key, node] : document) {
        const std::string name(key.str());
        const TableRule* rule = nullptr;
        for (const TableRule& r : Schema)
            if (name == r.name) rule = &r;
        if (!rule) {
            std::string known;
            for (const TableRule& r : Schema) known += std::string(known.empty() ? "" : ", ") + tableSpelling(r);
            reader.fail(int(key.source().begin.line), name,
                        "is not a table of this file (misspelled?); the tables are " + known);
            continue;
        }
        if (rule->repeated) {
            const toml::array* list = node.as_array();
            if (!list || !list->is_array_of_tables()) {
                reader.fail(lineOf(node), name,
                            std::string("expected one [[") + name + "]] table per entry, found " + typeName(node));
                continue;
            }
            for (std::size_t k = 0; k < list->size(); ++k)
                tables.repeated[name].push_back(checkTable(reader, *list->get(k)->as_table(), *rule,
                                                           name + "[" + std::to_string(k) + "]"));
        } else {
            if (!node.is_table()) {
                reader.fail(lineOf(node), name, std::string("expected a [") + name + "] table, found " + typeName(node));
                continue;
            }
            tables.single[name] = checkTable(reader, *node.as_table(), *rule, name);
        }
    }
    for (const TableRule& r : Schema) {
        if (!r.optional && !document.contains(r.name))
            reader.fail(0, r.name, "the " + tableSpelling(r) + " table" + (r.repeated ? "s are" : " is") + " missing");
    }
    return tables;
}

RawText textOf(Reader& reader, const ContentTables& tables, const std::string& table, const std::string& key)
{
    const toml::node* node = tables.field(table, key);
    return node ? readText(reader, *node, table + "." + key) : RawText{};
}

RawLines linesOf(Reader& reader, const ContentTables& tables, const std::string& table, const std::string& key)
{
    const toml::node* node = tables.field(table, key);
    if (!node) return RawLines{};
    return RawLines{readLines(reader, *node, table + "." + key), Origin{lineOf(*node), table + "." + key}};
}

// [party]: the name, the first day and how many days.
void readParty(Reader& reader, const ContentTables& tables, PartyContent& content)
{
    const RawText name = textOf(reader, tables, "party", "name");
    content.name = name.text;
    content.nameOrigin = name.origin;
    if (const toml::node* node = tables.field("party", "first_day")) {
        const toml::date date = *node->value<toml::date>();
        content.datesOrigin = Origin{lineOf(*node), "party.first_day"};
        content.year = date.year;
        content.month = date.month;
        content.day = date.day;
        if (date.month == 2 && date.day == 29)
            reader.fail(lineOf(*node), "party.first_day",
                        "29 February is not in every year, and the clock counts to this day every year");
        else if (date.year < 1970 || date.year > 9999)
            reader.fail(lineOf(*node), "party.first_day", "the year must lie between 1970 and 9999");
    }
    if (const toml::node* node = tables.field("party", "days")) {
        const std::int64_t days = *node->value<std::int64_t>();
        if (days < 1 || days > maximumDays)
            reader.fail(lineOf(*node), "party.days", std::to_string(days) + " is outside 1 to " + std::to_string(maximumDays));
        else
            content.days = int(days);
    }
}

// [venue] and [contact].
void readPlaceAndContacts(Reader& reader, const ContentTables& tables, PartyContent& content)
{
    content.hall = textOf(reader, tables, "venue", "hall").text;
    content.address = textOf(reader, tables, "venue", "address").text;
    content.town = textOf(reader, tables, "venue", "town").text;
    content.questions = textOf(reader, tables, "contact", "questions").text;
    content.entries = textOf(reader, tables, "contact", "entries").text;
    content.web = textOf(reader, tables, "contact", "web").text;
}

// What {party.name} and the other placeholders of the texts stand for.
Facts factsOf(const PartyContent& content)
{
    Facts facts;
    facts.counts["party.days"] = content.days;
    facts.texts = {
        {"party.name", content.name},
        {"party.days", countWord(content.days)},
        {"party.year", std::to_string(content.year)},
        {"venue.hall", content.hall},
        {"venue.address", content.address},
        {"venue.town", content.town},
        {"contact.questions", content.questions},
        {"contact.entries", content.entries},
        {"contact.web", content.web},
    };
    if (content.month > 0 && content.days > 0) {
        int y, m, d;
        lastDay(content.year, content.month, content.day, content.days, y, m, d);
        const std::vector<std::string>* months = &content.words.months;
        facts.texts["party.first_day"] = dayText(content.month, content.day, months);
        facts.texts["party.last_day"] = dayText(m, d, months);
        facts.texts["party.dates"] = dateRangeText(content.year, content.month, content.day, content.days, &content.words);
        facts.texts["party.dates_with_years"] =
            datesWithYears(content.year, content.month, content.day, content.days, &content.words);
    } else {
        facts.texts["party.first_day"] = facts.texts["party.last_day"] = facts.texts["party.dates"] =
            facts.texts["party.dates_with_years"] = "";
    }
    return facts;
}

// The .nfo is text in code page 437 of at most 80 columns. A fact with letters the code page
// lacks takes its spelling there from the [nfo] table, so the pictures keep the letters the
// font draws.
// Returns the facts as the .nfo spells them, the .nfo's words are filled in with; its dates
// write the letters the code page lacks without their accents.
Facts readNfoSpellings(Reader& reader, const ContentTables& tables, const Facts& facts, const RawText& credits,
                       PartyContent& content)
{
    const struct {
        const std::string* value;
        std::string* nfoValue;
        const char* field;
        const char* nfoKey;
        std::size_t longest;
    } nfoFacts[] = {
        {&content.name, &content.nfo.name, "party.name", "name", 40},
        {&content.hall, &content.nfo.hall, "venue.hall", "hall", 60},
        {&content.address, &content.nfo.address, "venue.address", "address", 60},
        {&content.town, &content.nfo.town, "venue.town", "town", 60},
        {&content.questions, &content.nfo.questions, "contact.questions", "questions", 60},
        {&content.entries, &content.nfo.entries, "contact.entries", "entries", 60},
        {&content.web, &content.nfo.web, "contact.web", "web", 60},
        {&content.credits, &content.nfo.credits, "credits.line", "credits", 400},
    };
    Facts spelledFacts = facts;
    for (const char* dates : {"party.first_day", "party.last_day", "party.dates", "party.dates_with_years"})
        spelledFacts.texts[dates] = cp437Spelling(facts.texts.at(dates));
    for (const auto& f : nfoFacts) {
        const std::string table = std::string(f.field).substr(0, std::string(f.field).find('.'));
        const std::string key = std::string(f.field).substr(table.size() + 1);
        const toml::node* node = tables.field(table, key);
        int line = node ? lineOf(*node) : 0;
        const bool spelled = tables.field("nfo", f.nfoKey) != nullptr;
        if (spelled) {
            const RawText raw = textOf(reader, tables, "nfo", f.nfoKey);
            *f.nfoValue = raw.text;
            line = raw.origin.line;
        } else if (f.nfoValue == &content.nfo.credits) {
            // The credits' placeholders take the facts as the .nfo spells them.
            *f.nfoValue = fillIn(reader, credits, spelledFacts);
        } else {
            *f.nfoValue = *f.value;
        }
        const std::string field = spelled ? std::string("nfo.") + f.nfoKey : std::string(f.field);
        const std::string missing = missingFromCp437(*f.nfoValue);
        if (!missing.empty())
            reader.fail(line, field,
                        "goes into the release's .nfo, written in code page 437, which has no \"" + missing + "\"" +
                            (spelled ? std::string(": spell it with other letters")
                                     : std::string(": give it a spelling there as ") + f.nfoKey +
                                           " = \"...\" in an [nfo] table"));
        else if (columnsOf(*f.nfoValue) > int(f.longest))
            reader.fail(line, field, "is longer than " + std::to_string(f.longest) + " characters");
        content.nfo.origins.push_back({*f.nfoValue, Origin{line, field}});
        if (f.nfoValue != &content.nfo.credits) spelledFacts.texts[f.field] = *f.nfoValue;
    }
    return spelledFacts;
}

// [soundtrack]: the organisers' own music, found from the content file's folder.
void readSoundtrack(Reader& reader, const ContentTables& tables, const std::string& file, PartyContent& content)
{
    if (!tables.field("soundtrack", "file")) return;
    const RawText raw = textOf(reader, tables, "soundtrack", "file");
    content.soundtrackFile = raw.text;
    content.soundtrackOrigin = raw.origin;
    if (raw.text.empty()) return;
    const std::filesystem::path given(raw.text);
    content.soundtrackPath =
        given.is_absolute() ? given.string() : (std::filesystem::path(file).parent_path() / given).string();
}

// A BCP 47 language tag as the web page's lang takes it: letters and digits in parts of 1 to 8
// joined by hyphens, the first of letters only ("en", "sv", "de-CH", "pl").
bool isLanguageTag(const std::string& tag)
{
    std::size_t part = 0;
    bool first = true;
    for (std::size_t k = 0; k <= tag.size(); ++k) {
        const char c = k < tag.size() ? tag[k] : '-';
        if (c == '-') {
            if (part == 0 || part > 8) return false;
            part = 0;
            first = false;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || (!first && std::isdigit(static_cast<unsigned char>(c)))) {
            ++part;
        } else {
            return false;
        }
    }
    return true;
}

// [language] and [words]: the words as written; the placeholders are filled in once the facts
// are known. The month and weekday names come first, as the dates among the facts use them.
void readWords(Reader& reader, const ContentTables& tables, PartyContent& content)
{
    PartyWords& words = content.words;
    if (tables.field("language", "tag")) {
        const RawText tag = textOf(reader, tables, "language", "tag");
        if (!isLanguageTag(tag.text))
            reader.fail(tag.origin.line, tag.origin.field,
                        "\"" + tag.text + "\" is not a language tag such as en, sv, de-CH or pl");
        else
            words.language = tag.text;
        words.languageOrigin = tag.origin;
    }
    // The dates among the facts take the word between their first and last day as written.
    if (tables.field("words", "to")) words.text["to"] = textOf(reader, tables, "words", "to").text;
    words.months.assign(EnglishMonthNames, EnglishMonthNames + 12);
    words.weekdays.assign(EnglishWeekdayNames, EnglishWeekdayNames + 7);
    const struct {
        const char* key;
        std::vector<std::string>* names;
        Origin* origin;
    } lists[] = {{"months", &words.months, &words.monthsOrigin}, {"weekdays", &words.weekdays, &words.weekdaysOrigin}};
    for (const auto& list : lists) {
        const RawLines given = linesOf(reader, tables, "words", list.key);
        if (given.origin.line == 0) continue;
        *list.origin = given.origin;
        if (given.lines.size() != list.names->size()) {
            reader.fail(given.origin.line, given.origin.field,
                        "needs " + std::to_string(list.names->size()) + " names, found " + std::to_string(given.lines.size()));
            continue;
        }
        for (std::size_t k = 0; k < given.lines.size(); ++k) {
            if (given.lines[k].text.empty()) reader.fail(given.lines[k].origin.line, given.lines[k].origin.field, "is empty");
            (*list.names)[k] = given.lines[k].text;
        }
    }
}

// The placeholders a word keeps for whoever writes it: the web page fills in why a download
// failed, how far it has come or the screen's title, the .nfo the soundtrack's file name.
std::vector<std::string> keptPlaceholders(const std::string& key)
{
    if (key == "loading") return {"percent", "done", "total"};
    if (key == "days_to_party") return {"days"};
    if (key == "label_clock") return {"title", "days"};
    if (key == "label_page") return {"title", "page"};
    if (key.rfind("label_", 0) == 0) return {"title"};
    if (key == "nfo_unpack") return {"soundtrack"};
    if (key == "load_failed" || key == "reload_failed" || key == "start_failed" || key == "stopped") return {"why"};
    return {};
}

// The .nfo's words take the facts as the .nfo spells them and must be letters of its code page.
void fillWords(Reader& reader, const ContentTables& tables, const Facts& facts, const Facts& nfoFacts,
               PartyContent& content)
{
    for (const auto& [key, english] : defaultWords()) {
        RawText raw{english, Origin{0, "words." + key}};
        if (tables.field("words", key)) {
            raw = textOf(reader, tables, "words", key);
            content.words.origins[key] = raw.origin;
        }
        const bool nfo = key.rfind("nfo_", 0) == 0;
        Facts own = nfo ? nfoFacts : facts;
        own.kept = keptPlaceholders(key);
        // The clock's date has placeholders of its own, filled in as it is drawn; the dates
        // among the facts took the word between their days as written.
        const bool asWritten = key == "long_date" || key == "to";
        const std::string text = asWritten ? raw.text : fillIn(reader, raw, own);
        content.words.text[key] = text;
        if (!nfo) continue;
        const std::string missing = missingFromCp437(text);
        if (!missing.empty())
            reader.fail(raw.origin.line, raw.origin.field,
                        "goes into the release's .nfo, written in code page 437, which has no \"" + missing +
                            "\": spell it with other letters");
        content.nfo.origins.push_back({text, raw.origin});
    }
}

// [pictures]: the organisers' own background and menu, found from the content file's folder.
void readPictures(Reader& reader, const ContentTables& tables, const std::string& file, PartyContent& content)
{
    const struct {
        const char* key;
        OwnPicture* picture;
    } pictures[] = {{"background", &content.background}, {"menu", &content.menuPicture}};
    for (const auto& p : pictures) {
        if (!tables.field("pictures", p.key)) continue;
        const RawText raw = textOf(reader, tables, "pictures", p.key);
        if (raw.text.empty()) continue;
        const std::filesystem::path given(raw.text);
        p.picture->path =
            given.is_absolute() ? given.string() : (std::filesystem::path(file).parent_path() / given).string();
        p.picture->origin = raw.origin;
    }
}

}  // namespace

bool isFileStem(const std::string& stem)
{
    if (stem.empty() || stem.size() > maximumStemLength || stem[0] == '.' || stem[0] == '-' || stem.back() == '.')
        return false;
    const auto asciiLetterOrDigit = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    for (const char c : stem)
        if (!asciiLetterOrDigit(c) && c != '-' && c != '_' && c != '.') return false;
    // The names Windows keeps for its devices, which no file there can have, whatever follows
    // the first dot.
    std::string base = stem.substr(0, stem.find('.'));
    for (char& c : base) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* device : {"con", "prn", "aux", "nul"})
        if (base == device) return false;
    const bool numbered = base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0);
    return !(numbered && base[3] >= '0' && base[3] <= '9');
}

namespace {

// [files]: the stem of every file name the party's audience sees.
void readFileStem(Reader& reader, const ContentTables& tables, PartyContent& content)
{
    if (!tables.field("files", "stem")) return;
    const RawText raw = textOf(reader, tables, "files", "stem");
    content.stemOrigin = raw.origin;
    if (raw.text.empty()) return;
    if (!isFileStem(raw.text)) {
        reader.fail(raw.origin.line, "files.stem",
                    "\"" + raw.text + "\" cannot name the files: use 1 to " + std::to_string(maximumStemLength) +
                        " ASCII letters, digits, '-', '_' and '.', starting with a letter or digit and not ending in "
                        "'.', such as gotahack27 (a device name of Windows, such as con or nul, is not taken)");
        return;
    }
    content.stem = raw.text;
}

// [web]: the address the site is put at, as an absolute http or https address of its folder.
// It goes into the page's preview tags, so it may not hold spaces, quotes, angle brackets, a
// query or a fragment.
bool isFolderAddress(const std::string& address)
{
    const bool http = address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
    const std::size_t host = address.find("//") + 2;
    if (!http || address.size() <= host || address[host] == '/') return false;
    for (const char c : address) {
        if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c)) ||
            std::strchr("\"'<>`?#\\", c)) {
            return false;
        }
    }
    return true;
}

// The contact addresses become the page's links: the two mail addresses mailto: links, the
// web address an http or https link, https:// put before it when it names no scheme. Any other
// scheme (javascript:, data:, ...) is refused, and so is what would not stay one address.
bool isMailAddress(const std::string& address)
{
    const std::size_t at = address.find('@');
    if (at == 0 || at == std::string::npos || at + 1 == address.size() || address.find('@', at + 1) != std::string::npos)
        return false;
    for (const char c : address) {
        if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c)) ||
            std::strchr("\"'<>`?#\\:/,;()[]", c)) {
            return false;
        }
    }
    return true;
}

void checkContactLinks(Reader& reader, const ContentTables& tables)
{
    for (const char* key : {"questions", "entries"}) {
        const toml::node* node = tables.field("contact", key);
        if (!node || !node->is_string()) continue;
        const std::string address = *node->value<std::string>();
        if (!address.empty() && !isMailAddress(address))
            reader.fail(lineOf(*node), std::string("contact.") + key,
                        "expected a mail address such as orga@example.org (it becomes a mailto: link)");
    }
    const toml::node* node = tables.field("contact", "web");
    if (!node || !node->is_string()) return;
    const std::string web = *node->value<std::string>();
    // A scheme is letters, digits, '+', '-' or '.' before a ':' that comes before any '/'.
    const std::size_t colon = web.find(':');
    bool otherScheme = colon != std::string::npos && colon < web.find('/') && colon > 0;
    for (std::size_t k = 0; otherScheme && k < colon; ++k)
        otherScheme = std::isalnum(static_cast<unsigned char>(web[k])) || std::strchr("+-.", web[k]);
    const bool http = web.rfind("http://", 0) == 0 || web.rfind("https://", 0) == 0;
    if (!web.empty() && ((otherScheme && !http) || !isFolderAddress(webLink(web))))
        reader.fail(lineOf(*node), "contact.web",
                    "expected a web address such as www.example.org or https://www.example.org/news/ (http or "
                    "https, no spaces, quotes, '?' or '#')");
}

void readWebAddress(Reader& reader, const ContentTables& tables, PartyContent& content)
{
    if (!tables.field("web", "address")) return;
    const RawText raw = textOf(reader, tables, "web", "address");
    if (raw.text.empty()) return;
    if (!isFolderAddress(raw.text)) {
        reader.fail(raw.origin.line, "web.address",
                    "expected the folder's address, such as https://www.example.org/invitation/ (http or https, "
                    "no spaces, quotes, '?' or '#')");
        return;
    }
    content.webAddress = raw.text.back() == '/' ? raw.text : raw.text + "/";
}

// [plates]: one caption per plate.
void readCaptions(Reader& reader, const ContentTables& tables, const Facts& facts, bool othersFailed,
                  PartyContent& content)
{
    const std::vector<RawText> captions = linesOf(reader, tables, "plates", "captions").lines;
    const toml::node* list = tables.field("plates", "captions");
    if (list && captions.size() != plateCount && !othersFailed)
        reader.fail(lineOf(*list), "plates.captions",
                    "needs exactly 7 captions, one per plate; found " + std::to_string(captions.size()));
    for (std::size_t k = 0; k < captions.size() && k < plateCount; ++k) {
        content.captions[k] = fillIn(reader, captions[k], facts);
        content.captionOrigins[k] = captions[k].origin;
        if (content.captions[k].empty())
            reader.fail(captions[k].origin.line, captions[k].origin.field, "a plate needs a caption");
    }
}

void buildGeneralPage(Reader& reader, const ContentTables& tables, const Facts& facts, PartyContent& content)
{
    PageBuilder page{reader, facts, content.pages[0]};
    page.heading(wordText(content, "page_general"),
                 content.words.origins.count("page_general") ? wordOrigin(content, "page_general") : content.nameOrigin);
    page.gap();
    for (const RawText& raw : linesOf(reader, tables, "general", "intro").lines) {
        const std::string text = fillIn(reader, raw, facts);
        content.pages[0].push_back(PageLine{text.empty() ? LineKind::Gap : LineKind::Body, text, raw.origin});
    }
    const std::pair<const char*, const char*> sections[] = {
        {"when", "when"}, {"bring", "what_to_bring"}, {"entrance", "entrance"}, {"food_and_sleep", "food_and_sleep"}};
    for (const auto& [key, title] : sections) {
        page.gap();
        page.section(wordText(content, title), wordOrigin(content, title), linesOf(reader, tables, "general", key));
    }
}

// One [[competition]] or [[rules]] entry: its title field and its list of lines.
void addRepeatedSection(Reader& reader, PageBuilder& page, const Facts& facts, const Fields& fields,
                        const std::string& prefix, const char* titleKey, const char* linesKey)
{
    RawText title;
    if (fields.count(titleKey)) title = readText(reader, *fields.at(titleKey), prefix + "." + titleKey);
    RawLines lines;
    if (fields.count(linesKey))
        lines = RawLines{readLines(reader, *fields.at(linesKey), prefix + "." + linesKey),
                         Origin{lineOf(*fields.at(linesKey)), prefix + "." + linesKey}};
    page.section(fillIn(reader, title, facts), title.origin, lines);
}

void buildCompetitionsPage(Reader& reader, const ContentTables& tables, const Facts& facts, PartyContent& content)
{
    PageBuilder page{reader, facts, content.pages[1]};
    page.heading(wordText(content, "page_competitions"), wordOrigin(content, "page_competitions"));
    page.gap();
    const auto found = tables.repeated.find("competition");
    const std::vector<Fields> none;
    const std::vector<Fields>& competitions = found == tables.repeated.end() ? none : found->second;
    content.competitionCount = int(competitions.size());
    for (std::size_t k = 0; k < competitions.size(); ++k) {
        addRepeatedSection(reader, page, facts, competitions[k], "competition[" + std::to_string(k) + "]", "name",
                           "rules");
        page.gap();
    }
    page.section(wordText(content, "deadlines"), wordOrigin(content, "deadlines"),
                 linesOf(reader, tables, "competitions", "deadlines"));
    page.gap();
    page.section(wordText(content, "prizes"), wordOrigin(content, "prizes"), linesOf(reader, tables, "competitions", "prizes"));
}

void buildRulesPage(Reader& reader, const ContentTables& tables, const Facts& facts, PartyContent& content)
{
    PageBuilder page{reader, facts, content.pages[2]};
    page.heading(wordText(content, "page_rules"), wordOrigin(content, "page_rules"));
    const auto found = tables.repeated.find("rules");
    if (found == tables.repeated.end()) return;
    for (std::size_t k = 0; k < found->second.size(); ++k) {
        page.gap();
        addRepeatedSection(reader, page, facts, found->second[k], "rules[" + std::to_string(k) + "]", "title", "lines");
    }
}

void buildLocationPage(Reader& reader, const ContentTables& tables, const Facts& facts, PartyContent& content)
{
    PageBuilder page{reader, facts, content.pages[3]};
    page.heading(wordText(content, "page_location"), wordOrigin(content, "page_location"));
    for (const char* key : {"where", "travel", "contact"}) {
        page.gap();
        page.section(wordText(content, key), wordOrigin(content, key), linesOf(reader, tables, "location", key));
    }
}

}  // namespace

bool parseContent(const std::string& text, const std::string& file, PartyContent& content,
                  std::vector<ContentError>& errors)
{
    Reader reader{errors};
    const std::size_t errorsBefore = errors.size();
    const auto problemsSoFar = [&] {
        return problemCount(std::vector<ContentError>(errors.begin() + std::ptrdiff_t(errorsBefore), errors.end()));
    };
    content = PartyContent{};
    content.file = file;
    toml::table document;
    if (!parseDocument(reader, text, file, document)) return false;
    content.parsed = true;

    const ContentTables tables = collectTables(reader, document);
    readParty(reader, tables, content);
    readPlaceAndContacts(reader, tables, content);
    readWords(reader, tables, content);
    const Facts facts = factsOf(content);
    const RawText credits = textOf(reader, tables, "credits", "line");
    content.credits = fillIn(reader, credits, facts);
    const Facts nfoFacts = readNfoSpellings(reader, tables, facts, credits, content);
    readSoundtrack(reader, tables, file, content);
    readWebAddress(reader, tables, content);
    readFileStem(reader, tables, content);
    readPictures(reader, tables, file, content);
    checkContactLinks(reader, tables);
    fillWords(reader, tables, facts, nfoFacts, content);
    if (document.contains("timing")) {
        content.timingLine = lineOf(*document.get("timing"));
        const auto timing = tables.single.find("timing");
        readCues(reader, timing == tables.single.end() ? Fields{} : timing->second, content);
    }
    readCaptions(reader, tables, facts, problemCount(errors) != 0, content);
    buildGeneralPage(reader, tables, facts, content);
    buildCompetitionsPage(reader, tables, facts, content);
    buildRulesPage(reader, tables, facts, content);
    buildLocationPage(reader, tables, facts, content);
    return problemsSoFar() == 0;
}

bool loadContent(const std::string& file, PartyContent& content, std::vector<ContentError>& errors)
{
    bool ok = false;
    const std::string text = readFile(file, ok);
    if (!ok) {
        errors.push_back(ContentError{0, "", "cannot be read (give the content file with --content FILE)"});
        return false;
    }
    return parseContent(text, file, content, errors);
}
