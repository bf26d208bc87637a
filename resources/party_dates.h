#pragma once
// The party's first day and length, written by assetgen from content/party.toml.
// Edit that file and run `make assets` instead of changing these lines.
constexpr int partyFirstYear = 2027;
constexpr int partyFirstMonth = 11;  // 1 = January
constexpr int partyFirstDay = 9;  // day of the month
constexpr int partyDays = 3;  // the count shows 0 on each of them
