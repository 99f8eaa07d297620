// Window services: the window-mode flag and style, the client area kept at
// screen size x window scale, the mouse cursor, clicks and dropped files.
#include "media/core/window_services.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/number.hpp"
#include "media/core/pump.hpp"
#include "media/core/text.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::core::window_state;

namespace {

// The screen's size, through the graphics that the window's making
// registered; 640 x 480 without.
int query_screen_size(int* width, int* height)
{
    const auto query = window_state.upward.query_screen_size;
    if (query != nullptr)
        return query(width, height);
    *width = 640;
    *height = 480;
    return 0;
}

// The display a full-screen window covers: the screen, or 640 x 480 for a
// screen of 320 x 240, which is shown enlarged on that mode.
void full_screen_size(int& width, int& height)
{
    query_screen_size(&width, &height);
    if (width == 320 && height == 240) {
        width = 640;
        height = 480;
    }
}

// The client size the screen and the scales ask for, truncated toward zero
// (in full screen the display's size).
void target_client_size(int& width, int& height)
{
    if (window_state.settings.window_mode == 0) {
        full_screen_size(width, height);
        return;
    }
    int screen_width, screen_height;
    query_screen_size(&screen_width, &screen_height);
    double scale_x, scale_y;
    GetWindowScale(&scale_x, &scale_y);
    width = static_cast<int>(screen_width * scale_x);
    height = static_cast<int>(screen_height * scale_y);
}

void record_client_rect()
{
    platform::screen_rect r;
    if (platform::client_rect(r) < 0)
        return;
    window_state.client_rect[0] = r.x;
    window_state.client_rect[1] = r.y;
    window_state.client_rect[2] = r.x + r.width;
    window_state.client_rect[3] = r.y + r.height;
}

bool has_live_window()
{
    return window_state.main_window != nullptr && window_state.destroyed == 0 && platform::has_window();
}

// Frees the newest dropped name in both forms and forgets it.
void forget_newest_drop()
{
    const int newest = window_state.dropped_count - 1;
    ManagedFree(window_state.dropped_names[newest]);
    ManagedFree(window_state.dropped_wide[newest]);
    window_state.dropped_names[newest] = nullptr;
    window_state.dropped_wide[newest] = nullptr;
    window_state.dropped_count = newest;
}

}  // namespace

int SetWindowModeFlag(int window_mode)
{
    window_state.settings.window_mode = window_mode != 0 ? 1 : 0;
    LogWrite(window_mode != 0 ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
    // the menu bar shows in a window; in full screen it is off until shown
    media::core::MENUSTATE& m = window_state.menu;
    if (m.present != 0 && has_live_window()) {
        m.shown_in_full_screen = 0;
        if (window_mode != 0) {
            SyncMenuBar();
        } else if (m.attached != 0 && platform::attach_menu(0) == 0) {
            m.attached = 0;
        }
    }
    return 0;
}

int ApplyWindowStyle()
{
    const media::core::WINDOWSETTINGS& s = window_state.settings;
    if (!has_live_window() || s.user_window != 0)
        return 0;
    if (s.window_mode != 0) {
        LogWrite("ウインドウスタイルをウインドウモード用に変更します... ");
        int width, height;
        if (s.client_size_requested != 0) {
            width = s.requested_width;
            height = s.requested_height;
        } else {
            target_client_size(width, height);
            height += GetToolBarHeight();
        }
        platform::set_window_style(true, false);
        platform::window_frame frame{0, 0, 0, 0};
        platform::frame_size(frame);
        // centred on the desktop recorded at creation, or where asked
        int x = (window_state.desktop_width - (width + frame.left + frame.right)) / 2 + frame.left;
        int y = (window_state.desktop_height - (height + frame.top + frame.bottom)) / 2 + frame.top;
        if (s.position_requested != 0) {
            x = s.requested_x + frame.left;
            y = s.requested_y + frame.top;
        }
        platform::set_client_rect({x, y, width, height});
        record_client_rect();
        // a window larger than the desktop keeps its top-left corner on it
        const int dx = std::max(0, -window_state.client_rect[0]);
        const int dy = std::max(0, -window_state.client_rect[1]);
        if (dx != 0 || dy != 0) {
            platform::set_client_rect({x + dx, y + dy, width, height});
            record_client_rect();
        }
        SetMouseDisplay(1);
        LogWrite("完了\n");
    } else {
        LogWrite("ウインドウスタイルをフルスクリーンモード用に変更します... ");
        int width, height;
        full_screen_size(width, height);
        window_state.client_rect[0] = 0;
        window_state.client_rect[1] = 0;
        window_state.client_rect[2] = width;
        window_state.client_rect[3] = height;
        platform::show_window(true);
        platform::set_window_style(false, true);
        platform::set_client_rect({0, 0, width, height});
        SetMouseDisplay(0);
        LogWrite("完了\n");
    }
    media::core::post_message(WM_SETCURSOR);
    return 0;
}

int FitWindowToClientSize()
{
    media::core::WINDOWSETTINGS& s = window_state.settings;
    if (s.user_window != 0 || !has_live_window())
        return 0;
    int width, height;
    target_client_size(width, height);
    platform::screen_rect current{0, 0, 0, 0};
    platform::client_rect(current);
    if (s.user_sizing != 0 || s.client_size_requested != 0) {
        int asked_width = current.width, asked_height = current.height;
        if (s.client_size_requested != 0) {
            asked_width = s.requested_width;
            asked_height = s.requested_height;
            if (window_state.started != 0)
                s.client_size_requested = 0;
        }
        width = std::min(asked_width, width);
        height = std::min(asked_height, height);
    }
    int x = current.x, y = current.y;
    if (s.position_requested != 0) {
        platform::window_frame frame{0, 0, 0, 0};
        platform::frame_size(frame);
        x = s.requested_x + frame.left;
        y = s.requested_y + frame.top;
        if (window_state.started != 0)
            s.position_requested = 0;
    }
    platform::set_client_rect({x, y, width, height + GetToolBarHeight()});
    if (s.window_mode != 0 && window_state.first_fit_done == 0) {
        window_state.first_fit_done = 1;
        ApplyWindowStyle();
    }
    return 0;
}

void RecordClientPosition(LPARAM lParam)
{
    if (window_state.settings.user_window != 0)
        return;
    platform::screen_rect r;
    if (!platform::has_window() || platform::client_rect(r) < 0)
        return;
    const int x = static_cast<std::int16_t>(LowWord(static_cast<std::uintptr_t>(lParam)));
    const int y = static_cast<std::int16_t>(HighWord(static_cast<std::uintptr_t>(lParam)));
    window_state.client_rect[0] = x;
    window_state.client_rect[1] = y;
    window_state.client_rect[2] = x + r.width;
    window_state.client_rect[3] = y + r.height;
}

int SetMouseDisplay(int flag)
{
    if (flag != -1)
        window_state.settings.mouse_display = flag;
    const int shown = window_state.settings.mouse_display == 1 || IsMenuWanted() != 0 ? 1 : 0;
    if (flag != -1 && shown == window_state.cursor_shown)
        return 0;
    if (has_live_window()) {
        platform::show_cursor(shown != 0);
        media::core::post_message(WM_SETCURSOR);
    }
    window_state.cursor_shown = shown;
    return 0;
}

double GetWindowScale(double* x, double* y)
{
    media::core::WINDOWSETTINGS& s = window_state.settings;
    if (s.scale_x <= 0)
        s.scale_x = 1;
    if (s.scale_y <= 0)
        s.scale_y = 1;
    const bool windowed = s.window_mode != 0;
    if (x != nullptr)
        *x = windowed ? s.scale_x : 1;
    if (y != nullptr)
        *y = windowed ? s.scale_y : 1;
    return windowed ? s.scale_x : 1;
}

int GetCursorClientPos(int* x, int* y)
{
    int cx = 0, cy = 0;
    if (platform::has_window())
        platform::cursor_position(cx, cy);
    if (window_state.settings.window_mode != 0) {
        double scale_x, scale_y;
        GetWindowScale(&scale_x, &scale_y);
        cy -= GetToolBarHeight();
        cx = static_cast<int>(cx / scale_x);
        cy = static_cast<int>(cy / scale_y);
    }
    if (x != nullptr)
        *x = cx;
    if (y != nullptr)
        *y = cy;
    return 0;
}

void RecordMouseClick(int button)
{
    if (window_state.click_count >= media::core::MAX_CLICKS)
        return;
    media::core::CLICKLOG& entry = window_state.clicks[window_state.click_count++];
    entry.button = button;
    GetCursorClientPos(&entry.x, &entry.y);
}

int ClearDroppedFiles()
{
    for (int i = 0; i < window_state.dropped_count; ++i) {
        ManagedFree(window_state.dropped_names[i]);
        ManagedFree(window_state.dropped_wide[i]);
        window_state.dropped_names[i] = nullptr;
        window_state.dropped_wide[i] = nullptr;
    }
    window_state.dropped_count = 0;
    window_state.dropped_left_out = 0;
    return 0;
}

namespace {

bool device_in_use()
{
    const auto query = window_state.upward.device_in_use;
    return query != nullptr && query() != 0;
}

bool is_lead_byte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// CP932 text cut at max bytes without splitting a double-byte character.
void copy_cut(char* out, const std::string& text, std::size_t max)
{
    std::size_t n = 0;
    while (n < text.size()) {
        const std::size_t step =
            is_lead_byte(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + step > max)
            break;
        n += step;
    }
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// Depth first; submenus are bounded in depth by the platform (none holds
// itself), the list by its capacity.
void collect_items(int menu)
{
    media::core::MENUSTATE& m = window_state.menu;
    const int count = platform::menu_item_count(menu);
    for (int i = 0; i < count; ++i) {
        platform::menu_item_info info;
        if (platform::menu_item(menu, i, info) < 0 || info.kind == platform::menu_item_kind::separator)
            continue;
        if (info.kind == platform::menu_item_kind::submenu) {
            collect_items(info.submenu);
            continue;
        }
        if (m.item_count >= media::core::MAX_MENU_ITEMS) {
            ++m.items_left_out;
            continue;
        }
        media::core::MENUITEM& item = m.items[m.item_count++];
        item.menu = menu;
        item.position = i;
        item.id = info.id;
        std::string narrow;
        platform::text::append_narrow(info.text.data(), info.text.size(), narrow);
        copy_cut(item.text, narrow, media::core::MENU_TEXT_BYTES);
    }
}

void clear_menu_lists()
{
    media::core::MENUSTATE& m = window_state.menu;
    m.item_count = 0;
    m.items_left_out = 0;
    m.selected_count = 0;
}

}  // namespace

int IsMenuWanted()
{
    const media::core::MENUSTATE& m = window_state.menu;
    if (!has_live_window() || m.present == 0 || m.hidden_by_request != 0)
        return 0;
    return m.auto_hide == 0 || window_state.settings.window_mode != 0 || m.shown_in_full_screen != 0 ? 1 : 0;
}

int SyncMenuBar()
{
    media::core::MENUSTATE& m = window_state.menu;
    const int wanted = IsMenuWanted() != 0 && m.handle != 0 ? 1 : 0;
    if (wanted == m.attached || !has_live_window())
        return 0;
    if (platform::attach_menu(wanted != 0 ? m.handle : 0) < 0)
        return 0;
    m.attached = wanted;
    return 1;
}

int GetToolBarHeight()
{
    return window_state.toolbar.present != 0 ? platform::toolbar_height() : 0;
}

void AutoShowMenu()
{
    media::core::MENUSTATE& m = window_state.menu;
    if (window_state.settings.window_mode != 0 || m.present == 0 || !has_live_window())
        return;
    int y = 0;
    GetCursorClientPos(nullptr, &y);
    const bool near_top = y < 60;
    // the mouse display is re-evaluated only when the decision changes, so
    // a pump with nothing to do posts nothing
    if (device_in_use()) {
        const int before = m.shown_in_full_screen;
        m.shown_in_full_screen = 1;
        SetMenuShown(m.hidden_by_request == 0 ? 1 : 0);
        if (near_top && (before == 0 || window_state.cursor_shown == 0))
            SetMouseDisplay(-1);
    } else {
        const int shown = near_top ? 1 : 0;
        if (shown != m.shown_in_full_screen) {
            m.shown_in_full_screen = shown;
            SetMouseDisplay(-1);
        }
        SetMenuShown(m.hidden_by_request == 0 ? 1 : 0);
    }
}

void SetMenuShown(int flag)
{
    media::core::MENUSTATE& m = window_state.menu;
    if (m.present == 0 || !has_live_window())
        return;
    m.hidden_by_request = flag == 0 ? 1 : 0;
    if (SyncMenuBar() != 0 && window_state.settings.window_mode != 0)
        ApplyWindowStyle();
}

void CollectMenuItems(int menu)
{
    clear_menu_lists();
    if (menu != 0)
        collect_items(menu);
}

int GetMenuItemName(int id, char* buffer)
{
    const media::core::MENUSTATE& m = window_state.menu;
    if (buffer == nullptr)
        return -1;
    for (int i = 0; i < m.item_count; ++i) {
        if (m.items[i].id == id) {
            std::memcpy(buffer, m.items[i].text, std::strlen(m.items[i].text) + 1);
            return 0;
        }
    }
    return -1;
}

int FindToolBarButton(int index)
{
    const media::core::TOOLBARSTATE& t = window_state.toolbar;
    if (t.present == 0)
        return -1;
    for (int i = 0; i < t.button_count; ++i)
        if (t.buttons[i].id == index && t.buttons[i].kind != platform::toolbar_separator)
            return i;
    return -1;
}

int DeleteAllToolBarButtons()
{
    media::core::TOOLBARSTATE& t = window_state.toolbar;
    if (t.present == 0)
        return -1;
    for (int i = 0; i < t.button_count; ++i)
        platform::delete_toolbar_button(0);
    t.button_count = 0;
    return 0;
}

void HandleMenuCommand(WPARAM command)
{
    media::core::MENUSTATE& m = window_state.menu;
    media::core::TOOLBARSTATE& t = window_state.toolbar;
    const int id = LowWord(command);
    if (t.present != 0 && id >= platform::toolbar_command_base) {
        const int position = FindToolBarButton(id - platform::toolbar_command_base);
        if (position >= 0) {
            // only a plain button keeps a click (check and group buttons keep their own state)
            if (t.buttons[position].kind == 0)
                t.buttons[position].clicked = 1;
            return;
        }
    }
    if (m.present == 0)
        return;
    if (m.command_callback != nullptr)
        m.command_callback(command);
    if (m.name_callback != nullptr) {
        char name[media::core::MENU_TEXT_BYTES + 1] = "";
        GetMenuItemName(id, name);
        m.name_callback(name, id);
    }
    for (int i = 0; i < m.selected_count; ++i)
        if (m.selected[i] == id)
            return;
    if (m.selected_count < media::core::MAX_SELECTED_COMMANDS)
        m.selected[m.selected_count++] = id;
}

void DestroyMenuAndToolBar()
{
    media::core::MENUSTATE& m = window_state.menu;
    if (m.attached != 0 && platform::has_window())
        platform::attach_menu(0);
    m.attached = 0;
    if (m.handle != 0)
        platform::destroy_menu(m.handle);
    m.handle = 0;
    m.present = 0;
    m.shown_in_full_screen = 0;
    clear_menu_lists();
    media::core::TOOLBARSTATE& t = window_state.toolbar;
    if (t.present != 0) {
        DeleteAllToolBarButtons();
        platform::destroy_toolbar();
        t.present = 0;
        if (window_state.settings.window_mode != 0)
            FitWindowToClientSize();
    }
}

#if ZENTIL_TEST_HOOKS
void SetMenuForTest(int menu)
{
    media::core::MENUSTATE& m = window_state.menu;
    if (m.attached != 0 && platform::has_window())
        platform::attach_menu(0);
    m.attached = 0;
    m.handle = menu;
    m.present = menu != 0 ? 1 : 0;
    CollectMenuItems(menu);
    if (has_live_window())
        SyncMenuBar();
}

int SetToolBarForTest(const int* ids, const int* kinds, int count)
{
    media::core::TOOLBARSTATE& t = window_state.toolbar;
    if (count < 0 || count > media::core::MAX_TOOLBAR_BUTTONS || (count > 0 && (ids == nullptr || kinds == nullptr)))
        return -1;
    if (has_live_window()) {
        if (!platform::has_toolbar() && platform::create_toolbar() < 0)
            return -1;
        for (int i = 0; i < count; ++i)
            platform::add_toolbar_button(ids[i], kinds[i]);
    }
    t.present = 1;
    for (int i = 0; i < count && t.button_count < media::core::MAX_TOOLBAR_BUTTONS; ++i)
        t.buttons[t.button_count++] = {ids[i], kinds[i], 0};
    if (has_live_window())
        FitWindowToClientSize();
    return 0;
}
#endif

// ---- settings ----

int SetWindowCaption(const char* text)
{
    if (text == nullptr)
        return -1;
    StrCopyN(window_state.settings.caption, text, sizeof window_state.settings.caption - 1);
    if (has_live_window()) {
        std::wstring wide;
        platform::text::append_wide(window_state.settings.caption, std::strlen(window_state.settings.caption), wide);
        platform::set_window_title(wide);
    }
    return 0;
}

int SetRunWhenInactive(int flag)
{
    window_state.settings.run_when_inactive = flag;
    return 0;
}

int EnableFpuPreserve(int flag)
{
    if (window_state.started != 0)
        return -1;
    window_state.settings.fpu_preserve = flag;
    return 0;
}

int SetDropFilesAccepted(int flag)
{
    const int on = flag != 0 ? 1 : 0;
    if (on != window_state.settings.drop_files_accepted) {
        if (platform::accept_drops(on != 0) < 0)
            return -1;
        window_state.settings.drop_files_accepted = on;
    }
    return 0;
}

// ---- accessors ----

int IsQuitRequested()
{
    return window_state.quit;
}

HWINDOW GetMainWindow()
{
    return window_state.main_window;
}

int IsWindowMode()
{
    return window_state.settings.window_mode;
}

int IsWindowActive()
{
    return window_state.active;
}

int IsClosePosted()
{
    return window_state.close_posted;
}

int IsMmxEnabled()
{
    return media::core::platform_info.mmx;
}

int GetDesktopMode(int* width, int* height, int* bits)
{
    int w = window_state.desktop_width, h = window_state.desktop_height, b = window_state.desktop_bits;
    if (window_state.started == 0) {
        platform::display_mode mode{0, 0, 0, 0};
        platform::desktop_mode(mode);
        w = mode.width;
        h = mode.height;
        b = mode.bits;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    if (bits != nullptr)
        *bits = b;
    return 0;
}

int GetClientRectOnScreen(RECT* rect)
{
    if (rect == nullptr)
        return -1;
    const int toolbar = GetToolBarHeight();
    *rect = {window_state.client_rect[0], window_state.client_rect[1] + toolbar, window_state.client_rect[2],
             window_state.client_rect[3] + toolbar};
    return 0;
}

int ForceForegroundWindow(HWINDOW window, int top_most)
{
    if (window == nullptr || window != window_state.main_window || !has_live_window())
        return 0;
    platform::raise_window();
    // above the others, the frame as the mode has it
    if (top_most == 1)
        platform::set_window_style(window_state.settings.window_mode != 0, true);
    return 0;
}

// ---- dropped files ----

int GetDroppedFileCount()
{
    return window_state.dropped_count;
}

int PopDroppedFile(char* buffer, int size)
{
    if (window_state.dropped_count <= 0)
        return -1;
    const int newest = window_state.dropped_count - 1;
    const char* name = window_state.dropped_names[newest];
    const int length = static_cast<int>(std::strlen(name));
    if (buffer == nullptr)
        return length + 1;
    if (size < length + 1)
        return -1;
    std::memcpy(buffer, name, static_cast<std::size_t>(length) + 1);
    forget_newest_drop();
    return 0;
}

int TakeDroppedFilesLeftOut()
{
    const int left_out = window_state.dropped_left_out;
    window_state.dropped_left_out = 0;
    return left_out;
}

int PopDroppedFileExact(std::wstring& exact, std::string& narrow)
{
    if (window_state.dropped_count <= 0)
        return -1;
    const int newest = window_state.dropped_count - 1;
    exact.assign(window_state.dropped_wide[newest]);
    narrow.assign(window_state.dropped_names[newest]);
    forget_newest_drop();
    return 0;
}

// ---- mouse wheel ----

int TakeMouseWheelTotal(int reset)
{
    const int total = window_state.wheel_total;
    if (reset == 1)
        window_state.wheel_total = 0;
    return total;
}

// ---- clipboard ----

namespace {

// The platform's clipboard in CP932 with bare line feeds as CR LF; false
// when it holds no text.
bool read_clipboard(std::string& out)
{
    std::wstring text;
    if (platform::clipboard_text(text) < 0 || text.empty())
        return false;
    std::wstring lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            lines += L'\r';
        lines += text[i];
    }
    out.clear();
    platform::text::append_narrow(lines.data(), lines.size(), out);
    return true;
}

}  // namespace

int GetClipboardText(char* buffer, int size)
{
    std::string text;
    if (window_state.clipboard_is_held != 0) {
        text = window_state.clipboard_held;
    } else if (!read_clipboard(text)) {
        return -1;
    }
    if (buffer == nullptr) {
        window_state.clipboard_held = text;
        window_state.clipboard_is_held = 1;
        return static_cast<int>(text.size()) + 2;
    }
    window_state.clipboard_held.clear();
    window_state.clipboard_is_held = 0;
    if (size < 0 || text.size() + 1 > static_cast<std::size_t>(size))
        return -1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

int SetClipboardText(const char* text)
{
    if (text == nullptr)
        return -1;
    std::wstring wide;
    platform::text::append_wide(text, std::strlen(text), wide);
    window_state.clipboard_held.clear();
    window_state.clipboard_is_held = 0;
    return platform::set_clipboard_text(wide) < 0 ? -1 : 0;
}

// ---- clocks ----

int GetTickMillis()
{
    return static_cast<int>(platform::milliseconds() & 0x7fffffff);
}

namespace {

// value x 10^6 / per_second through the 128-bit helpers
std::uint64_t scale_to_micros(std::uint64_t value, std::uint64_t per_second)
{
    const std::uint32_t a[2] = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
    const std::uint32_t b[2] = {1000000, 0};
    std::uint32_t product[4];
    MulU64ToU128(a, b, product);
    const std::uint32_t divisor[2] = {static_cast<std::uint32_t>(per_second),
                                      static_cast<std::uint32_t>(per_second >> 32)};
    std::uint32_t out[2];
    if (DivU128ByU64(product, divisor, out) < 0)
        return 0;
    return (static_cast<std::uint64_t>(out[1]) << 32) | out[0];
}

}  // namespace

std::uint64_t GetTickMicros(int use_timestamp)
{
    const media::core::PLATFORM_INFO& info = media::core::platform_info;
    if (use_timestamp != 0 && window_state.started != 0 && info.tsc != 0 && info.tsc_per_second != 0)
        return scale_to_micros(platform::timestamp_counter(), info.tsc_per_second);
    if (window_state.perf_counter_usable == 0)
        return static_cast<std::uint64_t>(platform::milliseconds()) * 1000;
    return scale_to_micros(platform::performance_counter(), platform::performance_frequency());
}

int GetLocalDateTime(DATEDATA* date)
{
    if (date == nullptr)
        return -1;
    const platform::local_time t = platform::now();
    *date = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    return 0;
}
