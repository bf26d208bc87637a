// The organisers' content file: what the generator makes from it, what it rejects and how it
// says so, and the day count that follows its dates.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/pages.h"
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/content.h"
#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/text.h"

namespace {

const std::string SourceDir = INVITE_SOURCE_DIR;
const std::string PartyFile = SourceDir + "/content/party.toml";
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

// Everything the generator checks, as assetgen does it: structure first, then the fit.
std::vector<ContentError> problems(const std::string& text, PartyContent& content)
{
    std::vector<ContentError> errors;
    if (parseContent(text, "party.toml", content, errors)) checkContentFits(content, errors);
    return errors;
}

struct ContentTest : ::testing::Test {
    static void SetUpTestSuite() { ASSERT_TRUE(openFaces()) << "the DejaVu fonts are missing"; }
    static void TearDownTestSuite() { closeFaces(); }

    PartyContent load(const std::string& file)
    {
        PartyContent content;
        std::vector<ContentError> errors;
        EXPECT_TRUE(loadContent(file, content, errors));
        EXPECT_TRUE(checkContentFits(content, errors));
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

TEST_F(ContentTest, CommittedFileGivesTheCommittedResources)
{
    const PartyContent content = load(PartyFile);
    EXPECT_EQ(content.name, "ZURA 5");
    EXPECT_EQ(content.hall, "Quillmoor Hall");
    EXPECT_EQ(content.captions[3], "FROM 9 TO 11 NOVEMBER");
    EXPECT_EQ(content.captions[4], "AT QUILLMOOR HALL IN TARNWICK");
    EXPECT_EQ(content.captions[2], "THREE DAYS OF DEMOS, MUSIC AND GRAPHICS");
    for (const OutputFile& file : generatedFiles(content, false)) {
        const std::string committed = readText(SourceDir + "/resources/" + file.name);
        EXPECT_TRUE(committed == std::string(file.bytes.begin(), file.bytes.end()))
            << "resources/" << file.name << " is not what the committed content file gives";
    }
}

TEST_F(ContentTest, AnotherPartyChangesOnlyWhatItsFactsTouch)
{
    const PartyContent party = load(PartyFile);
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
    EXPECT_NE(header.find("partyFirstMonth = 3;"), std::string::npos) << header;
    EXPECT_NE(header.find("partyFirstDay = 30;"), std::string::npos) << header;
    EXPECT_NE(header.find("partyDays = 4;"), std::string::npos) << header;

    const PartyDates dates{other.month, other.day, other.days};
    using namespace std::chrono;
    const auto dayOf = [](int y, int m, int d) {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = m - 1;
        t.tm_mday = d;
        return t;
    };
    const sys_days party2028{year{2028} / 3 / 30};
    EXPECT_EQ(daysLeft(dayOf(2028, 1, 1), dates), (party2028 - sys_days{year{2028} / 1 / 1}).count());
    EXPECT_EQ(daysLeft(dayOf(2028, 2, 29), dates), (party2028 - sys_days{year{2028} / 2 / 29}).count());
    for (int d : {30, 31}) EXPECT_EQ(daysLeft(dayOf(2028, 3, d), dates), 0) << d;
    for (int d : {1, 2}) EXPECT_EQ(daysLeft(dayOf(2028, 4, d), dates), 0) << d;
    EXPECT_EQ(daysLeft(dayOf(2028, 4, 3), dates), (sys_days{year{2029} / 3 / 30} - sys_days{year{2028} / 4 / 3}).count());

    // And the committed header holds the committed file's dates, which the program is built with.
    const PartyContent party = load(PartyFile);
    EXPECT_EQ(readText(SourceDir + "/resources/party_dates.h"), partyDatesHeader(party));
    EXPECT_EQ(BakedPartyDates.month, party.month);
    EXPECT_EQ(BakedPartyDates.day, party.day);
    EXPECT_EQ(BakedPartyDates.days, party.days);
}

TEST_F(ContentTest, NfoIsPlainAsciiWithinEightyColumnsAndTellsTheFacts)
{
    const std::string committed = readText(SourceDir + "/resources/zura5inv.nfo");
    for (const std::string& file : {PartyFile, OtherFile}) {
        const PartyContent content = load(file);
        const std::string nfo = file == PartyFile ? committed : nfoText(content);
        ASSERT_FALSE(nfo.empty());
        std::istringstream lines(nfo);
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            EXPECT_LE(line.size(), std::size_t(nfoColumns)) << file << " line " << number;
            for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << file << " line " << number;
        }
        const std::string dates = dateRangeText(content.year, content.month, content.day, content.days);
        EXPECT_NE(nfo.find(dates), std::string::npos) << dates;
        EXPECT_NE(nfo.find(std::to_string(content.year)), std::string::npos);
        EXPECT_NE(nfo.find(content.hall), std::string::npos);
        EXPECT_NE(nfo.find(content.town), std::string::npos);
        EXPECT_NE(nfo.find(content.questions), std::string::npos);
        EXPECT_NE(nfo.find(content.web), std::string::npos);
        for (const char* run : {"./invite_windowed", "./invite_fullscreen", "invite_windowed.exe",
                                "invite_fullscreen.exe", "X11", "Wayland", "640x480"})
            EXPECT_NE(nfo.find(run), std::string::npos) << run;
    }
    EXPECT_NE(committed.find("9 to 11 November 2027"), std::string::npos);
    EXPECT_NE(committed.find("Quillmoor Hall"), std::string::npos);
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
    EXPECT_EQ(countWord(3), "three");
    EXPECT_EQ(countWord(14), "14");
}

TEST(ContentNfo, WrapKeepsWordsWithinTheWidth)
{
    EXPECT_EQ(wrapText("aaa bbb ccc", 9, "  "), "  aaa bbb\n  ccc\n");
    EXPECT_EQ(wrapText("", 10, "  "), "");
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
    {"accent in an .nfo fact", "hall = \"Quillmoor Hall\"", "hall = \"Quillm\xC3\xB6or Hall\"", "hall =", "venue.hall",
     "plain ASCII"},
    {"six captions", "  \"SEE YOU THERE!\",\n", "", "captions = [", "plates.captions", "needs exactly 7 captions"},
    {"empty fact", "hall = \"Quillmoor Hall\"", "hall = \"\"", "hall = ", "venue.hall", "is empty"},
    {"tab in a line", "\"Have fun, make", "\"Have\\tfun, make", "Have\\tfun", "rules[9].lines[2]",
     "control character"},
};

TEST_F(ContentTest, EachBrokenFileIsNamedByLineAndField)
{
    const std::string good = readText(PartyFile);
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

TEST_F(ContentTest, AMissingTableIsNamedWithoutALine)
{
    PartyContent content;
    const std::vector<ContentError> errors =
        problems(replaced(readText(PartyFile), "[credits]\n", "[extra]\n"), content);
    std::string all;
    for (const ContentError& e : errors) all += formatError("f.toml", e) + "\n";
    EXPECT_NE(all.find("f.toml: credits: the [credits] table is missing"), std::string::npos) << all;
    EXPECT_NE(all.find("f.toml:" + std::to_string(lineWith(readText(PartyFile), "[credits]")) + ": extra: is not a table"),
              std::string::npos)
        << all;
}

TEST_F(ContentTest, PlaceholdersFollowTheirCase)
{
    PartyContent content;
    const std::string text = replaced(readText(PartyFile), "\"SEE YOU THERE!\"",
                                      "\"{venue.town} {Venue.hall} {VENUE.TOWN} {Party.days}\"");
    const std::vector<ContentError> errors = problems(text, content);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(content.captions[6], "Tarnwick Quillmoor Hall TARNWICK Three");
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
