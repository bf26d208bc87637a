#include "tools/assetgen/catalogue.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "assets/resource_list.h"
#include "tools/assetgen/bitfont.h"
#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/mastering.h"
#include "tools/assetgen/model.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/pages.h"
#include "tools/assetgen/photo.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/show_cues.h"
#include "tools/assetgen/soundtrack.h"
#include "tools/assetgen/text.h"
#include "tools/png_writer.h"

namespace {

enum Item {
    Loading = 100, LoaderTile, Pointer, Backdrop, Menu,
};

// How each embedded file is made, in the order of the program's table of them.
struct Making {
    Kind kind;
    int item;
};

constexpr Making Makings[] = {
    {Kind::FontStrip, 0},
    {Kind::Tga, Loading},
    {Kind::TgaTopFirst, LoaderTile},
    {Kind::Tga, Pointer},
    {Kind::TgaTopFirst, 0},
    {Kind::TgaTopFirst, 1},
    {Kind::TgaTopFirst, 2},
    {Kind::TgaTopFirst, 3},
    {Kind::TgaTopFirst, 4},
    {Kind::TgaTopFirst, 5},
    {Kind::TgaTopFirst, 6},
    {Kind::TgaTopFirst, 7},
    {Kind::Tga, 10},
    {Kind::Tga, 11},
    {Kind::Tga, 12},
    {Kind::Tga, 13},
    {Kind::Tga, 14},
    {Kind::Tga, 20},
    {Kind::Tga, 21},
    {Kind::Tga, 22},
    {Kind::Tga, 23},
    {Kind::Tga, 24},
    {Kind::Tga, 31},
    {Kind::Tga, 32},
    {Kind::Tga, 33},
    {Kind::Tga, 34},
    {Kind::Tga, 36},
    {Kind::Tga, 38},
    {Kind::Tga, 39},
    {Kind::Asc, 0},
    {Kind::Jpeg, Backdrop},
    {Kind::Jpeg, Menu},
    {Kind::Pcx, 1},
    {Kind::Pcx, 2},
    {Kind::Pcx, 3},
    {Kind::Pcx, 4},
};
static_assert(sizeof Makings / sizeof Makings[0] == resourceFileCount, "one way of making each embedded file");

constexpr std::array<ResourceEntry, resourceFileCount> Catalogue = [] {
    std::array<ResourceEntry, resourceFileCount> entries{};
    for (int k = 0; k < resourceFileCount; ++k) {
        entries[std::size_t(k)] = {ResourceFiles[k].name, ResourceFiles[k].file, Makings[k].kind, Makings[k].item};
    }
    return entries;
}();
constexpr int CatalogueSize = resourceFileCount;

// The [words] of the button labels for pages 1..4 and the quit button.
constexpr const char* ButtonWords[5] = {
    "button_general", "button_competitions", "button_rules", "button_location", "button_exit",
};

// The plates by resource number, in the order shown: 1, 2, 3, 6, 4, 8, 9.
constexpr int PlateOrder[7] = {1, 2, 3, 6, 4, 8, 9};

const std::string& plateCaption(const PartyContent& content, int number)
{
    int shown = 0;
    while (shown < 6 && PlateOrder[shown] != number) ++shown;
    return content.captions[shown];
}


// The organisers' own picture fitted to the screen, or an empty one when none is named or it
// cannot be read (the check before has said so).
Image ownPicture(const OwnPicture& own, std::string* how = nullptr)
{
    Image picture;
    std::string why;
    if (own.path.empty() || !readPhoto(own.path, picture, why)) return Image{};
    std::string fitted;
    Image screen = fitPhoto(picture, 640, 480, fitted);
    if (how) *how = own.path + ": " + fitted;
    return screen;
}

// True when the file holds exactly these bytes.
bool holds(const std::string& path, const Bytes& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const Bytes read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return read == bytes;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int resourceCount() { return CatalogueSize; }
const ResourceEntry& resourceEntry(int index) { return Catalogue[index]; }

Image resourcePicture(const ResourceEntry& entry, const PartyContent& content)
{
    switch (entry.kind) {
    case Kind::FontStrip: return fontStripImage(buildFontStrip());
    case Kind::Pcx: {
        PageFit fit;
        return paintPage(content, entry.item, fit);
    }
    case Kind::Asc: return Image{};
    default: break;
    }
    switch (entry.item) {
    case Loading: return paintLoading();
    case LoaderTile: return paintLoaderTile();
    case Pointer: return paintPointer();
    case Backdrop: return content.background.path.empty() ? paintBackdrop() : ownPicture(content.background);
    case Menu: return content.menuPicture.path.empty() ? paintMenu(content.name, wordText(content, "clock_hint"))
                                                  : ownPicture(content.menuPicture);
    default: break;
    }
    if (entry.item < 8) return paintBubble(entry.item);
    if (entry.item < 30) return paintButton(wordText(content, ButtonWords[entry.item % 10]), entry.item >= 20);
    return paintPlate(plateCaption(content, entry.item - 30));
}

Bytes resourceBytes(const ResourceEntry& entry, const PartyContent& content)
{
    switch (entry.kind) {
    case Kind::FontStrip: return buildFontStrip();
    case Kind::Tga: return encodeTga(resourcePicture(entry, content));
    case Kind::TgaTopFirst: return encodeTga(resourcePicture(entry, content), true);
    case Kind::Jpeg: return encodeJpeg(resourcePicture(entry, content), 92);
    case Kind::Asc: return [] {
            std::string text = ascText(buildGlobe(), "Zsphere");
            return Bytes(text.begin(), text.end());
        }();
    case Kind::Pcx: {
        PageFit fit;
        Image page = paintPage(content, entry.item, fit);
        std::uint8_t palette[768];
        greyPalette(palette);
        return encodePcx(greyIndices(page), page.width, page.height, palette);
    }
    }
    return {};
}

std::string partyDatesHeader(const PartyContent& content)
{
    return "#pragma once\n"
           "// The party's first day and length, written by assetgen from content/party.toml.\n"
           "// Edit that file and run `make assets` instead of changing these lines.\n"
           "constexpr int partyFirstYear = " + std::to_string(content.year) + ";\n"
           "constexpr int partyFirstMonth = " + std::to_string(content.month) + ";  // 1 = January\n"
           "constexpr int partyFirstDay = " + std::to_string(content.day) + ";  // day of the month\n"
           "constexpr int partyDays = " + std::to_string(content.days) + ";  // the count shows 0 on each of them\n";
}

namespace {

// A C++ string literal of UTF-8 text without control characters.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string partyNameHeader(const PartyContent& content)
{
    return "#pragma once\n"
           "// The party's name, written by assetgen from content/party.toml, for the window's title.\n"
           "// Edit that file and run `make assets` instead of changing these lines.\n"
           "inline constexpr const char* partyName = " + quoted(content.name) + ";\n"
           "inline constexpr const char* invitationTitle = " + quoted(content.name + " Party Invitation") + ";\n";
}

std::string soundtrackFileName(const PartyContent& content) { return content.stem + ".mp3"; }
std::string nfoFileName(const PartyContent& content) { return content.stem + ".nfo"; }

std::string partyFilesHeader(const PartyContent& content)
{
    return "#pragma once\n"
           "// The names of the files the party's audience gets, written by assetgen from the [files]\n"
           "// table of content/party.toml. Edit that file and run `make assets` instead of changing\n"
           "// these lines; the build and the release scripts read the stem from here.\n"
           "inline constexpr const char* fileStem = " + quoted(content.stem) + ";\n"
           "inline constexpr const char* soundtrackFileName = " + quoted(soundtrackFileName(content)) + ";\n";
}

namespace {

// A C++ string literal of the bytes the clock's font draws for the text; those above 0x7F in
// octal, so no letter after them is taken into the escape.
std::string clockLiteral(const std::string& text)
{
    std::string out = "\"";
    for (const char c : clockSpelling(text)) {
        const unsigned byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) out += "\\" + std::to_string(byte >> 6) + std::to_string((byte >> 3) & 7) + std::to_string(byte & 7);
        else out += std::string(c == '"' || c == '\\' ? "\\" : "") + c;
    }
    return out + "\"";
}

}  // namespace

std::string partyWordsHeader(const PartyContent& content)
{
    std::string months, weekdays;
    for (const std::string& name : content.words.months) months += (months.empty() ? "" : ", ") + clockLiteral(name);
    for (const std::string& name : content.words.weekdays) weekdays += (weekdays.empty() ? "" : ", ") + clockLiteral(name);
    const std::string& daysLeft = wordText(content, "days_left");
    return "#pragma once\n"
           "// The clock's words in the party's language, written by assetgen from content/party.toml.\n"
           "// Edit that file and run `make assets` instead of changing these lines.\n"
           "inline constexpr const char* clockDaysLeft = " + clockLiteral(daysLeft) + ";\n"
           "inline constexpr int clockDaysLeftLength = " + std::to_string(clockTextLength(daysLeft)) + ";\n"
           "// {weekday}, {month}, {day}, {dd} (two digits) and {year}\n"
           "inline constexpr const char* clockLongDate = " + clockLiteral(wordText(content, "long_date")) + ";\n"
           "inline constexpr const char* clockMonthNames[12] = {" + months + "};\n"
           "inline constexpr const char* clockWeekdayNames[7] = {" + weekdays + "};\n";
}

std::vector<OutputFile> generatedFiles(const PartyContent& content, bool withSoundtrack)
{
    auto start = std::chrono::steady_clock::now();
    std::vector<OutputFile> files;
    std::string list = "# NAME path (relative to this folder), in the order the program extracts them\n";
    for (const ResourceEntry& entry : Catalogue) {
        files.push_back(OutputFile{entry.file, resourceBytes(entry, content)});
        list += std::string(entry.name) + " " + entry.file + "\n";
    }
    files.push_back(OutputFile{"resources.list", Bytes(list.begin(), list.end())});
    const std::string header = partyDatesHeader(content);
    files.push_back(OutputFile{PartyDatesFile, Bytes(header.begin(), header.end())});
    const std::string nfo = nfoFileText(content);
    files.push_back(OutputFile{nfoFileName(content), Bytes(nfo.begin(), nfo.end())});
    const std::string timing = showTimingHeader(content.cues);
    files.push_back(OutputFile{ShowTimingFile, Bytes(timing.begin(), timing.end())});
    const std::string name = partyNameHeader(content);
    files.push_back(OutputFile{PartyNameFile, Bytes(name.begin(), name.end())});
    const std::string words = partyWordsHeader(content);
    files.push_back(OutputFile{PartyWordsFile, Bytes(words.begin(), words.end())});
    const std::string names = partyFilesHeader(content);
    files.push_back(OutputFile{PartyFilesFile, Bytes(names.begin(), names.end())});
    for (const auto& [own, what] : {std::pair{&content.background, "background"}, std::pair{&content.menuPicture, "menu"}}) {
        std::string how;
        if (!own->path.empty() && ownPicture(*own, &how).width > 0)
            std::fprintf(stderr, "assetgen: %s picture %s\n", what, escapeControls(how).c_str());
    }
    std::fprintf(stderr, "assetgen: pictures, pages, font, model and texts in %.1f s\n", secondsSince(start));
    if (!withSoundtrack) return files;
    if (!content.soundtrackPath.empty()) {
        std::string how;
        files.push_back(OutputFile{soundtrackFileName(content), ownSoundtrackBytes(content, &how)});
        std::fprintf(stderr, "assetgen: soundtrack %s, all done in %.1f s\n", escapeControls(how).c_str(),
                     secondsSince(start));
        return files;
    }

    StereoTrack track = composeSoundtrack();
    const MasteringResult mastered = masterTrack(track, MasteringTarget{});
    files.push_back(OutputFile{soundtrackFileName(content), encodeMp3(track)});
    std::fprintf(stderr, "assetgen: soundtrack %.1f s long, %s, all done in %.1f s\n",
                 double(track.left.size()) / sampleRate, masteringSummary(mastered).c_str(), secondsSince(start));
    return files;
}

bool writeFilesTogether(const std::string& folder, const std::vector<OutputFile>& files)
{
    // Each file goes to a temporary name first and is read back; only when all of them are
    // written whole are they renamed into place, so a failure leaves the folder as it was.
    std::vector<std::string> written;
    bool ok = true;
    for (const OutputFile& file : files) {
        const std::string temporary = folder + "/." + file.name + ".new";
        if (!writeBytes(temporary, file.bytes) || !holds(temporary, file.bytes)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", temporary.c_str());
            if (std::filesystem::is_regular_file(temporary)) std::remove(temporary.c_str());
            ok = false;
            break;
        }
        written.push_back(temporary);
    }
    if (!ok) {
        for (const std::string& temporary : written) std::remove(temporary.c_str());
        return false;
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        const std::string path = folder + "/" + files[k].name;
        if (std::rename(written[k].c_str(), path.c_str()) != 0) {
            std::fprintf(stderr, "assetgen: cannot rename %s to %s\n", written[k].c_str(), path.c_str());
            for (std::size_t rest = k; rest < written.size(); ++rest) std::remove(written[rest].c_str());
            return false;
        }
    }
    return true;
}

namespace {

// The stem the folder's files were last written with, from its party_files.h; empty when there
// is none or it is not one assetgen takes.
std::string earlierStem(const std::string& folder)
{
    std::ifstream in(folder + "/" + PartyFilesFile);
    const std::string start = "inline constexpr const char* fileStem = \"";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(start, 0) != 0 || line.size() < start.size() + 2) continue;
        const std::string stem = line.substr(start.size(), line.size() - start.size() - 2);
        return line.compare(line.size() - 2, 2, "\";") == 0 && isFileStem(stem) ? stem : "";
    }
    return "";
}

}  // namespace

bool writeAllResources(const std::string& folder, const PartyContent& content, bool withSoundtrack)
{
    // Files of an earlier stem go once the new ones are written: its .nfo, and its soundtrack
    // when a new one is written and the old one is what assetgen wrote there.
    const std::string earlier = earlierStem(folder);
    std::vector<std::string> stale;
    if (!earlier.empty() && earlier != content.stem) {
        stale.push_back(earlier + ".nfo");
        std::string kept;
        if (withSoundtrack && soundtrackMayBeReplaced(folder, earlier + ".mp3", {}, kept)) stale.push_back(earlier + ".mp3");
    }

    // An organiser's own MP3 is known before anything is made: stop at once.
    std::string why;
    if (withSoundtrack && !content.soundtrackPath.empty() && soundFormatOf(content.soundtrackBytes) == SoundFormat::Mp3 &&
        !soundtrackMayBeReplaced(folder, soundtrackFileName(content), ownSoundtrackBytes(content), why)) {
        std::fprintf(stderr, "assetgen: %s; nothing was written\n", why.c_str());
        return false;
    }
    std::vector<OutputFile> files = generatedFiles(content, withSoundtrack);
    for (const OutputFile& file : files) {
        if (file.name != soundtrackFileName(content)) continue;
        if (!soundtrackMayBeReplaced(folder, file.name, file.bytes, why)) {
            std::fprintf(stderr, "assetgen: %s; nothing was written\n", why.c_str());
            return false;
        }
        const std::string record = soundtrackRecord(file.bytes, content);
        files.push_back(OutputFile{SoundtrackRecordFile, Bytes(record.begin(), record.end())});
        break;
    }
    if (!writeFilesTogether(folder, files)) return false;
    for (const std::string& name : stale) {
        std::error_code error;
        if (std::filesystem::remove(folder + "/" + name, error))
            std::fprintf(stderr, "assetgen: %s of the earlier stem %s is removed\n", name.c_str(), earlier.c_str());
    }
    return true;
}

bool writeContactSheet(const std::string& path, const PartyContent& content)
{
    constexpr int Width = 1340;
    Image sheet = makeImage(Width, 3200, rgb(36, 36, 44));
    int x = 10, y = 10, rowHeight = 0;
    auto place = [&](const Image& picture, int scale, const char* label) {
        int w = picture.width * scale, h = picture.height * scale;
        if (x + w > Width - 10) {
            x = 10;
            y += rowHeight + 24;
            rowHeight = 0;
        }
        pasteScaled(sheet, picture, x, y, scale);
        drawString(sheet, Face::Sans, 11, x, y + h + 13, label, rgb(200, 200, 210));
        x += std::max(w, 110) + 14;
        rowHeight = std::max(rowHeight, h);
    };
    for (const ResourceEntry& entry : Catalogue) {
        if (entry.kind == Kind::Asc) continue;
        Image picture = resourcePicture(entry, content);
        int scale = picture.width <= 20 ? 4 : picture.width <= 125 ? 2 : 1;
        if (entry.kind == Kind::FontStrip) scale = 2;
        place(picture, scale, entry.name);
    }
    sheet.height = std::min(sheet.height, y + rowHeight + 24);
    sheet.pixels.resize(std::size_t(sheet.width) * sheet.height);
    return writePng(path, sheet.pixels.data(), sheet.width, sheet.height);
}
