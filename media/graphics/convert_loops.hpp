// The specialised conversion loops: one template over a pair of formats known
// at compile time, producing exactly what the general rule produces for that
// pair when no option is set.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The colour fields of a 16-bit source widened into a 32-bit destination
// whose colours are its three low bytes and whose top byte is all ones
// (unused or opaque): eight pixels at a time with SSE2.
template <class S, class D>
constexpr bool widens_16_to_32 = S::bytes == 2 && !S::paletted && D::bytes == 4 && D::rs == 16 && D::rw == 8 &&
                                 D::gs == 8 && D::gw == 8 && D::bs == 0 && D::bw == 8 &&
                                 (D::unused | (D::aw != 0 && S::aw == 0 ? ((1u << D::aw) - 1) << D::as : 0u)) ==
                                     0xFF000000u &&
                                 (D::aw == 0 || S::aw == 0) && S::rw >= 1 && S::rw <= 8 && S::gw >= 1 &&
                                 S::gw <= 8 && S::bw >= 1 && S::bw <= 8;

// adapt<W, 8> as 16-bit lane arithmetic: v * (2^(8-W) - 1) / (2^W - 1) is
// the high half of a product with this factor, exact for every v of W bits
// (checked below).
template <int W>
constexpr std::uint32_t divide_factor()
{
    return W >= 8 ? 0 : (65536u + (1u << W) - 2) / ((1u << W) - 1);
}

template <int W>
constexpr bool divide_factor_exact()
{
    if constexpr (W < 8) {
        constexpr std::uint32_t m = (1u << (8 - W)) - 1, q = (1u << W) - 1;
        for (std::uint32_t v = 0; v <= q; ++v)
            if ((v * m * divide_factor<W>()) >> 16 != v * m / q) return false;
    }
    return true;
}
static_assert(divide_factor_exact<1>() && divide_factor_exact<2>() && divide_factor_exact<3>() &&
                  divide_factor_exact<4>() && divide_factor_exact<5>() && divide_factor_exact<6>() &&
                  divide_factor_exact<7>(),
              "the widening factors must give the exact quotient");

// B, G, R bytes into a 32-bit destination of the same colour layout whose
// top byte is all ones: four pixels from three 32-bit loads.
template <class S, class D>
constexpr bool copies_24_to_32 = S::bytes == 3 && !S::paletted && S::rs == 16 && S::rw == 8 && S::gs == 8 &&
                                 S::gw == 8 && S::bs == 0 && S::bw == 8 && S::aw == 0 && D::bytes == 4 &&
                                 D::rs == 16 && D::rw == 8 && D::gs == 8 && D::gw == 8 && D::bs == 0 && D::bw == 8 &&
                                 (D::unused | (D::aw != 0 ? ((1u << D::aw) - 1) << D::as : 0u)) == 0xFF000000u;

inline std::uint32_t load32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void store32(unsigned char* p, std::uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// Four 24-bit pixels from twelve bytes, each as 0x00RRGGBB.
inline void load_24x4(const unsigned char* in, std::uint32_t (&p)[4])
{
    const std::uint32_t a = load32(in), b = load32(in + 4), c = load32(in + 8);
    p[0] = a & 0xFFFFFF;
    p[1] = (a >> 24 | b << 8) & 0xFFFFFF;
    p[2] = (b >> 16 | c << 16) & 0xFFFFFF;
    p[3] = c >> 8;
}

#if defined(__SSE2__)
template <int Shift, int W>
inline __m128i widen_lanes(__m128i pixels)
{
    const __m128i v = _mm_and_si128(_mm_srli_epi16(pixels, Shift), _mm_set1_epi16(static_cast<short>((1 << W) - 1)));
    if constexpr (W == 8) {
        return v;
    } else {
        const __m128i times = _mm_mullo_epi16(v, _mm_set1_epi16(static_cast<short>((1 << (8 - W)) - 1)));
        return _mm_add_epi16(_mm_slli_epi16(v, 8 - W),
                             _mm_mulhi_epu16(times, _mm_set1_epi16(static_cast<short>(divide_factor<W>()))));
    }
}
#endif

template <class S, class D>
void convert_rows(unsigned char* dst, long dst_pitch, const unsigned char* src, long src_pitch, const PIXFMT& src_format,
                  int width, int height)
{
    for (int y = 0; y < height; ++y, dst += dst_pitch, src += src_pitch) {
        const unsigned char* in = src;
        unsigned char* out = dst;
        int x = 0;
#if defined(__SSE2__)
        if constexpr (widens_16_to_32<S, D>) {
            const __m128i top = _mm_set1_epi16(static_cast<short>(0xFF00));
            for (; x + 8 <= width; x += 8, in += 16, out += 32) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
                const __m128i blue_green =
                    _mm_or_si128(widen_lanes<S::bs, S::bw>(p), _mm_slli_epi16(widen_lanes<S::gs, S::gw>(p), 8));
                const __m128i red_top = _mm_or_si128(widen_lanes<S::rs, S::rw>(p), top);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(blue_green, red_top));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(blue_green, red_top));
            }
        }
#endif
        if constexpr (copies_24_to_32<S, D>) {
            for (; x + 4 <= width; x += 4, in += 12, out += 16) {
                std::uint32_t p[4];
                load_24x4(in, p);
                for (int i = 0; i < 4; ++i) store32(out + 4 * i, p[i] | 0xFF000000u);
            }
        }
        for (; x < width; ++x, in += S::bytes, out += D::bytes)
            write<D>(out, convert<S, D>(read<S>(in, src_format.palette)));
    }
}

// The conversion with the transparent colour turned into alpha: a source
// pixel whose colour fields equal key (the colour packed in the source's
// fields) gets alpha 0, every other one full alpha.
template <class S, class D>
void convert_rows_keyed(unsigned char* dst, long dst_pitch, const unsigned char* src, long src_pitch,
                        const PIXFMT& src_format, int width, int height, std::uint32_t key)
{
    static_assert(S::aw == 0 && D::aw != 0, "a keyed conversion reads no alpha and writes one");
    constexpr std::uint32_t colour = ((1u << S::rw) - 1) << S::rs | ((1u << S::gw) - 1) << S::gs |
                                     ((1u << S::bw) - 1) << S::bs;
    constexpr std::uint32_t alpha = ((1u << D::aw) - 1) << D::as;
    for (int y = 0; y < height; ++y, dst += dst_pitch, src += src_pitch) {
        const unsigned char* in = src;
        unsigned char* out = dst;
        int x = 0;
        if constexpr (copies_24_to_32<S, D>) {
            for (; x + 4 <= width; x += 4, in += 12, out += 16) {
                std::uint32_t p[4];
                load_24x4(in, p);
                for (int i = 0; i < 4; ++i) store32(out + 4 * i, p[i] == key ? p[i] : p[i] | 0xFF000000u);
            }
        }
        for (; x < width; ++x, in += S::bytes, out += D::bytes) {
            const std::uint32_t pixel = read<S>(in, src_format.palette);
            const std::uint32_t v = convert<S, D>(pixel);
            write<D>(out, (pixel & colour) == key ? v & ~alpha : v);
        }
    }
}

}  // namespace media::gfx::loops

namespace media::gfx {

using keyed_convert_loop = void (*)(unsigned char* dst, long dst_pitch, const unsigned char* src, long src_pitch,
                                    const PIXFMT& src_format, int width, int height, std::uint32_t key);
// The keyed loop for the exact pair of formats, or null when none serves it;
// key receives the transparent colour (0xRRGGBB) packed in the source's
// colour fields.
keyed_convert_loop find_keyed_convert_loop(const PIXFMT& src, const PIXFMT& dst, std::uint32_t transparent,
                                           std::uint32_t& key);

}  // namespace media::gfx
