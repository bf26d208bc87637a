#pragma once
// The drawing steps that have a form for 256-bit vectors, in one table chosen when the program
// starts: the wide forms where the processor has 256-bit integer vectors, the plain forms
// everywhere else. Every caller draws through the table and none asks the processor.
//
// The wide forms are compiled only for x86-64 with GCC or Clang, and not at all in a build
// made with INVITE_PLAIN_CODE defined: that build runs the plain code alone, as the browser
// does, so the native tests check the browser's code pixel for pixel.
#include <cstdint>

#include "base/model.h"
#include "base/pixel.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(INVITE_PLAIN_CODE)
#define INVITE_WIDE_KERNELS 1
#endif

struct RowExtent;

struct DrawingKernels {
    // The blended rows of a triangle whose corners are already truncated (face_fill.cpp).
    void (*blendedTriangle)(Pixel* frame, int ax, int ay, int bx, int by, int cx, int cy, Pixel colour);
    // prepareFaceKeys: every face's depth key, draw order and depth window (face_keys.cpp).
    void (*faceKeys)(Mesh& mesh);
    // addNonZeroPixels (primitives.cpp).
    RowExtent (*addNonZero)(Pixel* target, const Pixel* source, int count);
    // transformPoints with the matrix's sixteen entries widened to double (matrix.cpp).
    void (*turnPoints)(const double* matrix, const MeshVertex* in, MeshVertex* out, int count);
    // The depth sort of a mesh's keys[lo..hi] and their places in the order, carried only as
    // far as the `drawn` faces marked in the order need (face_sort.cpp).
    void (*drawnSort)(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn);
    // A line whose ends pass the clip test added onto the frame, unmarked (primitives.cpp).
    void (*insideLineAdd)(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour);
    // pixelsTowardWhite (primitives.cpp).
    void (*towardWhite)(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths);
};

// The table in use.
extern DrawingKernels kernels;

// Tests: false puts the plain forms in the table even where the wide ones run, so both can be
// checked on one machine; true the best forms again. Returns whether the wide forms are in.
bool useWideKernels(bool wanted);

// Each step's two forms, named for the table.
void blendedTrianglePlain(Pixel* frame, int ax, int ay, int bx, int by, int cx, int cy, Pixel colour);
void faceKeysPlain(Mesh& mesh);
RowExtent addNonZeroPlain(Pixel* target, const Pixel* source, int count);
void turnPointsPlain(const double* matrix, const MeshVertex* in, MeshVertex* out, int count);
void drawnSortPlain(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn);
void insideLineAddPlain(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour);
void towardWhitePlain(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths);
#ifdef INVITE_WIDE_KERNELS
void blendedTriangleWide(Pixel* frame, int ax, int ay, int bx, int by, int cx, int cy, Pixel colour);
void faceKeysWide(Mesh& mesh);
RowExtent addNonZeroWide(Pixel* target, const Pixel* source, int count);
void turnPointsWide(const double* matrix, const MeshVertex* in, MeshVertex* out, int count);
void drawnSortWide(std::int32_t* keys, std::int32_t* order, int lo, int hi, int drawn);
void insideLineAddWide(Pixel* frame, int x1, int y1, int x2, int y2, Pixel colour);
void towardWhiteWide(Pixel* target, Pixel* copy, const Pixel* source, int count, int eighths);
#endif
