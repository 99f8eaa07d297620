// The same-size blit's run-table loops for 32-bit pixels.
#include "media/softrender/blit_same_loops.hpp"

namespace media::soft {

namespace {

constexpr auto loops = same::table<32, true>(std::make_index_sequence<blit_keys>{});

}  // namespace

same_loop find_same_run_loop_32(int index)
{
    if (index < 0 || index >= blit_keys) return nullptr;
    return loops[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
