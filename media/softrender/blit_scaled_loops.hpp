// The scaled blit's loops: one template over pixel size, source kind, mode,
// blend image, draw bright and transparency flag on the shared walk, and the
// table of its instantiations for one pixel size. Included by
// blit_scaled_32.cpp and blit_scaled_16.cpp.
#pragma once

#include <array>
#include <utility>

#include "media/softrender/loops.hpp"

namespace media::soft::scaled {

template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans>
void loop(const scaled_job& job)
{
    // a local copy, which the byte-pointer stores cannot touch
    const scaled_job j = job;
    constexpr int sb = source_bytes(Bits, Kind);
    constexpr bool rule_trans = Kind == kind_paletted ? false : Trans;
    const std::uint8_t* weights = j.setup.tables->weight;
    scaled_walk<Bits / 8>(j, [&](unsigned char* out, int column, int row) {
        const unsigned char* px = j.src + row * j.src_pitch + column * sb;
        if constexpr (Kind == kind_paletted && Trans) {
            if (*px == j.setup.transparent) return;
        }
        int a = 255;
        const std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
        int weight = 0;
        if constexpr (BlendImage) weight = weights[j.blend[row * j.blend_pitch + column]];
        std::uint32_t d = load_dst<Bits>(out);
        if (scaled_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, rule_trans>(j.setup, s, a, weight, d))
            store_dst<Bits>(out, d);
    });
}

template <int Bits, std::size_t I>
constexpr scaled_loop entry()
{
    constexpr bool trans = (I & 1) != 0, bright = (I & 2) != 0, blend = (I & 4) != 0;
    constexpr int slot = static_cast<int>(I / 8 % 7), kind = static_cast<int>(I / 56);
    return &loop<table_modes[slot], Bits, kind, blend, bright, trans>;
}

template <int Bits, std::size_t... I>
constexpr std::array<scaled_loop, blit_keys> table(std::index_sequence<I...>)
{
    return {entry<Bits, I>()...};
}

}  // namespace media::soft::scaled
