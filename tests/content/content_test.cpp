// The content file: what the generator makes from it, what it rejects and how it says so, and
// the day count that follows its dates. The rules are tried on the reference party kept with
// the tests; the organisers' own file (content/party.toml) is only held to what must be true
// of any party: it passes every check, and resources/ is what it gives.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "scenes/pages.h"
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/content.h"
#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/letters.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/party_check.h"
#include "tools/assetgen/photo.h"
#include "tools/assetgen/show_cues.h"
#include "tools/assetgen/soundtrack.h"
#include "tools/assetgen/text.h"
#include "tools/assetgen/web_facts.h"
#include "tools/png_writer.h"

namespace {

const std::string SourceDir = INVITE_SOURCE_DIR;
const std::string PartyFile = SourceDir + "/content/party.toml";  // the organisers'
const std::string ReferenceFile = SourceDir + "/tests/reference/party.toml";
const std::string ReferenceResources = INVITE_REFERENCE_RESOURCES;
const std::string OtherFile = SourceDir + "/tests/content/other_party.toml";

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The 1-based line of the first occurrence of `needle`.
int lineWith(const std::string& text, const std::string& needle)
{
    const std::size_t at = text.find(needle);
    if (at == std::string::npos) return -1;
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(at), '\n'));
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Everything the generator checks, as assetgen does it, warnings apart.
std::vector<ContentError> problems(const std::string& text, PartyContent& content)
{
    std::vector<ContentError> errors;
    checkPartyText(text, "party.toml", content, errors);
    std::vector<ContentError> stopping;
    for (const ContentError& e : errors)
        if (!e.warning) stopping.push_back(e);
    return stopping;
}

std::string allMessages(const std::vector<ContentError>& errors)
{
    std::string all;
    for (const ContentError& e : errors) all += formatError("party.toml", e) + "\n";
    return all;
}

struct ContentTest : ::testing::Test {
    static void SetUpTestSuite() { ASSERT_TRUE(openFaces()) << "the DejaVu fonts are missing"; }
    static void TearDownTestSuite() { closeFaces(); }

    PartyContent load(const std::string& file)
    {
        PartyContent content;
        std::vector<ContentError> errors;
        EXPECT_TRUE(checkPartyFile(file, content, errors));
        for (const ContentError& e : errors) ADD_FAILURE() << formatError(file, e);
        return content;
    }

    static std::map<std::string, Bytes> byName(const std::vector<OutputFile>& files)
    {
        std::map<std::string, Bytes> named;
        for (const OutputFile& f : files) named[f.name] = f.bytes;
        return named;
    }
};

// Whatever the party, `make assets` has written resources/ from content/party.toml.
TEST_F(ContentTest, OrganisersFileGivesTheCommittedResources)
{
    const PartyContent content = load(PartyFile);
    for (const OutputFile& file : generatedFiles(content, false)) {
        const std::string committed = readText(SourceDir + "/resources/" + file.name);
        EXPECT_TRUE(committed == std::string(file.bytes.begin(), file.bytes.end()))
            << "resources/" << file.name << " is not what content/party.toml gives: run make assets";
    }
}

TEST_F(ContentTest, PlaceholdersMakeTheReferenceCaptions)
{
    const PartyContent content = load(ReferenceFile);
    EXPECT_EQ(content.name, "ZURA 5");
    EXPECT_EQ(content.hall, "Quillmoor Hall");
    EXPECT_EQ(content.captions[3], "FROM 9 TO 11 NOVEMBER");
    EXPECT_EQ(content.captions[4], "AT QUILLMOOR HALL IN TARNWICK");
    EXPECT_EQ(content.captions[2], "THREE DAYS OF DEMOS, MUSIC AND GRAPHICS");
    EXPECT_EQ(content.credits, "Code, pictures, font, 3D model and music: the ZURA 5 invitation's own generator.");
    // The reference's files, which the test programs embed, are what the generator makes now.
    for (const OutputFile& file : generatedFiles(content, false))
        EXPECT_TRUE(readText(ReferenceResources + "/" + file.name) == std::string(file.bytes.begin(), file.bytes.end()))
            << file.name;
}

TEST_F(ContentTest, AnotherPartyChangesOnlyWhatItsFactsTouch)
{
    const PartyContent party = load(ReferenceFile);
    const PartyContent other = load(OtherFile);
    EXPECT_EQ(other.competitionCount, 8);
    EXPECT_EQ(other.captions[3], "FROM 30 MARCH TO 2 APRIL");
    EXPECT_EQ(other.captions[4], "AT BRACKENFOLD MILL IN EMBERLEY");
    EXPECT_EQ(other.captions[2], "FOUR DAYS OF DEMOS, MUSIC AND GRAPHICS");

    const auto before = byName(generatedFiles(party, false));
    const auto after = byName(generatedFiles(other, false));
    ASSERT_EQ(before.size(), after.size());
    std::set<std::string> changed;
    for (const auto& [name, bytes] : before)
        if (after.at(name) != bytes) changed.insert(name);
    // Page 1 tells the dates and days, page 2 the competitions, page 4 the hall; the plates
    // with the days, the dates and the hall; the clock's dates and the .nfo. The rules page,
    // the menu, the other plates, buttons, font, model and pictures stay.
    const std::set<std::string> expected = {"page1.pcx",  "page2.pcx",  "page4.pcx",     "plate3.tga",
                                            "plate6.tga", "plate4.tga", "party_dates.h", "zura5inv.nfo"};
    EXPECT_EQ(changed, expected);

    // Page 2 grows by the two new competitions.
    const auto textOf = [](const PartyContent& c, int page) {
        std::string all;
        for (const PageLine& line : c.pages[page]) all += line.text + "\n";
        return all;
    };
    EXPECT_EQ(textOf(party, 1).find("Oldskool"), std::string::npos);
    EXPECT_NE(textOf(other, 1).find("Oldskool"), std::string::npos);
    EXPECT_NE(textOf(other, 0).find("From 30 March at 12:00 to 2 April at 16:00."), std::string::npos);
    EXPECT_NE(textOf(other, 3).find("Brackenfold Mill, 3 Dyers Yard, Emberley."), std::string::npos);
    EXPECT_EQ(textOf(party, 2), textOf(other, 2));
}

// The clock's dates travel from the file through the generated header into the count.
TEST_F(ContentTest, DayCountFollowsTheFileDates)
{
    const PartyContent other = load(OtherFile);
    const std::string header = partyDatesHeader(other);
    EXPECT_NE(header.find("partyFirstYear = 2028;"), std::string::npos) << header;
    EXPECT_NE(header.find("partyFirstMonth = 3;"), std::string::npos) << header;
    EXPECT_NE(header.find("partyFirstDay = 30;"), std::string::npos) << header;
    EXPECT_NE(header.find("partyDays = 4;"), std::string::npos) << header;

    const PartyDates dates{other.month, other.day, other.days, other.year};
    using namespace std::chrono;
    const auto dayOf = [](int y, int m, int d) {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = m - 1;
        t.tm_mday = d;
        return t;
    };
    EXPECT_EQ(daysLeft(dayOf(2027, 3, 31), dates), 365);  // the year before: to 30 March 2028, no 0
    const sys_days party2028{year{2028} / 3 / 30};
    EXPECT_EQ(daysLeft(dayOf(2028, 1, 1), dates), (party2028 - sys_days{year{2028} / 1 / 1}).count());
    EXPECT_EQ(daysLeft(dayOf(2028, 2, 29), dates), (party2028 - sys_days{year{2028} / 2 / 29}).count());
    for (int d : {30, 31}) EXPECT_EQ(daysLeft(dayOf(2028, 3, d), dates), 0) << d;
    for (int d : {1, 2}) EXPECT_EQ(daysLeft(dayOf(2028, 4, d), dates), 0) << d;
    EXPECT_EQ(daysLeft(dayOf(2028, 4, 3), dates), (sys_days{year{2029} / 3 / 30} - sys_days{year{2028} / 4 / 3}).count());

    // And the committed header holds the organisers' dates, which the program is built with.
    const PartyContent party = load(PartyFile);
    EXPECT_EQ(readText(SourceDir + "/resources/party_dates.h"), partyDatesHeader(party));
    EXPECT_EQ(BakedPartyDates.month, party.month);
    EXPECT_EQ(BakedPartyDates.day, party.day);
    EXPECT_EQ(BakedPartyDates.days, party.days);
    EXPECT_EQ(BakedPartyDates.year, party.year);
}

TEST_F(ContentTest, NfoIsWithinEightyColumnsAndTellsTheFacts)
{
    for (const std::string& file : {PartyFile, ReferenceFile, OtherFile}) {
        const PartyContent content = load(file);
        const std::string nfo = nfoFileText(content);  // a column a byte
        ASSERT_FALSE(nfo.empty());
        std::istringstream lines(nfo);
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            EXPECT_LE(line.size(), std::size_t(nfoColumns)) << file << ": the .nfo's line " << number;
            for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << file << ": the .nfo's line " << number;
        }
        // With each year where a party runs into the next.
        const std::string dates =
            cp437Text(cp437Spelling(datesWithYears(content.year, content.month, content.day, content.days, &content.words)));
        EXPECT_NE(nfo.find(dates), std::string::npos) << dates;
        EXPECT_NE(nfo.find(std::to_string(content.year)), std::string::npos);
        EXPECT_NE(nfo.find(content.nfo.hall), std::string::npos);
        EXPECT_NE(nfo.find(content.nfo.town), std::string::npos);
        EXPECT_NE(nfo.find(content.nfo.questions), std::string::npos);
        EXPECT_NE(nfo.find(content.nfo.web), std::string::npos);
        for (const char* run : {"./invite_windowed", "./invite_fullscreen", "invite_windowed.exe",
                                "invite_fullscreen.exe", "X11", "Wayland", "640x480"})
            EXPECT_NE(nfo.find(run), std::string::npos) << run;
    }
    const std::string reference = nfoText(load(ReferenceFile));
    EXPECT_NE(reference.find("9 to 11 November 2027"), std::string::npos);
    EXPECT_NE(reference.find("Quillmoor Hall"), std::string::npos);
}

TEST(ContentDates, RangesAndCounts)
{
    EXPECT_EQ(dateRangeText(2027, 11, 9, 3), "9 to 11 November");
    EXPECT_EQ(dateRangeText(2027, 11, 30, 3), "30 November to 2 December");
    EXPECT_EQ(dateRangeText(2027, 12, 30, 4), "30 December to 2 January");
    EXPECT_EQ(dateRangeText(2028, 2, 28, 2), "28 to 29 February");
    EXPECT_EQ(dateRangeText(2027, 2, 28, 2), "28 February to 1 March");
    EXPECT_EQ(dateRangeText(2027, 6, 1, 1), "1 June");
    int y, m, d;
    lastDay(2027, 12, 30, 4, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20280102);
    EXPECT_EQ(datesWithYears(2027, 11, 9, 3), "9 to 11 November 2027");
    EXPECT_EQ(datesWithYears(2027, 12, 30, 4), "30 December 2027 to 2 January 2028");
    EXPECT_EQ(datesWithYears(2027, 6, 1, 1), "1 June 2027");
    EXPECT_EQ(countWord(3), "three");
    // A party that is over gets a warning, naming its date field; its last day does not.
    PartyContent past;
    past.year = 2019, past.month = 3, past.day = 1, past.days = 3;
    past.datesOrigin = Origin{7, "party.first_day"};
    const std::tuple<int, int, int, std::size_t> todays[] = {{2019, 3, 3, 0}, {2019, 3, 4, 1}, {2026, 1, 1, 1}, {2018, 12, 31, 0}};
    for (const auto& [year, month, dayOfMonth, warnings] : todays) {
        std::vector<ContentError> errors;
        checkPartyIsAhead(past, year, month, dayOfMonth, errors);
        ASSERT_EQ(errors.size(), warnings) << year << "-" << month << "-" << dayOfMonth;
        if (warnings) {
            EXPECT_EQ(formatError("p.toml", errors[0]), "p.toml:7: warning: party.first_day: the party was over on 3 March "
                                                        "2019; the clock page counts the days to the same day of the next year");
        }
    }
    EXPECT_EQ(countWord(14), "14");
}

TEST(ContentNfo, WrapKeepsWordsWithinTheWidth)
{
    EXPECT_EQ(wrapText("aaa bbb ccc", 9, "  "), "  aaa bbb\n  ccc\n");
    EXPECT_EQ(wrapText("\xC3\xA4\xC3\xA4\xC3\xA4 bbb ccc", 9, "  "), "  \xC3\xA4\xC3\xA4\xC3\xA4 bbb\n  ccc\n");  // letters, not bytes
    EXPECT_EQ(wrapText("", 10, "  "), "");
}

TEST(ContentLetters, CapitalsAndTheNfoCodePage)
{
    const std::pair<const char*, const char*> capitals[] = {
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x81\xC3\x93" "D\xC5\xB9"},  // Łódź
        {"\xC5\x82\xC4\x85\xC4\x99\xC5\x9B\xC5\xBC\xC5\xBA\xC4\x87\xC5\x84\xC5\x93",  // łąęśżźćńœ
         "\xC5\x81\xC4\x84\xC4\x98\xC5\x9A\xC5\xBB\xC5\xB9\xC4\x86\xC5\x83\xC5\x92"},
        {"Gro\xC3\x9F""e", "GROSSE"},
        {"z\xC3\xBCrich \xC3\xB7 \xC3\xBF \xC4\xB1 \xC4\xB8", "Z\xC3\x9CRICH \xC3\xB7 \xC5\xB8 I \xC4\xB8"},  // ÷ and ĸ stay
    };
    for (const auto& [lower, upper] : capitals) EXPECT_EQ(upperCase(lower), upper) << lower;
    EXPECT_EQ(capitalised("\xC5\x82\xC3\xB3" "d\xC5\xBA"), "\xC5\x81\xC3\xB3" "d\xC5\xBA");
    EXPECT_EQ(cp437Text("G\xC3\xB6ta \xC3\xA5\xC3\xA4\xC3\xA9\xC3\xBC\xC3\x9F \xC3\x85\xC3\x84\xC3\x96"), "G\x94ta \x86\x84\x82\x81\xE1 \x8F\x8E\x99");
    EXPECT_EQ(missingFromCp437("\xC5\x81\xC3\xB3" "d\xC5\xBA \xC5\x81"), "\xC5\x81\xC5\xBA");
    EXPECT_EQ(cp437Text("\xC5\x81\xC3\xB3" "d\xC5\xBA"), "?\xA2" "d?");
    EXPECT_EQ(columnsOf("J\xC3\xA4rntorget \xE2\x82\xA7"), 12);
}

// Each way a file can be wrong: the line it names, the field and the words of the message.
struct BrokenCase {
    const char* what;
    const char* from;
    const char* to;
    const char* lineWith;  // in the broken text
    const char* field;
    const char* message;
};

const BrokenCase BrokenCases[] = {
    {"missing field", "hall = \"Quillmoor Hall\"\n", "", "[venue]", "venue.hall", "is missing from [venue]"},
    {"misspelled field", "town = \"Tarnwick\"", "twon = \"Tarnwick\"", "twon =", "venue.twon",
     "is not a field of [venue] (misspelled?)"},
    {"misspelled table", "[location]", "[locaton]", "[locaton]", "locaton", "is not a table of this file"},
    {"wrong type", "days = 3", "days = \"3\"", "days = \"3\"", "party.days", "expected a whole number, found text"},
    {"date as text", "first_day = 2027-11-09", "first_day = \"9 November\"", "first_day =", "party.first_day",
     "expected a date such as 2027-11-09"},
    {"line of the wrong type", "\"SEE YOU THERE!\"", "42", "  42,", "plates.captions[6]",
     "expected a line of text in quotes, found a whole number"},
    {"impossible date", "first_day = 2027-11-09", "first_day = 2027-11-31", "first_day =", "",
     "(in: first_day = 2027-11-31)"},
    {"29 February", "first_day = 2027-11-09", "first_day = 2028-02-29", "first_day =", "party.first_day",
     "29 February is not in every year"},
    {"no days", "days = 3", "days = 0", "days = 0", "party.days", "0 is outside 1 to 14"},
    {"caption too wide", "\"SEE YOU THERE!\"", "\"SEE YOU THERE, AND BRING ALL YOUR FRIENDS TOO!\"",
     "BRING ALL YOUR", "plates.captions[6]", "pixels wide, the plate has room for 355"},
    {"line too wide", "\"2. The organisers may refuse any entry or any visitor without giving a reason.\"",
     "\"2. The organisers may refuse any entry or any visitor without giving a reason, ever, at all, today or later.\"",
     "reason, ever", "rules[0].lines[2]", "page 3 (rules) has room for 556"},
    {"page 1 too tall", "food_and_sleep = [\n", "food_and_sleep = [\n  \"One more line.\",\n  \"And one more.\",\n",
     "off is kept free", "general.food_and_sleep[3]", "page 1 (general information) takes 390 rows but may take 378"},
    {"page 4 too tall", "travel = [\n",
     "travel = [\n  \"a\",\n  \"b\",\n  \"c\",\n  \"d\",\n  \"e\",\n  \"f\",\n  \"g\",\n", "Questions: {contact",
     "location.contact[0]", "page 4 (location and contact) takes 326 rows but may take 307"},
    {"page 3 too tall", "\"33. At most five minutes on stage, set-up time included.\",",
     "\"33. At most five minutes on stage, set-up time included.\",\n  \"a\",\n  \"b\",\n  \"c\",\n  \"d\",\n"
     "  \"e\",\n  \"f\",\n  \"g\",\n  \"h\",",
     "\"Have fun", "rules[9].lines[2]", "page 3 (rules) takes 1288 rows but may take 1273"},
    {"character the font lacks", "\"Safety\"", "\"Safety \xE6\xBC\xA2\"", "title = \"Safety ", "rules[8].title",
     "the font cannot draw \"\xE6\xBC\xA2\""},
    {"unknown fact", "FROM {PARTY.DATES}", "FROM {PARTY.DATE}", "FROM {PARTY.DATE}", "plates.captions[3]",
     "names an unknown fact {PARTY.DATE}"},
    {"brace left open", "FROM {PARTY.DATES}", "FROM {PARTY.DATES", "FROM {PARTY.DATES", "plates.captions[3]",
     "has a '{' without its '}'"},
    {"letter of no .nfo code page", "hall = \"Quillmoor Hall\"", "hall = \"Quillmo\xC5\x82r Hall\"", "hall =",
     "venue.hall", "code page 437, which has no \"\xC5\x82\""},
    {".nfo line too wide", "hall = \"Quillmoor Hall\"\naddress = \"14 Weir Lane\"",
     "hall = \"Quillmoor Wool Market Exhibition Hall\"\naddress = \"Unit 14, Weir Lane Trading Estate\"",
     "hall = \"Quillmoor Wool", "venue.hall", "makes line 12 of the release's .nfo 82 columns wide, and it has 80"},
    {"credits too wide for the .nfo", "line = \"Code, pictures",
     "line = \"https://www.zura5.invalid/the-invitation/was-made-by-its-own-generator/with-no-files-from-outside Code, pictures",
     "line = \"https", "credits.line", "makes line 54 of the release's .nfo 99 columns wide"},
    {"forms of a text", "FROM {PARTY.DATES}", "FROM {PARTY.DATES|A|B}", "FROM {PARTY", "plates.captions[3]",
     "names an unknown fact {PARTY.DATES|A|B}"},
    {"six captions", "  \"SEE YOU THERE!\",\n", "", "captions = [", "plates.captions", "needs exactly 7 captions"},
    {"empty fact", "hall = \"Quillmoor Hall\"", "hall = \"\"", "hall = ", "venue.hall", "is empty"},
    {"tab in a line", "\"Have fun, make", "\"Have\\tfun, make", "Have\\tfun", "rules[9].lines[2]",
     "control character"},
    {"plates out of order", "[8000, 14000], [14000", "[7000, 14000], [14000", "[7000, 14000]", "timing.plates[1]",
     "before plate 0 ends (8000)"},
    {"plate window too short", "[38000, 41700]", "[38000, 38500]", "[38000, 38500]", "timing.plates[6]",
     "lasts 500 ms; a plate needs 1100 to 10000 ms"},
    {"last plate after the menu", "menu = 41701", "menu = 40000", "[38000, 41700]", "timing.plates[6]",
     "after the menu comes (40000)"},
    {"flash before the globe", "flash = 27551", "flash = 14000", "flash = 14000", "timing.flash",
     "must come after globe (14650)"},
    {"menu less than a minute before the built-in track starts over", "menu = 41701", "menu = 140000",
     "menu = 140000", "timing.menu", "the menu would stay up only 55.300 s; it needs 60.000 s of music after it"},
    {"cue as text", "globe = 14650", "globe = \"14650\"", "globe = ", "timing.globe", "expected a whole number"},
    {"six plate windows", "[38000, 41700],\n", "\n", "plates = [", "timing.plates", "needs exactly 7 windows"},
    {"soundtrack not found", "# file = \"our_music.mp3\"", "file = \"no_such_music.mp3\"", "file = \"no_such",
     "soundtrack.file", "there is no file no_such_music.mp3"},
    {"web address without its scheme", "[soundtrack]\n", "[web]\naddress = \"www.zura5.invalid/inv/\"\n[soundtrack]\n",
     "address = \"www", "web.address", "expected the folder's address"},
    {"web address with a quote", "[soundtrack]\n", "[web]\naddress = \"https://x.invalid/\\\"a/\"\n[soundtrack]\n",
     "address = \"https", "web.address", "no spaces, quotes"},
    {"web address with a query", "[soundtrack]\n", "[web]\naddress = \"https://x.invalid/?a=1\"\n[soundtrack]\n",
     "address = \"https", "web.address", "expected the folder's address"},
    {"web address without a host", "[soundtrack]\n", "[web]\naddress = \"https:///inv/\"\n[soundtrack]\n",
     "address = \"https", "web.address", "expected the folder's address"},
    {"misspelled first day", "first_day = 2027-11-09", "frist_day = 2027-11-09", "[party]", "party.first_day",
     "is missing from [party]"},
    {"plate start that wraps round", "[2000, 8000]", "[4294969296, 8000]", "[4294969296", "timing.plates[0]",
     "lies outside 0 to 3600000"},
    {"plate end that wraps round", "[2000, 8000]", "[2000, -4294959296]", "[2000, -4", "timing.plates[0]",
     "lies outside 0 to 3600000"},
    {"script link", "web = \"www.zura5.invalid\"", "web = \"javascript://%0Aalert(5)\"", "web = \"javascript",
     "contact.web", "expected a web address"},
    {"web link that another address follows", "web = \"www.zura5.invalid\"",
     "web = \"www.zura5.invalid/?u=https://x\"", "web = \"www.zura5", "contact.web", "expected a web address"},
    {"mail address with a scheme", "questions = \"orga@zura5.invalid\"", "questions = \"javascript:alert(1)//@x\"",
     "questions = \"javascript", "contact.questions", "expected a mail address"},
    {"file stem that leaves the folder", "[soundtrack]\n", "[files]\nstem = \"../up\"\n[soundtrack]\n", "stem = ",
     "files.stem", "\"../up\" cannot name the files"},
    {"file stem with a folder", "[soundtrack]\n", "[files]\nstem = \"a/b\"\n[soundtrack]\n", "stem = ", "files.stem",
     "cannot name the files"},
    {"hidden file stem", "[soundtrack]\n", "[files]\nstem = \".party\"\n[soundtrack]\n", "stem = ", "files.stem",
     "cannot name the files"},
    {"file stem with a letter beyond ASCII", "[soundtrack]\n", "[files]\nstem = \"g\xC3\xB6ta\"\n[soundtrack]\n", "stem = ",
     "files.stem", "cannot name the files"},
    {"file stem of a Windows device", "[soundtrack]\n", "[files]\nstem = \"Com1\"\n[soundtrack]\n", "stem = ",
     "files.stem", "cannot name the files"},
    {"file stem of 33 letters", "[soundtrack]\n", "[files]\nstem = \"ggggggggggggggggggggggggggggggggg\"\n[soundtrack]\n",
     "stem = ", "files.stem", "use 1 to 32 ASCII letters"},
    {"letter of no code page in the .nfo spelling", "# [nfo]\n# town = \"Lodz\"", "[nfo]\ntown = \"\xC5\x81odz\"",
     "town = \"\xC5", "nfo.town", "code page 437"},
};

TEST_F(ContentTest, EachBrokenFileIsNamedByLineAndField)
{
    const std::string good = readText(ReferenceFile);
    for (const BrokenCase& c : BrokenCases) {
        SCOPED_TRACE(c.what);
        const std::string text = replaced(good, c.from, c.to);
        PartyContent content;
        const std::vector<ContentError> errors = problems(text, content);
        ASSERT_FALSE(errors.empty());
        const int line = lineWith(text, c.lineWith);
        ASSERT_GT(line, 0) << c.lineWith;
        bool found = false;
        std::string all;
        for (const ContentError& e : errors) {
            const std::string message = formatError("content/party.toml", e);
            all += message + "\n";
            const std::string start = "content/party.toml:" + std::to_string(line) + ": " +
                                      (*c.field ? std::string(c.field) + ": " : "");
            found |= message.rfind(start, 0) == 0 && message.find(c.message) != std::string::npos;
        }
        EXPECT_TRUE(found) << "expected line " << line << ", field " << c.field << ", \"" << c.message
                           << "\"; got:\n"
                           << all;
    }
}

// [files] stem names the .nfo, the soundtrack it speaks of and the header the programs and the
// scripts read; without it the files keep the invitation's own names.
TEST_F(ContentTest, TheFileStemNamesWhatTheAudienceGets)
{
    const std::string good = readText(ReferenceFile);
    for (const auto& [table, stem] : {std::pair<std::string, std::string>{"", "zura5inv"},
                                      {"[files]\nstem = \"gota_hack-27.v2\"\n", "gota_hack-27.v2"}}) {
        SCOPED_TRACE(stem);
        PartyContent content;
        const std::vector<ContentError> errors = problems(replaced(good, "[soundtrack]\n", table + "[soundtrack]\n"), content);
        ASSERT_TRUE(errors.empty()) << allMessages(errors);
        const auto files = byName(generatedFiles(content, false));
        ASSERT_TRUE(files.count(stem + ".nfo"));
        const std::string nfo(files.at(stem + ".nfo").begin(), files.at(stem + ".nfo").end());
        EXPECT_NE(nfo.find("  " + stem + ".mp3 must stay beside it."), std::string::npos) << nfo;
        const std::string header(files.at("party_files.h").begin(), files.at("party_files.h").end());
        EXPECT_NE(header.find("fileStem = \"" + stem + "\";"), std::string::npos) << header;
        EXPECT_NE(header.find("soundtrackFileName = \"" + stem + ".mp3\";"), std::string::npos) << header;
        EXPECT_EQ(files.size(), byName(generatedFiles(load(ReferenceFile), false)).size());
    }
}

TEST_F(ContentTest, AMissingTableIsNamedWithoutALine)
{
    PartyContent content;
    const std::vector<ContentError> errors =
        problems(replaced(readText(ReferenceFile), "[credits]\n", "[extra]\n"), content);
    std::string all;
    for (const ContentError& e : errors) all += formatError("f.toml", e) + "\n";
    EXPECT_NE(all.find("f.toml: credits: the [credits] table is missing"), std::string::npos) << all;
    EXPECT_NE(all.find("f.toml:" + std::to_string(lineWith(readText(ReferenceFile), "[credits]")) + ": extra: is not a table"),
              std::string::npos)
        << all;
}

TEST_F(ContentTest, PlaceholdersFollowTheirCaseCountAndBraces)
{
    const struct {
        const char* town;
        int days;
        const char* caption;
        const char* expected;
    } Cases[] = {
        {"Tarnwick", 3, "{venue.town} {Venue.hall} {VENUE.TOWN} {Party.days}", "Tarnwick Quillmoor Hall TARNWICK Three"},
        {"\xC5\x82\xC3\xB3" "d\xC5\xBA", 1, "{VENUE.TOWN} {Venue.town}", "\xC5\x81\xC3\x93" "D\xC5\xB9 \xC5\x81\xC3\xB3" "d\xC5\xBA"},
        {"Gro\xC3\x9F" "e \xC5\x93", 1, "{VENUE.TOWN}", "GROSSE \xC5\x92"},
        {"Tarnwick", 1, "{PARTY.DAYS} {PARTY.DAYS|DAY|DAYS} {party.days|day|days}", "ONE DAY day"},
        {"Tarnwick", 2, "{Party.days} {party.days|day|days}", "Two days"},
        {"Tarnwick", 3, "{party.days|dzie\xC5\x84|dni|dni}", "dni"},
        {"Tarnwick", 12, "{party.days|a|b|c}", "c"},
        {"Tarnwick", 1, "{party.days|a|b|c}", "a"},
        {"Tarnwick", 3, "{{party.name}} {{", "{party.name}} {"},
    };
    for (const auto& c : Cases) {
        std::string text = replaced(readText(ReferenceFile), "\"SEE YOU THERE!\"", std::string("\"") + c.caption + "\"");
        text = replaced(text, "town = \"Tarnwick\"", std::string("town = \"") + c.town + "\"");
        text = replaced(text, "days = 3", "days = " + std::to_string(c.days));
        PartyContent content;
        std::vector<ContentError> errors;
        parseContent(text, "party.toml", content, errors);
        EXPECT_EQ(content.captions[6], c.expected) << c.caption << "\n" << allMessages(errors);
    }
}

TEST_F(ContentTest, AFileThatCannotBeReadIsNamed)
{
    PartyContent content;
    std::vector<ContentError> errors;
    EXPECT_FALSE(loadContent(SourceDir + "/no/such/party.toml", content, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(formatError("no/such/party.toml", errors[0]).find("no/such/party.toml: cannot be read"),
              std::string::npos);
}

}  // namespace

namespace {

// A file of its own in a fresh folder under the test's temporary folder.
std::string temporaryPath(const std::string& name)
{
    const std::string folder = ::testing::TempDir() + "/content_test_" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    return folder + "/" + name;
}

Bytes testTrack(double seconds)
{
    StereoTrack track = composeTestTrack(seconds);
    normalisePeak(track, 0.7);
    return encodeMp3(track);
}

// The reference file with the [soundtrack] file set to `path` and `timing` put in place of
// its [timing] table's cues.
std::string withSoundtrack(const std::string& path, const std::string& timing)
{
    std::string text = replaced(readText(ReferenceFile), "# file = \"our_music.mp3\"", "file = \"" + path + "\"");
    const std::size_t table = text.find("\n[timing]\n");
    return text.substr(0, table) + "\n[timing]\n" + timing;
}

}  // namespace

TEST_F(ContentTest, OrganisersSoundtrackIsCheckedAndTheCuesFollowItsLength)
{
    const std::string track = temporaryPath("long.mp3");
    ASSERT_TRUE(writeBytes(track, testTrack(85)));
    PartyContent content;

    // Today's menu at 41.7 s leaves less than a minute of 85 s of music; the message says so at [timing].
    std::string text = withSoundtrack(track, "");
    std::vector<ContentError> errors = problems(text, content);
    ASSERT_EQ(errors.size(), 1u) << allMessages(errors);
    EXPECT_EQ(errors[0].field, "timing.menu");
    EXPECT_EQ(errors[0].line, lineWith(text, "[timing]"));
    EXPECT_NE(errors[0].message.find("the menu comes at 41.701 s but the soundtrack is 85.0"), std::string::npos)
        << errors[0].message;

    // Cues that leave a minute of the 85 s are taken, and the file becomes the soundtrack as it is.
    text = withSoundtrack(track, "plates = [[1000, 3000], [3000, 5000], [5000, 7000], [7000, 9000], [9000, 11000],\n"
                                 "  [11000, 13000], [13000, 19000]]\nglobe = 4000\nflash = 10000\nfade = 10100\n"
                                 "fade_end = 15000\nwire_end = 14000\nmenu = 20000\n");
    errors = problems(text, content);
    EXPECT_TRUE(errors.empty()) << allMessages(errors);
    EXPECT_EQ(content.cues.menu, 20000);
    EXPECT_EQ(content.cues.plateEnd[6], 19000);
    const std::string header = showTimingHeader(content.cues);
    EXPECT_NE(header.find("bakedMenu = 20000;"), std::string::npos) << header;
    EXPECT_NE(header.find("bakedPlateEnd[7] = {3000, 5000, 7000, 9000, 11000, 13000, 19000};"), std::string::npos);
    // What was checked is what is written, whatever becomes of the file in between.
    ASSERT_TRUE(writeText(track, "not music"));
    const std::vector<OutputFile> files = generatedFiles(content, true);
    ASSERT_EQ(files.back().name, "zura5inv.mp3");
    EXPECT_TRUE(files.back().bytes == testTrack(85));
}

TEST_F(ContentTest, ASoundtrackThatCannotServeIsRefusedWithTheReason)
{
    const std::string shortTrack = temporaryPath("five.mp3");
    ASSERT_TRUE(writeBytes(shortTrack, testTrack(5)));
    const std::string junk = temporaryPath("junk.mp3");
    Bytes noise(40000);
    for (std::size_t k = 0; k < noise.size(); ++k) noise[k] = std::uint8_t((k * 7919 + k / 13) & 0x7F);
    ASSERT_TRUE(writeBytes(junk, noise));
    // A long file without frames is given up early rather than searched through again and again.
    const std::string zeros = temporaryPath("zeros.mp3");
    ASSERT_TRUE(writeBytes(zeros, Bytes(1 << 20)));
    const struct {
        const std::string& path;
        const char* message;
    } cases[] = {{shortTrack, "is 5.0 s long; a soundtrack may last 10.0 s to 1200.0 s"},
                 {junk, "it is not a WAV, FLAC, OGG or MP3 file that can be decoded"},
                 {zeros, "(64 KB without an MP3 frame from byte 0)"}};
    for (const auto& c : cases) {
        PartyContent content;
        const std::string text = withSoundtrack(c.path, "");
        const std::vector<ContentError> errors = problems(text, content);
        ASSERT_EQ(errors.size(), 1u) << allMessages(errors);
        EXPECT_EQ(errors[0].field, "soundtrack.file");
        EXPECT_EQ(errors[0].line, lineWith(text, "file = \""));
        EXPECT_NE(errors[0].message.find(c.message), std::string::npos) << errors[0].message;
    }
}

namespace {

// A sine of `seconds` written by libsndfile as `format` (SF_FORMAT_WAV | SF_FORMAT_PCM_16 ...).
std::string soundFile(const std::string& name, int format, int rate, int channels, double seconds)
{
    const std::string path = temporaryPath(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << name << ": " << sf_strerror(nullptr);
    if (!file) return path;
    const sf_count_t frames = sf_count_t(seconds * rate);
    std::vector<float> samples(std::size_t(frames * channels));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = 0.3f * float(std::sin(double(k / std::size_t(channels)) * 440 * 6.2831853 / rate));
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    return path;
}

}  // namespace

// Organisers' masters come as WAV, FLAC or OGG as well as MP3: each is taken for what it is,
// and what cannot serve is named with its format and what is wrong.
TEST(OrganisersSoundFiles, EachFormatIsCheckedForWhatItIs)
{
    const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16, flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
              ogg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    const std::string junk = temporaryPath("junk.flac");
    ASSERT_TRUE(writeText(junk, "fLaC and then nothing a decoder could use"));
    const struct {
        std::string path;
        int lengthMs;  // 0 when refused
        const char* message;
    } cases[] = {
        {soundFile("a.flac", flac, 44100, 2, 12), 12000, ""},
        {soundFile("a.ogg", ogg, 48000, 1, 12), 12000, ""},
        {soundFile("a.wav", wav, 96000, 2, 12), 12000, ""},
        {soundFile("three.wav", wav, 44100, 3, 12), 0, "(a WAV file) has 3 channels; use mono or stereo"},
        {soundFile("short.ogg", ogg, 44100, 2, 3), 0, "(an OGG file) is 3.0 s long; a soundtrack may last 10.0 s"},
        {junk, 0, "junk.flac: it is a FLAC file that cannot be decoded"},
        {temporaryPath("none.wav"), 0, "there is no file "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        PartyContent content;
        content.soundtrackPath = c.path;
        content.soundtrackOrigin = Origin{7, "soundtrack.file"};
        std::vector<ContentError> errors;
        const int length = checkSoundtrack(content, errors);
        EXPECT_NEAR(length, c.lengthMs, 2);
        if (c.lengthMs > 0) {
            EXPECT_TRUE(errors.empty()) << allMessages(errors);
            continue;
        }
        ASSERT_EQ(errors.size(), 1u) << allMessages(errors);
        EXPECT_NE(errors[0].message.find(c.message), std::string::npos) << errors[0].message;
    }
}

// A file other than an MP3 becomes the MP3 the programs read, as long as it was, at its own
// rate when the programs play that rate and at 44100 Hz otherwise.
TEST(OrganisersSoundFiles, OthersThanMp3AreEncodedAsLongAsTheyWere)
{
    const struct {
        int rate, channels, mp3Rate;
    } cases[] = {{48000, 1, 48000}, {96000, 2, 44100}};
    for (const auto& c : cases) {
        PartyContent content;
        content.soundtrackPath = soundFile("m" + std::to_string(c.rate) + ".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                                           c.rate, c.channels, 11);
        std::vector<ContentError> errors;
        ASSERT_GT(checkSoundtrack(content, errors), 0) << allMessages(errors);
        std::string how;
        const DecodedSound mp3 = decodeSound(ownSoundtrackBytes(content, &how));
        ASSERT_TRUE(mp3.ok) << mp3.problem;
        EXPECT_EQ(mp3.format, SoundFormat::Mp3);
        EXPECT_EQ(mp3.sampleRate, c.mp3Rate);
        EXPECT_NEAR(mp3.lengthMs(), 11000, 30);
        EXPECT_NE(how.find("a WAV file of " + std::to_string(c.rate) + " Hz"), std::string::npos) << how;
    }
}

// A soundtrack that assetgen did not write is never replaced; one it wrote, or one with the
// bytes about to be written, is.
TEST_F(ContentTest, OnlyASoundtrackAssetgenWroteIsReplaced)
{
    const std::string folder = std::filesystem::path(temporaryPath("guard/x")).parent_path().string();
    std::filesystem::create_directories(folder);
    const Bytes ours = testTrack(11), theirs = testTrack(12), next = testTrack(13);
    std::string why;
    EXPECT_TRUE(soundtrackMayBeReplaced(folder, "zura5inv.mp3", next, why)) << "no soundtrack yet";

    ASSERT_TRUE(writeBytes(folder + "/zura5inv.mp3", theirs));
    EXPECT_FALSE(soundtrackMayBeReplaced(folder, "zura5inv.mp3", next, why)) << "no record";
    EXPECT_NE(why.find("is not the soundtrack assetgen wrote there (there is no soundtrack_record.txt)"),
              std::string::npos)
        << why;
    EXPECT_NE(why.find("[soundtrack] file = "), std::string::npos) << why;
    EXPECT_TRUE(soundtrackMayBeReplaced(folder, "zura5inv.mp3", theirs, why)) << "the same bytes again";

    const PartyContent content = load(ReferenceFile);
    ASSERT_TRUE(writeText(folder + "/soundtrack_record.txt", soundtrackRecord(ours, content)));
    EXPECT_FALSE(soundtrackMayBeReplaced(folder, "zura5inv.mp3", next, why)) << "a record of another file";
    ASSERT_TRUE(writeBytes(folder + "/zura5inv.mp3", ours));
    EXPECT_TRUE(soundtrackMayBeReplaced(folder, "zura5inv.mp3", next, why)) << "the recorded file";
    EXPECT_NE(soundtrackRecord(ours, content).find("\nsource built-in\n"), std::string::npos);
}

// The test track ticks at every whole second: each tick is found where it was put, after the
// decoder's and encoder's delays are taken off.
TEST(SoundtrackHits, FindTheTicksOfTheTestTrackOnTime)
{
    const DecodedSound mp3 = decodeMp3(testTrack(8));
    ASSERT_TRUE(mp3.ok) << mp3.problem;
    EXPECT_EQ(mp3.sampleRate, 44100);
    EXPECT_EQ(mp3.channels, 2);
    EXPECT_NEAR(mp3.lengthMs(), 8000, 30);
    const std::vector<Hit> hits = findHits(mp3.mono, mp3.sampleRate, 20);
    std::string found;
    for (const Hit& h : hits) found += std::to_string(h.seconds) + " ";
    int onTime = 0;
    for (const Hit& h : hits) {
        const double off = h.seconds - std::round(h.seconds);
        if (std::fabs(off) < 0.015 && h.seconds > 0.5) ++onTime;
    }
    EXPECT_GE(onTime, 7) << found;
}

TEST(SoundtrackHits, AreInTimeOrderAtLeast300MsApartStrongestFirst)
{
    std::vector<float> mono(44100 * 4, 0.0f);
    // Three bursts of noise: at 1.5 s, loud; at 1.6 s, quieter (within the first one's reach);
    // at 3 s, quieter still.
    unsigned seed = 1;
    const auto burst = [&](double at, float level) {
        for (std::size_t k = 0; k < 8820; ++k) {
            seed = seed * 1103515245u + 12345u;
            mono[std::size_t(at * 44100) + k] += level * (float((seed >> 16) & 0x7FFF) / 16384.0f - 1.0f) * float(8820 - k) / 8820;
        }
    };
    burst(1.5, 0.8f);
    burst(1.6, 0.3f);
    burst(3.0, 0.2f);
    const std::vector<Hit> hits = findHits(mono, 44100, 10);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_NEAR(hits[0].seconds, 1.5, 0.015);
    EXPECT_NEAR(hits[1].seconds, 3.0, 0.015);
    EXPECT_GT(hits[0].strength, hits[1].strength);
    const std::vector<Hit> strongest = findHits(mono, 44100, 1);
    ASSERT_EQ(strongest.size(), 1u);
    EXPECT_NEAR(strongest[0].seconds, 1.5, 0.015);
    // Nothing, or less than a second, to look at: no hits, and no crash.
    EXPECT_TRUE(findHits({}, 44100, 5).empty());
    EXPECT_TRUE(findHits(std::vector<float>(200, 0.5f), 44100, 5).empty());
}

TEST_F(ContentTest, AnEmptySectionIsAWarningAtItsLine)
{
    std::string text = readText(ReferenceFile);
    const std::size_t when = text.find("when = [");
    text.replace(when, text.find("]\n", when) + 1 - when, "when = []");
    PartyContent content;
    std::vector<ContentError> all;
    EXPECT_TRUE(checkPartyText(text, "party.toml", content, all)) << allMessages(all);
    ASSERT_EQ(all.size(), 1u) << allMessages(all);
    EXPECT_EQ(formatError("party.toml", all[0]),
              "party.toml:" + std::to_string(lineWith(text, "when = []")) +
                  ": warning: general.when: is empty, so the heading \"When\" stands with nothing under it");
}

// The .nfo's plain rule does not hide a page that runs over: every problem comes in one pass.
TEST_F(ContentTest, EveryProblemIsReportedInOnePass)
{
    std::string text = replaced(readText(ReferenceFile), "hall = \"Quillmoor Hall\"", "hall = \"Quillm\xC5\x8Dor Hall\"");
    text = replaced(text, "food_and_sleep = [\n", "food_and_sleep = [\n  \"One more line.\",\n  \"And one more.\",\n");
    text = replaced(text, "flash = 27551", "flash = 14000");
    PartyContent content;
    const std::string all = allMessages(problems(text, content));
    EXPECT_NE(all.find("venue.hall: goes into the release's .nfo, written in code page 437"), std::string::npos) << all;
    EXPECT_NE(all.find("page 1 (general information) takes 390 rows but may take 378"), std::string::npos) << all;
    EXPECT_NE(all.find("shorten the page by 12 rows (1 line of text)"), std::string::npos) << all;
    EXPECT_NE(all.find("timing.flash: 14000 must come after globe"), std::string::npos) << all;
}

// The .nfo keeps the letters code page 437 has (here "ö" and "ß"), and takes the [nfo]
// spelling of a fact with others ("Łódź").
TEST_F(ContentTest, TheNfoTakesItsOwnSpellingAndThePicturesKeepTheLetters)
{
    std::string text = replaced(readText(ReferenceFile), "town = \"Tarnwick\"", "town = \"\xC5\x81\xC3\xB3" "d\xC5\xBA\"");
    text = replaced(text, "# [nfo]\n# town = \"Lodz\"", "[nfo]\ntown = \"Lodz\"");
    text = replaced(text, "hall = \"Quillmoor Hall\"", "hall = \"Gro\xC3\x9F Kr\xC3\xB6nsaal\"");
    PartyContent content;
    const std::vector<ContentError> errors = problems(text, content);
    EXPECT_TRUE(errors.empty()) << allMessages(errors);
    EXPECT_EQ(content.captions[4], "AT GROSS KR\xC3\x96NSAAL IN \xC5\x81\xC3\x93" "D\xC5\xB9");
    EXPECT_EQ(content.nfo.town, "Lodz");
    const std::string nfo = nfoFileText(content);
    EXPECT_NE(nfo.find("Gro\xE1 Kr\x94nsaal, 14 Weir Lane, Lodz"), std::string::npos) << nfo;
    EXPECT_EQ(nfo.find("\xC5"), std::string::npos);
}

TEST(ContentMessages, ControlCharactersAreShownEscaped)
{
    EXPECT_EQ(escapeControls("a\x1b[31mb\tc\x7f"), "a\\x1b[31mb\\x09" "c\\x7f");
    EXPECT_EQ(escapeControls("Z\xC3\xBCrich"), "Z\xC3\xBCrich");  // whole UTF-8 letters stay
    EXPECT_EQ(escapeControls("\xC3(\xFF"), "\\xc3(\\xff");         // broken ones do not
    // Nor do the C1 controls (CSI here) and the marks that turn the writing direction.
    EXPECT_EQ(escapeControls("a\xC2\x9B" "2Jb\xE2\x80\xAE" "c\xE2\x81\xA6" "d\xC2\xA0"),
              "a\\xc2\\x9b" "2Jb\\xe2\\x80\\xae" "c\\xe2\\x81\\xa6" "d\xC2\xA0");
    // A file of junk: what reaches the terminal holds no control character.
    std::string junk = "\x1b]0;title\x07[party]\nname = \"\x1b[2J\"\n";
    for (int k = 0; k < 64; ++k) junk += char(k * 37 % 256);
    PartyContent content;
    std::vector<ContentError> errors;
    EXPECT_FALSE(parseContent(junk, "junk.toml", content, errors));
    ASSERT_FALSE(errors.empty());
    for (const ContentError& e : errors)
        for (unsigned char c : formatError("junk.toml", e)) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << int(c);
}

TEST(ContentLimits, AnOversizedFileIsRefusedUnread)
{
    PartyContent content;
    std::vector<ContentError> errors;
    EXPECT_FALSE(parseContent(std::string(2 << 20, '#'), "big.toml", content, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].message.find("a content file may be at most 1048576 bytes"), std::string::npos);
    EXPECT_FALSE(content.parsed);
}

// The organisers' own pictures, PNG or JPEG of any size, cover the screen with their
// proportions kept: the middle stays, what stands over is cut evenly from both sides.
TEST(OrganisersPictures, AreReadAndFittedToTheScreen)
{
    // Three bands across (red, green, blue), the middle one as wide as the screen would take.
    const auto bands = [](int width, int height, int middle) {
        Image picture = makeImage(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int side = (width - middle) / 2;
                picture.pixels[std::size_t(y) * width + x] =
                    x < side ? rgb(255, 0, 0) : x < side + middle ? rgb(0, 255, 0) : rgb(0, 0, 255);
            }
        return picture;
    };
    const struct {
        Image picture;
        const char* how;
    } cases[] = {
        {bands(1280, 480, 640), "kept at 1280x480, 320 columns cut off on the left and 320 on the right"},
        {bands(2560, 960, 1280), "scaled from 2560x960 to 1280x480, 320 columns cut off on the left and 320 on the right"},
        {bands(320, 240, 320), "scaled from 320x240 to 640x480"},
        {bands(200, 600, 200), "scaled from 200x600 to 640x1920, 720 rows cut off at the top and 720 at the bottom"},
    };
    for (const auto& c : cases) {
        std::string how;
        const Image fitted = fitPhoto(c.picture, 640, 480, how);
        EXPECT_EQ(how, c.how);
        ASSERT_EQ(fitted.width, 640);
        ASSERT_EQ(fitted.height, 480);
        const std::set<Pixel> colours(fitted.pixels.begin(), fitted.pixels.end());
        EXPECT_EQ(colours, std::set<Pixel>{rgb(0, 255, 0)}) << how;
    }

    // Read back from the two formats; anything else, or nothing, is named.
    const Image picture = bands(90, 30, 30);
    const std::string png = temporaryPath("bands.png"), jpeg = temporaryPath("bands.jpg"),
                      other = temporaryPath("bands.tga");
    ASSERT_TRUE(writePng(png, picture.pixels.data(), picture.width, picture.height));
    ASSERT_TRUE(writeBytes(jpeg, encodeJpeg(picture, 95)));
    ASSERT_TRUE(writeBytes(other, encodeTga(picture)));
    Image read;
    std::string why;
    ASSERT_TRUE(readPhoto(png, read, why)) << why;
    EXPECT_TRUE(read.pixels == picture.pixels);
    ASSERT_TRUE(readPhoto(jpeg, read, why)) << why;
    EXPECT_EQ(read.width, 90);
    EXPECT_GT(channelOf(read.pixels[45], 8), 200) << "the JPEG's middle band is green";
    EXPECT_LT(channelOf(read.pixels[45], 16), 60);
    EXPECT_FALSE(readPhoto(other, read, why));
    EXPECT_EQ(why, other + " is neither a PNG nor a JPEG file");
    EXPECT_FALSE(readPhoto(other + ".none", read, why));
    EXPECT_EQ(why, "there is no file " + other + ".none");

    // Named in [pictures], they are the backdrop and the menu the show embeds.
    PartyContent content;
    content.background.path = png;
    content.menuPicture.path = jpeg;
    int taken = 0;
    for (int k = 0; k < resourceCount(); ++k) {
        if (resourceEntry(k).kind != Kind::Jpeg) continue;
        const Image fitted = resourcePicture(resourceEntry(k), content);
        ASSERT_EQ(fitted.width, 640);
        EXPECT_GT(channelOf(fitted.pixels[320], 8), 200) << resourceEntry(k).name;
        EXPECT_LT(channelOf(fitted.pixels[0], 8), 60) << resourceEntry(k).name;
        ++taken;
    }
    EXPECT_EQ(taken, 2);
}

// A party in Polish: its [words] take the place of the English ones on the buttons, the
// pages, the plates' dates, the clock and the web page; the clock spells what its font lacks
// without accents; what does not fit or cannot be drawn is named with its line.
TEST_F(ContentTest, TheWordsOfThePartysLanguageReachEveryOutput)
{
    const std::string words =
        "[language]\ntag = \"pl\"\n\n[words]\n"
        "button_general = \"INFORMACJE OG\xC3\x93LNE\"\nwhen = \"Kiedy\"\npage_rules = \"REGULAMIN\"\n"
        "days_left = \"dni do \xC5\x9Bwi\xC4\x99ta:\"\nlong_date = \"{weekday}, {day} {month} {year}\"\n"
        "months = [\"stycznia\", \"lutego\", \"marca\", \"kwietnia\", \"maja\", \"czerwca\", \"lipca\", \"sierpnia\",\n"
        "  \"wrze\xC5\x9Bnia\", \"pa\xC5\xBA" "dziernika\", \"listopada\", \"grudnia\"]\n"
        "weekdays = [\"niedziela\", \"poniedzia\xC5\x82\x65k\", \"wtorek\", \"\xC5\x9Broda\", \"czwartek\", \"pi\xC4\x85tek\", \"sobota\"]\n"
        "tap_to_start = \"Dotknij, aby zacz\xC4\x85\xC4\x87\"\nto = \"do\"\n"
        "nfo_goodbye = \"Do zobaczenia na {party.name}!\"\nloading = \"Wczytywanie {percent}%\"\n\n";
    const std::string text = replaced(readText(ReferenceFile), "[plates]\n", words + "[plates]\n");
    PartyContent content;
    std::vector<ContentError> errors = problems(text, content);
    ASSERT_TRUE(errors.empty()) << allMessages(errors);
    EXPECT_EQ(wordText(content, "button_general"), "INFORMACJE OG\xC3\x93LNE");
    EXPECT_EQ(content.captions[3], "FROM 9 DO 11 LISTOPADA");
    bool when = false;
    for (const PageLine& line : content.pages[0]) when |= line.kind == LineKind::Subheading && line.text == "Kiedy";
    EXPECT_TRUE(when);
    EXPECT_EQ(content.pages[2][0].text, "REGULAMIN");
    const std::string header = partyWordsHeader(content);
    for (const char* expected : {"clockDaysLeft = \"dni do swieta:\";", "clockDaysLeftLength = 14;",
                                 "\"wrzesnia\", \"pazdziernika\"", "{\"niedziela\", \"poniedzialek\"",
                                 "clockLongDate = \"{weekday}, {day} {month} {year}\";"})
        EXPECT_NE(header.find(expected), std::string::npos) << expected << " in\n" << header;
    const std::string json = webFactsJson(content);
    EXPECT_NE(json.find("\"language\": \"pl\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"tap_to_start\": \"Dotknij, aby zacz\xC4\x85\xC4\x87\""), std::string::npos) << json;
    // The page fills in its own placeholders; the dates take the word between their days, and
    // in the .nfo lose the accents its code page lacks.
    EXPECT_NE(json.find("\"loading\": \"Wczytywanie {percent}%\""), std::string::npos) << json;
    EXPECT_NE(json.find("9 do 11 listopada 2027 at"), std::string::npos) << json;
    const std::string nfo = nfoText(content);
    EXPECT_NE(nfo.find("Do zobaczenia na ZURA 5!"), std::string::npos) << nfo;
    const std::string october = replaced(text, "first_day = 2027-11-09", "first_day = 2027-10-09");
    ASSERT_TRUE(problems(october, content).empty());
    EXPECT_NE(nfoText(content).find("9 do 11 pazdziernika 2027"), std::string::npos) << nfoText(content);

    const struct {
        const char* from;
        const char* to;
        const char* at;  // where the line named starts
        const char* message;
    } broken[] = {
        {"tag = \"pl\"", "tag = \"p l\"", "tag = ", "language.tag: \"p l\" is not a language tag"},
        {"OG\xC3\x93LNE\"", "OG\xC3\x93LNE I PRAKTYCZNE DLA WSZYSTKICH\"", "button_general", "words.button_general: the button's label"},
        {"\"sobota\"]", "\"sobota \xE2\x82\xAC\"]", "weekdays = ",
         "words.weekdays: the clock's font cannot draw \"\xE2\x82\xAC\""},
        {", \"grudnia\"]", "]", "months = [\"st", "words.months: needs 12 names, found 11"},
        {"{year}\"", "{hour}\"", "long_date = ", "words.long_date: \"{weekday}, {day} {month} {hour}\" names a part"},
        {"when = \"Kiedy\"", "when = \"Kiedy {party.place}\"", "when = \"Kiedy",
         "words.when: names an unknown fact {party.place}"},
        {"na {party", "w \xC5\x81odzi na {party", "nfo_goodbye", "words.nfo_goodbye: goes into the release's .nfo"},
        {"{percent}%", "{procent}%", "loading = ", "words.loading: names an unknown fact {procent}"},
    };
    for (const auto& b : broken) {
        const std::string wrong = replaced(text, b.from, b.to);
        const std::string all = allMessages(problems(wrong, content));
        const int line = lineWith(wrong, b.at);
        EXPECT_NE(all.find("party.toml:" + std::to_string(line) + ": " + b.message), std::string::npos)
            << b.message << " at line " << line << " in\n" << all;
    }
}
