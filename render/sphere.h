#pragma once
// The turning, swaying, translucent model drawn last in a frame: in the intro from 14651 to
// 41700 ms with its flash, fade and wireframe, and on the clock page.
#include <cstdint>

#include "assets/asc.h"
#include "render/primitives.h"

struct SphereState {
    float sceneTime = 0.0f;
    float sphereZOffset = 0.0f;
};

extern SphereState sphereState;

// One frame's turn and sway of the model: its angles, matrices and world points.
void turnSphere(Mesh& mesh, SphereState& state);
// The model's world points onto the screen, at the scene's centre and scale.
void projectSphere(Mesh& mesh);

// Draws when 14650 < time < 41701 or clockSphere; otherwise changes nothing.
// menuState -1 (the clock page) adds the grey-16 wireframe.
void drawSphereScene(Pixel* frame, Mesh& mesh, SphereState& state, std::int32_t time,
                     std::int32_t menuState, bool clockSphere);
