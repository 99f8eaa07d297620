// The scaled blit's loops: one template over pixel size, source kind, mode,
// blend image, draw bright and transparency flag on the shared walk, and the
// table of its instantiations for one pixel size. Included by
// blit_scaled_32.cpp and blit_scaled_16.cpp.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "media/softrender/loops.hpp"
#include "media/softrender/vector_rows.hpp"

namespace media::soft::scaled {

template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans>
void loop(const scaled_job& job)
{
    // a local copy, which the byte-pointer stores cannot touch
    const scaled_job j = job;
    constexpr int sb = source_bytes(Bits, Kind), db = Bits / 8;
    constexpr bool rule_trans = Kind == kind_paletted ? false : Trans;
    const std::uint8_t* weights = j.setup.tables->weight;
    // the walk's columns worked out once for all rows
    int local[1024];
    std::vector<int> wide;
    int* columns = local;
    if (j.width > 1024) {
        wide.resize(static_cast<std::size_t>(j.width));
        columns = wide.data();
    }
    scaled_columns(j, columns);
    int row = j.row;
    std::int32_t y_acc = j.y_start;
    unsigned char* out_row = j.dst;
    for (int y = 0; y < j.height; ++y, out_row += j.dst_pitch) {
        const unsigned char* in = j.src + row * j.src_pitch;
        const unsigned char* blend = BlendImage ? j.blend + row * j.blend_pitch : nullptr;
        unsigned char* out = out_row;
        if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            // several pixels a step where the row does not overlap the source
            // row it reads (a view drawn into its own body keeps the pixel
            // order, whose reads see the pixels already written)
            const int first = std::min(columns[0], columns[j.width - 1]), last = std::max(columns[0], columns[j.width - 1]);
            const unsigned char *lo = in + first * sb, *hi = in + (last + 1) * sb;
            if (!std::less<>{}(lo, out + j.width * db) || !std::less<>{}(out, hi))
                (Bits == 32 ? rows().gather32 : rows().gather16)(out, in, columns, j.width);
            else
                for (int x = 0; x < j.width; ++x, out += db) store_dst<Bits>(out, load_dst<Bits>(in + columns[x] * sb));
        } else if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && Trans) {
            // the source pixel unless it is the transparent colour
            const std::uint32_t key = j.setup.transparent;
            for (int x = 0; x < j.width; ++x, out += db) {
                const std::uint32_t s = load_dst<Bits>(in + columns[x] * sb);
                store_dst<Bits>(out, s != key ? s : load_dst<Bits>(out));
            }
        } else {
            for (int x = 0; x < j.width; ++x, out += db) {
                const int column = columns[x];
                const unsigned char* px = in + column * sb;
                if constexpr (Kind == kind_paletted && Trans) {
                    if (*px == j.setup.transparent) continue;
                }
                int a = 255;
                const std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
                int weight = 0;
                if constexpr (BlendImage) weight = weights[blend[column]];
                std::uint32_t d = load_dst<Bits>(out);
                if (scaled_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, rule_trans>(j.setup, s, a, weight, d))
                    store_dst<Bits>(out, d);
            }
        }
        y_acc -= 65536;
        while (y_acc <= 0) {
            y_acc += j.y_step;
            row += j.row_step;
        }
    }
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
