// The reference device's tests' fixture: the recording fixture's device in
// reference mode, states as the graphics layer draws 2D (no culling, flat
// shading, no blending), the back buffer cleared to black, and helpers that
// draw vertex lists and read pixels back through a lock.
#pragma once

#include "platform/device/device_fixture.hpp"

#include <set>
#include <utility>

namespace device_test {

// Pre-transformed vertices of the layouts the graphics layer sends.
struct coloured {
    float x, y, z, rhw;
    std::uint32_t diffuse;
};
struct textured {
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};
struct lit {
    float x, y, z, rhw;
    std::uint32_t diffuse, specular;
    float u, v;
};
struct spatial {
    float x, y, z;
    std::uint32_t diffuse;
    float u, v;
};
constexpr std::uint32_t fvf_coloured = dev::fvf_xyzrhw | dev::fvf_diffuse;
constexpr std::uint32_t fvf_textured = dev::fvf_xyzrhw | dev::fvf_diffuse | dev::fvf_tex1;
constexpr std::uint32_t fvf_lit = dev::fvf_xyzrhw | dev::fvf_diffuse | dev::fvf_specular | dev::fvf_tex1;
constexpr std::uint32_t fvf_spatial = dev::fvf_xyz | dev::fvf_diffuse | dev::fvf_tex1;

using pixel_set = std::set<std::pair<int, int>>;

// The calls of 2D drawing both devices' tests make: one stage's operations
// and arguments, blending, a vertex list drawn, a box of two triangles.
inline void stage(int s, std::uint32_t cop, std::uint32_t c1, std::uint32_t c2, std::uint32_t aop,
                  std::uint32_t a1, std::uint32_t a2)
{
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_colorop, cop), 0) << platform::error();
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_colorarg1, c1), 0) << platform::error();
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_colorarg2, c2), 0) << platform::error();
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_alphaop, aop), 0) << platform::error();
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_alphaarg1, a1), 0) << platform::error();
    ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_alphaarg2, a2), 0) << platform::error();
}
inline void blending(std::uint32_t src, std::uint32_t dst, std::uint32_t op = dev::blendop_add)
{
    ASSERT_EQ(dev::set_render_state(dev::rs_alphablendenable, 1), 0);
    ASSERT_EQ(dev::set_render_state(dev::rs_srcblend, src), 0);
    ASSERT_EQ(dev::set_render_state(dev::rs_destblend, dst), 0);
    ASSERT_EQ(dev::set_render_state(dev::rs_blendop, op), 0);
}

template <class V>
void draw(dev::primitive type, std::uint32_t fvf, const std::vector<V>& v)
{
    ASSERT_EQ(dev::set_fvf(fvf), 0);
    const long long per = type == dev::point_list ? 1 : type == dev::line_list ? 2 : type == dev::line_strip ? 1
                          : type == dev::triangle_list ? 3 : 1;
    const long long extra = type == dev::line_strip ? 1 : type == dev::triangle_strip || type == dev::triangle_fan ? 2 : 0;
    const int count = static_cast<int>((static_cast<long long>(v.size()) - extra) / per);
    ASSERT_EQ(dev::draw_primitive_up(type, count, v.data(), static_cast<int>(sizeof(V))), 0) << platform::error();
}

// Writes a texture's level 0 through a lock: the texels in the format's own
// bits (32 or 16 of each value), row by row.
inline void write_texels(resource t, int w, int h, dev::format f, const std::vector<std::uint32_t>& texels)
{
    const int bytes = dev::format_bytes(f);
    dev::locked_rect l;
    EXPECT_EQ(dev::lock_texture(t, 0, nullptr, 0, l), 0) << platform::error();
    if (l.bits == nullptr) return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::memcpy(static_cast<std::uint8_t*>(l.bits) + static_cast<std::size_t>(y) * l.pitch +
                            static_cast<std::size_t>(x) * bytes,
                        &texels[static_cast<std::size_t>(y) * w + x], static_cast<std::size_t>(bytes));
    EXPECT_EQ(dev::unlock_texture(t, 0), 0);
}

// Two triangles over the rectangle, one colour.
inline std::vector<coloured> box(float x1, float y1, float x2, float y2, std::uint32_t c)
{
    return {{x1, y1, 0, 1, c}, {x2, y1, 0, 1, c}, {x1, y2, 0, 1, c},
            {x2, y2, 0, 1, c}, {x1, y2, 0, 1, c}, {x2, y1, 0, 1, c}};
}

class reference_device : public recording_device {
protected:
    void SetUp() override
    {
        recording_device::SetUp();
        if (HasFatalFailure()) return;
        hl::set_device_mode(hl::device_mode::reference);
        ASSERT_EQ(dev::set_render_state(dev::rs_cullmode, dev::cull_none), 0);
        ASSERT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_flat), 0);
        ASSERT_EQ(dev::set_render_state(dev::rs_lighting, 0), 0);
        ASSERT_EQ(dev::set_render_state(dev::rs_zenable, 0), 0);
        untextured();
        ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF000000u, 1, 0), 0);
        back_ = back_buffer();
    }

    // Stage 0 passes the diffuse colour and alpha.
    static void untextured()
    {
        stage(0, dev::op_selectarg2, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg2, dev::ta_texture,
              dev::ta_diffuse);
        stage(1, dev::op_disable, dev::ta_texture, dev::ta_current, dev::op_disable, dev::ta_texture,
              dev::ta_current);
    }
    // Every pixel of a surface, as 32-bit values, row by row.
    static std::vector<std::uint32_t> pixels(resource s)
    {
        const dev::resource_desc d = *dev::describe(s);
        const int bytes = dev::format_bytes(d.fmt);
        std::vector<std::uint32_t> out(static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height));
        dev::locked_rect l;
        EXPECT_EQ(dev::lock_surface(s, nullptr, dev::lock_readonly, l), 0) << platform::error();
        if (l.bits == nullptr) return out;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                std::memcpy(&out[static_cast<std::size_t>(y) * d.width + x],
                            static_cast<const std::uint8_t*>(l.bits) + static_cast<std::size_t>(y) * l.pitch +
                                static_cast<std::size_t>(x) * bytes,
                            static_cast<std::size_t>(bytes));
        dev::unlock_surface(s);
        return out;
    }
    // The back buffer's pixels that are not the background.
    pixel_set lit_pixels(std::uint32_t background = 0xFF000000u)
    {
        const std::vector<std::uint32_t> p = pixels(back_);
        pixel_set out;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if (p[static_cast<std::size_t>(y) * 800 + x] != background) out.insert({x, y});
        return out;
    }
    static pixel_set rectangle(int left, int top, int right, int bottom)
    {
        pixel_set out;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) out.insert({x, y});
        return out;
    }
    std::uint32_t back(int x, int y) { return get(back_, x, y); }
    void clear_black() { ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF000000u, 1, 0), 0); }

    // A managed texture of the format with the given 32-bit (or 16-bit) texels, row by row.
    resource texture_of(int w, int h, dev::format f, const std::vector<std::uint32_t>& texels)
    {
        const resource t = texture(w, h, f, dev::pool_managed);
        write_texels(t, w, h, f, texels);
        return t;
    }

    resource back_ = resource::none;
};

}  // namespace device_test
