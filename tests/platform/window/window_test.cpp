// The window group on both backends: desktop mode, creation, title, place,
// failures, and the clipboard.
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/window/backend_fixture.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

platform::window_spec spec_800x600(const std::wstring& title = L"日本語")
{
    platform::window_spec spec;
    spec.title = title;
    spec.width = 800;
    spec.height = 600;
    return spec;
}

// ---- sdl: these also run under Xvfb with the X11 driver ----

class SdlWindow : public ::testing::Test {
 protected:
    void SetUp() override { support::select_window_backend("sdl"); }
    void TearDown() override { platform::destroy_window(); }
};

TEST_F(SdlWindow, DesktopReadsThirtyTwoBitsAtItsSize)
{
    platform::display_mode mode{};
    ASSERT_EQ(platform::desktop_mode(mode), 0) << platform::error();
    if (support::under_x11()) {
        EXPECT_EQ(mode.width, 1280);
        EXPECT_EQ(mode.height, 1024);
    } else {
        EXPECT_EQ(mode.width, 1024);
        EXPECT_EQ(mode.height, 768);
    }
    EXPECT_EQ(mode.bits, 32);
    EXPECT_GE(mode.refresh, 0);
}

TEST_F(SdlWindow, CentredWindowCarriesItsUtf8TitleAndCanBeMadeAgain)
{
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(platform::create_window(spec_800x600()), 0) << platform::error();
        EXPECT_TRUE(platform::has_window());
        std::wstring title;
        ASSERT_EQ(platform::window_title(title), 0);
        EXPECT_EQ(title, L"日本語");
        platform::screen_rect r{};
        ASSERT_EQ(platform::client_rect(r), 0);
        if (support::under_x11()) {
            EXPECT_EQ(r.x, 240);
            EXPECT_EQ(r.y, 212);
        } else {
            EXPECT_EQ(r.x, 112);
            EXPECT_EQ(r.y, 84);
        }
        EXPECT_EQ(r.width, 800);
        EXPECT_EQ(r.height, 600);
        ASSERT_EQ(platform::destroy_window(), 0);
        EXPECT_FALSE(platform::has_window());
    }
}

TEST_F(SdlWindow, ClipboardRoundTripsAndReportsNoneWhenEmpty)
{
    std::wstring text;
    ASSERT_EQ(platform::set_clipboard_text(L""), 0) << platform::error();
    EXPECT_EQ(platform::clipboard_text(text), -1);
    for (const std::wstring sample : {L"タグ", L"é", L"😀 and 한"}) {
        ASSERT_EQ(platform::set_clipboard_text(sample), 0) << platform::error();
        ASSERT_EQ(platform::clipboard_text(text), 0) << platform::error();
        EXPECT_EQ(text, sample);
    }
}

TEST_F(SdlWindow, RetitlesAndRefusesASecondWindow)
{
    ASSERT_EQ(platform::create_window(spec_800x600()), 0) << platform::error();
    EXPECT_EQ(platform::create_window(spec_800x600()), -1);
    EXPECT_EQ(std::string(platform::error()), "a window exists already");
    ASSERT_EQ(platform::set_window_title(L"zentil"), 0);
    std::wstring title;
    ASSERT_EQ(platform::window_title(title), 0);
    EXPECT_EQ(title, L"zentil");
    platform::window_frame frame{};
    EXPECT_EQ(platform::frame_size(frame), 0);
    EXPECT_GE(frame.top, 0);
}

// ---- headless ----

// A frameless top-most window at (0, 0) goes into exclusive full screen at
// the desktop's (listed) mode and back; its size requests meanwhile are kept
// for the return. The dummy driver keeps the style flags of creation: its
// windows have no frame to change.
TEST_F(SdlWindow, FullScreenWindowAndModeChange)
{
    platform::display_mode desktop{};
    ASSERT_EQ(platform::desktop_mode(desktop), 0);
    platform::window_spec spec = spec_800x600();
    spec.full_screen = true;
    ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
    platform::sdl::test::window_flags flags = platform::sdl::test::read_window_flags();
    EXPECT_TRUE(flags.borderless);
    EXPECT_TRUE(flags.top_most);
    EXPECT_FALSE(flags.full_screen);

    auto display_change = [](platform::event& e) {
        for (int i = 0; i < 50; ++i)
            if (platform::pump_event(e) == 1 && e.kind == platform::event_kind::display_changed) return true;
        return false;
    };
    platform::event e;
    EXPECT_EQ(platform::change_mode({desktop.width + 16, desktop.height, 32, 0}, true), -1);
    EXPECT_FALSE(platform::sdl::test::read_window_flags().full_screen);
    ASSERT_EQ(platform::change_mode({desktop.width, desktop.height, 32, 0}, true), 0) << platform::error();
    EXPECT_TRUE(platform::sdl::test::read_window_flags().full_screen);
    ASSERT_TRUE(display_change(e));
    EXPECT_EQ(e.x, desktop.width);
    EXPECT_EQ(e.bits, 32);
    ASSERT_EQ(platform::set_client_rect({10, 20, 640, 480}), 0);
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    EXPECT_FALSE(platform::sdl::test::read_window_flags().full_screen);
    ASSERT_TRUE(display_change(e));
    platform::screen_rect r{};
    ASSERT_EQ(platform::client_rect(r), 0);
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    // nothing held: nothing to give back, nothing told
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    EXPECT_FALSE(display_change(e));

    ASSERT_EQ(platform::set_window_style(true, false), 0);
    flags = platform::sdl::test::read_window_flags();
    EXPECT_EQ(flags.borderless, !support::under_x11());
    EXPECT_EQ(flags.top_most, !support::under_x11());
    EXPECT_EQ(platform::minimise_window(), 0);
}

class HeadlessWindow : public ::testing::Test {
 protected:
    void SetUp() override { support::select_window_backend("headless"); }
};

TEST_F(HeadlessWindow, VirtualDesktopCentresTheWindowAndKeepsItsRecord)
{
    platform::display_mode mode{};
    ASSERT_EQ(platform::desktop_mode(mode), 0);
    EXPECT_EQ(mode.width, 1024);
    EXPECT_EQ(mode.height, 768);
    EXPECT_EQ(mode.bits, 32);

    ASSERT_EQ(platform::create_window(spec_800x600()), 0);
    const platform::headless::window_record& w = platform::headless::window();
    EXPECT_EQ(w.title, u8"日本語");
    EXPECT_EQ(w.client.x, 112);
    EXPECT_EQ(w.client.y, 84);
    EXPECT_TRUE(w.shown);
    EXPECT_TRUE(platform::headless::text_input_on());
    EXPECT_FALSE(platform::headless::drops_switched_on());

    ASSERT_EQ(platform::raise_window(), 0);
    ASSERT_EQ(platform::show_window(false), 0);
    ASSERT_EQ(platform::show_cursor(false), 0);
    ASSERT_EQ(platform::set_client_rect({10, 20, 640, 480}), 0);
    EXPECT_EQ(w.raise_count, 1);
    EXPECT_FALSE(w.shown);
    EXPECT_FALSE(w.cursor_shown);
    platform::screen_rect r{};
    ASSERT_EQ(platform::client_rect(r), 0);
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.width, 640);
    ASSERT_EQ(platform::inhibit_screen_saver(true), 0);
    ASSERT_EQ(platform::set_composition_rect({4, 5, 6, 7}), 0);
    ASSERT_EQ(platform::text_input(false), 0);
    EXPECT_TRUE(platform::headless::screen_saver_inhibited());
    EXPECT_EQ(platform::headless::composition_rect().width, 6);
    EXPECT_FALSE(platform::headless::text_input_on());

    ASSERT_EQ(platform::destroy_window(), 0);
    EXPECT_FALSE(platform::headless::window().exists);
    EXPECT_EQ(platform::raise_window(), -1);
    EXPECT_EQ(std::string(platform::error()), "no window");
}

TEST_F(HeadlessWindow, FullScreenStyleAndMinimisedState)
{
    platform::window_spec spec = spec_800x600();
    spec.full_screen = true;
    spec.x = spec.y = 50;
    ASSERT_EQ(platform::create_window(spec), 0);
    const platform::headless::window_record& w = platform::headless::window();
    EXPECT_EQ(w.client.x, 0);
    EXPECT_EQ(w.client.y, 0);
    EXPECT_EQ(w.client.width, 800);
    EXPECT_FALSE(w.framed);
    EXPECT_TRUE(w.top_most);
    ASSERT_EQ(platform::set_window_style(true, false), 0);
    EXPECT_TRUE(w.framed);
    EXPECT_FALSE(w.top_most);

    EXPECT_FALSE(platform::window_minimised());
    ASSERT_EQ(platform::minimise_window(), 0);
    EXPECT_TRUE(platform::window_minimised());
    // the window manager's records move the state too
    platform::os_event restored;
    restored.kind = platform::event_kind::restored;
    platform::headless::push_event(restored);
    platform::event e;
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_FALSE(platform::window_minimised());
    platform::os_event minimised;
    minimised.kind = platform::event_kind::minimised;
    platform::headless::push_event(minimised);
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_TRUE(platform::window_minimised());
    platform::destroy_window();
    EXPECT_FALSE(platform::window_minimised());
}

TEST_F(HeadlessWindow, DesktopDepthsAreReportedAsSet)
{
    for (int bits : {16, 24, 32}) {
        platform::headless::set_desktop({1280, 1024, bits, 0});
        platform::display_mode mode{};
        ASSERT_EQ(platform::desktop_mode(mode), 0);
        EXPECT_EQ(mode.bits, bits);
        EXPECT_EQ(mode.width, 1280);
    }
}

TEST_F(HeadlessWindow, FailuresLeaveNoWindowAndSayWhy)
{
    struct row {
        const char* what;
        void (*arm)();
        const char* error;
    };
    const row rows[] = {
        {"video start", platform::headless::fail_next_video_start, "video start failed"},
        {"window creation", platform::headless::fail_next_window_creation, "window creation failed"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        r.arm();
        EXPECT_EQ(platform::create_window(spec_800x600()), -1);
        EXPECT_EQ(std::string(platform::error()), r.error);
        EXPECT_FALSE(platform::has_window());
        EXPECT_FALSE(platform::headless::window().exists);
        // the switch holds for one attempt only
        ASSERT_EQ(platform::create_window(spec_800x600()), 0) << platform::error();
        ASSERT_EQ(platform::destroy_window(), 0);
    }
}

TEST_F(HeadlessWindow, RefusesBadSizesZeroCharactersAndOtherThreads)
{
    EXPECT_EQ(platform::create_window(spec_800x600(std::wstring(L"a\0b", 3))), -1);
    EXPECT_EQ(std::string(platform::error()), "text holds a zero character");
    platform::window_spec empty = spec_800x600();
    empty.width = 0;
    EXPECT_EQ(platform::create_window(empty), -1);
    EXPECT_FALSE(platform::has_window());

    // a lone surrogate only an OS name can carry is no title: U+FFFD
    ASSERT_EQ(platform::create_window(spec_800x600(L"a\xDCE9")), 0);
    EXPECT_EQ(platform::headless::window().title, u8"a\uFFFD");
    EXPECT_EQ(platform::set_client_rect({0, 0, -5, 10}), -1);
    int result = 0;
    std::thread other([&] { result = platform::raise_window(); });
    other.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(platform::headless::window().raise_count, 0);
}

TEST_F(HeadlessWindow, ClipboardKeepsUtf8AndReportsNoneWhenEmpty)
{
    std::wstring text;
    EXPECT_EQ(platform::clipboard_text(text), -1);
    EXPECT_EQ(std::string(platform::error()), "the clipboard holds no text");
    ASSERT_EQ(platform::set_clipboard_text(L"タグ"), 0);
    EXPECT_EQ(platform::headless::clipboard(), u8"タグ");
    ASSERT_EQ(platform::clipboard_text(text), 0);
    EXPECT_EQ(text, L"タグ");
    const std::wstring accented = L"é";  // outside CP932
    ASSERT_EQ(platform::set_clipboard_text(accented), 0);
    ASSERT_EQ(platform::clipboard_text(text), 0);
    EXPECT_EQ(text, accented);
    EXPECT_EQ(platform::set_clipboard_text(std::wstring(L"a\0b", 3)), -1);
    ASSERT_EQ(platform::clipboard_text(text), 0);
    EXPECT_EQ(text, accented);  // the refused text changed nothing
}

}  // namespace
