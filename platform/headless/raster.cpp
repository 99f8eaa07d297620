// The reference device's rasteriser: triangles by edge functions on
// positions snapped to 1/256 pixel with the top-left rule, lines by the
// diamond-exit rule, points by the unit square around them.
#include "platform/headless/reference.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace platform::headless::ref {

namespace {

constexpr std::int64_t sub = 256;     // snapping steps per pixel
constexpr std::int64_t half = sub / 2;
// Past this many pixels from the origin a primitive is cut; the cut lies far
// outside every target, and snapped values stay small enough that edge
// functions fit 64 bits.
constexpr double guard = 32768.0;

struct snapped {
    std::int64_t x, y;
};

snapped snap(const vertex& v)
{
    return {std::llround(v.x * sub), std::llround(v.y * sub)};
}

std::int64_t floor_div(std::int64_t a, std::int64_t b)  // b > 0
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t ceil_div(std::int64_t a, std::int64_t b)  // b > 0
{
    return -floor_div(-a, b);
}

bool finite(const vertex& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y);
}

bool in_guard(const vertex& v)
{
    return std::fabs(v.x) <= guard && std::fabs(v.y) <= guard;
}

// The point t of the way from a to b; everything in a vertex is linear on
// the screen, so this is exact for the attributes too.
vertex between(const vertex& a, const vertex& b, double t)
{
    vertex v;
    v.x = a.x + (b.x - a.x) * t;
    v.y = a.y + (b.y - a.y) * t;
    v.rhw = a.rhw + (b.rhw - a.rhw) * t;
    for (int i = 0; i < attributes; ++i) v.q[i] = a.q[i] + (b.q[i] - a.q[i]) * t;
    return v;
}

// Signed distances inside the four sides of the guard band.
double side(const vertex& v, int s)
{
    switch (s) {
    case 0: return v.x + guard;
    case 1: return guard - v.x;
    case 2: return v.y + guard;
    default: return guard - v.y;
    }
}

// The polygon cut to the guard band. The crossing of an edge is always taken
// from its inside end, so two triangles sharing an edge cut it alike.
std::vector<vertex> cut_to_guard(std::vector<vertex> poly)
{
    for (int s = 0; s < 4 && !poly.empty(); ++s) {
        std::vector<vertex> out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const vertex& p = poly[i];
            const vertex& n = poly[(i + 1) % poly.size()];
            const double dp = side(p, s), dn = side(n, s);
            if (dp >= 0) out.push_back(p);
            if ((dp >= 0) != (dn >= 0)) {
                if (dp >= 0) out.push_back(between(p, n, dp / (dp - dn)));
                else out.push_back(between(n, p, dn / (dn - dp)));
            }
        }
        poly = std::move(out);
    }
    // crossings computed from far-off ends may land a rounding error outside
    for (vertex& v : poly) {
        v.x = std::clamp(v.x, -guard, guard);
        v.y = std::clamp(v.y, -guard, guard);
    }
    return poly;
}

// Twice the signed area of a, b, c: above 0 when they run clockwise on the
// screen (y grows downwards).
std::int64_t edge(const snapped& a, const snapped& b, const snapped& p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

// On a clockwise triangle, a top edge runs level to the right and a left
// edge runs upwards.
bool top_left(const snapped& from, const snapped& to)
{
    const std::int64_t dy = to.y - from.y, dx = to.x - from.x;
    return dy < 0 || (dy == 0 && dx > 0);
}

void emit(int x, int y, const double* w, const vertex* const* v, int n, const plot& out)
{
    fragment f;
    f.x = x;
    f.y = y;
    double rhw = 0;
    for (int k = 0; k < n; ++k) rhw += w[k] * v[k]->rhw;
    for (int i = 0; i < attributes; ++i) {
        double q = 0;
        for (int k = 0; k < n; ++k) q += w[k] * v[k]->q[i];
        f.a[i] = q / rhw;
    }
    out(f);
}

// A triangle inside the guard band, culled already.
void fill_snapped(const vertex& va, const vertex& vb, const vertex& vc, const area& clip, const plot& out)
{
    const vertex* v[3] = {&va, &vb, &vc};
    snapped p[3] = {snap(va), snap(vb), snap(vc)};
    std::int64_t area2 = edge(p[0], p[1], p[2]);
    if (area2 == 0) return;
    if (area2 < 0) {
        std::swap(p[1], p[2]);
        std::swap(v[1], v[2]);
        area2 = -area2;
    }
    const std::int64_t min_x = std::min({p[0].x, p[1].x, p[2].x}), max_x = std::max({p[0].x, p[1].x, p[2].x});
    const std::int64_t min_y = std::min({p[0].y, p[1].y, p[2].y}), max_y = std::max({p[0].y, p[1].y, p[2].y});
    const std::int64_t left = std::max<std::int64_t>(ceil_div(min_x, sub), clip.left);
    const std::int64_t right = std::min<std::int64_t>(floor_div(max_x, sub), clip.right - 1);
    const std::int64_t top = std::max<std::int64_t>(ceil_div(min_y, sub), clip.top);
    const std::int64_t bottom = std::min<std::int64_t>(floor_div(max_y, sub), clip.bottom - 1);
    const bool tl[3] = {top_left(p[1], p[2]), top_left(p[2], p[0]), top_left(p[0], p[1])};
    for (std::int64_t y = top; y <= bottom; ++y)
        for (std::int64_t x = left; x <= right; ++x) {
            const snapped c{x * sub, y * sub};
            // e[k] is zero on the edge facing vertex k and area2 at vertex k
            const std::int64_t e[3] = {edge(p[1], p[2], c), edge(p[2], p[0], c), edge(p[0], p[1], c)};
            bool inside = true;
            for (int k = 0; k < 3; ++k) inside = inside && (e[k] > 0 || (e[k] == 0 && tl[k]));
            if (!inside) continue;
            const double w[3] = {static_cast<double>(e[0]) / area2, static_cast<double>(e[1]) / area2,
                                 static_cast<double>(e[2]) / area2};
            emit(static_cast<int>(x), static_cast<int>(y), w, v, 3, out);
        }
}

bool culled(double area2, std::uint32_t cull)
{
    // area2 above 0: clockwise on the screen
    return (cull == device::cull_cw && area2 > 0) || (cull == device::cull_ccw && area2 < 0);
}

}  // namespace

void fill_triangle(const vertex& a, const vertex& b, const vertex& c, std::uint32_t cull, const area& clip,
                   const plot& out)
{
    if (!finite(a) || !finite(b) || !finite(c)) return;
    if (in_guard(a) && in_guard(b) && in_guard(c)) {
        const snapped p[3] = {snap(a), snap(b), snap(c)};
        if (culled(static_cast<double>(edge(p[0], p[1], p[2])), cull)) return;
        fill_snapped(a, b, c, clip, out);
        return;
    }
    const double area2 = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!std::isfinite(area2) || area2 == 0 || culled(area2, cull)) return;
    const std::vector<vertex> poly = cut_to_guard({a, b, c});
    for (std::size_t i = 2; i < poly.size(); ++i) fill_snapped(poly[0], poly[i - 1], poly[i], clip, out);
}

void draw_line(const vertex& a, const vertex& b, const area& clip, const plot& out)
{
    if (!finite(a) || !finite(b)) return;
    vertex s = a, e = b;
    if (!in_guard(s) || !in_guard(e)) {
        // cut to the guard band, each end from the side inside
        double t0 = 0, t1 = 1;
        for (int k = 0; k < 4; ++k) {
            const double d0 = side(a, k), d1 = side(b, k);
            if (d0 < 0 && d1 < 0) return;
            if (d0 < 0) t0 = std::max(t0, d0 / (d0 - d1));
            if (d1 < 0) t1 = std::min(t1, d0 / (d0 - d1));
        }
        if (t0 >= t1) return;
        s = between(a, b, t0);
        e = between(a, b, t1);
        for (vertex* v : {&s, &e}) {
            v->x = std::clamp(v->x, -guard, guard);
            v->y = std::clamp(v->y, -guard, guard);
        }
    }
    const snapped p0 = snap(s), p1 = snap(e);
    if (p0.x == p1.x && p0.y == p1.y) return;
    // Walk the major axis in the direction of travel (mirrored when it runs
    // backwards); m is the major coordinate, n the minor one.
    const bool x_major = std::llabs(p1.x - p0.x) >= std::llabs(p1.y - p0.y);
    const std::int64_t sign = (x_major ? p1.x - p0.x : p1.y - p0.y) >= 0 ? 1 : -1;
    const std::int64_t m0 = sign * (x_major ? p0.x : p0.y), m1 = sign * (x_major ? p1.x : p1.y);
    const std::int64_t n0 = x_major ? p0.y : p0.x, n1 = x_major ? p1.y : p1.x;
    const std::int64_t dm = m1 - m0, dn = n1 - n0;  // dm > 0, |dn| <= dm
    const vertex* v[2] = {&s, &e};
    // only the columns (rows) of the clip area, in the walk's own direction
    const std::int64_t lo = x_major ? clip.left : clip.top, hi = (x_major ? clip.right : clip.bottom) - 1;
    const std::int64_t first = std::max(ceil_div(m0 - half, sub), sign > 0 ? lo : -hi);
    const std::int64_t last = std::min(floor_div(m1 + half, sub), sign > 0 ? hi : -lo);
    for (std::int64_t cm = first; cm <= last; ++cm) {
        const std::int64_t centre = cm * sub;
        // The line's minor coordinate at this centre, times dm; the pixel is
        // the nearest one, a line exactly between two taking the greater
        // (the line counts as moved a hair that way, which decides every tie).
        const std::int64_t at = n0 * dm + (centre - m0) * dn;
        const std::int64_t cn = floor_div(at + half * dm, sub * dm);
        const std::int64_t off = at - cn * sub * dm;  // offset from the pixel centre, times dm
        // The line leaves the pixel's diamond at centre + min(r1, r2), with
        // r1 = (half dm - off) / (dm + dn) and r2 = (half dm + off) / (dm - dn)
        // (a zero denominator: never); the pixel is drawn when the line
        // starts before that and ends at or after it.
        const std::int64_t r1n = half * dm - off, r1d = dm + dn, r2n = half * dm + off, r2d = dm - dn;
        const std::int64_t before = m0 - centre, after = m1 - centre;
        // with the hair: r1's numerator is a hair less, r2's a hair more
        const bool starts_before = (r1d == 0 || before * r1d < r1n) && (r2d == 0 || before * r2d <= r2n);
        const bool ends_after = (r1d != 0 && r1n <= after * r1d) || (r2d != 0 && r2n < after * r2d);
        if (!starts_before || !ends_after) continue;
        const std::int64_t x = x_major ? sign * cm : cn, y = x_major ? cn : sign * cm;
        if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
        const double t = std::clamp(static_cast<double>(centre - m0) / static_cast<double>(dm), 0.0, 1.0);
        const double w[2] = {1 - t, t};
        emit(static_cast<int>(x), static_cast<int>(y), w, v, 2, out);
    }
}

void draw_point(const vertex& a, const area& clip, const plot& out)
{
    if (!finite(a) || !in_guard(a)) return;
    const snapped p = snap(a);
    const std::int64_t x = ceil_div(p.x - half, sub), y = ceil_div(p.y - half, sub);
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
    const vertex* v[1] = {&a};
    const double w[1] = {1};
    emit(static_cast<int>(x), static_cast<int>(y), w, v, 1, out);
}

}  // namespace platform::headless::ref
