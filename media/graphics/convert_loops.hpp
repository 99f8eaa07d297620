// The specialised conversion loops: one template over a pair of formats known
// at compile time, producing exactly what the general rule produces for that
// pair when no option is set.
#pragma once

#include <cstdint>

#include "media/graphics/pixfmt.hpp"

namespace media::gfx::loops {

// A format by its fields. Paletted reads the palette entry as 0x00RRGGBB.
template <int Bytes, int RS, int RW, int GS, int GW, int BS, int BW, int AS, int AW, std::uint32_t Unused,
          bool Paletted = false>
struct format {
    static constexpr int bytes = Bytes;
    static constexpr int rs = RS, rw = RW, gs = GS, gw = GW, bs = BS, bw = BW, as = AS, aw = AW;
    static constexpr std::uint32_t unused = Unused;
    static constexpr bool paletted = Paletted;
};

using p8 = format<1, 16, 8, 8, 8, 0, 8, 0, 0, 0, true>;
using r5g6b5 = format<2, 11, 5, 5, 6, 0, 5, 0, 0, 0>;
using x1r5g5b5 = format<2, 10, 5, 5, 5, 0, 5, 0, 0, 0x8000>;
using a1r5g5b5 = format<2, 10, 5, 5, 5, 0, 5, 15, 1, 0>;
using a4r4g4b4 = format<2, 8, 4, 4, 4, 0, 4, 12, 4, 0>;
using r8g8b8 = format<3, 16, 8, 8, 8, 0, 8, 0, 0, 0>;
using x8r8g8b8 = format<4, 16, 8, 8, 8, 0, 8, 0, 0, 0xFF000000>;
using a8r8g8b8 = format<4, 16, 8, 8, 8, 0, 8, 24, 8, 0>;

// A field of From bits widened or narrowed to To bits: dropping low bits, or
// repeating the value's top bits below it.
template <int From, int To>
constexpr std::uint32_t adapt(std::uint32_t v)
{
    if constexpr (From == 0) {
        return 0;
    } else if constexpr (From > To) {
        return v >> (From - To);
    } else if constexpr (From == To) {
        return v;
    } else {
        return (v << (To - From)) + v * ((1u << (To - From)) - 1) / ((1u << From) - 1);
    }
}

template <class F>
inline std::uint32_t read(const unsigned char* p, const COLORENTRY* palette)
{
    if constexpr (F::paletted) {
        const COLORENTRY& e = palette[*p];
        return static_cast<std::uint32_t>(e.red) << 16 | e.green << 8 | e.blue;
    } else if constexpr (F::bytes == 2) {
        return static_cast<std::uint32_t>(p[0] | p[1] << 8);
    } else if constexpr (F::bytes == 3) {
        return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
    } else {
        return static_cast<std::uint32_t>(p[0]) | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
}

template <class F>
inline void write(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < F::bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

template <int Shift, int Width>
constexpr std::uint32_t field(std::uint32_t pixel)
{
    return pixel >> Shift & ((1u << Width) - 1);
}

template <class S, class D>
inline std::uint32_t convert(std::uint32_t pixel)
{
    std::uint32_t out = adapt<S::rw, D::rw>(field<S::rs, S::rw>(pixel)) << D::rs |
                        adapt<S::gw, D::gw>(field<S::gs, S::gw>(pixel)) << D::gs |
                        adapt<S::bw, D::bw>(field<S::bs, S::bw>(pixel)) << D::bs | D::unused;
    if constexpr (D::aw != 0) {
        // a source without alpha is opaque
        if constexpr (S::aw == 0)
            out |= ((1u << D::aw) - 1) << D::as;
        else
            out |= adapt<S::aw, D::aw>(field<S::as, S::aw>(pixel)) << D::as;
    }
    return out;
}

template <class S, class D>
void convert_rows(unsigned char* dst, long dst_pitch, const unsigned char* src, long src_pitch, const PIXFMT& src_format,
                  int width, int height)
{
    for (int y = 0; y < height; ++y, dst += dst_pitch, src += src_pitch) {
        const unsigned char* in = src;
        unsigned char* out = dst;
        for (int x = 0; x < width; ++x, in += S::bytes, out += D::bytes)
            write<D>(out, convert<S, D>(read<S>(in, src_format.palette)));
    }
}

}  // namespace media::gfx::loops
