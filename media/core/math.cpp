// Matrix and vector routines, the projection builders and the rectangle clip.
#include "media/core/math.hpp"

#include "media/core/internal.hpp"

#include <cmath>

namespace {

const MATRIX44 identity = {{
    {1.0f, 0.0f, 0.0f, 0.0f},
    {0.0f, 1.0f, 0.0f, 0.0f},
    {0.0f, 0.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
}};

// Matrices smaller than this in determinant count as singular.
constexpr float singular_determinant = 0.0000001f;
// Projection planes or angles closer than this give no usable projection.
constexpr float degenerate_projection = 0.0001f;

// A negative aspect stands for the screen's height over its width.
float resolve_aspect(float aspect)
{
    if (!(aspect < 0.0f)) return aspect;
    const media::core::screen_size screen = media::core::projection_screen_size();
    return static_cast<float>(screen.height) / static_cast<float>(screen.width);
}

// Determinant of the 3x3 minor left by striking one row and one column; the
// products of three elements are formed in double precision.
double minor_determinant(const MATRIX44& m, int row, int column)
{
    int r[3], c[3];
    for (int i = 0, n = 0; i < 4; ++i)
        if (i != row) r[n++] = i;
    for (int j = 0, n = 0; j < 4; ++j)
        if (j != column) c[n++] = j;
    auto e = [&](int i, int j) { return static_cast<double>(m.m[r[i]][c[j]]); };
    return e(0, 0) * e(1, 1) * e(2, 2) + e(0, 1) * e(1, 2) * e(2, 0) + e(0, 2) * e(1, 0) * e(2, 1) -
           e(0, 2) * e(1, 1) * e(2, 0) - e(0, 0) * e(1, 2) * e(2, 1) - e(0, 1) * e(1, 0) * e(2, 2);
}

VECTOR3F subtract(const VECTOR3F& a, const VECTOR3F& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

VECTOR3F cross(const VECTOR3F& a, const VECTOR3F& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Clamps one edge into [low, high] the way the clip does: the high test first.
void clamp_edge(std::int32_t& edge, std::int32_t low, std::int32_t high)
{
    if (edge > high)
        edge = high;
    else if (edge < low)
        edge = low;
}

}  // namespace

int BuildIdentityMatrix(MATRIX44* out)
{
    *out = identity;
    return 0;
}

int MultiplyMatrix(MATRIX44* out, const MATRIX44* a, const MATRIX44* b)
{
    MATRIX44 product;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            product.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                              a->m[i][3] * b->m[3][j];
    if (out != nullptr) *out = product;
    return 0;
}

int TransposeMatrix(MATRIX44* out, const MATRIX44* in)
{
    const MATRIX44 source = *in;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out->m[i][j] = source.m[j][i];
    return 0;
}

int InvertMatrix(MATRIX44* out, const MATRIX44* in)
{
    const MATRIX44 source = *in;
    double cofactor[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double minor = minor_determinant(source, i, j);
            cofactor[i][j] = (i + j) % 2 == 0 ? minor : -minor;
        }
    const float determinant =
        static_cast<float>(source.m[0][0] * cofactor[0][0] + source.m[0][1] * cofactor[0][1] +
                           source.m[0][2] * cofactor[0][2] + source.m[0][3] * cofactor[0][3]);
    if (determinant > -singular_determinant && determinant < singular_determinant) return -1;
    // the inverse is the adjugate (the transposed cofactors) over the determinant
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out->m[i][j] = static_cast<float>(cofactor[j][i] / determinant);
    return 0;
}

int BuildPerspectiveMatrix(MATRIX44* out, float fov, float z_near, float z_far, float aspect)
{
    aspect = resolve_aspect(aspect);
    const float s = std::sin(fov / 2.0f);
    const float c = std::cos(fov / 2.0f);
    if (std::fabs(z_far - z_near) < degenerate_projection || std::fabs(s) < degenerate_projection) return -1;
    const float cot = c / s;
    *out = MATRIX44{};
    out->m[0][0] = aspect * cot;
    out->m[1][1] = cot;
    out->m[2][2] = z_far / (z_far - z_near);
    out->m[2][3] = 1.0f;
    out->m[3][2] = -z_near * z_far / (z_far - z_near);
    return 0;
}

int BuildOrthoMatrix(MATRIX44* out, float size, float z_near, float z_far, float aspect)
{
    aspect = resolve_aspect(aspect);
    if (std::fabs(z_near - z_far) < degenerate_projection) return -1;
    const float width = size / aspect;
    *out = MATRIX44{};
    out->m[0][0] = 2.0f / width;
    out->m[1][1] = 2.0f / size;
    out->m[2][2] = 1.0f / (z_far - z_near);
    out->m[3][2] = z_near / (z_near - z_far);
    out->m[3][3] = 1.0f;
    return 0;
}

int BuildViewportMatrix(MATRIX44* out, float centre_x, float centre_y, float width, float height)
{
    *out = MATRIX44{};
    out->m[0][0] = width * 0.5f;
    out->m[1][1] = -(height * 0.5f);
    out->m[2][2] = 1.0f;
    out->m[3][0] = centre_x;
    out->m[3][1] = centre_y;
    out->m[3][3] = 1.0f;
    return 0;
}

int BuildLookAtMatrix(MATRIX44* out, const VECTOR3F* eye, const VECTOR3F* target, const VECTOR3F* up)
{
    const VECTOR3F from = *eye;
    VECTOR3F z = subtract(*target, from);
    VECTOR3F x = cross(*up, z);
    VECTOR3F y = cross(z, x);
    NormalizeVector(&x, &x);
    NormalizeVector(&y, &y);
    NormalizeVector(&z, &z);
    *out = MATRIX44{{
        {x.x, y.x, z.x, 0.0f},
        {x.y, y.y, z.y, 0.0f},
        {x.z, y.z, z.z, 0.0f},
        {-DotVector(&x, &from), -DotVector(&y, &from), -DotVector(&z, &from), 1.0f},
    }};
    return 0;
}

int NormalizeVector(VECTOR3F* out, const VECTOR3F* in)
{
    const float squared = in->x * in->x + in->y * in->y + in->z * in->z;
    const float length = std::sqrt(squared);
    out->x = in->x / length;
    out->y = in->y / length;
    out->z = in->z / length;
    return 0;
}

VECTOR3F* MakeUnitVector(VECTOR3F* out, float x, float y, float z)
{
    const VECTOR3F in = {x, y, z};
    NormalizeVector(out, &in);
    return out;
}

float DotVector(const VECTOR3F* a, const VECTOR3F* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

int TransformVector(VECTOR3F* out, const VECTOR3F* in, const MATRIX44* matrix)
{
    const VECTOR3F v = *in;
    const auto& m = matrix->m;
    out->x = v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0] + m[3][0];
    out->y = v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1] + m[3][1];
    out->z = v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2] + m[3][2];
    return 0;
}

int ClipRectToRect(RECT* rect, const RECT* clip)
{
    if (rect->right < rect->left) rect->right = rect->left;
    if (rect->bottom < rect->top) rect->bottom = rect->top;
    clamp_edge(rect->bottom, clip->top, clip->bottom);
    clamp_edge(rect->top, clip->top, clip->bottom);
    clamp_edge(rect->right, clip->left, clip->right);
    clamp_edge(rect->left, clip->left, clip->right);
    return 0;
}

namespace media::core {

screen_size projection_screen_size() { return {projection.screen_width, projection.screen_height}; }

void set_projection_screen_size(int width, int height)
{
    projection.screen_width = width;
    projection.screen_height = height;
}

}  // namespace media::core
