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

// Draws when 14650 < time < 41701 or clockSphere; otherwise changes nothing.
// menuState -1 (the clock page) adds the grey-16 wireframe.
void drawSphereScene(Pixel* frame, Mesh& mesh, SphereState& state, std::int32_t time,
                     std::int32_t menuState, bool clockSphere);
