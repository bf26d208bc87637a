#pragma once
// The embedded files in extraction order, how each is made, and the two ways of writing
// them out: into the resources folder, or as one contact sheet to look at.
#include <string>
#include <vector>

#include "tools/assetgen/content.h"

#include "tools/assetgen/writers.h"

enum class Kind { FontStrip, Tga, TgaTopFirst, Jpeg, Pcx, Asc };

struct ResourceEntry {
    const char* name;  // DATA_...
    const char* file;  // relative to the resources folder
    Kind kind;
    int item;  // which picture of its kind (button, plate, page, bubble number)
};

int resourceCount();
const ResourceEntry& resourceEntry(int index);

// The picture an entry holds, upright (none for the model).
Image resourcePicture(const ResourceEntry& entry, const PartyContent& content);
Bytes resourceBytes(const ResourceEntry& entry, const PartyContent& content);

// The soundtrack the programs read beside them, and the text that comes with a release, both
// named after [files] stem.
std::string soundtrackFileName(const PartyContent& content);
std::string nfoFileName(const PartyContent& content);
constexpr const char* PartyDatesFile = "party_dates.h";  // the clock's dates, compiled in
constexpr const char* PartyNameFile = "party_name.h";    // the window's title, compiled in
constexpr const char* PartyFilesFile = "party_files.h";  // the file names, compiled in and read by the scripts
constexpr const char* PartyWordsFile = "party_words.h";  // the clock's words, compiled in

struct OutputFile {
    std::string name;  // relative to the resources folder
    Bytes bytes;
};
// Every file of the resources folder, made in memory; the soundtrack last and only when asked.
std::vector<OutputFile> generatedFiles(const PartyContent& content, bool withSoundtrack);
std::string partyDatesHeader(const PartyContent& content);
std::string partyNameHeader(const PartyContent& content);
std::string partyFilesHeader(const PartyContent& content);
std::string partyWordsHeader(const PartyContent& content);
// Writes all files, or, when one cannot be written, none: the folder is left as it was.
// writeAllResources also keeps the soundtrack's record beside it, and writes nothing when the
// folder's soundtrack is not one it wrote.
bool writeFilesTogether(const std::string& folder, const std::vector<OutputFile>& files);
bool writeAllResources(const std::string& folder, const PartyContent& content, bool withSoundtrack);
bool writeContactSheet(const std::string& path, const PartyContent& content);
