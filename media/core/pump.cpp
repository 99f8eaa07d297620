// The message pump: the platform's events become window messages in one
// queue with the posted ones; a call dispatches up to five, waits while the
// window is inactive, and ends with the per-pass work.
#include "media/core/pump.hpp"

#include <string>

#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/network.hpp"
#include "media/core/window_services.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::core::message_lock;
using media::core::message_queue;
using media::core::window_state;
using media::core::WINDOWMESSAGE;

namespace {

constexpr int messages_per_pass = 5;

void queue(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    message_queue.push_back(WINDOWMESSAGE{message, wParam, lParam, {}, {}});
}

// The button flags of a mouse message's wParam.
WPARAM button_flags(const platform::event& e)
{
    const std::uint8_t* keys = platform::keyboard_state();
    WPARAM flags = 0;
    if (keys[1] & 0x80) flags |= 0x0001;
    if (keys[2] & 0x80) flags |= 0x0002;
    if (e.shift) flags |= 0x0004;
    if (e.control) flags |= 0x0008;
    if (keys[4] & 0x80) flags |= 0x0010;
    return flags;
}

// The messages one platform event makes, queued under message_lock; as the
// platform's own message translation does, a key gives its character too.
void translate(const platform::event& e)
{
    switch (e.kind) {
    case platform::event_kind::close:
        queue(WM_CLOSE, 0, 0);
        break;
    case platform::event_kind::focus_gained:
    case platform::event_kind::focus_lost: {
        // the high word: whether the window is minimised
        const WPARAM minimised = platform::window_minimised() ? 1 : 0;
        const WPARAM active = e.kind == platform::event_kind::focus_gained ? 1 : 0;
        queue(WM_ACTIVATE, active | minimised << 16, 0);
        break;
    }
    case platform::event_kind::display_changed:
        queue(WM_DISPLAYCHANGE, static_cast<WPARAM>(e.bits), MakeLParam(e.x, e.y));
        break;
    case platform::event_kind::minimised:
    case platform::event_kind::maximised:
    case platform::event_kind::restored:
    case platform::event_kind::resized: {
        const WPARAM kind = e.kind == platform::event_kind::minimised   ? SIZE_MINIMIZED
                            : e.kind == platform::event_kind::maximised ? SIZE_MAXIMIZED
                                                                        : SIZE_RESTORED;
        int width = e.x, height = e.y;
        if (e.kind != platform::event_kind::resized) {
            platform::screen_rect r{0, 0, 0, 0};
            platform::client_rect(r);
            width = r.width;
            height = r.height;
        }
        queue(WM_SIZE, kind, MakeLParam(width, height));
        break;
    }
    case platform::event_kind::moved:
        queue(WM_MOVE, 0, MakeLParam(e.x, e.y));
        break;
    case platform::event_kind::exposed:
        queue(WM_PAINT, 0, 0);
        break;
    case platform::event_kind::command:
        queue(WM_COMMAND, static_cast<WPARAM>(e.x & 0xFFFF), 0);
        break;
    case platform::event_kind::mouse_move:
        queue(WM_MOUSEMOVE, button_flags(e), MakeLParam(e.x, e.y));
        break;
    case platform::event_kind::button_down:
    case platform::event_kind::button_up: {
        const bool down = e.kind == platform::event_kind::button_down;
        std::uint32_t message;
        switch (e.button) {
        case platform::mouse_button::left: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case platform::mouse_button::right: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case platform::mouse_button::middle: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: return;
        }
        queue(message, button_flags(e), MakeLParam(e.x, e.y));
        break;
    }
    case platform::event_kind::wheel: {
        // a horizontal-only wheel makes nothing: the procedure would count it
        // as a notch down
        if (e.wheel_y == 0)
            break;
        const int delta = WHEEL_DELTA * e.wheel_y;
        const WPARAM wParam = (button_flags(e) & 0xFFFF) | (static_cast<WPARAM>(delta & 0xFFFF) << 16);
        queue(WM_MOUSEWHEEL, wParam, MakeLParam(e.x, e.y));
        break;
    }
    case platform::event_kind::key_down:
        queue(WM_KEYDOWN, static_cast<WPARAM>(e.key), 0);
        if (e.alt && !e.control) {
            if (e.key == 13)
                queue(WM_SYSCHAR, 13, 0);
        } else if (e.control && e.key >= 'A' && e.key <= 'Z') {
            queue(WM_CHAR, static_cast<WPARAM>(e.key - 'A' + 1), 0);
        } else if (e.key == 8 || e.key == 9 || e.key == 13 || e.key == 27) {
            queue(WM_CHAR, static_cast<WPARAM>(e.key), 0);
        }
        break;
    case platform::event_kind::text: {
        std::string bytes;
        platform::text::append_narrow(e.text.data(), e.text.size(), bytes);
        // text that ends a composition is its result, as the input method gives it
        std::vector<WINDOWMESSAGE> result = media::core::commit_messages(bytes);
        if (!result.empty()) {
            for (WINDOWMESSAGE& m : result)
                message_queue.push_back(std::move(m));
            break;
        }
        for (const char c : bytes)
            queue(WM_CHAR, static_cast<unsigned char>(c), 0);
        break;
    }
    case platform::event_kind::text_editing:
        for (WINDOWMESSAGE& m : media::core::editing_messages(e.text, e.x, e.y))
            message_queue.push_back(std::move(m));
        break;
    case platform::event_kind::drop: {
        WINDOWMESSAGE m{WM_DROPFILES, 0, 0, e.names, {}};
        message_queue.push_back(std::move(m));
        break;
    }
    default:
        break;
    }
}

// One message for the pump: the queue's first, else what the platform's
// next events make (window thread only), else a due timer's WM_TIMER.
bool take_message(WINDOWMESSAGE& out, bool window_thread)
{
    std::unique_lock<std::mutex> hold(message_lock);
    if (message_queue.empty() && window_thread) {
        platform::event e;
        while (message_queue.empty()) {
            hold.unlock();
            const int got = platform::pump_event(e);
            hold.lock();
            if (got != 1)
                break;
            translate(e);
        }
    }
    if (!message_queue.empty()) {
        out = std::move(message_queue.front());
        message_queue.pop_front();
        return true;
    }
    if (!window_thread)
        return false;
    for (media::core::WINDOWTIMER& t : media::core::window_timers) {
        const std::uint32_t now = platform::milliseconds();
        if (now - t.start >= t.period) {
            t.start = now;
            out = WINDOWMESSAGE{WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), {}, {}};
            return true;
        }
    }
    return false;
}

void dispatch(WINDOWMESSAGE& m)
{
    if (m.message == WM_TIMER && m.lParam != 0) {
        const TIMERPROC proc = reinterpret_cast<TIMERPROC>(m.lParam);
        proc(window_state.main_window, WM_TIMER, m.wParam, platform::milliseconds() & 0x7fffffff);
        return;
    }
    // the procedure stored when the window was made; none drops the message
    const WINDOWPROC window_proc = window_state.window_proc;
    if (window_proc == nullptr)
        return;
    if (m.message == WM_IME_COMPOSITION) {
        window_proc(window_state.main_window, m.message, reinterpret_cast<WPARAM>(&m.composition), m.lParam);
        return;
    }
    // a press in full screen over an attached menu: the hit test decides
    // whether the menu takes it instead of the client
    if ((m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN || m.message == WM_MBUTTONDOWN) &&
        window_state.settings.window_mode == 0 && platform::attached_menu() != 0 &&
        window_proc(window_state.main_window, WM_NCHITTEST, 0, m.lParam) == HTMENU) {
        platform::open_menu();
        return;
    }
    if (m.message == WM_DROPFILES) {
        window_proc(window_state.main_window, m.message, reinterpret_cast<WPARAM>(&m.names), m.lParam);
        return;
    }
    window_proc(window_state.main_window, m.message, m.wParam, m.lParam);
}

bool waits_while_inactive()
{
    return window_state.active == 0 && window_state.settings.run_when_inactive == 0;
}

// Step 5: passes of up to five messages; an inactive window without
// run-when-inactive keeps the caller here until it is activated or quit.
void message_loop(bool window_thread)
{
    media::core::WINDOW_STATE& ws = window_state;
    int counter = 0;
    bool first = true;
    bool pass_empty = false, five = false;
    for (;;) {
        if (!first && (ws.close_posted != 0 || ws.active != 0 || ws.settings.run_when_inactive != 0) &&
            (pass_empty || five || ws.quit != 0))
            break;
        first = false;
        if (waits_while_inactive() && ws.inactive_wait == 0) {
            ws.inactive_since = static_cast<std::int32_t>(platform::milliseconds() & 0x7fffffff);
            ws.inactive_wait = 1;
        }
        if (waits_while_inactive())
            platform::sleep(1);
        pass_empty = true;
        five = false;
        WINDOWMESSAGE m;
        while (take_message(m, window_thread)) {
            if (m.message == WM_ACTIVATEAPP && ws.settings.window_mode != 0)
                ws.active = LowWord(m.wParam) != 0 ? 1 : 0;
            if (ws.quit != 0)
                return;  // the message is dropped
            if (m.message == WM_QUIT)
                ws.quit = 1;
            else
                dispatch(m);
            pass_empty = false;
            if (++counter == messages_per_pass) {
                counter = 0;
                five = true;
                break;
            }
        }
        if (waits_while_inactive()) {
            PumpNetworkMessages(1);
            if (ws.upward.redraw_overlay_movies != nullptr)
                ws.upward.redraw_overlay_movies();
            platform::sleep(1);
        }
        if (ws.quit != 0 || !window_thread)
            break;
    }
    if (window_thread && ws.settings.menu_auto_display_off == 0 && ws.upward.auto_show_menu != nullptr)
        ws.upward.auto_show_menu();
}

}  // namespace

namespace media::core {

void post_message(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::mutex> hold(message_lock);
    message_queue.push_back(WINDOWMESSAGE{message, wParam, lParam, {}, {}});
}

}  // namespace media::core

int PumpWindowMessages()
{
    media::core::WINDOW_STATE& ws = window_state;
    if (ws.key_input_updating != 0)
        return 0;
    if (ws.settings.no_window == 0) {
        if (ws.main_window == nullptr || ws.destroyed != 0)
            return ws.quit != 0 ? -1 : 0;
        if (ws.settings.user_window == 0) {
            const bool window_thread = std::this_thread::get_id() == ws.main_thread;
            if (ws.mode_change_requested != 0 && ws.settings.mode_change_allowed != 0 && window_thread) {
                ws.mode_change_requested = 0;
                if (ws.upward.change_window_mode != nullptr)
                    ws.upward.change_window_mode(ws.settings.window_mode != 0 ? 0 : 1);
                if (ws.settings.after_mode_change_callback != nullptr)
                    ws.settings.after_mode_change_callback(ws.settings.after_mode_change_data);
            }
            message_loop(window_thread);
        }
    }
    if (ws.upward.poll_midi_play_state != nullptr)
        ws.upward.poll_midi_play_state();
    RefreshKeyboardState();
    ProcessJoypadVibration();
    PumpNetworkMessages(1);
    ws.key_input_updating = 1;
    UpdateKeyInput();
    ws.key_input_updating = 0;
    return ws.quit == 1 ? -1 : 0;
}

void WaitWhileInactive()
{
    media::core::WINDOW_STATE& ws = window_state;
    if (ws.in_paint != 0 || ws.active != 0 || ws.settings.user_window != 0 || ws.settings.no_window != 0 ||
        ws.main_window == nullptr)
        return;
    if (ws.settings.run_when_inactive != 0 && ws.settings.window_mode != 0)
        return;
    ws.inactive_since = static_cast<std::int32_t>(platform::milliseconds() & 0x7fffffff);
    ws.inactive_wait = 1;
    while (PumpWindowMessages() == 0 && ws.active == 0) {
    }
}

void AcquireCallGuard()
{
    using media::core::call_guard;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> hold(media::core::call_guard_lock);
    bool queued = false;
    for (;;) {
        media::core::CALL_GUARD& g = call_guard;
        const bool take = (g.busy != 0 && g.owner == self) || (g.busy == 0 && g.waiter_count == 0) ||
                          (g.busy == 0 && g.waiters[0] == self);
        if (take) {
            if (queued) {
                // the head leaves the queue; the rest move up one place
                for (int i = 1; i < g.waiter_count; ++i)
                    g.waiters[i - 1] = g.waiters[i];
                g.waiters[--g.waiter_count] = std::thread::id();
            }
            ++g.recursion;
            g.busy = 1;
            g.owner = self;
            return;
        }
        if (!queued) {
            if (g.waiter_count == media::core::CALL_GUARD_WAITERS) {
                ++g.full_retries;
                hold.unlock();
                platform::sleep(1);
                hold.lock();
                continue;
            }
            g.waiters[g.waiter_count++] = self;
            queued = true;
        }
        // a thread woken while not at the head waits again in its place
        media::core::call_guard_wake.wait(hold);
    }
}

void ReleaseCallGuard()
{
    bool waiters = false;
    {
        std::lock_guard<std::mutex> hold(media::core::call_guard_lock);
        media::core::CALL_GUARD& g = media::core::call_guard;
        if (g.recursion <= 0 || g.owner != std::this_thread::get_id())
            return;  // not held by this thread: nothing to let go
        if (g.recursion == 1) {
            g.busy = 0;
            g.owner = std::thread::id();
            waiters = g.waiter_count > 0;
        }
        --g.recursion;
    }
    if (waiters) {
        media::core::call_guard_wake.notify_all();
        std::this_thread::yield();
    }
}

int PumpWindowMessagesGuarded()
{
    AcquireCallGuard();
    const int result = PumpWindowMessages();
    ReleaseCallGuard();
    return result;
}
