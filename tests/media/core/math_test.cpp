#include "media/core/internal.hpp"
#include "media/core/math.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr float pi = 3.14159265358979f;

class Maths : public ::testing::Test {
protected:
    void SetUp() override { media::core::reset_state(); }
    void TearDown() override { media::core::reset_state(); }
};

MATRIX44 filled(float value)
{
    MATRIX44 m;
    for (auto& row : m.m)
        for (float& e : row) e = value;
    return m;
}

MATRIX44 diagonal(float a, float b, float c, float d)
{
    return MATRIX44{{{a, 0, 0, 0}, {0, b, 0, 0}, {0, 0, c, 0}, {0, 0, 0, d}}};
}

// Every element equal within a few units in the last place.
void expect_matrix(const MATRIX44& actual, const MATRIX44& expected)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(actual.m[i][j], expected.m[i][j]) << "m" << i + 1 << j + 1;
}

// Bit for bit the same.
void expect_same(const MATRIX44& actual, const MATRIX44& expected)
{
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof(MATRIX44)), 0);
}

TEST_F(Maths, ClipsEveryEdgeWithoutSwappingCorners)
{
    const struct {
        RECT rect, clip, expected;
    } cases[] = {
        {{50, 60, 10, 20}, {0, 0, 100, 100}, {50, 60, 50, 60}},  // inverted: collapses, not swapped
        {{-20, -20, -10, -10}, {0, 0, 100, 100}, {0, 0, 0, 0}},
        {{150, 10, 200, 20}, {0, 0, 100, 100}, {100, 10, 100, 20}},
        {{10, 10, 20, 20}, {0, 0, 100, 100}, {10, 10, 20, 20}},
        {{-5, -5, 50, 50}, {0, 0, 100, 100}, {0, 0, 50, 50}},
        {{90, 95, 120, 130}, {0, 0, 100, 100}, {90, 95, 100, 100}},
        {{10, 150, 20, 200}, {0, 0, 100, 100}, {10, 100, 20, 100}},
        {{150, 60, 120, 20}, {0, 0, 100, 100}, {100, 60, 100, 60}},
        {{0, 0, 5, 5}, {10, 20, 110, 220}, {10, 20, 10, 20}},
        {{-1000, -1000, 1000, 1000}, {10, 20, 110, 220}, {10, 20, 110, 220}},
    };
    for (const auto& c : cases) {
        RECT rect = c.rect;
        EXPECT_EQ(ClipRectToRect(&rect, &c.clip), 0);
        EXPECT_EQ(rect.left, c.expected.left) << c.rect.left << "," << c.rect.top << "," << c.rect.right << ","
                                              << c.rect.bottom;
        EXPECT_EQ(rect.top, c.expected.top);
        EXPECT_EQ(rect.right, c.expected.right);
        EXPECT_EQ(rect.bottom, c.expected.bottom);
    }
}

TEST_F(Maths, IdentityViewportAndTransform)
{
    MATRIX44 m = filled(7.0f);
    BuildIdentityMatrix(&m);
    expect_matrix(m, diagonal(1, 1, 1, 1));

    ASSERT_EQ(BuildViewportMatrix(&m, 320, 240, 640, 480), 0);
    expect_matrix(m, MATRIX44{{{320, 0, 0, 0}, {0, -240, 0, 0}, {0, 0, 1, 0}, {320, 240, 0, 1}}});
    // device space corners land on the screen's corners
    VECTOR3F v = {-1, 1, 0};
    TransformVector(&v, &v, &m);
    EXPECT_FLOAT_EQ(v.x, 0);
    EXPECT_FLOAT_EQ(v.y, 0);
    v = {1, -1, 0.5f};
    TransformVector(&v, &v, &m);
    EXPECT_FLOAT_EQ(v.x, 640);
    EXPECT_FLOAT_EQ(v.y, 480);
    EXPECT_FLOAT_EQ(v.z, 0.5f);

    // the fourth column (w) takes no part
    MATRIX44 w = diagonal(2, 3, 4, 9);
    w.m[0][3] = w.m[1][3] = w.m[2][3] = 5;
    w.m[3][0] = 1;
    v = {1, 1, 1};
    TransformVector(&v, &v, &w);
    EXPECT_FLOAT_EQ(v.x, 3);
    EXPECT_FLOAT_EQ(v.y, 3);
    EXPECT_FLOAT_EQ(v.z, 4);
}

TEST_F(Maths, MultipliesRowVectorStyle)
{
    MATRIX44 translate = diagonal(1, 1, 1, 1);
    translate.m[3][0] = 1;
    translate.m[3][1] = 2;
    translate.m[3][2] = 3;
    const MATRIX44 scale = diagonal(2, 2, 2, 1);
    MATRIX44 out;
    // v x (T x S): translate first, then scale the translation too
    ASSERT_EQ(MultiplyMatrix(&out, &translate, &scale), 0);
    expect_matrix(out, MATRIX44{{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {2, 4, 6, 1}}});
    MultiplyMatrix(&out, &scale, &translate);
    expect_matrix(out, MATRIX44{{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {1, 2, 3, 1}}});
    EXPECT_EQ(MultiplyMatrix(nullptr, &scale, &translate), 0);

    const MATRIX44 general = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
    TransposeMatrix(&out, &general);
    expect_matrix(out, MATRIX44{{{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12, 16}}});
}

TEST_F(Maths, InvertsAndRefusesNearlySingularMatrices)
{
    MATRIX44 m = diagonal(2, 4, 5, 1);
    m.m[3][0] = 1;
    m.m[3][1] = 2;
    m.m[3][2] = 3;
    MATRIX44 inverse;
    ASSERT_EQ(InvertMatrix(&inverse, &m), 0);
    expect_matrix(inverse, MATRIX44{{{0.5f, 0, 0, 0}, {0, 0.25f, 0, 0}, {0, 0, 0.2f, 0}, {-0.5f, -0.5f, -0.6f, 1}}});

    const MATRIX44 general = {{{2, -1, 0, 3}, {1, 4, 2, -2}, {0, 3, -1, 1}, {5, 0, 2, 7}}};
    ASSERT_EQ(InvertMatrix(&inverse, &general), 0);
    MATRIX44 product;
    MultiplyMatrix(&product, &general, &inverse);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);

    const struct {
        float determinant;
        int result;
    } cases[] = {
        {0.00000005f, -1}, {-0.00000005f, -1}, {0.0f, -1}, {0.0000002f, 0}, {-0.0000002f, 0},
    };
    for (const auto& c : cases) {
        const MATRIX44 scaled = diagonal(c.determinant, 1, 1, 1);
        MATRIX44 out = filled(7.0f);
        EXPECT_EQ(InvertMatrix(&out, &scaled), c.result) << c.determinant;
        if (c.result == 0)
            EXPECT_FLOAT_EQ(out.m[0][0], 1.0f / c.determinant);
        else
            expect_same(out, filled(7.0f));
    }

    const MATRIX44 equal_rows = {{{1, 2, 3, 4}, {1, 2, 3, 4}, {0, 1, 0, 0}, {0, 0, 0, 1}}};
    MATRIX44 out = filled(7.0f);
    EXPECT_EQ(InvertMatrix(&out, &equal_rows), -1);
    expect_same(out, filled(7.0f));
}

TEST_F(Maths, OutputsMayAliasInputs)
{
    const MATRIX44 a = {{{2, -1, 0, 3}, {1, 4, 2, -2}, {0, 3, -1, 1}, {5, 0, 2, 7}}};
    const MATRIX44 b = {{{1, 0.5f, 0, 2}, {0, 1, -3, 0}, {4, 0, 1, 0}, {0.25f, 6, 0, 1}}};

    MATRIX44 ab, aa;
    MultiplyMatrix(&ab, &a, &b);
    MultiplyMatrix(&aa, &a, &a);
    MATRIX44 m = a;
    MultiplyMatrix(&m, &m, &b);
    expect_same(m, ab);
    m = b;
    MultiplyMatrix(&m, &a, &m);
    expect_same(m, ab);
    m = a;
    MultiplyMatrix(&m, &m, &m);
    expect_same(m, aa);

    MATRIX44 inverse;
    ASSERT_EQ(InvertMatrix(&inverse, &a), 0);
    m = a;
    ASSERT_EQ(InvertMatrix(&m, &m), 0);
    expect_same(m, inverse);

    MATRIX44 transposed;
    TransposeMatrix(&transposed, &a);
    m = a;
    TransposeMatrix(&m, &m);
    expect_same(m, transposed);

    const VECTOR3F in = {1.5f, -2, 3};
    VECTOR3F separate, v = in;
    TransformVector(&separate, &in, &a);
    TransformVector(&v, &v, &a);
    EXPECT_EQ(std::memcmp(&v, &separate, sizeof v), 0);

    NormalizeVector(&separate, &in);
    v = in;
    NormalizeVector(&v, &v);
    EXPECT_EQ(std::memcmp(&v, &separate, sizeof v), 0);
}

TEST_F(Maths, VectorsNormaliseAndDot)
{
    VECTOR3F v = {3, 4, 0};
    NormalizeVector(&v, &v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_FLOAT_EQ(v.z, 0.0f);
    VECTOR3F u;
    EXPECT_EQ(MakeUnitVector(&u, 0, -2, 0), &u);
    EXPECT_FLOAT_EQ(u.y, -1.0f);
    const VECTOR3F a = {1, 2, 3}, b = {4, -5, 6};
    EXPECT_FLOAT_EQ(DotVector(&a, &b), 12.0f);
}

TEST_F(Maths, OrthographicProjection)
{
    MATRIX44 m = filled(7.0f);
    ASSERT_EQ(BuildOrthoMatrix(&m, 200, 10, 1000, 1.5f), 0);
    MATRIX44 expected = {};
    expected.m[0][0] = 0.015f;
    expected.m[1][1] = 0.01f;
    expected.m[2][2] = 1.0f / 990;
    expected.m[3][2] = -10.0f / 990;
    expected.m[3][3] = 1;
    expect_matrix(m, expected);

    // a negative aspect takes 480 / 640 from the default screen
    ASSERT_EQ(BuildOrthoMatrix(&m, 200, 10, 1000, -1), 0);
    EXPECT_FLOAT_EQ(m.m[0][0], 0.0075f);

    m = filled(7.0f);
    EXPECT_EQ(BuildOrthoMatrix(&m, 200, 10, 10, 1.5f), -1);
    EXPECT_EQ(BuildOrthoMatrix(&m, 200, 10, 10.00005f, 1.5f), -1);
    expect_same(m, filled(7.0f));
}

TEST_F(Maths, PerspectiveProjection)
{
    MATRIX44 m = filled(7.0f);
    ASSERT_EQ(BuildPerspectiveMatrix(&m, pi / 2, 1, 101, 1), 0);
    MATRIX44 expected = {};
    expected.m[0][0] = 1;
    expected.m[1][1] = 1;
    expected.m[2][2] = 1.01f;
    expected.m[2][3] = 1;
    expected.m[3][2] = -1.01f;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], expected.m[i][j], 1e-6f) << "m" << i + 1 << j + 1;

    // aspect -1 on the default 640 by 480 screen: m11 = 0.75 x cot(fov / 2)
    ASSERT_EQ(BuildPerspectiveMatrix(&m, pi / 3, 1, 101, -1), 0);
    EXPECT_NEAR(m.m[0][0], 0.75f * 1.7320508f, 1e-5f);
    EXPECT_NEAR(m.m[1][1], 1.7320508f, 1e-5f);
    ASSERT_EQ(BuildPerspectiveMatrix(&m, pi / 3, 1, 101, 0), 0);
    EXPECT_EQ(m.m[0][0], 0.0f);  // an aspect of 0 stays 0

    const struct {
        const char* what;
        float fov, z_near, z_far;
    } refused[] = {
        {"near equal to far", pi / 2, 5, 5},
        {"near within 0.0001 of far", pi / 2, 1, 1.00005f},
        {"no field of view", 0, 1, 101},
        {"a full turn of field of view", 2 * pi, 1, 101},
    };
    for (const auto& c : refused) {
        m = filled(7.0f);
        EXPECT_EQ(BuildPerspectiveMatrix(&m, c.fov, c.z_near, c.z_far, 1), -1) << c.what;
        expect_same(m, filled(7.0f));
    }
}

TEST_F(Maths, TheProjectionScreenSizeIsStateTheResetRestores)
{
    EXPECT_EQ(media::core::projection_screen_size().width, 640);
    EXPECT_EQ(media::core::projection_screen_size().height, 480);
    media::core::set_projection_screen_size(1000, 500);
    MATRIX44 m;
    ASSERT_EQ(BuildPerspectiveMatrix(&m, pi / 2, 1, 101, -1), 0);
    EXPECT_NEAR(m.m[0][0], 0.5f, 1e-6f);
    media::core::reset_state();
    ASSERT_EQ(BuildPerspectiveMatrix(&m, pi / 2, 1, 101, -1), 0);
    EXPECT_NEAR(m.m[0][0], 0.75f, 1e-6f);
}

TEST_F(Maths, LookAt)
{
    MATRIX44 m = filled(7.0f);
    const VECTOR3F up = {0, 1, 0}, origin = {0, 0, 0};
    VECTOR3F eye = {0, 0, -10};
    ASSERT_EQ(BuildLookAtMatrix(&m, &eye, &origin, &up), 0);
    MATRIX44 expected = diagonal(1, 1, 1, 1);
    expected.m[3][2] = 10;
    expect_matrix(m, expected);

    // from +x looking back at the origin: +x of the world turns into -z of the view
    eye = {5, 0, 0};
    ASSERT_EQ(BuildLookAtMatrix(&m, &eye, &origin, &up), 0);
    expect_matrix(m, MATRIX44{{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 5, 1}}});
    VECTOR3F v = origin;
    TransformVector(&v, &v, &m);
    EXPECT_FLOAT_EQ(v.z, 5);  // the target lies straight ahead at its distance
    v = eye;
    TransformVector(&v, &v, &m);
    EXPECT_FLOAT_EQ(v.z, 0);
}

}  // namespace
