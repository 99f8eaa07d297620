// Window of the headless backend: a virtual desktop and one window record.
#include "platform/headless/headless.hpp"
#include "platform/headless/scenario.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int video_start()
{
    headless_state& s = state();
    if (s.video) return 0;
    if (s.fail_video_start) {
        s.fail_video_start = false;
        return set_error("video start failed");
    }
    s.video = true;
    // a whole-program run's steps, read once, at the start
    if (!s.scenario) load_scenario_from_environment();
    return 0;
}

int desktop_mode(display_mode& out)
{
    out = state().desktop;
    return 0;
}

int create_window(const char* title, const window_spec& spec)
{
    headless_state& s = state();
    if (s.fail_window_creation) {
        s.fail_window_creation = false;
        return set_error("window creation failed");
    }
    window_record w;
    w.exists = true;
    w.title = title;
    s.created_title = title;
    w.client = {spec.x, spec.y, spec.width, spec.height};
    if (spec.full_screen) {
        w.client.x = w.client.y = 0;
        w.framed = false;
        w.top_most = true;
    } else if (spec.centred) {
        w.client.x = (s.desktop.width - spec.width) / 2;
        w.client.y = (s.desktop.height - spec.height) / 2;
    }
    w.shown = spec.shown;
    s.window = w;
    return 0;
}

void destroy_window()
{
    state().window = window_record{};
    state().strips.attached = 0;
    state().strips.toolbar = false;
}

int set_title(const char* title)
{
    state().window.title = title;
    return 0;
}

int title(std::string& out)
{
    out = state().window.title;
    return 0;
}

int show_window(bool shown)
{
    state().window.shown = shown;
    return 0;
}

int raise_window()
{
    ++state().window.raise_count;
    return 0;
}

int client_rect(screen_rect& out)
{
    out = state().window.client;
    return 0;
}

int set_client_rect(const screen_rect& rect)
{
    state().window.client = rect;
    return 0;
}

int frame_size(window_frame& out)
{
    out = {0, 0, 0, 0};
    return 0;
}

int inhibit_screen_saver(bool on)
{
    state().screen_saver_inhibited = on;
    return 0;
}

int set_window_style(bool framed, bool top_most)
{
    window_record& w = state().window;
    w.framed = framed;
    w.top_most = top_most;
    return 0;
}

int minimise_window()
{
    state().window.minimised = true;
    return 0;
}

bool window_minimised()
{
    return state().window.minimised;
}

int strips_changed(int attached_menu, bool toolbar)
{
    strips_record& r = state().strips;
    r.attached = attached_menu;
    r.toolbar = toolbar;
    ++r.changes;
    return 0;
}

int toolbar_height()
{
    return toolbar_strip_height;
}

int open_menu()
{
    ++state().strips.opened;
    return 0;
}

const strips_record& strips()
{
    return state().strips;
}

void set_desktop(const display_mode& mode)
{
    state().desktop = mode;
}

const window_record& window()
{
    return state().window;
}

bool screen_saver_inhibited()
{
    return state().screen_saver_inhibited;
}

void fail_next_video_start()
{
    state().fail_video_start = true;
}

void fail_next_window_creation()
{
    state().fail_window_creation = true;
}

}  // namespace platform::headless
