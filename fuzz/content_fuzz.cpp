// The organisers' content file: the TOML reader and every check assetgen makes of it, on any
// bytes. Messages are formatted too, so the escaping of what a file holds is exercised. A file
// that passes goes on through every writer that takes content: the web page's facts, the
// .nfo, the C headers the programs are compiled with (the archive's README takes the party's
// name back out of party_name.h), and each output is held to what its readers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/party_check.h"
#include "tools/assetgen/show_cues.h"
#include "tools/assetgen/text.h"
#include "tools/assetgen/web_facts.h"

namespace {

void require(bool holds)
{
    if (!holds) std::abort();
}

bool hasControl(const std::string& text, bool newlinesAllowed)
{
    for (unsigned char c : text)
        if ((c < 0x20 && !(newlinesAllowed && c == '\n')) || c == 0x7F) return true;
    return false;
}

// Every href of the page's text is an http, https or mailto link.
void checkLinks(const std::string& html)
{
    for (std::size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 1)) {
        const std::string link = html.substr(at + 6, 8);
        require(link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0 || link.rfind("mailto:", 0) == 0);
    }
}

// The party's name as scripts/dist reads it back from party_name.h: the one line
// `inline constexpr const char* partyName = "...";`, each backslash taking the next character.
std::string nameFromHeader(const std::string& header)
{
    const std::string start = "inline constexpr const char* partyName = \"";
    const std::size_t from = header.find(start);
    require(from != std::string::npos);
    const std::size_t end = header.find("\";\n", from);
    require(end != std::string::npos);
    const std::string quoted = header.substr(from + start.size(), end - from - start.size());
    std::string name;
    for (std::size_t k = 0; k < quoted.size(); ++k) {
        if (quoted[k] == '\\') {
            require(k + 1 < quoted.size());
            name += quoted[++k];
        } else {
            require(quoted[k] != '"');
            name += quoted[k];
        }
    }
    return name;
}

void checkWriters(const PartyContent& content)
{
    const std::string json = webFactsJson(content);
    require(!hasControl(json, true));
    checkLinks(factsSection(content));
    const std::string nfo = nfoText(content);
    for (unsigned char c : nfo) require(c == '\n' || (c >= 0x20 && c < 0x7F));
    const std::string name = partyNameHeader(content);
    require(!hasControl(name, true));
    require(nameFromHeader(name) == content.name);
    require(!hasControl(partyDatesHeader(content), true));
    require(!hasControl(showTimingHeader(content.cues), true));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return openFaces() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PartyContent content;
    std::vector<ContentError> errors;
    const bool passed =
        checkPartyText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.toml", content, errors);
    std::size_t length = 0;
    for (const ContentError& error : errors) length += formatError("fuzz.toml", error).size();
    // What reaches the terminal is already escaped: no control character, C1 control or mark
    // that turns the writing direction.
    for (const ContentError& error : errors) {
        const std::string message = formatError("fuzz.toml", error);
        require(!hasControl(message, false) && escapeControls(message) == message);
    }
    if (passed) checkWriters(content);
    return length == 0 && errors.size() > 0 ? 1 : 0;
}
