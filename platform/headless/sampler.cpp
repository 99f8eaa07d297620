// The reference device's sampler: texels of every colour and block format
// widened to 8 bits, the address modes, point and bilinear filtering.
#include "platform/headless/pixels.hpp"
#include "platform/headless/reference.hpp"
#include "platform/headless/state.hpp"

#include <algorithm>
#include <cmath>

namespace platform::headless::ref {

namespace {

// A 5:6:5 colour of a block, each channel v x 255 / (2^n - 1) truncated.
colour block_colour(std::uint32_t c)
{
    return colour{255, static_cast<std::uint8_t>((c >> 11 & 31) * 255 / 31),
                  static_cast<std::uint8_t>((c >> 5 & 63) * 255 / 63), static_cast<std::uint8_t>((c & 31) * 255 / 31)};
}

// Texel i (row by row) of a block's colour half: two colours, two mixed
// from them, a 2-bit index per texel with its low bits first.
colour colour_half(const std::uint8_t* b, int i, bool dxt1)
{
    const std::uint32_t c0 = b[0] | b[1] << 8, c1 = b[2] | b[3] << 8;
    const colour k0 = block_colour(c0), k1 = block_colour(c1);
    const int index = b[4 + i / 4] >> (2 * (i % 4)) & 3;
    if (index == 0) return k0;
    if (index == 1) return k1;
    colour out{255, 0, 0, 0};
    for (int ch = 1; ch < 4; ++ch) {
        if (!dxt1 || c0 > c1)
            out[ch] = static_cast<std::uint8_t>(index == 2 ? (2 * k0[ch] + k1[ch]) / 3 : (k0[ch] + 2 * k1[ch]) / 3);
        else
            out[ch] = static_cast<std::uint8_t>((k0[ch] + k1[ch]) / 2);
    }
    if (dxt1 && c0 <= c1 && index == 3) out[alpha] = 0;
    return out;
}

std::uint8_t alpha_half(const std::uint8_t* b, int i, device::format f)
{
    if (f == device::DXT2 || f == device::DXT3) {
        const int a = b[i / 2] >> (4 * (i % 2)) & 15;
        return static_cast<std::uint8_t>(a * 255 / 15);
    }
    // DXT4 and DXT5: two ends and a 3-bit index per texel in 48 bits
    const int a0 = b[0], a1 = b[1];
    std::uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= static_cast<std::uint64_t>(b[2 + k]) << (8 * k);
    const int index = static_cast<int>(bits >> (3 * i) & 7);
    if (index == 0) return static_cast<std::uint8_t>(a0);
    if (index == 1) return static_cast<std::uint8_t>(a1);
    if (a0 > a1) return static_cast<std::uint8_t>(((8 - index) * a0 + (index - 1) * a1) / 7);
    if (index == 6) return 0;
    if (index == 7) return 255;
    return static_cast<std::uint8_t>(((6 - index) * a0 + (index - 1) * a1) / 5);
}

int address(int i, int n, std::uint32_t mode)
{
    switch (mode) {
    case device::address_wrap: return (i % n + n) % n;
    case device::address_mirror: {
        const int m = (i % (2 * n) + 2 * n) % (2 * n);
        return m < n ? m : 2 * n - 1 - m;
    }
    default: return std::clamp(i, 0, n - 1);
    }
}

// A texture coordinate in texels as 16.16 fixed point; not finite reads 0,
// and far values are held where every address mode still works.
std::int64_t fixed_texels(double t, int size)
{
    double x = t * size;
    if (!std::isfinite(x)) x = 0;
    x = std::clamp(x, -16777216.0, 16777216.0);
    return std::llround(x * 65536);
}

}  // namespace

colour texel(const device_surface& s, int x, int y)
{
    if (!device::is_block_format(s.fmt)) return read_pixel(s, x, y);
    const int bytes = s.fmt == device::DXT1 ? 8 : 16;
    const std::uint8_t* b = s.bytes.data() + static_cast<std::size_t>(y / 4) * static_cast<std::size_t>(s.pitch) +
                            static_cast<std::size_t>(x / 4) * bytes;
    const int i = y % 4 * 4 + x % 4;
    if (s.fmt == device::DXT1) return colour_half(b, i, true);
    colour c = colour_half(b + 8, i, false);
    c[alpha] = alpha_half(b, i, s.fmt);
    return c;
}

colour sample(const device_surface& s, const sampler_setup& how, double u, double v)
{
    const std::int64_t fu = fixed_texels(u, s.width), fv = fixed_texels(v, s.height);
    if (!how.linear) {
        const int i = static_cast<int>(fu >> 16), j = static_cast<int>(fv >> 16);
        return texel(s, address(i, s.width, how.address_u), address(j, s.height, how.address_v));
    }
    // texel centres at +0.5: step back half a texel, keep the fraction in 1/256
    const std::int64_t lu = fu - 32768, lv = fv - 32768;
    const int i0 = static_cast<int>(lu >> 16), j0 = static_cast<int>(lv >> 16);
    const int wu = static_cast<int>((lu & 0xFFFF) >> 8), wv = static_cast<int>((lv & 0xFFFF) >> 8);
    const int i[2] = {address(i0, s.width, how.address_u), address(i0 + 1, s.width, how.address_u)};
    const int j[2] = {address(j0, s.height, how.address_v), address(j0 + 1, s.height, how.address_v)};
    const colour t00 = texel(s, i[0], j[0]), t10 = texel(s, i[1], j[0]);
    const colour t01 = texel(s, i[0], j[1]), t11 = texel(s, i[1], j[1]);
    colour out{};
    for (int ch = 0; ch < 4; ++ch) {
        const int sum = t00[ch] * (256 - wu) * (256 - wv) + t10[ch] * wu * (256 - wv) + t01[ch] * (256 - wu) * wv +
                        t11[ch] * wu * wv;
        out[ch] = static_cast<std::uint8_t>((sum + 32768) >> 16);
    }
    return out;
}

}  // namespace platform::headless::ref
