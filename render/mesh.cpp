// The mesh drawing's order of steps, with the projection, the light and the drawn faces' test.
#include "render/mesh.h"

#include "render/mesh_steps.h"

#include <algorithm>

namespace {

// The winding value truncated toward zero is below 0 exactly when it is at most -1.
bool facesViewer(const Mesh& mesh, const MeshFace& face)
{
    const MeshVertex& a = mesh.screenPoints[face.a];
    const MeshVertex& b = mesh.screenPoints[face.b];
    const MeshVertex& c = mesh.screenPoints[face.c];
    const double v = (double(a.y) - c.y) * (double(b.x) - a.x) -
                     (double(b.y) - a.y) * (double(a.x) - c.x);
    return v <= -1.0;
}

void extendBox(DrawnBox& box, int x, int y)
{
    box.left = x < box.left ? x : box.left;
    box.right = x > box.right ? x : box.right;
    box.top = y < box.top ? y : box.top;
    box.bottom = y > box.bottom ? y : box.bottom;
}

void markBox(Frame frame, const DrawnBox& box)
{
    markDrawn(frame, box.left, box.top, std::int64_t(box.right) + 1, std::int64_t(box.bottom) + 1);
}

// Returns how many faces are drawn.
int findDrawnFaces(const Mesh& mesh, FacePass& pass)
{
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const MeshVertex& p = mesh.screenPoints[v];
        pass.corners[v] = {truncateCoordinate(p.x), truncateCoordinate(p.y)};
    }
    // The drawn faces are listed without a branch per face, then their corners make the box.
    int drawnCount = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const bool drawn = (face.visible == 1) & facesViewer(mesh, face);
        pass.drawn[f] = drawn;
        pass.inFaceOrder[drawnCount] = f;
        drawnCount += drawn;
    }
    DrawnBox box;
    for (int k = 0; k < drawnCount; ++k) {
        const MeshFace& face = mesh.faces[pass.inFaceOrder[k]];
        for (const std::uint32_t v : {face.a, face.b, face.c}) {
            extendBox(box, pass.corners[v].x, pass.corners[v].y);
        }
    }
    pass.box = box;
    pass.drawnCount = drawnCount;
    return drawnCount;
}

// The working records of the drawing: one mesh is drawn at a time.
struct MeshScratch {
    FacePass pass;
    WireLists wire;
};

MeshScratch scratch;

}  // namespace

void projectMesh(Mesh& mesh, int cx, int cy, float scale)
{
    const double s = scale;
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const MeshVertex& p = mesh.worldVertices[v];
        const double e = 120.0 / (120.0 - s * p.z);
        mesh.screenPoints[v].x = float(cx + (s * p.x) * e);
        mesh.screenPoints[v].y = float(cy + (s * p.y) * e);
    }
}

// A lit colour is capped at full brightness: an intensity of 1 (or a rounding hair above)
// gives 255 in each switched-on channel rather than spilling into the next channel or
// going dark.
Pixel faceColour(const Mesh& mesh, int face, bool fill)
{
    const bool lit = (fill ? mesh.fillLit : mesh.wireLit) == 1;
    const std::int32_t red = fill ? mesh.fillRed : mesh.wireRed;
    const std::int32_t green = fill ? mesh.fillGreen : mesh.wireGreen;
    const std::int32_t blue = fill ? mesh.fillBlue : mesh.wireBlue;
    if (!lit) return (Pixel(red) << 16) | (Pixel(green) << 8) | Pixel(blue);
    return Pixel(litChannel(faceIntensity(mesh, face))) * 0x010101u & litChannels(red, green, blue);
}

void prepareFaces(Mesh& mesh)
{
    prepareFaceKeys(mesh);
    sortFaces(mesh, 0, mesh.faceCount - 1);
}

namespace {

// The filled faces findDrawnFaces found drawn, then with `wire` their wireframe; the drawing
// marks the box of their corners.
void fillThenWire(Frame frame, const Mesh& mesh, FacePass& pass, int fillMode, bool wire)
{
    fillDrawnFaces(frame.pixels, mesh, pass, fillMode);
    if (wire && !wireAddsNothing(mesh)) wireDrawnFaces(frame.pixels, mesh, pass, scratch.wire);
    markBox(frame, pass.box);
}

}  // namespace

void drawMeshFilled(Frame frame, Mesh& mesh, int fillMode)
{
    findDrawnFaces(mesh, scratch.pass);
    fillThenWire(frame, mesh, scratch.pass, fillMode, false);
}

void drawMeshWire(Frame frame, Mesh& mesh)
{
    if (wireAddsNothing(mesh)) return;
    findDrawnFaces(mesh, scratch.pass);
    wireDrawnFaces(frame.pixels, mesh, scratch.pass, scratch.wire);
    markBox(frame, scratch.pass.box);
}

void drawMeshFilledAndWire(Frame frame, Mesh& mesh, int fillMode)
{
    findDrawnFaces(mesh, scratch.pass);
    fillThenWire(frame, mesh, scratch.pass, fillMode, true);
}

void prepareAndDrawMesh(Frame frame, Mesh& mesh, int fillMode, bool wire)
{
    prepareFaceKeys(mesh);
    findDrawnFaces(mesh, scratch.pass);
    sortDrawnFaces(mesh, scratch.pass);
    fillThenWire(frame, mesh, scratch.pass, fillMode, wire);
}
