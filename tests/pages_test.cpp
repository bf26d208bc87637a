#include "scenes/pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/window.h"
#include "assets/font.h"
#include "render/text.h"

namespace {

// One step of the menu's screen and its drawing, as a pass does them.
void stepAndDrawScreen(Pixel* frame, MenuFlags& flags, const Pixel* const pageImages[4])
{
    ScreenShown shown;
    stepMenuScreen(flags, shown);
    drawMenuScreen(frame, shown, pageImages);
}

// Page pixel (row, x) holds row + 1, so a frame pixel over a cleared frame tells its source row.
struct PageSet {
    std::vector<Pixel> pages[4];
    const Pixel* images[4];

    PageSet()
    {
        for (int p = 0; p < 4; ++p) {
            pages[p].resize(std::size_t(pageWidth) * pageHeights[p]);
            for (int row = 0; row < pageHeights[p]; ++row) {
                for (int x = 0; x < pageWidth; ++x) pages[p][std::size_t(row) * pageWidth + x] = Pixel(row + 1);
            }
            images[p] = pages[p].data();
        }
    }
};

struct PagesTest : ::testing::Test {
    PageSet pageSet;
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0);

    void SetUp() override { buildRowOffsets(); }

    Pixel at(int x, int y) const { return frame[std::size_t(y) * screenWidth + x]; }
    void clear() { std::fill(frame.begin(), frame.end(), 0); }
};

std::tm dayOf(int year, int month, int day)
{
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = 12;
    const std::time_t stamp = timegm(&date);
    std::tm result{};
    gmtime_r(&stamp, &result);
    return result;
}

TEST_F(PagesTest, ScrollClampStoresTheCorrectedValue)
{
    struct Case {
        std::int32_t value, maximum, expected;
    };
    const Case cases[] = {{-10, 150, 0}, {0, 150, 0}, {150, 150, 150}, {151, 150, 150},
                          {1140, 893, 893}, {893, 893, 893}, {-230, 893, 0}};
    for (const Case& c : cases) {
        std::int32_t scroll = c.value;
        EXPECT_EQ(clampScroll(scroll, c.maximum), c.expected) << c.value;
        EXPECT_EQ(scroll, c.expected) << c.value;
    }
}

TEST_F(PagesTest, FixedPagesCoverTheirRowsAtColumnThirty)
{
    struct Case {
        Screen open;
        int lastRow;
    };
    for (const Case& c : {Case{Screen::page1, 477}, Case{Screen::page4, 406}}) {
        clear();
        MenuFlags flags{c.open};
        stepAndDrawScreen(frame.data(), flags, pageSet.images);
        EXPECT_EQ(at(30, 100), 1u) << int(c.open);
        EXPECT_EQ(at(609, c.lastRow), Pixel(c.lastRow - 99)) << int(c.open);
        EXPECT_EQ(at(29, 200), 0u) << int(c.open);
        EXPECT_EQ(at(610, 200), 0u) << int(c.open);
        EXPECT_EQ(at(300, 99), 0u) << int(c.open);
        EXPECT_EQ(at(300, c.lastRow + 1), 0u) << int(c.open);
    }
}

TEST_F(PagesTest, MenuStateChoosesWhatIsDrawnAndOnlyTheShownScrollIsClamped)
{
    MenuFlags flags;
    flags.page2Scroll = -10;
    flags.page3Scroll = 5000;
    for (const Screen screen : {Screen::intro, Screen::menu, Screen::page1, Screen::page4}) {
        flags.screen = screen;
        clear();
        stepAndDrawScreen(frame.data(), flags, pageSet.images);
        EXPECT_EQ(flags.page2Scroll, -10);
        EXPECT_EQ(flags.page3Scroll, 5000);
        EXPECT_EQ(at(300, 300) != 0, pageOpen(screen)) << int(screen);
    }

    flags.screen = Screen::page3;
    stepAndDrawScreen(frame.data(), flags, pageSet.images);
    EXPECT_EQ(flags.page3Scroll, 893);
    EXPECT_EQ(flags.page2Scroll, -10);
}

TEST_F(PagesTest, ScrolledPagesDrawThreeHundredEightyRowsFromTheScroll)
{
    MenuFlags flags{Screen::page2};
    flags.page2Scroll = 150;
    stepAndDrawScreen(frame.data(), flags, pageSet.images);
    EXPECT_EQ(at(30, 100), 151u);
    EXPECT_EQ(at(609, 479), 530u) << "source row 529 is the last one shown; 530 never is";

    clear();
    flags.screen = Screen::page3;
    flags.page3Scroll = 893;
    stepAndDrawScreen(frame.data(), flags, pageSet.images);
    EXPECT_EQ(at(30, 100), 894u);
    EXPECT_EQ(at(30, 479), 1273u);
}

TEST_F(PagesTest, ScrollKeysReachThePageThroughTheClampAtDrawTime)
{
    MenuFlags saved = menuFlags;
    auto key = [](std::uint32_t code) { windowProc(Message{msgKeyDown, code, 0}); };
    auto draw = [&] {
        clear();
        stepAndDrawScreen(frame.data(), menuFlags, pageSet.images);
    };

    menuFlags = {Screen::page2};
    key(keyUp);  // at the top
    EXPECT_EQ(menuFlags.page2Scroll, -10);
    draw();
    EXPECT_EQ(menuFlags.page2Scroll, 0);
    EXPECT_EQ(at(30, 100), 1u);

    menuFlags.page2Scroll = 150;
    key(keyPageUp);
    key(keyPageDown);  // both before the next frame: the clamp only sees 150
    draw();
    EXPECT_EQ(menuFlags.page2Scroll, 150);
    EXPECT_EQ(at(30, 100), 151u);

    menuFlags.screen = Screen::page3;
    key(keyPageDown);
    key(keyPageDown);
    key(keyPageDown);
    EXPECT_EQ(menuFlags.page3Scroll, 1140);
    draw();
    EXPECT_EQ(menuFlags.page3Scroll, 893);
    EXPECT_EQ(at(30, 100), 894u);
    key(keyDown);
    draw();
    EXPECT_EQ(menuFlags.page3Scroll, 893);

    // Reopening page 2 shows it where it was left.
    menuFlags.screen = Screen::page2;
    draw();
    EXPECT_EQ(at(30, 100), 151u);
    menuFlags = saved;
}

TEST_F(PagesTest, PageAddsWithSaturationAndZeroLeavesThePicture)
{
    std::vector<Pixel> page(std::size_t(pageWidth) * 2, 0);
    page[0] = 0x808080;
    page[1] = 0x010203;
    std::fill(frame.begin(), frame.end(), 0xFFA0A0A0);
    drawPage(frame.data(), page.data(), 0, 2);
    EXPECT_EQ(at(30, 100), Pixel(0xFFFFFF));
    EXPECT_EQ(at(31, 100), Pixel(0xA1A2A3));
    EXPECT_EQ(at(32, 100), Pixel(0xFFA0A0A0)) << "a zero page pixel leaves the frame untouched";
    EXPECT_EQ(at(30, 101), Pixel(0xFFA0A0A0));
}

// The count worked out with the standard calendar: walk forward a day at a time until a day
// of the party, or of a later year's, is reached.
int calendarDaysLeft(int y, int m, int d, const PartyDates& party)
{
    using namespace std::chrono;
    const sys_days today{year{y} / m / d};
    std::vector<sys_days> partyDays;
    for (int py = std::max(y - 1, party.year); py <= std::max(y, party.year) + 1; ++py) {
        const sys_days first{year{py} / party.month / party.day};
        for (int k = 0; k < party.days; ++k) partyDays.push_back(first + days{k});
    }
    for (int n = 0; n < 40000; ++n) {
        if (std::find(partyDays.begin(), partyDays.end(), today + days{n}) != partyDays.end()) return n;
    }
    return -1;
}

std::string dateText(int y, int m, int d)
{
    return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
}

TEST(DaysLeft, BakedPartyIsNineToElevenNovember)
{
    EXPECT_EQ(BakedPartyDates.month, 11);
    EXPECT_EQ(BakedPartyDates.day, 9);
    EXPECT_EQ(BakedPartyDates.days, 3);
    EXPECT_EQ(BakedPartyDates.year, 2027);
}

TEST(DaysLeft, TableOverCommonLeapAndCenturyYears)
{
    struct Day {
        int month, day;
    };
    const Day days[] = {{1, 1},   {2, 28},  {3, 1},   {11, 8}, {11, 9},
                        {11, 10}, {11, 11}, {11, 12}, {12, 31}};
    for (int year : {2000, 2024, 2025, 2026, 2027, 2028, 2100}) {
        const bool leap = std::chrono::year{year}.is_leap();
        for (const Day& d : days) {
            const std::tm date = dayOf(year, d.month, d.day);
            EXPECT_EQ(daysLeft(date), calendarDaysLeft(year, d.month, d.day, BakedPartyDates))
                << dateText(year, d.month, d.day);
        }
        if (leap) {
            EXPECT_EQ(daysLeft(dayOf(year, 2, 29)), calendarDaysLeft(year, 2, 29, BakedPartyDates)) << year;
        }
    }

    // Numbers a reader can check by hand.
    EXPECT_EQ(daysLeft(dayOf(2025, 1, 1)), 1042);  // 2025 and 2026 whole, then 312 days of 2027
    EXPECT_EQ(daysLeft(dayOf(2026, 11, 10)), 364);  // the year before: no 0 on the party's days
    EXPECT_EQ(daysLeft(dayOf(2027, 11, 8)), 1);
    EXPECT_EQ(daysLeft(dayOf(2026, 7, 2), PartyDates{7, 15, 3, 2027}), 378);  // a year and 13 days
    EXPECT_EQ(daysLeft(dayOf(2028, 1, 1)), 313);  // 29 February lies between
    EXPECT_EQ(daysLeft(dayOf(2028, 11, 9)), 0);   // Thursday, the first day in a leap year
    EXPECT_EQ(daysLeft(dayOf(2027, 11, 10)), 0);  // the second day
    EXPECT_EQ(daysLeft(dayOf(2027, 11, 11)), 0);  // the last day
    EXPECT_EQ(daysLeft(dayOf(2027, 11, 12)), 363);  // to 9 November 2028, past 29 February
    EXPECT_EQ(daysLeft(dayOf(2099, 11, 12)), 362);  // 2100 has no 29 February
    EXPECT_EQ(daysLeft(dayOf(2100, 2, 28)), 254);
    EXPECT_EQ(daysLeft(dayOf(2100, 3, 1)), 253);
}

TEST(DaysLeft, MatchesTheCalendarOnEveryDayForOtherParties)
{
    const PartyDates parties[] = {
        BakedPartyDates,
        {2, 28, 2},   // runs into 29 February in leap years
        {3, 1, 1},    // the day after 29 February
        {12, 30, 4},  // across New Year
        {1, 1, 7},
        {6, 14, 5},
        {12, 30, 4, 2028},  // a year's party: no 0 in the years before it
        {7, 15, 3, 2029},
    };
    for (const PartyDates& party : parties) {
        for (int year = 2027; year <= 2029; ++year) {
            for (int m = 1; m <= 12; ++m) {
                const int length = int(unsigned(std::chrono::year_month_day_last{
                    std::chrono::year{year} / m / std::chrono::last}.day()));
                for (int d = 1; d <= length; ++d) {
                    ASSERT_EQ(daysLeft(dayOf(year, m, d), party), calendarDaysLeft(year, m, d, party))
                        << dateText(year, m, d) << " for a party from " << party.month << "-"
                        << party.day << " lasting " << party.days;
                }
            }
        }
    }
}

TEST(DaysLeft, DayNumberCountsFromTheEpoch)
{
    EXPECT_EQ(dayNumber(1970, 1, 1), 0);
    EXPECT_EQ(dayNumber(1969, 12, 31), -1);
    EXPECT_EQ(dayNumber(2000, 3, 1) - dayNumber(2000, 2, 28), 2);
    EXPECT_EQ(dayNumber(2100, 3, 1) - dayNumber(2100, 2, 28), 1);
    using namespace std::chrono;
    EXPECT_EQ(dayNumber(2028, 11, 9), sys_days{year{2028} / 11 / 9}.time_since_epoch().count());
}

TEST(DaysLeft, LocalCalendarTimeFollowsTheTimeZone)
{
    // 23:30 UTC on 8 November is already the first party day one hour east.
    std::tm utc = dayOf(2027, 11, 8);
    utc.tm_hour = 23;
    utc.tm_min = 30;
    const std::time_t when = timegm(&utc);
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    setenv("TZ", "XXX-1", 1);  // one hour east of UTC
    tzset();
    const std::tm local = localCalendarTime(when);
    if (saved) setenv("TZ", savedZone.c_str(), 1); else unsetenv("TZ");
    tzset();
    EXPECT_EQ(local.tm_mday, 9);
    EXPECT_EQ(local.tm_hour, 0);
    EXPECT_EQ(daysLeft(local), 0);
    EXPECT_EQ(daysLeft(utc), 1);
}

TEST(ClockTexts, LongDateAndTimeOfDayInEnglish)
{
    char text[100];
    std::tm date = dayOf(2026, 12, 7);
    formatLongDate(date, text, sizeof text);
    EXPECT_STREQ(text, "Monday, December 07, 2026");
    date = dayOf(2024, 2, 29);
    formatLongDate(date, text, sizeof text);
    EXPECT_STREQ(text, "Thursday, February 29, 2024");

    date.tm_hour = 9;
    date.tm_min = 5;
    date.tm_sec = 3;
    formatTimeOfDay(date, text, sizeof text);
    EXPECT_STREQ(text, "09:05:03");
    date.tm_hour = 23;
    date.tm_min = 59;
    date.tm_sec = 60;  // a leap second still fits the form
    formatTimeOfDay(date, text, sizeof text);
    EXPECT_STREQ(text, "23:59:60");

    char small[8];
    formatLongDate(dayOf(2026, 12, 7), small, sizeof small);
    EXPECT_STREQ(small, "Monday,");
}

// Every glyph a solid 8x10 block, so the drawn cells show where each text lies.
struct ClockPageTest : PagesTest {
    std::uint8_t savedGlyphs[sizeof GlyphTable];

    void SetUp() override
    {
        PagesTest::SetUp();
        std::memcpy(savedGlyphs, GlyphTable, sizeof GlyphTable);
        std::vector<std::uint8_t> strip(fontStripBytes, 0);
        cutGlyphs(strip.data());
    }
    void TearDown() override { std::memcpy(GlyphTable, savedGlyphs, sizeof GlyphTable); }

    // The columns of row y painted white, as [first, last] runs.
    std::string whiteRuns(int y) const
    {
        std::string runs;
        for (int x = 0; x < screenWidth; ++x) {
            if (at(x, y) != 0xFFFFFF) continue;
            int end = x;
            while (end + 1 < screenWidth && at(end + 1, y) == 0xFFFFFF) ++end;
            runs += std::to_string(x) + "-" + std::to_string(end) + " ";
            x = end;
        }
        return runs;
    }
};

TEST_F(ClockPageTest, TextsLandAtTheirPlaces)
{
    std::tm date = dayOf(2026, 12, 7);  // index 340: 25 + 312 = 337 days left
    date.tm_hour = 9;
    date.tm_min = 5;
    date.tm_sec = 3;
    drawClockTexts(frame.data(), date);

    // Label "days left:" at 270 (a blank between the words), the count at 347.
    EXPECT_EQ(whiteRuns(100), "270-298 305-340 347-368 ");
    EXPECT_EQ(whiteRuns(109), whiteRuns(100));
    EXPECT_EQ(whiteRuns(110), "");
    EXPECT_EQ(whiteRuns(99), "");
    // "Monday, December 07, 2026" from 37 and "09:05:03" from 575, on rows 465..474.
    EXPECT_EQ(whiteRuns(465), "37-86 93-149 156-177 184-212 575-631 ");
    EXPECT_EQ(whiteRuns(474), whiteRuns(465));
    EXPECT_EQ(whiteRuns(464), "");
    EXPECT_EQ(whiteRuns(475), "");
}

TEST_F(ClockPageTest, CountHasNoLeadingZeros)
{
    drawClockTexts(frame.data(), dayOf(2027, 11, 8));  // one day left
    EXPECT_EQ(whiteRuns(105), "270-298 305-340 347-354 ");
}

}  // namespace
