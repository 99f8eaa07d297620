// Screen-mode changes of a running media layer on the headless backend: the
// refusals, the restart and what it leaves (log, client area, projection
// size, draw target, the default font's size), the fall-backs under a failing display object and the
// process end when nothing starts.
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/core/math.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/startup.hpp"

namespace {

using media::gfx::graphics;

class ScreenMode : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::headless::set_display_modes({{640, 480, 16, 60}, {640, 480, 32, 60}, {800, 600, 32, 60}});
    }
    void TearDown() override
    {
        EndMediaLayer();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    void start(bool full_screen = false)
    {
        media::core::window_state.settings.window_mode = full_screen ? 0 : 1;
        platform::headless::set_clock_step(1);
        ASSERT_EQ(InitMediaLayer(), 0);
        platform::headless::set_clock_step(0);
        settle();
    }

    static media::gfx::SCREENMODE mode() { return media::gfx::screen_mode; }

    static bool is(const media::gfx::SCREENMODE& m, int width, int height, int bits, int refresh)
    {
        return m.width == width && m.height == height && m.bits == bits && m.refresh == refresh;
    }

    std::size_t count_in_log(const std::string& text) const
    {
        const std::string log = read();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
            ++n;
        return n;
    }
};

TEST_F(ScreenMode, BeforeStartUpTheValuesAreOnlyStored)
{
    const int requests = platform::headless::last_mode_request().count;
    EXPECT_EQ(SetScreenMode(1024, 768, 24, 75), 0);
    EXPECT_TRUE(is(mode(), 1024, 768, 24, 75));
    EXPECT_EQ(platform::headless::last_mode_request().count, requests);
    EXPECT_FALSE(platform::display_open());
    // nothing the layer draws has 24-bit pixels
    EXPECT_EQ(InitMediaLayer(), -1);
    EXPECT_NE(read().find("２４ビットカラーモードには対応していません\r\n"), std::string::npos);
    EXPECT_EQ(media::core::window_state.started, 0);
}

TEST_F(ScreenMode, RefusedRequestsAndTheCurrentModeRestartNothing)
{
    start();
    const MEMIMG before = graphics.screen_image;
    struct refused_case {
        int width, height, bits, refresh, result;
    };
    const refused_case cases[] = {
        {800, 600, 24, 60, -1}, {0, 600, 32, 60, -1}, {800, 0, 32, 60, -1},
        {800, 600, -1, 60, -1}, {800, 600, 32, 60, 0},  {-1, -1, 32, -1, 0},
    };
    for (const refused_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " x " + std::to_string(c.bits));
        EXPECT_EQ(SetScreenMode(c.width, c.height, c.bits, c.refresh), c.result);
        EXPECT_TRUE(is(mode(), 800, 600, 32, 60));
        // the same screen image: graphics were not restarted
        EXPECT_EQ(graphics.screen_image.pixels, before.pixels);
        EXPECT_EQ(graphics.screen_image.base, before.base);
    }
    EXPECT_EQ(read().find("画面モード変更処理を開始します"), std::string::npos);
}

TEST_F(ScreenMode, AChangeRestartsGraphicsAndLeavesTheNewScreen)
{
    start();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    SetDrawClipArea(10, 10, 20, 20);
    const std::size_t from = read().size();
    watch();
    ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);

    const std::string log = read().substr(from);
    const std::size_t begin = log.find("画面モード変更処理を開始します\r\n");
    const std::size_t inner = log.find("\tDirectDraw オブジェクトの取得を行います");
    const std::size_t end = log.find("画面モード変更処理は正常に終了しました\r\n");
    ASSERT_NE(begin, std::string::npos) << log;
    ASSERT_NE(inner, std::string::npos) << log;
    ASSERT_NE(end, std::string::npos) << log;
    EXPECT_LT(begin, inner);
    EXPECT_LT(inner, end);
    // the closing line is back at the outer indent
    EXPECT_NE(log[end - 1], '\t') << log;

    EXPECT_TRUE(is(mode(), 640, 480, 32, 60));
    EXPECT_EQ(graphics.started, 1);
    EXPECT_EQ(graphics.screen_image.width, 640);
    EXPECT_EQ(graphics.screen_image.height, 480);
    platform::screen_rect client{};
    ASSERT_EQ(platform::client_rect(client), 0);
    EXPECT_EQ(client.width, 640);
    EXPECT_EQ(client.height, 480);
    EXPECT_EQ(media::core::projection_screen_size().width, 640);
    EXPECT_EQ(media::core::projection_screen_size().height, 480);
    // the target selected again on the new screen, its area the whole of it
    EXPECT_EQ(GetDrawTargetHandle(), -2);
    EXPECT_EQ(media::gfx::draw_state.target_image, &graphics.screen_image);
    RECT area{};
    GetDrawClipArea(&area);
    EXPECT_EQ(area.right, 640);
    EXPECT_EQ(area.bottom, 480);
    // the messages the restyled window posted were pumped
    bool cursor_set = false;
    for (const media_test::seen_message& m : media_test::seen_messages())
        cursor_set = cursor_set || m.message == WM_SETCURSOR;
    EXPECT_TRUE(cursor_set);

    ASSERT_EQ(FlipDrawScreen(), 0);
    EXPECT_EQ(platform::headless::frame().width, 640);
    EXPECT_EQ(platform::headless::frame().height, 480);
}

// The restart deletes every font; the default font's size and thickness
// come back with it, start-up's as well as the ones set later.
TEST_F(ScreenMode, TheDefaultFontKeepsItsSizeAndThicknessAcrossAChange)
{
    start();
    int size = 0, thickness = 0;
    ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);
    EXPECT_EQ(media::gfx::font_manager.default_size, 16);
    EXPECT_EQ(media::gfx::font_manager.default_thickness, 6);

    SetDefaultFontType(2);
    SetDefaultFontSize(20);
    SetDefaultFontThickness(9);
    SetDefaultFontFace("meiryo", 1);
    const int before = QueryDefaultFontHandle();
    ASSERT_EQ(IsFontHandleValid(before), 1);
    ASSERT_EQ(SetScreenMode(800, 600, 32, 60), 0);
    const int after = QueryDefaultFontHandle();
    ASSERT_EQ(IsFontHandleValid(after), 1);
    EXPECT_EQ(IsFontHandleValid(before), 0);  // the old one went with the restart
    ASSERT_EQ(QueryFontHandleInfo(nullptr, &size, &thickness, after), 0);
    EXPECT_EQ(size, 20);
    EXPECT_EQ(thickness, 9);
    EXPECT_GT(MeasureStringDefaultFont("zentil", -1, 0), 0);
}

TEST_F(ScreenMode, FallBacksUnderAFailingDisplayObject)
{
    struct fall_back_case {
        const char* name;
        bool full_screen;
        int width, height, bits;
        int failures;
        int result;
        media::gfx::SCREENMODE want;
        int want_emulation;
        std::size_t starts;  // display objects asked for by the change
    };
    const fall_back_case cases[] = {
        {"full screen, new mode", true, 640, 480, 32, 0, 0, {640, 480, 32, 60}, 0, 1},
        {"full screen, old mode", true, 640, 480, 32, 1, -1, {800, 600, 32, 60}, 0, 2},
        {"full screen, last resort", true, 640, 480, 32, 2, -2, {640, 480, 16, 0}, 0, 3},
        {"full screen 320 x 240 emulated", true, 320, 240, 32, 0, 0, {640, 480, 32, 60}, 1, 1},
        {"windowed 320 x 240, then 640 x 480 emulated", false, 320, 240, 32, 1, 0, {640, 480, 32, 60}, 1, 2},
        {"windowed 320 x 240, old mode", false, 320, 240, 32, 2, -1, {800, 600, 32, 60}, 0, 3},
        // a window takes the desktop's depth, so the last resort is 32-bit here
        {"windowed, last resort", false, 640, 480, 16, 2, -1, {640, 480, 32, 0}, 0, 3},
    };
    for (const fall_back_case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SetScreenMode(800, 600, 32, 60), 0);
        media::gfx::settings.emulate_320x240 = 0;
        start(c.full_screen);
        ASSERT_TRUE(is(mode(), 800, 600, 32, 60));
        const std::string opening = "DirectDraw オブジェクトの取得を行います";
        const std::size_t opened = count_in_log(opening);
        platform::headless::fail_next_display_opens(c.failures);
        EXPECT_EQ(SetScreenMode(c.width, c.height, c.bits, 60), c.result);
        EXPECT_TRUE(is(mode(), c.want.width, c.want.height, c.want.bits, c.want.refresh))
            << mode().width << " x " << mode().height << " x " << mode().bits << " @ " << mode().refresh;
        EXPECT_EQ(media::gfx::settings.emulate_320x240, c.want_emulation);
        EXPECT_EQ(count_in_log(opening) - opened, c.starts);
        EXPECT_EQ(graphics.started, 1);
        EXPECT_EQ(graphics.screen_image.width, c.want.width);
        EXPECT_NE(read().find("画面モード変更処理は正常に終了しました\r\n"), std::string::npos);
        EndMediaLayer();
    }
}

using ScreenModeDeathTest = ScreenMode;

TEST_F(ScreenModeDeathTest, NothingStartingEndsTheProcess)
{
    start();
    platform::headless::fail_next_display_opens(10);
    EXPECT_EXIT(SetScreenMode(640, 480, 32, 60), ::testing::ExitedWithCode(255), "");
    const std::string log = read();
    EXPECT_NE(log.find("予期せぬ画面モード変更不能現象が起きました2\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("画面モード変更処理は正常に終了しました"), std::string::npos);
}

}  // namespace
