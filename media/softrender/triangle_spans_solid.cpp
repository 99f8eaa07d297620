// The triangle fill's solid loops: one per mode and pixel size.
#include "media/softrender/triangle_spans.hpp"

namespace media::soft {

namespace {

template <std::size_t... I>
constexpr std::array<triangle_span, 14> solid_table(std::index_sequence<I...>)
{
    return {&solid_span<table_modes[I % 7], I < 7 ? 16 : 32>...};
}

constexpr auto loops = solid_table(std::make_index_sequence<14>{});

}  // namespace

triangle_span find_solid_span(int bits, int slot)
{
    if (slot < 0 || slot >= 7 || (bits != 16 && bits != 32)) return nullptr;
    return loops[static_cast<std::size_t>((bits == 32 ? 7 : 0) + slot)];
}

}  // namespace media::soft
