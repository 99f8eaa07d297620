// The SSE2 row loops and the choice of the table in use.
#include "media/softrender/vector_rows.hpp"

#include <cstdlib>
#include <cstring>

#include "media/softrender/internal.hpp"
#include "media/softrender/loops.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace media::soft {

void fill32_sse2(unsigned char* out, int width, std::uint32_t colour)
{
    int x = 0;
#if defined(__SSE2__)
    // sixty-four bytes a step
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    for (; x + 16 <= width; x += 16, out += 64) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48), c);
    }
    for (; x + 4 <= width; x += 4, out += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c);
#endif
    for (; x < width; ++x, out += 4) store32(out, colour);
}

void add32_sse2(unsigned char* out, int width, std::uint32_t addend)
{
    int x = 0;
#if defined(__SSE2__)
    // add_word32 as one saturating byte add: with the addend's bit 0 of bytes
    // 1 and 2 taken out (q), byte k of d plus q saturates exactly when the
    // word sum carries out of it; that carry sets bit 0 of byte k + 1 (read
    // from the word sum), as do the addend's own bits 0; byte 3 of d drops out
    const __m128i q = _mm_set1_epi32(static_cast<int>(addend & 0xFEFEFFu));
    const __m128i bits0 = _mm_set1_epi32(static_cast<int>(addend & 0x10100u));
    const __m128i low = _mm_set1_epi32(0xFFFFFF), halves = _mm_set1_epi32(0xFEFEFF);
    const __m128i carries = _mm_set1_epi32(0x1010100);
    for (; x + 4 <= width; x += 4, out += 16) {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        const __m128i sum = _mm_adds_epu8(_mm_and_si128(dv, low), q);
        const __m128i word = _mm_add_epi32(_mm_and_si128(dv, halves), q);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_or_si128(_mm_or_si128(sum, _mm_and_si128(word, carries)), bits0));
    }
#endif
    for (; x < width; ++x, out += 4) store32(out, add_word32(load32(out), addend));
}

#if defined(__SSE2__)
namespace {

// Four pixels: each 16-bit lane (d x (256 - w) + s x w) >> 8 with the weight
// w of a colour byte a (256 at alpha 255) and of the fourth byte 0 (256 at
// alpha 255); so alpha 0 keeps the destination and 255 puts the source.
inline __m128i alpha_mix4(__m128i sv, __m128i dv)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_srli_epi32(sv, 24);
    const __m128i opaque = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
    // per pixel: the colour weight in its low 16 bits, the fourth byte's above
    const __m128i w32 = _mm_or_si128(_mm_sub_epi32(a, opaque), _mm_and_si128(opaque, _mm_set1_epi32(256 << 16)));
    const __m128i w_lo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_unpacklo_epi32(w32, w32), _MM_SHUFFLE(1, 0, 0, 0)),
                                             _MM_SHUFFLE(1, 0, 0, 0));
    const __m128i w_hi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_unpackhi_epi32(w32, w32), _MM_SHUFFLE(1, 0, 0, 0)),
                                             _MM_SHUFFLE(1, 0, 0, 0));
    const __m128i w256 = _mm_set1_epi16(256);
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), _mm_sub_epi16(w256, w_lo)),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), w_lo)),
                       8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), _mm_sub_epi16(w256, w_hi)),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), w_hi)),
                       8);
    return _mm_packus_epi16(lo, hi);
}

}  // namespace
#endif

void alpha32_sse2(unsigned char* out, const unsigned char* in, int width)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi32(-1);
    // eight pixels a step: all alpha 0 skipped, all 255 copied, others mixed
    for (; x + 8 <= width; x += 8, in += 32, out += 32) {
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
        // the sign bits of the alpha bytes' tests
        const int none = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(s0, s1), zero)) & 0x8888;
        const int full = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(s0, s1), ones)) & 0x8888;
        if (none == 0x8888) continue;
        if (full == 0x8888) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), s0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), s1);
            continue;
        }
        const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        const __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), alpha_mix4(s0, d0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), alpha_mix4(s1, d1));
    }
    if (x + 4 <= width) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), alpha_mix4(sv, dv));
        x += 4, in += 16, out += 16;
    }
#endif
    for (; x < width; ++x, in += 4, out += 4) {
        const std::uint32_t sp = load32(in);
        const std::uint32_t a = sp >> 24;
        if (a == 0) continue;
        if (a == 255) {
            store32(out, sp);
            continue;
        }
        const std::uint32_t dp = load32(out);
        std::uint32_t r = dp & 0xFF000000u;
        for (int i = 0; i < 24; i += 8) r |= (((dp >> i & 0xFF) * (256 - a) + (sp >> i & 0xFF) * a) >> 8) << i;
        store32(out, r);
    }
}

namespace {

template <bool Keyed>
void mix32_rows(unsigned char* out, const unsigned char* in, int width, int p, std::uint32_t key)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i ps = _mm_set1_epi16(static_cast<short>(p)), qs = _mm_set1_epi16(static_cast<short>(256 - p));
    const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i k = _mm_set1_epi32(static_cast<int>(key));
    for (; x + 4 <= width; x += 4, in += 16, out += 16) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        // the destination bytes kept: its fourth byte, and whole keyed pixels
        __m128i kept = top;
        if constexpr (Keyed) {
            const __m128i keyed = _mm_cmpeq_epi32(sv, k);
            if (_mm_movemask_epi8(keyed) == 0xFFFF) continue;
            kept = _mm_or_si128(kept, keyed);
        }
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), qs),
                                                        _mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), ps)),
                                          8);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), qs),
                                                        _mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), ps)),
                                          8);
        const __m128i mixed = _mm_packus_epi16(lo, hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_or_si128(_mm_and_si128(kept, dv), _mm_andnot_si128(kept, mixed)));
    }
#endif
    for (; x < width; ++x, in += 4, out += 4) {
        const std::uint32_t sp = load32(in), dp = load32(out);
        if (Keyed && sp == key) continue;
        std::uint32_t r = dp & 0xFF000000u;
        for (int i = 0; i < 24; i += 8) {
            const std::uint32_t sv = sp >> i & 0xFF, dv = dp >> i & 0xFF;
            r |= ((dv * static_cast<std::uint32_t>(256 - p) + sv * static_cast<std::uint32_t>(p)) >> 8) << i;
        }
        store32(out, r);
    }
}

}  // namespace

void mix32_sse2(unsigned char* out, const unsigned char* in, int width, int p, bool keyed, std::uint32_t key)
{
    if (keyed)
        mix32_rows<true>(out, in, width, p, key);
    else
        mix32_rows<false>(out, in, width, p, key);
}

void gather32_sse2(unsigned char* out, const unsigned char* in, const int* columns, int width)
{
    int x = 0;
#if defined(__SSE2__)
    // four loads, one store
    for (; x + 4 <= width; x += 4, out += 16) {
        const __m128i v = _mm_set_epi32(
            static_cast<int>(load32(in + 4 * columns[x + 3])), static_cast<int>(load32(in + 4 * columns[x + 2])),
            static_cast<int>(load32(in + 4 * columns[x + 1])), static_cast<int>(load32(in + 4 * columns[x])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    }
#endif
    for (; x < width; ++x, out += 4) store32(out, load32(in + 4 * columns[x]));
}

void gather16_sse2(unsigned char* out, const unsigned char* in, const int* columns, int width)
{
    int x = 0;
#if defined(__SSE2__)
    // eight loads into the lanes of one store
    for (; x + 8 <= width; x += 8, out += 16) {
        __m128i v = _mm_cvtsi32_si128(static_cast<int>(load16(in + 2 * columns[x])));
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 1])), 1);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 2])), 2);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 3])), 3);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 4])), 4);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 5])), 5);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 6])), 6);
        v = _mm_insert_epi16(v, static_cast<int>(load16(in + 2 * columns[x + 7])), 7);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    }
#endif
    for (; x < width; ++x, out += 2) store16(out, load16(in + 2 * columns[x]));
}

void copy_sse2(unsigned char* out, const unsigned char* in, long bytes)
{
    std::memcpy(out, in, static_cast<std::size_t>(bytes));
}

namespace {

constexpr vector_rows sse2_table{&fill32_sse2,   &add32_sse2,    &alpha32_sse2, &mix32_sse2,
                                 &gather32_sse2, &gather16_sse2, &copy_sse2};

const vector_rows* by_processor()
{
    static const vector_rows* const chosen = [] {
        const char* value = std::getenv("ZENTIL_SOFTRENDER_VECTORS");
        if (value != nullptr && std::strcmp(value, "sse2") == 0) return &sse2_table;
        return avx2_present() ? &avx2_rows() : &sse2_table;
    }();
    return chosen;
}

}  // namespace

bool avx2_present()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool present = __builtin_cpu_supports("avx2") != 0;
    return present;
#else
    return false;
#endif
}

const vector_rows& rows()
{
    const int forced = loop_state.vector_set;
    if (forced == vectors_sse2) return sse2_table;
    if (forced == vectors_avx2) return avx2_rows();
    return *by_processor();
}

int vector_set_in_use() { return &rows() == &sse2_table ? vectors_sse2 : vectors_avx2; }

bool force_vector_set(int set)
{
    if (set == vectors_avx2 && !avx2_present()) return false;
    if (set != vectors_by_processor && set != vectors_sse2 && set != vectors_avx2) return false;
    loop_state.vector_set = set;
    return true;
}

}  // namespace media::soft
