#include "assets/asc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

// The mesh is far too large for the stack; each test loads into its own zeroed copy.
std::unique_ptr<Mesh> loaded(const std::string& text)
{
    auto mesh = std::make_unique<Mesh>();
    loadAsc({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, *mesh);
    return mesh;
}

std::string vertexLine(int n, const std::string& x, const std::string& y, const std::string& z)
{
    return "Vertex " + std::to_string(n) + ":  X:" + x + "     Y:" + y + "     Z:" + z + "\r\n";
}

std::string faceLine(int n, int a, int b, int c)
{
    return "Face " + std::to_string(n) + ":    A:" + std::to_string(a) + " B:" + std::to_string(b) +
           " C:" + std::to_string(c) + " AB:1 BC:1 CA:1\r\n";
}

std::string header(const std::string& name, int vertices, int faces)
{
    return "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\r\n\r\n"
           "Named object: " + name + "\r\nTri-mesh, Vertices: " + std::to_string(vertices) +
           "     Faces: " + std::to_string(faces) + "\r\n";
}

const std::string pageBreak = "\r\n\r\n                                   Page 2\r\n\r\n";

// Vertices (0,0,0), (10,0,0), (10,10,0), (0.5,0.25,0.75); faces with a page break and
// smoothing lines inside the face list.
std::string squareModel()
{
    return header("\"Square\"", 4, 3) + "Vertex list:\r\n" + vertexLine(0, "0.0", "0.0", "0.0") +
           vertexLine(1, "10.0", "0.0", "0.0") + pageBreak + vertexLine(2, "10.0", "10.0", "0.0") +
           vertexLine(3, "0.5", "0.25", "0.75") + "Face list:\r\n" + faceLine(0, 0, 1, 2) +
           "Smoothing:  1 \r\n" + pageBreak + faceLine(1, 3, 2, 1) + "Smoothing:  1 \r\n" +
           faceLine(2, 0, 3, 1) + "Smoothing:  2 \r\n";
}

void expectVertex(const MeshVertex& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

}  // namespace

TEST(AscLoad, ReadsNameCountsAndBothListsAcrossPageBreaksAndSmoothing)
{
    const auto mesh = loaded(squareModel());
    EXPECT_STREQ(mesh->name, "\"Square\"");
    ASSERT_EQ(mesh->vertexCount, 4);
    ASSERT_EQ(mesh->faceCount, 3);
    expectVertex(mesh->vertices[1], 10, 0, 0);
    expectVertex(mesh->vertices[2], 10, 10, 0);
    expectVertex(mesh->vertices[3], 0.5f, 0.25f, 0.75f);
    expectVertex(mesh->worldVertices[3], 0.5f, 0.25f, 0.75f);
    EXPECT_EQ(mesh->faces[0].a, 0);
    EXPECT_EQ(mesh->faces[0].b, 1);
    EXPECT_EQ(mesh->faces[0].c, 2);
    EXPECT_EQ(mesh->faces[1].a, 3);
    EXPECT_EQ(mesh->faces[1].b, 2);
    EXPECT_EQ(mesh->faces[2].b, 3);
    EXPECT_EQ(mesh->faces[2].c, 1);
    for (int f = 0; f < 3; ++f) EXPECT_EQ(mesh->drawOrder[f], f);
}

TEST(AscLoad, RecordsAreStoredInFileOrderAndSignedNumbersParse)
{
    const std::string text = header("box", 2, 0) + "Vertex list:\n" +
                             vertexLine(7, "-1.5", "+2", "3e1") + vertexLine(3, "-.25", "4.", "-0");
    const auto mesh = loaded(text);
    ASSERT_EQ(mesh->vertexCount, 2);
    expectVertex(mesh->vertices[0], -1.5f, 2, 30);
    expectVertex(mesh->vertices[1], -0.25f, 4, 0);
}

TEST(AscLoad, NormalsAreIntegerCrossProductsScaledTo256)
{
    const auto mesh = loaded(squareModel());
    // e1 = (10, 0, 0), e2 = (0, 10, 0): n = (0, 0, 100).
    expectVertex(mesh->faceNormals[0], 0, 0, 256);
    // (10,10,0) - (0.5,0.25,0.75) truncates to (9, 9, 0); (10,0,0) - (10,10,0) is (0, -10, 0):
    // n = (0, 0, -90).
    expectVertex(mesh->faceNormals[1], 0, 0, -256);
    // Edges shorter than one unit in every coordinate collapse to a zero normal.
    const std::string tiny = header("tiny", 3, 1) + "Vertex list:\n" +
                             vertexLine(0, "0", "0", "0") + vertexLine(1, "0.9", "0.5", "0.1") +
                             vertexLine(2, "0.2", "0.95", "0.6") + "Face list:\n" +
                             faceLine(0, 0, 1, 2);
    expectVertex(loaded(tiny)->faceNormals[0], 0, 0, 0);
    // An oblique normal is truncated per component: n = (0, -100, 100) gives 181.02 -> 181.
    const std::string oblique = header("slope", 3, 1) + "Vertex list:\n" +
                                vertexLine(0, "0", "0", "0") + vertexLine(1, "10", "0", "0") +
                                vertexLine(2, "10", "10", "10") + "Face list:\n" +
                                faceLine(0, 0, 1, 2);
    expectVertex(loaded(oblique)->faceNormals[0], 0, -181, 181);
    // n = (100, 100, 100): 256 / sqrt 3 = 147.80 in each component, truncated to 147.
    const std::string diagonal = header("diagonal", 3, 1) + "Vertex list:\n" +
                                 vertexLine(0, "0", "0", "0") + vertexLine(1, "10", "-10", "0") +
                                 vertexLine(2, "10", "0", "-10") + "Face list:\n" +
                                 faceLine(0, 0, 1, 2);
    expectVertex(loaded(diagonal)->faceNormals[0], 147, 147, 147);
}

TEST(AscLoad, ZeroCountsReadNothingAndLeaveDrawOrderAlone)
{
    auto mesh = std::make_unique<Mesh>();
    mesh->drawOrder[0] = 77;
    mesh->wireLit = 1;
    mesh->fillLit = 1;
    const std::string text = header("empty", 0, 0) + "Vertex list:\nFace list:\n" +
                             vertexLine(0, "5", "5", "5") + faceLine(0, 0, 0, 0);
    loadAsc({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, *mesh);
    EXPECT_EQ(mesh->vertexCount, 0);
    EXPECT_EQ(mesh->faceCount, 0);
    expectVertex(mesh->vertices[0], 0, 0, 0);
    EXPECT_EQ(mesh->drawOrder[0], 77);
    EXPECT_EQ(mesh->wireLit, 0);
    EXPECT_EQ(mesh->fillLit, 0);
}

TEST(AscLoad, UnparsableNumberLeavesItsFieldUnchanged)
{
    const std::string text = header("odd", 1, 0) + "Vertex list:\n" +
                             vertexLine(0, "abc", "2.5", "1e999");
    const auto mesh = loaded(text);
    ASSERT_EQ(mesh->vertexCount, 1);
    expectVertex(mesh->vertices[0], 0, 2.5f, 0);
}

TEST(AscLoad, CountsAboveCapacityAreCapped)
{
    std::string text = header("big", 5000, 5000) + "Vertex list:\n";
    for (int i = 0; i < 4100; ++i) text += vertexLine(i, std::to_string(i), "1", "2");
    text += "Face list:\n";
    for (int i = 0; i < 4100; ++i) text += faceLine(i, i % 4096, 1, 2);
    const auto mesh = loaded(text);
    EXPECT_EQ(mesh->vertexCount, meshCapacity);
    EXPECT_EQ(mesh->faceCount, meshCapacity);
    EXPECT_FLOAT_EQ(mesh->vertices[4095].x, 4095);
    EXPECT_EQ(mesh->faces[4095].a, 4095);
    EXPECT_EQ(mesh->drawOrder[4095], 4095);
}

TEST(AscLoad, LongNamesAndWordsAreCut)
{
    const std::string longWord(300, 'w');
    const std::string text = longWord + "\n" + header("\"" + std::string(40, 'n') + "\"", 1, 0) +
                             "Vertex list:\n" + vertexLine(0, "1", "2", "3");
    const auto mesh = loaded(text);
    EXPECT_EQ(std::string(mesh->name), "\"" + std::string(18, 'n'));
    ASSERT_EQ(mesh->vertexCount, 1);
    expectVertex(mesh->vertices[0], 1, 2, 3);
}

TEST(AscLoad, FacesNamingMissingVerticesAreNotKept)
{
    const std::string text = header("holes", 3, 5) + "Vertex list:\n" +
                             vertexLine(0, "0", "0", "0") + vertexLine(1, "10", "0", "0") +
                             vertexLine(2, "10", "10", "0") + "Face list:\n" +
                             faceLine(0, 0, 1, 3) + faceLine(1, 2, 1, 0) + faceLine(2, -1, 0, 1) +
                             faceLine(3, 65536, 0, 1) + faceLine(4, 0, 1, 2);
    const auto mesh = loaded(text);
    ASSERT_EQ(mesh->faceCount, 2);
    EXPECT_EQ(mesh->faces[0].a, 2);
    EXPECT_EQ(mesh->faces[1].c, 2);
    expectVertex(mesh->faceNormals[1], 0, 0, 256);
    EXPECT_EQ(mesh->drawOrder[1], 1);
}

TEST(AscLoad, TextEndingEarlyStopsWithWhatWasRead)
{
    const std::string full = squareModel();
    // Cut inside the third vertex line, inside the second face line, and before the object.
    const auto midVertices = loaded(full.substr(0, full.find("Vertex 2:") + 15));
    EXPECT_EQ(midVertices->vertexCount, 2);
    EXPECT_EQ(midVertices->faceCount, 0);
    expectVertex(midVertices->worldVertices[1], 10, 0, 0);

    const auto midFaces = loaded(full.substr(0, full.find("Face 1:") + 12));
    EXPECT_EQ(midFaces->vertexCount, 4);
    EXPECT_EQ(midFaces->faceCount, 1);
    expectVertex(midFaces->faceNormals[0], 0, 0, 256);

    const auto noObject = loaded("Ambient light color: Red=0.3");
    EXPECT_EQ(noObject->vertexCount, 0);
    EXPECT_EQ(noObject->name[0], '\0');

    auto none = std::make_unique<Mesh>();
    loadAsc({nullptr, 0}, *none);
    EXPECT_EQ(none->vertexCount, 0);
}

// The model the show ships with: every declared record is found and kept.
TEST(AscLoad, ShippedModelLoadsWithinCapacityAndEveryIndexValid)
{
    if (EmbeddedResourceCount == 0) GTEST_SKIP() << "no embedded files in this build";
    const EmbeddedResource* entry = findResource("DATA_ZSPHERE_ASC");
    ASSERT_NE(entry, nullptr);
    const std::string text(reinterpret_cast<const char*>(entry->data),
                           std::size_t(entry->end - entry->data));
    int declaredVertices = 0;
    int declaredFaces = 0;
    const std::size_t header = text.find("Tri-mesh");
    ASSERT_NE(header, std::string::npos);
    ASSERT_EQ(std::sscanf(text.c_str() + header, "Tri-mesh, Vertices: %d Faces: %d",
                          &declaredVertices, &declaredFaces),
              2);
    ASSERT_LE(declaredVertices, meshCapacity);
    ASSERT_LE(declaredFaces, meshCapacity);
    auto mesh = std::make_unique<Mesh>();
    loadAsc({entry->data, text.size()}, *mesh);
    const std::string name = mesh->name;
    ASSERT_GE(name.size(), 2u);
    EXPECT_EQ(name.front(), '"');
    EXPECT_EQ(name.back(), '"');
    EXPECT_EQ(mesh->vertexCount, declaredVertices);
    EXPECT_EQ(mesh->faceCount, declaredFaces);
    int zeroNormals = 0;
    for (int f = 0; f < mesh->faceCount; ++f) {
        const MeshFace& face = mesh->faces[f];
        ASSERT_LT(face.a, mesh->vertexCount);
        ASSERT_LT(face.b, mesh->vertexCount);
        ASSERT_LT(face.c, mesh->vertexCount);
        const MeshVertex& n = mesh->faceNormals[f];
        const float length2 = n.x * n.x + n.y * n.y + n.z * n.z;
        if (length2 == 0) {
            ++zeroNormals;
        } else {
            EXPECT_NEAR(length2, 256.0f * 256.0f, 3 * 2 * 256.0f) << f;
        }
    }
    EXPECT_LT(zeroNormals, mesh->faceCount);
}
