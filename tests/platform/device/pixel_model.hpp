// An independent per-pixel model of the reference device's stage and blend
// arithmetic, written from the rules alone: 8-bit channels, the products
// rounded as (x + 127) / 255, sums and differences held to 0..255, blends by
// an alpha as weights of 255. Operation, argument and factor numbers are the
// device's own; nothing here is taken from the device's sources.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace pixel_model {

// alpha, red, green, blue
using argb = std::array<int, 4>;

inline argb unpack(std::uint32_t v)
{
    return {static_cast<int>(v >> 24 & 255), static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255),
            static_cast<int>(v & 255)};
}

inline std::uint32_t pack(const argb& c)
{
    return static_cast<std::uint32_t>(c[0]) << 24 | static_cast<std::uint32_t>(c[1]) << 16 |
           static_cast<std::uint32_t>(c[2]) << 8 | static_cast<std::uint32_t>(c[3]);
}

inline int scaled(long long numerator)  // numerator / 255, rounded as the rules say, within 0..255
{
    if (numerator <= 0) return 0;
    return static_cast<int>(std::min<long long>(255, (numerator + 127) / 255));
}

struct sources {
    argb diffuse, specular, tfactor, texture, current;
};

// Argument numbers: 0 diffuse, 1 current, 2 texture, 3 texture factor,
// 4 specular; 0x10 takes 255 minus the value.
inline int arg(int a, int ch, const sources& s)
{
    const argb* c = nullptr;
    switch (a & 0xF) {
    case 0: c = &s.diffuse; break;
    case 1: c = &s.current; break;
    case 2: c = &s.texture; break;
    case 3: c = &s.tfactor; break;
    case 4: c = &s.specular; break;
    }
    const int v = (*c)[ch];
    return a & 0x10 ? 255 - v : v;
}

// Operation numbers: 2 select 1, 3 select 2, 4 modulate, 5 modulate x2,
// 6 modulate x4, 7 add, 10 subtract, 12 blend by diffuse alpha, 16 blend by
// current alpha.
inline int op(int o, int a, int b, const sources& s)
{
    switch (o) {
    case 2: return a;
    case 3: return b;
    case 4: return scaled(1LL * a * b);
    case 5: return scaled(2LL * a * b);
    case 6: return scaled(4LL * a * b);
    case 7: return std::min(255, a + b);
    case 10: return std::max(0, a - b);
    case 12: return scaled(1LL * a * s.diffuse[0] + 1LL * b * (255 - s.diffuse[0]));
    case 16: return scaled(1LL * a * s.current[0] + 1LL * b * (255 - s.current[0]));
    }
    return -1;
}

struct stage {
    int colour_op, colour1, colour2, alpha_op, alpha1, alpha2;
};

// The cascade: CURRENT is the diffuse colour at the first stage, then each
// stage's result; operation 1 on colour ends it, on alpha keeps the alpha.
template <std::size_t N>
argb stages(const std::array<stage, N>& list, sources s, const std::array<argb, N>& textures)
{
    s.current = s.diffuse;
    for (std::size_t i = 0; i < N; ++i) {
        const stage& st = list[i];
        if (st.colour_op == 1) break;
        s.texture = textures[i];
        argb out = s.current;
        for (int ch = 1; ch < 4; ++ch) out[ch] = op(st.colour_op, arg(st.colour1, ch, s), arg(st.colour2, ch, s), s);
        if (st.alpha_op != 1) out[0] = op(st.alpha_op, arg(st.alpha1, 0, s), arg(st.alpha2, 0, s), s);
        s.current = out;
    }
    return s.current;
}

// Factor numbers: 1 zero, 2 one, 3 source colour, 5 source alpha, 6 one
// minus source alpha, 10 one minus destination colour.
inline int factor(int f, int ch, const argb& src, const argb& dst)
{
    switch (f) {
    case 1: return 0;
    case 2: return 255;
    case 3: return src[ch];
    case 5: return src[0];
    case 6: return 255 - src[0];
    case 10: return 255 - dst[ch];
    }
    return -1;
}

// Blend op 1 adds the weighted source and destination, 3 takes the weighted
// source from the weighted destination.
inline argb blend(int src_factor, int dst_factor, int blend_op, const argb& src, const argb& dst)
{
    argb out{};
    for (int ch = 0; ch < 4; ++ch) {
        const long long s = 1LL * src[ch] * factor(src_factor, ch, src, dst);
        const long long d = 1LL * dst[ch] * factor(dst_factor, ch, src, dst);
        out[ch] = scaled(blend_op == 3 ? d - s : s + d);
    }
    return out;
}

}  // namespace pixel_model
