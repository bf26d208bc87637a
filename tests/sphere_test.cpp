#include "scenes/sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "render/matrix.h"

namespace {

// One step of the globe and its drawing, as a pass does them.
void stepAndDrawSphere(Pixel* frame, Mesh& mesh, SphereState& state, std::int32_t time, bool clockPage)
{
    stepSphereScene(mesh, state, time, clockPage, bakedShowTiming());
    drawSphereScene(frame, mesh, state);
}

// An octahedron of radius 60 with outward face normals of length 256.
void buildOctahedron(Mesh& mesh)
{
    const float r = 60.0f;
    const MeshVertex corners[6] = {{r, 0, 0},  {-r, 0, 0}, {0, r, 0},
                                   {0, -r, 0}, {0, 0, r},  {0, 0, -r}};
    const int faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                             {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    mesh.vertexCount = 6;
    mesh.faceCount = 8;
    for (int v = 0; v < 6; ++v) mesh.vertices[v] = mesh.worldVertices[v] = corners[v];
    for (int f = 0; f < 8; ++f) {
        const MeshVertex& a = corners[faces[f][0]];
        const MeshVertex& b = corners[faces[f][1]];
        const MeshVertex& c = corners[faces[f][2]];
        mesh.faces[f] = MeshFace{std::uint16_t(faces[f][0]), std::uint16_t(faces[f][1]),
                                 std::uint16_t(faces[f][2]), 0};
        const float n[3] = {(a.x + b.x + c.x), (a.y + b.y + c.y), (a.z + b.z + c.z)};
        const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        mesh.faceNormals[f] = MeshVertex{std::trunc(n[0] / len * 256), std::trunc(n[1] / len * 256), std::trunc(n[2] / len * 256)};
        mesh.drawOrder[f] = f;
    }
    setLightDirection(mesh, 0, -10, -10, 0, 0, 0);
}

struct SphereTest : ::testing::Test {
    std::unique_ptr<Mesh> owned = std::make_unique<Mesh>();
    Mesh& mesh = *owned;
    SphereState state;
    std::vector<Pixel> frame = std::vector<Pixel>(framePixels, 0x202020);

    void SetUp() override
    {
        buildRowOffsets();
        buildOctahedron(mesh);
    }

    void draw(std::int32_t time, bool clockPage = false)
    {
        stepAndDrawSphere(frame.data(), mesh, state, time, clockPage);
    }

    int wire() const { return mesh.wireRed; }
};

TEST_F(SphereTest, NothingRunsOutsideTheWindowUnlessTheClockPageIsOpen)
{
    const std::vector<Pixel> before = frame;
    for (std::int32_t t : {0, 14650, 41701, 60000}) draw(t);
    EXPECT_EQ(frame, before);
    EXPECT_EQ(state.sceneTime, 0.0f);
    EXPECT_EQ(mesh.angles.x, 0.0f);
    EXPECT_EQ(mesh.fillLit, 0);

    draw(14651);
    EXPECT_NE(frame, before);
    EXPECT_EQ(mesh.fillLit, 1);

    draw(41700);
    EXPECT_EQ(state.sceneTime, 0.01f);
}

TEST_F(SphereTest, FirstFrameTurnsOnceAndSitsAtItsRestingTranslation)
{
    draw(14651);
    EXPECT_EQ(mesh.angles.x, 0.03f);
    EXPECT_EQ(mesh.angles.y, 0.02f);
    EXPECT_EQ(mesh.angles.z, 0.01f);
    EXPECT_EQ(mesh.objectMatrix.m[12], 0.0f);
    EXPECT_EQ(mesh.objectMatrix.m[13], 15.0f);
    EXPECT_EQ(mesh.objectMatrix.m[14], 100.0f);
    EXPECT_EQ(state.sceneTime, 0.005f);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(mesh.objectMatrix.m[i], mesh.normalMatrix.m[i]) << i;
    EXPECT_EQ(mesh.fillRed, 64);
    // The world copy holds the turned and moved model: the centre is at (0, 15, 100).
    float sum[3] = {0, 0, 0};
    for (int v = 0; v < 6; ++v) {
        sum[0] += mesh.worldVertices[v].x;
        sum[1] += mesh.worldVertices[v].y;
        sum[2] += mesh.worldVertices[v].z;
    }
    EXPECT_NEAR(sum[0] / 6, 0.0f, 1e-4f);
    EXPECT_NEAR(sum[1] / 6, 15.0f, 1e-4f);
    EXPECT_NEAR(sum[2] / 6, 100.0f, 1e-4f);
}

TEST_F(SphereTest, FlashThenFadeRunsTheWireDownInSixteenFramesAndThePushInSixty)
{
    draw(27600);
    EXPECT_EQ(wire(), 128);
    EXPECT_EQ(mesh.fillRed, 255);
    EXPECT_EQ(state.sphereZOffset, 30.0f);
    std::vector<int> wires;
    for (int k = 1; k <= 60; ++k) {
        draw(27650 + k);
        if (k <= 17) wires.push_back(wire());
        if (k < 60) {
            EXPECT_GT(state.sphereZOffset, 0.0f) << k;
        }
    }
    std::vector<int> expected;
    for (int w = 120; w >= 0; w -= 8) expected.push_back(w);
    expected.push_back(0);
    EXPECT_EQ(wires, expected);
    EXPECT_EQ(state.sphereZOffset, 0.0f);
    EXPECT_EQ(mesh.wireGreen, 0);
    EXPECT_EQ(mesh.wireBlue, 0);
    EXPECT_EQ(mesh.fillRed, 255 - 60 * 8);  // no floor on the fill channels
}

TEST_F(SphereTest, FadeWithoutAFlashPassesZeroFillAndDarkensThatFrame)
{
    draw(20000);
    for (int k = 1; k <= 7; ++k) draw(28000);
    EXPECT_EQ(mesh.fillRed, 8);
    std::vector<Pixel> lit = frame;

    frame.assign(framePixels, 0x202020);
    draw(28000);
    EXPECT_EQ(mesh.fillRed, 0);
    int darkened = 0;
    for (Pixel p : frame) darkened += p == 0x101010;
    EXPECT_GT(darkened, 100);  // colour 0 blended over 0x20 grey

    frame.assign(framePixels, 0x202020);
    draw(28000);
    EXPECT_EQ(mesh.fillRed, -8);
    int brighter = 0;
    for (Pixel p : frame) brighter += (p & 0xFF) > 0x20;
    EXPECT_GT(brighter, 100);
    EXPECT_EQ(wire(), 0);
}

TEST_F(SphereTest, LaterPhaseRestoresFillAndPushButKeepsTheWire)
{
    draw(27600);
    draw(27700);
    EXPECT_EQ(wire(), 120);
    draw(37000);
    EXPECT_EQ(mesh.fillRed, 64);
    EXPECT_EQ(mesh.fillBlue, 64);
    EXPECT_EQ(state.sphereZOffset, 0.0f);
    EXPECT_EQ(wire(), 120);
}

// The same scene state drawn at two times differs only by the wireframe.
TEST_F(SphereTest, WireframeShowsStrictlyInsideItsWindow)
{
    const auto drawnAt = [&](std::int32_t time) {
        auto copy = std::make_unique<Mesh>(mesh);
        SphereState stateCopy = state;
        std::vector<Pixel> out(framePixels, 0x202020);
        copy->wireRed = copy->wireGreen = copy->wireBlue = 200;
        copy->fillRed = copy->fillGreen = copy->fillBlue = 255;
        stepAndDrawSphere(out.data(), *copy, stateCopy, time, false);
        return out;
    };
    // Every changed pixel is brighter in the first frame: the wire is there and not in the other.
    const auto onlyAdded = [](const std::vector<Pixel>& wired, const std::vector<Pixel>& plain) {
        int added = 0;
        for (int i = 0; i < framePixels; ++i) {
            if (wired[i] == plain[i]) continue;
            if ((wired[i] & 0xFF) <= (plain[i] & 0xFF)) return -1;
            ++added;
        }
        return added;
    };
    draw(20000);
    EXPECT_GT(onlyAdded(drawnAt(27552), drawnAt(27551)), 50);
    EXPECT_GT(onlyAdded(drawnAt(34699), drawnAt(34700)), 50);
    EXPECT_EQ(drawnAt(34700), drawnAt(36999));
}

TEST_F(SphereTest, ClockPageDrawsAGreyWireAfterTheShow)
{
    const std::vector<Pixel> before = frame;
    draw(90000, true);
    EXPECT_EQ(wire(), 16);
    EXPECT_EQ(mesh.fillRed, 64);
    EXPECT_NE(frame, before);

    // Opened while the globe of the intro still turns, the clock page only adds the wire.
    auto copy = std::make_unique<Mesh>(mesh);
    SphereState stateCopy = state;
    std::vector<Pixel> withWire(framePixels, 0x202020), without(framePixels, 0x202020);
    stepAndDrawSphere(withWire.data(), mesh, state, 40000, true);
    stepAndDrawSphere(without.data(), *copy, stateCopy, 40000, false);
    int added = 0;
    for (int i = 0; i < framePixels; ++i) {
        if (withWire[i] != without[i]) {
            ++added;
            EXPECT_GE(withWire[i] & 0xFF, without[i] & 0xFF);
        }
    }
    EXPECT_GT(added, 50);
}


// The k-th drawn frame sways by s = (k - 1) * 0.005: sideways with sin(0.75 s), up with
// sin(s), in depth with sin(3 s). Frames far from s = 0 tell those speeds apart.
TEST_F(SphereTest, SwayFollowsItsThreeSpeedsFrameByFrame)
{
    for (int k = 1; k <= 320; ++k) {
        draw(20000);
        if (k % 40 != 0) continue;
        const double s = (k - 1) * 0.005;
        EXPECT_NEAR(mesh.objectMatrix.m[12], std::sin(0.75 * s) * 100, 2e-3) << "frame " << k;
        EXPECT_NEAR(mesh.objectMatrix.m[13], std::sin(s) + 15, 1e-4) << "frame " << k;
        EXPECT_NEAR(mesh.objectMatrix.m[14], std::sin(3 * s) * 25 + 100, 1e-3) << "frame " << k;
    }
    // Frame 201: s = 1, worked by hand: x = 68.164, y = 15.841, z = 103.528.
    SphereState fresh;
    state = fresh;
    state.sceneTime = 1.0f;
    draw(20000);
    EXPECT_NEAR(mesh.objectMatrix.m[12], 68.164, 1e-3);
    EXPECT_NEAR(mesh.objectMatrix.m[13], 15.841, 1e-3);
    EXPECT_NEAR(mesh.objectMatrix.m[14], 103.528, 1e-3);
}

// Every vertex lands at (240, 240) + 0.35 (x, y) scaled by 120 / (120 - 0.35 z).
TEST_F(SphereTest, ProjectionCentreIsLeftOfTheMiddleAtScaleThirtyFiveHundredths)
{
    for (int k = 0; k < 77; ++k) draw(20000);
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const MeshVertex& w = mesh.worldVertices[v];
        const double e = 120.0 / (120.0 - 0.35 * w.z);
        EXPECT_NEAR(mesh.screenPoints[v].x, 240 + 0.35 * w.x * e, 1e-3) << v;
        EXPECT_NEAR(mesh.screenPoints[v].y, 240 + 0.35 * w.y * e, 1e-3) << v;
    }
}

// Normals are only turned: each keeps its length and points from the model's centre through
// the middle of its face, wherever the model has swayed to.
TEST_F(SphereTest, NormalsTurnWithTheModelButDoNotMove)
{
    for (int k = 0; k < 150; ++k) draw(20000);
    const double cx = mesh.objectMatrix.m[12], cy = mesh.objectMatrix.m[13], cz = mesh.objectMatrix.m[14];
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const MeshVertex* w = mesh.worldVertices;
        const double mid[3] = {(w[face.a].x + w[face.b].x + w[face.c].x) / 3 - cx,
                               (w[face.a].y + w[face.b].y + w[face.c].y) / 3 - cy,
                               (w[face.a].z + w[face.b].z + w[face.c].z) / 3 - cz};
        const MeshVertex& n = mesh.faceNormals[f];
        const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        const double midLength = std::sqrt(mid[0] * mid[0] + mid[1] * mid[1] + mid[2] * mid[2]);
        EXPECT_NEAR(mesh.worldNormals[f].x, mid[0] / midLength * length, 0.05) << f;
        EXPECT_NEAR(mesh.worldNormals[f].y, mid[1] / midLength * length, 0.05) << f;
        EXPECT_NEAR(mesh.worldNormals[f].z, mid[2] / midLength * length, 0.05) << f;
    }
}

TEST_F(SphereTest, FlashHoldsThrough27649AndTheFadeBeginsAt27650)
{
    draw(27550);
    EXPECT_EQ(mesh.fillRed, 64);
    EXPECT_EQ(state.sphereZOffset, 0.0f);
    draw(27551);
    EXPECT_EQ(mesh.fillRed, 255);
    draw(27700);  // one fade step: 247, 120, 29.5
    draw(27649);  // the flash sets everything back
    EXPECT_EQ(mesh.fillRed, 255);
    EXPECT_EQ(wire(), 128);
    EXPECT_EQ(state.sphereZOffset, 30.0f);
    draw(27650);
    EXPECT_EQ(mesh.fillRed, 247);
    EXPECT_EQ(mesh.fillBlue, 247);
    EXPECT_EQ(wire(), 120);
    EXPECT_EQ(state.sphereZOffset, 29.5f);
    draw(36999);
    EXPECT_EQ(mesh.fillGreen, 239);
    EXPECT_EQ(state.sphereZOffset, 29.0f);
}

// A fill channel at exactly 0 is not below zero, so its wire channel keeps fading by 8; only
// the step that takes the fill below zero darkens the wire.
TEST_F(SphereTest, WireSurvivesTheFrameWhoseFillIsExactlyZero)
{
    draw(27600);   // fill 255, wire 128
    draw(37000);   // fill back to 64, the wire keeps 128
    for (int k = 1; k <= 8; ++k) draw(28000);
    EXPECT_EQ(mesh.fillRed, 0);
    EXPECT_EQ(mesh.wireRed, 128 - 8 * 8);
    EXPECT_EQ(mesh.wireGreen, 64);
    EXPECT_EQ(mesh.wireBlue, 64);
    draw(28000);
    EXPECT_EQ(mesh.fillRed, -8);
    EXPECT_EQ(mesh.wireRed, 0);
    EXPECT_EQ(mesh.wireBlue, 0);
}

}  // namespace
