#include "assets/resources.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const EmbeddedResource* findResource(const char* name)
{
    for (std::size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& entry = EmbeddedResources[i];
        if (std::strcmp(entry.name, name) == 0) return entry.end > entry.data ? &entry : nullptr;
    }
    return nullptr;
}

ResourceBytes extractResource(const char* name)
{
    const EmbeddedResource* entry = findResource(name);
    if (entry == nullptr) {
        std::fprintf(stderr, "Error: Can't get the resource %s: the program was built without it\n", name);
        std::exit(1);
    }
    return ResourceBytes{entry->data, std::size_t(entry->end - entry->data)};
}

void readFileBytes(ResourceBytes source, void* dest, std::size_t length)
{
    const std::size_t available = source.size < length ? source.size : length;
    if (available > 0) std::memcpy(dest, source.data, available);
}

void readTgaPixels(ResourceBytes source, Pixel* dest, std::size_t count)
{
    constexpr std::size_t headerLength = 18;
    if (source.size <= headerLength) return;
    const std::size_t words = (source.size - headerLength) / 4;
    const std::size_t n = words < count ? words : count;
    const std::uint8_t* p = source.data + headerLength;
    for (std::size_t i = 0; i < n; ++i, p += 4) {
        dest[i] = Pixel(p[0]) | (Pixel(p[1]) << 8) | (Pixel(p[2]) << 16) | (Pixel(p[3]) << 24);
    }
}
