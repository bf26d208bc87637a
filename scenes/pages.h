#pragma once
// The four information pages added onto the menu picture, and the clock page's texts.
#include <cstdint>
#include <ctime>

#include "render/primitives.h"
#include "scenes/menu.h"

constexpr int pageWidth = 580;
constexpr int pageHeights[4] = {378, 531, 1274, 307};
constexpr int page2ScrollMax = 150;
constexpr int page3ScrollMax = 893;

// The party's first day (month 1..12, day of the month, and its year, 0 for a party held on
// that day every year) and its number of days.
struct PartyDates {
    int month;
    int day;
    int days;
    int year = 0;
};
// The dates the program was built with, from the content file.
extern const PartyDates BakedPartyDates;

// One press of Up or Down, and of Page Up or Page Down, in frame rows.
constexpr std::int32_t scrollLineRows = 10;
constexpr std::int32_t scrollScreenRows = 380;

std::int32_t clampScroll(std::int32_t& scroll, std::int32_t maximum);  // stores and returns
// Moves the open scrolling page (2 or 3) by `rows`, down when positive; any other screen
// ignores it. The page's step clamps the offset, so moves past an end within one pass add up
// as the keys always have.
void scrollOpenPage(MenuFlags& flags, std::int32_t rows);
void drawPage(Frame frame, const Pixel* pageImage, int firstRow, int rowCount);
// What the last step left to be drawn over the menu picture: the screen (a page or the clock
// page; nothing on any other), the page's first row, the clock's reading.
struct ScreenShown {
    Screen screen = Screen::menu;
    std::int32_t firstRow = 0;
    std::time_t clock = 0;
};

// Clamps the open page's scroll, records the screen and, on the clock page, reads the clock.
void stepMenuScreen(MenuFlags& flags, ScreenShown& shown);
void drawMenuScreen(Frame frame, const ScreenShown& shown, const Pixel* const pageImages[4]);

// Whole calendar days from the date in `local` to the party's first day, across the years
// before it; 0 on every day of the party; after it, to the same day of the next year. Only the
// date fields count (year, month, day of the month).
int daysLeft(const std::tm& local, const PartyDates& party = BakedPartyDates);
// Days since 1 January 1970 of a date in the proleptic Gregorian calendar (month 1..12).
std::int64_t dayNumber(std::int64_t year, int month, int day);
std::tm localCalendarTime(std::time_t when);
void formatLongDate(const std::tm& local, char* out, std::size_t size);  // "Monday, December 07, 2026"
void formatTimeOfDay(const std::tm& local, char* out, std::size_t size);  // "HH:MM:SS"
void drawClockTexts(Frame frame, const std::tm& local);
void drawClockPage(Frame frame, std::time_t when);  // the texts at the local time of `when`
// The clock page's source of the time: the system clock, or a fixed moment (offline renders
// that must give the same pixels on every run).
std::time_t readWallClock();
void fixWallClock(std::time_t when);
