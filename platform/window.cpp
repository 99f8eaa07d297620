// The window group's common layer: checks and state once, then the current
// backend's hooks; the cursor, clipboard, drop and text-input calls likewise.
#include "platform/window_state.hpp"
#include "platform/text/codepage.hpp"

namespace platform {

namespace {

window_state record;

}  // namespace

volatile std::sig_atomic_t close_signalled = 0;

namespace {

// only sets the flag: the next pump turns it into a close record
void on_close_signal(int)
{
    close_signalled = 1;
}

}  // namespace

void install_close_signals()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction sa = {};
    sa.sa_handler = on_close_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

window_state& window_common()
{
    if (record.owner && record.owner != &current_backend()) record = window_state{};
    return record;
}

void forget_window_state()
{
    record = window_state{};
}

int check_video_thread()
{
    const window_state& s = window_common();
    if (!s.owner) return set_error("video is not started");
    if (s.thread != std::this_thread::get_id()) return set_error("window calls belong to the thread that started video");
    return 0;
}

int check_window()
{
    if (check_video_thread() < 0) return -1;
    if (!window_common().window) return set_error("no window");
    return 0;
}

int text_to_utf8(const std::wstring& text, std::string& out)
{
    if (text.find(L'\0') != std::wstring::npos) return set_error("text holds a zero character");
    out = text::to_utf8_text(text);
    return 0;
}

// ---- window ----

int video_start()
{
    window_state& s = window_common();
    if (s.owner) return check_video_thread();
    install_close_signals();
    if (current_backend().video_start() < 0) return -1;
    s.owner = &current_backend();
    s.thread = std::this_thread::get_id();
    return 0;
}

int desktop_mode(display_mode& out)
{
    if (video_start() < 0) return -1;
    return current_backend().desktop_mode(out);
}

int create_window(const window_spec& spec)
{
    if (video_start() < 0) return -1;
    window_state& s = window_common();
    if (s.window) return set_error("a window exists already");
    if (spec.width <= 0 || spec.height <= 0) return set_error("window size must be positive");
    std::string title;
    if (text_to_utf8(spec.title, title) < 0) return -1;
    const backend& b = current_backend();
    if (b.create_window(title.c_str(), spec) < 0) return -1;
    // a fresh window: typing arrives through text input, drops follow the switch
    if (b.text_input(true) < 0 || b.accept_drops(s.drops) < 0 || b.set_ime_enabled(s.ime) < 0) {
        b.destroy_window();
        return -1;
    }
    s.window = true;
    s.cursor_seen = false;
    for (std::uint8_t& k : s.keys) k = 0;
    return 0;
}

int destroy_window()
{
    window_state& s = window_common();
    if (!s.window) return 0;
    if (check_video_thread() < 0) return -1;
    if (s.display) close_display();
    current_backend().destroy_window();
    s.window = false;
    forget_strips();
    return 0;
}

bool has_window()
{
    return window_common().window;
}

int set_window_title(const std::wstring& title)
{
    if (check_window() < 0) return -1;
    std::string utf8;
    if (text_to_utf8(title, utf8) < 0) return -1;
    return current_backend().set_title(utf8.c_str());
}

int window_title(std::wstring& out)
{
    if (check_window() < 0) return -1;
    std::string utf8;
    if (current_backend().title(utf8) < 0) return -1;
    out = text::from_utf8_text(utf8);
    return 0;
}

int show_window(bool shown)
{
    if (check_window() < 0) return -1;
    return current_backend().show_window(shown);
}

int raise_window()
{
    if (check_window() < 0) return -1;
    return current_backend().raise_window();
}

int client_rect(screen_rect& out)
{
    if (check_window() < 0) return -1;
    return current_backend().client_rect(out);
}

int set_client_rect(const screen_rect& rect)
{
    if (check_window() < 0) return -1;
    if (rect.width <= 0 || rect.height <= 0) return set_error("window size must be positive");
    return current_backend().set_client_rect(rect);
}

int frame_size(window_frame& out)
{
    if (check_window() < 0) return -1;
    return current_backend().frame_size(out);
}

int inhibit_screen_saver(bool on)
{
    if (video_start() < 0) return -1;
    return current_backend().inhibit_screen_saver(on);
}

int set_window_style(bool framed, bool top_most)
{
    if (check_window() < 0) return -1;
    return current_backend().set_window_style(framed, top_most);
}

int minimise_window()
{
    if (check_window() < 0) return -1;
    return current_backend().minimise_window();
}

bool window_minimised()
{
    if (check_window() < 0) return false;
    return current_backend().window_minimised();
}

// ---- cursor ----

int show_cursor(bool shown)
{
    if (check_window() < 0) return -1;
    return current_backend().show_cursor(shown);
}

int cursor_position(int& x, int& y)
{
    if (check_window() < 0) return -1;
    const window_state& s = window_common();
    if (s.cursor_seen) {
        x = s.cursor_x;
        y = s.cursor_y;
        return 0;
    }
    return current_backend().cursor_position(x, y);
}

// ---- clipboard ----

int clipboard_text(std::wstring& out)
{
    if (video_start() < 0) return -1;
    std::string utf8;
    int r = current_backend().clipboard_text(utf8);
    if (r < 0) return -1;
    if (r == 0 || utf8.empty()) return set_error("the clipboard holds no text");
    // not a name: invalid bytes read as U+FFFD
    out = text::from_utf8_text(utf8);
    return 0;
}

int set_clipboard_text(const std::wstring& text)
{
    if (video_start() < 0) return -1;
    std::string utf8;
    if (text_to_utf8(text, utf8) < 0) return -1;
    return current_backend().set_clipboard_text(utf8.c_str());
}

// ---- drops ----

int accept_drops(bool on)
{
    if (video_start() < 0) return -1;
    window_state& s = window_common();
    if (s.window && current_backend().accept_drops(on) < 0) return -1;
    s.drops = on;
    return 0;
}

bool drops_accepted()
{
    return window_common().drops;
}

// ---- text input ----

int text_input(bool on)
{
    if (check_window() < 0) return -1;
    return current_backend().text_input(on);
}

int set_ime_enabled(bool on)
{
    if (video_start() < 0) return -1;
    window_state& s = window_common();
    if (s.window && current_backend().set_ime_enabled(on) < 0) return -1;
    s.ime = on;
    return 0;
}

int set_composition_rect(const screen_rect& rect)
{
    if (check_window() < 0) return -1;
    if (rect.width < 0 || rect.height < 0) return set_error("composition rectangle has a negative size");
    return current_backend().set_composition_rect(rect);
}

// ---- question box ----


int ask_yes_no(const std::wstring& title, const std::wstring& text)
{
    std::string t, m;
    if (text_to_utf8(title, t) < 0 || text_to_utf8(text, m) < 0) return -1;
    return current_backend().ask_yes_no(t.c_str(), m.c_str());
}

int show_message(const std::wstring& title, const std::wstring& text)
{
    std::string t, m;
    if (text_to_utf8(title, t) < 0 || text_to_utf8(text, m) < 0) return -1;
    return current_backend().show_message(t.c_str(), m.c_str());
}

}  // namespace platform
