// The scaled blit's loops for 16-bit pixels.
#include "media/softrender/blit_scaled_loops.hpp"

namespace media::soft {

namespace {

constexpr auto loops = scaled::table<16>(std::make_index_sequence<blit_keys>{});

}  // namespace

scaled_loop find_scaled_loop_16(int index)
{
    if (index < 0 || index >= blit_keys) return nullptr;
    return loops[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
