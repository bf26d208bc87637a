#include "tools/assetgen/model.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Rings = 18;     // latitude steps from pole to pole
constexpr int Segments = 24;  // longitude steps
constexpr double Radius = 105.0;

// The band around the equator stands out; every other segment of it rises further, so
// the turning model shows a notched crown rather than a smooth ball.
double radiusAt(int ring, int segment)
{
    int fromEquator = std::abs(ring - Rings / 2);
    if (fromEquator == 0) return Radius * (segment % 2 ? 1.16 : 1.10);
    if (fromEquator == 1) return Radius * 1.07;
    return Radius;
}

void addFace(Model& model, int a, int b, int c) { model.faces.push_back({a, b, c}); }

}  // namespace

Model buildGlobe()
{
    Model model;
    // y runs from the top pole (-R) to the bottom pole (+R).
    model.vertices.push_back({0.0f, float(-Radius), 0.0f});
    for (int ring = 1; ring < Rings; ++ring) {
        double lat = Pi * ring / Rings;
        for (int s = 0; s < Segments; ++s) {
            double lon = 2 * Pi * s / Segments;
            double r = radiusAt(ring, s);
            model.vertices.push_back({float(r * std::sin(lat) * std::cos(lon)),
                                      float(-r * std::cos(lat)),
                                      float(r * std::sin(lat) * std::sin(lon))});
        }
    }
    model.vertices.push_back({0.0f, float(Radius), 0.0f});
    const int bottom = int(model.vertices.size()) - 1;
    auto at = [](int ring, int s) { return 1 + (ring - 1) * Segments + (s % Segments); };

    // The winding below is the one whose (B - A) x (C - B) points outward; the unit tests
    // of the generated file check every face against the centre.
    for (int s = 0; s < Segments; ++s) addFace(model, 0, at(1, s), at(1, s + 1));
    for (int ring = 1; ring < Rings - 1; ++ring)
        for (int s = 0; s < Segments; ++s) {
            addFace(model, at(ring, s), at(ring + 1, s), at(ring + 1, s + 1));
            addFace(model, at(ring, s), at(ring + 1, s + 1), at(ring, s + 1));
        }
    for (int s = 0; s < Segments; ++s) addFace(model, at(Rings - 1, s), bottom, at(Rings - 1, s + 1));
    return model;
}

std::string ascText(const Model& model, const char* name)
{
    std::string text;
    int lines = 0;
    int page = 1;
    char buffer[160];
    auto line = [&](const char* content) {
        text += content;
        text += "\r\n";
        if (++lines % 60 == 0) {
            std::snprintf(buffer, sizeof buffer, "\r\n%54sPage %d\r\n\r\n", "", ++page);
            text += buffer;
        }
    };
    line("Ambient light color: Red=0.3 Green=0.3 Blue=0.3");
    line("");
    std::snprintf(buffer, sizeof buffer, "Named object: \"%s\"", name);
    line(buffer);
    std::snprintf(buffer, sizeof buffer, "Tri-mesh, Vertices: %zu     Faces: %zu",
                  model.vertices.size(), model.faces.size());
    line(buffer);
    line("Vertex list:");
    for (std::size_t k = 0; k < model.vertices.size(); ++k) {
        const ModelVertex& v = model.vertices[k];
        std::snprintf(buffer, sizeof buffer, "Vertex %zu:  X:%.6f     Y:%.6f     Z:%.6f", k,
                      double(v.x), double(v.y), double(v.z));
        line(buffer);
    }
    line("Face list:");
    for (std::size_t k = 0; k < model.faces.size(); ++k) {
        const ModelFace& f = model.faces[k];
        std::snprintf(buffer, sizeof buffer, "Face %zu:    A:%d B:%d C:%d AB:1 BC:1 CA:1", k, f.a,
                      f.b, f.c);
        line(buffer);
        if (k % 2 == 1) line("Smoothing:  1 ");
    }
    line("");
    return text;
}
