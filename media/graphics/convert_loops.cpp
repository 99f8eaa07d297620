// The instantiated conversion loops and the table that picks one by the exact
// pair of formats.
#include "media/graphics/convert_loops.hpp"

#include "media/graphics/internal.hpp"

namespace media::gfx {

namespace {

using namespace loops;

// The formats a loop exists for, by index.
enum format_id { id_p8, id_r5g6b5, id_x1r5g5b5, id_a1r5g5b5, id_a4r4g4b4, id_r8g8b8, id_x8r8g8b8, id_a8r8g8b8, id_count };

template <class F>
bool matches(const PIXFMT& f, bool as_destination)
{
    auto mask = [](int shift, int width) { return width == 0 ? 0u : ((1u << width) - 1) << shift; };
    return f.pixel_bytes == F::bytes && f.color_bits == F::bytes * 8 && f.kind == 0 &&
           f.red_shift == F::rs && f.red_width == F::rw && f.red_mask == mask(F::rs, F::rw) &&
           f.green_shift == F::gs && f.green_width == F::gw && f.green_mask == mask(F::gs, F::gw) &&
           f.blue_shift == F::bs && f.blue_width == F::bw && f.blue_mask == mask(F::bs, F::bw) &&
           f.alpha_width == F::aw && f.alpha_mask == mask(F::as, F::aw) && (F::aw == 0 || f.alpha_shift == F::as) &&
           (!as_destination || f.unused_mask == F::unused);
}

int identify(const PIXFMT& f, bool as_destination)
{
    if (matches<p8>(f, as_destination)) return as_destination ? -1 : id_p8;
    if (matches<r5g6b5>(f, as_destination)) return id_r5g6b5;
    if (matches<x1r5g5b5>(f, as_destination)) return id_x1r5g5b5;
    if (matches<a1r5g5b5>(f, as_destination)) return id_a1r5g5b5;
    if (matches<a4r4g4b4>(f, as_destination)) return id_a4r4g4b4;
    if (matches<r8g8b8>(f, as_destination)) return id_r8g8b8;
    if (matches<x8r8g8b8>(f, as_destination)) return id_x8r8g8b8;
    if (matches<a8r8g8b8>(f, as_destination)) return id_a8r8g8b8;
    return -1;
}

template <class S>
constexpr convert_loop row_of(int d)
{
    switch (d) {
    case id_r5g6b5: return convert_rows<S, r5g6b5>;
    case id_x1r5g5b5: return convert_rows<S, x1r5g5b5>;
    case id_a1r5g5b5: return convert_rows<S, a1r5g5b5>;
    case id_x8r8g8b8: return convert_rows<S, x8r8g8b8>;
    case id_a8r8g8b8: return convert_rows<S, a8r8g8b8>;
    default: return nullptr;
    }
}

struct loop_table {
    convert_loop loop[id_count][id_count] = {};
    constexpr loop_table()
    {
        for (int d = 0; d < id_count; ++d) {
            loop[id_p8][d] = row_of<p8>(d);
            loop[id_r5g6b5][d] = row_of<r5g6b5>(d);
            loop[id_x1r5g5b5][d] = row_of<x1r5g5b5>(d);
            loop[id_a1r5g5b5][d] = row_of<a1r5g5b5>(d);
            loop[id_a4r4g4b4][d] = row_of<a4r4g4b4>(d);
            loop[id_r8g8b8][d] = row_of<r8g8b8>(d);
            loop[id_x8r8g8b8][d] = row_of<x8r8g8b8>(d);
            loop[id_a8r8g8b8][d] = row_of<a8r8g8b8>(d);
        }
    }
};

// Paletted, 16-, 24- and 32-bit sources into 5:6:5, 1:5:5:5 and 8:8:8:8
// destinations. Pairs of one format never reach here (whole rows are copied
// before), so their entries are never read.
constexpr loop_table table;

template <class S>
constexpr keyed_convert_loop keyed_of(int d)
{
    switch (d) {
    case id_a1r5g5b5: return convert_rows_keyed<S, a1r5g5b5>;
    case id_a8r8g8b8: return convert_rows_keyed<S, a8r8g8b8>;
    default: return nullptr;
    }
}

struct keyed_table {
    keyed_convert_loop loop[id_count][id_count] = {};
    constexpr keyed_table()
    {
        for (int d = 0; d < id_count; ++d) {
            loop[id_p8][d] = keyed_of<p8>(d);
            loop[id_r5g6b5][d] = keyed_of<r5g6b5>(d);
            loop[id_x1r5g5b5][d] = keyed_of<x1r5g5b5>(d);
            loop[id_r8g8b8][d] = keyed_of<r8g8b8>(d);
            loop[id_x8r8g8b8][d] = keyed_of<x8r8g8b8>(d);
        }
    }
};

// Sources without alpha into the destinations with alpha (a source with
// alpha keeps its own, so no key applies to it).
constexpr keyed_table keyed;

}  // namespace

keyed_convert_loop find_keyed_convert_loop(const PIXFMT& src, const PIXFMT& dst, std::uint32_t transparent,
                                           std::uint32_t& key)
{
    const int s = identify(src, false), d = identify(dst, true);
    if (s < 0 || d < 0 || keyed.loop[s][d] == nullptr) return nullptr;
    // the colour's bytes narrowed to the source's field widths (all 8 or less here)
    key = (transparent >> 16 & 0xFF) >> (8 - src.red_width) << src.red_shift |
          (transparent >> 8 & 0xFF) >> (8 - src.green_width) << src.green_shift |
          (transparent & 0xFF) >> (8 - src.blue_width) << src.blue_shift;
    return keyed.loop[s][d];
}

convert_loop find_convert_loop(const PIXFMT& src, const PIXFMT& dst)
{
    const int s = identify(src, false), d = identify(dst, true);
    return s < 0 || d < 0 ? nullptr : table.loop[s][d];
}

}  // namespace media::gfx
