// The triangle fill of memory images: the refusals, the set-up in 14.18
// fixed point (vertex sorts, texel gradients, edges), the row walk with its
// pixel rules and span clipping, and the choice of a span loop once per call.
#include "media/softrender/triangle.hpp"

#include "media/core/number.hpp"
#include "media/graphics/internal.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/triangle_spans.hpp"

#include <algorithm>
#include <utility>

namespace {

using namespace media::soft;

// One pixel in 14.18 fixed point.
constexpr std::int64_t one = 262144;

// Corners and texel positions are refused beyond this. Within it every
// product of two differences, and the determinant, fits 64 bits. Positions,
// differences and slopes are kept in 64 bits: inside -8192..8191 they are
// the 14.18 values exactly, and a wide triangle (a difference of more than
// 8191 pixels, or a corner far off the image) keeps its true edges where 32
// bits would wrap.
constexpr std::int64_t coordinate_limit = std::int64_t{1} << 29;

// The pixel of a 14.18 value: truncation toward zero, so -0.5 gives 0.
std::int64_t pixel_of(std::int64_t v) { return v / one; }

// A corner in 14.18: x and y with the half-pixel bias, u and v without.
struct point {
    std::int64_t x, y, u, v;
};

// One straight piece of an edge; start_row matters for the left side's
// second piece, where the walk restarts its row.
struct segment {
    std::int64_t x, slope, rows, start_row;
};
// first: 0 when the side has two pieces, 1 when it has only the second.
struct side {
    segment piece[2];
    int first;
};

// The indices 0, 1, 2 ordered by key; equal keys are not swapped.
void sort_three(int order[3], const std::int64_t key[3])
{
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    for (int i = 0; i < 2; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (key[order[i]] > key[order[j]]) std::swap(order[i], order[j]);
}

segment piece_of(std::int64_t start, std::int64_t end, std::int64_t rows, std::int64_t start_row)
{
    return {start, (end - start) / rows, rows, start_row};
}

// The two sides of the triangle and its first row; false when it covers no
// row (three corners on one row, or a side of no rows).
bool make_edges(const point p[3], side& left, side& right, std::int64_t& first_row)
{
    const std::int64_t ys[3] = {p[0].y, p[1].y, p[2].y};
    int order[3];
    sort_three(order, ys);
    const point& t = p[order[0]];
    const point& m = p[order[1]];
    const point& d = p[order[2]];
    auto rows = [](const point& a, const point& b) { return (b.y - a.y) / one; };
    if (t.y == m.y) {
        if (m.y == d.y) return false;
        const point* lt = &t;
        const point* rt = &m;
        if (t.x > m.x) std::swap(lt, rt);
        const std::int64_t lr = rows(*lt, d), rr = rows(*rt, d);
        if (lr <= 0 || rr <= 0) return false;
        left = {{{}, piece_of(lt->x, d.x, lr, 0)}, 1};
        right = {{{}, piece_of(rt->x, d.x, rr, 0)}, 1};
        first_row = pixel_of(lt->y);
        return true;
    }
    if (m.y == d.y) {
        const point* lb = &m;
        const point* rb = &d;
        if (m.x > d.x) std::swap(lb, rb);
        const std::int64_t lr = rows(t, *lb), rr = rows(t, *rb);
        if (lr <= 0 || rr <= 0) return false;
        left = {{{}, piece_of(t.x, lb->x, lr, 0)}, 1};
        right = {{{}, piece_of(t.x, rb->x, rr, 0)}, 1};
        first_row = pixel_of(t.y);
        return true;
    }
    const std::int64_t tm = rows(t, m), md = rows(m, d), td = rows(t, d);
    if (tm <= 0 || md <= 0 || td <= 0) return false;
    // which side the middle corner lies on, from the slopes of its two edges
    const double s1 = static_cast<double>(m.x - t.x) / (static_cast<double>(m.y - t.y) / 262144.0);
    const double s2 = static_cast<double>(d.x - t.x) / (static_cast<double>(d.y - t.y) / 262144.0);
    if (s1 < s2) {
        left = {{piece_of(t.x, m.x, tm, 0), piece_of(m.x, d.x, md, pixel_of(m.y))}, 0};
        right = {{{}, piece_of(t.x, d.x, td, 0)}, 1};
    } else {
        left = {{{}, piece_of(t.x, d.x, td, 0)}, 1};
        // the lower right piece starts one unit right of the middle corner
        right = {{piece_of(t.x, m.x, tm, 0), piece_of(m.x + 1, d.x, md, 0)}, 0};
    }
    first_row = pixel_of(t.y);
    return true;
}

}  // namespace

void DrawMemImgTriangle(MEMIMG* dst, MEMIMG* src, const MEMIMG_VERTEX* corners, int transparency, MEMIMG* blend,
                        std::uint32_t colour)
{
    if (corners == nullptr || !drawable(dst)) return;
    const MEMIMG_BASE& db = *dst->base;
    if (db.paletted || db.alpha || db.format_index > 1) return;
    const int bits = db.format_index == 1 ? 32 : 16;
    if (db.format->pixel_bytes != bits / 8) return;
    int kind = kind_direct;
    if (src != nullptr) {
        if (!drawable(src)) return;
        const MEMIMG_BASE& sb = *src->base;
        if (sb.format_index != db.format_index) return;
        kind = sb.paletted ? kind_paletted : sb.alpha ? kind_alpha : kind_direct;
        if (sb.format->pixel_bytes != source_bytes(bits, kind)) return;
        if (kind == kind_paletted && sb.palette == nullptr) return;
        // the blend image is read at the texel position, so it must cover the source
        if (blend != nullptr && (!drawable(blend) || blend->width < src->width || blend->height < src->height))
            return;
    }
    const auto& state = media::gfx::draw_state;
    int mode = state.blend_mode;
    if (!drawing_mode(mode, state.blend_param)) return;
    RECT area;
    if (!destination_area(*dst, &area)) return;

    point p[3];
    for (int i = 0; i < 3; ++i) {
        const MEMIMG_VERTEX& c = corners[i];
        for (std::int64_t v : {c.x, c.y, c.u, c.v})
            if (v <= -coordinate_limit || v >= coordinate_limit) return;
        p[i] = {c.x * one + one / 2, c.y * one + one / 2, c.u * one, c.v * one};
    }

    // the texel gradients, anchored at the leftmost corner
    const std::int64_t xs[3] = {p[0].x, p[1].x, p[2].x};
    int order[3];
    sort_three(order, xs);
    const point& a = p[order[0]];
    const point& b = p[order[1]];
    const point& c = p[order[2]];
    const std::int64_t dx_ab = (b.x - a.x) / one, dy_ab = (b.y - a.y) / one, du_ab = (b.u - a.u) / one,
                       dv_ab = (b.v - a.v) / one;
    const std::int64_t dx_ac = (c.x - a.x) / one, dy_ac = (c.y - a.y) / one, du_ac = (c.u - a.u) / one,
                       dv_ac = (c.v - a.v) / one;
    const std::int64_t det = dy_ab * dx_ac - dy_ac * dx_ab;
    if (det == 0) return;
    auto gradient = [det](std::int64_t numerator) {
        return static_cast<std::uint32_t>(DoubleToInt(static_cast<double>(numerator) * 262144.0 / static_cast<double>(det)));
    };
    const std::uint32_t u_column = gradient(dy_ab * du_ac - dy_ac * du_ab);
    const std::uint32_t u_row = gradient(du_ab * dx_ac - dx_ab * du_ac);
    const std::uint32_t v_column = gradient(dy_ab * dv_ac - dy_ac * dv_ab);
    const std::uint32_t v_row = gradient(dv_ab * dx_ac - dx_ab * dv_ac);
    const std::int64_t x0 = pixel_of(a.x), y0 = pixel_of(a.y);
    const auto u0 = static_cast<std::uint32_t>(a.u), v0 = static_cast<std::uint32_t>(a.v);

    side left, right;
    std::int64_t row;
    if (!make_edges(p, left, right, row)) return;

    // the values every span reads, and the loop, fixed once
    triangle_job job{};
    const bool bright_on = (state.draw_bright & 0xFFFFFF) != 0xFFFFFF;
    const blit_key key{bits, kind, mode, src != nullptr && blend != nullptr, bright_on, transparency != 0, false};
    const bool generic = generic_loops_forced();
    triangle_span span = nullptr;
    if (src == nullptr) {
        job.solid = make_solid_setup(bits, colour, true);
        if (!generic) span = find_solid_span(bits, mode_slot(mode));
    } else {
        const MEMIMG_BASE& sb = *src->base;
        job.src = static_cast<const unsigned char*>(src->pixels);
        job.src_pitch = sb.pitch;
        job.u_limit = static_cast<std::uint32_t>(std::min<std::int64_t>(src->width * one, 0xFFFFFFFF));
        job.v_limit = static_cast<std::uint32_t>(std::min<std::int64_t>(src->height * one, 0xFFFFFFFF));
        if (blend != nullptr) {
            job.blend = static_cast<const unsigned char*>(blend->pixels);
            job.blend_pitch = blend->base->pitch;
        }
        job.palette = static_cast<const unsigned char*>(sb.palette);
        job.weights = blend_tables.weight;
        job.u_step = u_column;
        job.v_step = v_column;
        // the whole transparent value: one above 16 bits matches no 16-bit
        // texel, one above 255 no palette index
        job.setup = current_blend_setup(sb.transparent);
        if (!generic) {
            const int index = key.index();
            span = kind == kind_paletted ? find_paletted_span(bits, index)
                   : bits == 32          ? find_textured_span_32(index)
                                         : find_textured_span_16(index);
        }
    }

    auto* const pixels = static_cast<unsigned char*>(dst->pixels);
    const long pitch = db.pitch;
    const int bytes = bits / 8;
    int li = left.first, ri = right.first;
    std::int64_t lx = left.piece[li].x, ls = left.piece[li].slope, lc = left.piece[li].rows;
    std::int64_t rx = right.piece[ri].x, rs = right.piece[ri].slope, rc = right.piece[ri].rows;
    for (;;) {
        // rows above the draw area are stepped over in one go (within pieces)
        if (row < area.top) {
            const std::int64_t k = std::min({static_cast<std::int64_t>(area.top) - row, lc - 1, rc - 1});
            if (k > 0) {
                lx += k * ls;
                rx += k * rs;
                row += k;
                lc -= k;
                rc -= k;
            }
        }
        // the row only goes back (by one) when the left side changes piece,
        // so from here on nothing is inside the area
        if (row > area.bottom) break;
        if (row >= area.top && row < area.bottom) {
            std::int64_t column = pixel_of(lx);
            std::int64_t count = pixel_of(rx) - column + 1;
            if (column < area.left) {
                count -= area.left - column;
                column = area.left;
            }
            if (column < area.right && count > 0) {
                count = std::min<std::int64_t>(count, area.right - column);
                unsigned char* out = pixels + row * pitch + column * bytes;
                // the texel position of the first drawn column, straight from
                // the mapping (32-bit, wrapping)
                const auto cx = static_cast<std::uint32_t>(column - x0), ry = static_cast<std::uint32_t>(row - y0);
                const std::uint32_t u = u0 + cx * u_column + ry * u_row, v = v0 + cx * v_column + ry * v_row;
                const int n = static_cast<int>(count);
                if (span != nullptr)
                    span(job, out, n, u, v);
                else if (src == nullptr)
                    generic_solid_span(job, mode, bits, out, n);
                else
                    generic_textured_span(job, key, out, n, u, v);
            }
        }
        lx += ls;
        rx += rs;
        ++row;
        --lc;
        --rc;
        if (lc == 0) {
            if (li == 1) break;
            li = 1;
            lx = left.piece[1].x;
            ls = left.piece[1].slope;
            lc = left.piece[1].rows;
            row = left.piece[1].start_row;
        }
        if (rc == 0) {
            if (ri == 1) break;
            ri = 1;
            rx = right.piece[1].x;
            rs = right.piece[1].slope;
            rc = right.piece[1].rows;
        }
    }
}
