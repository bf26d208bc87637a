#pragma once
// The embedded files in extraction order, how each is made, and the two ways of writing
// them out: into the resources folder, or as one contact sheet to look at.
#include <string>

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
Image resourcePicture(const ResourceEntry& entry);
Bytes resourceBytes(const ResourceEntry& entry);

bool writeAllResources(const std::string& folder);
bool writeContactSheet(const std::string& path);
