#include "scenes/pages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "render/backdrop.h"
#include "resources/party_dates.h"
#include "resources/party_words.h"
#include "render/text.h"

const PartyDates BakedPartyDates{partyFirstMonth, partyFirstDay, partyDays, partyFirstYear};

namespace {

constexpr int pageLeft = 30;
constexpr int pageTop = 100;
constexpr int scrolledPageRows = 380;
constexpr Pixel clockTextColour = 0xFFFFFF;


const char* nameOrBlank(const char* const names[], int count, int index)
{
    return index >= 0 && index < count ? names[index] : "";
}

}  // namespace

std::int32_t clampScroll(std::int32_t& scroll, std::int32_t maximum)
{
    if (scroll < 0) {
        scroll = 0;
    } else if (scroll > maximum) {
        scroll = maximum;
    }
    return scroll;
}

void scrollOpenPage(MenuFlags& flags, std::int32_t rows)
{
    if (flags.screen == Screen::page2) flags.page2Scroll += rows;
    else if (flags.screen == Screen::page3) flags.page3Scroll += rows;
}

// A page is text on a transparent ground: each row is marked only where it was written, so
// the blank rows between lines and the margins are neither touched nor put back.
void drawPage(Frame frame, const Pixel* pageImage, int firstRow, int rowCount)
{
    const Pixel* source = pageImage + firstRow * pageWidth;
    for (int y = 0; y < rowCount; ++y) {
        const RowExtent written = addNonZeroPixels(frame.pixels + RowOffsets[pageTop + y] + pageLeft, source, pageWidth);
        if (written.first < written.end) {
            markDrawn(frame, pageLeft + written.first, pageTop + y, pageLeft + written.end, pageTop + y + 1);
        }
        source += pageWidth;
    }
}

void stepMenuScreen(MenuFlags& flags, ScreenShown& shown)
{
    shown.screen = flags.screen;
    shown.firstRow = 0;
    if (flags.screen == Screen::page2) shown.firstRow = clampScroll(flags.page2Scroll, page2ScrollMax);
    if (flags.screen == Screen::page3) shown.firstRow = clampScroll(flags.page3Scroll, page3ScrollMax);
    if (flags.screen == Screen::clock) shown.clock = readWallClock();
}

void drawMenuScreen(Frame frame, const ScreenShown& shown, const Pixel* const pageImages[4])
{
    switch (shown.screen) {
    case Screen::page1:
        drawPage(frame, pageImages[0], 0, pageHeights[0]);
        break;
    case Screen::page2:
        drawPage(frame, pageImages[1], shown.firstRow, scrolledPageRows);
        break;
    case Screen::page3:
        drawPage(frame, pageImages[2], shown.firstRow, scrolledPageRows);
        break;
    case Screen::page4:
        drawPage(frame, pageImages[3], 0, pageHeights[3]);
        break;
    case Screen::clock:
        drawClockPage(frame, shown.clock);
        break;
    default:
        break;
    }
}

std::int64_t dayNumber(std::int64_t year, int month, int day)
{
    // Years counted from March, so the leap day is the last day of its year; 400-year eras
    // of 146097 days.
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int daysLeft(const std::tm& local, const PartyDates& party)
{
    const std::int64_t year = std::int64_t(local.tm_year) + 1900;
    const std::int64_t today = dayNumber(year, local.tm_mon + 1, local.tm_mday);
    if (party.year > 0) {
        const std::int64_t first = dayNumber(party.year, party.month, party.day);
        if (today < first) return int(first - today);
    }
    // Last year's party is looked at first: one that runs across New Year is still on.
    for (std::int64_t partyYear = std::max<std::int64_t>(year - 1, party.year);; ++partyYear) {
        const std::int64_t first = dayNumber(partyYear, party.month, party.day);
        if (today < first) return int(first - today);
        if (today < first + party.days) return 0;
    }
}

// The date as the party's words order it: {weekday}, {month}, {day}, {dd} (two digits) and
// {year} in the pattern are put in; the rest is copied.
void formatLongDate(const std::tm& local, char* out, std::size_t size)
{
    if (size == 0) return;
    std::size_t used = 0;
    const auto put = [&](const char* text) {
        for (; *text != '\0' && used + 1 < size; ++text) out[used++] = *text;
    };
    char number[16];
    for (const char* at = clockLongDate; *at != '\0';) {
        const char* close = *at == '{' ? std::strchr(at, '}') : nullptr;
        const std::size_t length = close ? std::size_t(close - at + 1) : 0;
        const auto is = [&](const char* name) { return length == std::strlen(name) && std::strncmp(at, name, length) == 0; };
        if (is("{weekday}")) put(nameOrBlank(clockWeekdayNames, 7, local.tm_wday));
        else if (is("{month}")) put(nameOrBlank(clockMonthNames, 12, local.tm_mon));
        else if (is("{day}") || is("{dd}")) {
            std::snprintf(number, sizeof number, is("{dd}") ? "%02d" : "%d", local.tm_mday);
            put(number);
        } else if (is("{year}")) {
            std::snprintf(number, sizeof number, "%d", local.tm_year + 1900);
            put(number);
        } else {
            const char one[2] = {*at, '\0'};
            put(one);
            at += 1;
            continue;
        }
        at += length;
    }
    out[used] = '\0';
}

void formatTimeOfDay(const std::tm& local, char* out, std::size_t size)
{
    std::snprintf(out, size, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

void drawClockTexts(Frame frame, const std::tm& local)
{
    char text[100];
    formatLongDate(local, text, sizeof text);
    drawText(frame, 37, 125, 34, text, clockTextColour);
    drawText(frame, 270, 0, 10, clockDaysLeft, clockTextColour);
    std::snprintf(text, sizeof text, "%d", daysLeft(local));
    drawText(frame, 270 + 7 * (clockDaysLeftLength + 1), 0, 10, text, clockTextColour);
    formatTimeOfDay(local, text, sizeof text);
    drawText(frame, 575, 125, 34, text, clockTextColour);
}

std::tm localCalendarTime(std::time_t when)
{
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return local;
}

namespace {

struct WallClock {
    bool fixed = false;
    std::time_t when = 0;
};

WallClock wallClock;

}  // namespace

std::time_t readWallClock()
{
    return wallClock.fixed ? wallClock.when : std::time(nullptr);
}

void fixWallClock(std::time_t when)
{
    wallClock = {true, when};
}

void drawClockPage(Frame frame, std::time_t when)
{
    drawClockTexts(frame, localCalendarTime(when));
}
