// The reference device's draw: vertices read by their format, XYZ vertices
// taken through world x view x projection, cut to the depth range and put
// on the viewport, primitives assembled, and each covered pixel run through
// the stages, the alpha test and the blend into the render target.
#include "platform/headless/reference.hpp"
#include "platform/headless/state.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform::headless::ref {

namespace {

// A vertex as read: position (x, y, z, and rhw or w) and attributes.
struct input {
    double p[4] = {0, 0, 0, 1};
    double a[attributes] = {};
};

float read_float(const std::uint8_t* p)
{
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

void read_colour(const std::uint8_t* p, double* out)
{
    std::uint32_t c;
    std::memcpy(&c, p, 4);
    for (int ch = 0; ch < 4; ++ch) out[ch] = static_cast<double>(c >> (24 - 8 * ch) & 0xFF);
}

// Without diffuse a vertex is white, without specular black, without
// texture coordinates at (0, 0).
input read_vertex(const std::uint8_t* v, std::uint32_t fvf)
{
    input in;
    const bool rhw = (fvf & device::fvf_xyzrhw) != 0;
    for (int i = 0; i < (rhw ? 4 : 3); ++i) in.p[i] = read_float(v + 4 * i);
    int at = rhw ? 16 : 12;
    if (fvf & device::fvf_normal) at += 12;
    for (int ch = 0; ch < 4; ++ch) in.a[diffuse_at + ch] = 255;
    if (fvf & device::fvf_diffuse) {
        read_colour(v + at, in.a + diffuse_at);
        at += 4;
    }
    if (fvf & device::fvf_specular) {
        read_colour(v + at, in.a + specular_at);
        at += 4;
    }
    const int sets = (fvf & device::fvf_tex2) ? 2 : (fvf & device::fvf_tex1) ? 1 : 0;
    for (int i = 0; i < 2 * sets; ++i) in.a[texcoords_at + i] = read_float(v + at + 4 * i);
    return in;
}

// The row vector p times m.
void times(const double p[4], const device::matrix& m, double out[4])
{
    for (int j = 0; j < 4; ++j) {
        out[j] = 0;
        for (int i = 0; i < 4; ++i) out[j] += p[i] * static_cast<double>(m.m[i][j]);
    }
}

// Clip-space distance inside the near plane (z >= 0), the far plane (z <= w)
// and a plane just in front of the eye (w above 0).
double inside(const input& v, int plane)
{
    switch (plane) {
    case 0: return v.p[2];
    case 1: return v.p[3] - v.p[2];
    default: return v.p[3] - 1e-9;
    }
}

input between(const input& a, const input& b, double t)
{
    input v;
    for (int i = 0; i < 4; ++i) v.p[i] = a.p[i] + (b.p[i] - a.p[i]) * t;
    for (int i = 0; i < attributes; ++i) v.a[i] = a.a[i] + (b.a[i] - a.a[i]) * t;
    return v;
}

// A polygon in clip space cut to the depth range (crossings taken from the
// inside end, as the rasteriser's guard band does).
std::vector<input> cut_depth(std::vector<input> poly)
{
    for (int plane = 0; plane < 3 && !poly.empty(); ++plane) {
        std::vector<input> out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const input& p = poly[i];
            const input& n = poly[(i + 1) % poly.size()];
            const double dp = inside(p, plane), dn = inside(n, plane);
            if (dp >= 0) out.push_back(p);
            if ((dp >= 0) != (dn >= 0)) {
                if (dp >= 0) out.push_back(between(p, n, dp / (dp - dn)));
                else out.push_back(between(n, p, dn / (dn - dp)));
            }
        }
        poly = std::move(out);
    }
    return poly;
}

// A segment in clip space cut to the depth range; empty when none is left.
std::vector<input> cut_depth_segment(const input& a, const input& b)
{
    double t0 = 0, t1 = 1;
    for (int plane = 0; plane < 3; ++plane) {
        const double d0 = inside(a, plane), d1 = inside(b, plane);
        if (!(d0 >= 0) && !(d1 >= 0)) return {};
        if (!(d0 >= 0) || !(d1 >= 0)) {
            const double t = d0 / (d0 - d1);
            if (!std::isfinite(t)) return {};
            if (d0 < 0) t0 = std::max(t0, t);
            else t1 = std::min(t1, t);
        }
    }
    if (!(t0 < t1)) return {};
    return {between(a, b, t0), between(a, b, t1)};
}

struct drawer {
    const device::device_state& st;
    device_surface& target;
    const texture_memory& textures;
    bool transformed;  // XYZ vertices
    area clip;

    // An XYZRHW vertex as it stands; a vertex whose rhw is not a finite
    // number above 0 is drawn with rhw 1.
    vertex screen_of_pretransformed(const input& in) const
    {
        vertex v;
        v.x = in.p[0];
        v.y = in.p[1];
        v.rhw = std::isfinite(in.p[3]) && in.p[3] > 0 ? in.p[3] : 1.0;
        for (int i = 0; i < attributes; ++i) v.q[i] = in.a[i] * v.rhw;
        return v;
    }

    // A clip-space vertex (w above 0) on the viewport.
    vertex screen_of_clip(const input& in) const
    {
        const device::viewport& vp = st.view_port;
        vertex v;
        v.rhw = 1 / in.p[3];
        v.x = vp.x + (1 + in.p[0] * v.rhw) * vp.width / 2;
        v.y = vp.y + (1 - in.p[1] * v.rhw) * vp.height / 2;
        for (int i = 0; i < attributes; ++i) v.q[i] = in.a[i] * v.rhw;
        return v;
    }

    std::vector<vertex> to_screen(const std::vector<input>& poly) const
    {
        std::vector<vertex> out;
        if (!transformed) {
            for (const input& in : poly) out.push_back(screen_of_pretransformed(in));
            return out;
        }
        const std::vector<input> cut = poly.size() == 2 ? cut_depth_segment(poly[0], poly[1]) : cut_depth(poly);
        for (const input& in : cut) out.push_back(screen_of_clip(in));
        return out;
    }

    // Flat shading: every vertex takes the colours of the one that leads.
    void colour_from(std::vector<input>& poly, const input& lead) const
    {
        if (st.render[device::rs_shademode] != device::shade_flat) return;
        for (input& in : poly) std::copy(lead.a, lead.a + texcoords_at, in.a);
    }

    void triangle(input a, input b, input c, const input& lead) const
    {
        std::vector<input> poly{a, b, c};
        colour_from(poly, lead);
        const std::vector<vertex> v = to_screen(poly);
        for (std::size_t i = 2; i < v.size(); ++i)
            fill_triangle(v[0], v[i - 1], v[i], st.render[device::rs_cullmode], clip, pixel());
    }

    void line(input a, input b) const
    {
        std::vector<input> seg{a, b};
        colour_from(seg, a);
        const std::vector<vertex> v = to_screen(seg);
        if (v.size() == 2) draw_line(v[0], v[1], clip, pixel());
    }

    void point(const input& a) const
    {
        const std::vector<vertex> v = to_screen({a});
        if (v.size() == 1) draw_point(v[0], clip, pixel());
    }

    colour texture_of(int stage, const fragment& f) const
    {
        const device_surface* s = textures(st.texture[stage]);
        if (s == nullptr) return colour{255, 255, 255, 255};  // no texture reads opaque white
        const std::uint32_t* sampler = st.sampler[stage];
        sampler_setup how;
        how.address_u = sampler[device::ss_addressu];
        how.address_v = sampler[device::ss_addressv];
        // the graphics layer sets both filters alike; anisotropic and the mip
        // filter sample level 0 linearly
        how.linear = sampler[device::ss_magfilter] >= device::texfilter_linear ||
                     sampler[device::ss_minfilter] >= device::texfilter_linear;
        const std::uint32_t set = st.stage[stage][device::ts_texcoordindex];
        if (set > 1) return sample(*s, how, 0, 0);
        return sample(*s, how, f.a[texcoords_at + 2 * set], f.a[texcoords_at + 2 * set + 1]);
    }

    plot pixel() const
    {
        return [this](const fragment& f) {
            auto byte = [](double v) {
                if (!(v > 0)) return std::uint8_t{0};  // also not a number
                return v >= 255 ? std::uint8_t{255} : static_cast<std::uint8_t>(std::lround(v));
            };
            colour diffuse{}, specular{};
            for (int ch = 0; ch < 4; ++ch) {
                diffuse[static_cast<std::size_t>(ch)] = byte(f.a[diffuse_at + ch]);
                specular[static_cast<std::size_t>(ch)] = byte(f.a[specular_at + ch]);
            }
            const colour c = run_stages(st, diffuse, specular, [&](int s) { return texture_of(s, f); });
            if (!alpha_passes(st, c[alpha])) return;
            write_pixel(target, f.x, f.y, blend(st, c, read_pixel(target, f.x, f.y)));
        };
    }
};

}  // namespace

void draw(const device::draw_call& call, const device::device_state& st, device_surface& target,
          const texture_memory& textures)
{
    // shaders and declarations are not applied: only FVF draws reach pixels
    if (st.fvf == 0) return;
    const bool transformed = (st.fvf & device::fvf_xyz) != 0;
    const device::viewport& vp = st.view_port;
    drawer d{st, target, textures, transformed,
             area{std::max(vp.x, 0), std::max(vp.y, 0), std::min(vp.x + vp.width, target.width),
                  std::min(vp.y + vp.height, target.height)}};

    const auto* bytes = static_cast<const std::uint8_t*>(call.vertices);
    const long long n = device::primitive_vertices(call.type, call.primitive_count);
    std::vector<input> in(static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) {
        const long long index = call.indices ? call.indices[i] : i;
        in[static_cast<std::size_t>(i)] = read_vertex(bytes + index * call.stride, st.fvf);
        if (transformed) {
            double world[4], view[4], clip[4];
            times(in[static_cast<std::size_t>(i)].p, st.world, world);
            times(world, st.view, view);
            times(view, st.projection, clip);
            std::copy(clip, clip + 4, in[static_cast<std::size_t>(i)].p);
        }
    }
    auto v = [&](long long i) -> const input& { return in[static_cast<std::size_t>(i)]; };
    for (long long k = 0; k < call.primitive_count; ++k) {
        switch (call.type) {
        case device::point_list: d.point(v(k)); break;
        case device::line_list: d.line(v(2 * k), v(2 * k + 1)); break;
        case device::line_strip: d.line(v(k), v(k + 1)); break;
        case device::triangle_list: d.triangle(v(3 * k), v(3 * k + 1), v(3 * k + 2), v(3 * k)); break;
        case device::triangle_strip:
            // every second triangle turns round, so all keep one winding
            if (k % 2 == 0) d.triangle(v(k), v(k + 1), v(k + 2), v(k));
            else d.triangle(v(k + 1), v(k), v(k + 2), v(k));
            break;
        case device::triangle_fan: d.triangle(v(0), v(k + 1), v(k + 2), v(k + 1)); break;
        }
    }
}

}  // namespace platform::headless::ref
