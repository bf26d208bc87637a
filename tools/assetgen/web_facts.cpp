#include "tools/assetgen/web_facts.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "tools/assetgen/writers.h"

namespace {

// A numbered line ("12. ...") starts a list item; the lines under it are indented.
int itemNumber(const std::string& line)
{
    std::size_t k = 0;
    while (k < line.size() && std::isdigit(static_cast<unsigned char>(line[k]))) ++k;
    if (k == 0 || k > 4 || k + 1 >= line.size() || line[k] != '.' || line[k + 1] != ' ') return 0;
    return std::stoi(line.substr(0, k));
}

// A sub-rule's label ("7a. "): the rule's number and one or two letters.
bool startsSubRule(const std::string& line)
{
    std::size_t k = 0;
    while (k < line.size() && std::isdigit(static_cast<unsigned char>(line[k]))) ++k;
    const std::size_t digits = k;
    while (k < line.size() && std::isalpha(static_cast<unsigned char>(line[k]))) ++k;
    return digits > 0 && k > digits && k - digits <= 2 && line.compare(k, 2, ". ") == 0;
}

// The item's text; empty for a number alone ("34. ").
std::string withoutNumber(const std::string& line)
{
    const std::size_t text = line.find_first_not_of(' ', line.find(". ") + 1);
    return text == std::string::npos ? std::string() : line.substr(text);
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", c);
                out += code;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

struct Link {
    std::string text;
    std::string href;
};

std::vector<Link> contactLinks(const PartyContent& content)
{
    std::vector<Link> links;
    for (const std::string* mail : {&content.questions, &content.entries}) {
        if (!mail->empty()) links.push_back({*mail, "mailto:" + *mail});
    }
    if (!content.web.empty()) links.push_back({content.web, webLink(content.web)});
    return links;
}

// The lines of one section, until the next heading, written as paragraphs and lists.
struct SectionWriter {
    const PartyContent& content;
    std::string html;
    std::string paragraph;
    std::string item;
    int listNext = 0;  // the number the open list's next item would have; 0 when none is open
    bool columnsAbove = false;

    void closeParagraph()
    {
        if (!paragraph.empty()) html += "<p>" + paragraph + "</p>\n";
        paragraph.clear();
        columnsAbove = false;
    }
    void closeItem()
    {
        if (!item.empty()) html += "<li>" + item + "</li>\n";
        item.clear();
    }
    void closeList()
    {
        closeItem();
        if (listNext != 0) html += "</ol>\n";
        listNext = 0;
    }
    void closeAll()
    {
        closeParagraph();
        closeList();
    }
    void body(const std::string& line)
    {
        const int number = itemNumber(line);
        if (number != 0) {
            closeParagraph();
            closeItem();
            if (listNext != number) {
                closeList();
                html += number == 1 ? "<ol>\n" : "<ol start=\"" + std::to_string(number) + "\">\n";
            }
            listNext = number + 1;
            item = linkedLine(withoutNumber(line), content);
            return;
        }
        if (listNext != 0 && !line.empty() && line[0] == ' ' && !item.empty()) {
            item += " " + linkedLine(trimmed(line), content);
            return;
        }
        closeList();
        // A sub-rule is a paragraph of its own.
        if (startsSubRule(trimmed(line))) closeParagraph();
        // Lines set in columns keep their lines; running text is one paragraph.
        if (!paragraph.empty()) paragraph += columnsAbove ? "<br>" : " ";
        const std::string text = linkedLine(trimmed(line), content);
        columnsAbove = text.find("<br>") != std::string::npos;
        paragraph += text;
    }
};

}  // namespace

std::string escapeHtml(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string linkedLine(const std::string& line, const PartyContent& content)
{
    const std::vector<Link> links = contactLinks(content);
    std::string out;
    std::size_t at = 0;
    while (at < line.size()) {
        if (line.compare(at, 3, "   ") == 0 && at > 0) {
            const std::size_t next = line.find_first_not_of(' ', at);
            if (next == std::string::npos) break;
            out += "<br>";
            at = next;
            continue;
        }
        const Link* found = nullptr;
        for (const Link& link : links) {
            if (line.compare(at, link.text.size(), link.text) == 0 && (!found || link.text.size() > found->text.size()))
                found = &link;
        }
        if (found != nullptr) {
            out += "<a href=\"" + escapeHtml(found->href) + "\">" + escapeHtml(found->text) + "</a>";
            at += found->text.size();
        } else {
            out += escapeHtml(std::string(1, line[at]));
            ++at;
        }
    }
    return out;
}

namespace {

void writeLine(SectionWriter& writer, const PageLine& line)
{
    switch (line.kind) {
    case LineKind::Heading:
        writer.closeAll();
        writer.html += "<h2>" + escapeHtml(line.text) + "</h2>\n";
        break;
    case LineKind::Subheading:
        writer.closeAll();
        writer.html += "<h3>" + escapeHtml(line.text) + "</h3>\n";
        break;
    case LineKind::Gap: writer.closeAll(); break;
    case LineKind::Body: writer.body(line.text); break;
    }
}

}  // namespace

std::string factsSection(const PartyContent& content)
{
    std::string html = "<section id=\"facts\" aria-label=\"" + escapeHtml(content.name) + " as text\">\n";
    for (const std::vector<PageLine>& page : content.pages) {
        SectionWriter writer{content, {}, {}, {}, 0, false};
        html += "<article>\n";
        for (const PageLine& line : page) {
            try {
                writeLine(writer, line);
            } catch (const std::exception& failure) {
                throw LineFailure(line.origin, failure.what());
            }
        }
        writer.closeAll();
        html += writer.html + "</article>\n";
    }
    return html + "</section>\n";
}

std::string pageTitle(const PartyContent& content)
{
    return wordText(content, "page_title");
}

std::string pageDescription(const PartyContent& content)
{
    return wordText(content, "page_description");
}

// The words the page's template and its script write, by key.
const std::vector<std::string>& pageWordKeys()
{
    static const std::vector<std::string> keys = {
        "click_to_start", "tap_to_start", "play_again", "preview_alt", "no_script", "hint_mouse", "hint_touch",
        "read_as_text", "fullscreen", "stop_show", "try_again", "click_to_continue", "tap_to_continue", "loading",
        "sound_on", "sound_on_touch", "show_ended", "days_to_party", "party_on", "status_loading", "status_ready",
        "status_playing", "status_ended", "stage_label", "progress_label", "label_intro", "label_menu", "label_clock",
        "label_clock_party_on", "label_page", "load_failed", "reload_failed", "start_failed", "stopped", "no_sound",
        "no_webassembly", "no_audio"};
    return keys;
}

std::string webFactsJson(const PartyContent& content)
{
    std::string words;
    for (const std::string& key : pageWordKeys())
        words += std::string(words.empty() ? "" : ",") + "\n    " + jsonString(key) + ": " + jsonString(wordText(content, key));
    return "{\n  \"name\": " + jsonString(content.name) + ",\n  \"title\": " + jsonString(pageTitle(content)) +
           ",\n  \"description\": " + jsonString(pageDescription(content)) +
           ",\n  \"address\": " + jsonString(content.webAddress) +
           ",\n  \"language\": " + jsonString(content.words.language) +
           ",\n  \"words\": {" + words + "\n  }" +
           ",\n  \"facts\": " + jsonString(factsSection(content)) + "\n}\n";
}

bool writeWebFacts(const std::string& path, const PartyContent& content)
{
    return writeText(path, webFactsJson(content));
}
