#pragma once
// The one 3D object record: what the model loader fills and the mesh pipeline turns, sorts
// and draws.
#include <cstdint>

constexpr int meshCapacity = 4096;

struct MeshVertex {
    float x, y, z;
};

struct MeshFace {
    std::uint16_t a, b, c;
    std::uint8_t visible;  // written each frame by the face preparation
};

struct Matrix4 {
    float m[16];  // row-major, row-vector convention, translation in 12..14
};

struct Mesh {
    char name[20];
    std::int32_t vertexCount;
    std::int32_t faceCount;
    std::int32_t depthKeys[meshCapacity];
    std::int32_t drawOrder[meshCapacity];
    MeshVertex vertices[meshCapacity];
    MeshVertex worldVertices[meshCapacity];
    MeshVertex screenPoints[meshCapacity];
    MeshFace faces[meshCapacity];
    MeshVertex angles;
    MeshVertex light;
    MeshVertex faceNormals[meshCapacity];
    MeshVertex worldNormals[meshCapacity];
    Matrix4 objectMatrix;
    Matrix4 normalMatrix;
    std::int32_t wireRed, wireGreen, wireBlue;
    std::int32_t wireLit;
    std::int32_t fillRed, fillGreen, fillBlue;
    std::int32_t fillLit;
};
