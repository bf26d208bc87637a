#pragma once
// Lookup of the files compiled into the executable, and the raw readers over their bytes.
// Decoders take a byte pointer and a length and never read past either end.
#include <cstddef>
#include <cstdint>

#include "base/pixel.h"

struct ResourceBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// One entry of the generated table of embedded files (resources/resources.list).
struct EmbeddedResource {
    const char* name;
    const std::uint8_t* data;
    const std::uint8_t* end;  // one past the last byte
};
extern const EmbeddedResource EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;

// The embedded file of that name, or nullptr when there is none or it is empty.
const EmbeddedResource* findResource(const char* name);

// Called during loading, before any reader sees the bytes. A missing name prints
// "Error: Can't get the resource\n" on standard output and ends the process with code 0.
ResourceBytes extractResource(const char* name);

// Copies the first `length` bytes; a shorter source copies what there is and leaves the rest
// of dest as it was.
void readFileBytes(ResourceBytes source, void* dest, std::size_t length);

// Copies `count` little-endian 32-bit words starting at byte 18 (the pixel block of an
// uncompressed 32-bit TGA, bottom row first, unflipped); a short file copies what there is.
void readTgaPixels(ResourceBytes source, Pixel* dest, std::size_t count);
