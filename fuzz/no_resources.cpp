// The fuzz targets hand the decoders their bytes directly; no file is embedded.
#include "assets/resources.h"

const EmbeddedResource EmbeddedResources[1] = {{"", nullptr, nullptr}};
const std::size_t EmbeddedResourceCount = 0;
