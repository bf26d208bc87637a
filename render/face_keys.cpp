// The face keys: each face's depth key (the sum of its corners' depths) and whether all its
// corners lie inside the depth window, eight faces at a time where the processor can.
#include "render/mesh_steps.h"

namespace {

constexpr float nearDepth = 312.0f;
constexpr float farDepth = -512.0f;

int truncateKey(double value)
{
    if (!(value > -2147483520.0)) return -2147483520;
    if (value > 2147483520.0) return 2147483520;
    return int(value);
}

bool insideDepthWindow(float z)
{
    return z > farDepth && z < nearDepth;
}

#ifdef INVITE_WIDE_KERNELS
static_assert(sizeof(MeshFace) == 8, "eight faces are read as two 256-bit vectors");

// The three corner numbers of eight faces as eight 32-bit lanes each.
struct EightCorners {
    __m256i a, b, c;
};

__attribute__((target("avx2"))) inline EightCorners eightCorners(const MeshFace* faces)
{
    // Each face is a 64-bit lane: a and b in its low half, c in its high half.
    const __m256i halves = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i first = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(faces)), halves);
    const __m256i second = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(faces + 4)), halves);
    const __m256i low = _mm256_permute2x128_si256(first, second, 0x20);
    const __m256i high = _mm256_permute2x128_si256(first, second, 0x31);
    const __m256i word = _mm256_set1_epi32(0xFFFF);
    return {_mm256_and_si256(low, word), _mm256_srli_epi32(low, 16), _mm256_and_si256(high, word)};
}

// One coordinate of eight vertices, `axis` floats into each vertex.
__attribute__((target("avx2"))) inline __m256 eightOf(const MeshVertex* vertices, __m256i index, int axis)
{
    const __m256i floats = _mm256_add_epi32(_mm256_slli_epi32(index, 1), index);  // three per vertex
    return _mm256_i32gather_ps(&vertices[0].x + axis, floats, 4);
}

// truncateKey of four sums: NaN and anything below the low bound take it (the max keeps its
// second operand when either is NaN), anything above the high bound takes that.
__attribute__((target("avx2"))) inline __m128i fourKeys(__m256d sum)
{
    const __m256d pinned = _mm256_min_pd(_mm256_max_pd(sum, _mm256_set1_pd(-2147483520.0)), _mm256_set1_pd(2147483520.0));
    return _mm256_cvttpd_epi32(pinned);
}

// z of four vertices from eight, the low four or the high four, widened.
__attribute__((target("avx2"))) inline __m256d lowFour(__m256 z)
{
    return _mm256_cvtps_pd(_mm256_castps256_ps128(z));
}

__attribute__((target("avx2"))) inline __m256d highFour(__m256 z)
{
    return _mm256_cvtps_pd(_mm256_extractf128_ps(z, 1));
}

// Within the depth window, as insideDepthWindow: NaN is not.
__attribute__((target("avx2"))) inline __m256 insideWindow(__m256 z)
{
    return _mm256_and_ps(_mm256_cmp_ps(z, _mm256_set1_ps(farDepth), _CMP_GT_OQ),
                         _mm256_cmp_ps(z, _mm256_set1_ps(nearDepth), _CMP_LT_OQ));
}

// The face preparation eight faces at a time, each sum added in the same order; returns how
// many faces it did.
__attribute__((target("avx2"))) int prepareEightsWide(Mesh& mesh)
{
    const MeshVertex* world = mesh.worldVertices;
    __m256i number = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int f = 0;
    for (; f + 8 <= mesh.faceCount; f += 8) {
        const EightCorners corners = eightCorners(mesh.faces + f);
        const __m256 za = eightOf(world, corners.a, 2);
        const __m256 zb = eightOf(world, corners.b, 2);
        const __m256 zc = eightOf(world, corners.c, 2);
        const __m256d lowSum = _mm256_add_pd(_mm256_add_pd(lowFour(zc), lowFour(zb)), lowFour(za));
        const __m256d highSum = _mm256_add_pd(_mm256_add_pd(highFour(zc), highFour(zb)), highFour(za));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mesh.depthKeys + f), fourKeys(lowSum));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mesh.depthKeys + f + 4), fourKeys(highSum));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mesh.drawOrder + f), number);
        number = _mm256_add_epi32(number, _mm256_set1_epi32(8));
        const int visible = _mm256_movemask_ps(_mm256_and_ps(insideWindow(za), _mm256_and_ps(insideWindow(zb), insideWindow(zc))));
        for (int k = 0; k < 8; ++k) mesh.faces[f + k].visible = std::uint8_t(visible >> k & 1);
    }
    return f;
}
#endif

// The faces from `first` on, one at a time.
void faceKeysFrom(Mesh& mesh, int first)
{
    // Held in locals: the byte written for each face could be any of the mesh's fields as
    // far as the compiler knows.
    const int count = mesh.faceCount;
    const MeshVertex* world = mesh.worldVertices;
    MeshFace* faces = mesh.faces;
    std::int32_t* keys = mesh.depthKeys;
    std::int32_t* order = mesh.drawOrder;
    for (int f = first; f < count; ++f) {
        const MeshFace face = faces[f];
        const float za = world[face.a].z;
        const float zb = world[face.b].z;
        const float zc = world[face.c].z;
        order[f] = f;
        keys[f] = truncateKey(double(zc) + zb + za);
        faces[f].visible = std::uint8_t(insideDepthWindow(za) & insideDepthWindow(zb) & insideDepthWindow(zc));
    }
}

}  // namespace

void faceKeysPlain(Mesh& mesh)
{
    faceKeysFrom(mesh, 0);
}

#ifdef INVITE_WIDE_KERNELS
void faceKeysWide(Mesh& mesh)
{
    faceKeysFrom(mesh, prepareEightsWide(mesh));
}
#endif

void prepareFaceKeys(Mesh& mesh)
{
    kernels.faceKeys(mesh);
}
