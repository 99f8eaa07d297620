// The recording device's memory work: colour fill, stretch (nearest and
// bilinear, across formats), surface update, render-target read-back, clear
// inside the viewport, and present into the headless frame.
#include "platform/device/device_fixture.hpp"

#include <functional>

namespace {

using namespace device_test;

class DeviceCopies : public recording_device {
protected:
    // A lockable render target whose pixels tell their place.
    resource numbered(int w, int h, dev::format f = dev::X8R8G8B8)
    {
        const resource s = target(w, h, f);
        paint(s, [](int x, int y) { return place(x, y); });
        return s;
    }
    static std::uint32_t place(int x, int y)
    {
        return static_cast<std::uint32_t>(x * 0x010203 + y * 0x0A0B00 + 0x11) & 0xFFFFFF;
    }
};

TEST_F(DeviceCopies, ColorFillFillsExactlyItsRectangle)
{
    const resource s = target(40, 30, dev::A8R8G8B8);
    paint(s, [](int, int) { return 0x01020304u; });
    const platform::rect area{5, 7, 21, 9};
    ASSERT_EQ(dev::color_fill(s, &area, 0x80FF4020), 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 21 && y >= 7 && y < 9;
            ASSERT_EQ(get(s, x, y), inside ? 0x80FF4020u : 0x01020304u) << x << "," << y;
        }
}

TEST_F(DeviceCopies, StretchRectCopiesScalesAndConverts)
{
    const resource src = numbered(16, 8);
    struct row {
        const char* what;
        dev::format to;
        int width, height;  // of the whole target, stretched over
        dev::filter f;
        std::function<std::uint32_t(int, int)> expected;
    };
    const row rows[] = {
        // the same format: the bytes as they are
        {"1 : 1", dev::X8R8G8B8, 16, 8, dev::filter_none, [](int x, int y) { return place(x, y); }},
        {"1 : 2 nearest", dev::X8R8G8B8, 32, 16, dev::filter_point, [](int x, int y) { return place(x / 2, y / 2); }},
        {"2 : 1 nearest", dev::X8R8G8B8, 8, 4, dev::filter_none, [](int x, int y) { return place(2 * x + 1, 2 * y + 1); }},
        {"into alpha: 255", dev::A8R8G8B8, 16, 8, dev::filter_none, [](int x, int y) { return 0xFF000000u | place(x, y); }},
        {"into R5G6B5: top bits", dev::R5G6B5, 16, 8, dev::filter_none, [](int x, int y) {
             const std::uint32_t p = place(x, y);
             return (p >> 19 & 0x1F) << 11 | (p >> 10 & 0x3F) << 5 | (p >> 3 & 0x1F);
         }},
        {"into X1R5G5B5: unused bit set", dev::X1R5G5B5, 16, 8, dev::filter_none, [](int x, int y) {
             const std::uint32_t p = place(x, y);
             return 0x8000u | (p >> 19 & 0x1F) << 10 | (p >> 11 & 0x1F) << 5 | (p >> 3 & 0x1F);
         }},
        {"into A4R4G4B4", dev::A4R4G4B4, 16, 8, dev::filter_none, [](int x, int y) {
             const std::uint32_t p = place(x, y);
             return 0xF000u | (p >> 20 & 0xF) << 8 | (p >> 12 & 0xF) << 4 | (p >> 4 & 0xF);
         }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const resource dst = target(r.width, r.height, r.to);
        ASSERT_EQ(dev::stretch_rect(src, nullptr, dst, nullptr, r.f), 0) << platform::error();
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x) {
                const std::uint32_t want = r.expected(x, y);
                const std::uint32_t have = get(dst, x, y);
                ASSERT_EQ(have, want) << x << "," << y;
            }
    }
}

TEST_F(DeviceCopies, FewerBitsWidenByRounding)
{
    const resource src = target(4, 1, dev::R5G6B5);
    const std::uint32_t in[4] = {0xFFFF, 0x0000, 0x8410, 0x0841};  // (31,63,31) (0,0,0) (16,32,16) (1,2,1)
    paint(src, [&](int x, int) { return in[x]; });
    const resource dst = target(4, 1, dev::A8R8G8B8);
    ASSERT_EQ(dev::stretch_rect(src, nullptr, dst, nullptr, dev::filter_none), 0);
    // v x 255 / (2^n - 1), rounded: 16 of 31 is 131.6, 32 of 63 is 129.5, 1 of 31 is 8.2, 2 of 63 is 8.1
    EXPECT_EQ(get(dst, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(get(dst, 1, 0), 0xFF000000u);
    EXPECT_EQ(get(dst, 2, 0), 0xFF848284u);
    EXPECT_EQ(get(dst, 3, 0), 0xFF080808u);
}

TEST_F(DeviceCopies, LinearStretchBlendsNeighbours)
{
    const resource src = target(2, 1, dev::A8R8G8B8);
    paint(src, [](int x, int) { return x == 0 ? 0xFF000000u : 0xFFFF8040u; });
    const resource dst = target(4, 1, dev::A8R8G8B8);
    ASSERT_EQ(dev::stretch_rect(src, nullptr, dst, nullptr, dev::filter_linear), 0);
    // centres at -0.25, 0.25, 0.75, 1.25 source pixels: clamped, 1/4, 3/4, clamped
    EXPECT_EQ(get(dst, 0, 0), 0xFF000000u);
    EXPECT_EQ(get(dst, 1, 0), 0xFF402010u);
    EXPECT_EQ(get(dst, 2, 0), 0xFFBF6030u);
    EXPECT_EQ(get(dst, 3, 0), 0xFFFF8040u);
}

TEST_F(DeviceCopies, UpdateSurfaceAndRenderTargetDataCopyExactly)
{
    const resource sys = plain(20, 10, dev::A8R8G8B8);
    paint(sys, [](int x, int y) { return 0x80000000u | place(x, y); });
    const resource tex = texture(32, 32, dev::A8R8G8B8, dev::pool_default, dev::usage_render_target);
    const resource lvl = level(tex);
    ASSERT_EQ(dev::color_fill(lvl, nullptr, 0x12345678), 0);
    const platform::rect from{4, 2, 12, 7};
    const int at[2] = {20, 25};
    ASSERT_EQ(dev::update_surface(sys, &from, lvl, at), 0) << platform::error();
    const resource back = plain(32, 32, dev::A8R8G8B8);
    ASSERT_EQ(dev::get_render_target_data(lvl, back), 0) << platform::error();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 20 && x < 28 && y >= 25 && y < 30;
            const std::uint32_t want = inside ? 0x80000000u | place(x - 20 + 4, y - 25 + 2) : 0x12345678u;
            ASSERT_EQ(get(back, x, y), want) << x << "," << y;
        }
}

TEST_F(DeviceCopies, ClearTouchesOnlyTheViewport)
{
    const resource bb = back_buffer();
    paint(bb, [](int, int) { return 0xFF000000u; });
    ASSERT_EQ(dev::set_viewport(dev::viewport{100, 50, 20, 10, 0, 1}), 0);
    const platform::rect half[2] = {{0, 0, 110, 600}, {790, 590, 800, 600}};
    ASSERT_EQ(dev::clear(2, half, dev::clear_target, 0xFF00FF00, 1, 0), 0);
    ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, 0xFF0000FF, 1, 0), 0) << "whole target: the viewport";
    for (int y = 40; y < 70; ++y)
        for (int x = 90; x < 130; ++x) {
            const bool port = x >= 100 && x < 120 && y >= 50 && y < 60;
            ASSERT_EQ(get(bb, x, y), port ? 0xFF0000FFu : 0xFF000000u) << x << "," << y;
        }
    EXPECT_EQ(get(bb, 795, 595), 0xFF000000u);
}

TEST_F(DeviceCopies, ClearOfADepthSurfaceWritesTheDepth)
{
    resource depth;
    ASSERT_EQ(dev::create_depth_stencil_surface(16, 16, dev::D16, depth), 0);
    keep(depth);
    ASSERT_EQ(dev::set_depth_stencil_surface(depth), 0);
    ASSERT_EQ(dev::clear(0, nullptr, dev::clear_zbuffer, 0, 1.0f, 0), 0);
    ASSERT_EQ(dev::set_depth_stencil_surface(resource::none), 0);
}

TEST_F(DeviceCopies, PresentShowsTheBackBufferInTheFrame)
{
    const resource bb = back_buffer();
    paint(bb, [](int x, int y) { return place(x, y); });
    ASSERT_EQ(dev::present(resource::none, nullptr, nullptr), 0);
    const hl::presented_frame& f = hl::frame();
    ASSERT_EQ(f.width, 800);
    ASSERT_EQ(f.height, 600);
    ASSERT_EQ(f.bits, 32);
    EXPECT_EQ(f.red_mask, 0xFF0000u);
    EXPECT_EQ(f.count, 1);
    auto frame_at = [&](int x, int y) {
        std::uint32_t v;
        std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
        return v & 0xFFFFFF;
    };
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) ASSERT_EQ(frame_at(x, y), place(x, y)) << x << "," << y;
    EXPECT_EQ(platform::presented().count, 1u) << "counted as the software road's presents are";

    const platform::rect twice{0, 0, 1600, 1200};
    ASSERT_EQ(dev::present(resource::none, nullptr, &twice), 0);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 3) ASSERT_EQ(frame_at(x, y), place(x / 2, y / 2)) << x << "," << y;

    // the back buffer keeps its content: the same picture again
    const std::vector<std::uint8_t> before = f.pixels;
    ASSERT_EQ(dev::present(resource::none, nullptr, &twice), 0);
    EXPECT_EQ(f.pixels, before);
    EXPECT_EQ(f.count, 3);

    resource chain;
    ASSERT_EQ(dev::get_swap_chain(chain), 0);
    keep(chain);
    const platform::rect corner{0, 0, 100, 100};
    ASSERT_EQ(dev::present(chain, &corner, &corner), 0);
    EXPECT_EQ(frame_at(50, 50), place(50, 50));
    EXPECT_EQ(frame_at(150, 150), 0u) << "black outside the destination";
}

}  // namespace
