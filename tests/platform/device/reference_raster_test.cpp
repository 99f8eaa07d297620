// The reference device's coverage and sampling: boxes, strips, fans, shared
// edges, lines, points, texel rows and address modes, the viewport, XYZ
// vertices, the transcript, bad coordinates, and a frame written as PNG.
#include "platform/device/reference_fixture.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include <unistd.h>

namespace {

using namespace device_test;

class ReferenceRaster : public reference_device {};

constexpr std::uint32_t white = 0xFFFFFFFFu;

std::vector<coloured> at(std::initializer_list<std::pair<float, float>> points)
{
    std::vector<coloured> v;
    for (const auto& p : points) v.push_back({p.first, p.second, 0, 1, white});
    return v;
}

pixel_set pixels_of(std::initializer_list<std::pair<int, int>> p)
{
    return pixel_set(p);
}

pixel_set run(int x0, int y0, int dx, int dy, int n)
{
    pixel_set out;
    for (int i = 0; i < n; ++i) out.insert({x0 + i * dx, y0 + i * dy});
    return out;
}

TEST_F(ReferenceRaster, CoverageTable)
{
    struct row {
        const char* what;
        dev::primitive type;
        std::vector<coloured> vertices;
        pixel_set expected;
    };
    const row rows[] = {
        {"box at integer corners", dev::triangle_list, box(10, 10, 20, 15, white), rectangle(10, 10, 20, 15)},
        {"box as a strip", dev::triangle_strip, at({{10, 10}, {20, 10}, {10, 15}, {20, 15}}), rectangle(10, 10, 20, 15)},
        {"box as a fan", dev::triangle_fan, at({{10, 10}, {20, 10}, {20, 15}, {10, 15}}), rectangle(10, 10, 20, 15)},
        {"box at fractional corners", dev::triangle_list, box(10.3f, 10.7f, 30.6f, 20.2f, white), rectangle(11, 11, 31, 21)},
        {"box at half-pixel corners", dev::triangle_list, box(9.5f, 9.5f, 13.5f, 11.5f, white), rectangle(10, 10, 14, 12)},
        {"centres on the bottom and right edges stay out", dev::triangle_list, at({{0, 0}, {4, 0}, {0, 4}}),
         pixels_of({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {0, 3}})},
        {"anticlockwise triangle covers the same", dev::triangle_list, at({{0, 0}, {0, 4}, {4, 0}}),
         pixels_of({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {0, 3}})},
        {"thin sliver between centres covers nothing", dev::triangle_list, at({{10.1f, 10}, {10.9f, 10}, {10.5f, 30}}), {}},
        {"zero-area triangle", dev::triangle_list, at({{5, 5}, {10, 10}, {15, 15}}), {}},
        {"horizontal line, end pulled back", dev::line_list, at({{10, 5}, {19.9f, 5}}), run(10, 5, 1, 0, 10)},
        {"vertical line, end pulled back", dev::line_list, at({{30, 5}, {30, 14.9f}}), run(30, 5, 0, 1, 10)},
        {"horizontal line to a centre", dev::line_list, at({{10, 5}, {20, 5}}), run(10, 5, 1, 0, 10)},
        {"horizontal line leftwards", dev::line_list, at({{20, 5}, {10, 5}}), run(11, 5, 1, 0, 10)},
        {"line from a diamond's corner", dev::line_list, at({{10.5f, 20}, {14.5f, 20}}), run(11, 20, 1, 0, 4)},
        {"line between two rows takes the lower", dev::line_list, at({{0, 7.5f}, {4, 7.5f}}), run(0, 8, 1, 0, 4)},
        {"diagonal down-right", dev::line_list, at({{0, 0}, {10, 10}}), run(0, 0, 1, 1, 10)},
        {"diagonal up-left", dev::line_list, at({{10, 10}, {0, 0}}), run(1, 1, 1, 1, 10)},
        {"diagonal up-right", dev::line_list, at({{0, 10}, {10, 0}}), run(0, 10, 1, -1, 10)},
        {"shallow x-major", dev::line_list, at({{0, 0}, {10, 5}}),
         pixels_of({{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}, {7, 4}, {8, 4}, {9, 5}})},
        {"steep y-major", dev::line_list, at({{3, 1}, {5, 9}}),
         pixels_of({{3, 1}, {3, 2}, {4, 3}, {4, 4}, {4, 5}, {4, 6}, {5, 7}, {5, 8}})},
        {"short line inside one diamond", dev::line_list, at({{5.1f, 5}, {5.3f, 5}}), {}},
        {"short line leaving a diamond", dev::line_list, at({{5.3f, 5}, {5.7f, 5}}), pixels_of({{5, 5}})},
        {"line strip turns a corner once", dev::line_strip, at({{0, 30}, {5, 30}, {5, 35}}),
         [] { pixel_set p = run(0, 30, 1, 0, 5); for (int y = 30; y < 35; ++y) p.insert({5, y}); return p; }()},
        {"points", dev::point_list, at({{5, 5}, {7.5f, 5.5f}, {9.49f, 5.51f}, {11.2f, 4.8f}}),
         pixels_of({{5, 5}, {7, 5}, {9, 6}, {11, 5}})},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        clear_black();
        draw(r.type, fvf_coloured, r.vertices);
        EXPECT_EQ(lit_pixels(), r.expected);
    }
}

// Under additive blending a pixel drawn twice shows twice the colour.
TEST_F(ReferenceRaster, SharedEdgesDrawEachPixelOnce)
{
    blending(dev::blend_one, dev::blend_one);
    const std::uint32_t c = 0xFF404040u;
    struct row {
        const char* what;
        dev::primitive type;
        std::vector<coloured> vertices;
    };
    auto coloured_at = [&](std::initializer_list<std::pair<float, float>> p) {
        std::vector<coloured> v = at(p);
        for (coloured& k : v) k.diffuse = c;
        return v;
    };
    const row rows[] = {
        {"quad at fractional corners", dev::triangle_list, box(100.3f, 50.7f, 160.6f, 90.2f, c)},
        {"skewed quad", dev::triangle_list,
         coloured_at({{100.2f, 50.1f}, {170.7f, 60.3f}, {90.4f, 110.9f}, {90.4f, 110.9f}, {170.7f, 60.3f}, {160.1f, 120.6f}})},
        {"fan of six around a centre", dev::triangle_fan,
         coloured_at({{130, 80}, {160, 80}, {145, 106}, {115, 106}, {100, 80}, {115, 54}, {145, 54}, {160, 80}})},
        {"strip of slanted steps", dev::triangle_strip,
         coloured_at({{100.5f, 50}, {110.25f, 90.75f}, {120.75f, 52.5f}, {130.1f, 88.8f}, {140.6f, 51}, {150, 92}})},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        clear_black();
        draw(r.type, fvf_coloured, r.vertices);
        const std::vector<std::uint32_t> p = pixels(back_);
        int drawn = 0;
        for (std::uint32_t v : p) {
            EXPECT_TRUE(v == 0xFF000000u || v == 0xFF404040u) << std::hex << v;
            drawn += v == 0xFF404040u;
        }
        EXPECT_GT(drawn, 100);
    }
}

TEST_F(ReferenceRaster, StripsAndFansCoverWhatTheirListsCover)
{
    const std::vector<coloured> strip = at({{10.5f, 10.2f}, {30.3f, 14.1f}, {12.8f, 40.6f}, {35.2f, 44.9f}, {15.1f, 70.3f}});
    std::vector<coloured> strip_list;
    for (std::size_t i = 0; i + 2 < strip.size(); ++i)
        for (std::size_t k : {i, i + 1, i + 2}) strip_list.push_back(strip[k]);
    const std::vector<coloured> fan = at({{200, 200}, {240.3f, 190.2f}, {250.7f, 230.5f}, {215.5f, 260.1f}, {170.2f, 240.4f}});
    std::vector<coloured> fan_list;
    for (std::size_t i = 1; i + 1 < fan.size(); ++i)
        for (std::size_t k : {std::size_t{0}, i, i + 1}) fan_list.push_back(fan[k]);

    clear_black();
    draw(dev::triangle_strip, fvf_coloured, strip);
    draw(dev::triangle_fan, fvf_coloured, fan);
    const pixel_set joined = lit_pixels();
    clear_black();
    draw(dev::triangle_list, fvf_coloured, strip_list);
    draw(dev::triangle_list, fvf_coloured, fan_list);
    EXPECT_EQ(lit_pixels(), joined);
    EXPECT_GT(joined.size(), 1000u);

    // an indexed strip reads its vertices through the indices
    clear_black();
    const std::vector<coloured> quad = at({{40, 40}, {50, 40}, {40, 45}, {50, 45}});
    const std::uint16_t order[4] = {2, 0, 3, 1};
    ASSERT_EQ(dev::draw_indexed_primitive_up(dev::triangle_strip, 0, 4, 2, order, dev::INDEX16, quad.data(),
                                             static_cast<int>(sizeof(coloured))), 0);
    EXPECT_EQ(lit_pixels(), rectangle(40, 40, 50, 45));
}

TEST_F(ReferenceRaster, CullingAndShading)
{
    const std::vector<coloured> clockwise = at({{0, 0}, {8, 0}, {0, 8}});
    const std::vector<coloured> anticlockwise = at({{0, 0}, {0, 8}, {8, 0}});
    struct row {
        std::uint32_t cull;
        bool clockwise_drawn, anticlockwise_drawn;
    };
    for (const row& r : {row{dev::cull_none, true, true}, row{dev::cull_cw, false, true}, row{dev::cull_ccw, true, false}}) {
        SCOPED_TRACE(r.cull);
        ASSERT_EQ(dev::set_render_state(dev::rs_cullmode, r.cull), 0);
        clear_black();
        draw(dev::triangle_list, fvf_coloured, clockwise);
        EXPECT_EQ(!lit_pixels().empty(), r.clockwise_drawn);
        clear_black();
        draw(dev::triangle_list, fvf_coloured, anticlockwise);
        EXPECT_EQ(!lit_pixels().empty(), r.anticlockwise_drawn);
    }
    ASSERT_EQ(dev::set_render_state(dev::rs_cullmode, dev::cull_none), 0);

    // flat: the first vertex's colour; Gouraud: mixed by the centre's position
    const std::vector<coloured> ramp = {{-0.5f, 0, 0, 1, 0xFF000000u}, {255.5f, 0, 0, 1, 0xFFFF0000u},
                                        {-0.5f, 4, 0, 1, 0xFF000000u}};
    clear_black();
    draw(dev::triangle_list, fvf_coloured, ramp);
    EXPECT_EQ(back(100, 0), 0xFF000000u);
    ASSERT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_gouraud), 0);
    clear_black();
    draw(dev::triangle_list, fvf_coloured, ramp);
    for (int x : {0, 1, 100, 200}) EXPECT_EQ(back(x, 0), 0xFF000000u | static_cast<std::uint32_t>(x) << 16) << x;
}

TEST_F(ReferenceRaster, PointSampledTexelsLandExactlyOnTheirPixels)
{
    std::vector<std::uint32_t> texels;
    for (int i = 0; i < 16; ++i) texels.push_back(0xFF000000u | static_cast<std::uint32_t>(0x10 * (i + 1)) << 16 | static_cast<std::uint32_t>(i));
    const resource t = texture_of(4, 4, dev::A8R8G8B8, texels);
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressu, dev::address_clamp), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressv, dev::address_clamp), 0);
    const float x = 10 - 0.5f, y = 20 - 0.5f;
    draw(dev::triangle_list, fvf_textured,
         std::vector<textured>{{x, y, 0, 1, white, 0, 0}, {x + 4, y, 0, 1, white, 1, 0}, {x, y + 4, 0, 1, white, 0, 1},
                               {x + 4, y + 4, 0, 1, white, 1, 1}, {x, y + 4, 0, 1, white, 0, 1}, {x + 4, y, 0, 1, white, 1, 0}});
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(back(10 + i, 20 + j), texels[static_cast<std::size_t>(j * 4 + i)]) << i << "," << j;
    EXPECT_EQ(lit_pixels(), rectangle(10, 20, 14, 24)) << "no neighbour touched";
}

TEST_F(ReferenceRaster, LinearSamplingMixesByTheCentresPosition)
{
    // red steps along u, green along v; drawn 2 : 1, clamped at the edges
    const int steps[4] = {0, 100, 200, 40};
    std::vector<std::uint32_t> texels;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            texels.push_back(0xFF000000u | static_cast<std::uint32_t>(steps[i]) << 16 | static_cast<std::uint32_t>(steps[j]) << 8);
    const resource t = texture_of(4, 4, dev::X8R8G8B8, texels);
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressu, dev::address_clamp), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressv, dev::address_clamp), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_magfilter, dev::texfilter_linear), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_minfilter, dev::texfilter_linear), 0);
    const float x = 40 - 0.5f, y = 40 - 0.5f;
    draw(dev::triangle_list, fvf_textured,
         std::vector<textured>{{x, y, 0, 1, white, 0, 0}, {x + 8, y, 0, 1, white, 1, 0}, {x, y + 8, 0, 1, white, 0, 1},
                               {x + 8, y + 8, 0, 1, white, 1, 1}, {x, y + 8, 0, 1, white, 0, 1}, {x + 8, y, 0, 1, white, 1, 0}});
    // pixel k's centre sits at texel k / 2 - 0.25: weights 0.75 and 0.25 between neighbours
    const int expected[8] = {0, 25, 75, 125, 175, 160, 80, 40};
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(back(40 + i, 40 + j), 0xFF000000u | static_cast<std::uint32_t>(expected[i]) << 16 |
                                                static_cast<std::uint32_t>(expected[j]) << 8) << i << "," << j;
}

TEST_F(ReferenceRaster, AddressModes)
{
    const resource t = texture_of(4, 1, dev::X8R8G8B8, {0xFF000000u, 0xFF000001u, 0xFF000002u, 0xFF000003u});
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse);
    struct row {
        std::uint32_t mode;
        int texels[12];  // u from -1 to 2 across 12 pixels
    };
    const row rows[] = {
        {dev::address_clamp, {0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3}},
        {dev::address_wrap, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}},
        {dev::address_mirror, {3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.mode);
        ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressu, r.mode), 0);
        clear_black();
        draw(dev::triangle_list, fvf_textured,
             std::vector<textured>{{-0.5f, -0.5f, 0, 1, white, -1, 0}, {11.5f, -0.5f, 0, 1, white, 2, 0},
                                   {-0.5f, 0.5f, 0, 1, white, -1, 1}, {11.5f, 0.5f, 0, 1, white, 2, 1},
                                   {-0.5f, 0.5f, 0, 1, white, -1, 1}, {11.5f, -0.5f, 0, 1, white, 2, 0}});
        for (int x = 0; x < 12; ++x) EXPECT_EQ(back(x, 0) & 0xFF, static_cast<std::uint32_t>(r.texels[x])) << x;
    }
}

TEST_F(ReferenceRaster, BlockTexturesDecodeAsTheImageLoaderDoes)
{
    hl::set_device_format_support(dev::DXT1, 0, true);
    hl::set_device_format_support(dev::DXT5, 0, true);
    stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse);
    // a 4 x 4 render target in A8R8G8B8 keeps the alpha
    const resource rt = target(4, 4, dev::A8R8G8B8);
    ASSERT_EQ(dev::set_render_target(rt), 0);
    struct row {
        const char* what;
        dev::format fmt;
        std::vector<std::uint8_t> block;
        std::uint32_t first_four[4];  // texels 0..3 of the top row
    };
    // c0 = pure red 0xF800, c1 = pure blue 0x001F; indices 0, 1, 2, 3 along the top row (0xE4)
    const row rows[] = {
        {"four colours", dev::DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0},
         {0xFFFF0000u, 0xFF0000FFu, 0xFFAA0055u, 0xFF5500AAu}},
        {"three colours and transparent", dev::DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0},
         {0xFF0000FFu, 0xFFFF0000u, 0xFF7F007Fu, 0x007F007Fu}},
        {"interpolated alpha", dev::DXT5, {200, 10, 0x88, 0x06, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0},
         // alpha indices 0, 1, 2, 3 (bits 000 001 010 011): 200, 10, (6*200+10)/7, (5*200+20)/7
         {0xC8FF0000u, 0x0AFF0000u, 0xACFF0000u, 0x91FF0000u}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const resource t = texture(4, 4, r.fmt, dev::pool_managed);
        dev::locked_rect l;
        ASSERT_EQ(dev::lock_texture(t, 0, nullptr, 0, l), 0);
        std::memcpy(l.bits, r.block.data(), r.block.size());
        ASSERT_EQ(dev::unlock_texture(t, 0), 0);
        ASSERT_EQ(dev::set_texture(0, t), 0);
        draw(dev::triangle_list, fvf_textured,
             std::vector<textured>{{-0.5f, -0.5f, 0, 1, white, 0, 0}, {3.5f, -0.5f, 0, 1, white, 1, 0},
                                   {-0.5f, 3.5f, 0, 1, white, 0, 1}, {3.5f, 3.5f, 0, 1, white, 1, 1},
                                   {-0.5f, 3.5f, 0, 1, white, 0, 1}, {3.5f, -0.5f, 0, 1, white, 1, 0}});
        for (int x = 0; x < 4; ++x) EXPECT_EQ(get(rt, x, 0), r.first_four[x]) << std::hex << x;
    }
}

TEST_F(ReferenceRaster, DrawingAndClearingStayInsideTheViewport)
{
    ASSERT_EQ(dev::set_viewport(dev::viewport{100, 50, 200, 100, 0, 1}), 0);
    draw(dev::triangle_list, fvf_coloured, at({{50, 20}, {400, 80}, {150, 300}}));
    const pixel_set drawn = lit_pixels();
    EXPECT_FALSE(drawn.empty());
    for (const auto& p : drawn) {
        EXPECT_GE(p.first, 100);
        EXPECT_LT(p.first, 300);
        EXPECT_GE(p.second, 50);
        EXPECT_LT(p.second, 150);
    }
    ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF000000u, 1, 0), 0);
    EXPECT_TRUE(lit_pixels().empty());

    ASSERT_EQ(dev::set_viewport(dev::viewport{10, 20, 30, 40, 0, 1}), 0);
    ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF123456u, 1, 0), 0);
    EXPECT_EQ(lit_pixels(), rectangle(10, 20, 40, 60));
    EXPECT_EQ(back(10, 20), 0xFF123456u);
}

TEST_F(ReferenceRaster, XyzVerticesGoThroughTheTransformsAndTheViewport)
{
    // orthographic: x 0..800 to -1..1, y 0..600 to 1..-1, z kept
    const dev::matrix ortho{{{2.0f / 800, 0, 0, 0}, {0, -2.0f / 600, 0, 0}, {0, 0, 1, 0}, {-1, 1, 0, 1}}};
    const dev::matrix identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    const dev::matrix shift{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {100, 50, 0, 1}}};
    ASSERT_EQ(dev::set_transform(dev::tf_projection, ortho), 0);
    ASSERT_EQ(dev::set_transform(dev::tf_view, identity), 0);
    auto quad = [](float x1, float y1, float x2, float y2, float z) {
        return std::vector<spatial>{{x1, y1, z, white, 0, 0}, {x2, y1, z, white, 0, 0}, {x1, y2, z, white, 0, 0},
                                    {x2, y2, z, white, 0, 0}, {x1, y2, z, white, 0, 0}, {x2, y1, z, white, 0, 0}};
    };
    struct row {
        const char* what;
        dev::matrix world;
        std::vector<spatial> vertices;
        pixel_set expected;
    };
    const row rows[] = {
        {"box at integer corners", identity, quad(10, 10, 20, 15, 0.5f), rectangle(10, 10, 20, 15)},
        {"moved by the world matrix", shift, quad(10, 10, 20, 15, 0.5f), rectangle(110, 60, 120, 65)},
        {"in front of the near plane", identity, quad(10, 10, 20, 15, -0.5f), {}},
        {"behind the far plane", identity, quad(10, 10, 20, 15, 1.5f), {}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(dev::set_transform(dev::tf_world, r.world), 0);
        clear_black();
        draw(dev::triangle_list, fvf_spatial, r.vertices);
        EXPECT_EQ(lit_pixels(), r.expected);
    }
    // a smaller viewport takes the whole projection: half the scene's width lands on 200 pixels
    ASSERT_EQ(dev::set_transform(dev::tf_world, identity), 0);
    ASSERT_EQ(dev::set_viewport(dev::viewport{400, 300, 400, 300, 0, 1}), 0);
    clear_black();
    draw(dev::triangle_list, fvf_spatial, quad(0, 0, 400, 300, 0.5f));
    EXPECT_EQ(lit_pixels(), rectangle(400, 300, 600, 450));
}

// The same calls give the same transcript in recording and reference mode.
TEST_F(ReferenceRaster, KeepsTheTranscriptOfRecordingMode)
{
    auto scene = [&] {
        hl::clear_device_transcript();
        EXPECT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF000000u, 1, 0), 0);
        draw(dev::triangle_list, fvf_coloured, box(10, 10, 20, 15, white));
        draw(dev::line_list, fvf_coloured, at({{0, 0}, {5, 5}}));
        EXPECT_EQ(dev::present(resource::none, nullptr, nullptr), 0);
        return hl::device_transcript();
    };
    hl::set_device_mode(hl::device_mode::recording);
    const std::vector<hl::device_call> recorded = scene();
    EXPECT_TRUE(lit_pixels().empty()) << "recording mode draws nothing";
    hl::set_device_mode(hl::device_mode::reference);
    const std::vector<hl::device_call> referenced = scene();
    ASSERT_EQ(referenced.size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(referenced[i].call, recorded[i].call);
        EXPECT_EQ(referenced[i].vertices, recorded[i].vertices);
    }
    EXPECT_EQ(lit_pixels().size(), 50u + 5u);
    // the transcript can be off; drawing goes on
    hl::set_device_transcript(false);
    clear_black();
    draw(dev::triangle_list, fvf_coloured, box(0, 0, 2, 2, white));
    EXPECT_EQ(lit_pixels().size(), 4u);
    hl::set_device_transcript(true);
}

TEST_F(ReferenceRaster, BadCoordinatesNeitherHangNorWriteOutside)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // a render target narrower than its pitch, with a viewport inside it
    const resource rt = target(37, 29, dev::A8R8G8B8);
    ASSERT_EQ(dev::set_render_target(rt), 0);
    ASSERT_EQ(dev::set_viewport(dev::viewport{3, 4, 30, 20, 0, 1}), 0);
    const resource t = texture_of(2, 2, dev::A8R8G8B8, {white, white, white, white});
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_modulate, dev::ta_texture, dev::ta_diffuse, dev::op_modulate, dev::ta_texture, dev::ta_diffuse);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_magfilter, dev::texfilter_linear), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressu, dev::address_mirror), 0);
    ASSERT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_gouraud), 0);
    blending(dev::blend_srcalpha, dev::blend_invsrcalpha);

    auto v = [](float x, float y, float rhw = 1, float u = 0, float w = 0) { return lit{x, y, 0, rhw, white, 0, u, w}; };
    struct row {
        const char* what;
        dev::primitive type;
        std::vector<lit> vertices;
    };
    const row rows[] = {
        {"not-a-number corner", dev::triangle_list, {v(nan, 5), v(20, 5), v(5, 20)}},
        {"infinite corners", dev::triangle_list, {v(-inf, -inf), v(inf, 5), v(5, inf)}},
        {"huge corners", dev::triangle_list, {v(-1e30f, -1e30f), v(1e30f, 5), v(5, 1e30f)}},
        {"one huge corner", dev::triangle_list, {v(5, 5), v(1e30f, 6), v(6, 20)}},
        {"huge on both sides", dev::triangle_strip, {v(-1e30f, -1e30f), v(1e30f, -1e30f), v(-1e30f, 1e30f), v(1e30f, 1e30f)}},
        {"degenerate", dev::triangle_list, {v(5, 5), v(10, 10), v(20, 20)}},
        {"zero area", dev::triangle_fan, {v(7, 7), v(7, 7), v(7, 7), v(7, 7)}},
        {"bad rhw", dev::triangle_list, {v(5, 5, 0), v(30, 5, nan), v(5, 20, -1)}},
        {"huge rhw", dev::triangle_list, {v(5, 5, 1e30f), v(30, 5, 1e-30f), v(5, 20, 1)}},
        {"bad texture coordinates", dev::triangle_list, {v(5, 5, 1, nan, inf), v(30, 5, 1, -1e30f, 1e30f), v(5, 20, 1, inf, -inf)}},
        {"zero-length line", dev::line_list, {v(10, 10), v(10, 10)}},
        {"line of huge ends", dev::line_list, {v(-1e30f, 10), v(1e30f, 12)}},
        {"line of not-a-number end", dev::line_strip, {v(nan, 10), v(12, 12), v(inf, 3)}},
        {"huge and bad points", dev::point_list, {v(1e30f, 5), v(nan, nan), v(-inf, 3), v(2147483648.0f, 1)}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0x00000000u, 1, 0), 0);  // the viewport only
        draw(r.type, fvf_lit, r.vertices);
        // nothing outside the viewport; the rows' padding keeps its fill byte
        const std::vector<std::uint32_t> p = pixels(rt);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x)
                if (x < 3 || x >= 33 || y < 4 || y >= 24) {
                    ASSERT_EQ(p[static_cast<std::size_t>(y) * 37 + x], 0xCDCDCDCDu) << x << "," << y;
                }
        dev::locked_rect l;
        ASSERT_EQ(dev::lock_surface(rt, nullptr, dev::lock_readonly, l), 0);
        for (int y = 0; y < 29; ++y)
            for (int k = 37 * 4; k < l.pitch; ++k)
                ASSERT_EQ(static_cast<const std::uint8_t*>(l.bits)[static_cast<std::size_t>(y) * l.pitch + k], hl::device_fill_byte);
        ASSERT_EQ(dev::unlock_surface(rt), 0);
    }
    // a huge triangle covering the viewport fills all of it
    ASSERT_EQ(dev::set_render_state(dev::rs_alphablendenable, 0), 0);
    draw(dev::triangle_list, fvf_lit, std::vector<lit>{v(-1e30f, -1e30f), v(1e30f, -1e30f), v(0, 1e30f)});
    EXPECT_EQ(get(rt, 3, 4), white);
    EXPECT_EQ(get(rt, 32, 23), white);
}

// A scene of every kind of primitive, presented and written as PNG: to
// $ZENTIL_REFERENCE_SHOT when set (for a look), else to a temporary file.
TEST_F(ReferenceRaster, SceneDumpsAsPng)
{
    ASSERT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_gouraud), 0);
    ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF202840u, 1, 0), 0);
    // a Gouraud triangle
    draw(dev::triangle_list, fvf_coloured,
         std::vector<coloured>{{60, 40, 0, 1, 0xFFFF0000u}, {340, 80, 0, 1, 0xFF00FF00u}, {120, 300, 0, 1, 0xFF0000FFu}});
    // a checker texture, point and linear, and mirrored
    std::vector<std::uint32_t> checker;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) checker.push_back((i + j) % 2 ? 0xFFF0F0F0u : 0xFF303030u);
    const resource t = texture_of(8, 8, dev::X8R8G8B8, checker);
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_modulate, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg2, dev::ta_texture, dev::ta_diffuse);
    auto quad = [&](float x, float y, float w, float h, float us, std::uint32_t c) {
        draw(dev::triangle_list, fvf_textured,
             std::vector<textured>{{x, y, 0, 1, c, 0, 0}, {x + w, y, 0, 1, c, us, 0}, {x, y + h, 0, 1, c, 0, us},
                                   {x + w, y + h, 0, 1, c, us, us}, {x, y + h, 0, 1, c, 0, us}, {x + w, y, 0, 1, c, us, 0}});
    };
    quad(400 - 0.5f, 40 - 0.5f, 128, 128, 1, white);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_magfilter, dev::texfilter_linear), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_minfilter, dev::texfilter_linear), 0);
    quad(560 - 0.5f, 40 - 0.5f, 128, 128, 1, 0xFFFFC080u);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressu, dev::address_mirror), 0);
    ASSERT_EQ(dev::set_sampler_state(0, dev::ss_addressv, dev::address_mirror), 0);
    quad(400 - 0.5f, 200 - 0.5f, 288, 96, 3, white);
    ASSERT_EQ(dev::set_texture(0, resource::none), 0);
    untextured();
    // overlapping boxes: alpha blend, additive, inverse
    blending(dev::blend_srcalpha, dev::blend_invsrcalpha);
    draw(dev::triangle_list, fvf_coloured, box(60, 340, 260, 460, 0x80FFFF00u));
    blending(dev::blend_srcalpha, dev::blend_one);
    draw(dev::triangle_list, fvf_coloured, box(160, 400, 360, 520, 0xFF0060FFu));
    blending(dev::blend_invdestcolor, dev::blend_zero);
    draw(dev::triangle_list, fvf_coloured, box(300, 360, 420, 560, white));
    ASSERT_EQ(dev::set_render_state(dev::rs_alphablendenable, 0), 0);
    // a star of lines and a row of points
    std::vector<coloured> star;
    for (int k = 0; k < 24; ++k) {
        const double a = k * 3.14159265358979 / 12;
        star.push_back({600, 440, 0, 1, white});
        star.push_back({600 + static_cast<float>(120 * std::cos(a)), 440 + static_cast<float>(120 * std::sin(a)), 0, 1,
                        0xFF000000u | static_cast<std::uint32_t>(k * 10) << 8 | 0xFF});
    }
    draw(dev::line_list, fvf_coloured, star);
    std::vector<coloured> dots;
    for (int k = 0; k < 40; ++k) dots.push_back({40 + 8.0f * k, 580, 0, 1, 0xFFFFFF00u});
    draw(dev::point_list, fvf_coloured, dots);
    ASSERT_EQ(dev::present(resource::none, nullptr, nullptr), 0);

    const char* shot = std::getenv("ZENTIL_REFERENCE_SHOT");
    const std::filesystem::path path =
        shot ? std::filesystem::path(shot) : std::filesystem::temp_directory_path() / ("reference_scene_" + std::to_string(::getpid()) + ".png");
    ASSERT_EQ(hl::dump_frame_png(path.wstring()), 0) << platform::error();
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
    if (!shot) std::filesystem::remove(path);
    // spot checks: the texel under a point-sampled pixel, the inverted box
    EXPECT_EQ(back(400, 40), 0xFF303030u);
    EXPECT_EQ(back(401, 40), 0xFF303030u);
    EXPECT_EQ(back(416, 40), 0xFFF0F0F0u);
    EXPECT_EQ(back(410, 500), 0xFFDFD7BFu);
}

}  // namespace
