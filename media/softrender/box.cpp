// Box fill: the prologue, and one loop per mode and pixel size.
#include "media/softrender/box.hpp"

#include "media/graphics/internal.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/solid.hpp"
#include "media/softrender/vector_rows.hpp"

#include <algorithm>
#include <array>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace media::soft {

namespace {

// |c - d| x p / 255 for a channel difference up to 63 and p from 1 to 254
// as the high half of |c - d| x k(p), the form the 16-bit lanes compute.
constexpr std::uint32_t fraction_of_255(std::uint32_t p)
{
    return (65536 * p + 254) / 255;
}

constexpr bool fractions_exact()
{
    for (std::uint32_t p = 1; p <= 254; ++p)
        for (std::uint32_t d = 0; d <= 63; ++d)
            if ((d * fraction_of_255(p)) >> 16 != d * p / 255) return false;
    return true;
}
static_assert(fractions_exact(), "the quotient by 255 must be exact");

template <int Mode, int Bits>
void box_rows(const box_job& job)
{
    // a local copy, which the byte-pointer stores cannot touch
    const box_job j = job;
    if constexpr ((Mode == 0 || Mode == 2) && Bits == 32) {
        // the vector rows of the processor's width
        const vector_rows& r = rows();
        for (int y = 0; y < j.height; ++y) {
            unsigned char* out = j.dst + y * j.dst_pitch;
            if constexpr (Mode == 0)
                r.fill32(out, j.width, j.setup.colour);
            else
                r.add32(out, j.width, j.setup.addend);
        }
        return;
    }
    if constexpr (Mode == 0 && Bits == 16) {
        // two pixels a 32-bit word, an odd last pixel alone
        const auto fill = rows().fill32;
        const std::uint32_t pair = j.setup.colour | j.setup.colour << 16;
        for (int y = 0; y < j.height; ++y) {
            unsigned char* out = j.dst + y * j.dst_pitch;
            fill(out, j.width / 2, pair);
            if (j.width % 2 != 0) store16(out + 2 * (j.width - 1), j.setup.colour);
        }
        return;
    }
    for (int y = 0; y < j.height; ++y) {
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
#if defined(__SSE2__)
        if constexpr (Mode == 1 && Bits == 32) {
            // (d x (256 - p) + c x p) >> 8 per colour byte, at most 65280 and
            // so exact in 16-bit lanes; the fourth byte stays
            const int p = j.setup.param;
            const __m128i zero = _mm_setzero_si128();
            const __m128i qs = _mm_set1_epi16(static_cast<short>(256 - p));
            const __m128i cp = _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(j.setup.colour)), zero),
                                               _mm_set1_epi16(static_cast<short>(p)));
            const __m128i top = _mm_set1_epi32(static_cast<int>(0xFF000000u));
            for (; x + 4 <= j.width; x += 4, out += 16) {
                const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
                const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), qs), cp), 8);
                const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), qs), cp), 8);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                                 _mm_or_si128(_mm_and_si128(top, dv), _mm_andnot_si128(top, _mm_packus_epi16(lo, hi))));
            }
        }
        if constexpr ((Mode == 2 || Mode == 3) && Bits == 16) {
            // add_word16 and subtract_word16 in 16-bit lanes: the carry or
            // borrow out of the red field, bit 16 of the word arithmetic, is
            // found from the top bits and stands for the 0xF800 it sets
            const __m128i q = _mm_set1_epi16(static_cast<short>(j.setup.addend));
            const __m128i keep = _mm_set1_epi16(static_cast<short>(0xF7DF)), seams = _mm_set1_epi16(0x0820);
            const __m128i red = _mm_set1_epi16(static_cast<short>(0xF800));
            const __m128i t = _mm_and_si128(q, keep);
            for (; x + 8 <= j.width; x += 8, out += 16) {
                const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
                __m128i r;
                if constexpr (Mode == 2) {
                    const __m128i a = _mm_and_si128(dv, keep);
                    const __m128i sum = _mm_add_epi16(a, t);
                    const __m128i carry = _mm_srai_epi16(
                        _mm_or_si128(_mm_and_si128(a, t), _mm_andnot_si128(sum, _mm_or_si128(a, t))), 15);
                    const __m128i c = _mm_and_si128(sum, seams);
                    r = _mm_or_si128(_mm_or_si128(_mm_sub_epi16(c, _mm_srli_epi16(c, 5)), _mm_and_si128(carry, red)),
                                     _mm_or_si128(_mm_and_si128(_mm_or_si128(dv, q), seams), sum));
                } else {
                    const __m128i m = _mm_or_si128(dv, seams);
                    const __m128i difference = _mm_sub_epi16(m, t);
                    const __m128i borrow = _mm_srai_epi16(
                        _mm_or_si128(_mm_andnot_si128(m, t), _mm_andnot_si128(_mm_xor_si128(m, t), difference)), 15);
                    const __m128i c = _mm_and_si128(difference, seams);
                    r = _mm_and_si128(difference,
                                      _mm_or_si128(_mm_sub_epi16(c, _mm_srli_epi16(c, 5)), _mm_andnot_si128(borrow, red)));
                }
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
            }
        }
        if constexpr (Mode == 1 && Bits == 16) {
            // d + (c - d) x p / 255 per channel, the quotient truncated toward
            // zero: the magnitude's quotient, its sign put back
            const __m128i ks = _mm_set1_epi16(static_cast<short>(fraction_of_255(static_cast<std::uint32_t>(j.setup.param))));
            const std::uint32_t c = j.setup.colour;
            const __m128i cb = _mm_set1_epi16(static_cast<short>(c & 0x1F));
            const __m128i cg = _mm_set1_epi16(static_cast<short>(c >> 5 & 0x3F));
            const __m128i cr = _mm_set1_epi16(static_cast<short>(c >> 11 & 0x1F));
            const __m128i zero = _mm_setzero_si128();
            const auto toward = [&](__m128i ck, __m128i dk) {
                const __m128i diff = _mm_sub_epi16(ck, dk);
                const __m128i negative = _mm_cmpgt_epi16(zero, diff);
                const __m128i size = _mm_sub_epi16(_mm_xor_si128(diff, negative), negative);
                const __m128i q = _mm_mulhi_epu16(size, ks);
                return _mm_add_epi16(dk, _mm_sub_epi16(_mm_xor_si128(q, negative), negative));
            };
            for (; x + 8 <= j.width; x += 8, out += 16) {
                const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
                const __m128i db = _mm_and_si128(dv, _mm_set1_epi16(0x1F));
                const __m128i dg = _mm_and_si128(_mm_srli_epi16(dv, 5), _mm_set1_epi16(0x3F));
                const __m128i dr = _mm_srli_epi16(dv, 11);
                const __m128i r = _mm_or_si128(_mm_or_si128(toward(cb, db), _mm_slli_epi16(toward(cg, dg), 5)),
                                               _mm_slli_epi16(toward(cr, dr), 11));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
            }
        }
#endif
        for (; x < j.width; ++x, out += Bits / 8) store_dst<Bits>(out, solid_rule<Mode, Bits>(j.setup, load_dst<Bits>(out)));
    }
}

template <std::size_t... I>
constexpr std::array<box_loop, 14> box_table(std::index_sequence<I...>)
{
    return {&box_rows<table_modes[I % 7], I < 7 ? 16 : 32>...};
}

constexpr auto box_loops = box_table(std::make_index_sequence<14>{});

}  // namespace

box_loop find_box_loop(int bits, int slot)
{
    if (slot < 0 || slot >= 7 || (bits != 16 && bits != 32)) return nullptr;
    return box_loops[static_cast<std::size_t>((bits == 32 ? 7 : 0) + slot)];
}

}  // namespace media::soft

void DrawMemImgBox(MEMIMG* dst, const RECT* rect, std::uint32_t colour)
{
    using namespace media::soft;
    if (!drawable(dst)) return;
    const MEMIMG_BASE& db = *dst->base;
    if (db.paletted || db.alpha || db.format_index > 1) return;
    const int bits = db.format_index == 1 ? 32 : 16;
    if (db.format->pixel_bytes != bits / 8) return;
    RECT r = rect != nullptr ? RECT{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                                    std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)}
                             : RECT{0, 0, dst->width, dst->height};
    RECT area;
    if (!destination_area(*dst, &area)) return;
    ClipRectToRect(&r, &area);
    if (r.right <= r.left || r.bottom <= r.top) return;

    const auto& state = media::gfx::draw_state;
    int mode = state.blend_mode;
    const int p = state.blend_param;
    if (!drawing_mode(mode, p)) return;

    box_job job{};
    job.dst = static_cast<unsigned char*>(dst->pixels) + static_cast<long>(r.top) * db.pitch +
              static_cast<long>(r.left) * (bits / 8);
    job.dst_pitch = db.pitch;
    job.width = r.right - r.left;
    job.height = r.bottom - r.top;
    job.bits = bits;
    job.setup = make_solid_setup(bits, colour);
    const box_loop loop = generic_loops_forced() ? nullptr : find_box_loop(bits, mode_slot(mode));
    if (loop != nullptr)
        loop(job);
    else
        generic_box(job, mode);
}
