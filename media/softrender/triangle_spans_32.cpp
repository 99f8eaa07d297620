// The triangle fill's textured loops for direct and alpha 32-bit sources.
#include "media/softrender/triangle_spans.hpp"

namespace media::soft {

namespace {

constexpr auto loops = textured_table<32, kind_direct, kind_alpha>::make(std::make_index_sequence<blit_keys>{});

}  // namespace

triangle_span find_textured_span_32(int index)
{
    if (index < 0 || index >= blit_keys) return nullptr;
    return loops[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
