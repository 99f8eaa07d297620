// Present of the headless backend: the picture kept in memory (and written
// as PNG on request), a display object that fails by switch, the mode list
// set by tests, and a vertical blank on the virtual clock.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"
#include "platform/headless/steps.hpp"
#include "platform/text/codepage.hpp"

#include <png.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

namespace platform::headless {

namespace {

// One channel widened to 8 bits by repeating its bits.
std::uint8_t channel8(std::uint32_t pixel, std::uint32_t mask)
{
    int shift = 0;
    while (!(mask >> shift & 1)) ++shift;
    const std::uint32_t v = (pixel & mask) >> shift;
    int width = 0;
    while ((mask >> shift) >> width) ++width;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    std::uint32_t out = 0;
    int filled = 0;
    for (; filled < 8; filled += width) out = out << width | v;
    return static_cast<std::uint8_t>(out >> (filled - 8));
}

std::uint32_t pixel_at(const presented_frame& f, int x, int y)
{
    const std::uint8_t* p = f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * (f.bits / 8);
    if (f.bits == 16) {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int open_display()
{
    headless_state& s = state();
    if (s.failing_display_opens > 0) {
        --s.failing_display_opens;
        return set_error("display object creation failed");
    }
    s.display_open = true;
    return 0;
}

void close_display()
{
    state().display_open = false;
}

int present(const pixel_view& view, const rect& source, const rect& destination)
{
    headless_state& s = state();
    presented_frame& f = s.frame;
    const int bpp = view.bits / 8;
    const int width = s.window.client.width, height = s.window.client.height;
    if (f.width != width || f.height != height || f.bits != view.bits) {
        f.width = width;
        f.height = height;
        f.bits = view.bits;
        f.pitch = width * bpp;
    }
    f.red_mask = view.red_mask;
    f.green_mask = view.green_mask;
    f.blue_mask = view.blue_mask;
    const long long sw = source.right - source.left, sh = source.bottom - source.top;
    const long long dw = static_cast<long long>(destination.right) - destination.left;
    const long long dh = static_cast<long long>(destination.bottom) - destination.top;
    const int x0 = std::max(destination.left, 0), x1 = std::min(destination.right, width);
    const int y0 = std::max(destination.top, 0), y1 = std::min(destination.bottom, height);
    const std::size_t size = static_cast<std::size_t>(f.pitch) * height;
    if (x0 == 0 && y0 == 0 && x1 == width && y1 == height && f.pixels.size() == size)
        ;  // every pixel is written below
    else
        f.pixels.assign(size, 0);  // black outside the destination
    const auto* src = static_cast<const std::uint8_t*>(view.pixels);
    for (int y = y0; y < y1; ++y) {
        const long long sy = source.top + (y - destination.top) * sh / dh;
        const std::uint8_t* row = src + sy * view.pitch;
        std::uint8_t* out = f.pixels.data() + static_cast<std::size_t>(y) * f.pitch;
        if (sw == dw && x1 > x0) {  // same width: the row's run is one copy
            const long long sx = source.left + (x0 - destination.left);
            std::memcpy(out + static_cast<std::size_t>(x0) * bpp, row + sx * bpp, static_cast<std::size_t>(x1 - x0) * bpp);
            continue;
        }
        for (int x = x0; x < x1; ++x) {
            const long long sx = source.left + (x - destination.left) * sw / dw;
            std::memcpy(out + static_cast<std::size_t>(x) * bpp, row + sx * bpp, bpp);
        }
    }
    ++f.count;
    step_boundary();
    return 0;
}

int wait_vblank_begin()
{
    headless_state& s = state();
    const std::uint64_t next = next_vblank_time(virtual_nanoseconds(), 60);
    // through advance_clock, so the counters built on the clock move too
    advance_clock(static_cast<std::uint32_t>(next / 1000000) - s.clock);
    s.sub_ms_clock = s.clock;
    s.sub_ms = static_cast<std::uint32_t>(next % 1000000);
    return 0;
}

bool in_vblank()
{
    return false;
}

int display_modes(std::vector<display_mode>& out)
{
    const headless_state& s = state();
    out = s.modes_set ? s.modes : std::vector<display_mode>{s.desktop};
    return 0;
}

namespace {

// The record a display change leaves behind the queued ones.
void push_display_change(const display_mode& now)
{
    headless_state& s = state();
    if (s.display_changes_suppressed) return;
    os_event e;
    e.kind = event_kind::display_changed;
    e.x = now.width;
    e.y = now.height;
    e.bits = now.bits;
    s.events.push_back({e, false, 0});
}

}  // namespace

int change_mode(const display_mode& mode, bool full_screen)
{
    headless_state& s = state();
    s.mode_change.mode = mode;
    s.mode_change.full_screen = full_screen;
    ++s.mode_change.count;
    if (s.fail_mode_change) {
        s.fail_mode_change = false;
        return set_error("display mode change failed");
    }
    if (s.failing_mode_changes > 0) {
        --s.failing_mode_changes;
        return set_error("display mode change failed");
    }
    std::vector<display_mode> modes;
    headless::display_modes(modes);
    if (!mode_listed(modes, mode)) return set_error("the display has no such mode");
    s.mode_changed = true;
    push_display_change(mode);
    return 0;
}

int restore_desktop_mode()
{
    headless_state& s = state();
    ++s.desktop_restores;
    if (s.mode_changed) {
        s.mode_changed = false;
        push_display_change(s.desktop);
    }
    return 0;
}

bool mode_changed()
{
    return state().mode_changed;
}

void suppress_display_changes(bool on)
{
    state().display_changes_suppressed = on;
}

const presented_frame& frame()
{
    return state().frame;
}

int dump_frame_png(const std::wstring& path)
{
    const presented_frame& f = state().frame;
    if (f.pixels.empty()) return set_error("no frame presented");
    // a file name: coded as every name the OS is given
    std::unique_ptr<std::FILE, file_closer> file(std::fopen(text::to_utf8(path).c_str(), "wb"));
    if (!file) return set_error("PNG file cannot be created");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return set_error("PNG writer failed");
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(f.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return set_error("PNG writing failed");
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, f.width, f.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const std::uint32_t p = pixel_at(f, x, y);
            row[x * 3] = channel8(p, f.red_mask);
            row[x * 3 + 1] = channel8(p, f.green_mask);
            row[x * 3 + 2] = channel8(p, f.blue_mask);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) return set_error("PNG writing failed");
    return 0;
}

void set_display_modes(const std::vector<display_mode>& modes)
{
    state().modes = modes;
    state().modes_set = true;
}

void fail_next_display_opens(int count)
{
    state().failing_display_opens = count;
}

void fail_next_mode_change()
{
    state().fail_mode_change = true;
}

void fail_next_mode_changes(int count)
{
    state().failing_mode_changes = count;
}

const mode_request& last_mode_request()
{
    return state().mode_change;
}

int desktop_restores()
{
    return state().desktop_restores;
}

std::uint64_t virtual_nanoseconds()
{
    const headless_state& s = state();
    const std::uint64_t part = s.clock == s.sub_ms_clock ? s.sub_ms : 0;
    return static_cast<std::uint64_t>(s.clock) * 1000000 + part;
}

}  // namespace platform::headless
