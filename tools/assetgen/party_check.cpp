#include "tools/assetgen/party_check.h"

#include <ctime>
#include <tuple>

#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/photo.h"
#include "tools/assetgen/show_cues.h"
#include "tools/assetgen/soundtrack.h"

namespace {

// The organisers' own pictures can be read; any size is fitted when they are written.
void checkPictures(const PartyContent& content, std::vector<ContentError>& errors)
{
    for (const OwnPicture* own : {&content.background, &content.menuPicture}) {
        Image picture;
        std::string why;
        if (!own->path.empty() && !readPhoto(own->path, picture, why))
            errors.push_back(ContentError{own->origin.line, own->origin.field,
                                          why + " (the path is taken from the content file's folder)"});
    }
}

bool checkParsed(PartyContent& content, std::vector<ContentError>& errors, std::size_t before)
{
    if (content.parsed) {
        const std::time_t now = std::time(nullptr);
        std::tm today{};
        localtime_r(&now, &today);
        checkPartyIsAhead(content, today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, errors);
        checkContentFits(content, errors);
        checkPictures(content, errors);
        checkCues(content, checkSoundtrack(content, errors), errors);
    }
    return problemCount(std::vector<ContentError>(errors.begin() + std::ptrdiff_t(before), errors.end())) == 0;
}

}  // namespace

void checkPartyIsAhead(const PartyContent& content, int year, int month, int day, std::vector<ContentError>& errors)
{
    if (content.month == 0 || content.days == 0) return;
    int lastYear, lastMonth, lastDayOfMonth;
    lastDay(content.year, content.month, content.day, content.days, lastYear, lastMonth, lastDayOfMonth);
    if (std::tie(lastYear, lastMonth, lastDayOfMonth) >= std::tie(year, month, day)) return;
    errors.push_back(ContentError{content.datesOrigin.line, content.datesOrigin.field,
                                  "the party was over on " + dayText(lastMonth, lastDayOfMonth) + " " +
                                      std::to_string(lastYear) +
                                      "; the clock page counts the days to the same day of the next year",
                                  true});
}

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
