// The triangle fill's textured loops for paletted sources, both pixel sizes.
#include "media/softrender/triangle_spans.hpp"

namespace media::soft {

namespace {

constexpr auto loops_32 = textured_table<32, kind_paletted>::make(std::make_index_sequence<blit_keys>{});
constexpr auto loops_16 = textured_table<16, kind_paletted>::make(std::make_index_sequence<blit_keys>{});

}  // namespace

triangle_span find_paletted_span(int bits, int index)
{
    if (index < 0 || index >= blit_keys || (bits != 16 && bits != 32)) return nullptr;
    return (bits == 32 ? loops_32 : loops_16)[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
