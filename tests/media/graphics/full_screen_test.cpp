// Full screen on the headless backend: the full-screen start-up and its
// window, the sizes that start windowed, the live switch both ways, the
// bounded wait for the display's change, deactivation and activation, the
// window services in full screen, the end, and the sdl backend's flags under
// SDL's dummy driver.
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/startup.hpp"
#include "media/system/window.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace {

using media::core::window_state;
using media::gfx::graphics;
namespace hl = platform::headless;

class FullScreen : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        hl::set_display_modes({{1024, 768, 32, 60}, {800, 600, 32, 60}, {640, 480, 32, 60}, {640, 480, 16, 60}});
        // the pump would hold an inactive window until it is active again
        SetRunWhenInactive(1);
    }
    void TearDown() override
    {
        EndMediaLayer();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    // The layer started in the mode given, everything it queued pumped.
    void start(int width, int height, bool full_screen)
    {
        ASSERT_EQ(SetScreenMode(width, height, 32, 60), 0);
        ChangeWindowMode(full_screen ? 0 : 1);
        hl::set_clock_step(1);
        ASSERT_EQ(InitMediaLayer(), 0);
        hl::set_clock_step(0);
        settle();
    }

    // Whether the texts appear in the log from `from` on, in this order.
    ::testing::AssertionResult logged_in_order(const std::vector<std::string>& texts, std::size_t from = 0) const
    {
        const std::string log = read();
        std::size_t at = from;
        for (const std::string& t : texts) {
            const std::size_t found = log.find(t, at);
            if (found == std::string::npos)
                return ::testing::AssertionFailure() << "not logged after " << at << ": " << t << "\n"
                                                     << log.substr(from);
            at = found + t.size();
        }
        return ::testing::AssertionSuccess();
    }

    static void push_window_event(platform::event_kind kind)
    {
        platform::os_event e;
        e.kind = kind;
        hl::push_event(e);
    }

    static std::uint32_t frame_pixel(int x, int y)
    {
        const hl::presented_frame& f = hl::frame();
        std::uint32_t v = 0;
        std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
        return v & 0xFFFFFF;
    }

    static bool client_is(int x, int y, int width, int height)
    {
        const platform::screen_rect& c = hl::window().client;
        return c.x == x && c.y == y && c.width == width && c.height == height;
    }
};

TEST_F(FullScreen, StartUpMakesAFramelessTopMostWindowAndChangesTheMode)
{
    start(640, 480, true);
    EXPECT_EQ(IsWindowMode(), 0);
    EXPECT_TRUE(logged_in_order({"フルスクリーンモード用のウインドウを作成します\r\n", "ウインドウの作成に成功しました\r\n",
                                 "カーソルを不可視にしました\r\n", "ＩＭＥを無効にしました\r\n",
                                 "画面モードの変更処理を開始します 640 x 480  32 bit \r\n",
                                 "\t画面解像度を変更します... 成功しました\r\n"}));
    EXPECT_EQ(read().find("ウインドウスタイルをウインドウモード用"), std::string::npos);
    EXPECT_EQ(read().find("ウインドウモード起動用"), std::string::npos);

    const hl::window_record& w = hl::window();
    EXPECT_TRUE(client_is(0, 0, 640, 480));
    EXPECT_FALSE(w.framed);
    EXPECT_TRUE(w.top_most);
    EXPECT_FALSE(w.cursor_shown);
    // raised once by creation, once more by start-up's step for full screen
    EXPECT_EQ(w.raise_count, 2);
    const hl::mode_request& asked = hl::last_mode_request();
    EXPECT_EQ(asked.mode.width, 640);
    EXPECT_EQ(asked.mode.height, 480);
    EXPECT_EQ(asked.mode.bits, 32);
    EXPECT_EQ(asked.mode.refresh, 60);
    EXPECT_TRUE(asked.full_screen);
    EXPECT_TRUE(hl::mode_changed());
    // the display's change reached the procedure: only the flag
    EXPECT_EQ(window_state.display_changed, 1);
    EXPECT_EQ(window_state.close_posted, 0);

    // a flip shows the screen one to one
    const RECT corner{639, 479, 640, 480};
    FillMemImgRect(&graphics.screen_image, nullptr, PackScreenColor(0, 0, 0));
    FillMemImgRect(&graphics.screen_image, &corner, PackScreenColor(0, 255, 0));
    ASSERT_EQ(FlipDrawScreen(), 0);
    EXPECT_EQ(hl::frame().width, 640);
    EXPECT_EQ(hl::frame().height, 480);
    EXPECT_EQ(frame_pixel(639, 479), 0x00FF00u);
    EXPECT_EQ(frame_pixel(638, 478), 0u);
}

// Step 2 of start-up: a full-screen size the display lacks starts windowed,
// except 320 x 240 with the device renderer chosen (the emulation on 640 x 480).
TEST_F(FullScreen, SizesTheDisplayLacks)
{
    struct size_case {
        const char* name;
        int width, height;
        bool device_chosen;
        int want_window_mode;
        int want_client_width, want_client_height;
    };
    const size_case cases[] = {
        {"800 x 600 unlisted", 800, 600, true, 1, 800, 600},
        {"320 x 240, device chosen", 320, 240, true, 0, 640, 480},
        {"320 x 240, software chosen", 320, 240, false, 1, 320, 240},
    };
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.name);
        EndMediaLayer();
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
        hl::reset();
        OpenLogFile();
        hl::set_display_modes({{1024, 768, 32, 60}, {640, 480, 32, 60}});
        SetRunWhenInactive(1);
        ChooseDeviceRendering(c.device_chosen ? 1 : 0);
        start(c.width, c.height, true);
        EXPECT_EQ(IsWindowMode(), c.want_window_mode);
        EXPECT_TRUE(client_is(c.want_window_mode != 0 ? (1024 - c.want_client_width) / 2 : 0,
                              c.want_window_mode != 0 ? (768 - c.want_client_height) / 2 : 0, c.want_client_width,
                              c.want_client_height));
        EXPECT_EQ(hl::window().framed, c.want_window_mode != 0);
        const std::string window_line = c.want_window_mode != 0 ? "ウインドウモード起動用のウインドウを作成します\r\n"
                                                                : "フルスクリーンモード用のウインドウを作成します\r\n";
        EXPECT_NE(read().find(window_line), std::string::npos);
        if (c.want_window_mode == 0) {
            // the 320 x 240 picture fills the 640 x 480 display
            EXPECT_EQ(media::gfx::settings.emulate_320x240, 1);
            EXPECT_EQ(hl::last_mode_request().mode.width, 640);
            const RECT corner{319, 239, 320, 240};
            FillMemImgRect(&graphics.screen_image, nullptr, PackScreenColor(0, 0, 0));
            FillMemImgRect(&graphics.screen_image, &corner, PackScreenColor(0, 0, 255));
            ASSERT_EQ(FlipDrawScreen(), 0);
            EXPECT_EQ(hl::frame().width, 640);
            EXPECT_EQ(frame_pixel(639, 479), 0x0000FFu);
            EXPECT_EQ(frame_pixel(638, 478), 0x0000FFu);
            EXPECT_EQ(frame_pixel(637, 477), 0u);
        } else {
            EXPECT_EQ(hl::last_mode_request().count, 0);
        }
    }
}

TEST_F(FullScreen, TheLiveSwitchGoesFullScreenAndBack)
{
    start(800, 600, false);
    SetDefaultFontSize(20);
    SetDefaultFontThickness(9);
    const int graph = MakeGraphOfSize(16, 16);
    ASSERT_NE(graph, -1);
    const int restores = hl::desktop_restores();
    const int requests = hl::last_mode_request().count;
    const std::size_t from = read().size();

    ASSERT_EQ(ChangeWindowMode(0), 0);
    EXPECT_TRUE(logged_in_order({"ChangeWindowMode実行 \r\n", "ウインドウモードフラグが倒されました\r\n",
                                 "ウインドウスタイルをフルスクリーンモード用に変更します... 完了\r\n",
                                 "画面モード変更処理を開始します\r\n", "\tDirectDraw オブジェクトの取得を行います",
                                 "\t画面モードの変更処理を開始します 800 x 600  32 bit \r\n",
                                 "画面モード変更処理は正常に終了しました\r\n"},
                                from));
    EXPECT_EQ(IsWindowMode(), 0);
    EXPECT_TRUE(client_is(0, 0, 800, 600));
    EXPECT_FALSE(hl::window().framed);
    EXPECT_TRUE(hl::window().top_most);
    EXPECT_FALSE(hl::window().cursor_shown);
    // the restart gave the desktop back, then changed the mode
    EXPECT_EQ(hl::desktop_restores(), restores + 1);
    EXPECT_EQ(hl::last_mode_request().count, requests + 1);
    const hl::mode_request& asked = hl::last_mode_request();
    EXPECT_EQ(asked.mode.width, 800);
    EXPECT_EQ(asked.mode.height, 600);
    EXPECT_EQ(asked.mode.bits, 32);
    EXPECT_EQ(asked.mode.refresh, 60);
    EXPECT_TRUE(asked.full_screen);
    EXPECT_EQ(IsGraphHandleValid(graph), 0);
    int size = 0, thickness = 0;
    ASSERT_EQ(QueryFontHandleInfo(nullptr, &size, &thickness, QueryDefaultFontHandle()), 0);
    EXPECT_EQ(size, 20);
    EXPECT_EQ(thickness, 9);
    EXPECT_EQ(window_state.display_changed, 1);
    EXPECT_EQ(window_state.mode_change_in_progress, 0);

    const std::size_t back = read().size();
    ASSERT_EQ(ChangeWindowMode(1), 0);
    const std::string style = "ウインドウスタイルをウインドウモード用に変更します... 完了\r\n";
    EXPECT_TRUE(logged_in_order({"ウインドウモードフラグが立てられました\r\n", style, "画面モード変更処理を開始します\r\n",
                                 "\t" + style, "画面モード変更処理は正常に終了しました\r\n"},
                                back));
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_TRUE(client_is(112, 84, 800, 600));
    EXPECT_TRUE(hl::window().framed);
    EXPECT_FALSE(hl::window().top_most);
    EXPECT_TRUE(hl::window().cursor_shown);
    EXPECT_FALSE(hl::mode_changed());
    EXPECT_EQ(hl::last_mode_request().count, requests + 1);
    EXPECT_EQ(window_state.display_changed, 1);
}

// A display that never tells of its change holds the switch 2000 ms of the
// clock at most.
TEST_F(FullScreen, TheWaitForADisplayThatNeverTellsIsBounded)
{
    start(800, 600, false);
    hl::suppress_display_changes(true);
    for (const std::uint32_t step : {0u, 1u}) {
        SCOPED_TRACE(step);
        hl::set_clock_step(step);
        const std::uint32_t before = platform::milliseconds();
        ASSERT_EQ(ChangeWindowMode(IsWindowMode() != 0 ? 0 : 1), 0);
        const std::uint32_t waited = platform::milliseconds() - before;
        EXPECT_GE(waited, 2000u);
        EXPECT_LE(waited, 2500u);
        EXPECT_EQ(window_state.display_changed, 0);
        EXPECT_EQ(window_state.mode_change_in_progress, 0);
    }
    hl::set_clock_step(0);
    EXPECT_EQ(IsWindowMode(), 1);
}

TEST_F(FullScreen, DeactivationGivesTheDesktopBackAndActivationRestores)
{
    start(640, 480, true);
    const int restores = hl::desktop_restores();
    const int requests = hl::last_mode_request().count;
    window_state.display_changed = 0;

    push_window_event(platform::event_kind::focus_lost);
    settle();
    EXPECT_EQ(window_state.active, 0);
    EXPECT_EQ(hl::desktop_restores(), restores + 1);
    EXPECT_FALSE(hl::mode_changed());
    EXPECT_TRUE(hl::window().minimised);
    EXPECT_EQ(window_state.deactivation_paused, 1);
    // the display's change that followed only set the flag
    EXPECT_EQ(window_state.display_changed, 1);
    EXPECT_EQ(window_state.close_posted, 0);
    EXPECT_TRUE(platform::has_window());

    // focus while minimised: the graphics stay as they are
    ASSERT_NE(media::core::input_state.started, 0);
    push_window_event(platform::event_kind::focus_gained);
    settle();
    EXPECT_EQ(window_state.active, 1);
    EXPECT_EQ(hl::last_mode_request().count, requests);
    EXPECT_EQ(window_state.deactivation_paused, 0);
    EXPECT_NE(media::core::input_state.started, 0);

    // restored, then focused: input ends, the display is set up again
    push_window_event(platform::event_kind::focus_lost);
    push_window_event(platform::event_kind::restored);
    push_window_event(platform::event_kind::focus_gained);
    const std::size_t from = read().size();
    settle();
    EXPECT_EQ(window_state.active, 1);
    EXPECT_FALSE(hl::window().minimised);
    EXPECT_EQ(hl::last_mode_request().count, requests + 1);
    EXPECT_TRUE(hl::mode_changed());
    EXPECT_TRUE(logged_in_order({"DirectDraw オブジェクトの取得を行います....  成功\r\n",
                                 "画面モードの変更処理を開始します 640 x 480  32 bit \r\n",
                                 "\t画面解像度を変更します... 成功しました\r\n"},
                                from));
    EXPECT_EQ(media::core::input_state.started, 0);
    EXPECT_EQ(window_state.deactivation_paused, 0);
    EXPECT_TRUE(platform::display_open());
    // the next key read starts input again
    char keys[256];
    GetKeyStateTable(keys);
    EXPECT_NE(media::core::input_state.started, 0);
}

TEST_F(FullScreen, DeactivationWithoutARestoreCallbackCloses)
{
    start(640, 480, true);
    media::gfx::settings.restore_callback = nullptr;
    MainWindowProc(GetMainWindow(), WM_ACTIVATE, 0, 0);
    MainWindowProc(GetMainWindow(), WM_ACTIVATE, 0, 0);
    EXPECT_EQ(window_state.close_posted, 1);
    EXPECT_EQ(window_state.deactivation_paused, 0);
    int closes = 0;
    for (int i = 0; i < 20; ++i)
        PumpWindowMessages();
    for (const media_test::seen_message& m : media_test::seen_messages())
        closes += m.message == WM_CLOSE ? 1 : 0;
    EXPECT_EQ(closes, 1);
    const std::string line = "復元関数が登録されていないため終了します\r\n";
    const std::string log = read();
    const std::size_t first = log.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find(line, first + 1), std::string::npos);  // logged each time, closed once
    EXPECT_EQ(window_state.destroyed, 1);
}

TEST_F(FullScreen, ScaleCursorAndMoveIgnoreTheWindowedSettings)
{
    window_state.settings.scale_x = 2;
    window_state.settings.scale_y = 2;
    start(640, 480, true);
    double x = 0, y = 0;
    EXPECT_EQ(GetWindowScale(&x, &y), 1);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_TRUE(client_is(0, 0, 640, 480));

    push(event(platform::event_kind::mouse_move, 301, 201));
    settle();
    int cx = 0, cy = 0;
    ASSERT_EQ(GetCursorClientPos(&cx, &cy), 0);
    EXPECT_EQ(cx, 301);
    EXPECT_EQ(cy, 201);

    const std::vector<int> before(window_state.client_rect, window_state.client_rect + 4);
    push(event(platform::event_kind::moved, 40, 50));
    settle();
    EXPECT_EQ(std::vector<int>(window_state.client_rect, window_state.client_rect + 4), before);
}

TEST_F(FullScreen, TheEndLeavesFullScreenAndDestroysTheWindow)
{
    start(640, 480, true);
    const int restores = hl::desktop_restores();
    ASSERT_EQ(EndMediaLayer(), 0);
    EXPECT_GE(hl::desktop_restores(), restores + 1);
    EXPECT_FALSE(hl::mode_changed());
    EXPECT_FALSE(hl::window().exists);
    EXPECT_FALSE(platform::display_open());
}

// A focus event pumped while the layer ends finds the graphics gone: the
// restore changes nothing (no display opened again, no mode change).
TEST_F(FullScreen, RestoreAfterTheGraphicsEndChangesNothing)
{
    start(640, 480, true);
    ShutdownGraphics();
    const int requests = hl::last_mode_request().count;
    const int input = media::core::input_state.started;
    EXPECT_EQ(RestoreGraphicsDevice(), 0);
    EXPECT_EQ(hl::last_mode_request().count, requests);
    EXPECT_FALSE(platform::display_open());
    EXPECT_FALSE(hl::mode_changed());
    EXPECT_EQ(media::core::input_state.started, input);
}

// A mode the display lacks fails as a refused change does and falls back
// to the old mode; depths other than 16 and 32 are refused before the display.
TEST_F(FullScreen, ModesTheDisplayCannotTake)
{
    start(640, 480, true);
    const int requests = hl::last_mode_request().count;
    EXPECT_EQ(SetScreenMode(1280, 1024, 32, 60), -1);
    EXPECT_EQ(media::gfx::screen_mode.width, 640);
    EXPECT_EQ(media::gfx::screen_mode.height, 480);
    EXPECT_NE(read().find("画面モードの変更に失敗しました\r\n"), std::string::npos);
    EXPECT_TRUE(hl::mode_changed());
    EXPECT_EQ(hl::last_mode_request().mode.width, 640);
    EXPECT_GT(hl::last_mode_request().count, requests);

    media::gfx::screen_mode.bits = 24;
    EXPECT_EQ(SetUpDisplayDevice(), -1);
    media::gfx::screen_mode.bits = 32;
}

std::vector<void*>& mode_change_calls()
{
    static std::vector<void*> calls;
    return calls;
}

void after_mode_change(void* data)
{
    mode_change_calls().push_back(data);
}

// A maximise request goes full screen on the window's next pump, then the
// callback hears of it; another thread's pump leaves the request.
TEST_F(FullScreen, AMaximiseRequestSwitchesOnTheNextPumpOfTheWindowsThread)
{
    start(800, 600, false);
    mode_change_calls().clear();
    int argument = 0;
    window_state.settings.mode_change_allowed = 1;
    window_state.settings.after_mode_change_callback = after_mode_change;
    window_state.settings.after_mode_change_data = &argument;
    const int requests = hl::last_mode_request().count;

    push_window_event(platform::event_kind::maximised);
    PumpWindowMessages();
    EXPECT_EQ(window_state.mode_change_requested, 1);
    EXPECT_EQ(IsWindowMode(), 1);
    std::thread other([] { PumpWindowMessages(); });
    other.join();
    EXPECT_EQ(window_state.mode_change_requested, 1);
    EXPECT_TRUE(mode_change_calls().empty());

    PumpWindowMessages();
    EXPECT_EQ(window_state.mode_change_requested, 0);
    EXPECT_EQ(IsWindowMode(), 0);
    EXPECT_TRUE(hl::mode_changed());
    EXPECT_EQ(hl::last_mode_request().count, requests + 1);
    EXPECT_TRUE(hl::last_mode_request().full_screen);
    EXPECT_EQ(mode_change_calls(), std::vector<void*>{&argument});

    // without the callback the switch back still happens
    window_state.settings.after_mode_change_callback = nullptr;
    window_state.mode_change_requested = 1;
    PumpWindowMessages();
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_EQ(mode_change_calls().size(), 1u);
    settle();

    // without the option the window is fitted instead
    window_state.settings.mode_change_allowed = 0;
    push_window_event(platform::event_kind::maximised);
    settle();
    EXPECT_EQ(window_state.mode_change_requested, 0);
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_TRUE(client_is(112, 84, 800, 600));
}

// Alt+Enter, as pushed keys, goes full screen and back with the option.
TEST_F(FullScreen, AltEnterSwitchesBothWays)
{
    start(800, 600, false);
    const auto alt_enter = [] {
        platform::os_event key;
        key.kind = platform::event_kind::key_down;
        key.key_position = 0xE2;  // left Alt
        hl::push_event(key);
        key.key_position = 0x28;  // Enter
        hl::push_event(key);
        key.kind = platform::event_kind::key_up;
        hl::push_event(key);
        key.key_position = 0xE2;
        hl::push_event(key);
    };
    alt_enter();
    settle();
    EXPECT_EQ(window_state.mode_change_requested, 0);
    EXPECT_EQ(IsWindowMode(), 1);

    window_state.settings.mode_change_allowed = 1;
    EXPECT_EQ(MainWindowProc(GetMainWindow(), WM_SYSCHAR, 13, 0), 0);
    window_state.mode_change_requested = 0;
    for (const int expected_mode : {0, 1}) {
        alt_enter();
        PumpWindowMessages();
        EXPECT_EQ(window_state.mode_change_requested, 1);
        PumpWindowMessages();
        EXPECT_EQ(IsWindowMode(), expected_mode);
        EXPECT_EQ(hl::window().framed, expected_mode == 1);
        settle();
    }
}

// A tool bar strip takes the client area's top rows: the window grows by it
// and the picture is shown below it at its own size.
TEST_F(FullScreen, TheToolBarStripKeepsThePictureBelowIt)
{
    start(640, 480, false);
    const int ids[] = {7};
    const int kinds[] = {0};
    ASSERT_EQ(SetToolBarForTest(ids, kinds, 1), 0);
    const int strip = hl::toolbar_strip_height;
    EXPECT_EQ(hl::window().client.height, 480 + strip);
    const RECT first_row{0, 0, 640, 1};
    FillMemImgRect(&graphics.screen_image, nullptr, PackScreenColor(0, 0, 0));
    FillMemImgRect(&graphics.screen_image, &first_row, PackScreenColor(255, 0, 0));
    ASSERT_EQ(FlipDrawScreen(), 0);
    EXPECT_EQ(hl::frame().height, 480 + strip);
    EXPECT_EQ(frame_pixel(5, strip - 1), 0u);
    EXPECT_EQ(frame_pixel(5, strip), 0xFF0000u);
    EXPECT_EQ(frame_pixel(5, strip + 1), 0u);
}

// The sdl backend under SDL's dummy driver: the full-screen flag follows the
// start and the switch; a size the display lacks starts windowed.
TEST_F(FullScreen, SdlFullScreenFlag)
{
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    struct sdl_case {
        int width, height;
        bool want_full_screen;
    };
    for (const sdl_case c : {sdl_case{1024, 768, true}, sdl_case{800, 600, false}}) {
        SCOPED_TRACE(c.width);
        ASSERT_EQ(SetScreenMode(c.width, c.height, 32, 60), 0);
        ChangeWindowMode(0);
        ASSERT_EQ(InitMediaLayer(), 0);
        EXPECT_EQ(IsWindowMode(), c.want_full_screen ? 0 : 1);
        EXPECT_EQ(platform::sdl::test::read_window_flags().full_screen, c.want_full_screen);
        if (c.want_full_screen) {
            ASSERT_EQ(ChangeWindowMode(1), 0);
            EXPECT_FALSE(platform::sdl::test::read_window_flags().full_screen);
            ASSERT_EQ(ChangeWindowMode(0), 0);
            EXPECT_TRUE(platform::sdl::test::read_window_flags().full_screen);
        }
        EXPECT_EQ(EndMediaLayer(), 0);
    }
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
