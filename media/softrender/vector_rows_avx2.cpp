// The AVX2 row loops: thirty-two bytes a vector, the same arithmetic as the
// SSE2 loops (vector_rows.cpp), which finish each row. Only these functions
// carry the AVX2 target; the file is built for the baseline processor, so
// nothing shared with other files (inline functions of headers) takes AVX2
// instructions.
#include "media/softrender/vector_rows.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENTIL_AVX2 __attribute__((target("avx2")))
#endif

namespace media::soft {

#if defined(__x86_64__) || defined(__i386__)
namespace {

ZENTIL_AVX2 void fill32_avx2(unsigned char* out, int width, std::uint32_t colour)
{
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    int x = 0;
    // 128 bytes a step
    for (; x + 32 <= width; x += 32, out += 128) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), c);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), c);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), c);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 96), c);
    }
    for (; x + 8 <= width; x += 8, out += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), c);
    fill32_sse2(out, width - x, colour);
}

ZENTIL_AVX2 void add32_avx2(unsigned char* out, int width, std::uint32_t addend)
{
    // the saturating form of add_word32 (see add32_sse2)
    const __m256i q = _mm256_set1_epi32(static_cast<int>(addend & 0xFEFEFFu));
    const __m256i bits0 = _mm256_set1_epi32(static_cast<int>(addend & 0x10100u));
    const __m256i low = _mm256_set1_epi32(0xFFFFFF), halves = _mm256_set1_epi32(0xFEFEFF);
    const __m256i carries = _mm256_set1_epi32(0x1010100);
    int x = 0;
    for (; x + 8 <= width; x += 8, out += 32) {
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        const __m256i sum = _mm256_adds_epu8(_mm256_and_si256(dv, low), q);
        const __m256i word = _mm256_add_epi32(_mm256_and_si256(dv, halves), q);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_or_si256(_mm256_or_si256(sum, _mm256_and_si256(word, carries)), bits0));
    }
    add32_sse2(out, width - x, addend);
}

// Eight pixels, as alpha_mix4 of the SSE2 loops: the unpacks and the pack
// work within each 128-bit half, so the halves come back in place.
ZENTIL_AVX2 inline __m256i alpha_mix8(__m256i sv, __m256i dv)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_srli_epi32(sv, 24);
    const __m256i opaque = _mm256_cmpeq_epi32(a, _mm256_set1_epi32(255));
    const __m256i w32 =
        _mm256_or_si256(_mm256_sub_epi32(a, opaque), _mm256_and_si256(opaque, _mm256_set1_epi32(256 << 16)));
    const __m256i w_lo = _mm256_shufflehi_epi16(
        _mm256_shufflelo_epi16(_mm256_unpacklo_epi32(w32, w32), _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(1, 0, 0, 0));
    const __m256i w_hi = _mm256_shufflehi_epi16(
        _mm256_shufflelo_epi16(_mm256_unpackhi_epi32(w32, w32), _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(1, 0, 0, 0));
    const __m256i w256 = _mm256_set1_epi16(256);
    const __m256i lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(dv, zero), _mm256_sub_epi16(w256, w_lo)),
                         _mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, zero), w_lo)),
        8);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(dv, zero), _mm256_sub_epi16(w256, w_hi)),
                         _mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, zero), w_hi)),
        8);
    return _mm256_packus_epi16(lo, hi);
}

ZENTIL_AVX2 void alpha32_avx2(unsigned char* out, const unsigned char* in, int width)
{
    const __m256i zero = _mm256_setzero_si256(), ones = _mm256_set1_epi32(-1);
    int x = 0;
    // eight pixels a step: all alpha 0 skipped, all 255 copied, others mixed
    for (; x + 8 <= width; x += 8, in += 32, out += 32) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        const unsigned none = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(sv, zero))) & 0x88888888u;
        if (none == 0x88888888u) continue;
        const unsigned full = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(sv, ones))) & 0x88888888u;
        if (full == 0x88888888u) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), sv);
            continue;
        }
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), alpha_mix8(sv, dv));
    }
    alpha32_sse2(out, in, width - x);
}

template <bool Keyed>
ZENTIL_AVX2 void mix32_rows(unsigned char* out, const unsigned char* in, int width, int p, std::uint32_t key)
{
    // as the SSE2 loop, eight pixels a step
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ps = _mm256_set1_epi16(static_cast<short>(p)), qs = _mm256_set1_epi16(static_cast<short>(256 - p));
    const __m256i top = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
    int x = 0;
    for (; x + 8 <= width; x += 8, in += 32, out += 32) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        __m256i kept = top;
        if constexpr (Keyed) {
            const __m256i keyed = _mm256_cmpeq_epi32(sv, k);
            if (_mm256_movemask_epi8(keyed) == -1) continue;
            kept = _mm256_or_si256(kept, keyed);
        }
        const __m256i lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(dv, zero), qs),
                                                              _mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, zero), ps)),
                                             8);
        const __m256i hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(dv, zero), qs),
                                                              _mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, zero), ps)),
                                             8);
        const __m256i mixed = _mm256_packus_epi16(lo, hi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_or_si256(_mm256_and_si256(kept, dv), _mm256_andnot_si256(kept, mixed)));
    }
    mix32_sse2(out, in, width - x, p, Keyed, key);
}

ZENTIL_AVX2 void mix32_avx2(unsigned char* out, const unsigned char* in, int width, int p, bool keyed,
                            std::uint32_t key)
{
    if (keyed)
        mix32_rows<true>(out, in, width, p, key);
    else
        mix32_rows<false>(out, in, width, p, key);
}

ZENTIL_AVX2 void copy_avx2(unsigned char* out, const unsigned char* in, long bytes)
{
    // 128 bytes a step, inline: a row of a screen is too short for the call
    // and the size dispatch of the library's copy to pay
    long n = 0;
    for (; n + 128 <= bytes; n += 128) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + n));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + n + 32));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + n + 64));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + n + 96));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n), a);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n + 32), b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n + 64), c);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n + 96), d);
    }
    for (; n + 32 <= bytes; n += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + n)));
    copy_sse2(out + n, in + n, bytes - n);
}

// the gathers keep single loads: the AVX2 gather measured slower here
constexpr vector_rows avx2_table{&fill32_avx2,   &add32_avx2,    &alpha32_avx2, &mix32_avx2,
                                 &gather32_sse2, &gather16_sse2, &copy_avx2};

}  // namespace

const vector_rows& avx2_rows() { return avx2_table; }
#else
namespace {
constexpr vector_rows fallback_table{&fill32_sse2,   &add32_sse2,    &alpha32_sse2, &mix32_sse2,
                                     &gather32_sse2, &gather16_sse2, &copy_sse2};
}
const vector_rows& avx2_rows() { return fallback_table; }
#endif

}  // namespace media::soft
