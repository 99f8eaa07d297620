// MT19937: seeding, the plain block step and the paired one.
#include "media/core/random.hpp"

#include "media/core/cpu.hpp"
#include "media/core/internal.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using media::core::random_state;

namespace {

constexpr int n = 624;
constexpr int m = 397;
constexpr std::uint32_t matrix = 0x9908B0DFu;
constexpr std::uint32_t upper = 0x80000000u;
constexpr std::uint32_t lower = 0x7FFFFFFFu;

std::uint32_t twist(std::uint32_t word, std::uint32_t next, std::uint32_t far)
{
    const std::uint32_t y = (word & upper) | (next & lower);
    return far ^ (y >> 1) ^ ((y & 1) != 0 ? matrix : 0u);
}

std::uint32_t temper(std::uint32_t y)
{
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

void regenerate_plain()
{
    std::uint32_t* w = random_state.state;
    for (int i = 0; i < n - m; ++i)
        w[i] = twist(w[i], w[i + 1], w[i + m]);
    // the spare word holds the new word 0, the next word of word 623
    w[n] = w[0];
    for (int i = n - m; i < n; ++i)
        w[i] = twist(w[i], w[i + 1], w[i - (n - m)]);
    for (int i = 0; i < n; ++i)
        random_state.outputs[i] = temper(w[i]);
    random_state.next_index = 0;
}

#if defined(__SSE2__)

__m128i load_pair(const std::uint32_t* p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

void store_pair(std::uint32_t* p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// Words i and i + 1 twisted at once, far being the pair m ahead or n - m
// behind.
void twist_pair(std::uint32_t* w, int i, const std::uint32_t* far)
{
    const __m128i one = _mm_set1_epi32(1);
    const __m128i y = _mm_or_si128(_mm_and_si128(load_pair(w + i), _mm_set1_epi32(static_cast<int>(upper))),
                                   _mm_and_si128(load_pair(w + i + 1), _mm_set1_epi32(static_cast<int>(lower))));
    // all ones where y is odd, so the matrix is taken there
    const __m128i odd = _mm_cmpeq_epi32(_mm_and_si128(y, one), one);
    const __m128i r = _mm_xor_si128(_mm_xor_si128(load_pair(far), _mm_srli_epi32(y, 1)),
                                    _mm_and_si128(odd, _mm_set1_epi32(static_cast<int>(matrix))));
    store_pair(w + i, r);
}

void temper_pair(const std::uint32_t* from, std::uint32_t* to)
{
    __m128i y = load_pair(from);
    y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), _mm_set1_epi32(static_cast<int>(0x9D2C5680u))));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), _mm_set1_epi32(static_cast<int>(0xEFC60000u))));
    y = _mm_xor_si128(y, _mm_srli_epi32(y, 18));
    store_pair(to, y);
}

void regenerate_pairs()
{
    std::uint32_t* w = random_state.state;
    // 0..225 in pairs, then 226 alone: its far word 623 and that of 227
    // (word 0) are not neighbours
    int i = 0;
    for (; i + 1 < n - m; i += 2)
        twist_pair(w, i, w + i + m);
    w[i] = twist(w[i], w[i + 1], w[i + m]);
    w[n] = w[0];
    // 227..622 in pairs (the pair 621, 622 reads its next words 622, 623),
    // then 623 alone, whose next word is the spare
    for (i = n - m; i + 1 < n; i += 2)
        twist_pair(w, i, w + i - (n - m));
    w[i] = twist(w[i], w[i + 1], w[i - (n - m)]);
    for (i = 0; i < n; i += 2)
        temper_pair(w + i, random_state.outputs + i);
    random_state.next_index = 0;
}

#endif

}  // namespace

int SeedRandom(std::uint32_t seed)
{
    std::uint32_t x = seed;
    for (int i = 0; i < n; ++i) {
        // the high half from one generator value, the low half from the
        // high half of the next
        std::uint32_t word = x & 0xFFFF0000u;
        x = 69069u * x + 1u;
        word |= x >> 16;
        x = 69069u * x + 1u;
        random_state.state[i] = word;
    }
    random_state.mmx = CpuHasMmx();
    random_state.seeded = 1;
    return RegenerateRandom();
}

int RegenerateRandom()
{
    if (random_state.mmx == 1)
        return RegenerateRandomMmx();
    regenerate_plain();
    return 0;
}

int RegenerateRandomMmx()
{
#if defined(__SSE2__)
    regenerate_pairs();
#else
    // CpuHasMmx answers 0 off x86, so only a direct call comes here
    regenerate_plain();
#endif
    return 0;
}
