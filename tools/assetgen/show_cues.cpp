#include "tools/assetgen/show_cues.h"

#include <algorithm>
#include <cstdio>

namespace {

// The line of a cue given in the file, else the [timing] table's (0 when it is absent too).
int cueLine(const PartyContent& content, const std::string& key)
{
    for (const auto& [name, line] : content.cueLines)
        if (name == key) return line;
    return content.timingLine;
}

std::string seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", ms / 1000.0);
    return text;
}

struct CueChecker {
    const PartyContent& content;
    std::vector<ContentError>& errors;

    void fail(const std::string& key, const std::string& message)
    {
        errors.push_back(ContentError{cueLine(content, key), "timing." + key, message});
    }
    // `later` must come after `earlier`.
    void order(const char* earlier, int earlierMs, const char* later, int laterMs)
    {
        if (laterMs > earlierMs) return;
        fail(later, std::to_string(laterMs) + " must come after " + earlier + " (" + std::to_string(earlierMs) + ")");
    }
};

}  // namespace

bool checkCues(const PartyContent& content, int soundtrackMs, std::vector<ContentError>& errors)
{
    const std::size_t before = errors.size();
    const ShowCues& c = content.cues;
    CueChecker check{content, errors};
    for (int k = 0; k < cuePlateCount; ++k) {
        const std::string key = "plates[" + std::to_string(k) + "]";
        const int length = c.plateEnd[k] - c.plateStart[k];
        if (length < plateShortestWindow || length > plateLongestWindow)
            check.fail(key, "the window [" + std::to_string(c.plateStart[k]) + ", " + std::to_string(c.plateEnd[k]) +
                                "] lasts " + std::to_string(length) + " ms; a plate needs " +
                                std::to_string(plateShortestWindow) + " to " + std::to_string(plateLongestWindow) +
                                " ms");
        if (k > 0 && c.plateStart[k] < c.plateEnd[k - 1])
            check.fail(key, "starts at " + std::to_string(c.plateStart[k]) + ", before plate " + std::to_string(k - 1) +
                                " ends (" + std::to_string(c.plateEnd[k - 1]) + "): the windows must follow each other");
    }
    if (c.plateEnd[cuePlateCount - 1] > c.menu)
        check.fail("plates[6]", "ends at " + std::to_string(c.plateEnd[cuePlateCount - 1]) +
                                    ", after the menu comes (" + std::to_string(c.menu) + ")");
    check.order("globe", c.globe, "flash", c.flash);
    check.order("flash", c.flash, "fade", c.fade);
    check.order("fade", c.fade, "fade_end", c.fadeEnd);
    check.order("flash", c.flash, "wire_end", c.wireEnd);
    check.order("fade_end", c.fadeEnd, "menu", c.menu);
    check.order("wire_end", c.wireEnd, "menu", c.menu);
    if (soundtrackMs > 0 && c.menu > soundtrackMs - menuBeforeEnd) {
        const std::string where = cueLine(content, "menu") > 0 ? "" : " (the default)";
        check.fail("menu", "the menu comes at " + seconds(c.menu) + where + " but the soundtrack is " +
                               seconds(soundtrackMs) + " long, and the show starts over when the music ends, so the menu would stay up "
                               "only " + seconds(std::max(0, soundtrackMs - c.menu)) + "; it needs " +
                               seconds(menuBeforeEnd) + " of music after it: set [timing] menu and the cues before "
                               "it earlier, or use a longer track");
    }
    return errors.size() == before;
}

std::string showTimingHeader(const ShowCues& cues)
{
    auto list = [](const int (&values)[cuePlateCount]) {
        std::string text;
        for (int k = 0; k < cuePlateCount; ++k) text += (k ? ", " : "") + std::to_string(values[k]);
        return text;
    };
    // Comments start in one column, as in the header the program was first written with.
    auto line = [](const std::string& declaration, const char* comment) {
        std::string text = declaration;
        const std::size_t column = 56;
        text += text.size() + 2 <= column ? std::string(column - text.size(), ' ') : std::string("  ");
        return text + "// " + comment + "\n";
    };
    return "#pragma once\n"
           "// The show's moments in milliseconds of the soundtrack, written by assetgen from the\n"
           "// [timing] table of content/party.toml. Edit that file and run `make assets` instead of\n"
           "// changing these lines.\n"
           "#include <cstdint>\n"
           "\n"
           "// Each title plate shows while start < time < end, in the order the plates appear.\n"
           "inline constexpr std::int32_t bakedPlateStart[7] = {" + list(cues.plateStart) + "};\n"
           "inline constexpr std::int32_t bakedPlateEnd[7] = {" + list(cues.plateEnd) + "};\n" +
           line("inline constexpr std::int32_t bakedGlobeStart = " + std::to_string(cues.globe) + ";",
                "the globe's first frame is after this") +
           line("inline constexpr std::int32_t bakedFlash = " + std::to_string(cues.flash) + ";",
                "the white flash and the wireframe") +
           line("inline constexpr std::int32_t bakedFade = " + std::to_string(cues.fade) + ";", "the globe fades from here") +
           line("inline constexpr std::int32_t bakedFadeEnd = " + std::to_string(cues.fadeEnd) + ";", "to here") +
           line("inline constexpr std::int32_t bakedWireEnd = " + std::to_string(cues.wireEnd) + ";",
                "the wireframe's last frame is before this") +
           line("inline constexpr std::int32_t bakedMenu = " + std::to_string(cues.menu) + ";",
                "the intro ends and the crossfade begins");
}
