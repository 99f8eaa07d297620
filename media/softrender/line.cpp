// Lines: the clip of the end points in the five ordered steps, and one loop
// per mode, pixel size and major axis.
#include "media/softrender/line.hpp"

#include "media/core/number.hpp"
#include "media/graphics/internal.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/solid.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace media::soft {

namespace {

// e starts at 0, so the minor axis steps late; the end point is not visited
template <int Mode, int Bits, bool XMajor>
void walk(const line_job& job)
{
    // a local copy, which the byte-pointer stores cannot touch
    const line_job j = job;
    const int count = XMajor ? j.dx : j.dy, minor = XMajor ? j.dy : j.dx;
    const long major_step = XMajor ? j.x_step : j.y_step, minor_step = XMajor ? j.y_step : j.x_step;
    unsigned char* out = j.start;
    int e = 0;
    for (int i = 0;;) {
        store_dst<Bits>(out, solid_rule<Mode, Bits>(j.setup, load_dst<Bits>(out)));
        if (++i == count) break;
        out += major_step;
        e += minor;
        if (e >= count) {
            out += minor_step;
            e -= count;
        }
    }
}

// index: major axis (x 0, y 1) x 14 + size (16 0, 32 1) x 7 + mode slot
template <std::size_t... I>
constexpr std::array<line_loop, 28> line_table(std::index_sequence<I...>)
{
    return {&walk<table_modes[I % 7], I / 7 % 2 == 0 ? 16 : 32, I < 14>...};
}

constexpr auto line_loops = line_table(std::make_index_sequence<28>{});

}  // namespace

line_loop find_line_loop(int bits, int slot, bool x_major)
{
    if (slot < 0 || slot >= 7 || (bits != 16 && bits != 32)) return nullptr;
    return line_loops[static_cast<std::size_t>((x_major ? 0 : 14) + (bits == 32 ? 7 : 0) + slot)];
}

}  // namespace media::soft

namespace {

// The five clipping steps, against the area [left, right) x [top, bottom).
// The slopes and intercepts come from the points as passed in, in double
// precision (differences of far-apart coordinates do not fit 32 bits).
void clip_line(int& x1, int& y1, int& x2, int& y2, const RECT& a)
{
    const double fx1 = x1, fy1 = y1, fx2 = x2, fy2 = y2;
    const double m = x1 == x2 ? 0.0 : (fy2 - fy1) / (fx2 - fx1);
    const double k = y1 == y2 ? 0.0 : (fx2 - fx1) / (fy2 - fy1);
    const double by = fy1 - m * fx1, bx = fx1 - k * fy1;
    auto y_at = [&](int x) { return DoubleToInt(by + m * x); };
    auto x_at = [&](int y) { return DoubleToInt(bx + k * y); };
    const int L = a.left, T = a.top, R = a.right, B = a.bottom;
    if (x1 < L) {
        x1 = L;
        y1 = y_at(L);
    } else if (x1 >= R) {
        x1 = R - 1;
        y1 = y_at(R - 1);
    }
    if (x2 < L) {
        x2 = L - 1;
        y2 = y_at(L - 1);
    } else if (x2 >= R) {
        x2 = R;
        y2 = y_at(R);
    }
    if (y1 < T) {
        y1 = T;
        x1 = x_at(T);
    } else if (y1 >= B) {
        y1 = B - 1;
        x1 = x_at(B - 1);
    }
    if (y2 < T) {
        y2 = T - 1;
        x2 = x_at(T - 1);
    } else if (y2 >= B) {
        y2 = B;
        x2 = x_at(B);
    }
    x1 = x1 < L ? L : x1 >= R ? R - 1 : x1;
    x2 = x2 < L ? L - 1 : x2 >= R ? R : x2;
    y1 = y1 < T ? T : y1 >= B ? B - 1 : y1;
    y2 = y2 < T ? T - 1 : y2 >= B ? B : y2;
}

}  // namespace

void DrawMemImgLine(MEMIMG* dst, int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    using namespace media::soft;
    if (!drawable(dst)) return;
    const MEMIMG_BASE& db = *dst->base;
    if (db.paletted || db.format_index > 1) return;
    const int bits = db.format_index == 1 ? 32 : 16;
    const int bytes = db.format->pixel_bytes;
    if (bytes != (bits == 32 || db.alpha ? 4 : 2)) return;
    RECT area;
    if (!destination_area(*dst, &area)) return;  // an empty draw area draws nothing
    if (std::max(y1, y2) < area.top || std::min(y1, y2) >= area.bottom || std::min(x1, x2) >= area.right ||
        std::max(x1, x2) < area.left)
        return;
    clip_line(x1, y1, x2, y2, area);
    // after the clamps every coordinate is within one pixel of the area
    int dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return;

    const auto& state = media::gfx::draw_state;
    int mode = state.blend_mode;
    const int p = state.blend_param;
    if (!drawing_mode(mode, p)) return;

    line_job job{};
    job.start = static_cast<unsigned char*>(dst->pixels) + static_cast<long>(y1) * db.pitch + static_cast<long>(x1) * bytes;
    job.x_step = dx < 0 ? -bytes : bytes;
    job.y_step = dy < 0 ? -static_cast<long>(db.pitch) : db.pitch;
    job.dx = std::abs(dx);
    job.dy = std::abs(dy);
    job.bits = bits;
    job.setup = make_solid_setup(bits, colour);
    const line_loop loop = generic_loops_forced() ? nullptr : find_line_loop(bits, mode_slot(mode), job.dx >= job.dy);
    if (loop != nullptr)
        loop(job);
    else
        generic_line(job, mode);
}

void DrawMemImgLines(MEMIMG* dst, const MEMIMG_LINE* lines, int count)
{
    if (lines == nullptr) return;
    for (int i = 0; i < count; ++i) DrawMemImgLine(dst, lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2, lines[i].colour);
}
