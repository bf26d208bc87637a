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
constexpr int partyDayIndex = 312;  // day of the year, 0 = 1 January

std::int32_t clampScroll(std::int32_t& scroll, std::int32_t maximum);  // stores and returns
void drawPage(Pixel* frame, const Pixel* pageImage, int firstRow, int rowCount);
// The page or clock page MenuState chooses (clamping the scroll it uses), or nothing.
void drawMenuScreen(Pixel* frame, MenuFlags& flags, const Pixel* const pageImages[4]);

// Days until the next day with index 312: this year's until it has passed, next year's after.
int daysLeft(const std::tm& local);
void formatLongDate(const std::tm& local, char* out, std::size_t size);  // "Monday, December 07, 2026"
void formatTimeOfDay(const std::tm& local, char* out, std::size_t size);  // "HH:MM:SS"
void drawClockTexts(Pixel* frame, const std::tm& local);
void drawClockPage(Pixel* frame);  // reads the local time once
