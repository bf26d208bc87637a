#pragma once
// The clock's words in the party's language, written by assetgen from content/party.toml.
// Edit that file and run `make assets` instead of changing these lines.
inline constexpr const char* clockDaysLeft = "days left:";
inline constexpr int clockDaysLeftLength = 10;
// {weekday}, {month}, {day}, {dd} (two digits) and {year}
inline constexpr const char* clockLongDate = "{weekday}, {month} {dd}, {year}";
inline constexpr const char* clockMonthNames[12] = {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November", "December"};
inline constexpr const char* clockWeekdayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
