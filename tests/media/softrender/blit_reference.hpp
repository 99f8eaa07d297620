// An independent model of the two blits built on the per-pixel model: the
// clipping, the skips, the run codes, the pairs and the scaled mapping
// computed directly from the rules, one destination pixel at a time.
#pragma once

#include "draw_fixture.hpp"
#include "reference_blend.hpp"

#include <algorithm>

namespace softrender_test {

struct blit_call {
    int mode, p;
    std::uint32_t bright;
    bool mmx;
    bool transparency;
};

// The colour, alpha and skip of source pixel (x, y) under the flag.
inline std::uint32_t source_colour(const image& src, int x, int y, int* a, bool* keyed)
{
    const MEMIMG_BASE& b = *src.m.base;
    const int bits = b.format_index == 1 ? 32 : 16;
    const unsigned char* px = src.at(x, y);
    *a = 255;
    *keyed = false;
    if (b.paletted) {
        *keyed = *px == b.transparent;
        const auto* pal = static_cast<const unsigned char*>(b.palette);
        std::uint32_t v = 0;
        std::memcpy(&v, pal + *px * (bits / 8), static_cast<std::size_t>(bits / 8));
        return v;
    }
    std::uint32_t v = 0;
    std::memcpy(&v, px, static_cast<std::size_t>(bits == 32 ? 4 : 2));
    if (b.alpha) *a = bits == 32 ? static_cast<int>(v >> 24) : px[2];
    return v;
}

// One pixel by the model; false when it is not written.
inline bool model_pixel(const blit_call& c, const MEMIMG_BASE& b, bool plain, bool run_path, bool run_opaque, std::uint32_t s, int a,
                        int w, bool keyed, bool has_blend, std::uint32_t* d)
{
    const int bits = b.format_index == 1 ? 32 : 16;
    blend_case bc{};
    bc.mode = c.mode;
    bc.bits = bits;
    bc.blend_image = has_blend;
    bc.alpha = b.alpha != 0;
    bc.plain = plain;
    bc.mmx = c.mmx;
    bc.p = c.p;
    bc.bright = c.bright;
    bc.s = s;
    bc.a = run_opaque ? 255 : a;
    bc.w = w;
    bc.d = *d;
    bc.transparent = bits == 16 ? b.transparent & 0xFFFF : b.transparent;
    if (b.paletted) {
        if (c.transparency && keyed) return false;
        bc.transparency = false;
    } else if (run_path) {
        bc.transparency = b.alpha != 0;  // drawn runs are not compared with the colour
    } else {
        bc.transparency = c.transparency;
    }
    return reference_blend(bc, d);
}

// The same-size blit by the model, into a copy of dst's pixels at (x, y)
// with the draw area; runs: the run codes drive the pixels.
inline void model_same(const blit_call& c, const image& dst, const image& src, int x, int y, const image* blend,
                       const RECT& area, bool runs, std::vector<std::uint32_t>* out)
{
    const MEMIMG_BASE& b = *src.m.base;
    const int bits = b.format_index == 1 ? 32 : 16;
    const int W = dst.m.width;
    for (int row = 0; row < dst.m.height; ++row)
        for (int col = 0; col < W; ++col) (*out)[row * W + col] = dst.get(col, row);
    const std::uint8_t* weights = media::soft::blend_tables.weight;
    // run kinds by pixel, from the codes
    std::vector<int> kinds;
    if (runs) {
        const unsigned char* code = b.runs;
        for (int row = 0; row < src.m.height; ++row) {
            int col = 0;
            for (unsigned k; ((k = *code++) & 0xC0) != 0xC0;)
                for (int n = 0; n <= static_cast<int>(k & 63); ++n, ++col) kinds.push_back(static_cast<int>(k >> 6));
            EXPECT_EQ(col, src.m.width);
        }
    }
    const bool paired = bits == 16 && !runs && (c.mode == 2 || c.mode == 3) && c.p == 255 && !b.alpha && !blend &&
                        (c.bright & 0xFFFFFF) == 0xFFFFFF;
    for (int row = std::max(y, area.top); row < std::min<long>(static_cast<long>(y) + src.m.height, area.bottom); ++row) {
        const int first = std::max(x, area.left);
        const int last = static_cast<int>(std::min<long>(static_cast<long>(x) + src.m.width, area.right));
        for (int col = first; col < last; ++col) {
            const int sx = col - x, sy = row - y;
            int a;
            bool keyed;
            const std::uint32_t s = source_colour(src, sx, sy, &a, &keyed);
            std::uint32_t& d = (*out)[row * W + col];
            const int w = blend ? weights[blend->at(sx, sy)[0]] : 0;
            if (paired && (col - first) % 2 == 0 && col + 1 < last) {
                int a1;
                bool keyed1;
                const std::uint32_t s1 = source_colour(src, sx + 1, sy, &a1, &keyed1);
                const bool out0 = c.transparency && (b.paletted ? keyed : s == (b.transparent & 0xFFFF));
                const bool out1 = c.transparency && (b.paletted ? keyed1 : s1 == (b.transparent & 0xFFFF));
                if (!out0 && !out1) {
                    std::uint32_t& d1 = (*out)[row * W + col + 1];
                    const std::uint32_t r = reference_pair(c.mode == 2, d | d1 << 16, s | s1 << 16);
                    d = r & 0xFFFF;
                    d1 = r >> 16;
                    ++col;
                    continue;
                }
            }
            if (runs) {
                const int k = kinds[static_cast<std::size_t>(sy * src.m.width + sx)];
                if (k == 0) continue;
                model_pixel(c, b, false, true, b.alpha && k == 1, s, a, w, keyed, blend != nullptr, &d);
            } else {
                model_pixel(c, b, true, false, false, s, a, w, keyed, blend != nullptr, &d);
            }
        }
    }
}

inline std::vector<std::uint32_t> pixels_of(const image& img)
{
    std::vector<std::uint32_t> out;
    for (int row = 0; row < img.m.height; ++row)
        for (int col = 0; col < img.m.width; ++col) out.push_back(img.get(col, row));
    return out;
}

}  // namespace softrender_test

namespace softrender_test {

// The scaled blit by the model: each destination pixel of the clipped
// rectangle takes source column floor(j x 65536 / step) (mirrored: width - 1
// minus that), whatever the clipping.
inline void model_scaled(const blit_call& c, const image& dst, const image& src, RECT r, const image* blend,
                         const RECT& area, std::vector<std::uint32_t>* out)
{
    const MEMIMG_BASE& b = *src.m.base;
    const int bits = b.format_index == 1 ? 32 : 16;
    const int W = dst.m.width;
    for (int row = 0; row < dst.m.height; ++row)
        for (int col = 0; col < W; ++col) (*out)[row * W + col] = dst.get(col, row);
    const bool mx = r.left > r.right, my = r.top > r.bottom;
    if (mx) std::swap(r.left, r.right);
    if (my) std::swap(r.top, r.bottom);
    const long long width = r.right - r.left, height = r.bottom - r.top;
    const long long xs = width * 65536 / src.m.width, ys = height * 65536 / src.m.height;
    const bool bright_on = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    const std::uint8_t* weights = media::soft::blend_tables.weight;
    for (int row = std::max(r.top, area.top); row < std::min(r.bottom, area.bottom); ++row)
        for (int col = std::max(r.left, area.left); col < std::min(r.right, area.right); ++col) {
            int sx = static_cast<int>((col - r.left) * 65536LL / xs), sy = static_cast<int>((row - r.top) * 65536LL / ys);
            if (mx) sx = src.m.width - 1 - sx;
            if (my) sy = src.m.height - 1 - sy;
            int a;
            bool keyed;
            const std::uint32_t s = source_colour(src, sx, sy, &a, &keyed);
            std::uint32_t& d = (*out)[row * W + col];
            const int w = blend ? weights[blend->at(sx, sy)[0]] : 0;
            const int mode = c.mode == 1 && c.p == 255 ? 0 : c.mode;
            if (mode == 0 && b.alpha && !blend && !bright_on && !c.transparency) {
                // the alpha is applied: d + floor(a (s - d) / 256) per channel
                std::uint32_t v = bits == 32 ? d & 0xFF000000u : 0;
                for (int i = 0; i < 3; ++i) {
                    int cw;
                    const int sv = refb::chan(s, bits, i, &cw), dv = refb::chan(d, bits, i, &cw);
                    v |= refb::place(static_cast<int>(refb::floor_shift(dv * 256LL + (sv - dv) * a, 8)), bits, i);
                }
                d = v;
                continue;
            }
            const bool full = mode == 3 && c.p == 255 && !b.alpha && !blend && !bright_on;
            model_pixel(c, b, full, false, false, s, a, w, keyed, blend != nullptr, &d);
        }
}

}  // namespace softrender_test
