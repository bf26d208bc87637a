#pragma once
// Letters of UTF-8 texts: code points, capitals and the .nfo's code page 437.
#include <string>

// Decodes one UTF-8 sequence at text[i] and advances i; a broken sequence yields '?'.
char32_t nextCodePoint(const std::string& text, std::size_t& i);
void appendUtf8(std::string& out, char32_t letter);

// Capitals of the Latin letters up to Latin Extended-A, "ß" as "SS": "Łódź" gives "ŁÓDŹ".
std::string upperCase(const std::string& text);
// The first letter a capital, the rest as written.
std::string capitalised(const std::string& text);

// The columns a text takes in a fixed-width font: one per character.
int columnsOf(const std::string& text);

// The characters of a UTF-8 text that code page 437 has no place for, each once; empty when
// it can be written there.
std::string missingFromCp437(const std::string& text);
// The text in code page 437, each missing character as "?".
std::string cp437Text(const std::string& text);
// A letter of Latin-1 or Latin Extended-A without its accents ("ź" as "z", "ß" as "ss"); empty
// for the others and for AE, O with stroke and A with ring.
const char* plainLetters(char32_t letter);
// The text with each letter code page 437 lacks written without its accents where it can be
// ("październik" as "pazdziernik"); the rest as it is.
std::string cp437Spelling(const std::string& text);
