#include "scenes/sphere.h"

#include <cmath>

#include "render/matrix.h"
#include "render/mesh.h"

SphereState sphereState;

namespace {

constexpr int sceneCentreX = 240;
constexpr int sceneCentreY = 240;
constexpr float sceneScale = 0.35f;
constexpr std::int32_t clockWireGrey = 16;
// The fill channels only switch lighting on or off, so they may fall without a floor; this
// bound merely keeps a very long fade from overflowing.
constexpr std::int32_t fillFloor = -(1 << 30);

void setFill(Mesh& mesh, std::int32_t value)
{
    mesh.fillRed = mesh.fillGreen = mesh.fillBlue = value;
}

void setWire(Mesh& mesh, std::int32_t value)
{
    mesh.wireRed = mesh.wireGreen = mesh.wireBlue = value;
}

std::int32_t fadeFill(std::int32_t value)
{
    return value > fillFloor ? value - 8 : value;
}

// A wire channel goes dark as soon as its fill channel has passed zero.
std::int32_t fadeWire(std::int32_t wire, std::int32_t fill)
{
    wire -= 8;
    if (fill < 0) wire = 0;
    return wire < 0 ? 0 : wire;
}

void fadeStep(Mesh& mesh, SphereState& state)
{
    state.sphereZOffset -= 0.5f;
    if (state.sphereZOffset < 0.0f) state.sphereZOffset = 0.0f;
    mesh.fillRed = fadeFill(mesh.fillRed);
    mesh.fillGreen = fadeFill(mesh.fillGreen);
    mesh.fillBlue = fadeFill(mesh.fillBlue);
    mesh.wireRed = fadeWire(mesh.wireRed, mesh.fillRed);
    mesh.wireGreen = fadeWire(mesh.wireGreen, mesh.fillGreen);
    mesh.wireBlue = fadeWire(mesh.wireBlue, mesh.fillBlue);
}

void applyColourPhase(Mesh& mesh, SphereState& state, std::int32_t time, const ShowTiming& timing)
{
    if (time >= timing.flash && time < timing.fade) {
        setFill(mesh, 255);
        setWire(mesh, 128);
        state.sphereZOffset = 30.0f;
    } else if (time >= timing.fade && time <= timing.fadeEnd) {
        fadeStep(mesh, state);
    } else {
        setFill(mesh, 64);
        state.sphereZOffset = 0.0f;
    }
}

void buildMatrices(Mesh& mesh, const SphereState& state)
{
    const MeshVertex& a = mesh.angles;
    matIdentity(mesh.objectMatrix);
    matIdentity(mesh.normalMatrix);
    matRotateXYZ(mesh.objectMatrix, a.x, a.y, a.z);
    matRotateXYZ(mesh.normalMatrix, a.x, a.y, a.z);
    const double s = state.sceneTime;
    const double tx = std::sin(0.75 * s) * 100.0;
    const double ty = std::sin(s) + 15.0;
    const double tz = std::sin(3.0 * s) * 25.0 + state.sphereZOffset + 100.0;
    matTranslate(mesh.objectMatrix, float(tx), float(ty), float(tz));
}

}  // namespace

void placeSphere(Mesh& mesh)
{
    transformPoints(mesh.objectMatrix, mesh.vertices, mesh.worldVertices, mesh.vertexCount);
    transformPoints(mesh.normalMatrix, mesh.faceNormals, mesh.worldNormals, mesh.faceCount);
}

void turnSphere(Mesh& mesh, SphereState& state)
{
    mesh.angles.x += 0.03;
    mesh.angles.y += 0.02;
    mesh.angles.z += 0.01;
    buildMatrices(mesh, state);
    state.sceneTime += 0.005;
}

void projectSphere(Mesh& mesh)
{
    projectMesh(mesh, sceneCentreX, sceneCentreY, sceneScale);
}

void stepSphereScene(Mesh& mesh, SphereState& state, std::int32_t time, bool clockPage, const ShowTiming& timing)
{
    state.shown = (time > timing.globeStart && time < timing.menu) || clockPage;
    if (!state.shown) return;
    mesh.fillLit = 1;
    mesh.wireLit = 0;
    applyColourPhase(mesh, state, time, timing);
    turnSphere(mesh, state);
    state.clockWire = clockPage;
    state.flashWire = time > timing.flash && time < timing.wireEnd;
    // The filled faces do not read the wire's colour, so the clock page's grey can be set
    // before they are drawn and both passes share one look at the faces.
    if (state.clockWire) setWire(mesh, clockWireGrey);
}

void drawSphereScene(Frame frame, Mesh& mesh, const SphereState& state)
{
    if (!state.shown) return;
    placeSphere(mesh);
    projectSphere(mesh);
    prepareAndDrawMesh(frame, mesh, 1, state.clockWire || state.flashWire);
    if (state.clockWire && state.flashWire) drawMeshWire(frame, mesh);
}
