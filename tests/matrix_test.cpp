#include "render/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr float halfPi = std::numbers::pi_v<float> / 2;

MeshVertex point(float x, float y, float z)
{
    return MeshVertex{x, y, z};
}

void expectNear(const MeshVertex& p, float x, float y, float z)
{
    EXPECT_NEAR(p.x, x, 1e-6f);
    EXPECT_NEAR(p.y, y, 1e-6f);
    EXPECT_NEAR(p.z, z, 1e-6f);
}

MeshVertex rotated(float ax, float ay, float az, MeshVertex p)
{
    Matrix4 m;
    matIdentity(m);
    matRotateXYZ(m, ax, ay, az);
    MeshVertex out = point(0, 0, 0);
    transformPoint(m, p, out);
    return out;
}

TEST(Matrix, IdentityAndZeroRotationLeaveEveryValue)
{
    Matrix4 m;
    for (float& v : m.m) v = 7.0f;
    matIdentity(m);
    matRotateXYZ(m, 0, 0, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

TEST(Matrix, SingleAxisRotationsTurnTheRightWay)
{
    expectNear(rotated(0, 0, halfPi, point(1, 0, 0)), 0, 1, 0);
    expectNear(rotated(halfPi, 0, 0, point(0, 1, 0)), 0, 0, 1);
    expectNear(rotated(0, halfPi, 0, point(0, 0, 1)), 1, 0, 0);
}

TEST(Matrix, RotationAppliesYThenXThenZ)
{
    // X before Y would send the point to (0, 0, -1).
    expectNear(rotated(halfPi, halfPi, 0, point(1, 0, 0)), 0, 1, 0);
    // Z last: Y takes (0, 0, 1) to (1, 0, 0), Z to (0, 1, 0).
    expectNear(rotated(0, halfPi, halfPi, point(0, 0, 1)), 0, 1, 0);
}

TEST(Matrix, TranslationComesAfterWhatTheMatrixAlreadyDoesAndAccumulates)
{
    Matrix4 m;
    matIdentity(m);
    matRotateXYZ(m, 0.3f, 0.7f, 1.1f);
    matTranslate(m, 1, 2, 3);
    MeshVertex out = point(9, 9, 9);
    transformPoint(m, point(0, 0, 0), out);
    expectNear(out, 1, 2, 3);

    matTranslate(m, 10, 20, 30);
    transformPoint(m, point(0, 0, 0), out);
    expectNear(out, 11, 22, 33);

    // The rotation part is untouched by the translation.
    Matrix4 rotation;
    matIdentity(rotation);
    matRotateXYZ(rotation, 0.3f, 0.7f, 1.1f);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m.m[i], rotation.m[i]) << i;
}

TEST(Matrix, ProductAppliesTheLeftFactorFirst)
{
    Matrix4 a, b, ab;
    matIdentity(a);
    matRotateXYZ(a, 0.4f, -1.2f, 2.0f);
    matTranslate(a, 5, -6, 7);
    matIdentity(b);
    matRotateXYZ(b, 1.5f, 0.25f, -0.5f);
    matTranslate(b, -3, 2, 1);
    matMultiply(a, b, ab);

    const MeshVertex p = point(3, -4, 12);
    MeshVertex viaA = point(0, 0, 0), twice = point(0, 0, 0), once = point(0, 0, 0);
    transformPoint(a, p, viaA);
    transformPoint(b, viaA, twice);
    transformPoint(ab, p, once);
    EXPECT_NEAR(once.x, twice.x, 1e-4f);
    EXPECT_NEAR(once.y, twice.y, 1e-4f);
    EXPECT_NEAR(once.z, twice.z, 1e-4f);

    Matrix4 copy;
    matCopy(ab, copy);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(copy.m[i], ab.m[i]);
}

// Sums that cancel show the order: the translation row (or the z column) is added first.
TEST(Matrix, SumsRunInTheFixedOrder)
{
    const float big = 1073741824.0f;  // 2^30; products of 2^60 swallow a 1
    Matrix4 a, b, out;
    matIdentity(a);
    matIdentity(b);
    a.m[0] = big;
    a.m[1] = -big;
    a.m[3] = 1.0f;
    b.m[0] = big;
    b.m[4] = big;
    b.m[12] = 1.0f;
    matMultiply(a, b, out);
    EXPECT_EQ(out.m[0], 0.0f);  // 1 + 2^60 - 2^60, not 2^60 - 2^60 + 1

    Matrix4 m;
    matIdentity(m);
    m.m[0] = 1.0f;
    m.m[4] = -big;
    m.m[8] = big;
    MeshVertex out2 = point(0, 0, 0);
    transformPoint(m, point(1, big, big), out2);
    EXPECT_EQ(out2.x, 1.0f);  // 2^60 - 2^60 + 1, not 1 - 2^60 + 2^60
}

TEST(Matrix, LightDirectionIsTheUnitVectorBetweenThePoints)
{
    static Mesh mesh;
    setLightDirection(mesh, 0, -10, -10, 0, 0, 0);
    EXPECT_EQ(mesh.light.x, 0.0f);
    EXPECT_EQ(mesh.light.y, 0.70710677f);
    EXPECT_EQ(mesh.light.z, 0.70710677f);

    setLightDirection(mesh, 1, 2, 3, 4, 6, 3);
    EXPECT_FLOAT_EQ(mesh.light.x, 0.6f);
    EXPECT_FLOAT_EQ(mesh.light.y, 0.8f);
    EXPECT_EQ(mesh.light.z, 0.0f);

    setLightDirection(mesh, 5, 5, 5, 5, 5, 5);  // no direction: left as it was
    EXPECT_FLOAT_EQ(mesh.light.x, 0.6f);
    EXPECT_FALSE(std::isnan(mesh.light.z));
}

}  // namespace

// The batch gives each point exactly what the single transform gives it.
TEST(Matrix, TransformingManyPointsMatchesOneAtATime)
{
    std::srand(9);
    auto any = [] { return float(std::rand() % 20001 - 10000) / float(1 + std::rand() % 97); };
    for (int round = 0; round < 50; ++round) {
        Matrix4 m;
        for (float& entry : m.m) entry = any();
        std::vector<MeshVertex> in(37);
        for (MeshVertex& p : in) p = MeshVertex{any(), any(), any()};
        std::vector<MeshVertex> batch(in.size(), MeshVertex{0, 0, 0});
        transformPoints(m, in.data(), batch.data(), int(in.size()));
        for (std::size_t k = 0; k < in.size(); ++k) {
            MeshVertex one{0, 0, 0};
            transformPoint(m, in[k], one);
            EXPECT_EQ(std::memcmp(&one, &batch[k], sizeof one), 0) << "point " << k;
        }
    }
    // Sums that cancel on every axis, so a batch adding in another order gives other values.
    const float big = 1073741824.0f;
    Matrix4 m;
    matIdentity(m);
    for (int axis = 0; axis < 3; ++axis) {
        m.m[axis] = 1.0f;
        m.m[4 + axis] = -big;
        m.m[8 + axis] = big;
        m.m[12 + axis] = float(axis + 1);
    }
    const std::vector<MeshVertex> in = {point(1, big, big), point(3, -big, -big), point(big, 1, 1)};
    std::vector<MeshVertex> batch(in.size(), point(0, 0, 0));
    transformPoints(m, in.data(), batch.data(), int(in.size()));
    for (std::size_t k = 0; k < in.size(); ++k) {
        MeshVertex one = point(0, 0, 0);
        transformPoint(m, in[k], one);
        EXPECT_EQ(std::memcmp(&one, &batch[k], sizeof one), 0) << "cancelling point " << k;
    }
    EXPECT_EQ(batch[0].y, 3.0f);  // 2^60 - 2^60 + 1, then the translation 2
}
