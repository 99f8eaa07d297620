// The main window: creation with its memory and timer checks and the
// second-instance test, the window procedure, the end, and the switch of
// window mode at run time.
#include "media/system/window.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/format.hpp"
#include "media/core/ime.hpp"
#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/log.hpp"
#include "media/core/math.hpp"
#include "media/core/network.hpp"
#include "media/core/pump.hpp"
#include "media/core/random.hpp"
#include "media/core/text.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/sound/midi.hpp"
#include "media/sound/movie.hpp"
#include "media/system/startup.hpp"
#include "platform/platform.hpp"
#include "platform/system/system_info.hpp"
#include "platform/text/codepage.hpp"

using media::core::window_state;

// The one window record GetMainWindow names.
struct MAINWINDOW {
    int unused;
};

namespace {

MAINWINDOW main_window_record;

// How long a switch of window mode waits for the display to tell of its change.
constexpr std::uint32_t display_change_wait_ms = 2000;

// Writes formatted text without a line break.
void log_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
void log_format(const char* format, ...)
{
    char buffer[1024];
    std::va_list arguments;
    va_start(arguments, format);
    const int n = FormatStringV(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (n > 0)
        LogWrite(buffer);
}

std::wstring wide(const char* text)
{
    std::wstring out;
    platform::text::append_wide(text, std::strlen(text), out);
    return out;
}

// The timer test: polls both clocks while pumping, for at most 1000 ms of the
// millisecond clock or until either has changed 60 times. A pass in which
// neither clock moved sleeps 1 ms, so a clock that stands still (a virtual
// one) cannot hold the test forever.
void test_timers()
{
    LogWrite("タイマーの精度を検査します\n");
    int millisecond_changes = 0, counter_changes = 0;
    const std::uint32_t start = platform::milliseconds();
    std::uint32_t last_ms = start;
    std::uint64_t last_counter = platform::performance_counter();
    for (;;) {
        if (PumpWindowMessages() != 0)
            break;
        const std::uint32_t ms = platform::milliseconds();
        const std::uint64_t counter = platform::performance_counter();
        bool moved = false;
        if (counter != last_counter) {
            ++counter_changes;
            last_counter = counter;
            moved = true;
        }
        if (ms != last_ms) {
            ++millisecond_changes;
            last_ms = ms;
            moved = true;
        }
        if (ms - start >= 1000 || millisecond_changes >= 60 || counter_changes >= 60)
            break;
        if (!moved)
            platform::sleep(1);
    }
    log_format("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", millisecond_changes,
               counter_changes);
    LogWrite(" ");
    if (millisecond_changes > counter_changes) {
        log_format("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ",
                   static_cast<int>(window_state.timer_period));
        window_state.perf_counter_usable = 0;
    } else {
        log_format("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
                   static_cast<double>(window_state.perf_frequency) / 1000.0);
    }
    LogWrite(" ");
}

// Stops a failed creation: quit flag and message. The lock, the timer
// period and the screen saver are given back here, since the end's
// DestroyMainWindow finds no window to undo.
int fail_creation(const char* message)
{
    window_state.quit = 1;
    window_state.being_created = 0;
    media::core::window_instance_lock.release();
    platform::inhibit_screen_saver(false);
    platform::end_timer_period(window_state.timer_period);
    return LogWrite(message);
}

bool has_live_window()
{
    return window_state.main_window != nullptr && window_state.destroyed == 0 && platform::has_window();
}

// What the ground calls upward: the window's procedure and the few calls of
// the pump, the window services, key input and the fatal exit.
void register_window_calls(media::core::WINDOW_STATE& ws)
{
    ws.window_proc = MainWindowProc;
    ws.upward.change_window_mode = ChangeWindowMode;
    ws.upward.auto_show_menu = AutoShowMenu;
    ws.upward.poll_midi_play_state = PollMidiPlayState;
    ws.upward.redraw_overlay_movies = RedrawOverlayMovies;
    ws.upward.end_layer = EndMediaLayer;
    ws.upward.query_screen_size = QueryScreenSize;
    ws.upward.pack_screen_color = PackScreenColor;
    ws.upward.device_in_use = IsDeviceInUse;
}

// DestroyWindow: the platform's window goes, then the procedure hears of it.
void destroy_window()
{
    platform::destroy_window();
    MainWindowProc(window_state.main_window, WM_DESTROY, 0, 0);
}

void activate(WPARAM wParam)
{
    media::core::WINDOW_STATE& ws = window_state;
    ws.active = LowWord(wParam) != 0 ? 1 : 0;
    if (ws.active != 0)
        ws.inactive_wait = 0;
    if (ws.being_created != 0)
        return;
    const bool windowed = ws.settings.window_mode != 0;
    if (ws.active != 0) {
        const media::core::IMESTATE& ime = media::core::key_input_state.ime;
        if (ime.enabled != 0 && ime.open != 0)
            media::core::key_input_state.ime.reset_step = 1;
        if (!windowed && ws.started != 0) {
            if (HighWord(wParam) == 0)
                RestoreGraphicsDevice();
            ws.deactivation_paused = 0;
            ResumeDeactivatedMovies();
            ReacquireInputDevices();
        } else {
            if (ws.settings.run_when_inactive == 0)
                ResumeDeactivatedMovies();
            ReacquireInputDevices();
        }
    } else {
        if (!windowed) {
            // the software renderer shows full screen through a display mode,
            // which goes back to the desktop's while another program is used
            if (IsDeviceInUse() == 0) {
                platform::restore_desktop_mode();
                if (platform::has_window())
                    platform::minimise_window();
            }
            // the display object stands for the full-screen display
            if (platform::display_open()) {
                if (HasGraphicsRestoreCallback() == 0 && ws.settings.user_window == 0) {
                    LogWrite("復元関数が登録されていないため終了します\n");
                    if (ws.close_posted == 0) {
                        ws.close_posted = 1;
                        media::core::post_message(WM_CLOSE);
                    }
                    return;
                }
                PauseAllMovies();
                ws.deactivation_paused = 1;
            }
        } else {
            if (ws.settings.run_when_inactive == 0)
                PauseAllMovies();
            ReacquireInputDevices();
        }
        PaintInactiveWindowPicture();
    }
    ApplyJoypadEffects();
    if (ws.settings.activation_callback != nullptr)
        ws.settings.activation_callback(ws.active, ws.settings.activation_data);
}

void paint()
{
    media::core::WINDOW_STATE& ws = window_state;
    ws.painted = 1;
    if (ws.settings.window_mode == 0)
        return;
    ws.in_paint = 1;
    if (ws.active == 0 && ws.settings.run_when_inactive == 0)
        PaintInactiveWindowPicture();
    // before start-up the window stays as the platform clears it; after it,
    // with the back screen as the target, the last frame is shown again (the
    // front screen's timer shows its own)
    const int target = GetDrawTargetHandle();
    if (ws.started != 0 && (target == -2 || target == -3 || target == -5))
        FlipDrawScreen();
    ws.in_paint = 0;
}

// The window's rectangle on the desktop, frame included, as WM_MOVE, WM_SIZE
// and WM_MOVING record it.
void record_window_rect()
{
    platform::screen_rect client{0, 0, 0, 0};
    if (!platform::has_window() || platform::client_rect(client) < 0)
        return;
    platform::window_frame frame{0, 0, 0, 0};
    platform::frame_size(frame);
    std::int32_t* r = window_state.window_rect;
    r[0] = client.x - frame.left;
    r[1] = client.y - frame.top;
    r[2] = client.x + client.width + frame.right;
    r[3] = client.y + client.height + frame.bottom;
}

// A display change the screen cannot follow closes the window.
void display_changed(WPARAM wParam, LPARAM lParam)
{
    media::core::WINDOW_STATE& ws = window_state;
    const int bits = static_cast<int>(wParam);
    const int width = LowWord(static_cast<std::uintptr_t>(lParam));
    const int height = HighWord(static_cast<std::uintptr_t>(lParam));
    int screen_width, screen_height;
    QueryScreenSize(&screen_width, &screen_height);
    const int screen_bits = QueryColorBitDepth();
    if (ws.settings.window_mode != 0 && ws.mode_change_in_progress == 0 &&
        (bits != screen_bits || width != screen_width || height != screen_height)) {
        if (HasGraphicsRestoreCallback() == 0 || bits == 24 || (bits == 8 && screen_bits != 8) ||
            width < screen_width || height < screen_height) {
            LogWrite("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
            LogWrite("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
            if (ws.close_posted == 0) {
                ws.close_posted = 1;
                media::core::post_message(WM_CLOSE);
            }
        } else {
            ResumeDeactivatedMovies();
        }
    }
    ws.display_changed = 1;
}

// WM_SIZING: the proposed window rectangle (left, top, right, bottom) keeps
// the client area's aspect, and the drag sets the window scale.
void keep_aspect(int edge, RECT* proposed)
{
    const media::core::WINDOWSETTINGS& s = window_state.settings;
    platform::window_frame frame{0, 0, 0, 0};
    if (platform::has_window())
        platform::frame_size(frame);
    const int frame_width = frame.left + frame.right;
    const int frame_height = frame.top + frame.bottom;
    int width = proposed->right - proposed->left - frame_width;
    int height = proposed->bottom - proposed->top - frame_height;
    int screen_width, screen_height;
    QueryScreenSize(&screen_width, &screen_height);
    // an empty or inverted proposal (or no screen) has no aspect to keep
    if (width <= 0 || height <= 0 || screen_width <= 0 || screen_height <= 0)
        return;
    if (s.user_sizing != 0 || s.client_size_requested != 0) {
        double scale_x, scale_y;
        GetWindowScale(&scale_x, &scale_y);
        width = std::min(width, static_cast<int>(screen_width * scale_x));
        height = std::min(height, static_cast<int>(screen_height * scale_y));
        proposed->right = proposed->left + width + frame_width;
        proposed->bottom = proposed->top + height + frame_height;
        return;
    }
    const bool corner = edge == 4 || edge == 5 || edge == 7 || edge == 8;
    const bool follow_width = edge == 1 || edge == 2 ||
                              (corner && static_cast<std::int64_t>(width) * screen_height >=
                                             static_cast<std::int64_t>(height) * screen_width);
    if (follow_width && (edge <= 2 || corner)) {
        height = static_cast<int>(static_cast<std::int64_t>(width) * screen_height / screen_width);
        proposed->bottom = proposed->top + height + frame_height;
    } else if (edge == 3 || edge == 6 || corner) {
        width = static_cast<int>(static_cast<std::int64_t>(height) * screen_width / screen_height);
        proposed->right = proposed->left + width + frame_width;
    }
    window_state.settings.scale_x = static_cast<double>(width) / screen_width;
    window_state.settings.scale_y = window_state.settings.scale_x;
}

// Stores each name of a drop in both forms while fewer than 1000 are held;
// a failed allocation skips the rest of the drop. The names not held are
// counted, so the copy can say how many it never saw.
void collect_drop(const std::vector<std::wstring>* names)
{
    if (names == nullptr)
        return;
    media::core::WINDOW_STATE& ws = window_state;
    std::size_t held = 0;
    for (const std::wstring& name : *names) {
        if (ws.dropped_count >= media::core::MAX_DROPPED_FILES)
            break;
        std::string narrow;
        platform::text::append_narrow(name.data(), name.size(), narrow);
        if (narrow.size() > 0x7FFFFFF0 || name.size() > 0x1FFFFFF0)
            break;
        char* copy = static_cast<char*>(ManagedAlloc(static_cast<int>(narrow.size() + 1), "window.cpp", __LINE__));
        if (copy == nullptr)
            break;
        wchar_t* exact = static_cast<wchar_t*>(
            ManagedAlloc(static_cast<int>((name.size() + 1) * sizeof(wchar_t)), "window.cpp", __LINE__));
        if (exact == nullptr) {
            ManagedFree(copy);
            break;
        }
        std::memcpy(copy, narrow.c_str(), narrow.size() + 1);
        std::memcpy(exact, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        ws.dropped_names[ws.dropped_count] = copy;
        ws.dropped_wide[ws.dropped_count] = exact;
        ++ws.dropped_count;
        ++held;
    }
    const std::size_t left_out = names->size() - held + static_cast<std::size_t>(ws.dropped_left_out);
    ws.dropped_left_out = static_cast<std::int32_t>(std::min<std::size_t>(left_out, 0x7FFFFFFF));
}

// The control code an editing key stocks, or 0.
int key_control_code(int key)
{
    switch (key) {
    case 46: return 16;  // Delete
    case 37: return 29;  // Left
    case 39: return 28;  // Right
    case 38: return 30;  // Up
    case 40: return 31;  // Down
    case 36: return 26;  // Home
    case 35: return 25;  // End
    case 33: return 23;  // Page Up
    case 34: return 21;  // Page Down
    default: return 0;
    }
}

// The codes below 32 that typed characters stock.
bool stocked_control(int code)
{
    switch (code) {
    case 1: case 3: case 8: case 9: case 13: case 16: case 22: case 24: case 27:
        return true;
    default:
        return false;
    }
}

}  // namespace

int CreateMainWindow()
{
    media::core::WINDOW_STATE& ws = window_state;
    // 1: a fresh state that keeps the settings (and the start-up flags the
    // layer's start set before it came here)
    {
        const media::core::WINDOWSETTINGS settings = ws.settings;
        const std::int32_t starting = ws.starting, com = ws.com_initialised;
        const media::core::MENUSTATE menu = ws.menu;
        const media::core::TOOLBARSTATE toolbar = ws.toolbar;
        ClearDroppedFiles();
        ws = media::core::WINDOW_STATE{};
        ws.settings = settings;
        ws.menu = menu;
        ws.menu.attached = 0;
        ws.toolbar = toolbar;
        ws.starting = starting;
        ws.com_initialised = com;
        std::lock_guard<std::mutex> hold(media::core::message_lock);
        media::core::message_queue.clear();
        media::core::window_timers.clear();
    }
    ws.inactive_since = -1;
    register_window_calls(ws);
    media::core::WINDOWSETTINGS& s = ws.settings;

    // 3, 4
    if (s.class_name[0] == '\0')
        StrCopyN(s.class_name, s.caption[0] != '\0' ? s.caption : "R123987O", sizeof s.class_name - 1);
    ws.main_thread = std::this_thread::get_id();

    // 5: memory and the desktop
    platform::memory_status memory{0, 0};
    platform::read_memory_status(memory);
    LogPrintf("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", memory.total / 1048576.0, memory.available / 1048576.0);
    media::core::platform_info.memory_total = memory.total;
    media::core::platform_info.memory_free = memory.available;
    platform::display_mode desktop{0, 0, 0, 0};
    platform::desktop_mode(desktop);
    ws.desktop_width = desktop.width;
    ws.desktop_height = desktop.height;
    ws.desktop_bits = desktop.bits;

    // 6, 7: the clocks
    ws.perf_frequency = platform::performance_frequency();
    ws.perf_counter_usable = ws.perf_frequency != 0 ? 1 : 0;
    ws.timer_period = platform::timer_minimum_period();
    platform::begin_timer_period(ws.timer_period);
    if (ws.perf_counter_usable != 0)
        test_timers();

    // 8: held off for this process only; the end lets it run again
    SeedRandom(platform::milliseconds() & 0x7fffffff);
    platform::inhibit_screen_saver(true);

    if (s.no_window != 0)
        return 0;

    // 10: one running copy per class name
    LogWrite("ソフトの二重起動検査... ");
    if (media::core::window_instance_lock.try_acquire(wide(s.class_name)) == platform::lock_result::held) {
        if (s.allow_second_instance == 0) {
            return fail_creation("二重起動されています、ソフトを終了します\n");
        }
        LogWrite("二重起動されていますが続行します\n");
    } else {
        LogWrite("二重起動はされていませんでした\n");
    }

    // 11
    if (ws.menu.present != 0)
        CollectMenuItems(ws.menu.handle);

    // 13: nothing to register on this platform
    ws.being_created = 1;
    LogWrite("ウインドウクラスを登録します... ");
    LogWrite("登録に成功しました\n");
    const char* caption = s.caption[0] != '\0' ? s.caption : "MediaLayer";

    // 14
    platform::window_spec spec;
    spec.title = wide(caption);
    spec.shown = s.hidden_window == 0;
    spec.for_device = IsDeviceRenderingChosen() != 0;
    if (s.window_mode != 0) {
        LogWrite("ウインドウモード起動用のウインドウを作成します\n");
        ws.cursor_shown = 1;
        if (s.client_size_requested != 0) {
            spec.width = s.requested_width;
            spec.height = s.requested_height;
        } else {
            int width, height;
            QueryScreenSize(&width, &height);
            double scale_x, scale_y;
            GetWindowScale(&scale_x, &scale_y);
            spec.width = static_cast<int>(width * scale_x);
            spec.height = static_cast<int>(height * scale_y);
        }
        if (s.position_requested != 0) {
            spec.centred = false;
            spec.x = s.requested_x;
            spec.y = s.requested_y;
        }
    } else {
        LogWrite("フルスクリーンモード用のウインドウを作成します\n");
        QueryScreenSize(&spec.width, &spec.height);
        // 320 x 240 is shown on a 640 x 480 display mode (the emulation)
        if (spec.width == 320 && spec.height == 240) {
            spec.width = 640;
            spec.height = 480;
        }
        spec.centred = false;
        spec.full_screen = true;
        // the mouse display follows, so the setting applied below keeps the
        // cursor hidden, as the switch to full screen does
        s.mouse_display = 0;
        ws.cursor_shown = 0;
    }

    // 15
    if (platform::create_window(spec) < 0)
        return fail_creation("ウインドウの作成に失敗しました\n");
    LogWrite("ウインドウの作成に成功しました\n");
    ws.main_window = &main_window_record;
    MainWindowProc(ws.main_window, WM_CREATE, 0, 0);
    // the menu bar in a window, and a tool bar set before start-up
    SyncMenuBar();
    if (ws.toolbar.present != 0 && platform::create_toolbar() == 0) {
        for (int i = 0; i < ws.toolbar.button_count; ++i)
            platform::add_toolbar_button(ws.toolbar.buttons[i].id, ws.toolbar.buttons[i].kind);
    }
    if (s.hidden_window != 0)
        LogWrite("ウインドウを表示します\n");

    // 16
    ws.close_posted = 0;
    ws.destroyed = 0;
    ws.active = 1;
    if (s.window_mode == 0) {
        LogWrite("カーソルを不可視にしました\n");
        platform::show_cursor(false);
    }
    LogWrite("ＩＭＥを無効にしました\n");
    if (media::core::key_input_state.ime.enabled == 0)
        platform::set_ime_enabled(false);
    if (s.window_mode != 0) {
        platform::screen_rect r;
        if (platform::client_rect(r) == 0) {
            ws.client_rect[0] = r.x;
            ws.client_rect[1] = r.y;
            ws.client_rect[2] = r.x + r.width;
            ws.client_rect[3] = r.y + r.height;
        }
    }

    // 17
    ws.char_set_kind = 1;
    SetMouseDisplay(s.mouse_display);
    ws.ending = 0;

    // 18
    if (s.user_window == 0 && s.hidden_window == 0) {
        platform::raise_window();
        FitWindowToClientSize();
    }
    ws.being_created = 0;
    return 0;
}

LRESULT MainWindowProc(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    media::core::WINDOW_STATE& ws = window_state;
    if (ws.settings.message_callback != nullptr)
        ws.settings.message_callback(window, message, wParam, lParam);
    const bool windowed = ws.settings.window_mode != 0;
    switch (message) {
    case WM_DESTROY:
        if (ws.settings.user_window != 0)
            break;
        LogWrite("ウインドウが破棄されようとしています\n");
        ws.destroyed = 1;
        if (ws.settings.no_quit_message == 0)
            media::core::post_message(WM_QUIT);
        ws.quit = 1;
        LogWrite("ソフトを終了する準備が整いました\n");
        return 0;
    case WM_MOVE:
        record_window_rect();
        if (windowed && ws.mode_change_in_progress == 0)
            RecordClientPosition(lParam);
        return 0;
    case WM_SIZE:
        record_window_rect();
        if (wParam == SIZE_MAXIMIZED && windowed && ws.settings.mode_change_allowed != 0 &&
            ws.mode_change_in_progress == 0 && ws.being_created == 0)
            ws.mode_change_requested = 1;
        else
            FitWindowToClientSize();
        if (ws.toolbar.present != 0)
            platform::toolbar_resized();
        return 0;
    case WM_ACTIVATEAPP:
        if (wParam != 0)
            break;
        activate(0);
        return 0;
    case WM_ACTIVATE:
        activate(wParam);
        return 0;
    case WM_PAINT:
        paint();
        return 0;
    case WM_CLOSE:
        if (ws.settings.user_window != 0)
            break;
        LogWrite("ウインドウを閉じようとしています\n");
        if (ws.settings.keep_window_on_close == 0 || ws.ending != 0)
            destroy_window();
        if (ws.ending == 0)
            ws.ending = 4;
        return 0;
    case WM_SETCURSOR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (message == WM_LBUTTONDOWN)
            RecordMouseClick(1);
        else if (message == WM_RBUTTONDOWN)
            RecordMouseClick(2);
        else if (message == WM_MBUTTONDOWN)
            RecordMouseClick(4);
        if (ws.settings.mouse_display == 0 && platform::has_window())
            platform::show_cursor(false);
        return 0;
    case WM_MOUSEWHEEL:
        // one step a message, whatever the size of the delta
        if (static_cast<std::int16_t>(HighWord(wParam)) > 0)
            ++ws.wheel_total;
        else
            --ws.wheel_total;
        return 0;
    case WM_DISPLAYCHANGE:
        display_changed(wParam, lParam);
        return 0;
    case WM_KEYDOWN: {
        const int code = key_control_code(static_cast<int>(wParam));
        if (code != 0)
            StockTypedChar(static_cast<unsigned char>(code));
        return 0;
    }
    case WM_CHAR: {
        int code = static_cast<int>(wParam & 0xFF);
        if (code == 10)
            code = 13;
        if (code >= 32 || stocked_control(code))
            StockTypedChar(static_cast<unsigned char>(code));
        return 0;
    }
    case WM_SYSCHAR:
        if (wParam == 13 && ws.settings.mode_change_allowed != 0)
            ws.mode_change_requested = 1;
        return 0;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_SETCONTEXT:
    case WM_IME_NOTIFY:
        return HandleImeMessage(window, message, wParam, lParam);
    case WM_NCHITTEST:
        // the top rows of a device's full screen reach the menu
        if (!windowed && IsDeviceInUse() != 0 &&
            static_cast<std::int16_t>(HighWord(static_cast<std::uintptr_t>(lParam))) < 8)
            return HTMENU;
        return HTCLIENT;
    case WM_COMMAND:
        HandleMenuCommand(wParam);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_KEYMENU && ws.settings.key_hook != 0)
            return 0;
        if (wParam == SC_MONITORPOWER || wParam == SC_SCREENSAVE)
            return 1;
        break;
    case WM_MOVING:
        record_window_rect();
        // a full-screen window stays where it is
        if (!windowed && lParam != 0) {
            RECT* proposed = reinterpret_cast<RECT*>(lParam);
            const std::int32_t* r = ws.window_rect;
            *proposed = {r[0], r[1], r[2], r[3]};
        }
        return 0;
    case WM_SIZING:
        if (windowed && ws.settings.user_window == 0 && lParam != 0) {
            keep_aspect(static_cast<int>(wParam), reinterpret_cast<RECT*>(lParam));
            return 1;
        }
        break;
    case WM_DROPFILES:
        collect_drop(reinterpret_cast<const std::vector<std::wstring>*>(wParam));
        return 0;
    case MM_MCINOTIFY:
        HandleMidiMciNotify();
        return 0;
    case WM_INPUT_FLAG_1135:
        if (wParam == 1)
            SetMessageFlag1135();
        else
            ClearMessageFlag1135();
        return 0;
    case WM_INPUT_FLAG_1136:
        if (wParam == 1)
            SetMessageFlag1136();
        else
            ClearMessageFlag1136();
        return 0;
    case WM_SOCKET_NOTIFY:
        return HandleSocketMessage(lParam, wParam);
    default:
        break;
    }
    return 0;
}

int DestroyMainWindow()
{
    media::core::WINDOW_STATE& ws = window_state;
    if (ws.main_window == nullptr && ws.settings.no_window == 0)
        return 0;
    platform::inhibit_screen_saver(false);
    if (ws.settings.no_window != 0) {
        ws.quit = 1;
    } else {
        platform::set_ime_enabled(true);
        if (platform::has_window())
            platform::show_cursor(true);
        ws.cursor_shown = 1;
        DestroyMenuAndToolBar();
        if (ws.destroyed == 0 && ws.close_posted == 0) {
            ws.close_posted = 1;
            media::core::post_message(WM_CLOSE);
        }
        while (ws.destroyed == 0 && PumpWindowMessages() == 0) {
        }
        // a window the pump could not close (the platform refused) goes now
        if (ws.destroyed == 0)
            destroy_window();
        EndKeyInputSystem();
        ClearDroppedFiles();
    }
    media::core::window_instance_lock.release();
    {
        std::lock_guard<std::mutex> hold(media::core::message_lock);
        media::core::message_queue.clear();
        media::core::window_timers.clear();
    }
    platform::end_timer_period(ws.timer_period);
    ws.main_window = nullptr;
    return 0;
}

int ChangeWindowMode(int window_mode)
{
    media::core::WINDOW_STATE& ws = window_state;
    LogWrite("ChangeWindowMode実行 \n");
    const int wanted = window_mode != 0 ? 1 : 0;
    if (wanted == ws.settings.window_mode)
        return 0;
    ws.mode_changed_at_run_time = 1;
    ws.display_changed = 0;
    SetWindowModeFlag(wanted);
    if (!has_live_window() || ws.settings.user_window != 0)
        return 0;
    ws.mode_change_in_progress = 1;
    ApplyWindowStyle();
    const int result = ChangeScreenMode(-1, -1, -1, 1, -1);
    // the display tells of its change; a display that never tells is waited
    // for 2000 ms at most (each pass sleeps 1 ms, so a clock that only moves
    // with sleeps moves too)
    const std::uint32_t start = platform::milliseconds();
    while (ws.display_changed == 0 && PumpWindowMessages() == 0 &&
           platform::milliseconds() - start < display_change_wait_ms)
        platform::sleep(1);
    ws.mode_change_in_progress = 0;
    if (wanted == 0)
        ws.menu.full_screen_show_count = 0;
    return result;
}
