// The per-pixel arithmetic of the blend modes, each rule written once for one
// pixel; the blit, box and line loops instantiate them over their
// compile-time axes. Also the table builders.
#pragma once

#include <cstdint>

#include "media/softrender/internal.hpp"

// Fills the signed-difference, product and interpolation tables; 0.
int BuildMemImgBlendTables();
// Fills the blend-image weight table from the border parameter and the range
// (both 0..255; the setter clamps them).
void BuildBlendImageWeightTable(int border, int range);

namespace media::soft {

// What one call of a loop reads from the drawing state.
struct blend_setup {
    int param;                  // blend parameter 0..255
    std::uint32_t bright;       // draw bright word: blue bits 0-7, green 8-15, red 16-23
    std::uint32_t transparent;  // the source's transparent colour (whole pixel value)
    bool mmx;                   // the MMX variants of the full-strength add and subtract
    const MEMIMG_BLENDTABLES* tables;
};

// The setup of the current drawing state: its blend parameter and draw
// bright, the MMX seam and the tables, with the source's transparent colour.
blend_setup current_blend_setup(std::uint32_t transparent);

// Channel layout of a destination pixel: blue, green, red.
template <int Bits>
struct channels;
template <>
struct channels<32> {
    static constexpr int shift[3] = {0, 8, 16};
    static constexpr int width[3] = {8, 8, 8};
};
template <>
struct channels<16> {
    static constexpr int shift[3] = {0, 5, 11};
    static constexpr int width[3] = {5, 6, 5};
};

// ---- word operations (saturating add and subtract on whole pixels) ----

inline std::uint32_t add_word32(std::uint32_t d, std::uint32_t q)
{
    const std::uint32_t x = (d & 0xFEFEFF) + (q & 0xFEFEFF);
    const std::uint32_t c = x & 0x1010100;
    return (c - (c >> 8)) | ((d | q) & 0x10100) | x;
}

inline std::uint32_t subtract_word32(std::uint32_t d, std::uint32_t q, std::uint32_t q_mask = 0xFEFEFEFF)
{
    const std::uint32_t x = (d | 0x1010100) - (q & q_mask);
    const std::uint32_t c = x & 0x1010100;
    return x & (c - (c >> 8));
}

inline std::uint32_t add_word16(std::uint32_t d, std::uint32_t q)
{
    const std::uint32_t x = (d & 0xF7DF) + (q & 0xF7DF);
    const std::uint32_t c = x & 0x10820;
    return ((c - (c >> 5)) | ((d | q) & 0x820) | x) & 0xFFFF;
}

inline std::uint32_t subtract_word16(std::uint32_t d, std::uint32_t q)
{
    const std::uint32_t x = (d | 0x10820) - (q & 0xF7DF);
    const std::uint32_t c = x & 0x10820;
    return x & (c - (c >> 5)) & 0xFFFF;
}

// Full strength, 32-bit, without MMX: the source itself as the addend.
inline std::uint32_t add_full32(std::uint32_t d, std::uint32_t s)
{
    const std::uint32_t x = (d & 0xFEFEFF) + (s & 0xFEFEFF);
    const std::uint32_t c = x & 0x1010100;
    return (c - (c >> 8)) | x;
}
inline std::uint32_t subtract_full32(std::uint32_t d, std::uint32_t s) { return subtract_word32(d, s, 0xFEFEFF); }

// Full strength, 32-bit, MMX: unsigned saturation of each of the four bytes.
inline std::uint32_t add_bytes(std::uint32_t d, std::uint32_t s)
{
    std::uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const std::uint32_t v = (d >> i & 0xFF) + (s >> i & 0xFF);
        out |= (v > 0xFF ? 0xFF : v) << i;
    }
    return out;
}
inline std::uint32_t subtract_bytes(std::uint32_t d, std::uint32_t s)
{
    std::uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const std::uint32_t a = d >> i & 0xFF, b = s >> i & 0xFF;
        out |= (a > b ? a - b : 0) << i;
    }
    return out;
}

// Full strength, 16-bit: a single pixel, and two pixels in one word (the
// left pixel in the low half; a carry or borrow crosses into the right one).
inline std::uint32_t add_full16(std::uint32_t d, std::uint32_t s)
{
    const std::uint32_t x = (s & 0xF7DF) + (d & 0xF7DF);
    const std::uint32_t c = x & 0x10820;
    return ((c - (c >> 5)) | x) & 0xFFFF;
}
inline std::uint32_t subtract_full16(std::uint32_t d, std::uint32_t s) { return subtract_word16(d, s); }

inline std::uint32_t add_pair16(std::uint32_t d, std::uint32_t s)
{
    const std::uint64_t wide = static_cast<std::uint64_t>(s & 0xF7DEF7DF) + (d & 0xF7DEF7DF);
    const auto x = static_cast<std::uint32_t>(wide);
    const auto k = static_cast<std::uint32_t>(wide >> 32);
    const std::uint32_t c = x & 0x08210820;
    return (c - ((c >> 5) | (k << 27))) | x;
}
inline std::uint32_t subtract_pair16(std::uint32_t d, std::uint32_t s)
{
    const std::uint32_t minuend = d | 0x08210820, subtrahend = s & 0xF7DEF7DF;
    const std::uint32_t x = minuend - subtrahend;
    const bool borrow = subtrahend > minuend;
    const std::uint32_t c = x & 0x08210820;
    return x & ((c - (c >> 5)) | (borrow ? 0u : 0xF8000000u));
}

// ---- the rules ----

// ((d << 8m) + (t - d) x factors) >> 8m with a flooring shift.
inline std::int64_t mix(std::int64_t d, std::int64_t t, std::int64_t factors, int m)
{
    return ((d << (8 * m)) + (t - d) * factors) >> (8 * m);
}

// Applies blend mode Mode to one pixel: s the source pixel (32-bit: the whole
// word with its fourth byte; 16-bit: the 5:6:5 word), a its alpha (alpha
// sources), w the blend weight (with a blend image), d the destination.
// False when the pixel is skipped or the mode draws nothing, d then
// untouched. Axes: BlendImage (a blend image is given), Alpha (the source is
// an alpha image), Bright (draw bright is on), Trans (the transparency flag),
// Plain (the plain path of the same-size blit rather than the run-table path).
template <int Mode, int Bits, bool BlendImage, bool Alpha, bool Bright, bool Trans, bool Plain>
inline bool blend_rule(const blend_setup& c, std::uint32_t s, int a, int w, std::uint32_t& d)
{
    static_assert(Bits == 16 || Bits == 32, "16- or 32-bit pixels");
    using layout = channels<Bits>;
    const MEMIMG_BLENDTABLES& t = *c.tables;
    const int p = c.param;

    if constexpr (Trans) {
        if constexpr (Alpha) {
            if (a == 0) return false;
        } else {
            if (s == c.transparent) return false;
        }
    }
    // the factor list: w, then a (left out for an opaque pixel drawn with
    // the transparency flag)
    const bool use_alpha = Alpha && !(Trans && a == 255);
    const int n = (BlendImage ? 1 : 0) + (use_alpha ? 1 : 0);
    const std::int64_t f = static_cast<std::int64_t>(BlendImage ? w : 1) * (use_alpha ? a : 1);

    auto field = [](std::uint32_t pixel, int i) {
        return static_cast<int>(pixel >> layout::shift[i] & ((1u << layout::width[i]) - 1));
    };
    auto bright = [&](int i) { return static_cast<int>(c.bright >> (8 * i) & 0xFF); };
    auto product = [&](int row, int v) { return t.product[row][v]; };
    auto scaled = [&](int i, int v) { return Bright ? product(bright(i), v) : v; };
    auto difference = [&](int row, int x) { return t.difference[row][x + 255]; };
    // per-channel results composed over the destination (the fourth byte of
    // a 32-bit pixel stays)
    auto compose = [&](auto&& channel) {
        std::uint32_t out = Bits == 32 ? d & 0xFF000000u : 0;
        for (int i = 0; i < 3; ++i) {
            const std::int64_t v = channel(i, field(s, i), field(d, i));
            out |= (static_cast<std::uint32_t>(v) & ((1u << layout::width[i]) - 1)) << layout::shift[i];
        }
        d = out;
    };
    const std::uint32_t whole = Bits == 32 ? s : s & 0xFFFF;

    if constexpr (Mode == 0) {
        if constexpr (Alpha && !BlendImage && !Bright && !Trans) {
            d = whole;  // the alpha is not applied
            return true;
        }
        if (n == 0) {
            if constexpr (!Bright)
                d = whole;
            else
                compose([&](int i, int sv, int) { return scaled(i, sv); });
            return true;
        }
        compose([&](int i, int sv, int dv) { return mix(dv, scaled(i, sv), f, n); });
        return true;
    } else if constexpr (Mode == 1) {
        if (p == 255) return blend_rule<0, Bits, BlendImage, Alpha, Bright, Trans, Plain>(c, s, a, w, d);
        if (p == 0) return false;
        if constexpr (Bits == 32) {
            if constexpr (Plain && !BlendImage && !Alpha && !Bright) {
                if (p == 128) {
                    d = ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F);
                    return true;
                }
            }
            compose([&](int i, int sv, int dv) { return mix(dv, scaled(i, sv), f * p, n + 1); });
        } else {
            if (n == 0) {
                if constexpr (Plain && !Bright && !Alpha) {
                    if (p == 128) {
                        d = ((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF);
                        return true;
                    }
                    compose([&](int, int sv, int dv) { return t.interpolate[p / 4][sv][dv]; });
                } else {
                    compose([&](int i, int sv, int dv) { return dv + difference(p, scaled(i, sv) - dv); });
                }
            } else {
                compose([&](int i, int sv, int dv) { return mix(dv, scaled(i, sv), f * p, n + 1); });
            }
        }
        return true;
    } else if constexpr (Mode == 2 || Mode == 3) {
        if (p == 0) return false;
        constexpr bool add = Mode == 2;
        if constexpr (Plain && !BlendImage && !Alpha && !Bright) {
            if (p == 255) {
                if constexpr (Bits == 32) {
                    if (c.mmx)
                        d = add ? add_bytes(d, s) : subtract_bytes(d, s);
                    else
                        d = add ? add_full32(d, s) : subtract_full32(d, s);
                } else {
                    d = add ? add_full16(d, whole) : subtract_full16(d, whole);
                }
                return true;
            }
        }
        std::uint32_t q = 0;
        for (int i = 0; i < 3; ++i) {
            const int s1 = scaled(i, field(s, i));
            std::uint32_t qi;
            if (n == 0) {
                qi = static_cast<std::uint32_t>(product(p, s1));
            } else if constexpr (Bits == 32) {
                // 32-bit arithmetic: the low byte is the exact quotient
                qi = (static_cast<std::uint32_t>(s1) * static_cast<std::uint32_t>(f) * static_cast<std::uint32_t>(p) >>
                      (8 * (n + 1))) & 0xFF;
            } else {
                int x;
                if constexpr (BlendImage) {
                    x = static_cast<int>((s1 * f) >> (8 * n));
                } else {
                    x = static_cast<int>((field(s, i) * f) >> (8 * n));
                    if constexpr (Bright) x = product(bright(i), x);
                }
                qi = static_cast<std::uint32_t>(product(p, x));
            }
            q |= qi << layout::shift[i];
        }
        if constexpr (Bits == 32)
            d = add ? add_word32(d, q) : subtract_word32(d, q);
        else
            d = add ? add_word16(d, q) : subtract_word16(d, q);
        return true;
    } else if constexpr (Mode == 4) {
        compose([&](int i, int sv, int dv) -> std::int64_t {
            const std::int64_t x = static_cast<std::int64_t>(dv) * scaled(i, sv) * f;
            return Bits == 32 ? x >> (8 * (n + 1)) : x >> (layout::width[i] + 8 * n);
        });
        return true;
    } else if constexpr (Mode == 10) {
        compose([&](int i, int sv, int dv) -> std::int64_t {
            const int u = scaled(i, ((1 << layout::width[i]) - 1) - sv);
            if (Bits == 16 && n == 0) return dv + difference(p, u - dv);
            return mix(dv, u, f * p, n + 1);
        });
        return true;
    } else if constexpr (Mode == 11) {
        const bool fine_green = Bits == 16 && use_alpha && !BlendImage && !Bright;
        compose([&](int i, int sv, int dv) -> std::int64_t {
            const int s1 = scaled(i, sv);
            const int m = (dv * s1) >> layout::width[i];
            if (Bits == 16 && n == 0) return dv + difference(p, m - dv);
            if (fine_green && i == 1) {
                // five more fraction bits for green
                const std::int64_t tt = ((dv * sv) >> 1) - 32 * dv;
                return ((static_cast<std::int64_t>(dv) << 21) + tt * a * p) >> 21;
            }
            return mix(dv, m, f * p, n + 1);
        });
        return true;
    } else {
        // modes 5 to 9, 12 and above draw nothing in the software renderer
        return false;
    }
}

// The rule of the scaled blit, which differs from the same-size blit's plain
// path in three places: an alpha source drawn as mode 0 without blend image,
// draw bright or flag has its alpha applied; mode 1 has no halving at 128 and
// mode 2 no full-strength variant (both take the general arithmetic); mode 3
// at 255 without modifiers takes the 32-bit full-strength subtraction one
// pixel at a time (16-bit pixels are never paired).
template <int Mode, int Bits, bool BlendImage, bool Alpha, bool Bright, bool Trans>
inline bool scaled_rule(const blend_setup& c, std::uint32_t s, int a, int w, std::uint32_t& d)
{
    if constexpr (Mode == 1) {
        if (c.param == 255) return scaled_rule<0, Bits, BlendImage, Alpha, Bright, Trans>(c, s, a, w, d);
    }
    if constexpr (Mode == 0 && Alpha && !BlendImage && !Bright && !Trans) {
        using layout = channels<Bits>;
        std::uint32_t out = Bits == 32 ? d & 0xFF000000u : 0;
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t m = (1u << layout::width[i]) - 1;
            const auto sv = static_cast<std::int64_t>(s >> layout::shift[i] & m);
            const auto dv = static_cast<std::int64_t>(d >> layout::shift[i] & m);
            out |= (static_cast<std::uint32_t>(mix(dv, sv, a, 1)) & m) << layout::shift[i];
        }
        d = out;
        return true;
    } else if constexpr (Mode == 3 && Bits == 32 && !BlendImage && !Alpha && !Bright) {
        if (c.param == 255) {
            if constexpr (Trans) {
                if (s == c.transparent) return false;
            }
            d = c.mmx ? subtract_bytes(d, s) : subtract_full32(d, s);
            return true;
        }
        return blend_rule<Mode, Bits, BlendImage, Alpha, Bright, Trans, false>(c, s, a, w, d);
    } else {
        return blend_rule<Mode, Bits, BlendImage, Alpha, Bright, Trans, false>(c, s, a, w, d);
    }
}

// The rule of the triangle spans, which differs from the same-size blit's
// general arithmetic (never its plain-path shortcuts) in two places: an
// alpha source drawn as mode 0 without blend image, draw bright or flag has
// its alpha applied; with the transparency flag, an alpha-0 texel is skipped
// only in the modes that blend toward the source (0 to 3, and 10 in 16-bit
// pixels), and the others draw it with its alpha as a factor.
template <int Mode, int Bits, bool BlendImage, bool Alpha, bool Bright, bool Trans>
inline bool triangle_rule(const blend_setup& c, std::uint32_t s, int a, int w, std::uint32_t& d)
{
    if constexpr (Mode == 0 && Alpha && !BlendImage && !Bright && !Trans) {
        return scaled_rule<0, Bits, false, true, false, false>(c, s, a, w, d);
    } else if constexpr (Alpha && Trans && (Mode == 4 || Mode == 11 || (Mode == 10 && Bits == 32))) {
        if (a == 0) return blend_rule<Mode, Bits, BlendImage, true, Bright, false, false>(c, s, a, w, d);
        return blend_rule<Mode, Bits, BlendImage, true, Bright, true, false>(c, s, a, w, d);
    } else {
        return blend_rule<Mode, Bits, BlendImage, Alpha, Bright, Trans, false>(c, s, a, w, d);
    }
}

// The rule chosen at run time, for the tests and any caller that has no loop
// of its own: mode, size and the axes as above (draw bright on when the low
// 24 bits of the setup's word are not 0xFFFFFF). False when nothing is
// written.
bool blend_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                 bool plain, std::uint32_t s, int a, int w, std::uint32_t* d);

// The triangle rule chosen at run time (the generic span path and the
// tests), with the axes of blend_pixel; false when nothing is written.
bool triangle_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                    std::uint32_t s, int a, int w, std::uint32_t* d);

}  // namespace media::soft
