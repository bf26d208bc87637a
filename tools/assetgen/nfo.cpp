#include "tools/assetgen/nfo.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "tools/assetgen/image.h"
#include "tools/assetgen/letters.h"
#include "tools/assetgen/text.h"

namespace {

constexpr int Width = nfoColumns - 1;  // one column spare for viewers that wrap at 80
constexpr int BannerWidth = 72;

// The name drawn with the bold face and read back two pixel rows per text line, so the
// letters keep their shape in a font twice as tall as it is wide.
std::vector<std::string> banner(const std::string& name)
{
    int size = 22;
    while (size > 8 && textWidth(Face::SansBold, size, name) + 2 > BannerWidth) --size;
    const int width = textWidth(Face::SansBold, size, name) + 2;
    if (width > BannerWidth) return {name};
    Image image = makeImage(width, size + 6);
    drawString(image, Face::SansBold, size, 1, size + 1, name, rgb(255, 255, 255));
    static const char Ramp[] = " .:oO#";
    std::vector<std::string> lines;
    for (int y = 0; y + 1 < image.height; y += 2) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const int cover = channelOf(image.pixels[std::size_t(y) * width + x], 0) +
                              channelOf(image.pixels[std::size_t(y + 1) * width + x], 0);
            line += Ramp[std::min(5, cover * 6 / 511)];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    while (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
    return lines;
}

std::string centred(const std::string& text)
{
    const int pad = std::max(0, (Width - columnsOf(text)) / 2);
    return std::string(std::size_t(pad), ' ') + text + "\n";
}

std::string rule(const std::string& title)
{
    std::string line = " ---[ " + title + " ]";
    line += std::string(std::size_t(std::max(0, Width - int(line.size()))), '-');
    return "\n" + line + "\n\n";
}

}  // namespace

std::string wrapText(const std::string& text, int width, const std::string& indent)
{
    std::istringstream words(text);
    std::string word, line, out;
    while (words >> word) {
        if (!line.empty() && columnsOf(indent + line + " " + word) > width) {
            out += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += indent + line + "\n";
    return out;
}

std::string nfoText(const PartyContent& content)
{
    // The facts as the .nfo spells them; the dates are digits and English words.
    const NfoFacts& f = content.nfo;
    const PartyContent& c = content;
    const std::string dates = datesWithYears(c.year, c.month, c.day, c.days);

    std::string out = "\n";
    const std::vector<std::string> art = banner(f.name);
    std::size_t artWidth = 0;
    for (const std::string& line : art) artWidth = std::max(artWidth, std::size_t(columnsOf(line)));
    const std::string artPad(std::size_t(std::max(0, (Width - int(artWidth)) / 2)), ' ');
    for (const std::string& line : art) out += artPad + line + "\n";
    out += "\n";
    out += centred(f.name + " - party invitation");
    out += centred(dates);
    out += centred(f.hall + ", " + f.address + ", " + f.town);

    out += rule("the release");
    out += wrapText("An invitation to " + f.name + ", a " + countWord(c.days) + "-day computer party from " +
                        dates + " at " + f.hall + " in " +
                        f.town + ". It plays its own soundtrack and draws a 640x480 show in software: "
                        "a starfield, title plates and a turning globe, then a menu with the party's "
                        "information pages, a clock page that counts the days to the party, and an exit "
                        "button.",
                    Width, "  ");

    out += rule("running it");
    out += "  Unpack the archive and start a program from its folder; the soundtrack\n"
           "  " + c.stem + ".mp3 must stay beside it.\n\n"
           "  Linux     ./invite_windowed        in a 640x480 window\n"
           "            ./invite_fullscreen      on the whole screen\n"
           "  Windows   invite_windowed.exe      in a 640x480 window\n"
           "            invite_fullscreen.exe    on the whole screen\n";

    out += rule("keys and mouse");
    out += "  Intro or menu   Escape              the program ends\n"
           "  Menu            left click          a button opens its page; EXIT ends\n"
           "                                      the program; the strip at the top\n"
           "                                      opens the clock page\n"
           "  A page          left click, right   back to the menu\n"
           "                  button or Escape\n"
           "  Pages 2 and 3   Up / Down           scroll 10 rows\n"
           "                  PgUp / PgDn         scroll 380 rows\n"
           "  Anywhere        closing the window  the program ends\n";

    out += rule("requirements");
    out += "  - a sound device: the show follows the music (to watch it silently on\n"
           "    Linux, start it with SDL_AUDIODRIVER=dummy)\n"
           "  - a screen of 640x480 or more\n"
           "  - Linux: a 64-bit desktop with X11 or Wayland\n"
           "  - Windows: a 64-bit Windows, or Wine\n";

    out += rule("credits");
    out += wrapText(f.credits, Width, "  ");

    out += rule("contact");
    out += "  Questions   " + f.questions + "\n";
    out += "  Entries     " + f.entries + "\n";
    out += "  Web         " + f.web + "\n";
    out += "\n" + centred("See you at " + f.name + "!");
    return out;
}

std::string nfoFileText(const PartyContent& content)
{
    return cp437Text(nfoText(content));
}
