// The main window: creation and its log, the second running copy, the close,
// the end, the window procedure's stock, wheel, drops and geometry.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/core/key_input.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace {

using media::core::window_state;
using media_test::headless_media;
using platform::event_kind;

const char* const creation_log =
    "#:メモリ総量:#MB  空きメモリ領域:#MB \r\n"
    "#:タイマーの精度を検査します\r\n"
    "#:精度結果 更新回数 マルチメディアタイマー：#  パフォーマンスカウンター：# "
    "パフォーマンスカウンターを使用します タイマー分解能 : # KHz  "
    "ソフトの二重起動検査... 二重起動はされていませんでした\r\n"
    "#:ウインドウクラスを登録します... 登録に成功しました\r\n"
    "#:ウインドウモード起動用のウインドウを作成します\r\n"
    "#:ウインドウの作成に成功しました\r\n"
    "#:ＩＭＥを無効にしました\r\n"
    "#:ウインドウスタイルをウインドウモード用に変更します... 完了\r\n";

using MainWindow = headless_media;

TEST_F(MainWindow, CreationLogsEachStepAndCentresTheClientArea)
{
    create_window();
    EXPECT_EQ(masked_log(), creation_log);
    // the timer test stopped at 60 changes of the stepping clock
    EXPECT_NE(read().find("マルチメディアタイマー：60  パフォーマンスカウンター：60"), std::string::npos) << read();
    const platform::headless::window_record& w = platform::headless::window();
    EXPECT_TRUE(w.exists);
    EXPECT_EQ(w.client.x, 112);
    EXPECT_EQ(w.client.y, 84);
    EXPECT_EQ(w.client.width, 800);
    EXPECT_EQ(w.client.height, 600);
    EXPECT_EQ(w.title, "MediaLayer");
    EXPECT_STREQ(window_state.settings.class_name, "R123987O");
    EXPECT_EQ(window_state.active, 1);
    EXPECT_NE(window_state.main_window, nullptr);
    EXPECT_EQ(window_state.client_rect[0], 112);
    EXPECT_EQ(window_state.client_rect[3], 684);
    EXPECT_TRUE(platform::headless::screen_saver_inhibited());
    EXPECT_GT(media::core::platform_info.memory_total, 0u);
}

TEST_F(MainWindow, TheCaptionNamesTheClassAndTitlesTheWindow)
{
    std::strcpy(window_state.settings.caption, "zentil");
    create_window();
    EXPECT_STREQ(window_state.settings.class_name, "zentil");
    EXPECT_EQ(platform::headless::window().title, "zentil");
}

TEST_F(MainWindow, TheTimerTestEndsOnAClockThatStandsStill)
{
    ASSERT_EQ(CreateMainWindow(), 0);  // no clock step: only the test's own sleeps move it
    EXPECT_NE(read().find("パフォーマンスカウンターを使用します"), std::string::npos);
}

TEST_F(MainWindow, AFailingCreationSetsQuit)
{
    platform::headless::fail_next_window_creation();
    platform::headless::set_clock_step(1);
    EXPECT_EQ(CreateMainWindow(), -1);
    EXPECT_EQ(window_state.quit, 1);
    EXPECT_EQ(window_state.main_window, nullptr);
    EXPECT_NE(read().find("ウインドウの作成に失敗しました\r\n"), std::string::npos);
    // the end finds no window to undo: the screen saver is let go here
    EXPECT_FALSE(platform::headless::screen_saver_inhibited());
    // the lock is not kept by a window that never was
    platform::instance_lock other;
    EXPECT_EQ(other.try_acquire(L"R123987O"), platform::lock_result::acquired);
}

// Another process with the same caption and lock folder is refused.
TEST_F(MainWindow, ASecondRunningCopyIsRefused)
{
    std::strcpy(window_state.settings.caption, "zentil-second");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    dir_.folder("child");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // the child waits until the parent's window exists, then tries its own
        ::close(ready[1]);
        char byte;
        if (::read(ready[0], &byte, 1) != 1)
            ::_exit(10);
        std::filesystem::current_path(dir_.at("child"));
        media::core::store_log_folder();
        OpenLogFile();
        platform::headless::set_clock_step(1);
        const int result = CreateMainWindow();
        const bool logged = read("child/Log.txt").find("二重起動されています、ソフトを終了します\r\n") != std::string::npos;
        ::_exit(result == -1 && window_state.quit == 1 && logged && !platform::headless::window().exists ? 0 : 1);
    }
    ::close(ready[0]);
    create_window();
    ASSERT_EQ(::write(ready[1], "x", 1), 1);
    ::close(ready[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << read("child/Log.txt");
    EXPECT_NE(read().find("二重起動はされていませんでした\r\n"), std::string::npos);
}

TEST_F(MainWindow, ACloseQuitsAndEveryLaterPumpReturnsMinusOne)
{
    create_window();
    push(event(event_kind::close));
    EXPECT_EQ(PumpWindowMessages(), -1);
    const std::string log = read();
    const std::size_t closing = log.find("ウインドウを閉じようとしています\r\n");
    const std::size_t destroying = log.find("ウインドウが破棄されようとしています\r\n");
    const std::size_t ready = log.find("ソフトを終了する準備が整いました\r\n");
    ASSERT_NE(closing, std::string::npos);
    ASSERT_NE(destroying, std::string::npos);
    ASSERT_NE(ready, std::string::npos);
    EXPECT_LT(closing, destroying);
    EXPECT_LT(destroying, ready);
    EXPECT_FALSE(platform::headless::window().exists);
    watch();
    media::core::post_message(WM_PAINT);
    EXPECT_EQ(PumpWindowMessages(), -1);
    EXPECT_EQ(PumpWindowMessages(), -1);
    EXPECT_TRUE(media_test::seen_messages().empty());
}

TEST_F(MainWindow, DestroyClosesOnceAndGivesEverythingBack)
{
    create_window();
    const int blocks = media::core::alloc_state.count;
    std::vector<std::wstring> names = {L"a.txt", L"b.txt"};
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&names), 0);
    ASSERT_EQ(window_state.dropped_count, 2);
    watch();
    EXPECT_EQ(DestroyMainWindow(), 0);
    int closes = 0;
    for (const media_test::seen_message& m : media_test::seen_messages())
        closes += m.message == WM_CLOSE;
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(window_state.destroyed, 1);
    EXPECT_EQ(window_state.main_window, nullptr);
    EXPECT_FALSE(platform::headless::window().exists);
    EXPECT_FALSE(platform::headless::screen_saver_inhibited());
    EXPECT_EQ(window_state.dropped_count, 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    platform::instance_lock other;
    EXPECT_EQ(other.try_acquire(L"R123987O"), platform::lock_result::acquired);
    EXPECT_EQ(DestroyMainWindow(), 0);  // nothing left to end
}

TEST_F(MainWindow, DebuggerOnlyModeSendsTheLogToTheDebuggerAlone)
{
    std::wstring sink;
    platform::capture_debug_output(&sink);
    LogWrite("abc\n");
    EXPECT_EQ(read(), "0:abc\r\n");
    EXPECT_EQ(sink, L"0:abc\r\n");

    sink.clear();
    std::filesystem::remove(dir_.at("Log.txt"));
    window_state.settings.user_window = 1;
    OpenLogFile();
    LogWrite("\x82\xA0\n");  // あ
    EXPECT_FALSE(exists("Log.txt"));
    EXPECT_EQ(sink, L"\u3042\r\n");
}

// The typed-character stock as the window procedure fills it.
struct stock_case {
    std::uint32_t message;
    WPARAM wParam;
    std::vector<unsigned char> stocked;
};

TEST_F(MainWindow, TheProcedureStocksTypedCharactersAndEditingKeys)
{
    const stock_case cases[] = {
        {WM_CHAR, 2, {}},      // Ctrl+B
        {WM_CHAR, 22, {22}},   // Ctrl+V
        {WM_CHAR, 27, {27}},   // Escape
        {WM_CHAR, 10, {13}},   // a bare line feed
        {WM_CHAR, 'a', {'a'}},
        {WM_CHAR, 0, {}},
        {WM_KEYDOWN, 46, {16}},  // Delete
        {WM_KEYDOWN, 37, {29}},  // Left
        {WM_KEYDOWN, 39, {28}},  // Right
        {WM_KEYDOWN, 38, {30}},  // Up
        {WM_KEYDOWN, 40, {31}},  // Down
        {WM_KEYDOWN, 36, {26}},  // Home
        {WM_KEYDOWN, 35, {25}},  // End
        {WM_KEYDOWN, 33, {23}},  // Page Up
        {WM_KEYDOWN, 34, {21}},  // Page Down
        {WM_KEYDOWN, 65, {}},    // A: its character comes as WM_CHAR
    };
    for (const stock_case& c : cases) {
        media::core::char_ring = media::core::CHARRING{};
        MainWindowProc(nullptr, c.message, c.wParam, 0);
        std::vector<unsigned char> got;
        char buffer[2];
        while (TakeTypedChar(buffer, 1) == 1)
            got.push_back(static_cast<unsigned char>(buffer[0]));
        EXPECT_EQ(got, c.stocked) << c.message << " " << c.wParam;
    }
}

TEST_F(MainWindow, TheStockKeepsDoubleByteCharactersWholeAndRefusesWhenFull)
{
    char buffer[2];
    MainWindowProc(nullptr, WM_CHAR, 0x82, 0);
    EXPECT_EQ(TakeTypedChar(buffer, 1), 0);  // the trail byte has not arrived
    MainWindowProc(nullptr, WM_CHAR, 0xA0, 0);
    EXPECT_EQ(TakeTypedChar(buffer, 0), 2);  // a look leaves it there
    ASSERT_EQ(TakeTypedChar(buffer, 1), 2);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0x82);
    EXPECT_EQ(static_cast<unsigned char>(buffer[1]), 0xA0);
    EXPECT_EQ(TakeTypedChar(buffer, 1), 0);

    // from any start, 1024 bytes fit and the next is refused
    for (int start : {0, 700}) {
        media::core::char_ring = media::core::CHARRING{};
        media::core::char_ring.read = media::core::char_ring.write = start;
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(StockTypedChar('x'), 0) << i;
        EXPECT_EQ(StockTypedChar('y'), -1);
        int taken = 0;
        while (TakeTypedChar(buffer, 1) == 1)
            ++taken;
        EXPECT_EQ(taken, 1024);
    }
}

TEST_F(MainWindow, EachWheelMessageIsOneNotch)
{
    create_window();
    MainWindowProc(window_state.main_window, WM_MOUSEWHEEL, static_cast<WPARAM>(240) << 16, 0);
    MainWindowProc(window_state.main_window, WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, 0);
    EXPECT_EQ(window_state.wheel_total, 2);
    MainWindowProc(window_state.main_window, WM_MOUSEWHEEL, 0, 0);
    EXPECT_EQ(window_state.wheel_total, 1);
    platform::os_event sideways = event(event_kind::wheel);
    sideways.wheel_x = 1;
    push(sideways);
    platform::os_event down = event(event_kind::wheel);
    down.wheel_y = -1;
    push(down);
    PumpWindowMessages();
    EXPECT_EQ(window_state.wheel_total, 0);
}

TEST_F(MainWindow, DropsKeepBothFormsUpToTheLimit)
{
    create_window();
    std::vector<std::wstring> many;
    for (int i = 0; i < 1200; ++i)
        many.push_back(L"file" + std::to_wstring(i));
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&many), 0);
    ASSERT_EQ(window_state.dropped_count, 1000);
    EXPECT_STREQ(window_state.dropped_names[999], "file999");
    EXPECT_STREQ(window_state.dropped_wide[999], L"file999");
    // the names past the table are counted, drop after drop, until taken
    EXPECT_EQ(TakeDroppedFilesLeftOut(), 200);
    EXPECT_EQ(TakeDroppedFilesLeftOut(), 0);
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&many), 0);
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&many), 0);
    EXPECT_EQ(TakeDroppedFilesLeftOut(), 2400);
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&many), 0);
    ClearDroppedFiles();
    EXPECT_EQ(TakeDroppedFilesLeftOut(), 0);

    // a failed allocation (the fifth: the third name's CP932 form) skips the rest
    std::vector<std::wstring> five = {L"a", L"b", L"c", L"d", L"e"};
    media::core::fail_heap_requests_after(4, 1);
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&five), 0);
    EXPECT_EQ(window_state.dropped_count, 2);
    EXPECT_EQ(TakeDroppedFilesLeftOut(), 3);
    ClearDroppedFiles();
    // ... and the failure of a wide form too (the sixth)
    media::core::fail_heap_requests_after(5, 1);
    MainWindowProc(window_state.main_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&five), 0);
    EXPECT_EQ(window_state.dropped_count, 2);
    ClearDroppedFiles();

    // a name CP932 cannot spell keeps its exact form beside the narrow one
    platform::accept_drops(true);
    platform::os_event drop = event(event_kind::drop);
    drop.names = {"/tmp/caf\xC3\xA9\xF0\x9F\x98\x80.txt", "/tmp/\xE3\x81\x82"};
    push(drop);
    PumpWindowMessages();
    ASSERT_EQ(window_state.dropped_count, 2);
    EXPECT_STREQ(window_state.dropped_wide[0], L"/tmp/caf\u00e9\U0001F600.txt");
    EXPECT_EQ(std::strchr(window_state.dropped_names[0], '?') != nullptr, true) << window_state.dropped_names[0];
    EXPECT_STREQ(window_state.dropped_names[1], "/tmp/\x82\xA0");
}

TEST_F(MainWindow, TheClientAreaIsTheScreenTimesTheScale)
{
    window_state.settings.scale_x = 2;
    window_state.settings.scale_y = 2;
    create_window();
    EXPECT_EQ(platform::headless::window().client.width, 1600);
    EXPECT_EQ(platform::headless::window().client.height, 1200);
    // larger than the desktop: its top-left corner stays on it
    EXPECT_EQ(platform::headless::window().client.x, 0);
    EXPECT_EQ(platform::headless::window().client.y, 0);

    window_state.settings.scale_x = 0;
    window_state.settings.scale_y = 0;
    double x = 5, y = 5;
    EXPECT_EQ(GetWindowScale(&x, &y), 1);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(window_state.settings.scale_x, 1);
    EXPECT_EQ(GetWindowScale(nullptr, nullptr), 1);
}

struct sizing_case {
    int edge;
    RECT proposed;
    RECT expected;
    double scale;
};

TEST_F(MainWindow, SizingKeepsTheAspectAndSetsTheScale)
{
    create_window();
    const sizing_case cases[] = {
        {2, {0, 0, 1000, 600}, {0, 0, 1000, 750}, 1.25},   // right edge
        {1, {0, 0, 400, 600}, {0, 0, 400, 300}, 0.5},      // left edge
        {6, {0, 0, 800, 900}, {0, 0, 1200, 900}, 1.5},     // bottom edge
        {8, {0, 0, 1600, 700}, {0, 0, 1600, 1200}, 2},     // corner: the width ratio is larger
        {8, {0, 0, 900, 1200}, {0, 0, 1600, 1200}, 2},     // corner: the height ratio is larger
        {9, {0, 0, 960, 600}, {0, 0, 960, 600}, 1.2},      // another code: the scales only
    };
    for (const sizing_case& c : cases) {
        RECT r = c.proposed;
        EXPECT_EQ(MainWindowProc(window_state.main_window, WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&r)), 1);
        EXPECT_EQ(r.right, c.expected.right) << c.edge;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.edge;
        EXPECT_DOUBLE_EQ(window_state.settings.scale_x, c.scale) << c.edge;
        EXPECT_DOUBLE_EQ(window_state.settings.scale_y, c.scale) << c.edge;
    }
}

TEST_F(MainWindow, AMoveRecordsTheClientAreaOnScreen)
{
    create_window();
    push(event(event_kind::moved, -5, 20));
    PumpWindowMessages();
    EXPECT_EQ(window_state.client_rect[0], -5);
    EXPECT_EQ(window_state.client_rect[1], 20);
    EXPECT_EQ(window_state.client_rect[2], 795);
    EXPECT_EQ(window_state.client_rect[3], 620);
}

TEST_F(MainWindow, TheMouseDisplayShowsAndHidesTheCursor)
{
    create_window();
    EXPECT_TRUE(platform::headless::window().cursor_shown);
    SetMouseDisplay(0);
    EXPECT_FALSE(platform::headless::window().cursor_shown);
    SetMouseDisplay(1);
    EXPECT_TRUE(platform::headless::window().cursor_shown);
}

// The same window on the sdl backend under SDL's dummy driver.
TEST_F(MainWindow, SdlCreationAndQuit)
{
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(CreateMainWindow(), 0);
    EXPECT_TRUE(platform::has_window());
    ASSERT_EQ(platform::sdl::test::push_quit(), 0);
    int result = 0;
    for (int i = 0; i < 100 && result == 0; ++i)
        result = PumpWindowMessages();
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(platform::has_window());
    EXPECT_EQ(DestroyMainWindow(), 0);
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
