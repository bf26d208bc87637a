#pragma once
// The loader of the 3D object's 3D Studio ASCII text.
#include <cstddef>
#include <cstdint>

#include "assets/resources.h"
#include "base/model.h"

// The show's model, zero-initialised static storage.
extern Mesh sceneMesh;

// The unsigned decimal number [first, last) (digits, a point, an exponent) as a float rounded to
// nearest, with the results of std::from_chars: false, value unchanged, when the text is not
// all number or the value does not fit (it overflows, or it has a non-zero digit and rounds to 0).
bool parseAscFloat(const char* first, const char* last, float& value);

// Parses the ASC text into mesh (which the caller has zeroed): vertices, faces, the first
// world copy, integer face normals scaled to 256, draw order and lighting switches.
void loadAsc(ResourceBytes source, Mesh& mesh);
