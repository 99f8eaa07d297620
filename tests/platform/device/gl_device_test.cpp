// The OpenGL device against the reference device: one scene list drawn on
// both, the frames read back through the back buffer's lock (and other
// surfaces the scene names) compared channel by channel; on a mismatch both
// frames and their difference are written as PNG. Needs an X server with
// OpenGL (SDL_VIDEODRIVER=x11); under the dummy driver the object fails and
// only the fall-back case runs.
#include "platform/device/reference_fixture.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/window/backend_fixture.hpp"

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace device_test;
namespace sdl_test = platform::sdl::test;

constexpr std::uint32_t white = 0xFFFFFFFFu;

// A frame read back: 0xAARRGGBB widened from the surface's format.
struct frame {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};

std::uint32_t widen_pixel(std::uint32_t v, dev::format f)
{
    auto grow = [](std::uint32_t c, int n) { return n == 8 ? c : (c * 255 * 2 + ((1u << n) - 1)) / (((1u << n) - 1) * 2); };
    switch (f) {
    case dev::R5G6B5: return 0xFF000000u | grow(v >> 11 & 31, 5) << 16 | grow(v >> 5 & 63, 6) << 8 | grow(v & 31, 5);
    case dev::X1R5G5B5: return 0xFF000000u | grow(v >> 10 & 31, 5) << 16 | grow(v >> 5 & 31, 5) << 8 | grow(v & 31, 5);
    case dev::A1R5G5B5:
        return (v & 0x8000 ? 0xFF000000u : 0) | grow(v >> 10 & 31, 5) << 16 | grow(v >> 5 & 31, 5) << 8 | grow(v & 31, 5);
    case dev::A4R4G4B4:
        return grow(v >> 12 & 15, 4) << 24 | grow(v >> 8 & 15, 4) << 16 | grow(v >> 4 & 15, 4) << 8 | grow(v & 15, 4);
    case dev::X8R8G8B8: return v | 0xFF000000u;
    default: return v;
    }
}

// Every pixel of a lockable surface through a read-only lock.
frame read_surface(resource s)
{
    frame out;
    const dev::resource_desc d = *dev::describe(s);
    const int bytes = dev::format_bytes(d.fmt);
    out.width = d.width;
    out.height = d.height;
    out.argb.assign(static_cast<std::size_t>(d.width) * d.height, 0);
    dev::locked_rect l;
    EXPECT_EQ(dev::lock_surface(s, nullptr, dev::lock_readonly, l), 0) << platform::error();
    if (l.bits == nullptr) return out;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            std::uint32_t v = 0;
            std::memcpy(&v, static_cast<const std::uint8_t*>(l.bits) + static_cast<std::size_t>(y) * l.pitch +
                                static_cast<std::size_t>(x) * bytes,
                        static_cast<std::size_t>(bytes));
            out.argb[static_cast<std::size_t>(y) * d.width + x] = widen_pixel(v, d.fmt);
        }
    EXPECT_EQ(dev::unlock_surface(s), 0);
    return out;
}

void write_png(const std::filesystem::path& path, const frame& f)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(f.width);
    image.height = static_cast<png_uint_32>(f.height);
    image.format = PNG_FORMAT_BGRA;
    png_image_write_to_file(&image, path.c_str(), 0, f.argb.data(), 0, nullptr);
}

// The calls a scene makes, the same on both devices: the states of 2D
// drawing, resources released at the end, the surfaces it wants compared.
struct scene_run {
    std::vector<resource> made;
    std::vector<resource> shots;
    resource back = resource::none;

    resource keep(resource r)
    {
        made.push_back(r);
        return r;
    }
    // A textured quad over w x h pixels from (x, y), coordinates 0 to us.
    static void quad(float x, float y, float w, float h, float us, std::uint32_t c = white)
    {
        draw(dev::triangle_list, fvf_textured,
             std::vector<textured>{{x, y, 0, 1, c, 0, 0}, {x + w, y, 0, 1, c, us, 0}, {x, y + h, 0, 1, c, 0, us},
                                   {x + w, y + h, 0, 1, c, us, us}, {x, y + h, 0, 1, c, 0, us}, {x + w, y, 0, 1, c, us, 0}});
    }
    // A managed texture with the texels (in the format's own bits), row by row.
    resource texture(int w, int h, dev::format f, const std::vector<std::uint32_t>& texels)
    {
        resource t = resource::none;
        EXPECT_EQ(dev::create_texture(w, h, 1, 0, f, dev::pool_managed, t), 0) << platform::error();
        keep(t);
        write_texels(t, w, h, f, texels);
        return t;
    }
    resource target(int w, int h, dev::format f)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::create_render_target(w, h, f, true, r), 0) << platform::error();
        return keep(r);
    }
    resource plain(int w, int h, dev::format f)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::create_offscreen_plain_surface(w, h, f, dev::pool_system_memory, r), 0) << platform::error();
        return keep(r);
    }
};

struct scene {
    const char* name;
    int tolerance;  // per channel
    std::function<void(scene_run&)> draw;
    dev::format back_format = dev::X8R8G8B8;
    // the scene presents; the window's pixels are compared last
    bool presents = false;
};

// A channel under its mask widened to 8 bits by rounding.
std::uint32_t masked(std::uint32_t v, std::uint32_t mask)
{
    if (mask == 0) return 0;
    int shift = 0, n = 0;
    while (!(mask >> shift & 1)) ++shift;
    while (mask >> (shift + n) & 1) ++n;
    const std::uint32_t c = (v & mask) >> shift, top = (1u << n) - 1;
    return n >= 8 ? c >> (n - 8) : (c * 255 * 2 + top) / (top * 2);
}

// The window as the last present left it.
frame read_window()
{
    frame out;
    if (std::string(platform::current_backend().name) == "sdl") {
        EXPECT_EQ(sdl_test::read_window(out.argb, out.width, out.height), 0) << platform::error();
        for (std::uint32_t& p : out.argb) p |= 0xFF000000u;
        return out;
    }
    const platform::headless::presented_frame& f = platform::headless::frame();
    out.width = f.width;
    out.height = f.height;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            std::uint32_t v = 0;
            std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * (f.bits / 8),
                        static_cast<std::size_t>(f.bits / 8));
            out.argb.push_back(0xFF000000u | masked(v, f.red_mask) << 16 | masked(v, f.green_mask) << 8 | masked(v, f.blue_mask));
        }
    return out;
}

constexpr int back_width = 256, back_height = 128;

// A device on the current backend's window, the scene drawn, its surfaces
// read back, everything released.
std::vector<frame> run_scene(const scene& s)
{
    std::vector<frame> out;
    dev::present_params p;
    p.width = back_width;
    p.height = back_height;
    p.back_buffer_format = s.back_format;
    p.lockable_back_buffer = true;
    p.interval = dev::present_interval_immediate;
    EXPECT_EQ(dev::create_device(p, dev::create_software_vertex_processing), 0) << platform::error();
    if (!dev::device_exists()) return out;
    scene_run run;
    EXPECT_EQ(dev::get_back_buffer(run.back), 0);
    run.keep(run.back);
    EXPECT_EQ(dev::set_render_state(dev::rs_cullmode, dev::cull_none), 0);
    EXPECT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_flat), 0);
    EXPECT_EQ(dev::set_render_state(dev::rs_lighting, 0), 0);
    EXPECT_EQ(dev::set_render_state(dev::rs_zenable, 0), 0);
    stage(0, dev::op_selectarg2, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg2, dev::ta_texture,
                     dev::ta_diffuse);
    stage(1, dev::op_disable, dev::ta_texture, dev::ta_current, dev::op_disable, dev::ta_texture,
                     dev::ta_current);
    EXPECT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF000000u, 1, 0), 0);
    s.draw(run);
    out.push_back(read_surface(run.back));
    for (resource r : run.shots) out.push_back(read_surface(r));
    if (s.presents) out.push_back(read_window());
    for (resource r : run.made) dev::release(r);
    EXPECT_EQ(dev::release_device(), 0);
    return out;
}

class GlDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!support::under_x11()) GTEST_SKIP() << "needs an X server with OpenGL";
        sdl_test::keep_gl_window(true);
        open("sdl");
        ASSERT_EQ(dev::create_object(), 0) << platform::error();
    }
    void TearDown() override
    {
        if (dev::object_exists()) dev::release_object();
        platform::destroy_window();
        sdl_test::keep_gl_window(false);
    }
    static void open(const char* backend)
    {
        support::select_window_backend(backend);
        ASSERT_EQ(platform::video_start(), 0) << platform::error();
        platform::window_spec spec;
        spec.title = L"device";
        spec.width = 2 * back_width;
        spec.height = 2 * back_height;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
    }

    // The scene on the OpenGL device, then on the reference device.
    void compare(const scene& s)
    {
        SCOPED_TRACE(s.name);
        const std::vector<frame> gl = run_scene(s);
        EXPECT_EQ(sdl_test::gl_live_objects(), 4) << "only the program, the vertex array and two buffers live";
        ASSERT_EQ(dev::release_object(), 0);
        EXPECT_EQ(sdl_test::gl_live_objects(), 0);
        platform::destroy_window();
        open("headless");
        platform::headless::set_device_mode(platform::headless::device_mode::reference);
        ASSERT_EQ(dev::create_object(), 0);
        const std::vector<frame> ref = run_scene(s);
        dev::release_object();
        platform::destroy_window();
        open("sdl");
        ASSERT_EQ(dev::create_object(), 0) << platform::error();
        ASSERT_EQ(gl.size(), ref.size());
        for (std::size_t k = 0; k < gl.size(); ++k) {
            // a 16-bit screen keeps the window's channels in 5 or 6 bits
            platform::display_mode desktop{0, 0, 0, 0};
            platform::desktop_mode(desktop);
            const bool window = s.presents && k + 1 == gl.size();
            check(s, k, gl[k], ref[k], window && desktop.bits == 16 ? std::max(s.tolerance, 8) : s.tolerance);
        }
    }

    static void check(const scene& s, std::size_t k, const frame& gl, const frame& ref, int tolerance)
    {
        ASSERT_EQ(gl.argb.size(), ref.argb.size());
        int worst = 0, wx = 0, wy = 0;
        frame diff = ref;
        for (std::size_t i = 0; i < gl.argb.size(); ++i) {
            int d = 0;
            for (int sh = 0; sh < 32; sh += 8)
                d = std::max(d, std::abs(static_cast<int>(gl.argb[i] >> sh & 0xFF) - static_cast<int>(ref.argb[i] >> sh & 0xFF)));
            diff.argb[i] = d == 0 ? 0xFF000000u : 0xFF000000u | static_cast<std::uint32_t>(std::min(255, 64 + 16 * d)) << 16;
            if (d > worst) {
                worst = d;
                wx = static_cast<int>(i % static_cast<std::size_t>(gl.width));
                wy = static_cast<int>(i / static_cast<std::size_t>(gl.width));
            }
        }
        EXPECT_LE(worst, tolerance) << "surface " << k << " at (" << wx << ", " << wy << "): " << std::hex
                                      << gl.argb[static_cast<std::size_t>(wy * gl.width + wx)] << " against "
                                      << ref.argb[static_cast<std::size_t>(wy * gl.width + wx)];
        if (worst > tolerance) {
            const std::filesystem::path dir = std::filesystem::temp_directory_path();
            std::string stem = std::string("gl_") + s.name + "_" + std::to_string(k);
            for (char& c : stem)
                if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
            write_png(dir / (stem + "_gl.png"), gl);
            write_png(dir / (stem + "_reference.png"), ref);
            write_png(dir / (stem + "_difference.png"), diff);
            ADD_FAILURE() << "frames written to " << (dir / stem).string() << "_*.png";
        }
    }
};

TEST_F(GlDevice, ContextIsThreeThreeOrLater)
{
    EXPECT_GE(sdl_test::gl_version(), 33);
    dev::caps c;
    ASSERT_EQ(dev::get_caps(c), 0);
    EXPECT_TRUE(c.blend_op);
    EXPECT_FALSE(c.square_only);
    EXPECT_GE(c.max_texture_width, 2048);
    EXPECT_EQ(c.vertex_shader_version, 0);
    for (dev::format f : {dev::R5G6B5, dev::X1R5G5B5, dev::A1R5G5B5, dev::A4R4G4B4, dev::X8R8G8B8, dev::A8R8G8B8})
        EXPECT_EQ(dev::check_format(dev::X8R8G8B8, dev::usage_render_target, f), 0) << f;
    EXPECT_EQ(dev::check_format(dev::X8R8G8B8, 0, dev::DXT1), -1);
}

TEST_F(GlDevice, CoverageMatchesTheReference)
{
    const scene scenes[] = {
        {"box at integer corners", 0, [](scene_run& r) { draw(dev::triangle_list, fvf_coloured, box(10, 10, 20, 15, 0xFFFF0000u)); }},
        {"shared diagonal drawn once", 0,
         [](scene_run& r) {
             blending(dev::blend_one, dev::blend_one);
             draw(dev::triangle_list, fvf_coloured, box(30.3f, 20.7f, 61.6f, 50.2f, 0xFF404040u));
             draw(dev::triangle_list, fvf_coloured,
                    std::vector<coloured>{{70, 10, 0, 1, 0xFF303030u}, {120, 60, 0, 1, 0xFF303030u}, {75, 90, 0, 1, 0xFF303030u},
                                          {70, 10, 0, 1, 0xFF303030u}, {120, 60, 0, 1, 0xFF303030u}, {140, 5, 0, 1, 0xFF303030u}});
         }},
        {"strips and fans", 0,
         [](scene_run& r) {
             draw(dev::triangle_strip, fvf_coloured,
                    std::vector<coloured>{{10, 70, 0, 1, 0xFF00FF00u}, {10, 100, 0, 1, 0xFF0000FFu}, {40.5f, 70, 0, 1, 0xFFFF0000u},
                                          {50, 100, 0, 1, 0xFFFFFF00u}, {80, 65.25f, 0, 1, 0xFF00FFFFu}});
             draw(dev::triangle_fan, fvf_coloured,
                    std::vector<coloured>{{150, 90, 0, 1, 0xFFFF00FFu}, {150, 60, 0, 1, 0xFF808080u}, {175, 70, 0, 1, 0xFF00FF00u},
                                          {182, 95, 0, 1, 0xFF0000FFu}, {160, 118, 0, 1, 0xFFFF0000u}});
         }},
        {"lines", 0,
         [](scene_run& r) {
             draw(dev::line_list, fvf_coloured,
                    std::vector<coloured>{{10, 5, 0, 1, white}, {19.9f, 5, 0, 1, white}, {30, 5, 0, 1, white},
                                          {30, 14.9f, 0, 1, white}});
         }},
        {"points", 0,
         [](scene_run& r) {
             std::vector<coloured> dots;
             for (int k = 0; k < 20; ++k) dots.push_back({40 + 4.0f * k, 120, 0, 1, 0xFFFFFF00u});
             draw(dev::point_list, fvf_coloured, dots);
         }},
    };
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, StatesOfTheDrawMatchTheReference)
{
    // orthographic over the back buffer: x 0..256 to -1..1, y 0..128 to 1..-1
    const dev::matrix ortho{{{2.0f / back_width, 0, 0, 0}, {0, -2.0f / back_height, 0, 0}, {0, 0, 1, 0}, {-1, 1, 0, 1}}};
    const dev::matrix identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    const dev::matrix shift{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {30, 20, 0, 1}}};
    auto spatial_quad = [](float x1, float y1, float x2, float y2, float z, std::uint32_t c) {
        return std::vector<spatial>{{x1, y1, z, c, 0, 0}, {x2, y1, z, c, 0, 0}, {x1, y2, z, c, 0, 0},
                                    {x2, y2, z, c, 0, 0}, {x1, y2, z, c, 0, 0}, {x2, y1, z, c, 0, 0}};
    };
    // one triangle of each winding
    const std::vector<coloured> windings{{10, 10, 0, 1, 0xFFFF0000u}, {60, 10, 0, 1, 0xFFFF0000u}, {10, 60, 0, 1, 0xFFFF0000u},
                                         {80, 10, 0, 1, 0xFF00FF00u}, {80, 60, 0, 1, 0xFF00FF00u}, {130, 10, 0, 1, 0xFF00FF00u}};
    const scene scenes[] = {
        {"XYZ vertices through world, view and projection", 0,
         [=](scene_run& r) {
             EXPECT_EQ(dev::set_transform(dev::tf_projection, ortho), 0);
             EXPECT_EQ(dev::set_transform(dev::tf_view, identity), 0);
             EXPECT_EQ(dev::set_transform(dev::tf_world, identity), 0);
             draw(dev::triangle_list, fvf_spatial, spatial_quad(10, 10, 20, 15, 0.5f, 0xFFFF0000u));
             draw(dev::triangle_list, fvf_spatial, spatial_quad(30, 10, 40, 15, -0.5f, 0xFF00FF00u));
             draw(dev::triangle_list, fvf_spatial, spatial_quad(50, 10, 60, 15, 1.5f, 0xFF0000FFu));
             EXPECT_EQ(dev::set_transform(dev::tf_world, shift), 0);
             draw(dev::triangle_list, fvf_spatial, spatial_quad(10, 10, 20, 15, 0.5f, 0xFFFFFF00u));
             EXPECT_EQ(dev::set_transform(dev::tf_world, identity), 0);
             EXPECT_EQ(dev::set_viewport(dev::viewport{128, 64, 128, 64, 0, 1}), 0);
             draw(dev::triangle_list, fvf_spatial, spatial_quad(0, 0, 128, 64, 0.5f, 0xFF00FFFFu));
         }},
        {"viewport clips draws and clears", 0,
         [](scene_run& r) {
             EXPECT_EQ(dev::set_viewport(dev::viewport{20, 10, 100, 50, 0, 1}), 0);
             EXPECT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF202020u, 1, 0), 0);
             draw(dev::triangle_list, fvf_coloured, box(0, 0, 256, 128, 0xFF8080FFu));
             draw(dev::line_list, fvf_coloured,
                    std::vector<coloured>{{0, 30, 0, 1, white}, {256, 35, 0, 1, white}});
         }},
        {"culling clockwise", 0,
         [windings](scene_run& r) {
             EXPECT_EQ(dev::set_render_state(dev::rs_cullmode, dev::cull_cw), 0);
             draw(dev::triangle_list, fvf_coloured, windings);
         }},
        {"culling counter-clockwise", 0,
         [windings](scene_run& r) {
             EXPECT_EQ(dev::set_render_state(dev::rs_cullmode, dev::cull_ccw), 0);
             draw(dev::triangle_list, fvf_coloured, windings);
         }},
        {"Gouraud shading", 1,
         [](scene_run& r) {
             EXPECT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_gouraud), 0);
             draw(dev::triangle_list, fvf_coloured,
                    std::vector<coloured>{{10, 10, 0, 1, 0xFFFF0000u}, {200, 30, 0, 1, 0xFF00FF00u}, {40, 120, 0, 1, 0xFF0000FFu}});
         }},
        {"indexed draws", 0,
         [](scene_run& r) {
             const std::vector<coloured> v{{10, 10, 0, 1, 0xFFFF0000u}, {60, 10, 0, 1, 0xFF00FF00u},
                                           {10, 60, 0, 1, 0xFF0000FFu}, {60, 60, 0, 1, white}};
             const std::uint16_t quad_indices[6] = {0, 1, 2, 3, 2, 1};
             EXPECT_EQ(dev::set_fvf(fvf_coloured), 0);
             EXPECT_EQ(dev::draw_indexed_primitive_up(dev::triangle_list, 0, 4, 2, quad_indices, dev::INDEX16, v.data(),
                                                      static_cast<int>(sizeof(coloured))), 0)
                 << platform::error();
         }},
    };
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, ExactCoverageOfTheMeasuredRows)
{
    // the rows the rasterisers agree on, checked on the GL device alone too
    const scene s{"measured rows", 0, [](scene_run& r) {
                      draw(dev::triangle_list, fvf_coloured, box(10, 10, 20, 15, white));
                      draw(dev::line_list, fvf_coloured,
                             std::vector<coloured>{{10, 30, 0, 1, white}, {19.9f, 30, 0, 1, white}, {30, 30, 0, 1, white},
                                                   {30, 39.9f, 0, 1, white}});
                  }};
    const std::vector<frame> f = run_scene(s);
    ASSERT_FALSE(f.empty());
    auto lit = [&](int x, int y) { return f[0].argb[static_cast<std::size_t>(y * back_width + x)] != 0xFF000000u; };
    for (int y = 8; y < 17; ++y)
        for (int x = 8; x < 22; ++x) EXPECT_EQ(lit(x, y), x >= 10 && x < 20 && y >= 10 && y < 15) << x << "," << y;
    for (int x = 8; x < 22; ++x) EXPECT_EQ(lit(x, 30), x >= 10 && x < 20) << x;
    for (int y = 28; y < 42; ++y) EXPECT_EQ(lit(30, y), y >= 30 && y < 40) << y;
}

TEST_F(GlDevice, TexturesMatchTheReference)
{
    // each format's texels, point-sampled at x - 0.5, then linear
    struct fmt {
        dev::format f;
        std::vector<std::uint32_t> texels;
    };
    std::vector<fmt> formats;
    for (dev::format f : {dev::A8R8G8B8, dev::X8R8G8B8, dev::R5G6B5, dev::X1R5G5B5, dev::A1R5G5B5, dev::A4R4G4B4}) {
        fmt row{f, {}};
        for (std::uint32_t i = 0; i < 16; ++i)
            row.texels.push_back(dev::format_bytes(f) == 4 ? 0x80000000u | (0x10 * (i + 1)) << 16 | i << 8 | (255 - 9 * i)
                                                           : (0x1111u * i) ^ 0x8421u);
        formats.push_back(row);
    }
    std::vector<scene> scenes;
    for (const fmt& row : formats) {
        // texels exact at 8 bits; narrower channels are widened by rounding on
        // one device and by repeating their top bits on the other
        const int tolerance = dev::format_bytes(row.f) == 4 ? 0 : 1;
        scenes.push_back({"point-sampled texels", tolerance, [row](scene_run& r) {
                              EXPECT_EQ(dev::set_texture(0, r.texture(4, 4, row.f, row.texels)), 0);
                              stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1,
                                      dev::ta_texture, dev::ta_diffuse);
                              r.quad(10 - 0.5f, 20 - 0.5f, 4, 4, 1);
                              r.quad(40 - 0.5f, 20 - 0.5f, 32, 32, 1);
                              EXPECT_EQ(dev::set_sampler_state(0, dev::ss_addressu, dev::address_wrap), 0);
                              EXPECT_EQ(dev::set_sampler_state(0, dev::ss_addressv, dev::address_mirror), 0);
                              r.quad(80 - 0.5f, 20 - 0.5f, 48, 48, 3);
                          }});
        scenes.push_back({"linear sampling", 2, [row](scene_run& r) {
                              EXPECT_EQ(dev::set_texture(0, r.texture(4, 4, row.f, row.texels)), 0);
                              stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1,
                                      dev::ta_texture, dev::ta_diffuse);
                              EXPECT_EQ(dev::set_sampler_state(0, dev::ss_magfilter, dev::texfilter_linear), 0);
                              EXPECT_EQ(dev::set_sampler_state(0, dev::ss_minfilter, dev::texfilter_linear), 0);
                              r.quad(10 - 0.5f, 20 - 0.5f, 64, 64, 1);
                          }});
    }
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, BlendingStagesAndAlphaTestMatchTheReference)
{
    struct blend_row {
        std::uint32_t src, dst, op;
    };
    const blend_row blends[] = {
        {dev::blend_srcalpha, dev::blend_invsrcalpha, dev::blendop_add},
        {dev::blend_invdestcolor, dev::blend_zero, dev::blendop_add},
        {dev::blend_one, dev::blend_one, dev::blendop_revsubtract},
        {dev::blend_srcalpha, dev::blend_one, dev::blendop_revsubtract},
        {dev::blend_one, dev::blend_one, dev::blendop_add},
        {dev::blend_srcalpha, dev::blend_one, dev::blendop_add},
        {dev::blend_zero, dev::blend_srccolor, dev::blendop_add},
        {dev::blend_zero, dev::blend_one, dev::blendop_add},
    };
    // a colour ramp under the blended boxes of varying alpha
    auto backdrop = [](scene_run& r) {
        draw(dev::triangle_list, fvf_coloured, box(0, 0, 256, 128, 0xFF3C78B4u));
        for (int k = 0; k < 8; ++k)
            draw(dev::triangle_list, fvf_coloured,
                   box(32.0f * k, 0, 32.0f * k + 32, 128, 0xFF000000u | static_cast<std::uint32_t>(k * 36) << 16 | 0x5000u));
    };
    std::vector<scene> scenes;
    for (const blend_row& b : blends)
        scenes.push_back({"blend", 1, [b, backdrop](scene_run& r) {
                              backdrop(r);
                              blending(b.src, b.dst, b.op);
                              for (int k = 0; k < 8; ++k)
                                  draw(dev::triangle_list, fvf_coloured,
                                         box(4, 4.0f + 15 * k, 250, 16.0f + 15 * k,
                                               static_cast<std::uint32_t>(k * 36) << 24 | 0xC8641Eu));
                          }});
    const std::uint32_t ops[] = {dev::op_selectarg1, dev::op_selectarg2, dev::op_modulate, dev::op_modulate2x,
                                 dev::op_modulate4x, dev::op_add, dev::op_subtract, dev::op_blenddiffusealpha,
                                 dev::op_blendcurrentalpha};
    for (std::uint32_t op : ops)
        // exact but for the interpolated colours of the Gouraud triangle
        scenes.push_back({"stage operation", 1, [op](scene_run& r) {
                              std::vector<std::uint32_t> texels;
                              for (std::uint32_t i = 0; i < 16; ++i) texels.push_back((i * 17) << 24 | (i * 13) << 16 | (255 - i * 11) << 8 | i * 7);
                              EXPECT_EQ(dev::set_texture(0, r.texture(4, 4, dev::A8R8G8B8, texels)), 0);
                              EXPECT_EQ(dev::set_render_state(dev::rs_texturefactor, 0x80406080u), 0);
                              stage(0, op, dev::ta_texture, dev::ta_diffuse, op, dev::ta_texture, dev::ta_diffuse);
                              stage(1, op, dev::ta_tfactor | dev::ta_complement, dev::ta_current, dev::op_selectarg2,
                                      dev::ta_texture, dev::ta_current);
                              stage(2, dev::op_disable, dev::ta_texture, dev::ta_current, dev::op_disable,
                                      dev::ta_texture, dev::ta_current);
                              r.quad(10 - 0.5f, 10 - 0.5f, 16, 16, 1, 0x9050A0F0u);
                              EXPECT_EQ(dev::set_render_state(dev::rs_shademode, dev::shade_gouraud), 0);
                              draw(dev::triangle_list, fvf_lit,
                                     std::vector<lit>{{40 - 0.5f, 10 - 0.5f, 0, 1, 0xFF102030u, 0xFFFFFFFFu, 0, 0},
                                                      {104 - 0.5f, 10 - 0.5f, 0, 1, 0x80F0E0D0u, 0xFF000000u, 1, 0},
                                                      {40 - 0.5f, 74 - 0.5f, 0, 1, 0x20808080u, 0xFF804020u, 0, 1}});
                          }});
    struct alpha_row {
        std::uint32_t func, ref;
    };
    for (const alpha_row a : {alpha_row{dev::cmp_greater, 16}, alpha_row{dev::cmp_greaterequal, 17}, alpha_row{dev::cmp_greater, 0}})
        scenes.push_back({"alpha test", 0, [a](scene_run& r) {
                              std::vector<std::uint32_t> texels;
                              for (std::uint32_t i = 0; i < 16; ++i) texels.push_back((i + 9) << 24 | 0xFF8000u);
                              EXPECT_EQ(dev::set_texture(0, r.texture(4, 4, dev::A8R8G8B8, texels)), 0);
                              stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1,
                                      dev::ta_texture, dev::ta_diffuse);
                              EXPECT_EQ(dev::set_render_state(dev::rs_alphatestenable, 1), 0);
                              EXPECT_EQ(dev::set_render_state(dev::rs_alphafunc, a.func), 0);
                              EXPECT_EQ(dev::set_render_state(dev::rs_alpharef, a.ref), 0);
                              r.quad(10 - 0.5f, 10 - 0.5f, 4, 4, 1);
                          }});
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, SixteenBitBackBuffers)
{
    for (dev::format f : {dev::R5G6B5, dev::X1R5G5B5, dev::A1R5G5B5}) {
        scene unblended{"unblended writes, clears and fills", 0, [](scene_run& r) {
                            draw(dev::triangle_list, fvf_coloured, box(10, 10, 100, 60, 0xFF8F4FC7u));
                            draw(dev::triangle_list, fvf_coloured, box(50, 30, 140, 90, 0xFF07FC3Bu));
                            const platform::rect part{150, 10, 200, 60};
                            EXPECT_EQ(dev::clear(1, &part, dev::clear_target, 0xFF7B3D1Fu, 1, 0), 0);
                            const platform::rect fill{200, 70, 250, 120};
                            EXPECT_EQ(dev::color_fill(r.back, &fill, 0xFFC3A50Fu), 0);
                        }, f};
        scene blended{"blended writes", 8, [](scene_run& r) {
                          draw(dev::triangle_list, fvf_coloured, box(10, 10, 100, 60, 0xFF8F4FC7u));
                          blending(dev::blend_srcalpha, dev::blend_invsrcalpha);
                          draw(dev::triangle_list, fvf_coloured, box(50, 30, 140, 90, 0x6007FC3Bu));
                      }, f};
        compare(unblended);
        compare(blended);
    }
}

TEST_F(GlDevice, CopiesMatchTheReference)
{
    // a picture on a render target copied 1 : 1 and 1 : 2, filled, uploaded and read back
    auto picture = [](scene_run& r, resource t) {
        EXPECT_EQ(dev::set_render_target(t), 0);
        EXPECT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF203040u, 1, 0), 0);
        for (int k = 0; k < 8; ++k)
            draw(dev::triangle_list, fvf_coloured,
                   box(4.0f * k, 0, 4.0f * k + 4, 32, 0xFF000000u | static_cast<std::uint32_t>(30 * k) << 16 | static_cast<std::uint32_t>(255 - 30 * k)));
        draw(dev::triangle_list, fvf_coloured, box(0, 8, 32, 12, 0xFFFFFFFFu));
        EXPECT_EQ(dev::set_render_target(r.back), 0);
    };
    const scene scenes[] = {
        {"StretchRect point 1:1 and 1:2", 0,
         [picture](scene_run& r) {
             const resource t = r.target(32, 32, dev::X8R8G8B8);
             picture(r, t);
             const platform::rect a{0, 0, 32, 32}, one{10, 10, 42, 42}, two{60, 10, 124, 74};
             EXPECT_EQ(dev::stretch_rect(t, &a, r.back, &one, dev::filter_point), 0);
             EXPECT_EQ(dev::stretch_rect(t, &a, r.back, &two, dev::filter_point), 0);
             r.shots.push_back(t);
         }},
        {"StretchRect linear 1:2", 2,
         [picture](scene_run& r) {
             const resource t = r.target(32, 32, dev::X8R8G8B8);
             picture(r, t);
             const platform::rect a{0, 0, 32, 32}, two{60, 10, 124, 74};
             EXPECT_EQ(dev::stretch_rect(t, &a, r.back, &two, dev::filter_linear), 0);
         }},
        {"ColorFill", 0,
         [](scene_run& r) {
             const platform::rect a{5, 5, 50, 40}, b{30, 20, 31, 100};
             EXPECT_EQ(dev::color_fill(r.back, &a, 0xFF123456u), 0);
             EXPECT_EQ(dev::color_fill(r.back, &b, 0x80FEDCBAu), 0);
             const resource t = r.target(16, 16, dev::A4R4G4B4);
             EXPECT_EQ(dev::color_fill(t, nullptr, 0x9ABCDEF0u), 0);
             r.shots.push_back(t);
         }},
        {"UpdateSurface and GetRenderTargetData", 0,
         [](scene_run& r) {
             const resource src = r.plain(8, 8, dev::A8R8G8B8);
             dev::locked_rect l;
             EXPECT_EQ(dev::lock_surface(src, nullptr, 0, l), 0);
             if (l.bits)
                 for (int y = 0; y < 8; ++y)
                     for (int x = 0; x < 8; ++x) {
                         const std::uint32_t v = 0xFF000000u | static_cast<std::uint32_t>(x * 32) << 16 | static_cast<std::uint32_t>(y * 32);
                         std::memcpy(static_cast<std::uint8_t*>(l.bits) + y * l.pitch + x * 4, &v, 4);
                     }
             EXPECT_EQ(dev::unlock_surface(src), 0);
             resource tex = resource::none, level = resource::none;
             EXPECT_EQ(dev::create_texture(16, 16, 1, 0, dev::A8R8G8B8, dev::pool_default, tex), 0);
             r.keep(tex);
             EXPECT_EQ(dev::get_surface_level(tex, 0, level), 0);
             r.keep(level);
             const platform::rect from{2, 2, 6, 8};
             const int at[2] = {3, 4};
             EXPECT_EQ(dev::update_surface(src, &from, level, at), 0);
             EXPECT_EQ(dev::update_surface(src, nullptr, level, nullptr), 0);
             EXPECT_EQ(dev::set_texture(0, tex), 0);
             stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture,
                     dev::ta_diffuse);
             r.quad(20 - 0.5f, 20 - 0.5f, 8, 8, 0.5f);
             EXPECT_EQ(dev::set_texture(0, resource::none), 0);
             const resource t = r.target(24, 24, dev::A8R8G8B8);
             const resource copy = r.plain(24, 24, dev::A8R8G8B8);
             const platform::rect drawn{16, 16, 40, 40};
             EXPECT_EQ(dev::stretch_rect(r.back, &drawn, t, nullptr, dev::filter_none), 0);
             EXPECT_EQ(dev::get_render_target_data(t, copy), 0);
             r.shots.push_back(copy);
         }},
    };
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, LockRoundTrips)
{
    const scene scenes[] = {
        {"managed texture written through rectangle locks", 0,
         [](scene_run& r) {
             std::vector<std::uint32_t> texels(64, 0xFF000000u);
             const resource t = r.texture(8, 8, dev::A8R8G8B8, texels);
             const platform::rect part{2, 1, 6, 4};
             dev::locked_rect l;
             EXPECT_EQ(dev::lock_texture(t, 0, &part, 0, l), 0);
             if (l.bits)
                 for (int y = 0; y < 3; ++y)
                     for (int x = 0; x < 4; ++x) {
                         const std::uint32_t v = 0xFF00FF00u | static_cast<std::uint32_t>(x * 60);
                         std::memcpy(static_cast<std::uint8_t*>(l.bits) + y * l.pitch + x * 4, &v, 4);
                     }
             EXPECT_EQ(dev::unlock_texture(t, 0), 0);
             EXPECT_EQ(dev::set_texture(0, t), 0);
             stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture,
                     dev::ta_diffuse);
             r.quad(10 - 0.5f, 10 - 0.5f, 8, 8, 1);
         }},
        {"back buffer written through a lock", 0,
         [](scene_run& r) {
             draw(dev::triangle_list, fvf_coloured, box(0, 0, 64, 64, 0xFF336699u));
             const platform::rect part{8, 8, 24, 16};
             dev::locked_rect l;
             EXPECT_EQ(dev::lock_surface(r.back, &part, 0, l), 0);
             if (l.bits)
                 for (int y = 0; y < 8; ++y)
                     for (int x = 0; x < 16; ++x) {
                         const std::uint32_t v = 0xFF000000u | static_cast<std::uint32_t>(x * 16) << 8;
                         std::memcpy(static_cast<std::uint8_t*>(l.bits) + y * l.pitch + x * 4, &v, 4);
                     }
             EXPECT_EQ(dev::unlock_surface(r.back), 0);
         }},
        {"a discarded render-target lock written whole", 0,
         [](scene_run& r) {
             const resource t = r.target(8, 8, dev::R5G6B5);
             dev::locked_rect l;
             EXPECT_EQ(dev::lock_surface(t, nullptr, dev::lock_discard, l), 0);
             if (l.bits)
                 for (int y = 0; y < 8; ++y)
                     for (int x = 0; x < 8; ++x) {
                         const std::uint16_t v = static_cast<std::uint16_t>(x << 11 | y << 5 | (x ^ y));
                         std::memcpy(static_cast<std::uint8_t*>(l.bits) + y * l.pitch + x * 2, &v, 2);
                     }
             EXPECT_EQ(dev::unlock_surface(t), 0);
             r.shots.push_back(t);
         }},
    };
    for (const scene& s : scenes) compare(s);
}

// What a program writes through a read-only lock of the back buffer never
// reaches the picture (the reference device hands out its memory itself).
TEST_F(GlDevice, PresentMatchesTheReference)
{
    auto picture = [](scene_run& r) {
        for (int k = 0; k < 16; ++k)
            draw(dev::triangle_list, fvf_coloured,
                   box(16.0f * k, 0, 16.0f * k + 16, 128, 0xFF000000u | static_cast<std::uint32_t>(16 * k) << 16 | 0x40C0u));
        draw(dev::line_list, fvf_coloured,
               std::vector<coloured>{{0, 0, 0, 1, white}, {255, 127, 0, 1, white}, {3, 120, 0, 1, white}, {250, 3, 0, 1, white}});
    };
    std::vector<scene> scenes;
    for (dev::format f : {dev::X8R8G8B8, dev::R5G6B5}) {
        // 16-bit channels are widened by rounding on one side, by repeating bits on the other
        const int tolerance = f == dev::R5G6B5 ? 1 : 0;
        scene whole{"present at scale 2", tolerance, [picture](scene_run& r) {
                        picture(r);
                        EXPECT_EQ(dev::present(resource::none, nullptr, nullptr), 0) << platform::error();
                    }, f, true};
        scene parts{"present of a part into a part", tolerance, [picture](scene_run& r) {
                        picture(r);
                        const platform::rect from{8, 4, 200, 100}, to{30, 20, 414, 212};
                        EXPECT_EQ(dev::present(resource::none, &from, &to), 0) << platform::error();
                    }, f, true};
        scenes.push_back(whole);
        scenes.push_back(parts);
    }
    for (const scene& s : scenes) compare(s);
}

TEST_F(GlDevice, ReadOnlyLockLeavesThePicture)
{
    const scene s{"read-only lock", 0, [](scene_run& r) {
                      draw(dev::triangle_list, fvf_coloured, box(0, 0, 64, 64, 0xFF336699u));
                      dev::locked_rect l;
                      const platform::rect part{0, 0, 8, 8};
                      EXPECT_EQ(dev::lock_surface(r.back, &part, dev::lock_readonly, l), 0);
                      if (l.bits) std::memset(l.bits, 0x7F, 16);
                      EXPECT_EQ(dev::unlock_surface(r.back), 0);
                  }};
    const std::vector<frame> f = run_scene(s);
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f[0].argb[0], 0xFF336699u);
    EXPECT_EQ(f[0].argb[3], 0xFF336699u);
}

TEST_F(GlDevice, TenCycleLeaveNoGlObjects)
{
    const scene s{"cycle", 0, [](scene_run& r) {
                      std::vector<std::uint32_t> texels(16, 0xFF808080u);
                      EXPECT_EQ(dev::set_texture(0, r.texture(4, 4, dev::X8R8G8B8, texels)), 0);
                      const resource t = r.target(16, 16, dev::X8R8G8B8);
                      EXPECT_EQ(dev::set_render_target(t), 0);
                      r.quad(0, 0, 16, 16, 1);
                      EXPECT_EQ(dev::set_render_target(r.back), 0);
                      EXPECT_EQ(dev::present(resource::none, nullptr, nullptr), 0);
                  }};
    for (int k = 0; k < 10; ++k) {
        run_scene(s);
        ASSERT_EQ(dev::release_object(), 0);
        EXPECT_EQ(sdl_test::gl_live_objects(), 0) << "cycle " << k;
        ASSERT_EQ(dev::create_object(), 0) << platform::error();
    }
}

// A driver held below 3.3 (MESA_GL_VERSION_OVERRIDE) fails the object and
// leaves no context behind; the software road still presents.
TEST(GlDeviceOldDriver, ObjectFailsBelowThreeThree)
{
    if (!support::under_x11() || !std::getenv("MESA_GL_VERSION_OVERRIDE")) GTEST_SKIP() << "needs a held-back driver";
    support::select_window_backend("sdl");
    ASSERT_EQ(platform::video_start(), 0) << platform::error();
    platform::window_spec spec;
    spec.width = 64;
    spec.height = 32;
    ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
    EXPECT_EQ(dev::create_object(), -1);
    EXPECT_FALSE(dev::object_exists());
    EXPECT_FALSE(sdl_test::gl_context());
    EXPECT_EQ(sdl_test::gl_live_objects(), 0);
    platform::destroy_window();
}

// Under SDL's dummy driver the window is plain: the object fails, and the
// software road presents as before.
TEST(GlDeviceFallback, DummyDriverFailsTheObject)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && std::string(driver) != "dummy") GTEST_SKIP() << "runs under the dummy driver";
    support::select_window_backend("sdl");
    ASSERT_EQ(platform::video_start(), 0) << platform::error();
    platform::window_spec spec;
    spec.width = 64;
    spec.height = 32;
    ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
    ASSERT_EQ(platform::open_display(), 0);
    EXPECT_EQ(dev::create_object(), -1);
    EXPECT_FALSE(dev::object_exists());
    EXPECT_FALSE(sdl_test::gl_context());
    std::vector<std::uint32_t> pixels(64 * 32, 0xFF0000FFu);
    platform::pixel_view v;
    v.pixels = pixels.data();
    v.width = 64;
    v.height = 32;
    v.pitch = 256;
    v.bits = 32;
    v.red_mask = 0xFF0000;
    v.green_mask = 0xFF00;
    v.blue_mask = 0xFF;
    const platform::rect whole{0, 0, 64, 32};
    EXPECT_EQ(platform::present(v, whole, whole), 0) << platform::error();
    std::vector<std::uint32_t> shown;
    int w = 0, h = 0;
    ASSERT_EQ(sdl_test::read_window(shown, w, h), 0) << platform::error();
    ASSERT_EQ(w, 64);
    EXPECT_EQ(shown[100] & 0xFFFFFF, 0xFFu);
    platform::destroy_window();
}

}  // namespace
