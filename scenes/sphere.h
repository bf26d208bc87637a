#pragma once
// The turning, swaying, translucent model drawn last in a frame: in the intro from the globe's
// entry to the menu with its flash, fade and wireframe, and on the clock page.
#include <cstdint>

#include "base/model.h"
#include "render/primitives.h"
#include "scenes/timing.h"

struct SphereState {
    float sceneTime = 0.0f;
    float sphereZOffset = 0.0f;
    // What the last step left to be drawn: the model at all, and which wireframes.
    bool shown = false;
    bool clockWire = false;
    bool flashWire = false;
};

extern SphereState sphereState;

// One step's turn and sway of the model: its angles and matrices.
void turnSphere(Mesh& mesh, SphereState& state);
// The model's points and normals into the world by its matrices.
void placeSphere(Mesh& mesh);
// The model's world points onto the screen, at the scene's centre and scale.
void projectSphere(Mesh& mesh);

// One 1/60 s: while the globe is on (after the globe's entry and before the menu, or on the
// clock page) its colours follow the flash and fade and it turns; otherwise nothing changes.
// The clock page adds the grey-16 wireframe.
void stepSphereScene(Mesh& mesh, SphereState& state, std::int32_t time, bool clockPage, const ShowTiming& timing);
// The model as the last step left it; the mesh's per-frame arrays (world and screen points,
// face order) are worked out here.
void drawSphereScene(Frame frame, Mesh& mesh, const SphereState& state);
