#include "assets/asc.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

Mesh sceneMesh;

namespace {

constexpr int wordCapacity = 100;  // 99 characters and the NUL
constexpr std::size_t nameLength = sizeof(Mesh::name) - 1;

// Reading position in the ASC text; nothing is read at or past size.
struct AscCursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
    char word[wordCapacity];
};

bool isBlank(std::uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

void skipBlanks(AscCursor& cursor)
{
    while (cursor.at < cursor.size && isBlank(cursor.data[cursor.at])) ++cursor.at;
}

// The next whitespace-separated word into the word buffer; characters past 99 are dropped.
// False, with the buffer unchanged, when the text has no more words.
bool readWord(AscCursor& cursor)
{
    skipBlanks(cursor);
    if (cursor.at >= cursor.size) return false;
    int length = 0;
    while (cursor.at < cursor.size && !isBlank(cursor.data[cursor.at])) {
        if (length < wordCapacity - 1) cursor.word[length++] = char(cursor.data[cursor.at]);
        ++cursor.at;
    }
    cursor.word[length] = '\0';
    return true;
}

bool wordStartsWith(const AscCursor& cursor, const char* keyword)
{
    return std::strncmp(cursor.word, keyword, std::strlen(keyword)) == 0;
}

// Reads words until the buffer begins with keyword; false when the text ends first.
bool skipTo(AscCursor& cursor, const char* keyword)
{
    while (!wordStartsWith(cursor, keyword)) {
        if (!readWord(cursor)) return false;
    }
    return true;
}

// Reads characters up to and including letter, then drops one more (the colon); false when the
// text ends first.
bool skipPastField(AscCursor& cursor, char letter)
{
    while (cursor.at < cursor.size) {
        if (cursor.data[cursor.at++] == std::uint8_t(letter)) {
            if (cursor.at >= cursor.size) return false;
            ++cursor.at;
            return true;
        }
    }
    return false;
}

// Length of the number starting at from: sign, digits, and for a float a fraction and an
// exponent. 0 when no digit follows.
std::size_t numberLength(const AscCursor& cursor, std::size_t from, bool fractional)
{
    std::size_t end = from;
    auto digitsFrom = [&](std::size_t p) {
        while (p < cursor.size && isDigit(cursor.data[p])) ++p;
        return p;
    };
    if (end < cursor.size && (cursor.data[end] == '+' || cursor.data[end] == '-')) ++end;
    const std::size_t intStart = end;
    end = digitsFrom(end);
    bool digits = end > intStart;
    if (fractional && end < cursor.size && cursor.data[end] == '.') {
        const std::size_t fracEnd = digitsFrom(end + 1);
        digits = digits || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!digits) return 0;
    if (fractional && end < cursor.size && (cursor.data[end] == 'e' || cursor.data[end] == 'E')) {
        std::size_t p = end + 1;
        if (p < cursor.size && (cursor.data[p] == '+' || cursor.data[p] == '-')) ++p;
        const std::size_t expEnd = digitsFrom(p);
        if (expEnd > p) end = expEnd;
    }
    return end - from;
}

}  // namespace

// strtof rounds exactly as a float parse must and needs no floating from_chars, which not
// every standard library has; it reads a NUL-terminated copy.
bool parseAscFloat(const char* first, const char* last, float& value)
{
    // strtof would also take blanks, a sign, hexadecimal and the words inf and nan.
    if (first == last || !(isDigit(std::uint8_t(*first)) || *first == '.')) return false;
    for (const char* p = first; p < last; ++p) {
        if (!isDigit(std::uint8_t(*p)) && std::strchr(".eE+-", *p) == nullptr) return false;
    }
    const std::string text(first, last);
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || std::isinf(parsed)) return false;
    if (parsed == 0.0f) {
        for (const char* p = first; p < last && *p != 'e' && *p != 'E'; ++p) {
            if (*p >= '1' && *p <= '9') return false;
        }
    }
    value = parsed;
    return true;
}

namespace {

bool parseUnsigned(const char* first, const char* last, std::int32_t& value)
{
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

bool parseUnsigned(const char* first, const char* last, float& value)
{
    return parseAscFloat(first, last, value);
}

// A number that does not parse, or does not fit, leaves value unchanged and the cursor on it.
template <typename Number>
void readNumber(AscCursor& cursor, Number& value, bool fractional)
{
    skipBlanks(cursor);
    const std::size_t length = numberLength(cursor, cursor.at, fractional);
    if (length == 0) return;
    const char* first = reinterpret_cast<const char*>(cursor.data + cursor.at);
    const char* last = first + length;
    cursor.at += length;
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-') ++first;
    Number parsed{};
    if (!parseUnsigned(first, last, parsed)) return;
    value = negative ? -parsed : parsed;
}

void readInteger(AscCursor& cursor, std::int32_t& value) { readNumber(cursor, value, false); }
void readFloat(AscCursor& cursor, float& value) { readNumber(cursor, value, true); }

int cappedCount(std::int32_t count)
{
    if (count < 0) return 0;
    return count > meshCapacity ? meshCapacity : count;
}

// One "Vertex n: X:x Y:y Z:z" record into vertex; false when the text ends first.
bool readVertexRecord(AscCursor& cursor, MeshVertex& vertex)
{
    if (!skipTo(cursor, "Vertex")) return false;
    std::int32_t number = 0;
    readInteger(cursor, number);
    if (!readWord(cursor)) return false;
    float* fields[3] = {&vertex.x, &vertex.y, &vertex.z};
    const char letters[3] = {'X', 'Y', 'Z'};
    for (int k = 0; k < 3; ++k) {
        if (!skipPastField(cursor, letters[k])) return false;
        readFloat(cursor, *fields[k]);
    }
    return true;
}

// One "Face n: A:a B:b C:c" record into corners; false when the text ends first.
bool readFaceRecord(AscCursor& cursor, std::int32_t (&corners)[3])
{
    if (!skipTo(cursor, "Face")) return false;
    std::int32_t number = 0;
    readInteger(cursor, number);
    if (!readWord(cursor)) return false;
    const char letters[3] = {'A', 'B', 'C'};
    for (int k = 0; k < 3; ++k) {
        if (!skipPastField(cursor, letters[k])) return false;
        readInteger(cursor, corners[k]);
    }
    return true;
}

// Reads the name, the counts and the two lists. Counts above the capacity are capped, a face
// naming a vertex that was not read is dropped (the renderer trusts every index), and a text
// that ends early leaves the counts at what was read.
void readAscRecords(AscCursor& cursor, Mesh& mesh)
{
    std::int32_t vertexCount = 0;
    std::int32_t faceCount = 0;
    mesh.vertexCount = 0;
    mesh.faceCount = 0;
    if (!skipTo(cursor, "object") || !readWord(cursor)) return;
    std::strncpy(mesh.name, cursor.word, nameLength);
    mesh.name[nameLength] = '\0';
    if (!skipTo(cursor, "Vertices")) return;
    readInteger(cursor, vertexCount);
    if (!skipTo(cursor, "Faces")) return;
    readInteger(cursor, faceCount);
    if (!skipTo(cursor, "list:")) return;

    const int vertexLimit = cappedCount(vertexCount);
    while (mesh.vertexCount < vertexLimit) {
        if (!readVertexRecord(cursor, mesh.vertices[mesh.vertexCount])) return;
        ++mesh.vertexCount;
    }
    if (!skipTo(cursor, "Face") || !skipTo(cursor, "list:")) return;

    const int faceLimit = cappedCount(faceCount);
    for (int record = 0; record < faceLimit; ++record) {
        MeshFace& face = mesh.faces[mesh.faceCount];
        std::int32_t corners[3] = {face.a, face.b, face.c};
        if (!readFaceRecord(cursor, corners)) return;
        bool valid = true;
        for (std::int32_t corner : corners) valid = valid && corner >= 0 && corner < mesh.vertexCount;
        if (!valid) continue;
        face.a = std::uint16_t(corners[0]);
        face.b = std::uint16_t(corners[1]);
        face.c = std::uint16_t(corners[2]);
        ++mesh.faceCount;
    }
}

// Truncation toward zero, held inside the 32-bit range so that any coordinate is safe.
std::int64_t truncateToInt32(double value)
{
    constexpr double limit = 2147483647.0;
    if (!(value > -limit)) return value < 0 ? -2147483647 : 0;
    if (value > limit) return 2147483647;
    return std::int64_t(value);
}

// Edges are cut to integers before the cross product, so short edges collapse to a zero normal.
MeshVertex faceNormal(const MeshVertex& p, const MeshVertex& q, const MeshVertex& r)
{
    const std::int64_t e1x = truncateToInt32(double(q.x) - p.x);
    const std::int64_t e1y = truncateToInt32(double(q.y) - p.y);
    const std::int64_t e1z = truncateToInt32(double(q.z) - p.z);
    const std::int64_t e2x = truncateToInt32(double(r.x) - q.x);
    const std::int64_t e2y = truncateToInt32(double(r.y) - q.y);
    const std::int64_t e2z = truncateToInt32(double(r.z) - q.z);
    const std::int64_t nx = e1y * e2z - e1z * e2y;
    const std::int64_t ny = e1z * e2x - e1x * e2z;
    const std::int64_t nz = e1x * e2y - e1y * e2x;
    const double length = std::sqrt(double(nx) * double(nx) + double(ny) * double(ny) +
                                    double(nz) * double(nz));
    MeshVertex normal{};
    if (length == 0.0) return normal;
    normal.x = float(std::trunc(double(nx) / length * 256.0));
    normal.y = float(std::trunc(double(ny) / length * 256.0));
    normal.z = float(std::trunc(double(nz) / length * 256.0));
    return normal;
}

}  // namespace

void loadAsc(ResourceBytes source, Mesh& mesh)
{
    AscCursor cursor{source.data, source.data == nullptr ? 0 : source.size, 0, {}};
    readAscRecords(cursor, mesh);
    for (int i = 0; i < mesh.vertexCount; ++i) {
        mesh.worldVertices[i].x = mesh.vertices[i].x;
        mesh.worldVertices[i].y = mesh.vertices[i].y;
        mesh.worldVertices[i].z = mesh.vertices[i].z;
    }
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        mesh.faceNormals[f] = faceNormal(mesh.worldVertices[face.a], mesh.worldVertices[face.b],
                                         mesh.worldVertices[face.c]);
    }
    mesh.wireLit = 0;
    mesh.fillLit = 0;
    for (int f = 0; f < mesh.faceCount; ++f) mesh.drawOrder[f] = f;
}
