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
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
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
// 255, without modifiers: each colour byte becomes (d x 256 + (s - d) x p)
// >> 8, that is (d x (256 - p) + s x p) >> 8, which never exceeds 65280 and
// so is exact in 16-bit lanes; the fourth byte stays the destination's.
inline void mixed_rows(const same_job& j)
{
    const int p = j.setup.param;
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i ps = _mm_set1_epi16(static_cast<short>(p)), qs = _mm_set1_epi16(static_cast<short>(256 - p));
        const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; x + 4 <= j.width; x += 4, in += 16, out += 16) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), qs),
                                                            _mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), ps)), 8);
            const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), qs),
                                                            _mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), ps)), 8);
            const __m128i mixed = _mm_packus_epi16(lo, hi);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_or_si128(_mm_and_si128(top, dv), _mm_andnot_si128(top, mixed)));
        }
#endif
        for (; x < j.width; ++x, in += 4, out += 4) {
            const std::uint32_t sp = load32(in), dp = load32(out);
            std::uint32_t r = dp & 0xFF000000u;
            for (int i = 0; i < 24; i += 8) {
                const std::uint32_t sv = sp >> i & 0xFF, dv = dp >> i & 0xFF;
                r |= ((dv * static_cast<std::uint32_t>(256 - p) + sv * static_cast<std::uint32_t>(p)) >> 8) << i;
            }
            store32(out, r);
        }
    }
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
            for (int y = 0; y < j.height; ++y)
                std::memcpy(j.dst + y * j.dst_pitch, j.src + y * j.src_pitch, static_cast<std::size_t>(j.width) * db);
            return;
        }
        if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && Trans) {
            if (separate(j, sb, db)) return keyed_copy<Bits>(j);
        }
        if constexpr (Bits == 32 && Mode == 4 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            if (separate(j, sb, db)) return multiplied_rows(j);
        }
        if constexpr (Bits == 32 && Mode == 1 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            const int p = j.setup.param;
            if (p != 0 && p != 128 && p != 255 && separate(j, sb, db)) return mixed_rows(j);
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
