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
#include "media/graphics/internal.hpp"
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

TEST_F(MainWindow, SizingProposalsWithoutAnAreaChangeNothing)
{
    create_window();
    window_state.settings.scale_x = 1.5;
    window_state.settings.scale_y = 1.5;
    const RECT proposals[] = {{0, 0, 0, 600}, {0, 0, 800, 0}, {100, 100, 50, 700}, {0, 0, -10, -10}};
    for (const int edge : {2, 6, 8}) {
        for (const RECT& p : proposals) {
            RECT r = p;
            MainWindowProc(window_state.main_window, WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
            EXPECT_TRUE(r.left == p.left && r.top == p.top && r.right == p.right && r.bottom == p.bottom) << edge;
            EXPECT_EQ(window_state.settings.scale_x, 1.5) << edge;
            EXPECT_EQ(window_state.settings.scale_y, 1.5) << edge;
        }
    }
    EXPECT_EQ(MainWindowProc(window_state.main_window, WM_SIZING, 2, 0), 0);
    EXPECT_EQ(window_state.settings.scale_x, 1.5);
}

TEST_F(MainWindow, MovesAndSizesRecordTheWindowRectangle)
{
    create_window();
    platform::set_client_rect({30, 40, 800, 600});
    MainWindowProc(window_state.main_window, WM_MOVE, 0, MakeLParam(30, 40));
    EXPECT_EQ(window_state.window_rect[0], 30);
    EXPECT_EQ(window_state.window_rect[1], 40);
    EXPECT_EQ(window_state.window_rect[2], 830);
    EXPECT_EQ(window_state.window_rect[3], 640);
    platform::set_client_rect({50, 60, 800, 600});
    MainWindowProc(window_state.main_window, WM_SIZE, SIZE_RESTORED, MakeLParam(800, 600));
    EXPECT_EQ(window_state.window_rect[0], 50);
    EXPECT_EQ(window_state.window_rect[1], 60);

    // windowed: the drag goes where it was proposed
    platform::set_client_rect({10, 20, 800, 600});
    RECT proposed{300, 200, 1100, 800};
    EXPECT_EQ(MainWindowProc(window_state.main_window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed)), 0);
    EXPECT_EQ(proposed.left, 300);
    EXPECT_EQ(proposed.bottom, 800);
    EXPECT_EQ(window_state.window_rect[0], 10);
    EXPECT_EQ(window_state.window_rect[3], 620);
    // full screen: the window stays where it is
    window_state.settings.window_mode = 0;
    MainWindowProc(window_state.main_window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_EQ(proposed.left, 10);
    EXPECT_EQ(proposed.top, 20);
    EXPECT_EQ(proposed.right, 810);
    EXPECT_EQ(proposed.bottom, 620);
    EXPECT_EQ(MainWindowProc(window_state.main_window, WM_MOVING, 0, 0), 0);
}

void restore_graphics() {}

struct display_case {
    int bits, width, height;
    bool restorable;
    bool closes;
};

std::size_t queued(std::uint32_t message)
{
    std::lock_guard<std::mutex> hold(media::core::message_lock);
    std::size_t n = 0;
    for (const media::core::WINDOWMESSAGE& m : media::core::message_queue)
        n += m.message == message ? 1 : 0;
    return n;
}

TEST_F(MainWindow, DisplayChangesTheScreenCannotFollowCloseTheWindow)
{
    create_window();
    const std::string first = "復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\r\n";
    const std::string second = "またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\r\n";
    const display_case cases[] = {
        {32, 1280, 1024, true, false},  // larger: the movies go on
        {24, 1280, 1024, true, true},   {8, 1280, 1024, true, true}, {32, 640, 480, true, true},
        {32, 1280, 1024, false, true},  // no way to restore the graphics
        {32, 800, 600, true, false},    // the same mode
        {32, 800, 600, false, false},
    };
    for (const display_case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << " " << c.width << "x" << c.height << " " << c.restorable);
        media::gfx::settings.restore_callback = c.restorable ? restore_graphics : nullptr;
        window_state.close_posted = 0;
        window_state.display_changed = 0;
        {
            std::lock_guard<std::mutex> hold(media::core::message_lock);
            media::core::message_queue.clear();
        }
        const std::size_t from = read().size();
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(MainWindowProc(window_state.main_window, WM_DISPLAYCHANGE, c.bits, MakeLParam(c.width, c.height)),
                      0);
        EXPECT_EQ(window_state.display_changed, 1);
        EXPECT_EQ(window_state.close_posted, c.closes ? 1 : 0);
        EXPECT_EQ(queued(WM_CLOSE), c.closes ? 1u : 0u);
        const std::string added = read().substr(from);
        EXPECT_EQ(added.find(first) != std::string::npos && added.find(second) != std::string::npos, c.closes)
            << added;
    }
    // during a mode change, and in full screen, only the flag is set
    media::gfx::settings.restore_callback = nullptr;
    for (const bool in_progress : {true, false}) {
        window_state.close_posted = 0;
        window_state.display_changed = 0;
        window_state.mode_change_in_progress = in_progress ? 1 : 0;
        window_state.settings.window_mode = in_progress ? 1 : 0;
        {
            std::lock_guard<std::mutex> hold(media::core::message_lock);
            media::core::message_queue.clear();
        }
        MainWindowProc(window_state.main_window, WM_DISPLAYCHANGE, 24, MakeLParam(320, 200));
        EXPECT_EQ(window_state.display_changed, 1);
        EXPECT_EQ(window_state.close_posted, 0);
        EXPECT_EQ(queued(WM_CLOSE), 0u);
    }
    // the close posted closes the window on the next pump
    window_state.mode_change_in_progress = 0;
    window_state.settings.window_mode = 1;
    window_state.close_posted = 0;
    MainWindowProc(window_state.main_window, WM_DISPLAYCHANGE, 24, MakeLParam(1280, 1024));
    EXPECT_EQ(PumpWindowMessages(), -1);
    EXPECT_EQ(window_state.destroyed, 1);
    EXPECT_FALSE(platform::headless::window().exists);
}

TEST_F(MainWindow, HitTestAndSystemCommands)
{
    create_window();
    struct hit_case {
        int window_mode, device, y;
        LRESULT expected;
    };
    const hit_case hits[] = {
        {0, 1, 7, HTMENU}, {0, 1, 0, HTMENU}, {0, 1, 8, HTCLIENT}, {0, 0, 7, HTCLIENT}, {1, 1, 7, HTCLIENT},
    };
    for (const hit_case& c : hits) {
        window_state.settings.window_mode = c.window_mode;
        media::gfx::graphics.d3d_in_use = c.device;
        EXPECT_EQ(MainWindowProc(window_state.main_window, WM_NCHITTEST, 0, MakeLParam(100, c.y)), c.expected)
            << c.window_mode << " " << c.device << " " << c.y;
    }
    media::gfx::graphics.d3d_in_use = 0;
    window_state.settings.window_mode = 1;

    struct command_case {
        WPARAM command;
        int key_hook;
        LRESULT expected;
    };
    const command_case commands[] = {
        {SC_MONITORPOWER, 0, 1}, {SC_SCREENSAVE, 0, 1}, {SC_SCREENSAVE, 1, 1},
        {SC_KEYMENU, 0, 0},      {SC_KEYMENU, 1, 0},    {0xF020, 0, 0},
    };
    for (const command_case& c : commands) {
        window_state.settings.key_hook = c.key_hook;
        EXPECT_EQ(MainWindowProc(window_state.main_window, WM_SYSCOMMAND, c.command, 0), c.expected) << c.command;
    }
}

// A menu bar "File" holding 100, 101, a separator and a submenu holding 102,
// and a tool bar with button 7 and separator 8.
class MenuWindow : public media_test::headless_media {
protected:
    void build_menu()
    {
        top_ = platform::create_menu();
        file_ = platform::create_menu();
        const int recent = platform::create_menu();
        ASSERT_GT(top_, 0);
        ASSERT_EQ(platform::append_menu_item(file_, 100, L"開く"), 0);
        ASSERT_EQ(platform::append_menu_item(file_, 101, L"Save"), 0);
        ASSERT_EQ(platform::append_menu_separator(file_), 0);
        ASSERT_EQ(platform::append_menu_item(recent, 102, std::wstring(100, L'\u3042')), 0);
        ASSERT_EQ(platform::append_submenu(file_, recent, L"Recent"), 0);
        ASSERT_EQ(platform::append_submenu(top_, file_, L"File"), 0);
        SetMenuForTest(top_);
    }

    void build_toolbar()
    {
        const int ids[] = {7, 8};
        const int kinds[] = {0, platform::toolbar_separator};
        ASSERT_EQ(SetToolBarForTest(ids, kinds, 2), 0);
    }

    void TearDown() override
    {
        commands().clear();
        names().clear();
        headless_media::TearDown();
    }

    static std::vector<WPARAM>& commands()
    {
        static std::vector<WPARAM> seen;
        return seen;
    }
    static std::vector<std::pair<std::string, int>>& names()
    {
        static std::vector<std::pair<std::string, int>> seen;
        return seen;
    }
    static void on_command(WPARAM command) { commands().push_back(command); }
    static void on_name(const char* name, int id) { names().emplace_back(name, id); }

    int top_ = 0, file_ = 0;
};

TEST_F(MenuWindow, CommandsReachTheToolBarOrTheMenu)
{
    create_window();
    // without a menu or a tool bar nothing happens
    MainWindowProc(window_state.main_window, WM_COMMAND, 101, 0);
    EXPECT_EQ(window_state.menu.selected_count, 0);

    build_menu();
    build_toolbar();
    window_state.menu.command_callback = on_command;
    window_state.menu.name_callback = on_name;

    MainWindowProc(window_state.main_window, WM_COMMAND, 1287, 0);
    EXPECT_EQ(window_state.toolbar.buttons[0].clicked, 1);
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(names().empty());

    // a separator's id and an id no button has are the menu's
    MainWindowProc(window_state.main_window, WM_COMMAND, 1288, 0);
    MainWindowProc(window_state.main_window, WM_COMMAND, 1290, 0);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{1288, 1290}));
    EXPECT_EQ(window_state.toolbar.buttons[1].clicked, 0);

    // a click on the item, as the platform gives it, and the same message again
    platform::os_event click;
    click.kind = platform::event_kind::command;
    click.x = 101;
    push(click);
    PumpWindowMessages();
    MainWindowProc(window_state.main_window, WM_COMMAND, 101, 0);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{1288, 1290, 101, 101}));
    ASSERT_EQ(names().size(), 4u);
    EXPECT_EQ(names()[2], (std::pair<std::string, int>{"Save", 101}));
    EXPECT_EQ(names()[0], (std::pair<std::string, int>{"", 1288}));
    ASSERT_EQ(window_state.menu.selected_count, 3);
    EXPECT_EQ(window_state.menu.selected[2], 101);

    // 64 ids at most
    for (int id = 2000; id < 2070; ++id)
        MainWindowProc(window_state.main_window, WM_COMMAND, static_cast<WPARAM>(id), 0);
    EXPECT_EQ(window_state.menu.selected_count, 64);
    EXPECT_EQ(window_state.menu.selected[63], 2060);
}

TEST_F(MenuWindow, ItemsAreListedAndButtonsFound)
{
    create_window();
    EXPECT_EQ(FindToolBarButton(7), -1);
    EXPECT_EQ(DeleteAllToolBarButtons(), -1);
    EXPECT_EQ(GetToolBarHeight(), 0);
    build_menu();
    build_toolbar();

    const media::core::MENUSTATE& m = window_state.menu;
    ASSERT_EQ(m.item_count, 3);
    EXPECT_EQ(m.items[0].id, 100);
    EXPECT_STREQ(m.items[0].text, "\x8a\x4a\x82\xad");
    EXPECT_EQ(m.items[1].id, 101);
    EXPECT_EQ(m.items[1].position, 1);
    EXPECT_EQ(m.items[2].id, 102);
    // 100 double-byte characters: 64 of them fit in 128 bytes
    EXPECT_EQ(std::strlen(m.items[2].text), 128u);
    char name[256] = "";
    EXPECT_EQ(GetMenuItemName(102, name), 0);
    std::string expected;
    for (int i = 0; i < 64; ++i)
        expected += "\x82\xa0";
    EXPECT_EQ(std::string(name), expected);
    EXPECT_EQ(GetMenuItemName(103, name), -1);
    EXPECT_EQ(GetMenuItemName(102, nullptr), -1);

    EXPECT_EQ(FindToolBarButton(7), 0);
    EXPECT_EQ(FindToolBarButton(8), -1);
    EXPECT_EQ(FindToolBarButton(9), -1);
    EXPECT_EQ(GetToolBarHeight(), platform::headless::toolbar_strip_height);
    // the window grew by the strip; the picture keeps its size below it
    EXPECT_EQ(platform::headless::window().client.height, 600 + platform::headless::toolbar_strip_height);
    EXPECT_EQ(DeleteAllToolBarButtons(), 0);
    EXPECT_EQ(FindToolBarButton(7), -1);
    EXPECT_EQ(platform::toolbar_button_count(), 0);
}

TEST_F(MenuWindow, AnOddCutKeepsWholeCharacters)
{
    const int menu = platform::create_menu();
    // one single-byte character first: the 64th double-byte one would end at byte 129
    ASSERT_EQ(platform::append_menu_item(menu, 5, L"a" + std::wstring(100, L'\u3042')), 0);
    CollectMenuItems(menu);
    ASSERT_EQ(window_state.menu.item_count, 1);
    EXPECT_EQ(std::strlen(window_state.menu.items[0].text), 127u);
    // more items than the list holds are counted, not stored
    for (int i = 0; i < media::core::MAX_MENU_ITEMS + 3; ++i)
        platform::append_menu_item(menu, 1000 + i, L"x");
    CollectMenuItems(menu);
    EXPECT_EQ(window_state.menu.item_count, media::core::MAX_MENU_ITEMS);
    EXPECT_EQ(window_state.menu.items_left_out, 4);
    CollectMenuItems(0);
    EXPECT_EQ(window_state.menu.item_count, 0);
}

struct wanted_case {
    int window_mode, hidden, auto_hide, shown_in_full_screen;
    int wanted;
};

TEST_F(MenuWindow, TheMenuBarShowsExactlyWhenWanted)
{
    create_window();
    build_menu();
    EXPECT_EQ(platform::headless::strips().attached, top_);
    const wanted_case cases[] = {
        {1, 0, 0, 0, 1}, {1, 0, 1, 0, 1}, {1, 1, 0, 0, 0}, {0, 0, 0, 0, 1},
        {0, 0, 1, 0, 0}, {0, 0, 1, 1, 1}, {0, 1, 1, 1, 0}, {1, 1, 1, 1, 0},
    };
    for (const wanted_case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.window_mode << c.hidden << c.auto_hide << c.shown_in_full_screen);
        window_state.settings.window_mode = c.window_mode;
        window_state.menu.auto_hide = c.auto_hide;
        window_state.menu.shown_in_full_screen = c.shown_in_full_screen;
        SetMenuShown(c.hidden != 0 ? 0 : 1);
        EXPECT_EQ(IsMenuWanted(), c.wanted);
        EXPECT_EQ(platform::headless::strips().attached, c.wanted != 0 ? top_ : 0);
    }
    SetMenuShown(1);
    window_state.menu.auto_hide = 0;
    SetWindowModeFlag(0);
    EXPECT_EQ(platform::headless::strips().attached, 0);
    SetWindowModeFlag(1);
    EXPECT_EQ(platform::headless::strips().attached, top_);
}

TEST_F(MenuWindow, FullScreenShowsTheMenuNearTheTop)
{
    create_window();
    build_menu();
    SetWindowModeFlag(0);
    window_state.settings.mouse_display = 0;
    window_state.menu.auto_hide = 1;
    struct row {
        int device, y;
        bool shown, cursor;
    };
    // with the device the menu stays; the cursor follows once it is near the top
    const row rows[] = {{0, 30, true, true},   {0, 100, false, false}, {0, 59, true, true},
                        {0, 60, false, false}, {1, 100, true, false},  {1, 30, true, true}};
    for (const row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.device << " " << r.y);
        media::gfx::graphics.d3d_in_use = r.device;
        platform::headless::set_cursor_position(10, r.y);
        AutoShowMenu();
        EXPECT_EQ(platform::headless::strips().attached, r.shown ? top_ : 0);
        EXPECT_EQ(platform::headless::window().cursor_shown, r.cursor);
    }
    media::gfx::graphics.d3d_in_use = 0;
}

TEST_F(MenuWindow, APressOnTheTopRowsOpensTheMenu)
{
    create_window();
    build_menu();
    SetWindowModeFlag(0);
    media::gfx::graphics.d3d_in_use = 1;
    settle();  // the pump's menu step attaches it in full screen
    ASSERT_EQ(platform::headless::strips().attached, top_);
    const auto press = [this](event_kind kind, int y) {
        platform::os_event e = event(kind, 50, y);
        e.button = platform::mouse_button::left;
        push(e);
    };
    press(event_kind::button_down, 3);
    press(event_kind::button_up, 3);
    PumpWindowMessages();
    EXPECT_EQ(platform::headless::strips().opened, 1);
    EXPECT_EQ(window_state.click_count, 0);
    press(event_kind::button_down, 300);
    PumpWindowMessages();
    EXPECT_EQ(platform::headless::strips().opened, 1);
    EXPECT_EQ(window_state.click_count, 1);
    media::gfx::graphics.d3d_in_use = 0;
}

TEST_F(MenuWindow, StartUpListsTheMenuAndTheEndDestroysBoth)
{
    build_menu();
    build_toolbar();
    EXPECT_EQ(window_state.menu.item_count, 3);
    window_state.menu.item_count = 0;  // listed again by the creation
    create_window();
    EXPECT_EQ(window_state.menu.item_count, 3);
    EXPECT_EQ(platform::headless::strips().attached, top_);
    EXPECT_TRUE(platform::headless::strips().toolbar);
    EXPECT_EQ(platform::toolbar_button_count(), 2);
    EXPECT_EQ(platform::headless::window().client.height, 600 + platform::headless::toolbar_strip_height);
    EXPECT_EQ(FindToolBarButton(7), 0);

    EXPECT_EQ(DestroyMainWindow(), 0);
    EXPECT_EQ(platform::headless::strips().attached, 0);
    EXPECT_FALSE(platform::headless::strips().toolbar);
    EXPECT_EQ(platform::attached_menu(), 0);
    EXPECT_EQ(platform::menu_item_count(top_), -1);
    EXPECT_EQ(platform::menu_item_count(file_), -1);
    EXPECT_FALSE(platform::has_toolbar());
    EXPECT_EQ(window_state.menu.item_count, 0);
    EXPECT_EQ(window_state.menu.present, 0);
    EXPECT_EQ(window_state.toolbar.present, 0);
    EXPECT_EQ(GetToolBarHeight(), 0);
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
