// An independent per-pixel model of the pixel rectangle conversion, written
// from the rules alone: it shares no code with the library, reads channel
// widths from the masks itself and handles every case one pixel at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/graphics/pixfmt.hpp"

namespace graphics_test {

struct convert_call {
    const PIXFMT* dst_format;
    int dst_pitch;
    const PIXFMT* src_format;
    int src_pitch;
    const std::vector<unsigned char>* src;
    const PIXFMT* alpha_format;  // null: no alpha image
    int alpha_pitch;
    const std::vector<unsigned char>* alpha;
    int dst_x, dst_y, left, top, right, bottom;
    int mirror, transparent_to_alpha;
    std::uint32_t transparent;
    int dither, colorless, blend_image, skip, remap;
};

namespace ref {

struct field {
    int shift = 0, width = 0;
};

inline field of_mask(std::uint32_t mask)
{
    field f;
    if (mask == 0) return f;
    while (!(mask & (1u << f.shift))) ++f.shift;
    while (f.shift + f.width < 32 && (mask & (1u << (f.shift + f.width)))) ++f.width;
    return f;
}

inline std::uint64_t ones(int n) { return n == 0 ? 0 : (~0ull >> (64 - n)); }

inline std::uint64_t part(std::uint32_t pixel, std::uint32_t mask) { return (pixel & mask) >> of_mask(mask).shift; }

// the widening rule as written: drop low bits, or shift up and add the
// value's share of the new low bits
inline std::uint64_t resize(std::uint64_t v, int from, int to)
{
    if (from == 0) return 0;
    if (from >= to) return v >> (from - to);
    const int k = to - from;
    return v * (1ull << k) + v * ones(k) / ones(from);
}

inline bool paletted(const PIXFMT& f)
{
    return f.color_bits == 8 && (f.red_mask > 0xFF || f.green_mask > 0xFF || f.blue_mask > 0xFF);
}

inline std::uint32_t bytes_at(const unsigned char* p, int n)
{
    std::uint32_t v = 0;
    while (n-- > 0) v = v << 8 | p[n];
    return v;
}

inline std::uint32_t color_value(const PIXFMT& f, const unsigned char* p)
{
    if (paletted(f)) {
        const COLORENTRY e = f.palette[*p];
        return (e.red << 16) + (e.green << 8) + e.blue;
    }
    return bytes_at(p, f.color_bits / 8);
}

inline unsigned nearest(const PIXFMT& f, long r, long g, long b)
{
    unsigned best = 0;
    long best_d = -1;
    for (unsigned i = 0; i < 256; ++i) {
        const long d = (f.palette[i].red - r) * (f.palette[i].red - r) +
                       (f.palette[i].green - g) * (f.palette[i].green - g) +
                       (f.palette[i].blue - b) * (f.palette[i].blue - b);
        if (best_d < 0 || d < best_d) best_d = d, best = i;
    }
    return best;
}

// PackColor's rule for a non-paletted format, 8-bit channels.
inline std::uint32_t pack(const PIXFMT& f, unsigned r, unsigned g, unsigned b, unsigned a)
{
    auto one = [](unsigned v, std::uint32_t mask) -> std::uint32_t {
        const field x = of_mask(mask);
        if (x.width == 0) return 0;
        const std::uint64_t n = x.width <= 8 ? v >> (8 - x.width) : v * ones(x.width) / 255;
        return static_cast<std::uint32_t>(n << x.shift);
    };
    std::uint32_t p = one(r, f.red_mask) | one(g, f.green_mask) | one(b, f.blue_mask) | f.unused_mask;
    if (f.alpha_mask != 0) p |= one(a, f.alpha_mask);
    return p;
}

}  // namespace ref

// The conversion into dst; returns what the routine returns.
inline int reference_convert(const convert_call& c, std::vector<unsigned char>& dst)
{
    using namespace ref;
    const PIXFMT& S = *c.src_format;
    const PIXFMT& D = *c.dst_format;
    const int w = c.right - c.left, h = c.bottom - c.top;
    if (w <= 0 || h <= 0) return -1;
    const int sb = S.color_bits / 8, db = D.color_bits / 8;
    auto src_px = [&](int i, int j) { return c.src->data() + (c.top + j) * c.src_pitch + (c.left + i) * sb; };
    auto dst_px = [&](int i, int j, bool mirrored) {
        const int x = mirrored ? c.dst_x + w - 1 - i : c.dst_x + i;
        return dst.data() + (c.dst_y + j) * c.dst_pitch + x * db;
    };
    auto put = [&](unsigned char* p, int n, std::uint32_t v) {
        for (int k = 0; k < n; ++k) p[k] = static_cast<unsigned char>(v >> (8 * k));
    };

    const bool d_alpha = D.alpha_mask != 0, s_alpha = S.alpha_mask != 0, image = c.alpha_format != nullptr;
    const bool from_image = d_alpha && image && !s_alpha;
    const bool keep_alpha = d_alpha && (image || s_alpha);
    const bool tta = c.transparent_to_alpha && !keep_alpha && d_alpha && !c.blend_image;
    const bool skip = c.skip && !c.mirror;
    std::uint32_t skip_value = c.transparent;
    if (!tta) skip_value &= S.color_bits == 8 ? 0xFF : S.color_bits == 16 ? 0xFFFF : 0xFFFFFF;

    // 1
    if (c.remap && sb == 1 && db == 1 && std::memcmp(S.palette, D.palette, sizeof S.palette) != 0) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const COLORENTRY e = S.palette[*src_px(i, j)];
                *dst_px(i, j, false) = static_cast<unsigned char>(
                    paletted(D) ? nearest(D, e.red, e.green, e.blue) : pack(D, e.red, e.green, e.blue, 0));
            }
        return 0;
    }
    // 2
    if (paletted(D)) {
        if (sb > 1) {
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    const std::uint32_t p = bytes_at(src_px(i, j), sb);
                    *dst_px(i, j, false) = static_cast<unsigned char>(
                        nearest(D, static_cast<long>(part(p, S.red_mask)), static_cast<long>(part(p, S.green_mask)),
                                static_cast<long>(part(p, S.blue_mask))));
                }
            return 0;
        }
        if (!c.colorless && !skip) {
            int top = 0;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    *dst_px(i, j, false) = *src_px(i, j);
                    if (*src_px(i, j) > top) top = *src_px(i, j);
                }
            return top;
        }
    }
    const bool same_rgb = S.color_bits == D.color_bits && S.red_mask == D.red_mask && S.green_mask == D.green_mask &&
                          S.blue_mask == D.blue_mask;
    // 3
    if (!tta && !from_image && !c.colorless && !c.blend_image && same_rgb && S.alpha_mask == D.alpha_mask) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const std::uint32_t p = bytes_at(src_px(i, j), sb);
                if (skip && p == skip_value) continue;
                put(dst_px(i, j, c.mirror), db, p);
            }
        return 0;
    }
    // 4
    if (tta && !c.colorless && same_rgb) {
        const std::uint32_t key =
            pack(D, c.transparent >> 16 & 255, c.transparent >> 8 & 255, c.transparent & 255, 255);
        const std::uint32_t rest = static_cast<std::uint32_t>(ones(S.color_bits)) & ~(S.red_mask | S.green_mask | S.blue_mask);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const std::uint32_t raw = bytes_at(src_px(i, j), sb);
                if (skip && raw == skip_value) continue;
                const std::uint32_t p = raw | rest;
                put(dst_px(i, j, c.mirror), db, p == key ? p & ~D.alpha_mask : p | D.alpha_mask);
            }
        return 0;
    }
    // 6 (the specialised loops of 5 give the same)
    static const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    const std::uint32_t sm[4] = {S.red_mask, S.green_mask, S.blue_mask, S.alpha_mask};
    const std::uint32_t dm[4] = {D.red_mask, D.green_mask, D.blue_mask, D.alpha_mask};
    const std::uint32_t image_red = image ? c.alpha_format->red_mask : 0;
    std::uint64_t carried[4] = {};
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const std::uint32_t p = color_value(S, src_px(i, j));
            if (skip && bytes_at(src_px(i, j), sb) == skip_value) continue;
            std::uint64_t v[4], raw[4];
            int from[4];
            for (int k = 0; k < 4; ++k) {
                raw[k] = part(p, sm[k]);
                from[k] = of_mask(sm[k]).width;
                v[k] = resize(raw[k], from[k], of_mask(dm[k]).width);
            }
            if (c.colorless)
                for (int k = 0; k < 3; ++k) v[k] = 0, from[k] = 0;
            if (from_image) {
                const unsigned char* a =
                    c.alpha->data() + (c.top + j) * c.alpha_pitch + (c.left + i) * (c.alpha_format->color_bits / 8);
                raw[3] = part(color_value(*c.alpha_format, a), image_red);
                from[3] = of_mask(image_red).width;
                v[3] = resize(raw[3], from[3], of_mask(dm[3]).width);
            } else if (tta) {
                const bool clear = part(p, S.red_mask) == part(pack(S, c.transparent >> 16 & 255, 0, 0, 0), S.red_mask) &&
                                   part(p, S.green_mask) == part(pack(S, 0, c.transparent >> 8 & 255, 0, 0), S.green_mask) &&
                                   part(p, S.blue_mask) == part(pack(S, 0, 0, c.transparent & 255, 0), S.blue_mask);
                v[3] = clear ? 0 : ones(of_mask(dm[3]).width);
                from[3] = 0;
            } else if (!s_alpha) {
                v[3] = ones(of_mask(dm[3]).width);
                from[3] = 0;
            }
            if (c.blend_image) v[3] = part(p, S.red_mask), from[3] = 0;
            const int x = c.mirror ? c.dst_x + w - 1 - i : c.dst_x + i, y = c.dst_y + j;
            std::uint32_t out = 0;
            for (int k = 0; k < 4; ++k) {
                const field d = of_mask(dm[k]);
                const int lost = from[k] - d.width;
                if (c.dither && lost > 0) {
                    const std::uint64_t low = raw[k] % (1ull << lost);
                    if (c.dither == 1 && low > (bayer[(x & 3) + 4 * (y & 3)] * (1ull << lost)) / 16) v[k] += 1;
                    if (c.dither == 2) {
                        carried[k] += low;
                        if (carried[k] >= (1ull << lost)) carried[k] -= 1ull << lost, v[k] += 1;
                    }
                }
                if (v[k] > ones(d.width)) v[k] = ones(d.width);
                out |= static_cast<std::uint32_t>(v[k] << d.shift);
            }
            if (db == 2 || db == 4) out |= D.unused_mask;
            put(dst_px(i, j, c.mirror), db, out);
        }
    return 0;
}

}  // namespace graphics_test
