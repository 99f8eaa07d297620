// An independent model of the constant-colour arithmetic, channel by
// channel with plain divisions; the word operations' carries, borrows and
// low-bit terms are followed one channel at a time. Shares no code with the
// library.
#pragma once

#include <cstdint>

namespace softrender_test {

struct solid_case {
    int mode, bits, p;
    std::uint32_t bright;  // blue bits 0-7, green 8-15, red 16-23
    std::uint32_t d, colour;
};

// The destination after one pixel of the mode (modes without arithmetic and
// the parameter shortcuts are the caller's).
inline std::uint32_t reference_solid(const solid_case& c)
{
    const int shift32[3] = {0, 8, 16}, shift16[3] = {0, 5, 11}, width16[3] = {5, 6, 5};
    int s[3], d[3], top[3];
    const bool bright_on = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    for (int i = 0; i < 3; ++i) {
        const int sh = c.bits == 32 ? shift32[i] : shift16[i];
        top[i] = c.bits == 32 ? 255 : (1 << width16[i]) - 1;
        s[i] = static_cast<int>(c.colour >> sh) & top[i];
        d[i] = static_cast<int>(c.d >> sh) & top[i];
        if (bright_on) s[i] = s[i] * static_cast<int>(c.bright >> (8 * i) & 255) / 256;
    }
    const int p = c.p;
    int out[3];
    std::uint32_t fourth = c.bits == 32 ? c.d & 0xFF000000u : 0;
    switch (c.mode) {
    case 0: {
        std::uint32_t v = c.bits == 32 ? c.colour & 0xFF000000u : 0;
        for (int i = 0; i < 3; ++i) v |= static_cast<std::uint32_t>(s[i]) << (c.bits == 32 ? shift32[i] : shift16[i]);
        return v;
    }
    case 2: {
        int carry = 0;
        for (int i = 0; i < 3; ++i) {
            const int q = s[i] * p / 255;
            if (i == 0) {
                const int t = q + d[i];
                carry = t > top[i];
                out[i] = carry ? top[i] : t;
            } else {
                const int even = top[i] - 1;
                const int t = (q & even) + (d[i] & even) + carry;
                const int low = (q | d[i]) & 1;
                const bool over = t > top[i];
                // 16-bit green keeps its lowest bit out of the saturation mask
                if (c.bits == 16 && i == 1)
                    out[i] = (over ? even : t & even) | carry | low;
                else
                    out[i] = over ? top[i] : t | low;
                carry = over;
            }
        }
        fourth = c.bits == 32 ? static_cast<std::uint32_t>(carry) << 24 : 0;
        break;
    }
    case 3: {
        int borrow = 0;
        for (int i = 0; i < 3; ++i) {
            const int q = s[i] * p / 255;
            const int t = i == 0 ? d[i] - q : (d[i] | 1) - (q & (top[i] - 1)) - borrow;
            borrow = t < 0;
            out[i] = borrow ? 0 : t;
            if (c.bits == 16 && i == 1) out[i] &= ~1;  // the guard bit is not in the mask
        }
        fourth = 0;
        break;
    }
    default:
        for (int i = 0; i < 3; ++i) {
            const int bits = c.bits == 32 ? 8 : width16[i];
            auto alpha = [&](int target) {
                if (c.bits == 32) return (d[i] * 256 + (target - d[i]) * p) >> 8;
                return d[i] + (target - d[i]) * p / 255;  // truncated toward zero
            };
            switch (c.mode) {
            case 1: out[i] = alpha(s[i]); break;
            case 4: out[i] = (d[i] * s[i]) >> bits; break;
            case 10: out[i] = alpha(top[i] - s[i]); break;
            case 11: out[i] = alpha((d[i] * s[i]) >> bits); break;
            default: out[i] = d[i];
            }
        }
    }
    std::uint32_t v = fourth;
    for (int i = 0; i < 3; ++i)
        v |= static_cast<std::uint32_t>(out[i] & top[i]) << (c.bits == 32 ? shift32[i] : shift16[i]);
    return v;
}

}  // namespace softrender_test
