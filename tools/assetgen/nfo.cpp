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

namespace {

// A word's text with its placeholder filled in.
std::string filled(std::string text, const std::string& placeholder, const std::string& value)
{
    for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) text.replace(at, placeholder.size(), value);
    return text;
}

// The cells of a table row as the words write it: "Menu | left click | a button opens ...".
std::vector<std::string> cellsOf(const std::string& row)
{
    std::vector<std::string> cells(1);
    for (const char c : row) {
        if (c == '|') cells.emplace_back();
        else cells.back() += c;
    }
    for (std::string& cell : cells) {
        const std::size_t first = cell.find_first_not_of(' ');
        cell = first == std::string::npos ? "" : cell.substr(first, cell.find_last_not_of(' ') - first + 1);
    }
    return cells;
}

// The rows of the keys' table: each cell wrapped into its column, the columns side by side.
std::string keysTable(const PartyContent& content)
{
    static const char* const Rows[] = {"nfo_key_escape", "nfo_key_click", "nfo_key_back",
                                       "nfo_key_scroll", "nfo_key_page",  "nfo_key_close"};
    static const int Widths[] = {14, 18, 36};  // each column followed by two spaces
    std::string out;
    for (const char* key : Rows) {
        const std::vector<std::string> cells = cellsOf(wordText(content, key));
        std::vector<std::string> columns[3];
        std::size_t rows = 1;
        for (std::size_t c = 0; c < 3 && c < cells.size(); ++c) {
            std::istringstream lines(wrapText(cells[c], Widths[c], ""));
            for (std::string line; std::getline(lines, line);) columns[c].push_back(line);
            rows = std::max(rows, columns[c].size());
        }
        for (std::size_t r = 0; r < rows; ++r) {
            std::string line = "  ";
            for (std::size_t c = 0; c < 3; ++c) {
                const std::string cell = r < columns[c].size() ? columns[c][r] : "";
                line += cell;
                if (c < 2) line += std::string(std::size_t(std::max(2, Widths[c] + 2 - columnsOf(cell))), ' ');
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            out += line + "\n";
        }
    }
    return out;
}

// A list item: "  - " before its first line, its other lines under its text.
std::string listItem(const std::string& text)
{
    const std::string wrapped = wrapText(text, Width - 4, "    ");
    return "  - " + wrapped.substr(std::min(wrapped.size(), std::size_t(4)));
}

}  // namespace

std::string nfoText(const PartyContent& content)
{
    // The facts as the .nfo spells them, in the party's words.
    const NfoFacts& f = content.nfo;
    const auto word = [&](const char* key) { return wordText(content, key); };

    std::string out = "\n";
    const std::vector<std::string> art = banner(f.name);
    std::size_t artWidth = 0;
    for (const std::string& line : art) artWidth = std::max(artWidth, std::size_t(columnsOf(line)));
    const std::string artPad(std::size_t(std::max(0, (Width - int(artWidth)) / 2)), ' ');
    for (const std::string& line : art) out += artPad + line + "\n";
    out += "\n";
    out += centred(word("nfo_subtitle"));
    out += centred(cp437Spelling(datesWithYears(content.year, content.month, content.day, content.days, &content.words)));
    out += centred(f.hall + ", " + f.address + ", " + f.town);

    out += rule(word("nfo_release"));
    out += wrapText(word("nfo_about"), Width, "  ");

    out += rule(word("nfo_running"));
    out += wrapText(filled(word("nfo_unpack"), "{soundtrack}", content.stem + ".mp3"), Width, "  ") + "\n";
    const std::string window = word("nfo_window"), fullscreen = word("nfo_fullscreen");
    out += "  Linux     ./invite_windowed        " + window + "\n" +
           "            ./invite_fullscreen      " + fullscreen + "\n" +
           "  Windows   invite_windowed.exe      " + window + "\n" +
           "            invite_fullscreen.exe    " + fullscreen + "\n";

    out += rule(word("nfo_keys"));
    out += keysTable(content);

    out += rule(word("nfo_requirements"));
    for (const char* key : {"nfo_need_sound", "nfo_need_screen", "nfo_need_linux", "nfo_need_windows"})
        out += listItem(word(key));

    out += rule(word("nfo_credits"));
    out += wrapText(f.credits, Width, "  ");

    out += rule(word("nfo_contact"));
    const std::pair<const char*, const std::string*> contacts[] = {
        {"nfo_questions", &f.questions}, {"nfo_entries", &f.entries}, {"nfo_web", &f.web}};
    int labelWidth = 9;
    for (const auto& [key, value] : contacts) labelWidth = std::max(labelWidth, columnsOf(word(key)));
    for (const auto& [key, value] : contacts)
        out += "  " + word(key) + std::string(std::size_t(labelWidth + 3 - columnsOf(word(key))), ' ') + *value + "\n";
    out += "\n" + centred(word("nfo_goodbye"));
    return out;
}

std::string nfoFileText(const PartyContent& content)
{
    return cp437Text(nfoText(content));
}
