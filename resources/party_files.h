#pragma once
// The names of the files the party's audience gets, written by assetgen from the [files]
// table of content/party.toml. Edit that file and run `make assets` instead of changing
// these lines; the build and the release scripts read the stem from here.
inline constexpr const char* fileStem = "zura5inv";
inline constexpr const char* soundtrackFileName = "zura5inv.mp3";
