#pragma once
// The show's moments in milliseconds of the soundtrack, written by assetgen from the
// [timing] table of content/party.toml. Edit that file and run `make assets` instead of
// changing these lines.
#include <cstdint>

// Each title plate shows while start < time < end, in the order the plates appear.
inline constexpr std::int32_t bakedPlateStart[7] = {2000, 8000, 14000, 20000, 26000, 32000, 38000};
inline constexpr std::int32_t bakedPlateEnd[7] = {8000, 14000, 20000, 26000, 32000, 38000, 41700};
inline constexpr std::int32_t bakedGlobeStart = 14650;  // the globe's first frame is after this
inline constexpr std::int32_t bakedFlash = 27551;       // the white flash and the wireframe
inline constexpr std::int32_t bakedFade = 27650;        // the globe fades from here
inline constexpr std::int32_t bakedFadeEnd = 36999;     // to here
inline constexpr std::int32_t bakedWireEnd = 34700;     // the wireframe's last frame is before this
inline constexpr std::int32_t bakedMenu = 41701;        // the intro ends and the crossfade begins
