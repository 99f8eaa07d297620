// The triangle fill's textured loops for direct and alpha 16-bit sources.
#include "media/softrender/triangle_spans.hpp"

namespace media::soft {

namespace {

constexpr auto loops = textured_table<16, kind_direct, kind_alpha>::make(std::make_index_sequence<blit_keys>{});

}  // namespace

triangle_span find_textured_span_16(int index)
{
    if (index < 0 || index >= blit_keys) return nullptr;
    return loops[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
