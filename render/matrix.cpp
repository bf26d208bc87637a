#include "render/matrix.h"

#include <cmath>

namespace {

// Intermediate products of the translation and rotation, so a matrix can be updated in place.
struct MatrixScratch {
    Matrix4 first;
    Matrix4 second;
    Matrix4 factor;
};

MatrixScratch scratch;

}  // namespace

void matIdentity(Matrix4& m)
{
    for (float& value : m.m) value = 0.0f;
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
}

// The translation row is summed first; equal products in another order can round differently.
void matMultiply(const Matrix4& a, const Matrix4& b, Matrix4& out)
{
    for (int i = 0; i < 4; ++i) {
        const float* row = a.m + i * 4;
        for (int j = 0; j < 4; ++j) {
            const double sum = double(row[3]) * b.m[12 + j] + double(row[0]) * b.m[j] +
                               double(row[1]) * b.m[4 + j] + double(row[2]) * b.m[8 + j];
            out.m[i * 4 + j] = float(sum);
        }
    }
}

void matCopy(const Matrix4& src, Matrix4& dst)
{
    for (int i = 0; i < 16; ++i) dst.m[i] = src.m[i];
}

namespace {

// A matrix's entries widened to double once, held apart from the points being written.
struct WideMatrix {
    double v[16];
};

WideMatrix widen(const Matrix4& m)
{
    WideMatrix w;
    for (int k = 0; k < 16; ++k) w.v[k] = m.m[k];
    return w;
}

void transformWith(const WideMatrix& w, const MeshVertex& in, MeshVertex& out)
{
    const double x = in.x;
    const double y = in.y;
    const double z = in.z;
    const double* v = w.v;
    const float ox = float(v[8] * z + v[4] * y + v[0] * x + v[12]);
    const float oy = float(v[9] * z + v[5] * y + v[1] * x + v[13]);
    const float oz = float(v[10] * z + v[6] * y + v[2] * x + v[14]);
    out.x = ox;
    out.y = oy;
    out.z = oz;
}

}  // namespace

void transformPoint(const Matrix4& m, const MeshVertex& in, MeshVertex& out)
{
    transformWith(widen(m), in, out);
}

void transformPoints(const Matrix4& m, const MeshVertex* in, MeshVertex* out, int count)
{
    const WideMatrix w = widen(m);
    for (int k = 0; k < count; ++k) transformWith(w, in[k], out[k]);
}

void matTranslate(Matrix4& m, float tx, float ty, float tz)
{
    matIdentity(scratch.factor);
    scratch.factor.m[12] = tx;
    scratch.factor.m[13] = ty;
    scratch.factor.m[14] = tz;
    matMultiply(m, scratch.factor, scratch.first);
    matCopy(scratch.first, m);
}

void matRotateXYZ(Matrix4& m, float ax, float ay, float az)
{
    Matrix4& factor = scratch.factor;

    matIdentity(factor);
    factor.m[0] = float(std::cos(double(ay)));
    factor.m[2] = float(-std::sin(double(ay)));
    factor.m[8] = float(std::sin(double(ay)));
    factor.m[10] = float(std::cos(double(ay)));
    matMultiply(m, factor, scratch.first);

    matIdentity(factor);
    factor.m[5] = float(std::cos(double(ax)));
    factor.m[6] = float(std::sin(double(ax)));
    factor.m[9] = float(-std::sin(double(ax)));
    factor.m[10] = float(std::cos(double(ax)));
    matMultiply(scratch.first, factor, scratch.second);

    matIdentity(factor);
    factor.m[0] = float(std::cos(double(az)));
    factor.m[1] = float(std::sin(double(az)));
    factor.m[4] = float(-std::sin(double(az)));
    factor.m[5] = float(std::cos(double(az)));
    matMultiply(scratch.second, factor, m);
}

// Two equal points have no direction; the light is then left as it was.
void setLightDirection(Mesh& mesh, int x1, int y1, int z1, int x2, int y2, int z2)
{
    const long long dx = (long long)x2 - x1;
    const long long dy = (long long)y2 - y1;
    const long long dz = (long long)z2 - z1;
    const long long s = dz * dz + dy * dy + dx * dx;
    if (s == 0) return;
    const double len = std::sqrt(double(s));
    mesh.light.x = float(double(dx) / len);
    mesh.light.y = float(double(dy) / len);
    mesh.light.z = float(double(dz) / len);
}
