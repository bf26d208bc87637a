#pragma once
// The names of the months and the days of the week in English, the invitation's language
// unless a party gives its own.
inline constexpr const char* EnglishMonthNames[12] = {"January", "February", "March",     "April",
                                                      "May",     "June",     "July",      "August",
                                                      "September", "October", "November", "December"};
inline constexpr const char* EnglishWeekdayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};
