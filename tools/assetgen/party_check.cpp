#include "tools/assetgen/party_check.h"

#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/show_cues.h"
#include "tools/assetgen/soundtrack.h"

namespace {

bool checkParsed(PartyContent& content, std::vector<ContentError>& errors, std::size_t before)
{
    if (content.parsed) {
        checkContentFits(content, errors);
        checkCues(content, checkSoundtrack(content, errors), errors);
    }
    return problemCount(std::vector<ContentError>(errors.begin() + std::ptrdiff_t(before), errors.end())) == 0;
}

}  // namespace

bool checkPartyText(const std::string& text, const std::string& file, PartyContent& content,
                    std::vector<ContentError>& errors)
{
    const std::size_t before = errors.size();
    parseContent(text, file, content, errors);
    return checkParsed(content, errors, before);
}

bool checkPartyFile(const std::string& file, PartyContent& content, std::vector<ContentError>& errors)
{
    const std::size_t before = errors.size();
    loadContent(file, content, errors);
    return checkParsed(content, errors, before);
}
