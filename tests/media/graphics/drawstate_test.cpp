// The drawing state after graphics start: its start values, the setters, the
// screen colour packing, the screen draw targets with their camera, the light
// slots, the settings and the inert mask.
#include <cmath>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/mask.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/system/window.hpp"

namespace {

using media::gfx::draw_state;
using media::gfx::light_state;
using media::gfx::settings;

class DrawState : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        create_window();
        ASSERT_EQ(StartGraphics(), 0);
    }
    void TearDown() override
    {
        ShutdownGraphics();
        DestroyMainWindow();
        media::soft::reset_state();
        headless_media::TearDown();
    }
};

void expect_matrix_near(const MATRIX44& a, const MATRIX44& b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-3f * (1.0f + std::fabs(b.m[r][c]))) << r << "," << c;
}

void restore_hook() {}

TEST_F(DrawState, StartValuesAfterStartUpAndWhatTheResetKeeps)
{
    const auto check = [] {
        EXPECT_EQ(GetDrawTargetHandle(), -4);
        RECT area{};
        GetDrawClipArea(&area);
        EXPECT_EQ(area.left, 0);
        EXPECT_EQ(area.top, 0);
        EXPECT_EQ(area.right, 800);
        EXPECT_EQ(area.bottom, 600);
        EXPECT_EQ(draw_state.area_empty, 0);
        EXPECT_EQ(draw_state.blend_mode, 0);
        EXPECT_EQ(draw_state.draw_bright, 0xFFFFFFu);
        EXPECT_EQ(draw_state.fog_mode, 3);
        EXPECT_EQ(draw_state.fog_color, 0xFFFFFFFFu);
        EXPECT_EQ(draw_state.fog_start, 0.0f);
        EXPECT_EQ(draw_state.fog_end, 1500.0f);
        EXPECT_EQ(GetDrawTextureFilter(), 0);
        EXPECT_EQ(draw_state.max_anisotropy, 1);
        EXPECT_FLOAT_EQ(draw_state.draw_depth, 0.2f);
        EXPECT_EQ(draw_state.blend_graph, -1);
        EXPECT_EQ(settings.camera_near, 10.0f);
        EXPECT_EQ(settings.camera_far, 10000.0f);
        EXPECT_FLOAT_EQ(settings.field_of_view, 1.0471976f);
        EXPECT_EQ(settings.sampler_address[7][1], 3);
        EXPECT_EQ(settings.depth3d.z_function, 4);
        EXPECT_EQ(GetUseTransparentColor(), 1);
        EXPECT_EQ(light_state.material.diffuse[0], 0.8f);
        EXPECT_EQ(light_state.material.specular[3], 0.0f);
        EXPECT_EQ(light_state.material.power, 20.0f);
        EXPECT_EQ(GetMaskEnabled(), 1);
        EXPECT_EQ(media::gfx::mask_state.active, 0);
        EXPECT_EQ(draw_state.locked, 0);
        const media::gfx::LIGHTREC* light = light_state.lights.find(light_state.default_light);
        ASSERT_NE(light, nullptr);
        EXPECT_EQ(light->light.type, 3);
        const float third = 1.0f / std::sqrt(3.0f);
        EXPECT_NEAR(light->light.direction.x, third, 1e-6f);
        EXPECT_NEAR(light->light.direction.y, -third, 1e-6f);
        EXPECT_NEAR(light->light.direction.z, third, 1e-6f);
    };
    check();
    EXPECT_EQ(GetFlipWaitsForVBlank(), 1);

    // kept: flip wait, emulation, restore callback; cleared: lock, other settings
    SetFlipWaitsForVBlank(0);
    SetEmulate320x240(1);
    settings.restore_callback = restore_hook;
    draw_state.locked = 1;
    SetGraphDrawable(1);
    DeleteLightHandle(light_state.default_light);
    ASSERT_EQ(ResetDrawStateDefaults(), 0);
    check();
    EXPECT_EQ(GetFlipWaitsForVBlank(), 0);
    EXPECT_EQ(settings.flip_no_wait, 1);
    EXPECT_EQ(settings.emulate_320x240, 1);
    EXPECT_EQ(settings.restore_callback, &restore_hook);
    EXPECT_EQ(GetGraphDrawable(), 0);
}

TEST_F(DrawState, ClipAreaIsOrderedAndClampedToTheTarget)
{
    struct clip_case {
        int x1, y1, x2, y2;
        RECT want;
        int empty;
    };
    const clip_case cases[] = {
        {700, -5, 100, 900, {100, 0, 700, 600}, 0},
        {10, 10, 10, 50, {10, 10, 10, 50}, 1},
        {-20, -20, 2000, 2000, {0, 0, 800, 600}, 0},
        {900, 10, 1000, 20, {800, 10, 800, 20}, 1},
        {5, 6, 7, 8, {5, 6, 7, 8}, 0},
    };
    for (const clip_case& c : cases) {
        ASSERT_EQ(SetDrawClipArea(c.x1, c.y1, c.x2, c.y2), 0);
        EXPECT_EQ(draw_state.area.left, c.want.left) << c.x1;
        EXPECT_EQ(draw_state.area.top, c.want.top) << c.x1;
        EXPECT_EQ(draw_state.area.right, c.want.right) << c.x1;
        EXPECT_EQ(draw_state.area.bottom, c.want.bottom) << c.x1;
        EXPECT_EQ(draw_state.area_f[2], static_cast<float>(c.want.right));
        EXPECT_EQ(draw_state.area_empty, c.empty) << c.x1;
        EXPECT_EQ(draw_state.requested_area[0], c.x1);
    }
    // a target that names nothing
    draw_state.target = 0x04010000;
    EXPECT_EQ(SetDrawClipArea(0, 0, 10, 10), -1);
}

TEST_F(DrawState, BlendModeBrightAndBatchColour)
{
    EXPECT_EQ(SetBlendModeParam(1, 300), 0);
    EXPECT_EQ(draw_state.blend_param, 255);
    EXPECT_EQ(SetBlendModeParam(1, -4), 0);
    EXPECT_EQ(draw_state.blend_param, 0);
    // refused modes change nothing
    for (int mode : {-1, 13, 1000}) {
        EXPECT_EQ(SetBlendModeParam(mode, 7), -1);
        EXPECT_EQ(draw_state.blend_mode, 1);
        EXPECT_EQ(draw_state.blend_param, 0);
    }
    // under the lock nothing changes
    draw_state.locked = 1;
    EXPECT_EQ(SetBlendModeParam(2, 50), 0);
    EXPECT_EQ(SetDrawBright(1, 2, 3), 0);
    EXPECT_EQ(draw_state.blend_mode, 1);
    EXPECT_EQ(draw_state.draw_bright, 0xFFFFFFu);
    draw_state.locked = 0;

    EXPECT_EQ(SetDrawBright(300, 128, -1), 0);
    EXPECT_EQ(draw_state.draw_bright, 0xFF8000u);
    SetDrawBrightPacked(0xAB123456);
    EXPECT_EQ(draw_state.draw_bright, 0x123456u);

    SetBlendModeParam(0, 100);
    EXPECT_EQ(ComputeBatchDiffuse(), 0xFF123456u);
    SetBlendModeParam(1, 100);
    EXPECT_EQ(ComputeBatchDiffuse() >> 24, 100u);

    EXPECT_EQ(SetBlendGraph(-1, 300, -2), 0);
    EXPECT_EQ(draw_state.blend_border, 255);
    EXPECT_EQ(draw_state.blend_range, 0);
    EXPECT_EQ(SetBlendGraph(0x08010000, 0, 0), -1);
}

TEST_F(DrawState, ScreenColourPacking)
{
    struct pack_case {
        int bits, r, g, b;
        std::uint32_t want;
    };
    const pack_case cases[] = {
        {16, 255, 0, 0, 0xF800}, {16, 255, 255, 255, 0xFFFF}, {16, 0, 255, 0, 0x07E0},
        {16, 0, 0, 255, 0x001F}, {16, 0, 0, 0, 0x0000},       {32, 255, 255, 255, 0xFFFFFFFF},
        {32, 0, 0, 0, 0xFF000000}, {32, 0x12, 0x34, 0x56, 0xFF123456},
    };
    for (const pack_case& c : cases) {
        media::gfx::screen_mode.bits = c.bits;
        EXPECT_EQ(PackScreenColor(c.r, c.g, c.b), c.want) << c.bits << " " << c.r << " " << c.g << " " << c.b;
        int r = -1, g = -1, b = -1;
        UnpackScreenColor(c.want, &r, &g, &b);
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
    }
    // channels are taken as bytes
    media::gfx::screen_mode.bits = 16;
    EXPECT_EQ(PackScreenColor(0x1FF, 0, 0), 0xF800u);
}

TEST_F(DrawState, ScreenTargetsSetTheCameraAndTheFrontScreenTimer)
{
    const auto timer_period = [] {
        for (const media::core::WINDOWTIMER& t : media::core::window_timers)
            if (t.id == FRONT_SCREEN_TIMER)
                return static_cast<int>(t.period);
        return 0;
    };
    EXPECT_EQ(timer_period(), 32);  // the start values selected -4
    media::core::window_timers.clear();

    ASSERT_EQ(SelectDrawTarget(-4), 0);
    EXPECT_EQ(timer_period(), 32);
    MATRIX44 want;
    BuildIdentityMatrix(&want);
    expect_matrix_near(draw_state.world, want);
    BuildViewportMatrix(&want, 400.0f, 300.0f, 800.0f, 600.0f);
    expect_matrix_near(draw_state.screen_transform, want);
    const float d = 300.0f / 0.57735026f;
    const VECTOR3F eye{400.0f, 300.0f, -d}, at{400.0f, 300.0f, -d + 1.0f}, up{0.0f, 1.0f, 0.0f};
    BuildLookAtMatrix(&want, &eye, &at, &up);
    expect_matrix_near(draw_state.view, want);
    EXPECT_FLOAT_EQ(settings.camera_near, d * 0.1f);
    EXPECT_FLOAT_EQ(settings.camera_far, d + 20000.0f);
    BuildPerspectiveMatrix(&want, 1.0471976f, d * 0.1f, d + 20000.0f, 0.75f);
    expect_matrix_near(draw_state.projection, want);

    // a kept area stays when the size does not change
    SetDrawClipArea(10, 20, 30, 40);
    media::core::window_timers.clear();
    for (int target : {-2, -3, -5}) {
        ASSERT_EQ(SelectDrawTarget(target), 0) << target;
        EXPECT_EQ(GetDrawTargetHandle(), target);
        EXPECT_EQ(draw_state.target_width, 800);
        EXPECT_EQ(draw_state.area.right, 30);
        EXPECT_EQ(draw_state.target_image, &media::gfx::graphics.screen_image);
    }
    EXPECT_EQ(timer_period(), 0);
    for (int target : {-1, -6, 0, 0x04010000}) {
        EXPECT_EQ(SelectDrawTarget(target), -1) << target;
        EXPECT_EQ(GetDrawTargetHandle(), -5);
    }
}

TEST_F(DrawState, ProjectionAspectOfA640By480Target)
{
    ShutdownGraphics();
    media::gfx::screen_mode = {640, 480, 32, 0};
    ASSERT_EQ(StartGraphics(), 0);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    EXPECT_EQ(settings.aspect_factor, 1.0f);
    MATRIX44 want;
    BuildPerspectiveMatrix(&want, settings.field_of_view, settings.camera_near, settings.camera_far, 0.75f);
    expect_matrix_near(draw_state.projection, want);
}

TEST_F(DrawState, LightSlots)
{
    const int first = light_state.default_light;
    EXPECT_EQ(first & 0xFFFF, 0);
    EXPECT_EQ(static_cast<unsigned>(first) >> 16 & 0xF800, 0x6000u);
    const int a = AddLightHandle();
    const int b = AddLightHandle();
    EXPECT_EQ(b & 0xFFFF, 2);
    // the top slot is taken again by the next light
    EXPECT_EQ(DeleteLightHandle(b), 0);
    EXPECT_EQ(light_state.lights.high_water(), 2);
    const int c = AddLightHandle();
    EXPECT_EQ(c & 0xFFFF, 2);
    EXPECT_NE(c, b);
    EXPECT_EQ(DeleteLightHandle(b), -1);  // stale
    EXPECT_EQ(DeleteLightHandle(-1), -1);
    EXPECT_EQ(DeleteLightHandle(a | 0x7FFF0000), -1);

    // every light but the default one goes
    EXPECT_EQ(DeleteAllLights(), 0);
    EXPECT_EQ(light_state.lights.count(), 1);
    EXPECT_NE(light_state.lights.find(first), nullptr);
    // deleting the only light empties the table
    EXPECT_EQ(DeleteLightHandle(first), 0);
    EXPECT_EQ(light_state.lights.count(), 0);
    EXPECT_EQ(light_state.lights.high_water(), 0);
    light_state.default_light = -1;
}

TEST_F(DrawState, SettingsRenderingChoiceModeListAndInertMask)
{
    EXPECT_EQ(SetFlipWaitsForVBlank(0), 0);
    EXPECT_EQ(settings.flip_no_wait, 1);
    EXPECT_EQ(GetFlipWaitsForVBlank(), 0);
    EXPECT_EQ(SetFlipWaitsForVBlank(5), 0);
    EXPECT_EQ(GetFlipWaitsForVBlank(), 1);

    platform::headless::set_display_modes(
        {{640, 480, 8, 60}, {640, 480, 16, 60}, {800, 600, 32, 75}, {320, 200, 8, 70}, {1024, 768, 32, 0}});
    int count = -1;
    std::int32_t* modes = nullptr;
    ASSERT_EQ(EnumerateDisplayModes(&count, &modes), 0);
    ASSERT_EQ(count, 3);
    const std::vector<std::int32_t> listed(modes, modes + 12);
    EXPECT_EQ(listed, (std::vector<std::int32_t>{640, 480, 16, 60, 800, 600, 32, 75, 1024, 768, 32, 0}));
    // a second call replaces the list
    ASSERT_EQ(EnumerateDisplayModes(&count, &modes), 0);
    EXPECT_EQ(count, 3);

    EXPECT_EQ(SetMaskEnabled(1), -1);
    EXPECT_EQ(GetMaskEnabled(), 1);
    EXPECT_EQ(media::gfx::mask_state.active, 0);
    for (int handle : {-1, 0, 0x40000000, 0x40010003})
        EXPECT_EQ(DeleteMaskHandle(handle), -1);
    const RECT r{0, 0, 10, 10};
    const std::uint32_t before = static_cast<const std::uint32_t*>(media::gfx::graphics.screen_image.pixels)[0];
    EXPECT_EQ(BeginMaskedDraw(&r), 0);
    EXPECT_EQ(EndMaskedDraw(&r), 0);
    EXPECT_EQ(static_cast<const std::uint32_t*>(media::gfx::graphics.screen_image.pixels)[0], before);
    EXPECT_EQ(draw_state.target_image, &media::gfx::graphics.screen_image);
}

TEST(DrawStateBeforeStart, TargetsAreRefusedAndRenderingCanBeChosen)
{
    media::gfx::reset_state();
    EXPECT_EQ(SelectDrawTarget(-2), -1);
    EXPECT_EQ(ChooseDeviceRendering(0), 0);
    EXPECT_EQ(IsDeviceRenderingChosen(), 0);
    EXPECT_EQ(ChooseDeviceRendering(1), 0);
    EXPECT_EQ(IsDeviceRenderingChosen(), 1);
    media::gfx::reset_state();
}

}  // namespace
