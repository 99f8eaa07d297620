// An independent model of the per-pixel blend arithmetic, written from the
// rules with plain divisions instead of the library's tables; it shares no
// code with the library.
#pragma once

#include <cstdint>

namespace softrender_test {

struct blend_case {
    int mode, bits;
    bool blend_image, alpha, transparency, plain, mmx;
    int p;
    std::uint32_t bright;       // 0xRRGGBB in bits 0-23 (blue low)
    std::uint32_t transparent;  // the source's transparent colour
    std::uint32_t s;            // 32-bit pixel, or the 5:6:5 word
    int a, w;                   // source alpha, blend weight
    std::uint32_t d;
};

namespace refb {

inline long long floor_shift(long long v, int bits) { return v >= 0 ? v >> bits : -((-v + (1LL << bits) - 1) >> bits); }

inline int chan(std::uint32_t px, int bits, int i, int* width)
{
    static const int s32[3] = {0, 8, 16}, w32[3] = {8, 8, 8}, s16[3] = {0, 5, 11}, w16[3] = {5, 6, 5};
    const int sh = bits == 32 ? s32[i] : s16[i];
    *width = bits == 32 ? w32[i] : w16[i];
    return static_cast<int>((px >> sh) & ((1u << *width) - 1));
}

inline std::uint32_t place(int v, int bits, int i)
{
    static const int s32[3] = {0, 8, 16}, w32[3] = {8, 8, 8}, s16[3] = {0, 5, 11}, w16[3] = {5, 6, 5};
    const int width = bits == 32 ? w32[i] : w16[i];
    return (static_cast<std::uint32_t>(v) & ((1u << width) - 1)) << (bits == 32 ? s32[i] : s16[i]);
}

}  // namespace refb

// The destination after the rule; false when nothing is written.
inline bool reference_blend(const blend_case& c, std::uint32_t* out)
{
    using namespace refb;
    const bool bright_on = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    if (c.transparency && (c.alpha ? c.a == 0 : c.s == c.transparent)) return false;
    const bool with_a = c.alpha && !(c.transparency && c.a == 255);
    long long factors[2];
    int n = 0;
    if (c.blend_image) factors[n++] = c.w;
    if (with_a) factors[n++] = c.a;
    long long f = 1;
    for (int k = 0; k < n; ++k) f *= factors[k];
    const int p = c.p;
    const std::uint32_t S = c.bits == 32 ? c.s : (c.s & 0xFFFF);
    const std::uint32_t D = c.d;
    auto k_of = [&](int i) { return static_cast<int>(c.bright >> (8 * i) & 255); };
    auto P = [](int k, int v) { return v * k / 255; };
    auto bright_of = [&](int i, int v) { return bright_on ? P(k_of(i), v) : v; };
    auto mixf = [](long long d, long long t, long long prod, int m) { return floor_shift(d * (1LL << (8 * m)) + (t - d) * prod, 8 * m); };
    auto per_channel = [&](auto rule) {
        std::uint32_t r = c.bits == 32 ? (D & 0xFF000000u) : 0;
        for (int i = 0; i < 3; ++i) {
            int width;
            const int s = chan(S, c.bits, i, &width);
            const int d = chan(D, c.bits, i, &width);
            r |= place(static_cast<int>(rule(i, s, d, width)), c.bits, i);
        }
        return r;
    };

    int mode = c.mode;
    if (mode == 1 && p == 255) mode = 0;
    switch (mode) {
    case 0:
        if (c.alpha && !c.blend_image && !bright_on && !c.transparency) {
            *out = S;
            return true;
        }
        if (n == 0 && !bright_on) {
            *out = S;
            return true;
        }
        if (n == 0) {
            *out = per_channel([&](int i, int s, int, int) { return bright_of(i, s); });
            return true;
        }
        *out = per_channel([&](int i, int s, int d, int) { return mixf(d, bright_of(i, s), f, n); });
        return true;
    case 1:
        if (p == 0) return false;
        if (c.bits == 32) {
            if (c.plain && !c.blend_image && !c.alpha && !bright_on && p == 128) {
                *out = ((S >> 1) & 0x7F7F7F) + ((D >> 1) & 0x7F7F7F);
                return true;
            }
            *out = per_channel([&](int i, int s, int d, int) { return mixf(d, bright_of(i, s), f * p, n + 1); });
            return true;
        }
        if (n > 0) {
            *out = per_channel([&](int i, int s, int d, int) { return mixf(d, bright_of(i, s), f * p, n + 1); });
            return true;
        }
        if (c.plain && !bright_on && !c.alpha) {
            if (p == 128) {
                *out = ((S >> 1) & 0x7BEF) + ((D >> 1) & 0x7BEF);
                return true;
            }
            const int level = p / 4;
            *out = per_channel([&](int, int s, int d, int) { return (s * level + d * (63 - level)) / 63; });
            return true;
        }
        *out = per_channel([&](int i, int s, int d, int) { return d + (bright_of(i, s) - d) * p / 255; });
        return true;
    case 2:
    case 3: {
        if (p == 0) return false;
        const bool add = mode == 2;
        if (p == 255 && c.plain && !c.blend_image && !c.alpha && !bright_on) {
            if (c.bits == 32 && c.mmx) {
                std::uint32_t r = 0;
                for (int b = 0; b < 4; ++b) {
                    const int x = static_cast<int>(D >> (8 * b) & 255), y = static_cast<int>(S >> (8 * b) & 255);
                    const int v = add ? (x + y > 255 ? 255 : x + y) : (x > y ? x - y : 0);
                    r |= static_cast<std::uint32_t>(v) << (8 * b);
                }
                *out = r;
            } else if (c.bits == 32) {
                if (add) {
                    const std::uint32_t x = (D & 0xFEFEFF) + (S & 0xFEFEFF), cc = x & 0x1010100;
                    *out = (cc - (cc >> 8)) | x;
                } else {
                    const std::uint32_t x = (D | 0x1010100) - (S & 0xFEFEFF), cc = x & 0x1010100;
                    *out = x & (cc - (cc >> 8));
                }
            } else {
                if (add) {
                    const std::uint32_t x = (S & 0xF7DF) + (D & 0xF7DF), cc = x & 0x10820;
                    *out = ((cc - (cc >> 5)) | x) & 0xFFFF;
                } else {
                    const std::uint32_t x = (D | 0x10820) - (S & 0xF7DF), cc = x & 0x10820;
                    *out = x & (cc - (cc >> 5)) & 0xFFFF;
                }
            }
            return true;
        }
        std::uint32_t Q = 0;
        for (int i = 0; i < 3; ++i) {
            int width;
            const int s = chan(S, c.bits, i, &width);
            const int s1 = bright_of(i, s);
            long long q;
            if (n == 0) {
                q = P(p, s1);
            } else if (c.bits == 32) {
                q = ((static_cast<std::uint64_t>(s1) * f * p) >> (8 * (n + 1))) & 255;
            } else {
                long long x;
                if (c.blend_image) {
                    x = (s1 * f) >> (8 * n);
                } else {
                    x = (s * f) >> (8 * n);
                    if (bright_on) x = P(k_of(i), static_cast<int>(x));
                }
                q = P(p, static_cast<int>(x));
            }
            Q |= place(static_cast<int>(q), c.bits, i);
        }
        std::uint32_t x, cc;
        if (c.bits == 32 && add) {
            x = (D & 0xFEFEFF) + (Q & 0xFEFEFF);
            cc = x & 0x1010100;
            *out = (cc - (cc >> 8)) | ((D | Q) & 0x10100) | x;
        } else if (c.bits == 32) {
            x = (D | 0x1010100) - (Q & 0xFEFEFEFF);
            cc = x & 0x1010100;
            *out = x & (cc - (cc >> 8));
        } else if (add) {
            x = (D & 0xF7DF) + (Q & 0xF7DF);
            cc = x & 0x10820;
            *out = ((cc - (cc >> 5)) | ((D | Q) & 0x820) | x) & 0xFFFF;
        } else {
            x = (D | 0x10820) - (Q & 0xF7DF);
            cc = x & 0x10820;
            *out = x & (cc - (cc >> 5)) & 0xFFFF;
        }
        return true;
    }
    case 4:
        *out = per_channel([&](int i, int s, int d, int width) {
            const long long x = static_cast<long long>(d) * bright_of(i, s) * f;
            return c.bits == 32 ? x >> (8 * (n + 1)) : x >> (width + 8 * n);
        });
        return true;
    case 10:
        *out = per_channel([&](int i, int s, int d, int width) -> long long {
            const int u = bright_of(i, (1 << width) - 1 - s);
            if (c.bits == 16 && n == 0) return d + (u - d) * p / 255;
            return mixf(d, u, f * p, n + 1);
        });
        return true;
    case 11:
        *out = per_channel([&](int i, int s, int d, int width) -> long long {
            const int s1 = bright_of(i, s);
            const int m = (d * s1) >> width;
            if (c.bits == 16 && n == 0) return d + (m - d) * p / 255;
            if (c.bits == 16 && i == 1 && with_a && !c.blend_image && !bright_on) {
                const long long t = ((d * s) >> 1) - 32LL * d;
                return floor_shift((static_cast<long long>(d) << 21) + t * c.a * p, 21);
            }
            return mixf(d, m, f * p, n + 1);
        });
        return true;
    default:
        return false;
    }
}

// Two 16-bit pixels at full strength in one word, left in the low half.
inline std::uint32_t reference_pair(bool add, std::uint32_t d, std::uint32_t s)
{
    if (add) {
        const unsigned long long sum = static_cast<unsigned long long>(s & 0xF7DEF7DF) + (d & 0xF7DEF7DF);
        const std::uint32_t x = static_cast<std::uint32_t>(sum), carry = static_cast<std::uint32_t>(sum >> 32);
        const std::uint32_t cc = x & 0x08210820;
        return (cc - ((cc >> 5) | (carry << 27))) | x;
    }
    const long long diff = static_cast<long long>(d | 0x08210820) - static_cast<long long>(s & 0xF7DEF7DF);
    const std::uint32_t x = static_cast<std::uint32_t>(diff);
    const std::uint32_t cc = x & 0x08210820;
    return x & ((cc - (cc >> 5)) | (diff < 0 ? 0u : 0xF8000000u));
}

}  // namespace softrender_test
