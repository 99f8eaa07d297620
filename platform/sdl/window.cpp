// Window of the desktop backend: SDL video, one window, the desktop mode.
#include "platform/sdl/state.hpp"
#include "platform/sdl/test_hooks.hpp"

#include <string>

namespace platform::sdl {

sdl_state& state()
{
    static sdl_state s;
    return s;
}

int sdl_error(const char* what)
{
    std::string text = what;
    const char* reason = SDL_GetError();
    if (reason && *reason) text += std::string(": ") + reason;
    return set_error(text.c_str());
}

int video_start()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return 0;
    // SIGINT and SIGTERM are the common layer's; one close, not SDL_QUIT too
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // a composition longer than SDL_TEXTEDITING's 32 bytes arrives whole
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    // a full-screen window that loses the focus is minimised by the layer itself
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) < 0) return sdl_error("video start failed");
    return 0;
}

int desktop_mode(display_mode& out)
{
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) < 0) return sdl_error("desktop mode unknown");
    // SDL names the usual 32-bit visual RGB888 with 24 bits; its pixels take 4 bytes
    out = {m.w, m.h, 8 * static_cast<int>(SDL_BYTESPERPIXEL(m.format)), m.refresh_rate};
    return 0;
}

void destroy_window();

int create_window(const char* title, const window_spec& spec)
{
    sdl_state& s = state();
    destroy_window();  // one left by a run under another backend's selection
    int x = spec.centred ? SDL_WINDOWPOS_CENTERED : spec.x;
    int y = spec.centred ? SDL_WINDOWPOS_CENTERED : spec.y;
    Uint32 flags = spec.shown ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (spec.full_screen) {
        x = y = 0;
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
    }
    // OpenGL-capable where the video driver offers OpenGL (the device's
    // context needs it), else plain: the dummy driver refuses the flag
    if (spec.for_device) s.window = SDL_CreateWindow(title, x, y, spec.width, spec.height, flags | SDL_WINDOW_OPENGL);
    if (!s.window) s.window = SDL_CreateWindow(title, x, y, spec.width, spec.height, flags);
    if (!s.window) return sdl_error("window creation failed");
    return 0;
}

void close_display();

void destroy_window()
{
    sdl_state& s = state();
    close_display();  // the renderer goes before its window
    // and the device and its context (a current state of the common layer)
    if (current_backend().destroy_window == destroy_window && device::object_exists()) device::release_object();
    if (s.window) SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.collecting_drop = false;
    s.dropped.clear();
    s.full_screen = false;
    s.kept_set = false;
    s.pending.clear();
}

int set_title(const char* title)
{
    SDL_SetWindowTitle(state().window, title);
    return 0;
}

int title(std::string& out)
{
    out = SDL_GetWindowTitle(state().window);
    return 0;
}

int show_window(bool shown)
{
    if (shown)
        SDL_ShowWindow(state().window);
    else
        SDL_HideWindow(state().window);
    return 0;
}

int raise_window()
{
    SDL_RaiseWindow(state().window);
    return 0;
}

int client_rect(screen_rect& out)
{
    SDL_Window* w = state().window;
    SDL_GetWindowPosition(w, &out.x, &out.y);
    SDL_GetWindowSize(w, &out.width, &out.height);
    return 0;
}

int set_client_rect(const screen_rect& rect)
{
    sdl_state& s = state();
    if (s.full_screen) {
        s.kept = rect;
        s.kept_set = true;
        return 0;
    }
    SDL_Window* w = s.window;
    SDL_SetWindowPosition(w, rect.x, rect.y);
    SDL_SetWindowSize(w, rect.width, rect.height);
    return 0;
}

int frame_size(window_frame& out)
{
    // without a window manager (or under the dummy driver) there is no frame
    if (SDL_GetWindowBordersSize(state().window, &out.top, &out.left, &out.bottom, &out.right) < 0) out = {0, 0, 0, 0};
    return 0;
}

int set_window_style(bool framed, bool top_most)
{
    SDL_Window* w = state().window;
    SDL_SetWindowBordered(w, framed ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowAlwaysOnTop(w, top_most ? SDL_TRUE : SDL_FALSE);
    return 0;
}

int minimise_window()
{
    SDL_MinimizeWindow(state().window);
    return 0;
}

bool window_minimised()
{
    return (SDL_GetWindowFlags(state().window) & SDL_WINDOW_MINIMIZED) != 0;
}

int inhibit_screen_saver(bool on)
{
    if (on)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
    return 0;
}

#ifdef ZENTIL_TEST_HOOKS

namespace test {

window_flags read_window_flags()
{
    window_flags out;
    SDL_Window* w = state().window;
    if (!w) return out;
    const Uint32 f = SDL_GetWindowFlags(w);
    out.full_screen = (f & SDL_WINDOW_FULLSCREEN) != 0;
    out.borderless = (f & SDL_WINDOW_BORDERLESS) != 0;
    out.top_most = (f & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
    return out;
}

}  // namespace test

#endif

}  // namespace platform::sdl
