#pragma once
// The show's 3D model: a faceted globe with a raised equatorial band, as 3D Studio ASCII text.
#include <string>
#include <vector>

struct ModelVertex {
    float x, y, z;
};
struct ModelFace {
    int a, b, c;
};
struct Model {
    std::vector<ModelVertex> vertices;
    std::vector<ModelFace> faces;
};

// Faces are wound so that (B - A) x (C - B) points away from the centre: with screen y
// growing with model y and the eye on +z, the outward faces run clockwise on screen.
Model buildGlobe();
// CR LF lines, page-break blocks every 60 lines, coordinates with six decimals.
std::string ascText(const Model& model, const char* name);
