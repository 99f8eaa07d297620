// The same-size blit's loops for 32-bit pixels, both paths.
#include "media/softrender/blit_same_loops.hpp"

namespace media::soft {

namespace {

constexpr auto plain_loops = same::table<32, false>(std::make_index_sequence<blit_keys>{});
constexpr auto run_loops = same::table<32, true>(std::make_index_sequence<blit_keys>{});

}  // namespace

same_loop find_same_loop_32(bool runs, int index)
{
    if (index < 0 || index >= blit_keys) return nullptr;
    return runs ? run_loops[static_cast<std::size_t>(index)] : plain_loops[static_cast<std::size_t>(index)];
}

}  // namespace media::soft
