// The progress window of the desktop backend: a small SDL window over the
// main one, drawn into a picture of its own (bar, entry name, count line,
// Cancel button) and shown through a software renderer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/font/font.hpp"
#include "platform/sdl/state.hpp"
#include "platform/text/codepage.hpp"

namespace platform::sdl {
namespace {

constexpr int width = 440, height = 132, margin = 16;
constexpr int text_height = 16;
constexpr int name_y = 14, bar_y = 40, bar_height = 20, count_y = 70;
constexpr SDL_Rect cancel_button = {width - margin - 96, height - margin - 28, 96, 28};

constexpr std::uint32_t background = 0xFFF0F0F0, ink = 0xFF101010, bar_frame = 0xFF787878, bar_empty = 0xFFFFFFFF,
                        bar_full = 0xFF2A6FC8, button_face = 0xFFE1E1E1, button_edge = 0xFF646464;

// The window's picture, 0xAARRGGBB, and the glyphs drawn into it so far.
struct canvas {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height);

    void fill(int x, int y, int w, int h, std::uint32_t colour)
    {
        const int left = std::max(x, 0), top = std::max(y, 0);
        const int right = std::min(x + w, width), bottom = std::min(y + h, height);
        for (int row = top; row < bottom; ++row)
            std::fill(&pixels[static_cast<std::size_t>(row) * width + left],
                      &pixels[static_cast<std::size_t>(row) * width + std::max(left, right)], colour);
    }

    void frame(int x, int y, int w, int h, std::uint32_t colour)
    {
        fill(x, y, w, 1, colour);
        fill(x, y + h - 1, w, 1, colour);
        fill(x, y, 1, h, colour);
        fill(x + w - 1, y, 1, h, colour);
    }

    // ink over the picture at coverage level (0 to 16)
    void blend(int x, int y, unsigned level)
    {
        if (x < 0 || y < 0 || x >= width || y >= height || level == 0) return;
        std::uint32_t& p = pixels[static_cast<std::size_t>(y) * width + x];
        std::uint32_t out = 0xFF000000;
        for (int shift = 0; shift <= 16; shift += 8) {
            const unsigned under = (p >> shift) & 0xFF, over = (ink >> shift) & 0xFF;
            out |= ((under * (16 - level) + over * level) / 16) << shift;
        }
        p = out;
    }
};

struct glyph {
    font::glyph_metrics metrics{};
    std::vector<unsigned char> levels;  // rows padded as the font layer gives them
};

std::map<wchar_t, glyph>& glyph_cache()
{
    static std::map<wchar_t, glyph> cache;
    return cache;
}

const glyph& glyph_of(font::face& face, wchar_t c)
{
    auto found = glyph_cache().find(c);
    if (found != glyph_cache().end()) return found->second;
    glyph g;
    const int size = face.glyph(c, font::glyph_format::grey, g.metrics, nullptr, 0);
    if (size > 0) {
        g.levels.resize(static_cast<std::size_t>(size));
        if (face.glyph(c, font::glyph_format::grey, g.metrics, g.levels.data(), g.levels.size()) != size)
            g = glyph{};
    } else if (size < 0) {
        g = glyph{};
    }
    return glyph_cache().emplace(c, std::move(g)).first->second;
}

int advance_of(font::face& face, const std::wstring& text)
{
    int w = 0;
    for (wchar_t c : text) w += glyph_of(face, c).metrics.advance;
    return w;
}

// Text that fits in room pixels: whole, or cut at the left behind "...",
// so that the end of a path (the file's name) stays readable.
std::wstring fitted(font::face& face, const std::wstring& text, int room)
{
    if (advance_of(face, text) <= room) return text;
    const std::wstring dots = L"...";
    int used = advance_of(face, dots);
    std::size_t from = text.size();
    while (from > 0) {
        const int a = glyph_of(face, text[from - 1]).metrics.advance;
        if (used + a > room) break;
        used += a;
        --from;
    }
    return dots + text.substr(from);
}

void draw_text(canvas& c, font::face& face, const std::wstring& text, int x, int y)
{
    const int baseline = y + face.metrics().ascent;
    for (wchar_t ch : text) {
        const glyph& g = glyph_of(face, ch);
        const std::size_t stride = font::stride_of(font::glyph_format::grey, g.metrics.width);
        for (int row = 0; row < g.metrics.height && !g.levels.empty(); ++row)
            for (int col = 0; col < g.metrics.width; ++col)
                c.blend(x + g.metrics.origin_x + col, baseline - g.metrics.origin_y + row,
                        g.levels[static_cast<std::size_t>(row) * stride + col]);
        x += g.metrics.advance;
    }
}

bool inside_button(int x, int y)
{
    return x >= cancel_button.x && y >= cancel_button.y && x < cancel_button.x + cancel_button.w &&
           y < cancel_button.y + cancel_button.h;
}

Uint32 window_of(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_WINDOWEVENT: return e.window.windowID;
    case SDL_MOUSEMOTION: return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return e.button.windowID;
    case SDL_MOUSEWHEEL: return e.wheel.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return e.key.windowID;
    case SDL_TEXTINPUT: return e.text.windowID;
    case SDL_TEXTEDITING: return e.edit.windowID;
    case SDL_TEXTEDITING_EXT: return e.editExt.windowID;
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE: return e.drop.windowID;
    default: return 0;
    }
}

// An event of the progress window leaves the queue; what SDL allocated for
// it goes with it.
void discard(SDL_Event& e)
{
    if (e.type == SDL_TEXTEDITING_EXT) SDL_free(e.editExt.text);
    if (e.type == SDL_DROPFILE || e.type == SDL_DROPTEXT) SDL_free(e.drop.file);
}

void take(const SDL_Event& e)
{
    sdl_state& s = state();
    switch (e.type) {
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) s.progress_cancel = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && inside_button(e.button.x, e.button.y)) s.progress_pressed = true;
        break;
    case SDL_MOUSEBUTTONUP:
        // a click: pressed and released on the button
        if (e.button.button == SDL_BUTTON_LEFT && s.progress_pressed && inside_button(e.button.x, e.button.y))
            s.progress_cancel = true;
        if (e.button.button == SDL_BUTTON_LEFT) s.progress_pressed = false;
        break;
    case SDL_KEYDOWN: {
        // key events name the window that has the focus
        const SDL_Scancode k = e.key.keysym.scancode;
        if (k == SDL_SCANCODE_ESCAPE || k == SDL_SCANCODE_RETURN || k == SDL_SCANCODE_KP_ENTER)
            s.progress_cancel = true;
        break;
    }
    default: break;
    }
}

// Takes everything queued: the progress window's events act and go, the
// others are held.
void sort_queue()
{
    sdl_state& s = state();
    SDL_PumpEvents();
    SDL_Event batch[64];
    int n;
    while ((n = SDL_PeepEvents(batch, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0)
        for (int i = 0; i < n; ++i) {
            if (window_of(batch[i]) == s.progress_id) {
                take(batch[i]);
                discard(batch[i]);
            } else {
                s.progress_held.push_back(batch[i]);
            }
        }
}

}  // namespace

void close_progress();

int open_progress(const char* title)
{
    sdl_state& s = state();
    close_progress();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return set_error("the progress window cannot be shown: video is not started");
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (s.window) {
        int mx, my, mw, mh;
        SDL_GetWindowPosition(s.window, &mx, &my);
        SDL_GetWindowSize(s.window, &mw, &mh);
        x = mx + (mw - width) / 2;
        y = my + (mh - height) / 2;
    }
    // shown by the first draw, once the font is ready: never seen empty
    s.progress_window = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_HIDDEN | SDL_WINDOW_SKIP_TASKBAR);
    if (!s.progress_window) return sdl_error("the progress window cannot be shown");
    s.progress_id = SDL_GetWindowID(s.progress_window);
    if (s.window) SDL_SetWindowModalFor(s.progress_window, s.window);  // where the window system knows the idea
    // the software renderer draws into the window's own surface; SDL would
    // put a GL renderer under that surface unless told not to
    const char* acceleration = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    const std::string before = acceleration ? acceleration : "";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    s.progress_renderer = SDL_CreateRenderer(s.progress_window, -1, SDL_RENDERER_SOFTWARE);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, acceleration ? before.c_str() : nullptr);
    if (s.progress_renderer)
        s.progress_texture =
            SDL_CreateTexture(s.progress_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!s.progress_texture) {
        const int r = sdl_error("the progress window cannot be drawn");
        close_progress();
        return r;
    }
    font::request r;
    r.face = L"meiryo";
    r.height = text_height;
    s.progress_font = font::create(r);  // without one the window shows no text
    glyph_cache().clear();
    s.progress_cancel = s.progress_pressed = false;
    s.progress_held.clear();
    return 0;
}

void close_progress()
{
    sdl_state& s = state();
    if (!s.progress_window) return;
    if (s.progress_texture) SDL_DestroyTexture(s.progress_texture);
    if (s.progress_renderer) SDL_DestroyRenderer(s.progress_renderer);
    SDL_DestroyWindow(s.progress_window);
    // nothing of it may reach the pump as the main window's; the rest goes
    // back in the order it came
    sort_queue();
    if (!s.progress_held.empty())
        SDL_PeepEvents(s.progress_held.data(), static_cast<int>(s.progress_held.size()), SDL_ADDEVENT, SDL_FIRSTEVENT,
                       SDL_LASTEVENT);
    s.progress_held.clear();
    font::release(s.progress_font);
    glyph_cache().clear();
    s.progress_window = nullptr;
    s.progress_id = 0;
    s.progress_renderer = nullptr;
    s.progress_texture = nullptr;
    s.progress_font = nullptr;
    s.progress_cancel = s.progress_pressed = false;
}

int draw_progress(const progress_view& view)
{
    sdl_state& s = state();
    if (!s.progress_texture) return set_error("no progress window is open");
    canvas c;
    c.fill(0, 0, width, height, background);

    const int bar_width = width - 2 * margin;
    c.fill(margin, bar_y, bar_width, bar_height, bar_empty);
    if (view.total > 0) {
        const std::uint64_t done = std::min(view.done, view.total);
        // the fraction in 1/65536 steps: no overflow for any 64-bit count
        const std::uint64_t scaled = view.total > (UINT64_MAX >> 16) ? done / (view.total >> 16)
                                                                      : (done << 16) / view.total;
        c.fill(margin + 1, bar_y + 1, static_cast<int>(scaled * static_cast<std::uint64_t>(bar_width - 2) >> 16),
               bar_height - 2, bar_full);
    }
    c.frame(margin, bar_y, bar_width, bar_height, bar_frame);

    c.fill(cancel_button.x, cancel_button.y, cancel_button.w, cancel_button.h, button_face);
    c.frame(cancel_button.x, cancel_button.y, cancel_button.w, cancel_button.h, button_edge);

    if (font::face* f = s.progress_font) {
        draw_text(c, *f, fitted(*f, text::from_utf8(view.name), bar_width), margin, name_y);
        draw_text(c, *f, fitted(*f, text::from_utf8(view.count), cancel_button.x - 2 * margin), margin, count_y);
        const std::wstring cancel = L"Cancel";
        draw_text(c, *f, cancel, cancel_button.x + (cancel_button.w - advance_of(*f, cancel)) / 2,
                  cancel_button.y + (cancel_button.h - text_height) / 2);
    }

    if (!(SDL_GetWindowFlags(s.progress_window) & SDL_WINDOW_SHOWN)) {
        SDL_ShowWindow(s.progress_window);
        SDL_RaiseWindow(s.progress_window);  // takes the focus: Escape and Return reach it
    }
    if (SDL_UpdateTexture(s.progress_texture, nullptr, c.pixels.data(), width * 4) < 0 ||
        SDL_RenderCopy(s.progress_renderer, s.progress_texture, nullptr, nullptr) < 0)
        return sdl_error("the progress window cannot be drawn");
    SDL_RenderPresent(s.progress_renderer);
    return 0;
}

bool progress_cancelled(const progress_view&)
{
    sdl_state& s = state();
    sort_queue();
    const bool pressed = s.progress_cancel;
    s.progress_cancel = false;
    return pressed;
}

#ifdef ZENTIL_TEST_HOOKS

namespace test {

namespace {

int push_progress(SDL_Event& e)
{
    e.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&e) == 1 ? 0 : -1;
}

}  // namespace

bool progress_window_open() { return state().progress_window != nullptr; }

screen_rect progress_cancel_button() { return {cancel_button.x, cancel_button.y, cancel_button.w, cancel_button.h}; }

int read_progress_window(std::vector<std::uint32_t>& argb, int& w, int& h)
{
    sdl_state& s = state();
    if (!s.progress_renderer) return set_error("no progress window is open");
    w = width;
    h = height;
    argb.assign(static_cast<std::size_t>(w) * h, 0);
    if (SDL_RenderReadPixels(s.progress_renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), w * 4) < 0)
        return sdl_error("reading the progress window failed");
    return 0;
}

int push_progress_click(int x, int y)
{
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_Event e{};
        e.type = type;
        e.button.windowID = state().progress_id;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        if (push_progress(e) < 0) return -1;
    }
    return 0;
}

int push_progress_key(int key_position)
{
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = state().progress_id;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = static_cast<SDL_Scancode>(key_position);
        e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
        if (push_progress(e) < 0) return -1;
    }
    return 0;
}

int push_progress_close()
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = state().progress_id;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    return push_progress(e);
}

}  // namespace test

#endif

}  // namespace platform::sdl
