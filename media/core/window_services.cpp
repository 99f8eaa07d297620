// Window services: the window-mode flag and style, the client area kept at
// screen size x window scale, the mouse cursor, clicks and dropped files.
#include "media/core/window_services.hpp"

#include <algorithm>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/graphics/startup.hpp"
#include "platform/platform.hpp"

using media::core::window_state;

namespace {

// The client size the screen and the scales ask for, truncated toward zero.
void target_client_size(int& width, int& height)
{
    int screen_width, screen_height;
    QueryScreenSize(&screen_width, &screen_height);
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

}  // namespace

int SetWindowModeFlag(int window_mode)
{
    window_state.settings.window_mode = window_mode != 0 ? 1 : 0;
    LogWrite(window_mode != 0 ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
    return 0;
}

int ChangeWindowMode(int)
{
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
        QueryScreenSize(&width, &height);
        window_state.client_rect[0] = 0;
        window_state.client_rect[1] = 0;
        window_state.client_rect[2] = width;
        window_state.client_rect[3] = height;
        platform::show_window(true);
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
    return 0;
}

int IsMenuWanted()
{
    return 0;
}

int GetToolBarHeight()
{
    return 0;
}

void AutoShowMenu() {}
