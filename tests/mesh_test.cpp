#include "render/mesh.h"

#include <gtest/gtest.h>

#include "frame_test.h"
#include "quad_filler.h"

#include "assets/asc.h"
#include "assets/resources.h"
#include "render/matrix.h"
#include "scenes/sphere.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace {

struct MeshTest : FrameTest {
    std::unique_ptr<Mesh> owned = std::make_unique<Mesh>();
    Mesh& mesh = *owned;

    // One face per triple of z values, each vertex its own.
    void setDepths(const std::vector<std::array<float, 3>>& depths)
    {
        mesh.faceCount = int(depths.size());
        mesh.vertexCount = 3 * mesh.faceCount;
        for (int f = 0; f < mesh.faceCount; ++f) {
            mesh.faces[f] = MeshFace{std::uint16_t(3 * f), std::uint16_t(3 * f + 1),
                                     std::uint16_t(3 * f + 2), 0};
            for (int k = 0; k < 3; ++k) mesh.worldVertices[3 * f + k].z = depths[f][k];
        }
    }

    std::vector<int> drawnOrder() const
    {
        std::vector<int> order;
        for (int k = 0; k < mesh.faceCount; ++k)
            order.push_back(mesh.drawOrder[mesh.faceCount - 1 - k]);
        return order;
    }

    // A single face whose screen points are given directly, ready to draw.
    void setScreenTriangle(float ax, float ay, float bx, float by, float cx, float cy)
    {
        mesh.vertexCount = 3;
        mesh.faceCount = 1;
        mesh.faces[0] = MeshFace{0, 1, 2, 1};
        mesh.drawOrder[0] = 0;
        mesh.screenPoints[0] = MeshVertex{ax, ay, 0};
        mesh.screenPoints[1] = MeshVertex{bx, by, 0};
        mesh.screenPoints[2] = MeshVertex{cx, cy, 0};
    }

    Pixel litColour(float nx, float ny, float nz, MeshVertex light)
    {
        mesh.fillLit = 1;
        mesh.fillRed = mesh.fillGreen = mesh.fillBlue = 64;
        mesh.worldNormals[0] = MeshVertex{nx, ny, nz};
        mesh.light = light;
        return faceColour(mesh, 0, true);
    }
};

TEST_F(MeshTest, DepthWindowExcludesItsBoundsAndKeysTruncateTowardZero)
{
    setDepths({{0, 0, 312}, {-512, 0, 0}, {311.99f, 0, 0}, {0, -511.99f, 0}, {-0.5f, -0.5f, -0.6f},
               {10.7f, 0, 0}});
    prepareFaces(mesh);
    EXPECT_EQ(mesh.faces[0].visible, 0);
    EXPECT_EQ(mesh.faces[1].visible, 0);
    EXPECT_EQ(mesh.faces[2].visible, 1);
    EXPECT_EQ(mesh.faces[3].visible, 1);
    EXPECT_EQ(mesh.faces[4].visible, 1);
    // Keys by sort position, largest first: 311, 10, 0, -1, -511, ...
    EXPECT_EQ(mesh.depthKeys[0], 312);
    EXPECT_EQ(mesh.depthKeys[1], 311);
    EXPECT_EQ(mesh.depthKeys[2], 10);
    EXPECT_EQ(mesh.depthKeys[3], -1);  // -1.6 truncated toward zero
    EXPECT_EQ(mesh.depthKeys[4], -511);
    EXPECT_EQ(mesh.depthKeys[5], -512);
}

// Many faces over shared corners, with depths on and beside the window's bounds, beyond any
// key, and not a number: every face's key and window flag as the plain rule gives them.
TEST_F(MeshTest, EveryFaceOfALargeMeshGetsItsKeyAndWindow)
{
    withEachCodeWidth([&] {
        std::srand(31);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float special[] = {312, -512, 311.99f, -511.99f, 0, -0.4f, nan, 1e30f, -1e30f, 3e9f, -3e9f, 715827882.0f};
        for (int count : {7, 8, 9, 816, 1003}) {
            mesh.vertexCount = 500;
            for (int v = 0; v < mesh.vertexCount; ++v) {
                mesh.worldVertices[v].z = std::rand() % 3 == 0 ? special[std::rand() % 12]
                                                               : float(std::rand() % 2000 - 1000) / 1.7f;
            }
            mesh.faceCount = count;
            for (int f = 0; f < count; ++f) {
                mesh.faces[f] = MeshFace{std::uint16_t(std::rand() % 500), std::uint16_t(std::rand() % 500),
                                         std::uint16_t(std::rand() % 500), 7};
            }
            // Sums whose order of adding shows: 1e30 and -1e30 cancel before or after the 1.
            mesh.worldVertices[0].z = 1;
            mesh.worldVertices[1].z = 1e30f;
            mesh.worldVertices[2].z = -1e30f;
            const std::uint16_t turns[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
            for (int f = 0; f < 6 && f < count; ++f) mesh.faces[count - 1 - f] = MeshFace{turns[f][0], turns[f][1], turns[f][2], 7};
            prepareFaces(mesh);
            for (int k = 0; k < count; ++k) {
                const int f = mesh.drawOrder[k];
                const MeshFace& face = mesh.faces[f];
                const float za = mesh.worldVertices[face.a].z;
                const float zb = mesh.worldVertices[face.b].z;
                const float zc = mesh.worldVertices[face.c].z;
                const double sum = double(zc) + zb + za;
                const std::int32_t key = std::isnan(sum) || sum <= -2147483520.0 ? -2147483520
                                         : sum >= 2147483520.0                   ? 2147483520
                                                                                 : std::int32_t(sum);
                auto inside = [](float z) { return z > -512.0f && z < 312.0f; };
                ASSERT_EQ(mesh.depthKeys[k], key) << count << " faces, face " << f;
                ASSERT_EQ(face.visible, inside(za) && inside(zb) && inside(zc) ? 1 : 0) << count << " faces, face " << f;
            }
        }
    });
}

TEST_F(MeshTest, EqualKeysEndInTheOrderHoarePartitioningLeaves)
{
    setDepths({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
    prepareFaces(mesh);
    EXPECT_EQ(drawnOrder(), (std::vector<int>{0, 2, 1}));

    setDepths({{3, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 0, 0}});
    prepareFaces(mesh);
    EXPECT_EQ(drawnOrder(), (std::vector<int>{1, 3, 2, 0}));
}

TEST_F(MeshTest, SortKeepsEachKeyWithItsFaceAndOrdersLargestFirst)
{
    std::srand(7);
    const int count = 1000;
    std::vector<std::int32_t> keys(count);
    for (int f = 0; f < count; ++f) {
        keys[f] = std::rand() % 50 - 25;  // many repeats
        mesh.depthKeys[f] = keys[f];
        mesh.drawOrder[f] = f;
    }
    mesh.faceCount = count;
    sortFaces(mesh, 0, count - 1);
    std::vector<int> seen(count, 0);
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            EXPECT_GE(mesh.depthKeys[k - 1], mesh.depthKeys[k]);
        }
        EXPECT_EQ(mesh.depthKeys[k], keys[mesh.drawOrder[k]]);
        ++seen[mesh.drawOrder[k]];
    }
    for (int f = 0; f < count; ++f) EXPECT_EQ(seen[f], 1);
}

TEST_F(MeshTest, ProjectionScalesTowardTheEyeOnPositiveZ)
{
    mesh.vertexCount = 2;
    mesh.worldVertices[0] = MeshVertex{100, -40, 0};
    mesh.worldVertices[1] = MeshVertex{100, -40, 120};
    mesh.screenPoints[0].z = 5;
    projectMesh(mesh, 240, 240, 0.35f);
    EXPECT_FLOAT_EQ(mesh.screenPoints[0].x, 240 + 35.0f);
    EXPECT_FLOAT_EQ(mesh.screenPoints[0].y, 240 - 14.0f);
    EXPECT_EQ(mesh.screenPoints[0].z, 5.0f);
    EXPECT_NEAR(mesh.screenPoints[1].x, 240 + 35.0 * 120 / 78, 1e-3);
    EXPECT_NEAR(mesh.screenPoints[1].y, 240 - 14.0 * 120 / 78, 1e-3);
}

TEST_F(MeshTest, WorkedTriangleFillsFiftySixPixelsAndItsMirrorNone)
{
    mesh.fillRed = 1;
    setScreenTriangle(10, 10, 20, 10, 10, 20);
    drawMeshFilled(frame.data(), mesh, 0);
    EXPECT_EQ(countLit(), 56);
    for (int x = 10; x < 20; ++x) EXPECT_EQ(at(x, 10), 0x010000u) << x;
    EXPECT_EQ(at(20, 10), 0u);
    EXPECT_EQ(at(10, 19), 0x010000u);
    EXPECT_EQ(at(11, 19), 0u);
    EXPECT_EQ(at(10, 20), 0x010000u);
    EXPECT_EQ(at(10, 21), 0u);

    frame.assign(framePixels, 0);
    setScreenTriangle(10, 10, 10, 20, 20, 10);
    drawMeshFilled(frame.data(), mesh, 0);
    EXPECT_EQ(countLit(), 0);

    setScreenTriangle(10, 10, 20, 10, 10, 20);
    mesh.faces[0].visible = 0;
    drawMeshFilled(frame.data(), mesh, 0);
    EXPECT_EQ(countLit(), 0);
}

TEST_F(MeshTest, NearlyFlatWindingIsSkipped)
{
    // v = -0.5 truncates to 0, which is not below 0.
    mesh.fillRed = 1;
    setScreenTriangle(10, 10, 10.5f, 10, 10, 11);
    drawMeshFilled(frame.data(), mesh, 0);
    EXPECT_EQ(countLit(), 0);
}

TEST_F(MeshTest, FillModesBlendOrScanWithoutDrawing)
{
    frame.assign(framePixels, 0x0000FE);
    fillQuad(frame.data(), 10, 10, 20, 10, 20, 10, 10, 20, 0xFE0000, 1);
    EXPECT_EQ(at(10, 10), 0x7F007Fu);
    EXPECT_EQ(at(20, 10), 0x0000FEu);
    fillQuad(frame.data(), 100, 10, 120, 10, 120, 10, 100, 20, 0xFE0000, 2);
    EXPECT_EQ(at(100, 10), 0x0000FEu);
}

TEST_F(MeshTest, FlatPolygonsAndPolygonsOffScreenDrawNothing)
{
    fillQuad(frame.data(), 10, 50, 200, 50, 200, 50, 300, 50, 1, 0);
    fillQuad(frame.data(), 10, -90, 200, -50, 200, -50, 300, -10, 1, 0);
    fillQuad(frame.data(), 10, 490, 200, 600, 200, 600, 300, 2000, 1, 0);
    EXPECT_EQ(countLit(), 0);
}

TEST_F(MeshTest, EdgesEnteringFromAboveKeepTheirSlope)
{
    // Left edge x = 10; right edge from (10, -50) to (110, 50) moves one column per row.
    fillQuad(frame.data(), 10, -50, 110, 50, 110, 50, 10, 50, 1, 0);
    for (int x = 0; x < screenWidth; ++x) EXPECT_EQ(at(x, 0), 0u);
    EXPECT_EQ(at(60, 1), 1u);
    EXPECT_EQ(at(61, 1), 0u);
    EXPECT_EQ(at(9, 1), 0u);
    EXPECT_EQ(at(10, 1), 1u);
    EXPECT_EQ(at(109, 50), 1u);
    EXPECT_EQ(at(110, 50), 0u);
    EXPECT_EQ(at(10, 51), 0u);
}

TEST_F(MeshTest, AHugeTriangleCoversEveryDrawablePixel)
{
    fillQuad(frame.data(), -100000, -100000, 100000, -100000, 100000, 100000, -100000, 100000,
             1, 0);
    EXPECT_EQ(countLit(), 639 * 479);

    frame.assign(framePixels, 0);
    const float far = 1e30f;
    mesh.fillRed = 1;
    setScreenTriangle(-100, -100, far, -100, -100, far);
    drawMeshFilled(frame.data(), mesh, 0);
    EXPECT_EQ(countLit(), 639 * 479);
}

TEST_F(MeshTest, LitColourIsCappedAtFullBrightness)
{
    const MeshVertex down{0, 0, 1};
    EXPECT_EQ(litColour(0, 0, 256, down), 0xFFFFFFu);
    const MeshVertex overOne{0, 0, std::nextafter(1.0f, 2.0f)};
    EXPECT_EQ(litColour(0, 0, 256, overOne), 0xFFFFFFu);
    EXPECT_EQ(litColour(0, 0, 128, down), 0x808080u);
    EXPECT_EQ(litColour(0, 128, 128, MeshVertex{0, 0.70710677f, 0.70710677f}), 0xB5B5B5u);
}

TEST_F(MeshTest, DarkUndefinedAndCollapsedNormalsGiveBlack)
{
    const MeshVertex down{0, 0, 1};
    EXPECT_EQ(litColour(0, 0, -256, down), 0u);
    EXPECT_EQ(litColour(0, 0, 0, down), 0u);
    EXPECT_EQ(litColour(0, 0, std::numeric_limits<float>::quiet_NaN(), down), 0u);
}

TEST_F(MeshTest, ColourFieldsSwitchLitChannelsOrGiveTheColourDirectly)
{
    mesh.fillLit = 1;
    mesh.fillRed = 0;
    mesh.fillGreen = 64;
    mesh.fillBlue = -8;
    mesh.worldNormals[0] = MeshVertex{0, 0, 128};
    mesh.light = MeshVertex{0, 0, 1};
    EXPECT_EQ(faceColour(mesh, 0, true), 0x008080u);

    mesh.wireLit = 0;
    mesh.wireRed = 0x12;
    mesh.wireGreen = 0x34;
    mesh.wireBlue = 0x56;
    EXPECT_EQ(faceColour(mesh, 0, false), 0x123456u);
}

TEST_F(MeshTest, WireframeAddsEveryEdgeSoSharedCornersDoubleUp)
{
    mesh.wireRed = mesh.wireGreen = mesh.wireBlue = 16;
    setScreenTriangle(10, 10, 20, 10, 10, 20);
    drawMeshWire(frame.data(), mesh);
    EXPECT_EQ(at(15, 10), 0x101010u);
    EXPECT_EQ(at(10, 15), 0x101010u);
    EXPECT_EQ(at(15, 15), 0x101010u);
    EXPECT_EQ(at(10, 10), 0x202020u);
    EXPECT_EQ(at(12, 12), 0u);

    frame.assign(framePixels, 0);
    setScreenTriangle(10, 10, 10, 20, 20, 10);
    drawMeshWire(frame.data(), mesh);
    EXPECT_EQ(countLit(), 0);
}


// Every drawn face's three lines added one after another, the way the wire is specified.
void drawWireFaceByFace(Pixel* frame, const Mesh& mesh)
{
    for (int k = 0; k < mesh.faceCount; ++k) {
        const int d = mesh.drawOrder[mesh.faceCount - 1 - k];
        const MeshFace& face = mesh.faces[d];
        if (face.visible != 1) continue;
        const MeshVertex& a = mesh.screenPoints[face.a];
        const MeshVertex& b = mesh.screenPoints[face.b];
        const MeshVertex& c = mesh.screenPoints[face.c];
        if ((double(a.y) - c.y) * (double(b.x) - a.x) - (double(b.y) - a.y) * (double(a.x) - c.x) > -1.0)
            continue;
        const Pixel colour = faceColour(mesh, d, false);
        if ((colour & 0xFFFFFF) == 0) continue;
        const int ax = int(a.x), ay = int(a.y), bx = int(b.x), by = int(b.y);
        const int cx = int(c.x), cy = int(c.y);
        drawLineAdd(frame, ax, ay, bx, by, colour);
        drawLineAdd(frame, bx, by, cx, cy, colour);
        drawLineAdd(frame, cx, cy, ax, ay, colour);
    }
}

// Grids of shared corners with faces drawn over each other, edges held by one, two or three
// faces, lit and unlit wires near saturation, some corners off screen and the faces changing
// between draws: the wire matches adding each face's lines in turn, pixel for pixel.
TEST_F(MeshTest, SharedWireEdgesAddAsBothFacesWould)
{
    std::srand(16);
    auto random = [](int n) { return std::rand() % n; };
    std::vector<Pixel> expected;
    for (int round = 0; round < 300; ++round) {
        const int side = 2 + random(12);
        const int spread = round % 3 == 0 ? 900 : 200;
        mesh.vertexCount = side * side;
        for (int v = 0; v < mesh.vertexCount; ++v) {
            const float x = float(v % side * (spread / side) + random(30) - (round % 3 == 0 ? 150 : 0));
            const float y = float(v / side * (spread / side) + random(30) + (round % 5 == 0 ? -40 : 20));
            mesh.screenPoints[v] = MeshVertex{x + random(100) / 100.0f, y, 0};
        }
        mesh.faceCount = 1 + random(3 * side * side);
        for (int f = 0; f < mesh.faceCount; ++f) {
            const int v = random(side * (side - 1));
            const int corner = v % side == side - 1 ? v - 1 : v;
            const int other = random(2) ? corner + side + 1 : corner;
            std::uint16_t a = std::uint16_t(corner), b = std::uint16_t(corner + 1);
            std::uint16_t c = std::uint16_t(other == corner ? corner + side : other);
            if (random(2)) std::swap(a, b);
            if (random(20) == 0) c = a;
            mesh.faces[f] = MeshFace{a, b, c, std::uint8_t(random(6) != 0)};
            mesh.drawOrder[f] = f;
            mesh.worldNormals[f] = MeshVertex{float(random(512) - 256), float(random(512) - 256), float(random(512) - 256)};
        }
        for (int f = mesh.faceCount - 1; f > 0; --f) std::swap(mesh.drawOrder[f], mesh.drawOrder[random(f + 1)]);
        mesh.light = MeshVertex{0.3f, -0.5f, -0.8f};
        mesh.wireLit = round % 2;
        mesh.wireRed = random(2) ? 255 : random(300);
        mesh.wireGreen = random(140);
        mesh.wireBlue = round % 7 == 0 ? 0 : 16;

        frame.assign(framePixels, 0);
        for (int k = 0; k < 4000; ++k) frame[std::size_t(random(framePixels))] = Pixel(std::rand()) & 0xFFFFFF;
        expected = frame;
        drawWireFaceByFace(expected.data(), mesh);
        drawMeshWire(frame.data(), mesh);
        ASSERT_EQ(frame, expected) << "round " << round;
    }
}

// Two faces over the same pixels, one near (z 100) and one far (z -100): whichever index the
// near one has, it is drawn last and covers the far one.
TEST_F(MeshTest, NearFaceIsDrawnOverTheFarOne)
{
    for (int nearFace : {0, 1}) {
        frame.assign(framePixels, 0);
        mesh.faceCount = 2;
        mesh.vertexCount = 6;
        mesh.fillLit = 1;
        mesh.fillRed = mesh.fillGreen = mesh.fillBlue = 64;
        mesh.light = MeshVertex{0, 0, 1};
        for (int f = 0; f < 2; ++f) {
            mesh.faces[f] = MeshFace{std::uint16_t(3 * f), std::uint16_t(3 * f + 1), std::uint16_t(3 * f + 2), 0};
            const float z = f == nearFace ? 100.0f : -100.0f;
            const float corners[3][2] = {{10, 10}, {60, 10}, {10, 60}};
            for (int k = 0; k < 3; ++k) {
                mesh.worldVertices[3 * f + k] = MeshVertex{0, 0, z};
                mesh.screenPoints[3 * f + k] = MeshVertex{corners[k][0], corners[k][1], 0};
            }
            // The near face is lit at one half (0x80), the far one at one quarter (0x40).
            mesh.worldNormals[f] = MeshVertex{0, 0, f == nearFace ? 128.0f : 64.0f};
        }
        prepareFaces(mesh);
        drawMeshFilled(frame.data(), mesh, 0);
        EXPECT_EQ(at(20, 20), 0x808080u) << "near face " << nearFace;
        EXPECT_EQ(at(11, 58), 0x808080u) << "near face " << nearFace;
    }
}

// A left edge from (20, 10) down to (10, 13): the step -1280 / 3 truncates to -426 (a floor
// would give -427), so the rows start at 2560, 2134, 1708, 1282 / 128, that is 20, 16, 13, 10.
// The right edge to (40, 13) steps 2560 / 3 = 853: 20, 26, 33, 39.
TEST_F(MeshTest, EdgeStepsTruncateTowardZeroOnBothSlopes)
{
    fillQuad(frame.data(), 20, 10, 10, 13, 10, 13, 40, 13, 1, 0);
    const int first[4] = {20, 16, 13, 10};
    const int end[4] = {21, 26, 33, 39};  // one past the last lit pixel
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 60; ++x) {
            EXPECT_EQ(at(x, 10 + r), x >= first[r] && x < end[r] ? 1u : 0u) << "row " << 10 + r << " x " << x;
        }
    }
    EXPECT_EQ(countLit(), 1 + 10 + 20 + 29);

    // The same edges walked from the other end give the same rows.
    frame.assign(framePixels, 0);
    fillQuad(frame.data(), 40, 13, 10, 13, 10, 13, 20, 10, 1, 0);
    EXPECT_EQ(countLit(), 1 + 10 + 20 + 29);
    EXPECT_EQ(at(10, 13), 1u);
    EXPECT_EQ(at(9, 13), 0u);

    // The triangle filler the model uses steps the same way.
    frame.assign(framePixels, 0);
    fillTriangle(frame.data(), 20, 10, 10, 13, 40, 13, 1, 0);
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 60; ++x) {
            EXPECT_EQ(at(x, 10 + r), x >= first[r] && x < end[r] ? 1u : 0u) << "triangle row " << 10 + r << " x " << x;
        }
    }
}

}  // namespace

namespace {

// The quicksort as first written: both scans stop on keys equal to the pivot.
void referenceSort(std::vector<std::int32_t>& keys, std::vector<std::int32_t>& order, int lo, int hi)
{
    while (lo < hi) {
        const std::int32_t pivot = keys[lo];
        int i = lo - 1;
        int j = hi + 1;
        for (;;) {
            do --j; while (keys[j] < pivot);
            do ++i; while (keys[i] > pivot);
            if (i >= j) break;
            std::swap(order[i], order[j]);
            std::swap(keys[i], keys[j]);
        }
        referenceSort(keys, order, lo, j);
        lo = j + 1;
    }
}

// Sorts keys with sortFaces and with the reference; the permutations must be the same.
::testing::AssertionResult sortsAsTheReference(Mesh& mesh, const std::vector<std::int32_t>& keys)
{
    const int count = int(keys.size());
    std::vector<std::int32_t> expectedKeys = keys;
    std::vector<std::int32_t> expectedOrder(count);
    for (int f = 0; f < count; ++f) {
        expectedOrder[f] = f;
        mesh.depthKeys[f] = keys[f];
        mesh.drawOrder[f] = f;
    }
    mesh.faceCount = count;
    if (count > 0) {
        referenceSort(expectedKeys, expectedOrder, 0, count - 1);
        sortFaces(mesh, 0, count - 1);
    }
    for (int k = 0; k < count; ++k) {
        if (mesh.drawOrder[k] != expectedOrder[k] || mesh.depthKeys[k] != expectedKeys[k]) {
            return ::testing::AssertionFailure()
                   << count << " keys: slot " << k << " holds face " << mesh.drawOrder[k] << " key "
                   << mesh.depthKeys[k] << ", the reference face " << expectedOrder[k] << " key "
                   << expectedKeys[k];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// Equal keys are where sorts differ, so most sets have few distinct values; the lengths cover
// the shortest ranges, one and several 64-key masks, and the largest model.
TEST_F(MeshTest, SortGivesTheReferencePermutationOnRandomKeys)
{
    withEachCodeWidth([&] {
        std::srand(11);
        const int lengths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 63, 64, 65, 127, 128, 129, 200, 816, 4096};
        const int spreads[] = {1, 2, 3, 5, 17, 400, 1 << 30};
        for (int length : lengths) {
            for (int spread : spreads) {
                for (int round = 0; round < (length < 10 ? 200 : 6); ++round) {
                    std::vector<std::int32_t> keys(length);
                    for (auto& key : keys) key = std::rand() % spread - spread / 2;
                    ASSERT_TRUE(sortsAsTheReference(mesh, keys)) << "spread " << spread;
                }
            }
        }
        // Already ordered, reversed and organ-pipe runs, where each split is at an end.
        for (int length : {70, 300, 816}) {
            std::vector<std::int32_t> keys(length);
            for (int k = 0; k < length; ++k) keys[k] = k / 3;
            ASSERT_TRUE(sortsAsTheReference(mesh, keys));
            std::reverse(keys.begin(), keys.end());
            ASSERT_TRUE(sortsAsTheReference(mesh, keys));
            for (int k = 0; k < length; ++k) keys[k] = std::min(k, length - k);
            ASSERT_TRUE(sortsAsTheReference(mesh, keys));
        }
    });
}

// Every pattern of up to six keys drawn from as many values, so each way the shortest ranges
// can compare is met.
TEST_F(MeshTest, SortGivesTheReferencePermutationForEveryPatternOfFewKeys)
{
    withEachCodeWidth([&] {
        for (int length = 2; length <= 6; ++length) {
            int arrangements = 1;
            for (int k = 0; k < length; ++k) arrangements *= length;
            for (int v = 0; v < arrangements; ++v) {
                std::vector<std::int32_t> keys(length);
                for (int k = 0, rest = v; k < length; ++k, rest /= length) keys[k] = rest % length;
                ASSERT_TRUE(sortsAsTheReference(mesh, keys));
            }
        }
    });
}

// fillTriangle against fillQuad with the middle corner doubled, on random triangles near, on
// and far off the screen, blended over a patterned frame and drawn solid.
TEST_F(MeshTest, TriangleFillerDrawsTheQuadFillersPixels)
{
    std::srand(5);
    std::vector<Pixel> expected(framePixels);
    const int reaches[] = {12, 60, 700, 3000, 1 << 26};
    for (int round = 0; round < 3000; ++round) {
        const int reach = reaches[round % 5];
        int c[6];
        for (int k = 0; k < 6; ++k) {
            const int centre = k % 2 == 0 ? 320 : 240;
            c[k] = centre + std::rand() % (2 * reach + 1) - reach;
        }
        if (round % 7 == 0) c[3] = c[1];  // a level edge
        if (round % 11 == 0) c[5] = c[3];
        const int mode = round % 2;
        const Pixel colour = Pixel(std::rand()) & 0xFFFFFF;
        for (int k = 0; k < framePixels; ++k) frame[k] = Pixel(k * 2654435761u) & 0xFFFFFF;
        expected = frame;
        fillQuad(expected.data(), c[0], c[1], c[2], c[3], c[2], c[3], c[4], c[5], colour, mode);
        fillTriangle(frame.data(), c[0], c[1], c[2], c[3], c[4], c[5], colour, mode);
        ASSERT_TRUE(frame == expected) << "triangle (" << c[0] << ", " << c[1] << ") (" << c[2] << ", "
                                       << c[3] << ") (" << c[4] << ", " << c[5] << ") mode " << mode;
    }
}

// The shipped model turning through 400 frames of the intro and the clock page: each frame's
// depth keys, with all their ties, go into the same order as the plain quicksort puts them,
// and the show's drawing, which sorts only as far as the drawn faces need, paints the picture
// the whole sort paints.
TEST(ModelSort, TheTurningModelsKeysSortAsThePlainQuicksortSortsThem)
{
    auto owned = std::make_unique<Mesh>();
    auto whole = std::make_unique<Mesh>();
    Mesh& model = *owned;
    loadAsc(extractResource("DATA_ZSPHERE_ASC"), model);
    setLightDirection(model, 0, -10, -10, 0, 0, 0);
    buildRowOffsets();
    std::vector<Pixel> frame(framePixels, 0);
    std::vector<Pixel> expected(framePixels, 0);
    SphereState state;
    int framesWithTies = 0;
    for (int n = 0; n < 400; ++n) {
        const bool clock = n >= 200;
        stepSphereScene(model, state, clock ? 50000 : 20000 + 16 * n, clock, bakedShowTiming());
        placeSphere(model);
        projectSphere(model);
        *whole = model;
        prepareFaces(*whole);
        // The keys as they were before the sort, from the sorted keys and where each came from.
        const int count = whole->faceCount;
        std::vector<std::int32_t> keys(count);
        for (int k = 0; k < count; ++k) keys[whole->drawOrder[k]] = whole->depthKeys[k];
        std::vector<std::int32_t> order(count);
        for (int f = 0; f < count; ++f) order[f] = f;
        referenceSort(keys, order, 0, count - 1);
        for (int k = 0; k < count; ++k) ASSERT_EQ(whole->drawOrder[k], order[k]) << "frame " << n << " slot " << k;
        for (int k = 1; k < count; ++k) {
            if (keys[k] == keys[k - 1]) {
                ++framesWithTies;
                break;
            }
        }
        drawMeshFilledAndWire(expected.data(), *whole, 1);
        prepareAndDrawMesh(frame.data(), model, 1, true);
        ASSERT_TRUE(frame == expected) << "frame " << n;
    }
    EXPECT_EQ(framesWithTies, 400);  // ties are what the order is about
}

// Random meshes whose faces pile up over one patch of screen at a few depths, some turned
// away and some beyond the depth window: where equal keys end decides which blend lands
// last, so a sort cut short anywhere a drawn face's place still depends on shows here.
TEST(ModelSort, SortingOnlyForTheDrawnFacesPaintsWhatTheWholeSortPaints)
{
    withEachCodeWidth([&] {
        auto owned = std::make_unique<Mesh>();
        auto whole = std::make_unique<Mesh>();
        Mesh& mesh = *owned;
        buildRowOffsets();
        std::srand(23);
        auto random = [](int n) { return std::rand() % n; };
        std::vector<Pixel> frame(framePixels);
        std::vector<Pixel> expected(framePixels);
        for (int round = 0; round < 400; ++round) {
            const int depths = 1 + random(round % 4 == 0 ? 3 : 40);
            mesh.faceCount = 1 + random(round % 5 == 0 ? 12 : 900);
            mesh.vertexCount = 3 * mesh.faceCount;
            mesh.fillLit = 1;
            mesh.fillRed = mesh.fillGreen = mesh.fillBlue = 64;
            mesh.wireLit = round % 2;
            mesh.wireRed = mesh.wireGreen = mesh.wireBlue = 16;
            mesh.light = MeshVertex{0.3f, -0.5f, -0.8f};
            for (int f = 0; f < mesh.faceCount; ++f) {
                mesh.faces[f] = MeshFace{std::uint16_t(3 * f), std::uint16_t(3 * f + 1), std::uint16_t(3 * f + 2), 0};
                const float z = float(random(depths) * 7 - 3 * depths) + (random(50) == 0 ? 900.0f : 0.0f);
                const bool away = random(3) == 0;
                const float x = float(100 + random(60));
                const float y = float(100 + random(60));
                const float corners[3][2] = {{x, y}, {x + (away ? -1 : 1) * float(20 + random(40)), y}, {x, y + float(20 + random(40))}};
                for (int k = 0; k < 3; ++k) {
                    mesh.worldVertices[3 * f + k] = MeshVertex{0, 0, z};
                    mesh.screenPoints[3 * f + k] = MeshVertex{corners[k][0], corners[k][1], 0};
                }
                mesh.worldNormals[f] = MeshVertex{float(random(512) - 256), float(random(512) - 256), float(random(512) - 256)};
            }
            *whole = mesh;
            for (int k = 0; k < framePixels; ++k) frame[k] = Pixel(k * 2654435761u) & 0xFFFFFF;
            expected = frame;
            const bool wire = round % 3 != 0;
            prepareFaces(*whole);
            if (wire) drawMeshFilledAndWire(expected.data(), *whole, 1);
            else drawMeshFilled(expected.data(), *whole, 1);
            prepareAndDrawMesh(frame.data(), mesh, 1, wire);
            ASSERT_TRUE(frame == expected) << "round " << round << ", " << mesh.faceCount << " faces at " << depths << " depths";
        }
    });
}
