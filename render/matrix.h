#pragma once
// 4x4 float matrices in the row-vector convention: a point is the row [x y z 1] on the left,
// and a product A x B applies A first.
#include "base/model.h"

void matIdentity(Matrix4& m);
void matMultiply(const Matrix4& a, const Matrix4& b, Matrix4& out);  // out must be neither
void matCopy(const Matrix4& src, Matrix4& dst);
void transformPoint(const Matrix4& m, const MeshVertex& in, MeshVertex& out);  // x, y, z only
// transformPoint for each of count points.
void transformPoints(const Matrix4& m, const MeshVertex* in, MeshVertex* out, int count);
void matTranslate(Matrix4& m, float tx, float ty, float tz);            // m = m x T
void matRotateXYZ(Matrix4& m, float ax, float ay, float az);            // m = m x Ry x Rx x Rz
void setLightDirection(Mesh& mesh, int x1, int y1, int z1, int x2, int y2, int z2);
