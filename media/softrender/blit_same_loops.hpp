// The same-size blit's loops: one template over pixel size, source kind,
// path, mode, blend image, draw bright and transparency flag, and the table
// of its instantiations for one pixel size and path. Included by the four
// translation units that instantiate it (blit_same_32.cpp, blit_same_16.cpp,
// blit_same_runs_32.cpp, blit_same_runs_16.cpp).
#pragma once

#include <array>
#include <functional>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "media/softrender/loops.hpp"
#include "media/softrender/vector_rows.hpp"

namespace media::soft::same {

// One source pixel at px over the destination pixel at out. Paletted sources
// compare the index with the transparent colour here; the rule compares
// direct pixels and alphas.
template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans, bool Plain>
inline void pixel(const same_job& j, const unsigned char* px, int weight, unsigned char* out)
{
    if constexpr (Kind == kind_paletted && Trans) {
        if (*px == j.setup.transparent) return;
    }
    int a = 255;
    const std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
    std::uint32_t d = load_dst<Bits>(out);
    constexpr bool rule_trans = Kind == kind_paletted ? false : Trans;
    if (blend_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, rule_trans, Plain>(j.setup, s, a, weight, d))
        store_dst<Bits>(out, d);
}

// Whether the source and destination rows lie in separate memory: a view
// drawn into another view of the same body takes the pixel-by-pixel loops,
// whose reads see the pixels already written.
inline bool separate(const same_job& j, int src_bytes, int dst_bytes)
{
    const auto span = [&](const unsigned char* p, long pitch, int bytes) {
        const unsigned char* first = pitch < 0 ? p + pitch * (j.height - 1) : p;
        return std::pair{first, first + (pitch < 0 ? -pitch : pitch) * (j.height - 1) + static_cast<long>(j.width) * bytes};
    };
    const auto [s0, s1] = span(j.src, j.src_pitch, src_bytes);
    const auto [d0, d1] = span(j.dst, j.dst_pitch, dst_bytes);
    return std::less<>{}(s1, d0) || s1 == d0 || std::less<>{}(d1, s0) || d1 == s0;
}

// The full-strength add and subtract of 16-bit pixels: pairs of drawn pixels
// as one word, the left one in the low half; a pixel whose partner is
// skipped, and an odd last pixel, alone.
template <int Mode, int Kind, bool Trans>
void paired(const same_job& j)
{
    constexpr int sb = source_bytes(16, Kind);
    auto drawn = [&](const unsigned char* px) {
        if constexpr (!Trans) return true;
        if constexpr (Kind == kind_paletted)
            return *px != j.setup.transparent;
        else
            return load16(px) != j.setup.transparent;
    };
#if defined(__SSE2__)
    // direct pixels without the flag in separate rows: the same word
    // arithmetic on four pairs at a time, the carry or borrow out of each
    // word worked out from its top bits
    const bool lanes = Kind == kind_direct && !Trans && separate(j, sb, 2);
#endif
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        if (lanes) {
            const __m128i keep = _mm_set1_epi32(static_cast<int>(0xF7DEF7DFu));
            const __m128i seams = _mm_set1_epi32(0x08210820);
            for (; x + 8 <= j.width; x += 8, in += 16, out += 16) {
                const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
                const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
                __m128i r;
                if constexpr (Mode == 2) {
                    const __m128i a = _mm_and_si128(sv, keep), b = _mm_and_si128(dv, keep);
                    const __m128i sum = _mm_add_epi32(a, b);
                    const __m128i carry = _mm_srli_epi32(
                        _mm_or_si128(_mm_and_si128(a, b), _mm_andnot_si128(sum, _mm_or_si128(a, b))), 31);
                    const __m128i c = _mm_and_si128(sum, seams);
                    r = _mm_or_si128(_mm_sub_epi32(c, _mm_or_si128(_mm_srli_epi32(c, 5), _mm_slli_epi32(carry, 27))), sum);
                } else {
                    const __m128i m = _mm_or_si128(dv, seams), t = _mm_and_si128(sv, keep);
                    const __m128i difference = _mm_sub_epi32(m, t);
                    // 1 where the subtrahend exceeds the minuend
                    const __m128i borrow = _mm_srli_epi32(
                        _mm_or_si128(_mm_andnot_si128(m, t), _mm_andnot_si128(_mm_xor_si128(m, t), difference)), 31);
                    const __m128i c = _mm_and_si128(difference, seams);
                    const __m128i top = _mm_andnot_si128(_mm_sub_epi32(_mm_setzero_si128(), borrow),
                                                         _mm_set1_epi32(static_cast<int>(0xF8000000u)));
                    r = _mm_and_si128(difference, _mm_or_si128(_mm_sub_epi32(c, _mm_srli_epi32(c, 5)), top));
                }
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
            }
        }
#endif
        for (; x + 1 < j.width; x += 2, in += 2 * sb, out += 4) {
            if (drawn(in) && drawn(in + sb)) {
                int a = 255;
                const std::uint32_t s = fetch<16, Kind>(in, j.palette, a) | fetch<16, Kind>(in + sb, j.palette, a) << 16;
                const std::uint32_t d = load32(out);
                store32(out, Mode == 2 ? add_pair16(d, s) : subtract_pair16(d, s));
            } else {
                pixel<Mode, 16, Kind, false, false, Trans, true>(j, in, 0, out);
                pixel<Mode, 16, Kind, false, false, Trans, true>(j, in + sb, 0, out + 2);
            }
        }
        if (x < j.width) pixel<Mode, 16, Kind, false, false, Trans, true>(j, in, 0, out);
    }
}

// Rows of direct pixels copied where they differ from the transparent
// colour (mode 0 with the flag, no blend image or draw bright): sixteen bytes
// at a time, each destination pixel replaced by its source pixel unless that
// is the key.
template <int Bits>
void keyed_copy(const same_job& j)
{
    constexpr int db = Bits / 8;
    const std::uint32_t key = j.setup.transparent;
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        constexpr int per = 16 / db;
        const __m128i k = Bits == 32 ? _mm_set1_epi32(static_cast<int>(key)) : _mm_set1_epi16(static_cast<short>(key));
        for (; x + per <= j.width; x += per, in += 16, out += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            const __m128i keyed = Bits == 32 ? _mm_cmpeq_epi32(sv, k) : _mm_cmpeq_epi16(sv, k);
            const __m128i r = _mm_or_si128(_mm_and_si128(keyed, dv), _mm_andnot_si128(keyed, sv));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
        }
#endif
        for (; x < j.width; ++x, in += db, out += db) {
            const std::uint32_t s = load_dst<Bits>(in);
            if (s != key) store_dst<Bits>(out, s);
        }
    }
}

// Full-strength add (Add) or subtract of 32-bit direct pixels with byte
// saturation, the MMX variant: sixteen bytes at a time.
template <bool Add>
void saturated_rows(const same_job& j)
{
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        for (; x + 4 <= j.width; x += 4, in += 16, out += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Add ? _mm_adds_epu8(dv, sv) : _mm_subs_epu8(dv, sv));
        }
#endif
        for (; x < j.width; ++x, in += 4, out += 4)
            store32(out, Add ? add_bytes(load32(out), load32(in)) : subtract_bytes(load32(out), load32(in)));
    }
}

// Mode 1 of 32-bit direct pixels at a parameter p other than 0, 128 and
// 255, without blend image or draw bright: each colour byte becomes (d x 256
// + (s - d) x p) >> 8, that is (d x (256 - p) + s x p) >> 8, which never
// exceeds 65280 and so is exact in 16-bit lanes; the fourth byte stays the
// destination's. With the flag, pixels equal to the transparent colour (the
// whole word) are left.
template <bool Trans>
void mixed_rows(const same_job& j)
{
    const auto row = rows().mix32;
    for (int y = 0; y < j.height; ++y)
        row(j.dst + y * j.dst_pitch, j.src + y * j.src_pitch, j.width, j.setup.param, Trans, j.setup.transparent);
}

// Mode 4 of 32-bit direct pixels without modifiers: each colour byte
// becomes (d x s) >> 8, exact in 16-bit lanes; the fourth byte stays the
// destination's.
inline void multiplied_rows(const same_job& j)
{
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; x + 4 <= j.width; x += 4, in += 16, out += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero)), 8);
            const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero)), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_or_si128(_mm_and_si128(top, dv), _mm_andnot_si128(top, _mm_packus_epi16(lo, hi))));
        }
#endif
        for (; x < j.width; ++x, in += 4, out += 4) {
            const std::uint32_t sp = load32(in), dp = load32(out);
            std::uint32_t r = dp & 0xFF000000u;
            for (int i = 0; i < 24; i += 8) r |= ((sp >> i & 0xFF) * (dp >> i & 0xFF) >> 8) << i;
            store32(out, r);
        }
    }
}

// An alpha source of 32-bit pixels with the transparency flag, mode 0 without
// modifiers: alpha 0 keeps the destination, alpha 255 puts the source pixel
// whole, any other alpha a mixes each colour byte as (d x (256 - a) + s x a)
// >> 8 (exact in 16-bit lanes) and keeps the destination's fourth byte.
inline void alpha_rows(const same_job& j)
{
    const auto row = rows().alpha32;
    for (int y = 0; y < j.height; ++y) row(j.dst + y * j.dst_pitch, j.src + y * j.src_pitch, j.width);
}

#if defined(__SSE2__)
// The channels of eight 5:6:5 pixels, each in its 16-bit lane.
struct rgb565_lanes {
    __m128i b, g, r;
};

inline rgb565_lanes split565(__m128i p)
{
    return {_mm_and_si128(p, _mm_set1_epi16(0x1F)), _mm_and_si128(_mm_srli_epi16(p, 5), _mm_set1_epi16(0x3F)),
            _mm_srli_epi16(p, 11)};
}

inline __m128i merge565(__m128i b, __m128i g, __m128i r)
{
    return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, 11));
}
#endif

// The same on 5:6:5 pixels, whose alpha source pixels are four bytes (the
// 5:6:5 word, the alpha, a zero byte): each channel (d x (256 - a) + s x a)
// >> 8, at most 63 x 256 and so exact in 16-bit lanes.
inline void alpha_rows16(const same_job& j)
{
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), w256 = _mm_set1_epi16(256);
        for (; x + 8 <= j.width; x += 8, in += 32, out += 16) {
            const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
            // the alphas and the words of the eight pixels in 16-bit lanes
            const __m128i byte = _mm_set1_epi32(0xFF);
            const __m128i a = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(s0, 16), byte),
                                              _mm_and_si128(_mm_srli_epi32(s1, 16), byte));
            const __m128i none = _mm_cmpeq_epi16(a, zero);
            if (_mm_movemask_epi8(none) == 0xFFFF) continue;
            const __m128i sv = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(s0, 16), 16),
                                               _mm_srai_epi32(_mm_slli_epi32(s1, 16), 16));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            const rgb565_lanes sc = split565(sv), dc = split565(dv);
            const __m128i rest = _mm_sub_epi16(w256, a);
            const auto mix = [&](__m128i sk, __m128i dk) {
                return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dk, rest), _mm_mullo_epi16(sk, a)), 8);
            };
            const __m128i mixed = merge565(mix(sc.b, dc.b), mix(sc.g, dc.g), mix(sc.r, dc.r));
            const __m128i opaque = _mm_cmpeq_epi16(a, full);
            const __m128i drawn = _mm_or_si128(_mm_and_si128(opaque, sv), _mm_andnot_si128(opaque, mixed));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_or_si128(_mm_and_si128(none, dv), _mm_andnot_si128(none, drawn)));
        }
#endif
        for (; x < j.width; ++x, in += 4, out += 2) {
            const std::uint32_t sp = load16(in), a = in[2];
            if (a == 0) continue;
            if (a == 255) {
                store16(out, sp);
                continue;
            }
            const std::uint32_t dp = load16(out);
            const auto mix = [&](std::uint32_t sk, std::uint32_t dk) { return (dk * (256 - a) + sk * a) >> 8; };
            store16(out, mix(sp & 0x1F, dp & 0x1F) | mix(sp >> 5 & 0x3F, dp >> 5 & 0x3F) << 5 |
                             mix(sp >> 11, dp >> 11) << 11);
        }
    }
}

// x / 63 for x up to 63 x 63 as (x x 16645) >> 20, the form the 16-bit lanes
// compute (the high half of the product, then 4 more bits).
constexpr bool divides_by_63()
{
    for (std::uint32_t x = 0; x <= 63 * 63; ++x)
        if ((x * 16645) >> 20 != x / 63) return false;
    return true;
}
static_assert(divides_by_63(), "the quotient by 63 must be exact");

// Mode 1 of 5:6:5 direct pixels at a parameter other than 0, 128 and 255,
// without blend image or draw bright: each channel becomes (s L + d (63 -
// L)) / 63 with L = p / 4, the interpolation table's entry; with the flag,
// pixels equal to the transparent colour are left.
template <bool Trans>
void interpolated_rows16(const same_job& j)
{
    const int level = j.setup.param / 4;
    const auto& table = j.setup.tables->interpolate[level];
    const std::uint32_t key = j.setup.transparent;
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        const __m128i ls = _mm_set1_epi16(static_cast<short>(level)), ms = _mm_set1_epi16(static_cast<short>(63 - level));
        const __m128i factor = _mm_set1_epi16(16645), k = _mm_set1_epi16(static_cast<short>(key));
        const auto mix = [&](__m128i sc, __m128i dc) {
            const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(sc, ls), _mm_mullo_epi16(dc, ms));
            return _mm_srli_epi16(_mm_mulhi_epu16(sum, factor), 4);
        };
        for (; x + 8 <= j.width; x += 8, in += 16, out += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            const rgb565_lanes sc = split565(sv), dc = split565(dv);
            __m128i r = merge565(mix(sc.b, dc.b), mix(sc.g, dc.g), mix(sc.r, dc.r));
            if constexpr (Trans) {
                const __m128i keyed = _mm_cmpeq_epi16(sv, k);
                r = _mm_or_si128(_mm_and_si128(keyed, dv), _mm_andnot_si128(keyed, r));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
        }
#endif
        for (; x < j.width; ++x, in += 2, out += 2) {
            const std::uint32_t sp = load16(in);
            if (Trans && sp == key) continue;
            const std::uint32_t dp = load16(out);
            store16(out, static_cast<std::uint32_t>(table[sp & 0x1F][dp & 0x1F]) |
                             static_cast<std::uint32_t>(table[sp >> 5 & 0x3F][dp >> 5 & 0x3F]) << 5 |
                             static_cast<std::uint32_t>(table[sp >> 11][dp >> 11]) << 11);
        }
    }
}

// Mode 4 of 5:6:5 direct pixels without modifiers: each channel becomes
// (d x s) >> its width.
inline void multiplied_rows16(const same_job& j)
{
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        for (; x + 8 <= j.width; x += 8, in += 16, out += 16) {
            const rgb565_lanes sc = split565(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
            const rgb565_lanes dc = split565(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             merge565(_mm_srli_epi16(_mm_mullo_epi16(sc.b, dc.b), 5),
                                      _mm_srli_epi16(_mm_mullo_epi16(sc.g, dc.g), 6),
                                      _mm_srli_epi16(_mm_mullo_epi16(sc.r, dc.r), 5)));
        }
#endif
        for (; x < j.width; ++x, in += 2, out += 2) {
            const std::uint32_t sp = load16(in), dp = load16(out);
            store16(out, ((sp & 0x1F) * (dp & 0x1F) >> 5) | ((sp >> 5 & 0x3F) * (dp >> 5 & 0x3F) >> 6) << 5 |
                             ((sp >> 11) * (dp >> 11) >> 5) << 11);
        }
    }
}

template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans, bool Runs>
void loop(const same_job& job)
{
    // a local copy: the pixel stores go through byte pointers, which would
    // otherwise oblige the compiler to read the job's fields again after each
    const same_job j = job;
    constexpr int sb = source_bytes(Bits, Kind), db = Bits / 8;
    const std::uint8_t* weights = j.setup.tables->weight;
    if constexpr (!Runs) {
        if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            // whole rows copied
            const auto copy = separate(j, sb, db) ? rows().copy : copy_sse2;
            for (int y = 0; y < j.height; ++y) copy(j.dst + y * j.dst_pitch, j.src + y * j.src_pitch, static_cast<long>(j.width) * db);
            return;
        }
        if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && Trans) {
            if (separate(j, sb, db)) return keyed_copy<Bits>(j);
        }
        if constexpr (Bits == 32 && Mode == 4 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            if (separate(j, sb, db)) return multiplied_rows(j);
        }
        if constexpr (Bits == 32 && Mode == 0 && Kind == kind_alpha && !BlendImage && !Bright && Trans) {
            if (separate(j, sb, db)) return alpha_rows(j);
        }
        if constexpr (Bits == 16 && Mode == 0 && Kind == kind_alpha && !BlendImage && !Bright && Trans) {
            if (separate(j, sb, db)) return alpha_rows16(j);
        }
        if constexpr (Bits == 16 && Mode == 1 && Kind == kind_direct && !BlendImage && !Bright) {
            const int p = j.setup.param;
            if (p != 0 && p != 128 && p != 255 && separate(j, sb, db)) return interpolated_rows16<Trans>(j);
        }
        if constexpr (Bits == 16 && Mode == 4 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            if (separate(j, sb, db)) return multiplied_rows16(j);
        }
        if constexpr (Bits == 32 && Mode == 1 && Kind == kind_direct && !BlendImage && !Bright) {
            const int p = j.setup.param;
            if (p != 0 && p != 128 && p != 255 && separate(j, sb, db)) return mixed_rows<Trans>(j);
        }
        if constexpr (Bits == 32 && (Mode == 2 || Mode == 3) && Kind == kind_direct && !BlendImage && !Bright &&
                      !Trans) {
            if (j.setup.param == 255 && j.setup.mmx && separate(j, sb, db)) return saturated_rows<Mode == 2>(j);
        }
        if constexpr (Bits == 16 && (Mode == 2 || Mode == 3) && Kind != kind_alpha && !BlendImage && !Bright) {
            if (j.setup.param == 255) return paired<Mode, Kind, Trans>(j);
        }
        for (int y = 0; y < j.height; ++y) {
            const unsigned char* in = j.src + y * j.src_pitch;
            const unsigned char* blend = BlendImage ? j.blend + y * j.blend_pitch : nullptr;
            unsigned char* out = j.dst + y * j.dst_pitch;
            for (int x = 0; x < j.width; ++x, in += sb, out += db)
                pixel<Mode, Bits, Kind, BlendImage, Bright, Trans, true>(j, in, BlendImage ? weights[blend[x]] : 0, out);
        }
    } else {
        // run codes: bits 7-6 kind (0 skipped, 1 opaque, 2 with alpha; both
        // set ends the row), bits 5-0 the run length less one
        const unsigned char* code = j.runs;
        const bool copy_runs = separate(j, sb, db);
        for (int y = 0; y < j.height; ++y) {
            const unsigned char* in = j.src + y * j.src_pitch;
            const unsigned char* blend = BlendImage ? j.blend + y * j.blend_pitch : nullptr;
            unsigned char* out = j.dst + y * j.dst_pitch;
            int x = 0;
            for (;;) {
                const unsigned c = *code++;
                if ((c & 0xC0) == 0xC0) break;
                int n = static_cast<int>(c & 63) + 1;
                if (n > j.width - x) n = j.width - x;  // a table longer than its row draws no further
                if (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && copy_runs) {
                    // the source pixel itself: a drawn run is one copy
                    if ((c >> 6) != 0) std::memcpy(out + x * db, in + x * sb, static_cast<std::size_t>(n) * db);
                } else if ((c >> 6) != 0) {
                    for (int i = x; i < x + n; ++i) {
                        const unsigned char* px = in + i * sb;
                        const int weight = BlendImage ? weights[blend[i]] : 0;
                        unsigned char* o = out + i * db;
                        int a = 255;
                        std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
                        if constexpr (Kind == kind_alpha) {
                            // an opaque run drops the alpha factor
                            if ((c >> 6) == 1) a = 255;
                        }
                        std::uint32_t d = load_dst<Bits>(o);
                        if (blend_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, Kind == kind_alpha, false>(
                                j.setup, s, a, weight, d))
                            store_dst<Bits>(o, d);
                    }
                }
                x += n;
            }
        }
    }
}

template <int Bits, bool Runs, std::size_t I>
constexpr same_loop entry()
{
    constexpr bool trans = (I & 1) != 0, bright = (I & 2) != 0, blend = (I & 4) != 0;
    constexpr int slot = static_cast<int>(I / 8 % 7), kind = static_cast<int>(I / 56);
    if constexpr (Runs && !trans)
        return nullptr;  // the run-table path is taken only with the flag
    else
        return &loop<table_modes[slot], Bits, kind, blend, bright, trans, Runs>;
}

template <int Bits, bool Runs, std::size_t... I>
constexpr std::array<same_loop, blit_keys> table(std::index_sequence<I...>)
{
    return {entry<Bits, Runs, I>()...};
}

}  // namespace media::soft::same
