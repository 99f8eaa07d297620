// The media layer's maths: 4x4 float matrices and three-float vectors in the
// device's layout, the camera, projection and viewport builders, and the
// rectangle clip every drawing path uses.
#pragma once

#include <cstdint>

// Sixteen floats row by row (m[0][0] is m11). Row vectors multiply from the
// left (v' = v x M), the translation stands in the fourth row, coordinates are
// left-handed; the layout goes to the device's transform calls unchanged.
struct MATRIX44 {
    float m[4][4];
};

struct VECTOR3F {
    float x, y, z;
};

// Left, top, right, bottom; right and bottom are exclusive, so a rectangle is
// empty when right equals left or bottom equals top.
struct RECT {
    std::int32_t left, top, right, bottom;
};

// Every builder writes all sixteen elements of its output. Routines that read a
// matrix or vector copy it before writing, so the output may be an input.

int BuildIdentityMatrix(MATRIX44* out);
// out = a x b; the product is dropped when out is null. 0.
int MultiplyMatrix(MATRIX44* out, const MATRIX44* a, const MATRIX44* b);
int TransposeMatrix(MATRIX44* out, const MATRIX44* in);
// 0, or -1 with out untouched when |determinant| < 0.0000001.
int InvertMatrix(MATRIX44* out, const MATRIX44* in);
// Left-handed perspective projection; fov is the vertical field of view in
// radians and aspect is height over width (a negative aspect takes the
// screen's). -1, out untouched, when |far - near| or |sin(fov / 2)| is below
// 0.0001.
int BuildPerspectiveMatrix(MATRIX44* out, float fov, float z_near, float z_far, float aspect);
// Left-handed orthographic projection of a view volume size high; aspect as
// above. -1, out untouched, when |far - near| is below 0.0001.
int BuildOrthoMatrix(MATRIX44* out, float size, float z_near, float z_far, float aspect);
int BuildViewportMatrix(MATRIX44* out, float centre_x, float centre_y, float width, float height);
// Left-handed view matrix of a camera at eye looking at target. 0.
int BuildLookAtMatrix(MATRIX44* out, const VECTOR3F* eye, const VECTOR3F* target, const VECTOR3F* up);

// out = in / length(in); a zero vector gives non-finite components. 0.
int NormalizeVector(VECTOR3F* out, const VECTOR3F* in);
// out = (x, y, z) / length; returns out.
VECTOR3F* MakeUnitVector(VECTOR3F* out, float x, float y, float z);
float DotVector(const VECTOR3F* a, const VECTOR3F* b);
// out = (in, 1) x matrix, first three columns, without the division by w. 0.
int TransformVector(VECTOR3F* out, const VECTOR3F* in, const MATRIX44* matrix);

// Clamps every edge of rect into clip; an inverted rectangle first collapses to
// zero width or height (its corners are not swapped), and one wholly outside
// ends empty on the nearest clip edge. 0.
int ClipRectToRect(RECT* rect, const RECT* clip);

namespace media::core {

struct screen_size {
    int width, height;
};

// The screen size a negative aspect is taken from: 640 by 480 until the
// graphics layer sets a screen mode.
screen_size projection_screen_size();
void set_projection_screen_size(int width, int height);

}  // namespace media::core
