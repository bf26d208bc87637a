#pragma once
// The party's name, written by assetgen from content/party.toml, for the window's title.
// Edit that file and run `make assets` instead of changing these lines.
inline constexpr const char* partyName = "ZURA 5";
inline constexpr const char* invitationTitle = "ZURA 5 Party Invitation";
