// The party's facts as the web page's text: lists, paragraphs, links and escaping, from the
// same lines the pages' pictures are drawn from.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/assetgen/content.h"
#include "tools/assetgen/web_facts.h"

namespace {

PartyContent partyWith(std::vector<PageLine> lines)
{
    PartyContent content;
    content.name = "ZURA 5";
    content.questions = "orga@example.invalid";
    content.entries = "orga@example.invalid.entries";
    content.web = "www.example.invalid";
    content.pages[0] = std::move(lines);
    return content;
}

PageLine body(const std::string& text)
{
    return {LineKind::Body, text, {}};
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

TEST(WebFacts, NumberedLinesBecomeOneListWhateverTheirWrapping)
{
    const PartyContent content = partyWith({
        {LineKind::Heading, "RULES", {}},
        {LineKind::Subheading, "Network", {}},
        body("8. The party network gives every seat"),
        body("   a wired connection."),
        body("9. Large downloads wait."),
        body("9a. Files over 1 GB wait for the night,"),
        body("    when the line is free."),
        body("9b. Streams are fine."),
        {LineKind::Gap, "", {}},
        {LineKind::Subheading, "Last words", {}},
        body("Have fun, make something,"),
        body("and let others have fun too."),
    });
    const std::string html = factsSection(content);
    EXPECT_NE(html.find("<h2>RULES</h2>\n<h3>Network</h3>\n<ol start=\"8\">\n"
                        "<li>The party network gives every seat a wired connection.</li>\n"
                        "<li>Large downloads wait.</li>\n</ol>\n"),
              std::string::npos)
        << html;
    // A sub-rule keeps a paragraph of its own.
    EXPECT_NE(html.find("</ol>\n<p>9a. Files over 1 GB wait for the night, when the line is free.</p>\n"
                        "<p>9b. Streams are fine.</p>\n"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<p>Have fun, make something, and let others have fun too.</p>"), std::string::npos) << html;
    EXPECT_EQ(count(html, "<article>"), 4u);
    EXPECT_EQ(count(html, "<ol"), count(html, "</ol>"));
    // A number with nothing after it opens its item all the same.
    EXPECT_NE(factsSection(partyWith({body("34. "), body("35. Last.")})).find("<ol start=\"34\">\n<li>Last.</li>"),
              std::string::npos);
}

TEST(WebFacts, ContactAddressesAreLinksAndColumnsKeepTheirLines)
{
    const PartyContent content = partyWith({});
    // The longer of two addresses that start alike wins; a column gap is a line break.
    EXPECT_EQ(linkedLine("Entries: orga@example.invalid.entries   Web: www.example.invalid", content),
              "Entries: <a href=\"mailto:orga@example.invalid.entries\">orga@example.invalid.entries</a><br>"
              "Web: <a href=\"https://www.example.invalid/\">www.example.invalid</a>");
    EXPECT_EQ(linkedLine("Mail orga@example.invalid.", content),
              "Mail <a href=\"mailto:orga@example.invalid\">orga@example.invalid</a>.");
    // The line after a line set in columns keeps its own line.
    const std::string html = factsSection(partyWith({body("Questions: orga@example.invalid   Web: www.example.invalid"),
                                                     body("News and the timetable.")}));
    EXPECT_NE(html.find("</a><br>Web: <a href=\"https://www.example.invalid/\">www.example.invalid</a><br>News"),
              std::string::npos)
        << html;
}

TEST(WebFacts, TextIsEscapedForHtmlAndJson)
{
    const PartyContent content = partyWith({body("Fish & chips <free> \"on\" 'day' 1")});
    EXPECT_NE(factsSection(content).find("Fish &amp; chips &lt;free&gt; &quot;on&quot; &#39;day&#39; 1"),
              std::string::npos);
    const std::string json = webFactsJson(content);
    EXPECT_EQ(json.find('\n', json.find("\"facts\"")), json.rfind("\n}"));  // no raw line break inside
    EXPECT_NE(json.find("\\n</article>"), std::string::npos);
    EXPECT_NE(json.find("&quot;on&quot;"), std::string::npos);
}

TEST(WebFacts, TheSiteAddressIsAFolderAndReachesTheFacts)
{
    PartyContent content;
    std::vector<ContentError> errors;
    const std::string base = "[web]\naddress = \"https://www.example.invalid/invitation\"\n";
    parseContent(base, "party.toml", content, errors);
    EXPECT_EQ(content.webAddress, "https://www.example.invalid/invitation/");  // the folder, made one
    EXPECT_NE(webFactsJson(content).find("\"address\": \"https://www.example.invalid/invitation/\""),
              std::string::npos);
    parseContent("[web]\naddress = \"http://host.invalid/\"\n", "party.toml", content, errors);
    EXPECT_EQ(content.webAddress, "http://host.invalid/");
    parseContent("[web]\n", "party.toml", content, errors);
    EXPECT_EQ(content.webAddress, "");
    EXPECT_NE(webFactsJson(content).find("\"address\": \"\""), std::string::npos);
}

TEST(WebFacts, TheTitleAndDescriptionNameTheParty)
{
    PartyContent content;
    std::vector<ContentError> errors;
    ASSERT_TRUE(loadContent(std::string(INVITE_SOURCE_DIR) + "/content/party.toml", content, errors));
    EXPECT_EQ(pageTitle(content), content.name + " Party Invitation");
    const std::string description = pageDescription(content);
    for (const std::string* fact : {&content.name, &content.hall, &content.address, &content.town}) {
        EXPECT_NE(description.find(*fact), std::string::npos) << *fact;
    }
    EXPECT_NE(description.find(datesWithYears(content.year, content.month, content.day, content.days, &content.words)),
              std::string::npos);
    const std::string html = factsSection(content);
    EXPECT_EQ(count(html, "<h2>"), 4u);
    EXPECT_NE(html.find("mailto:" + content.questions), std::string::npos);
    // Each year is named where the party runs into the next (the reference party moved to New Year).
    std::ifstream file(std::string(INVITE_SOURCE_DIR) + "/tests/reference/party.toml");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    text.replace(text.find("first_day = 2027-11-09"), 22, "first_day = 2027-12-30");
    text.replace(text.find("days = 3"), 8, "days = 4");
    PartyContent newYear;
    ASSERT_TRUE(parseContent(text, "party.toml", newYear, errors));
    EXPECT_NE(pageDescription(newYear).find("30 December 2027 to 2 January 2028 at"), std::string::npos);
}

}  // namespace
