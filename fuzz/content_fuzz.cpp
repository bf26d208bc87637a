// The organisers' content file: the TOML reader and every check assetgen makes of it, on any
// bytes. Messages are formatted too, so the escaping of what a file holds is exercised.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/party_check.h"
#include "tools/assetgen/text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return openFaces() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PartyContent content;
    std::vector<ContentError> errors;
    checkPartyText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.toml", content, errors);
    std::size_t length = 0;
    for (const ContentError& error : errors) length += formatError("fuzz.toml", error).size();
    return length == 0 && errors.size() > 0 ? 1 : 0;
}
