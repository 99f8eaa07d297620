// Graphics start-up on the headless backend: the device road's log and its
// fall-back to the software renderer, the screen images, the failure
// switches, the software full-screen mode change and the release.
#include <cstring>
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/startup.hpp"
#include "media/system/window.hpp"

namespace {

using media::gfx::graphics;

class GraphicsStart : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        create_window();
    }
    void TearDown() override
    {
        ShutdownGraphics();
        DestroyMainWindow();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    // Whether the texts appear in the log in this order.
    ::testing::AssertionResult logged_in_order(const std::vector<std::string>& texts) const
    {
        const std::string log = read();
        std::size_t at = 0;
        for (const std::string& t : texts) {
            const std::size_t found = log.find(t, at);
            if (found == std::string::npos)
                return ::testing::AssertionFailure() << "not logged after " << at << ": " << t << "\n" << log;
            at = found + t.size();
        }
        return ::testing::AssertionSuccess();
    }

    static void full_screen() { media::core::window_state.settings.window_mode = 0; }
};

TEST_F(GraphicsStart, WindowedStartTakesTheSoftwareRoadAndReleasesEverything)
{
    const int blocks = media::core::alloc_state.count;
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"DirectDraw オブジェクトの取得を行います....  成功\r\n", "引き続き初期化処理... 初期化に成功しました\r\n",
                                 "IDirect3D9 オブジェクトを取得します.... 成功\r\n",
                                 "IDirect3DDevice9 オブジェクトを取得します.... Direct3DDevice9 の作成に失敗しました\r\n"}));
    EXPECT_EQ(graphics.started, 1);
    EXPECT_EQ(graphics.d3d_in_use, 0);
    EXPECT_EQ(graphics.d3d, 0);
    EXPECT_TRUE(platform::display_open());

    const MEMIMG& screen = graphics.screen_image;
    ASSERT_TRUE(IsMemImgValid(&screen));
    EXPECT_EQ(screen.width, 800);
    EXPECT_EQ(screen.height, 600);
    EXPECT_EQ(screen.base->format_index, 1);
    const std::uint32_t black = PackScreenColor(0, 0, 0);
    const auto* row = static_cast<const std::uint32_t*>(screen.pixels);
    EXPECT_EQ(row[0], black);
    EXPECT_EQ(row[799], black);
    const auto* last = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(screen.pixels) +
                                                              599 * screen.base->pitch);
    EXPECT_EQ(last[799], black);
    for (const MEMIMG* work : {&graphics.work_image, &graphics.work_alpha_image}) {
        ASSERT_TRUE(IsMemImgValid(work));
        EXPECT_EQ(work->width, 800);
        EXPECT_EQ(work->height, 600);
        EXPECT_EQ(work->base->format_index, 1);
    }
    EXPECT_EQ(graphics.work_image.base->alpha, 0);
    EXPECT_EQ(graphics.work_alpha_image.base->alpha, 1);
    EXPECT_EQ(media::gfx::draw_state.target_image, &screen);
    EXPECT_NE(media::gfx::light_state.default_light, -1);

    // a second start does nothing
    EXPECT_EQ(StartGraphics(), 0);

    EXPECT_EQ(ShutdownGraphics(), 0);
    EXPECT_EQ(graphics.started, 0);
    EXPECT_FALSE(IsMemImgValid(&screen));
    EXPECT_FALSE(IsMemImgValid(&graphics.work_image));
    EXPECT_FALSE(IsMemImgValid(&graphics.work_alpha_image));
    EXPECT_EQ(media::gfx::light_state.default_light, -1);
    EXPECT_EQ(media::gfx::light_state.lights.count(), 0);
    EXPECT_FALSE(platform::display_open());
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

TEST_F(GraphicsStart, ScreenModeFollowsRequestDesktopAndWindowMode)
{
    struct mode_case {
        const char* name;
        int width, height, bits;
        int desktop_bits;
        bool full;
        int want_width, want_height, want_bits, want_emulation, want_format;
    };
    const mode_case cases[] = {
        {"unset, windowed on 32 bits", 0, 0, 0, 32, false, 640, 480, 32, 0, 1},
        {"unset, full screen", 0, 0, 0, 32, true, 640, 480, 16, 0, 0},
        {"32 asked on a 16-bit desktop", 800, 600, 32, 16, false, 800, 600, 16, 0, 0},
        {"320 x 240 windowed", 320, 240, 32, 32, false, 320, 240, 32, 0, 1},
        {"320 x 240 full screen", 320, 240, 32, 32, true, 640, 480, 32, 1, 1},
    };
    platform::headless::set_display_modes({{640, 480, 16, 60}, {640, 480, 32, 60}});
    for (const mode_case& c : cases) {
        SCOPED_TRACE(c.name);
        media::gfx::screen_mode = {c.width, c.height, c.bits, 0};
        media::gfx::settings.emulate_320x240 = 0;
        platform::headless::set_desktop({1024, 768, c.desktop_bits, 60});
        media::core::window_state.settings.window_mode = c.full ? 0 : 1;
        ASSERT_EQ(StartGraphics(), 0);
        int w = 0, h = 0;
        QueryScreenSize(&w, &h);
        EXPECT_EQ(w, c.want_width);
        EXPECT_EQ(h, c.want_height);
        EXPECT_EQ(QueryColorBitDepth(), c.want_bits);
        EXPECT_EQ(media::gfx::settings.emulate_320x240, c.want_emulation);
        EXPECT_EQ(graphics.screen_image.base->format_index, c.want_format);
        EXPECT_EQ(graphics.screen_image.width, c.want_width);
        EXPECT_EQ(media::core::projection_screen_size().width, c.want_width);
        ShutdownGraphics();
    }
}

TEST_F(GraphicsStart, FailureSwitchesAndWhatTheyLeave)
{
    const int blocks = media::core::alloc_state.count;

    platform::headless::set_device_library_missing(true);
    EXPECT_EQ(StartGraphics(), -1);
    EXPECT_TRUE(logged_in_order({"d3d9.dll の読み込みに失敗しました\r\n"}));
    EXPECT_EQ(graphics.started, 0);
    platform::headless::set_device_library_missing(false);

    platform::headless::fail_next_display_opens(1);
    EXPECT_EQ(StartGraphics(), -1);
    EXPECT_TRUE(logged_in_order({"DirectDraw オブジェクトの取得を行います....  オブジェクトの取得に失敗しました\r\n"}));
    EXPECT_EQ(graphics.started, 0);
    EXPECT_EQ(graphics.library_loaded, 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);

    platform::headless::set_device_object_fails(true);
    EXPECT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"IDirect3D9 オブジェクトを取得します.... IDirect3D9 オブジェクトの取得に失敗しました\r\n"}));
    EXPECT_EQ(read().find("IDirect3DDevice9"), std::string::npos);
    EXPECT_EQ(graphics.started, 1);
    EXPECT_TRUE(IsMemImgValid(&graphics.screen_image));
    ShutdownGraphics();
    EXPECT_EQ(media::core::alloc_state.count, blocks);

    // the software renderer chosen: no device object is asked for
    ASSERT_EQ(ChooseDeviceRendering(0), 0);
    EXPECT_EQ(IsDeviceRenderingChosen(), 0);
    platform::headless::set_device_object_fails(false);
    const std::size_t before = read().size();
    EXPECT_EQ(StartGraphics(), 0);
    EXPECT_EQ(read().find("IDirect3D9", before), std::string::npos);
}

// In full screen at 16 bits the device's back buffer is R5G6B5 only when the
// adapter lists such a mode; the device road then runs to its end.
TEST_F(GraphicsStart, RecordingDeviceInFullScreenTakesTheModesFormat)
{
    namespace hl = platform::headless;
    hl::set_device_mode(hl::device_mode::recording);
    struct full_case {
        std::vector<platform::display_mode> modes;
        platform::device::format want;
    };
    const full_case cases[] = {
        {{{800, 600, 32, 60}}, platform::device::X1R5G5B5},
        {{{800, 600, 32, 60}, {800, 600, 16, 60}}, platform::device::R5G6B5},
    };
    full_screen();
    for (const full_case& c : cases) {
        media::gfx::screen_mode.bits = 16;
        hl::set_display_modes(c.modes);
        hl::fail_device_call(hl::device_op::create_device, 1);
        const std::size_t before = read().size();
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_TRUE(logged_in_order({"IDirect3DDevice9 オブジェクトを取得します.... ソフトウエア頂点演算を使用します\r\n"}));
        EXPECT_NE(read().find("IDirect3DDevice9", before), std::string::npos);
        EXPECT_EQ(graphics.d3d_in_use, 1);
        EXPECT_EQ(graphics.back_buffer_format, c.want);
        EXPECT_FALSE(platform::device::device_params().windowed);
        ShutdownGraphics();
        EXPECT_EQ(platform::device::live_resources(), 0);
        EXPECT_EQ(hl::device_leaks(), 0);
    }
}

TEST_F(GraphicsStart, SoftwareFullScreenChangesTheMode)
{
    platform::headless::set_display_modes({{800, 600, 32, 75}, {800, 600, 16, 60}, {640, 480, 16, 60}});
    media::gfx::screen_mode = {800, 600, 32, 75};
    full_screen();
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"画面モードの変更処理を開始します 800 x 600  32 bit ", "画面解像度を変更します... 成功しました\r\n"}));
    EXPECT_EQ(platform::headless::last_mode_request().mode.refresh, 75);
    EXPECT_TRUE(platform::headless::last_mode_request().full_screen);
    const int restores = platform::headless::desktop_restores();
    ShutdownGraphics();
    EXPECT_EQ(platform::headless::desktop_restores(), restores + 1);

    struct change_case {
        const char* name;
        int width, height, bits, failures;
        int result, want_width, want_emulation, requests;
    };
    const change_case cases[] = {
        {"8 bits", 800, 600, 8, 0, -1, 800, 0, 0},
        {"24 bits", 800, 600, 24, 0, -1, 800, 0, 0},
        {"second try without the rate", 800, 600, 16, 1, 0, 800, 0, 2},
        {"both tries fail", 800, 600, 16, 2, -1, 800, 0, 2},
        {"320 x 240 retried at 640 x 480", 320, 240, 16, 2, 0, 640, 1, 3},
        {"320 x 240 fails three times", 320, 240, 16, 3, -1, 640, 1, 3},
    };
    for (const change_case& c : cases) {
        SCOPED_TRACE(c.name);
        media::gfx::screen_mode = {c.width, c.height, c.bits, 60};
        media::gfx::settings.emulate_320x240 = 0;
        platform::headless::fail_next_mode_changes(c.failures);
        const int count = platform::headless::last_mode_request().count;
        const std::size_t before = read().size();
        EXPECT_EQ(SetUpDisplayDevice(), c.result);
        EXPECT_EQ(platform::headless::last_mode_request().count - count, c.requests);
        EXPECT_EQ(media::gfx::screen_mode.width, c.want_width);
        EXPECT_EQ(media::gfx::settings.emulate_320x240, c.want_emulation);
        const std::string log = read().substr(before);
        if (c.requests >= 2 && c.result == -1) {
            EXPECT_NE(log.find("画面モードの変更に失敗しました\r\n"), std::string::npos) << log;
        }
        if (c.result == 0) {
            EXPECT_NE(log.find("成功しました\r\n"), std::string::npos) << log;
        }
        ReleaseGraphicsDevice();
        platform::headless::fail_next_mode_changes(0);
    }
}

TEST_F(GraphicsStart, MediaLayerUnwindsWhenTheLibraryIsMissing)
{
    DestroyMainWindow();
    platform::headless::set_device_library_missing(true);
    platform::headless::set_clock_step(1);
    EXPECT_EQ(InitMediaLayer(), -1);
    EXPECT_EQ(media::core::window_state.started, 0);
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_FALSE(platform::headless::window().exists);
    platform::headless::set_device_library_missing(false);
    EXPECT_EQ(InitMediaLayer(), 0);
    platform::headless::set_clock_step(0);
    EXPECT_EQ(graphics.started, 1);
    EXPECT_EQ(ChooseDeviceRendering(0), -1);
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_EQ(graphics.started, 0);
}

TEST_F(GraphicsStart, ScreenImageFormatAndMmxSeam)
{
    MEMIMG image;
    std::memset(&image, 0xCD, sizeof image);  // CreateScreenMemImg zeroes the record itself
    struct format_case {
        int bits, index, want;
    };
    for (const format_case c : {format_case{16, -1, 0}, format_case{32, -1, 1}, format_case{24, -1, 1},
                                format_case{16, 1, 1}}) {
        media::gfx::screen_mode.bits = c.bits;
        ASSERT_EQ(CreateScreenMemImg(&image, 8, 4, c.index), 0);
        EXPECT_EQ(image.base->format_index, c.want) << c.bits;
        EXPECT_EQ(image.base->alpha, 0);
        ReleaseMemImg(&image);
    }

    for (int mmx : {0, 1}) {
        media::core::platform_info.mmx = mmx;
        media::soft::set_mmx_enabled(!mmx);
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_EQ(media::soft::mmx_enabled(), mmx);
        ShutdownGraphics();
    }
}

}  // namespace
