#include "tools/assetgen/letters.h"

namespace {

// What the bytes 0x80..0xFF of code page 437 stand for.
constexpr char32_t Cp437High[128] = {
    0xC7,   0xFC,   0xE9,   0xE2,   0xE4,   0xE0,   0xE5,   0xE7,   0xEA,   0xEB,   0xE8,   0xEF,   0xEE,
    0xEC,   0xC4,   0xC5,   0xC9,   0xE6,   0xC6,   0xF4,   0xF6,   0xF2,   0xFB,   0xF9,   0xFF,   0xD6,
    0xDC,   0xA2,   0xA3,   0xA5,   0x20A7, 0x192,  0xE1,   0xED,   0xF3,   0xFA,   0xF1,   0xD1,   0xAA,
    0xBA,   0xBF,   0x2310, 0xAC,   0xBD,   0xBC,   0xA1,   0xAB,   0xBB,   0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x3B1,  0xDF,   0x393,  0x3C0,  0x3A3,  0x3C3,  0xB5,   0x3C4,
    0x3A6,  0x398,  0x3A9,  0x3B4,  0x221E, 0x3C6,  0x3B5,  0x2229, 0x2261, 0xB1,   0x2265, 0x2264, 0x2320,
    0x2321, 0xF7,   0x2248, 0xB0,   0x2219, 0xB7,   0x221A, 0x207F, 0xB2,   0x25A0, 0xA0,
};

// The letters of Latin-1 and Latin Extended-A (U+00C0..U+017F) without their accents; empty
// for AE, O with stroke and A with ring, which the clock's font has, and for the two signs
// among them.
constexpr const char* PlainLetters[0x180 - 0xC0] = {
    "A", "A", "A", "A", "A", "", "", "C", "E", "E", "E", "E", "I", "I", "I", "I", "D", "N", "O", "O", "O", "O", "O", "", "", "U", "U", "U", "U", "Y", "TH", "ss", "a", "a", "a", "a", "a", "", "", "c", "e", "e", "e", "e", "i", "i", "i", "i", "d", "n", "o", "o", "o", "o", "o", "", "", "u", "u", "u", "u", "y", "th", "y", "A", "a", "A", "a", "A", "a", "C", "c", "C", "c", "C", "c", "C", "c", "D", "d", "D", "d", "E", "e", "E", "e", "E", "e", "E", "e", "E", "e", "G", "g", "G", "g", "G", "g", "G", "g", "H", "h", "H", "h", "I", "i", "I", "i", "I", "i", "I", "i", "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L", "l", "L", "l", "N", "n", "N", "n", "N", "n", "n", "N", "n", "O", "o", "O", "o", "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s", "S", "s", "T", "t", "T", "t", "T", "t", "U", "u", "U", "u", "U", "u", "U", "u", "U", "u", "U", "u", "W", "w", "Y", "y", "Y", "Z", "z", "Z", "z", "Z", "z", "s"};

// The code page's byte for a letter; 0 when it has none (controls included).
unsigned char cp437Byte(char32_t letter)
{
    if (letter >= 0x20 && letter < 0x7F) return static_cast<unsigned char>(letter);
    for (int k = 0; k < 128; ++k)
        if (Cp437High[k] == letter) return static_cast<unsigned char>(0x80 + k);
    return 0;
}

// The capital of one letter of Latin-1 and Latin Extended-A; others stay as they are.
char32_t upperLetter(char32_t c)
{
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return 'I';  // the dotless i
    if (c == 0x17F) return 'S';  // the long s
    // Pairs with the capital first ...
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t(1);
    // ... and, where the block is shifted by one, with the capital on the odd place.
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 0) return c - 1;
    return c;
}

}  // namespace

char32_t nextCodePoint(const std::string& text, std::size_t& i)
{
    unsigned char lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0) return U'?';
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) return U'?';
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t letter)
{
    if (letter < 0x80) {
        out += char(letter);
    } else if (letter < 0x800) {
        out += char(0xC0 | (letter >> 6));
        out += char(0x80 | (letter & 0x3F));
    } else if (letter < 0x10000) {
        out += char(0xE0 | (letter >> 12));
        out += char(0x80 | ((letter >> 6) & 0x3F));
        out += char(0x80 | (letter & 0x3F));
    } else {
        out += char(0xF0 | (letter >> 18));
        out += char(0x80 | ((letter >> 12) & 0x3F));
        out += char(0x80 | ((letter >> 6) & 0x3F));
        out += char(0x80 | (letter & 0x3F));
    }
}

std::string upperCase(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t letter = nextCodePoint(text, i);
        if (letter == 0xDF) out += "SS";
        else if (letter < 0x80 || upperLetter(letter) != letter) appendUtf8(out, upperLetter(letter));
        else out.append(text, start, i - start);  // as written, a broken sequence too
    }
    return out;
}

std::string capitalised(const std::string& text)
{
    if (text.empty()) return text;
    std::size_t i = 0;
    const char32_t first = nextCodePoint(text, i);
    if (first == 0xDF || upperLetter(first) == first) return text;
    std::string out;
    appendUtf8(out, upperLetter(first));
    return out + text.substr(i);
}

int columnsOf(const std::string& text)
{
    int columns = 0;
    for (std::size_t i = 0; i < text.size(); ++columns) nextCodePoint(text, i);
    return columns;
}

std::string missingFromCp437(const std::string& text)
{
    std::string missing;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t letter = nextCodePoint(text, i);
        const bool broken = letter == U'?' && i - start > 1;
        if (!broken && cp437Byte(letter) != 0) continue;
        const std::string character = broken ? "?" : text.substr(start, i - start);
        if (missing.find(character) == std::string::npos) missing += character;
    }
    return missing;
}

std::string cp437Text(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t letter = nextCodePoint(text, i);
        const unsigned char byte = letter == '\n' ? '\n' : cp437Byte(letter);
        out += char(byte ? byte : '?');
    }
    return out;
}

const char* plainLetters(char32_t letter)
{
    return letter >= 0xC0 && letter < 0x180 ? PlainLetters[letter - 0xC0] : "";
}

std::string cp437Spelling(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t letter = nextCodePoint(text, i);
        if (cp437Byte(letter) == 0 && *plainLetters(letter)) out += plainLetters(letter);
        else out.append(text, start, i - start);
    }
    return out;
}
