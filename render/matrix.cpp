#include "render/matrix.h"

#include <cmath>

#include "render/primitives.h"

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

void turnPointsPlain(const double* matrix, const MeshVertex* in, MeshVertex* out, int count)
{
    WideMatrix w;
    for (int k = 0; k < 16; ++k) w.v[k] = matrix[k];
    for (int k = 0; k < count; ++k) transformWith(w, in[k], out[k]);
}

#ifdef INVITE_WIDE_KERNELS
// transformWith for a point's three axes at once in 256-bit vectors of doubles: each lane
// multiplies and adds in the same order as the one-axis sums.
__attribute__((target("avx2"))) void turnPointsWide(const double* matrix, const MeshVertex* in, MeshVertex* out,
                                                    int count)
{
    WideMatrix w;
    for (int k = 0; k < 16; ++k) w.v[k] = matrix[k];
    const __m256d column0 = _mm256_setr_pd(w.v[0], w.v[1], w.v[2], 0.0);
    const __m256d column1 = _mm256_setr_pd(w.v[4], w.v[5], w.v[6], 0.0);
    const __m256d column2 = _mm256_setr_pd(w.v[8], w.v[9], w.v[10], 0.0);
    const __m256d shift = _mm256_setr_pd(w.v[12], w.v[13], w.v[14], 0.0);
    for (int k = 0; k < count; ++k) {
        const __m256d x = _mm256_set1_pd(in[k].x);
        const __m256d y = _mm256_set1_pd(in[k].y);
        const __m256d z = _mm256_set1_pd(in[k].z);
        const __m256d sum = _mm256_add_pd(
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(column2, z), _mm256_mul_pd(column1, y)), _mm256_mul_pd(column0, x)),
            shift);
        const __m128 axes = _mm256_cvtpd_ps(sum);
        _mm_storel_pi(reinterpret_cast<__m64*>(&out[k].x), axes);
        _mm_store_ss(&out[k].z, _mm_movehl_ps(axes, axes));
    }
}
#endif

void transformPoints(const Matrix4& m, const MeshVertex* in, MeshVertex* out, int count)
{
    kernels.turnPoints(widen(m).v, in, out, count);
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
