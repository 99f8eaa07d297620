// The same-size blit's loops: one template over pixel size, source kind,
// path, mode, blend image, draw bright and transparency flag, and the table
// of its instantiations for one pixel size and path. Included by the four
// translation units that instantiate it (blit_same_32.cpp, blit_same_16.cpp,
// blit_same_runs_32.cpp, blit_same_runs_16.cpp).
#pragma once

#include <array>
#include <utility>

#include "media/softrender/loops.hpp"

namespace media::soft::same {

// One source pixel at px over the destination pixel at out. Paletted sources
// compare the index with the transparent colour here; the rule compares
// direct pixels and alphas.
template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans, bool Plain>
inline void pixel(const same_job& j, const unsigned char* px, int weight, unsigned char* out)
{
    if constexpr (Kind == kind_paletted && Trans) {
        if (*px == j.setup.transparent) return;
    }
    int a = 255;
    const std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
    std::uint32_t d = load_dst<Bits>(out);
    constexpr bool rule_trans = Kind == kind_paletted ? false : Trans;
    if (blend_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, rule_trans, Plain>(j.setup, s, a, weight, d))
        store_dst<Bits>(out, d);
}

// The full-strength add and subtract of 16-bit pixels: pairs of drawn pixels
// as one word, the left one in the low half; a pixel whose partner is
// skipped, and an odd last pixel, alone.
template <int Mode, int Kind, bool Trans>
void paired(const same_job& j)
{
    constexpr int sb = source_bytes(16, Kind);
    auto drawn = [&](const unsigned char* px) {
        if constexpr (!Trans) return true;
        if constexpr (Kind == kind_paletted)
            return *px != j.setup.transparent;
        else
            return load16(px) != j.setup.transparent;
    };
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
        for (; x + 1 < j.width; x += 2, in += 2 * sb, out += 4) {
            if (drawn(in) && drawn(in + sb)) {
                int a = 255;
                const std::uint32_t s = fetch<16, Kind>(in, j.palette, a) | fetch<16, Kind>(in + sb, j.palette, a) << 16;
                const std::uint32_t d = load32(out);
                store32(out, Mode == 2 ? add_pair16(d, s) : subtract_pair16(d, s));
            } else {
                pixel<Mode, 16, Kind, false, false, Trans, true>(j, in, 0, out);
                pixel<Mode, 16, Kind, false, false, Trans, true>(j, in + sb, 0, out + 2);
            }
        }
        if (x < j.width) pixel<Mode, 16, Kind, false, false, Trans, true>(j, in, 0, out);
    }
}

template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans, bool Runs>
void loop(const same_job& job)
{
    // a local copy: the pixel stores go through byte pointers, which would
    // otherwise oblige the compiler to read the job's fields again after each
    const same_job j = job;
    constexpr int sb = source_bytes(Bits, Kind), db = Bits / 8;
    const std::uint8_t* weights = j.setup.tables->weight;
    if constexpr (!Runs) {
        if constexpr (Mode == 0 && Kind == kind_direct && !BlendImage && !Bright && !Trans) {
            // whole rows copied
            for (int y = 0; y < j.height; ++y)
                std::memcpy(j.dst + y * j.dst_pitch, j.src + y * j.src_pitch, static_cast<std::size_t>(j.width) * db);
            return;
        }
        if constexpr (Bits == 16 && (Mode == 2 || Mode == 3) && Kind != kind_alpha && !BlendImage && !Bright) {
            if (j.setup.param == 255) return paired<Mode, Kind, Trans>(j);
        }
        for (int y = 0; y < j.height; ++y) {
            const unsigned char* in = j.src + y * j.src_pitch;
            const unsigned char* blend = BlendImage ? j.blend + y * j.blend_pitch : nullptr;
            unsigned char* out = j.dst + y * j.dst_pitch;
            for (int x = 0; x < j.width; ++x, in += sb, out += db)
                pixel<Mode, Bits, Kind, BlendImage, Bright, Trans, true>(j, in, BlendImage ? weights[blend[x]] : 0, out);
        }
    } else {
        // run codes: bits 7-6 kind (0 skipped, 1 opaque, 2 with alpha; both
        // set ends the row), bits 5-0 the run length less one
        const unsigned char* code = j.runs;
        for (int y = 0; y < j.height; ++y) {
            const unsigned char* in = j.src + y * j.src_pitch;
            const unsigned char* blend = BlendImage ? j.blend + y * j.blend_pitch : nullptr;
            unsigned char* out = j.dst + y * j.dst_pitch;
            int x = 0;
            for (;;) {
                const unsigned c = *code++;
                if ((c & 0xC0) == 0xC0) break;
                int n = static_cast<int>(c & 63) + 1;
                if (n > j.width - x) n = j.width - x;  // a table longer than its row draws no further
                if ((c >> 6) != 0) {
                    for (int i = x; i < x + n; ++i) {
                        const unsigned char* px = in + i * sb;
                        const int weight = BlendImage ? weights[blend[i]] : 0;
                        unsigned char* o = out + i * db;
                        int a = 255;
                        std::uint32_t s = fetch<Bits, Kind>(px, j.palette, a);
                        if constexpr (Kind == kind_alpha) {
                            // an opaque run drops the alpha factor
                            if ((c >> 6) == 1) a = 255;
                        }
                        std::uint32_t d = load_dst<Bits>(o);
                        if (blend_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, Kind == kind_alpha, false>(
                                j.setup, s, a, weight, d))
                            store_dst<Bits>(o, d);
                    }
                }
                x += n;
            }
        }
    }
}

template <int Bits, bool Runs, std::size_t I>
constexpr same_loop entry()
{
    constexpr bool trans = (I & 1) != 0, bright = (I & 2) != 0, blend = (I & 4) != 0;
    constexpr int slot = static_cast<int>(I / 8 % 7), kind = static_cast<int>(I / 56);
    if constexpr (Runs && !trans)
        return nullptr;  // the run-table path is taken only with the flag
    else
        return &loop<table_modes[slot], Bits, kind, blend, bright, trans, Runs>;
}

template <int Bits, bool Runs, std::size_t... I>
constexpr std::array<same_loop, blit_keys> table(std::index_sequence<I...>)
{
    return {entry<Bits, Runs, I>()...};
}

}  // namespace media::soft::same
