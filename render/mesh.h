#pragma once
// Painter's-algorithm mesh pipeline: depth keys and window, Hoare quicksort, projection,
// flat lighting, the clockwise front-face test and the fixed-point polygon filler.
#include "base/model.h"
#include "render/primitives.h"

void prepareFaces(Mesh& mesh);
void sortFaces(Mesh& mesh, int lo, int hi);
void projectMesh(Mesh& mesh, int cx, int cy, float scale);
Pixel faceColour(const Mesh& mesh, int face, bool fill);  // fill fields, or the wire fields
// The mesh's drawings mark the box of its drawn faces' corners.
void drawMeshFilled(Frame frame, Mesh& mesh, int fillMode);  // 0 solid spans, 1 blended
void drawMeshWire(Frame frame, Mesh& mesh);
// drawMeshFilled then drawMeshWire, with the faces' test and corners found once.
void drawMeshFilledAndWire(Frame frame, Mesh& mesh, int fillMode);
// prepareFaces, then drawMeshFilled (and with `wire` drawMeshWire), for a mesh whose world
// points are projected. The same picture, sooner: the sort goes only as far as the order of
// the faces drawn needs, so the rest of the order is left unfinished.
void prepareAndDrawMesh(Frame frame, Mesh& mesh, int fillMode, bool wire);
// A triangle's rows, 0 solid or 1 blended, marked by its corners' box: the pixels the plain
// quad filler draws for (a, b, b, c).
void fillTriangle(Frame frame, int x1, int y1, int x2, int y2, int x3, int y3, Pixel colour, int fillMode);
