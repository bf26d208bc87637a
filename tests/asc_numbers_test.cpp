// The ASC loader's float reading, which every target must do alike: its results are those of
// std::from_chars, on the numbers of the shipped model and on inputs at the edges of float.
#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "assets/asc.h"
#include "assets/resources.h"

namespace {

struct Parsed {
    bool ok;
    std::uint32_t bits;
};

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

Parsed parsedByAsc(const std::string& text)
{
    float value = -7.0f;
    const bool ok = parseAscFloat(text.data(), text.data() + text.size(), value);
    return {ok, bitsOf(value)};
}

Parsed parsedByFromChars(const std::string& text)
{
    float value = -7.0f;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return {result.ec == std::errc() && result.ptr == text.data() + text.size(), bitsOf(value)};
}

void expectSameAsFromChars(const std::string& text)
{
    const Parsed asc = parsedByAsc(text);
    const Parsed reference = parsedByFromChars(text);
    EXPECT_EQ(asc.ok, reference.ok) << '"' << text << '"';
    // A text that is not wholly a number, or does not fit, leaves the value as it was.
    EXPECT_EQ(asc.bits, reference.ok ? reference.bits : bitsOf(-7.0f)) << '"' << text << '"';
}

TEST(AscNumbers, EdgesOfFloatParseAsFromCharsParsesThem)
{
    const char* const Inputs[] = {
        "0", "0.0", "000.000", ".5", "5.", "0e999", "0.0e-999", "1", "10.5", "0.1", "0.3",
        "105.000000", "18.233059", "103.404816", "4.719063",
        // the largest float, the first value that rounds past it, and far beyond
        "3.4028234e38", "3.4028235e38", "3.40282356e38", "3.40282357e38", "1e39", "1e400",
        // the smallest normal, subnormals, the halfway point to zero and below it
        "1.17549435e-38", "1e-38", "1e-40", "1.4e-45", "7.1e-46", "7.006e-46", "7e-46", "1e-46",
        "1e-50",
        // halfway cases between two floats round to even
        "16777217", "16777219", "0.50000002980232238769531250",
        "1.00000005960464477539062500", "1.00000017881393432617187500",
        // long digit strings
        "123456789012345678901234567890", "0.000000000000000000000000000000000000000000000000001e51",
        "00000000000000000000000000000000001.5",
        "1.000000059604644775390625000000000000000000000000000000000000000000000000000000001",
        // not wholly a number
        "", ".", "e5", "1e", "1e+", "1.2.3", "1e5.3", "1ee5", "+1", " 1", "0x10", "1x", "1-",
        "1e+-5",
    };
    for (const char* text : Inputs) expectSameAsFromChars(text);
}

TEST(AscNumbers, RandomDecimalsParseAsFromCharsParsesThem)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> digitCount(1, 12);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-50, 42);
    std::uniform_int_distribution<int> shape(0, 3);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = digitCount(random); n > 0; --n) text += char('0' + digit(random));
        const int form = shape(random);
        if (form >= 1) {
            text += '.';
            for (int n = digitCount(random); n > 0; --n) text += char('0' + digit(random));
        }
        if (form >= 2) text += "e" + std::to_string(exponent(random));
        expectSameAsFromChars(text);
        if (HasFailure()) break;
    }
}

// Every coordinate of the shipped model, read back from the text and compared bit for bit.
TEST(AscNumbers, EveryCoordinateOfTheShippedModelLoadsAsFromCharsReadsIt)
{
    const EmbeddedResource* entry = findResource("DATA_ZSPHERE_ASC");
    ASSERT_NE(entry, nullptr);
    const std::string text(reinterpret_cast<const char*>(entry->data),
                           std::size_t(entry->end - entry->data));
    auto mesh = std::make_unique<Mesh>();
    loadAsc({entry->data, text.size()}, *mesh);
    ASSERT_GT(mesh->vertexCount, 0);

    int vertex = 0;
    for (std::size_t at = text.find("\nVertex "); at != std::string::npos;
         at = text.find("\nVertex ", at + 1)) {
        if (!std::isdigit(static_cast<unsigned char>(text[at + 8]))) continue;  // "Vertex list:"
        ASSERT_LT(vertex, mesh->vertexCount);
        const float* fields[3] = {&mesh->vertices[vertex].x, &mesh->vertices[vertex].y,
                                  &mesh->vertices[vertex].z};
        const char* const labels[3] = {"X:", "Y:", "Z:"};
        for (int k = 0; k < 3; ++k) {
            std::size_t start = text.find(labels[k], at) + 2;
            const bool negative = text[start] == '-';
            if (negative) ++start;
            std::size_t end = start;
            while (end < text.size() && std::strchr("0123456789.eE+-", text[end]) != nullptr) ++end;
            const std::string number = text.substr(start, end - start);
            expectSameAsFromChars(number);
            float expected = 0.0f;
            std::from_chars(number.data(), number.data() + number.size(), expected);
            if (negative) expected = -expected;
            EXPECT_EQ(bitsOf(*fields[k]), bitsOf(expected)) << "vertex " << vertex << " " << labels[k];
        }
        ++vertex;
    }
    EXPECT_EQ(vertex, mesh->vertexCount);
}

}  // namespace
