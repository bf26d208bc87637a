#include "tools/assetgen/content_fit.h"

#include <sstream>
#include <string>

#include "tools/assetgen/letters.h"
#include "tools/assetgen/nfo.h"
#include "tools/assetgen/pages.h"
#include "tools/assetgen/text.h"

namespace {

const char* const PageNames[pageCount] = {"page 1 (general information)", "page 2 (competitions)",
                                          "page 3 (rules)", "page 4 (location and contact)"};

bool checkCharacters(const std::string& text, Face face, const Origin& origin, std::vector<ContentError>& errors)
{
    const std::string missing = missingCharacters(face, text);
    if (missing.empty()) return true;
    errors.push_back(ContentError{origin.line, origin.field,
                                  "the font cannot draw \"" + missing + "\" in \"" + text + "\""});
    return false;
}

// The rows one line of body text takes on a page, from one line to the next.
int bodyLineRows()
{
    const std::vector<LinePlace> places =
        placeLines({PageLine{LineKind::Body, "x", {}}, PageLine{LineKind::Body, "x", {}}});
    return places[1].top - places[0].top;
}

std::string linesText(int rows)
{
    const int lines = (rows + bodyLineRows() - 1) / bodyLineRows();
    return std::to_string(lines) + (lines == 1 ? " line" : " lines");
}

// Each line of the .nfo within its columns; one too wide is named by its number in the .nfo
// and put down to the longest fact in it.
void checkNfoFits(const PartyContent& content, std::vector<ContentError>& errors)
{
    std::istringstream lines(nfoText(content));
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const int columns = columnsOf(line);
        if (columns <= nfoColumns) continue;
        const std::string text = line.substr(line.find_first_not_of(' '));
        Origin origin;
        std::size_t longest = 0;
        for (const auto& [spelling, from] : content.nfo.origins) {
            const bool inLine = !spelling.empty() &&
                                (line.find(spelling) != std::string::npos || spelling.find(text) != std::string::npos);
            if (inLine && spelling.size() > longest) {
                origin = from;
                longest = spelling.size();
            }
        }
        errors.push_back(ContentError{origin.line, origin.field,
                                      "makes line " + std::to_string(number) + " of the release's .nfo " +
                                          std::to_string(columns) + " columns wide, and it has " +
                                          std::to_string(nfoColumns) + ": \"" + text + "\""});
    }
}

}  // namespace

int pageBodyLines(int page)
{
    return pageTextRows[page] / bodyLineRows();
}

bool checkContentFits(const PartyContent& content, std::vector<ContentError>& errors)
{
    const std::size_t before = errors.size();

    if (checkCharacters(content.name, Face::SansBold, content.nameOrigin, errors)) {
        const int width = textWidth(Face::SansBold, 52, content.name);
        if (width > logoWidth)
            errors.push_back(ContentError{content.nameOrigin.line, content.nameOrigin.field,
                                          "\"" + content.name + "\" is " + std::to_string(width) +
                                              " pixels wide as the menu's logo, which has room for " +
                                              std::to_string(logoWidth)});
    }

    for (int k = 0; k < 7; ++k) {
        const std::string& caption = content.captions[k];
        const Origin& origin = content.captionOrigins[k];
        if (!checkCharacters(caption, Face::SansBold, origin, errors)) continue;
        // Plates are painted at four times their size and reduced.
        const int width = (textWidth(Face::SansBold, 13 * 4, caption) + 3) / 4;
        if (width > plateCaptionWidth)
            errors.push_back(ContentError{origin.line, origin.field,
                                          "the caption \"" + caption + "\" is " + std::to_string(width) +
                                              " pixels wide, the plate has room for " +
                                              std::to_string(plateCaptionWidth)});
    }

    for (int page = 0; page < pageCount; ++page) {
        const std::vector<PageLine>& lines = content.pages[page];
        bool drawable = true;
        for (const PageLine& line : lines) {
            if (line.kind == LineKind::Gap) continue;
            drawable &= checkCharacters(line.text, line.kind == LineKind::Body ? Face::Sans : Face::SansBold,
                                        line.origin, errors);
        }
        if (!drawable) continue;
        const std::vector<LinePlace> places = placeLines(lines);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (places[k].width <= pageTextWidth) continue;
            errors.push_back(ContentError{lines[k].origin.line, lines[k].origin.field,
                                          "the line \"" + lines[k].text + "\" is " + std::to_string(places[k].width) +
                                              " pixels wide, " + PageNames[page] + " has room for " +
                                              std::to_string(pageTextWidth)});
        }
        const int used = places.empty() ? 0 : places.back().bottom;
        if (used > pageTextRows[page]) {
            // Name the first line that runs past the end.
            std::size_t first = 0;
            while (first < places.size() && places[first].bottom <= pageTextRows[page]) ++first;
            while (first < lines.size() && lines[first].origin.line == 0) ++first;
            const Origin origin = first < lines.size() ? lines[first].origin : Origin{};
            errors.push_back(ContentError{origin.line, origin.field,
                                          PageNames[page] + std::string(" takes ") + std::to_string(used) +
                                              " rows but may take " + std::to_string(pageTextRows[page]) +
                                              "; this is the first line past the end: shorten the page by " +
                                              std::to_string(used - pageTextRows[page]) + " rows (" +
                                              linesText(used - pageTextRows[page]) + " of text)"});
        }
    }
    checkNfoFits(content, errors);
    return errors.size() == before;
}
