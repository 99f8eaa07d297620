// Present of the desktop backend: SDL's software renderer on the window (made
// at the first present) and a streaming texture in the view's format, copied
// with nearest scaling; no vsync, the pacing is wait_vblank_begin's.
#include "platform/sdl/state.hpp"
#include "platform/sdl/test_hooks.hpp"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace platform::sdl {

int desktop_mode(display_mode& out);

namespace {

void drop_texture(sdl_state& s)
{
    if (s.texture) SDL_DestroyTexture(s.texture);
    s.texture = nullptr;
    s.texture_format = 0;
    s.texture_width = s.texture_height = 0;
}

}  // namespace

// The display object makes nothing: its renderer draws into the window's
// own surface, which cannot share the window with the device's OpenGL
// context, so it is made at the first present that needs it.
int open_display()
{
    return 0;
}

namespace {

int make_renderer(sdl_state& s)
{
    // Frames are drawn in memory already; the renderer only copies one
    // picture a frame, which SDL's software renderer into the window's own
    // surface does as well. A GL renderer (and a GL renderer under that
    // surface, unless told not to) costs its driver's start-up: on a GPU-less
    // X server, a visual search and shader compilation took most of the
    // program's start-up.
    const char* acceleration = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    const std::string before = acceleration ? acceleration : "";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, acceleration ? before.c_str() : nullptr);
    if (!s.renderer) return sdl_error("display object creation failed");
    return 0;
}

}  // namespace

void drop_software_renderer()
{
    sdl_state& s = state();
    drop_texture(s);
    if (s.renderer) SDL_DestroyRenderer(s.renderer);
    s.renderer = nullptr;
}

void close_display()
{
    drop_software_renderer();
}

int present(const pixel_view& view, const rect& source, const rect& destination)
{
    sdl_state& s = state();
    if (!s.renderer && make_renderer(s) < 0) return -1;
    Uint32 format = SDL_MasksToPixelFormatEnum(view.bits, view.red_mask, view.green_mask, view.blue_mask, 0);
    if (format == SDL_PIXELFORMAT_UNKNOWN) return set_error("unsupported colour masks");
    if (!s.texture || s.texture_format != format || s.texture_width != view.width || s.texture_height != view.height) {
        drop_texture(s);
        s.texture = SDL_CreateTexture(s.renderer, format, SDL_TEXTUREACCESS_STREAMING, view.width, view.height);
        if (!s.texture) return sdl_error("texture creation failed");
        SDL_SetTextureScaleMode(s.texture, SDL_ScaleModeNearest);
        s.texture_format = format;
        s.texture_width = view.width;
        s.texture_height = view.height;
    }
    const SDL_Rect src = {source.left, source.top, source.right - source.left, source.bottom - source.top};
    const auto* first = static_cast<const Uint8*>(view.pixels) + static_cast<std::size_t>(source.top) * view.pitch +
                        static_cast<std::size_t>(source.left) * (view.bits / 8);
    if (SDL_UpdateTexture(s.texture, &src, first, view.pitch) < 0) return sdl_error("texture update failed");
    const SDL_Rect dst = {destination.left, destination.top, destination.right - destination.left,
                          destination.bottom - destination.top};
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    if (SDL_RenderClear(s.renderer) < 0 || SDL_RenderCopy(s.renderer, s.texture, &src, &dst) < 0)
        return sdl_error("present failed");
    SDL_RenderPresent(s.renderer);
    return 0;
}

int wait_vblank_begin()
{
    SDL_DisplayMode mode;
    int refresh = 0;
    int index = SDL_GetWindowDisplayIndex(state().window);
    if (index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0) refresh = mode.refresh_rate;
    using clock = std::chrono::steady_clock;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now().time_since_epoch()).count();
    const std::uint64_t wake = next_vblank_time(static_cast<std::uint64_t>(now), refresh);
    std::this_thread::sleep_until(clock::time_point(std::chrono::nanoseconds(wake)));
    return 0;
}

// SDL offers no vertical-blank status.
bool in_vblank()
{
    return false;
}

int display_modes(std::vector<display_mode>& out)
{
    int count = SDL_GetNumDisplayModes(0);
    if (count < 0) return sdl_error("display modes unknown");
    out.clear();
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) < 0) continue;
        out.push_back({m.w, m.h, 8 * static_cast<int>(SDL_BYTESPERPIXEL(m.format)), m.refresh_rate});
    }
    return 0;
}

namespace {

void push_display_change(const display_mode& now)
{
    os_event e;
    e.kind = event_kind::display_changed;
    e.x = now.width;
    e.y = now.height;
    e.bits = now.bits;
    state().pending.push_back(e);
}

}  // namespace

// Exclusive full screen at a mode of the list: SDL takes an unlisted size
// without a word and shows another, so the list decides first, and the
// window's flag is checked afterwards.
int change_mode(const display_mode& mode, bool)
{
    sdl_state& s = state();
    std::vector<display_mode> modes;
    if (sdl::display_modes(modes) < 0) return -1;
    if (!mode_listed(modes, mode)) return set_error("the display has no such mode");
    SDL_DisplayMode wanted;
    SDL_zero(wanted);
    const int count = SDL_GetNumDisplayModes(0);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) < 0) continue;
        const int bits = 8 * static_cast<int>(SDL_BYTESPERPIXEL(m.format));
        if (m.w == mode.width && m.h == mode.height && bits == mode.bits &&
            (m.refresh_rate == 0 || mode.refresh == 0 || m.refresh_rate == mode.refresh)) {
            wanted = m;
            found = true;
        }
    }
    if (!found) return set_error("the display has no such mode");
    if (!s.full_screen) {
        // the window's place and size, for the return to a window
        SDL_GetWindowPosition(s.window, &s.kept.x, &s.kept.y);
        SDL_GetWindowSize(s.window, &s.kept.width, &s.kept.height);
        s.kept_set = true;
    }
    if (SDL_SetWindowDisplayMode(s.window, &wanted) < 0) return sdl_error("display mode change failed");
    if (SDL_SetWindowFullscreen(s.window, SDL_WINDOW_FULLSCREEN) < 0 ||
        (SDL_GetWindowFlags(s.window) & SDL_WINDOW_FULLSCREEN) != SDL_WINDOW_FULLSCREEN)
        return sdl_error("full screen refused");
    s.full_screen = true;
    push_display_change(mode);
    return 0;
}

// Leaves exclusive full screen when in it; a window leaving it keeps the
// full-screen size, so the kept place and size are applied again.
int restore_desktop_mode()
{
    sdl_state& s = state();
    if (!s.full_screen || !s.window) return 0;
    if (SDL_SetWindowFullscreen(s.window, 0) < 0) return sdl_error("leaving full screen failed");
    s.full_screen = false;
    if (s.kept_set) {
        SDL_SetWindowSize(s.window, s.kept.width, s.kept.height);
        SDL_SetWindowPosition(s.window, s.kept.x, s.kept.y);
        s.kept_set = false;
    }
    display_mode desktop{0, 0, 0, 0};
    sdl::desktop_mode(desktop);
    push_display_change(desktop);
    return 0;
}

#ifdef ZENTIL_TEST_HOOKS

namespace test {

int read_window(std::vector<std::uint32_t>& argb, int& width, int& height)
{
    sdl_state& s = state();
    if (!s.renderer) return read_gl_window(argb, width, height);
    if (SDL_GetRendererOutputSize(s.renderer, &width, &height) < 0) return sdl_error("renderer size unknown");
    argb.assign(static_cast<std::size_t>(width) * height, 0);
    if (SDL_RenderReadPixels(s.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), width * 4) < 0)
        return sdl_error("reading the window failed");
    return 0;
}

}  // namespace test

#endif

}  // namespace platform::sdl
