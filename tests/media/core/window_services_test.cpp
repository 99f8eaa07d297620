// Window services: settings, caption, mode flag, dropped files, mouse,
// clipboard, clocks, accessors, menus.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/alloc.hpp"

namespace {

using media::core::window_state;
using media_test::headless_media;

using WindowServices = headless_media;

// A fixture for what needs a started layer: the started flag and the
// processor's figures as start-up leaves them.
class StartedLayer : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        window_state.started = 1;
        media::core::platform_info.tsc = 1;
        media::core::platform_info.tsc_per_second = 1000000000;
        media::core::platform_info.mmx = 1;
    }
};

TEST_F(WindowServices, TheCaptionIsUsedAtCreationAndTitlesALiveWindow)
{
    EXPECT_EQ(SetWindowCaption("zentil"), 0);
    create_window();
    EXPECT_EQ(platform::headless::window().title, "zentil");
    EXPECT_STREQ(window_state.settings.class_name, "zentil");
    EXPECT_EQ(SetWindowCaption("\x95\x5C"), 0);  // 表
    EXPECT_EQ(platform::headless::window().title, "\xE8\xA1\xA8");
    EXPECT_STREQ(window_state.settings.caption, "\x95\x5C");
}

TEST_F(WindowServices, SettingsBeforeAndAfterStartUp)
{
    EXPECT_EQ(SetRunWhenInactive(1), 0);
    EXPECT_EQ(window_state.settings.run_when_inactive, 1);
    EXPECT_EQ(EnableFpuPreserve(1), 0);
    EXPECT_EQ(window_state.settings.fpu_preserve, 1);
    window_state.started = 1;
    EXPECT_EQ(EnableFpuPreserve(0), -1);
    EXPECT_EQ(window_state.settings.fpu_preserve, 1);
}

TEST_F(WindowServices, ChangeWindowModeBeforeAndAfterTheWindowExists)
{
    const std::string before = read();
    EXPECT_EQ(ChangeWindowMode(1), 0);  // the current mode
    EXPECT_EQ(read().substr(before.size()), "0:ChangeWindowMode実行 \r\n");
    EXPECT_EQ(ChangeWindowMode(0), 0);
    EXPECT_EQ(IsWindowMode(), 0);
    EXPECT_NE(read().find("ウインドウモードフラグが倒されました\r\n"), std::string::npos);
    EXPECT_EQ(ChangeWindowMode(1), 0);
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_NE(read().find("ウインドウモードフラグが立てられました\r\n"), std::string::npos);

    // a live window without graphics changes its style only, and waits a
    // bounded time for a display change that does not come
    create_window();
    EXPECT_EQ(ChangeWindowMode(0), 0);
    EXPECT_EQ(IsWindowMode(), 0);
    EXPECT_FALSE(platform::headless::window().framed);
    EXPECT_TRUE(platform::headless::window().top_most);
    EXPECT_EQ(window_state.mode_change_in_progress, 0);
}

TEST_F(WindowServices, DropsSwitchOnWithTheFlag)
{
    create_window();
    EXPECT_FALSE(platform::headless::drops_switched_on());
    EXPECT_EQ(SetDropFilesAccepted(1), 0);
    EXPECT_TRUE(platform::headless::drops_switched_on());
    EXPECT_EQ(SetDropFilesAccepted(0), 0);
    EXPECT_FALSE(platform::headless::drops_switched_on());
}

TEST_F(WindowServices, DroppedFilesPopNewestFirst)
{
    create_window();
    const int blocks = media::core::alloc_state.count;
    std::vector<std::wstring> names = {L"one", L"two", L"three"};
    MainWindowProc(GetMainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(&names), 0);
    EXPECT_EQ(GetDroppedFileCount(), 3);
    char buffer[16];
    EXPECT_EQ(PopDroppedFile(buffer, 5), -1);  // "three" needs 6 bytes: nothing copied, still held
    EXPECT_EQ(GetDroppedFileCount(), 3);
    const char* expected[] = {"three", "two", "one"};
    for (int i = 0; i < 3; ++i) {
        std::memset(buffer, 'x', sizeof buffer);
        ASSERT_EQ(PopDroppedFile(buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, expected[i]);
        EXPECT_EQ(GetDroppedFileCount(), 2 - i);
    }
    EXPECT_EQ(PopDroppedFile(buffer, sizeof buffer), -1);
    EXPECT_EQ(PopDroppedFile(nullptr, 0), -1);
    EXPECT_EQ(media::core::alloc_state.count, blocks);

    std::vector<std::wstring> one = {L"name.txt"};
    MainWindowProc(GetMainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(&one), 0);
    EXPECT_EQ(PopDroppedFile(nullptr, 0), 9);
    EXPECT_EQ(GetDroppedFileCount(), 1);
    MainWindowProc(GetMainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(&names), 0);
    EXPECT_EQ(ClearDroppedFiles(), 0);
    EXPECT_EQ(GetDroppedFileCount(), 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

// Each name comes back in the exact wide form the drop carried and in CP932
// ('?' for what CP932 lacks), newest first; the pop gives both forms up.
TEST_F(WindowServices, DroppedFilesPopExactAndNarrow)
{
    create_window();
    const int blocks = media::core::alloc_state.count;
    struct row {
        std::wstring exact;
        std::string narrow;
    };
    const std::vector<row> rows = {
        {L"/d/" + std::wstring(997, L'n'), "/d/" + std::string(997, 'n')},  // 1,000 bytes
        {L"/d/caf\u00E9.txt", "/d/caf?.txt"},
        {L"/d/\u65E5\u672C.txt", "/d/\x93\xFA\x96\x7B.txt"},
        {L"/d/\xDCE9.txt", "/d/?.txt"},  // the byte E9 alone, not UTF-8
    };
    std::vector<std::wstring> names;
    for (const row& r : rows)
        names.push_back(r.exact);
    MainWindowProc(GetMainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(&names), 0);
    ASSERT_EQ(GetDroppedFileCount(), 4);
    for (std::size_t i = rows.size(); i-- > 0;) {
        std::wstring exact = L"old";
        std::string narrow = "old";
        ASSERT_EQ(PopDroppedFileExact(exact, narrow), 0);
        EXPECT_EQ(exact, rows[i].exact) << i;
        EXPECT_EQ(narrow, rows[i].narrow) << i;
        EXPECT_EQ(GetDroppedFileCount(), static_cast<int>(i));
    }
    std::wstring exact;
    std::string narrow;
    EXPECT_EQ(PopDroppedFileExact(exact, narrow), -1);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

TEST_F(WindowServices, CursorPositionFollowsTheScale)
{
    window_state.settings.scale_x = 2;
    window_state.settings.scale_y = 2;
    create_window();
    platform::os_event move;
    move.kind = platform::event_kind::mouse_move;
    move.x = 101;
    move.y = 41;
    platform::headless::push_event(move);
    PumpWindowMessages();
    int x = -1, y = -1;
    EXPECT_EQ(GetCursorClientPos(&x, &y), 0);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(GetCursorClientPos(nullptr, &y), 0);
    EXPECT_EQ(GetCursorClientPos(&x, nullptr), 0);
}

TEST_F(WindowServices, TheWheelTotalIsTakenAndReset)
{
    create_window();
    for (int i = 0; i < 10; ++i)
        MainWindowProc(GetMainWindow(), WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, 0);
    for (int i = 0; i < 3; ++i)
        MainWindowProc(GetMainWindow(), WM_MOUSEWHEEL, static_cast<WPARAM>(0xFF88) << 16, 0);
    EXPECT_EQ(TakeMouseWheelTotal(0), 7);
    EXPECT_EQ(TakeMouseWheelTotal(1), 7);
    EXPECT_EQ(TakeMouseWheelTotal(0), 0);
}

// The clipboard on both backends.
class Clipboard : public headless_media, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        if (std::string(GetParam()) == "sdl") {
            ASSERT_EQ(platform::select_backend("sdl"), 0);
            ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        }
    }
    void TearDown() override
    {
        platform::select_backend("headless");
        headless_media::TearDown();
    }
};

TEST_P(Clipboard, TextCrossesInCp932)
{
    ASSERT_EQ(platform::set_clipboard_text(L""), 0);
    EXPECT_EQ(GetClipboardText(nullptr, 0), -1);  // empty
    char buffer[16];
    EXPECT_EQ(GetClipboardText(buffer, sizeof buffer), -1);

    ASSERT_EQ(SetClipboardText("abc"), 0);
    EXPECT_EQ(GetClipboardText(nullptr, 0), 5);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetClipboardText(buffer, 3), -1);  // no room for the NUL: nothing copied
    EXPECT_EQ(buffer[0], 'x');
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "abc");

    ASSERT_EQ(SetClipboardText("\x95\x5C"), 0);  // 表
    std::wstring wide;
    ASSERT_EQ(platform::clipboard_text(wide), 0);
    EXPECT_EQ(wide, L"\u8868");
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "\x95\x5C");

    ASSERT_EQ(platform::set_clipboard_text(L"x\ny\r\nz\u00e9"), 0);
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "x\r\ny\r\nz?");

    // the text read for a size query is what the copy gives
    ASSERT_EQ(SetClipboardText("first"), 0);
    EXPECT_EQ(GetClipboardText(nullptr, 0), 7);
    ASSERT_EQ(platform::set_clipboard_text(L"second"), 0);
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "first");
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "second");
}

INSTANTIATE_TEST_SUITE_P(Backends, Clipboard, ::testing::Values("headless", "sdl"));

TEST_F(WindowServices, MillisecondsAreNeverNegative)
{
    platform::headless::set_clock(0xFFFFFFF0u);
    EXPECT_EQ(GetTickMillis(), 0x7FFFFFF0);
    platform::headless::set_clock(1234);
    EXPECT_EQ(GetTickMillis(), 1234);
}

TEST_F(WindowServices, MicrosecondsFromTheCounterOrTheMillisecondClock)
{
    platform::headless::advance_clock(1500);
    window_state.perf_counter_usable = 1;
    EXPECT_EQ(GetTickMicros(0), 1500000u);
    EXPECT_EQ(GetTickMicros(1), 1500000u);  // not started: the counter
    window_state.perf_counter_usable = 0;
    platform::headless::set_clock(2000);
    EXPECT_EQ(GetTickMicros(0), 2000000u);
}

TEST_F(StartedLayer, MicrosecondsFromTheTimeStampCounter)
{
    platform::headless::advance_clock(2500);
    window_state.perf_counter_usable = 0;
    EXPECT_EQ(GetTickMicros(1), 2500000u);
    // without a counter's rate the other clocks serve
    media::core::platform_info.tsc_per_second = 0;
    EXPECT_EQ(GetTickMicros(1), 2500000u);
}

TEST_F(StartedLayer, StartedLayerAnswers)
{
    EXPECT_EQ(IsMmxEnabled(), 1);
    EXPECT_EQ(EnableFpuPreserve(1), -1);
    window_state.desktop_width = 1280;
    window_state.desktop_height = 1024;
    window_state.desktop_bits = 16;
    int w = 0, h = 0, b = 0;
    EXPECT_EQ(GetDesktopMode(&w, &h, &b), 0);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    EXPECT_EQ(b, 16);
}

TEST_F(WindowServices, LocalDateAndFileTimes)
{
    platform::headless::set_local_time({2010, 7, 11, 13, 5, 9});
    DATEDATA date{};
    ASSERT_EQ(GetLocalDateTime(&date), 0);
    EXPECT_EQ(date.year, 2010);
    EXPECT_EQ(date.month, 7);
    EXPECT_EQ(date.day, 11);
    EXPECT_EQ(date.hour, 13);
    EXPECT_EQ(date.minute, 5);
    EXPECT_EQ(date.second, 9);
    EXPECT_EQ(GetLocalDateTime(nullptr), -1);

    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::uint64_t units = 129233271090000000ull;
    const FILETIME time{static_cast<std::uint32_t>(units), static_cast<std::uint32_t>(units >> 32)};
    DATEDATA file_date{};
    ASSERT_EQ(FileTimeToDateData(&time, &file_date), 0);
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(file_date.year, 2010);
    EXPECT_EQ(file_date.month, 7);
    EXPECT_EQ(file_date.day, 11);
    EXPECT_EQ(file_date.hour, 13);
    EXPECT_EQ(file_date.minute, 5);
    EXPECT_EQ(file_date.second, 9);
}

TEST_F(WindowServices, Accessors)
{
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_EQ(IsMmxEnabled(), 0);
    int w = 0, h = 0, b = 0;
    EXPECT_EQ(GetDesktopMode(&w, &h, &b), 0);  // the platform's before start-up
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(b, 32);
    EXPECT_EQ(GetDesktopMode(nullptr, nullptr, nullptr), 0);
    create_window();
    EXPECT_NE(GetMainWindow(), nullptr);
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_EQ(IsWindowActive(), 1);
    EXPECT_EQ(IsQuitRequested(), 0);
    EXPECT_EQ(IsClosePosted(), 0);
    RECT r{};
    EXPECT_EQ(GetClientRectOnScreen(&r), 0);
    EXPECT_EQ(r.left, 112);
    EXPECT_EQ(r.top, 84);
    EXPECT_EQ(r.right, 912);
    EXPECT_EQ(r.bottom, 684);
    EXPECT_EQ(GetClientRectOnScreen(nullptr), -1);
    const int raised = platform::headless::window().raise_count;
    EXPECT_EQ(ForceForegroundWindow(GetMainWindow(), 1), 0);
    EXPECT_EQ(platform::headless::window().raise_count, raised + 1);
    DestroyMainWindow();
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_EQ(IsQuitRequested(), 1);
    EXPECT_EQ(IsClosePosted(), 1);
}

TEST_F(WindowServices, MenusAndToolBarAnswerNone)
{
    char buffer[8] = "x";
    EXPECT_EQ(IsMenuWanted(), 0);
    EXPECT_EQ(GetMenuItemName(1, buffer), -1);
    EXPECT_STREQ(buffer, "x");
    EXPECT_EQ(FindToolBarButton(0), -1);
    EXPECT_EQ(GetToolBarHeight(), 0);
    EXPECT_EQ(DeleteAllToolBarButtons(), -1);
    SetMenuShown(1);
    AutoShowMenu();
    CollectMenuItems(0);
}

}  // namespace
