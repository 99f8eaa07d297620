// The device group on the recording device: the transcript of a scripted
// sequence, locks, the failure switches, leaks and read-only faults, and the
// common checks' refusals of bad input.
#include "platform/device/device_fixture.hpp"

#include <functional>
#include <string>

namespace {

using namespace device_test;

class DeviceRecording : public recording_device {};

// The vertex layout of a pre-transformed, coloured, textured vertex (stride 28).
struct vertex {
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};

TEST_F(DeviceRecording, ScriptedSequenceReadsBackAsItsCalls)
{
    // the fixture's object and device, made again under a fresh transcript
    dev::release_object();
    hl::clear_device_transcript();

    ASSERT_EQ(dev::create_object(), 0);
    dev::caps caps;
    ASSERT_EQ(dev::get_caps(caps), 0);
    EXPECT_EQ(caps.max_texture_width, 2048);
    dev::present_params p;
    p.width = 800;
    p.height = 600;
    p.back_buffer_format = dev::X8R8G8B8;
    ASSERT_EQ(dev::create_device(p, dev::create_software_vertex_processing), 0);
    resource tex = resource::none;
    ASSERT_EQ(dev::create_texture(256, 256, 1, 0, dev::A8R8G8B8, dev::pool_managed, tex), 0);
    dev::locked_rect l;
    ASSERT_EQ(dev::lock_texture(tex, 0, nullptr, 0, l), 0);
    ASSERT_EQ(dev::unlock_texture(tex, 0), 0);
    ASSERT_EQ(dev::set_texture(0, tex), 0);
    const std::uint32_t fvf = dev::fvf_xyzrhw | dev::fvf_diffuse | dev::fvf_tex1;
    ASSERT_EQ(dev::set_fvf(fvf), 0);
    const vertex quad[6] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},     {256, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                            {0, 256, 0, 1, 0xFFFFFFFF, 0, 1},   {256, 256, 0, 1, 0xFF00FF00, 1, 1},
                            {0, 256, 0, 1, 0xFFFFFFFF, 0, 1},   {256, 0, 0, 1, 0xFFFFFFFF, 1, 0}};
    ASSERT_EQ(dev::draw_primitive_up(dev::triangle_list, 2, quad, 28), 0);
    ASSERT_EQ(dev::present(resource::none, nullptr, nullptr), 0);
    ASSERT_EQ(dev::set_texture(0, resource::none), 0);
    ASSERT_EQ(dev::release(tex), 0);
    ASSERT_EQ(dev::release_device(), 0);
    ASSERT_EQ(dev::release_object(), 0);

    const std::vector<std::string> expected = {
        "CreateObject",
        "GetDeviceCaps",
        "CreateDevice 800 600 22 windowed 0 0x1 - 0x20",
        "CreateTexture 256 256 1 0x0 21 1 #1",
        "LockRect #1 0 (0,0,256,256) 0x0",
        "UnlockRect #1 0",
        "SetTexture 0 #1",
        "SetFVF 0x144",
        "DrawPrimitiveUP 4 2 28",
        "Present (0,0,800,600) (0,0,800,600)",
        "SetTexture 0 -",
        "Release #1",
        "ReleaseDevice",
        "ReleaseObject",
    };
    EXPECT_EQ(hl::device_call_texts(), expected);
    const hl::device_call& draw = hl::device_transcript()[8];
    ASSERT_EQ(draw.vertices.size(), sizeof quad);
    EXPECT_EQ(std::memcmp(draw.vertices.data(), quad, sizeof quad), 0);
    EXPECT_EQ(hl::frame().count, 1);
}

TEST_F(DeviceRecording, IndexedDrawsCopyTheirIndicesAndTheAddressedVertices)
{
    ASSERT_EQ(dev::set_fvf(dev::fvf_xyzrhw | dev::fvf_diffuse), 0);
    const float grid[4][5] = {{0, 0, 0, 1, 0}, {10, 0, 0, 1, 0}, {0, 10, 0, 1, 0}, {10, 10, 0, 1, 0}};
    const std::uint16_t strip[4] = {2, 0, 3, 1};
    hl::clear_device_transcript();
    ASSERT_EQ(dev::draw_indexed_primitive_up(dev::triangle_strip, 0, 4, 2, strip, dev::INDEX16, grid, 20), 0);
    ASSERT_EQ(hl::device_transcript().size(), 1u);
    const hl::device_call& c = hl::device_transcript()[0];
    EXPECT_EQ(c.call, "DrawIndexedPrimitiveUP 5 0 4 2 20");
    EXPECT_EQ(c.indices, (std::vector<std::uint16_t>{2, 0, 3, 1}));
    ASSERT_EQ(c.vertices.size(), sizeof grid);
    EXPECT_EQ(std::memcmp(c.vertices.data(), grid, sizeof grid), 0);

    hl::set_device_transcript(false);
    ASSERT_EQ(dev::draw_indexed_primitive_up(dev::triangle_strip, 0, 4, 2, strip, dev::INDEX16, grid, 20), 0);
    EXPECT_EQ(hl::device_transcript().size(), 1u) << "the transcript was off";
}

// ---- locks ----

TEST_F(DeviceRecording, ManagedTextureLocksKeepTheirBytesAndPointAtTheRectangle)
{
    const resource tex = texture(100, 50, dev::A8R8G8B8, dev::pool_managed);
    dev::locked_rect whole;
    ASSERT_EQ(dev::lock_texture(tex, 0, nullptr, 0, whole), 0);
    EXPECT_GE(whole.pitch, 100 * 4 + 16) << "rows padded past the width";
    EXPECT_EQ(whole.pitch % 64, 0);
    auto* bytes = static_cast<std::uint8_t*>(whole.bits);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100 * 4; ++x) bytes[y * whole.pitch + x] = static_cast<std::uint8_t>(x * 3 + y);
    ASSERT_EQ(dev::unlock_texture(tex, 0), 0);

    const platform::rect area{10, 5, 20, 9};
    dev::locked_rect part;
    ASSERT_EQ(dev::lock_texture(tex, 0, &area, dev::lock_readonly, part), 0);
    EXPECT_EQ(part.pitch, whole.pitch);
    const auto* p = static_cast<const std::uint8_t*>(part.bits);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(p[y * part.pitch + x], static_cast<std::uint8_t>((40 + x) * 3 + 5 + y)) << x << "," << y;
    ASSERT_EQ(dev::unlock_texture(tex, 0), 0);

    // a discard hands back undefined contents: the device's pattern
    dev::locked_rect again;
    ASSERT_EQ(dev::lock_texture(tex, 0, nullptr, dev::lock_discard, again), 0);
    const auto* d = static_cast<const std::uint8_t*>(again.bits);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 400; ++x) ASSERT_EQ(d[y * again.pitch + x], hl::device_fill_byte);
    ASSERT_EQ(dev::unlock_texture(tex, 0), 0);
}

TEST_F(DeviceRecording, WhatLocksAndWhatIsRefused)
{
    hl::set_device_format_support(dev::DXT1, 0, true);
    struct row {
        const char* what;
        std::function<resource()> make;
        platform::rect area;  // right 0: the whole
        bool locks;
    };
    const row rows[] = {
        {"managed texture level", [&] { return level(texture(64, 64, dev::R5G6B5, dev::pool_managed)); }, {}, true},
        {"system-memory texture level", [&] { return level(texture(64, 64, dev::R5G6B5, dev::pool_system_memory)); }, {}, true},
        {"system-memory surface", [&] { return plain(64, 32, dev::A8R8G8B8); }, {}, true},
        {"lockable back buffer", [&] { return back_buffer(); }, {}, true},
        {"rectangle to the edge", [&] { return plain(64, 32, dev::A8R8G8B8); }, {32, 16, 64, 32}, true},
        {"DXT whole blocks", [&] { return level(texture(64, 64, dev::DXT1, dev::pool_managed)); }, {4, 8, 12, 16}, true},
        {"render-target texture", [&] { return level(texture(64, 64, dev::A8R8G8B8, dev::pool_default, dev::usage_render_target)); }, {}, false},
        {"default-pool texture", [&] { return level(texture(64, 64, dev::A8R8G8B8, dev::pool_default)); }, {}, false},
        {"render target not lockable", [&] { return target(64, 64, dev::X8R8G8B8, false); }, {}, false},
        {"depth surface", [&] { resource r; EXPECT_EQ(dev::create_depth_stencil_surface(64, 64, dev::D16, r), 0); return keep(r); }, {}, false},
        {"rectangle past the edge", [&] { return plain(64, 32, dev::A8R8G8B8); }, {32, 16, 65, 32}, false},
        {"rectangle before the edge", [&] { return plain(64, 32, dev::A8R8G8B8); }, {-1, 0, 8, 8}, false},
        {"empty rectangle", [&] { return plain(64, 32, dev::A8R8G8B8); }, {8, 8, 8, 16}, false},
        {"DXT part of a block", [&] { return level(texture(64, 64, dev::DXT1, dev::pool_managed)); }, {2, 0, 8, 4}, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const resource s = r.make();
        ASSERT_NE(s, resource::none);
        dev::locked_rect l;
        const int result = dev::lock_surface(s, r.area.right ? &r.area : nullptr, 0, l);
        if (!r.locks) {
            EXPECT_EQ(result, -1);
            EXPECT_STRNE(platform::error(), "");
            EXPECT_EQ(l.bits, nullptr);
            continue;
        }
        ASSERT_EQ(result, 0) << platform::error();
        const dev::resource_desc d = *dev::describe(s);
        const int row_bytes = dev::is_block_format(d.fmt) ? (d.width + 3) / 4 * 8 : d.width * dev::format_bytes(d.fmt);
        EXPECT_GE(l.pitch, row_bytes + 16);
        dev::locked_rect second;
        EXPECT_EQ(dev::lock_surface(s, nullptr, 0, second), -1) << "a second lock";
        EXPECT_EQ(dev::unlock_surface(s), 0);
        EXPECT_EQ(dev::unlock_surface(s), -1) << "an unlock of what is not locked";
    }
}

TEST_F(DeviceRecording, LevelSurfaceAndTextureShareOneLockAndOneMemory)
{
    const resource tex = texture(32, 32, dev::A8R8G8B8, dev::pool_managed, 0, 0);
    EXPECT_EQ(dev::level_count(tex), 6);
    const resource one = level(tex, 1);
    EXPECT_EQ(dev::describe(one)->width, 16);
    dev::locked_rect a, b;
    ASSERT_EQ(dev::lock_texture(tex, 1, nullptr, 0, a), 0);
    EXPECT_EQ(dev::lock_surface(one, nullptr, 0, b), -1) << "the level is locked through its texture";
    static_cast<std::uint8_t*>(a.bits)[0] = 0x5A;
    ASSERT_EQ(dev::unlock_texture(tex, 1), 0);
    // the surface outlives its texture's handle
    ASSERT_EQ(dev::release(tex), 0);
    forget(tex);
    EXPECT_EQ(dev::lock_texture(tex, 1, nullptr, 0, a), -1) << "a released texture";
    ASSERT_EQ(dev::lock_surface(one, nullptr, dev::lock_readonly, b), 0);
    EXPECT_EQ(static_cast<std::uint8_t*>(b.bits)[0], 0x5A);
    ASSERT_EQ(dev::unlock_surface(one), 0);
}

TEST_F(DeviceRecording, ARenderTargetSetsTheViewportAndItsReleaseGoesBackToTheBackBuffer)
{
    const resource rt = target(64, 32, dev::X8R8G8B8, false);
    ASSERT_EQ(dev::set_render_target(rt), 0);
    EXPECT_EQ(dev::current_state().render_target, rt);
    EXPECT_EQ(dev::current_state().view_port.width, 64);
    EXPECT_EQ(dev::current_state().scissor.bottom, 32);
    EXPECT_EQ(dev::set_viewport(dev::viewport{0, 0, 65, 32, 0, 1}), -1) << "past the render target";
    ASSERT_EQ(dev::release(rt), 0);
    forget(rt);
    EXPECT_EQ(dev::current_state().render_target, resource::none);
    EXPECT_EQ(dev::current_state().view_port.width, 800);
    EXPECT_EQ(hl::device_call_texts().back(), "Release #1");
    EXPECT_EQ(hl::device_call_texts().end()[-2], "SetRenderTarget -");
}

// ---- failures, leaks, faults ----

TEST_F(DeviceRecording, EachFailureSwitchReachesItsCaller)
{
    const resource sys = plain(16, 16, dev::X8R8G8B8);
    const resource rt_tex = texture(16, 16, dev::X8R8G8B8, dev::pool_default, dev::usage_render_target);
    const resource rt_level = level(rt_tex);
    const resource rt = target(16, 16, dev::X8R8G8B8);
    const std::uint32_t code[2] = {0xFFFE0200, 0x0000FFFF};
    struct row {
        hl::device_op op;
        std::function<int()> call;
    };
    const row rows[] = {
        {hl::device_op::create_texture, [&] { resource r; return dev::create_texture(8, 8, 1, 0, dev::X8R8G8B8, dev::pool_managed, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::get_surface_level, [&] { resource r; return dev::get_surface_level(rt_tex, 0, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::create_render_target, [&] { resource r; return dev::create_render_target(8, 8, dev::X8R8G8B8, false, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::create_offscreen_plain_surface, [&] { resource r; return dev::create_offscreen_plain_surface(8, 8, dev::X8R8G8B8, dev::pool_system_memory, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::create_depth_stencil_surface, [&] { resource r; return dev::create_depth_stencil_surface(8, 8, dev::D24X8, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::create_vertex_shader, [&] { resource r; return dev::create_vertex_shader(code, 2, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::create_pixel_shader, [&] { resource r; return dev::create_pixel_shader(code, 2, r) < 0 ? -1 : (keep(r), 0); }},
        {hl::device_op::lock_rect, [&] { dev::locked_rect l; return dev::lock_surface(sys, nullptr, 0, l) < 0 ? -1 : dev::unlock_surface(sys); }},
        {hl::device_op::present, [&] { return dev::present(resource::none, nullptr, nullptr); }},
        {hl::device_op::stretch_rect, [&] { return dev::stretch_rect(rt_level, nullptr, rt, nullptr, dev::filter_none); }},
        {hl::device_op::update_surface, [&] { return dev::update_surface(sys, nullptr, rt_level, nullptr); }},
        {hl::device_op::color_fill, [&] { return dev::color_fill(rt, nullptr, 0xFF00FF00); }},
        {hl::device_op::set_viewport, [&] { return dev::set_viewport(dev::viewport{0, 0, 10, 10, 0, 1}); }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.op));
        hl::fail_device_call(r.op, 2);
        ASSERT_EQ(r.call(), 0) << "the first call passes: " << platform::error();
        const int live = dev::live_resources();
        platform::set_error("");
        EXPECT_EQ(r.call(), -1) << "the second fails";
        EXPECT_STRNE(platform::error(), "");
        EXPECT_EQ(dev::live_resources(), live);
        EXPECT_EQ(r.call(), 0) << "and only once: " << platform::error();
    }
    EXPECT_EQ(dev::current_state().view_port.width, 10);

    // the object and the device: each attempt counts
    release_all();
    dev::release_object();
    hl::fail_device_call(hl::device_op::create_object, 1);
    EXPECT_EQ(dev::create_object(), -1);
    EXPECT_FALSE(dev::object_exists());
    ASSERT_EQ(dev::create_object(), 0);
    dev::present_params p;
    p.width = 640;
    p.height = 480;
    p.back_buffer_format = dev::R5G6B5;
    hl::fail_device_call(hl::device_op::create_device, 1);
    EXPECT_EQ(dev::create_device(p, dev::create_mixed_vertex_processing), -1);
    EXPECT_STRNE(platform::error(), "");
    EXPECT_EQ(dev::create_device(p, dev::create_software_vertex_processing), 0);
}

TEST_F(DeviceRecording, OffModeMakesTheObjectButNoDevice)
{
    dev::release_object();
    hl::set_device_mode(hl::device_mode::off);
    hl::clear_device_transcript();
    ASSERT_EQ(dev::create_object(), 0);
    dev::adapter_mode mode;
    ASSERT_EQ(dev::get_adapter_mode(mode), 0);
    EXPECT_EQ(mode.fmt, dev::X8R8G8B8) << "the desktop's 32 bits";
    dev::present_params p;
    p.width = 800;
    p.height = 600;
    p.back_buffer_format = dev::X8R8G8B8;
    EXPECT_EQ(dev::create_device(p, dev::create_mixed_vertex_processing), -1);
    EXPECT_EQ(dev::create_device(p, dev::create_software_vertex_processing), -1);
    EXPECT_FALSE(dev::device_exists());
    EXPECT_TRUE(hl::device_transcript().empty()) << "only the recording device writes one";
}

TEST_F(DeviceRecording, ObjectAnswersAreSettable)
{
    hl::set_adapter_format(dev::R5G6B5);
    hl::set_adapter_identifier("drv", "desc");
    hl::set_device_caps(dev::caps{0x300, 0x300, false, true, 512, 256});
    hl::set_device_depth_formats({dev::D32});
    hl::set_display_modes({{640, 480, 16, 60}, {800, 600, 16, 60}, {800, 600, 32, 60}});
    dev::adapter_mode mode;
    ASSERT_EQ(dev::get_adapter_mode(mode), 0);
    EXPECT_EQ(mode.fmt, dev::R5G6B5);
    dev::identifier id;
    ASSERT_EQ(dev::get_identifier(id), 0);
    EXPECT_EQ(id.driver, "drv");
    EXPECT_EQ(id.description, "desc");
    EXPECT_EQ(dev::mode_count(dev::R5G6B5), 2);
    EXPECT_EQ(dev::mode_count(dev::X8R8G8B8), 1);
    EXPECT_EQ(dev::mode_count(dev::X1R5G5B5), 0);
    EXPECT_EQ(dev::check_depth_match(dev::X8R8G8B8, dev::X8R8G8B8, dev::D16), -1);
    EXPECT_EQ(dev::check_depth_match(dev::X8R8G8B8, dev::X8R8G8B8, dev::D32), 0);
    EXPECT_EQ(dev::check_format(dev::X8R8G8B8, 0, dev::DXT5), -1) << "no block format by default";
    hl::set_device_format_support(dev::DXT5, 0, true);
    EXPECT_EQ(dev::check_format(dev::X8R8G8B8, 0, dev::DXT5), 0);
    EXPECT_EQ(dev::check_format(dev::X8R8G8B8, dev::usage_render_target, dev::A4R4G4B4), 0);

    // the caps come with the next device: square-only and 512 x 256
    dev::release_device();
    dev::present_params p;
    p.width = 640;
    p.height = 480;
    p.back_buffer_format = dev::R5G6B5;
    ASSERT_EQ(dev::create_device(p, dev::create_mixed_vertex_processing), 0);
    resource r;
    EXPECT_EQ(dev::create_texture(256, 128, 1, 0, dev::R5G6B5, dev::pool_managed, r), -1) << "not square";
    EXPECT_EQ(dev::create_texture(512, 512, 1, 0, dev::R5G6B5, dev::pool_managed, r), -1) << "over 256 high";
    ASSERT_EQ(dev::create_texture(256, 256, 1, 0, dev::R5G6B5, dev::pool_managed, r), 0);
    keep(r);
    EXPECT_EQ(dev::create_depth_stencil_surface(64, 64, dev::D16, r), -1) << "D16 not accepted";
    EXPECT_EQ(dev::create_texture(64, 64, 1, 0, dev::DXT3, dev::pool_managed, r), -1) << "DXT3 not supported";
    EXPECT_EQ(r, resource::none);
    ASSERT_EQ(dev::create_texture(64, 64, 1, 0, dev::DXT5, dev::pool_managed, r), 0);
    keep(r);
}

TEST_F(DeviceRecording, ReleasingTheDeviceWithATextureAliveIsALeak)
{
    resource tex;
    ASSERT_EQ(dev::create_texture(64, 64, 1, 0, dev::A8R8G8B8, dev::pool_managed, tex), 0);
    ASSERT_EQ(dev::set_texture(0, tex), 0);
    ASSERT_EQ(dev::release_device(), 0);
    EXPECT_EQ(hl::device_leaks(), 1);
    EXPECT_EQ(dev::leaked_resources(), 1);
    EXPECT_EQ(dev::live_resources(), 0);
    EXPECT_EQ(dev::release(tex), -1) << "released with the device";
    hl::reset();  // the fixture's teardown checks for leaks
}

TEST_F(DeviceRecording, AWriteThroughAReadOnlyLockIsAFault)
{
    const resource s = plain(8, 8, dev::A8R8G8B8);
    dev::locked_rect l;
    ASSERT_EQ(dev::lock_surface(s, nullptr, dev::lock_readonly, l), 0);
    static_cast<std::uint8_t*>(l.bits)[l.pitch + 5] ^= 0xFF;
    ASSERT_EQ(dev::unlock_surface(s), 0);
    ASSERT_EQ(hl::device_faults().size(), 1u);
    EXPECT_NE(hl::device_faults()[0].find("read-only"), std::string::npos);
    // a write past the locked rectangle's bytes is no write through it
    const platform::rect area{0, 0, 4, 4};
    ASSERT_EQ(dev::lock_surface(s, &area, dev::lock_readonly, l), 0);
    ASSERT_EQ(dev::unlock_surface(s), 0);
    EXPECT_EQ(hl::device_faults().size(), 1u);
    hl::reset();
}

// ---- bad input: the common checks ----

TEST_F(DeviceRecording, BadInputIsRefusedWithNothingChanged)
{
    const resource managed = texture(64, 64, dev::A8R8G8B8, dev::pool_managed);
    const resource managed_level = level(managed);
    const resource rt_tex = texture(64, 64, dev::A8R8G8B8, dev::pool_default, dev::usage_render_target);
    const resource rt_level = level(rt_tex);
    const resource small_tex = texture(32, 32, dev::A8R8G8B8, dev::pool_default);
    const resource small_level = level(small_tex);
    const resource rt = target(64, 64, dev::A8R8G8B8);
    const resource sys = plain(64, 64, dev::A8R8G8B8);
    const resource sys16 = plain(64, 64, dev::R5G6B5);
    const resource sys_small = plain(32, 32, dev::A8R8G8B8);
    resource gone;
    ASSERT_EQ(dev::create_texture(8, 8, 1, 0, dev::A8R8G8B8, dev::pool_managed, gone), 0);
    ASSERT_EQ(dev::release(gone), 0);
    const auto bogus = static_cast<resource>(0x7FFFFFFFu);
    ASSERT_EQ(dev::set_fvf(dev::fvf_xyzrhw | dev::fvf_diffuse | dev::fvf_tex1), 0);
    const float vertices[3 * 7] = {};
    const std::uint16_t far_index[3] = {0, 1, 7};
    const platform::rect outside{60, 60, 70, 70};
    const platform::rect inverted{10, 10, 5, 5};
    resource out = resource::none;
    dev::locked_rect l;

    struct row {
        const char* what;
        std::function<int()> call;
    };
    const row rows[] = {
        {"unknown render state", [&] { return dev::set_render_state(static_cast<dev::render_state>(8), 1); }},
        {"render state past the table", [&] { return dev::set_render_state(static_cast<dev::render_state>(100000), 1); }},
        {"unknown stage state", [&] { return dev::set_texture_stage_state(0, static_cast<dev::stage_state>(7), 1); }},
        {"stage 8", [&] { return dev::set_texture_stage_state(8, dev::ts_colorop, 1); }},
        {"unknown sampler state", [&] { return dev::set_sampler_state(0, static_cast<dev::sampler_state>(3), 1); }},
        {"sampler -1", [&] { return dev::set_sampler_state(-1, dev::ss_addressu, 1); }},
        {"source blend DESTCOLOR", [&] { return dev::set_render_state(dev::rs_srcblend, 9); }},
        {"destination blend INVSRCCOLOR", [&] { return dev::set_render_state(dev::rs_destblend, 4); }},
        {"blend op SUBTRACT", [&] { return dev::set_render_state(dev::rs_blendop, 2); }},
        {"blend op MAX", [&] { return dev::set_render_state(dev::rs_blendop, 5); }},
        {"alpha function LESS", [&] { return dev::set_render_state(dev::rs_alphafunc, 2); }},
        {"alpha function 0", [&] { return dev::set_render_state(dev::rs_alphafunc, 0); }},
        {"alpha reference 256", [&] { return dev::set_render_state(dev::rs_alpharef, 256); }},
        {"cull mode 0", [&] { return dev::set_render_state(dev::rs_cullmode, 0); }},
        {"shade mode PHONG", [&] { return dev::set_render_state(dev::rs_shademode, 3); }},
        {"scissor test on", [&] { return dev::set_render_state(dev::rs_scissortestenable, 1); }},
        {"colour op ADDSIGNED", [&] { return dev::set_texture_stage_state(0, dev::ts_colorop, 8); }},
        {"alpha op BLENDTEXTUREALPHA", [&] { return dev::set_texture_stage_state(0, dev::ts_alphaop, 13); }},
        {"colour op 0", [&] { return dev::set_texture_stage_state(0, dev::ts_colorop, 0); }},
        {"argument with alpha replicate", [&] { return dev::set_texture_stage_state(0, dev::ts_colorarg1, 0x22); }},
        {"argument TEMP", [&] { return dev::set_texture_stage_state(0, dev::ts_alphaarg2, 5); }},
        {"texture coordinates set 8", [&] { return dev::set_texture_stage_state(0, dev::ts_texcoordindex, 8); }},
        {"address BORDER", [&] { return dev::set_sampler_state(0, dev::ss_addressu, 4); }},
        {"address MIRRORONCE", [&] { return dev::set_sampler_state(0, dev::ss_addressv, 5); }},
        {"filter 4", [&] { return dev::set_sampler_state(0, dev::ss_minfilter, 4); }},
        {"unknown transform", [&] { return dev::set_transform(static_cast<dev::transform>(1), dev::matrix{}); }},
        {"unknown vertex format", [&] { return dev::set_fvf(0x1000); }},
        {"released texture set", [&] { return dev::set_texture(0, gone); }},
        {"unknown handle set", [&] { return dev::set_texture(0, bogus); }},
        {"surface set as texture", [&] { return dev::set_texture(0, sys); }},
        {"unknown texture format", [&] { return dev::create_texture(64, 64, 1, 0, static_cast<dev::format>(99), dev::pool_managed, out); }},
        {"depth format as texture", [&] { return dev::create_texture(64, 64, 1, 0, dev::D16, dev::pool_managed, out); }},
        {"width 0", [&] { return dev::create_texture(0, 64, 1, 0, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"height -4", [&] { return dev::create_texture(64, -4, 1, 0, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"65536 x 65536 texture", [&] { return dev::create_texture(65536, 65536, 1, 0, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"65536 x 65536 render target", [&] { return dev::create_render_target(65536, 65536, dev::A8R8G8B8, false, out); }},
        {"65536 x 65536 plain surface", [&] { return dev::create_offscreen_plain_surface(65536, 65536, dev::A8R8G8B8, dev::pool_system_memory, out); }},
        {"2049 wide texture", [&] { return dev::create_texture(2049, 1, 1, 0, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"8 levels on 64 x 64", [&] { return dev::create_texture(64, 64, 8, 0, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"managed render target texture", [&] { return dev::create_texture(64, 64, 1, dev::usage_render_target, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"level past the chain", [&] { return dev::get_surface_level(managed, 1, out); }},
        {"level of a surface", [&] { return dev::get_surface_level(sys, 0, out); }},
        {"depth surface in a colour format", [&] { return dev::create_depth_stencil_surface(64, 64, dev::A8R8G8B8, out); }},
        {"managed plain surface", [&] { return dev::create_offscreen_plain_surface(64, 64, dev::A8R8G8B8, dev::pool_managed, out); }},
        {"lock of a released texture", [&] { return dev::lock_texture(gone, 0, nullptr, 0, l); }},
        {"lock with unknown flags", [&] { return dev::lock_surface(sys, nullptr, 0x4, l); }},
        {"read-only discard", [&] { return dev::lock_surface(sys, nullptr, dev::lock_readonly | dev::lock_discard, l); }},
        {"lock outside", [&] { return dev::lock_surface(sys_small, &outside, 0, l); }},
        {"colour fill of system memory", [&] { return dev::color_fill(sys, nullptr, 0); }},
        {"colour fill outside", [&] { return dev::color_fill(small_level, &outside, 0); }},
        {"stretch into a plain surface", [&] { return dev::stretch_rect(rt, nullptr, sys, nullptr, dev::filter_none); }},
        {"stretch into a default texture", [&] { return dev::stretch_rect(rt, nullptr, small_level, nullptr, dev::filter_none); }},
        {"stretch from system memory", [&] { return dev::stretch_rect(sys, nullptr, rt, nullptr, dev::filter_none); }},
        {"stretch overlapping itself", [&] { platform::rect a{0, 0, 32, 32}, b{16, 16, 48, 48}; return dev::stretch_rect(rt, &a, rt, &b, dev::filter_none); }},
        {"stretch with filter 3", [&] { return dev::stretch_rect(rt_level, nullptr, rt, nullptr, static_cast<dev::filter>(3)); }},
        {"stretch from an inverted rectangle", [&] { return dev::stretch_rect(rt_level, &inverted, rt, nullptr, dev::filter_none); }},
        {"update from a default-pool surface", [&] { return dev::update_surface(rt_level, nullptr, small_level, nullptr); }},
        {"update into a managed texture", [&] { return dev::update_surface(sys, nullptr, managed_level, nullptr); }},
        {"update into a plain render target", [&] { return dev::update_surface(sys, nullptr, rt, nullptr); }},
        {"update across formats", [&] { return dev::update_surface(sys16, nullptr, rt_level, nullptr); }},
        {"update past the target", [&] { return dev::update_surface(sys, nullptr, small_level, nullptr); }},
        {"render target data of another size", [&] { return dev::get_render_target_data(rt, sys_small); }},
        {"render target data of another format", [&] { return dev::get_render_target_data(rt, sys16); }},
        {"render target data from a plain surface", [&] { return dev::get_render_target_data(sys, sys); }},
        {"render target data into video memory", [&] { return dev::get_render_target_data(rt_level, rt); }},
        {"primitive type 0", [&] { return dev::draw_primitive_up(static_cast<dev::primitive>(0), 1, vertices, 28); }},
        {"primitive type 7", [&] { return dev::draw_primitive_up(static_cast<dev::primitive>(7), 1, vertices, 28); }},
        {"stride 20 on a 28-byte format", [&] { return dev::draw_primitive_up(dev::triangle_list, 1, vertices, 20); }},
        {"null vertices", [&] { return dev::draw_primitive_up(dev::triangle_list, 1, nullptr, 28); }},
        {"negative count", [&] { return dev::draw_primitive_up(dev::triangle_list, -1, vertices, 28); }},
        {"huge count", [&] { return dev::draw_primitive_up(dev::point_list, 0x7FFFFFFF, vertices, 28); }},
        {"index outside the vertices", [&] { return dev::draw_indexed_primitive_up(dev::triangle_list, 0, 3, 1, far_index, dev::INDEX16, vertices, 28); }},
        {"null indices", [&] { return dev::draw_indexed_primitive_up(dev::triangle_list, 0, 3, 1, nullptr, dev::INDEX16, vertices, 28); }},
        {"32-bit indices", [&] { return dev::draw_indexed_primitive_up(dev::triangle_list, 0, 3, 1, far_index, static_cast<dev::format>(102), vertices, 28); }},
        {"viewport past the target", [&] { return dev::set_viewport(dev::viewport{700, 0, 101, 600, 0, 1}); }},
        {"viewport depth past 1", [&] { return dev::set_viewport(dev::viewport{0, 0, 10, 10, 0, 2}); }},
        {"scissor past the target", [&] { return dev::set_scissor_rect(platform::rect{0, 0, 801, 600}); }},
        {"plain surface as render target", [&] { return dev::set_render_target(sys); }},
        {"colour surface as depth", [&] { return dev::set_depth_stencil_surface(rt); }},
        {"clear of depth without a depth surface", [&] { return dev::clear(0, nullptr, dev::clear_zbuffer, 0, 1, 0); }},
        {"clear with rectangles but none given", [&] { return dev::clear(2, nullptr, dev::clear_target, 0, 1, 0); }},
        {"clear with unknown flags", [&] { return dev::clear(0, nullptr, 0x10, 0, 1, 0); }},
        {"end of a scene never begun", [&] { return dev::end_scene(); }},
        {"light 256", [&] { return dev::set_light(256, dev::light{1, {}, {}, {}, {}, {}, 0, 0, 0, 0, 0, 0, 0}); }},
        {"constants past register 255", [&] { const float f[8] = {}; return dev::set_vertex_shader_constant_f(255, f, 2); }},
        {"present from outside the back buffer", [&] { platform::rect r{0, 0, 801, 600}; return dev::present(resource::none, &r, nullptr); }},
        {"present with a texture as swap chain", [&] { return dev::present(managed, nullptr, nullptr); }},
        {"second device", [&] { dev::present_params p; p.width = 8; p.height = 8; p.back_buffer_format = dev::X8R8G8B8; return dev::create_device(p, dev::create_software_vertex_processing); }},
        {"release twice", [&] { return dev::release(gone); }},
        {"null release", [&] { return dev::release(resource::none); }},
    };
    const int live = dev::live_resources();
    const std::size_t calls = hl::device_transcript().size();
    const int presents = hl::frame().count;
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        platform::set_error("");
        out = resource::none;
        EXPECT_EQ(r.call(), -1);
        EXPECT_STRNE(platform::error(), "");
        EXPECT_EQ(out, resource::none);
        EXPECT_EQ(l.bits, nullptr);
    }
    EXPECT_EQ(dev::live_resources(), live) << "nothing allocated";
    EXPECT_EQ(hl::device_transcript().size(), calls) << "no device reached: " << hl::device_transcript().back().call;
    EXPECT_EQ(hl::frame().count, presents);
    const dev::device_state& st = dev::current_state();
    EXPECT_EQ(st.texture[0], resource::none);
    EXPECT_EQ(st.view_port.width, 800);
    EXPECT_EQ(st.render_target, resource::none);
    EXPECT_EQ(st.render[dev::rs_srcblend], dev::blend_one) << "refused values leave the state as it was";
    EXPECT_EQ(st.render[dev::rs_alphafunc], dev::cmp_always);
    EXPECT_EQ(st.stage[0][dev::ts_colorop], dev::op_modulate);
    EXPECT_EQ(st.sampler[0][dev::ss_addressu], dev::address_wrap);
}

}  // namespace

namespace {

// The desktop backend makes the object but refuses the device, so graphics
// start-up takes the software road there too.
// Without a window to hold an OpenGL context the desktop backend's object
// fails, and nothing of it is left.
TEST(DeviceSdl, ObjectFailsWithoutAWindow)
{
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    namespace dev = platform::device;
    dev::forget_state();
    EXPECT_EQ(platform::device_library(), 0);
    EXPECT_EQ(dev::create_object(), -1);
    EXPECT_STRNE(platform::error(), "");
    EXPECT_FALSE(dev::object_exists());
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
