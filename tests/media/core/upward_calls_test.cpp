// The ground alone: with no window made, nothing registered the calls the
// core makes upward, and each of them does nothing (and crashes nothing).
#include <gtest/gtest.h>

#include "log_folder.hpp"
#include "media/core/key_input.hpp"
#include "media/core/log.hpp"
#include "platform/headless/headless.hpp"

namespace {

using media::core::window_state;
using media_test::log_folder;

// A window record the core can name; the core only compares it.
HWINDOW fake_window()
{
    static char record;
    return reinterpret_cast<HWINDOW>(&record);
}

int procedure_calls = 0;
LRESULT counting_procedure(HWINDOW, std::uint32_t, WPARAM, LPARAM)
{
    ++procedure_calls;
    return 0;
}

// The core as the pump finds it after a window was made, but without the
// window's making: the calls upward stay unregistered.
class CoreAlone : public log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        window_state.main_window = fake_window();
        window_state.main_thread = std::this_thread::get_id();
        window_state.active = 1;
        window_state.settings.window_mode = 1;
        procedure_calls = 0;
    }
};

TEST_F(CoreAlone, NothingIsRegisteredBeforeTheWindowIsMade)
{
    EXPECT_EQ(window_state.window_proc, nullptr);
    const media::core::UPWARD_CALLS& up = window_state.upward;
    EXPECT_EQ(up.change_window_mode, nullptr);
    EXPECT_EQ(up.auto_show_menu, nullptr);
    EXPECT_EQ(up.poll_midi_play_state, nullptr);
    EXPECT_EQ(up.redraw_overlay_movies, nullptr);
    EXPECT_EQ(up.end_layer, nullptr);
    EXPECT_EQ(up.query_screen_size, nullptr);
    EXPECT_EQ(up.pack_screen_color, nullptr);
}

TEST_F(CoreAlone, WithoutAProcedureThePumpDropsMessages)
{
    window_state.settings.message_callback = media_test::record_message;
    media_test::seen_messages().clear();
    media::core::post_message(WM_CLOSE);
    media::core::post_message(WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, 0);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_TRUE(media::core::message_queue.empty());
    EXPECT_TRUE(media_test::seen_messages().empty());
    EXPECT_EQ(window_state.destroyed, 0);
    EXPECT_EQ(window_state.wheel_total, 0);
    window_state.settings.message_callback = nullptr;

    // the stored procedure gets them once registered
    window_state.window_proc = counting_procedure;
    media::core::post_message(WM_PAINT);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(procedure_calls, 1);
}

TEST_F(CoreAlone, AModeChangeRequestWithoutTheSwitchOnlyClearsTheRequest)
{
    window_state.mode_change_requested = 1;
    window_state.settings.mode_change_allowed = 1;
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(window_state.mode_change_requested, 0);
    EXPECT_EQ(window_state.settings.window_mode, 1);
    EXPECT_EQ(window_state.mode_changed_at_run_time, 0);
}

TEST_F(CoreAlone, TheMenuIsNotShownWithoutItsCall)
{
    window_state.settings.menu_auto_display_off = 0;
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(IsMenuWanted(), 0);
}

TEST_F(CoreAlone, ThePumpWithoutTheMidiPollStillEndsItsPass)
{
    window_state.settings.no_window = 1;
    EXPECT_EQ(PumpWindowMessages(), 0);
    window_state.quit = 1;
    EXPECT_EQ(PumpWindowMessages(), -1);
}

TEST_F(CoreAlone, TheInactiveWaitWithoutTheMovieRedrawEndsOnQuit)
{
    window_state.active = 0;
    window_state.settings.run_when_inactive = 0;
    platform::headless::set_clock_step(1);
    media::core::post_message(WM_QUIT);
    EXPECT_EQ(PumpWindowMessages(), -1);
    platform::headless::set_clock_step(0);
    EXPECT_EQ(window_state.quit, 1);
    EXPECT_EQ(window_state.inactive_wait, 1);
}

TEST_F(CoreAlone, TheFatalExitWithoutTheLayersEndLogsAndEnds)
{
    OpenLogFile();
    EXPECT_EXIT(ExitWithLogPrintf("stopped at %d", 7), ::testing::ExitedWithCode(255), "");
    // the child wrote the line; the parent's state is untouched
    EXPECT_NE(read().find("stopped at 7"), std::string::npos);
    EXPECT_EQ(window_state.started, 0);
}

TEST_F(CoreAlone, WindowServicesWithoutGraphicsTakeA640By480Screen)
{
    platform::window_spec spec;
    spec.width = 300;
    spec.height = 200;
    ASSERT_EQ(platform::create_window(spec), 0);
    EXPECT_EQ(FitWindowToClientSize(), 0);
    platform::screen_rect r{0, 0, 0, 0};
    ASSERT_EQ(platform::client_rect(r), 0);
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    platform::destroy_window();
}

TEST_F(CoreAlone, KeyInputColoursWithoutGraphicsAreZero)
{
    ASSERT_EQ(StartKeyInputSystem(), 0);
    const media::core::KEYINPUTSTYLE& style = media::core::key_input_state.style;
    EXPECT_EQ(style.text, 0u);
    EXPECT_EQ(style.composition_background, 0u);
    EXPECT_EQ(style.converting_clause, 0u);
    EXPECT_EQ(style.blink_period, 500);
    EndKeyInputSystem();
}

}  // namespace
