// The triangle fill's span loops: the values fixed once per call, one
// template per family (solid, textured) over its compile-time axes, and the
// tables of their instantiations. Included by the triangle_spans_*.cpp files,
// one per family, and by triangle.cpp for the records.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "media/softrender/loops.hpp"
#include "media/softrender/solid.hpp"

namespace media::soft {

// What every span of one triangle call reads; fixed before the first row.
struct triangle_job {
    const unsigned char* src;       // the source view's first pixel (textured)
    long src_pitch;
    std::uint32_t u_limit, v_limit;  // the source's width and height in 14.18, the texel test's bounds
    const unsigned char* blend;     // the blend image's first byte, or null
    long blend_pitch;
    const unsigned char* palette;   // a paletted source's entries
    const std::uint8_t* weights;    // the blend-image weight table
    std::uint32_t u_step, v_step;   // 14.18 texel steps per column (wrapping)
    blend_setup setup;              // textured spans
    solid_setup solid;              // solid spans: the prepared colour
};

// Draws count pixels from out rightward; u and v are the texel position of
// the first pixel in 14.18 (textured spans).
using triangle_span = void (*)(const triangle_job&, unsigned char* out, int count, std::uint32_t u, std::uint32_t v);

template <int Mode, int Bits>
void solid_span(const triangle_job& job, unsigned char* out, int count, std::uint32_t, std::uint32_t)
{
    const solid_setup c = job.solid;
    if constexpr (Mode == 0 && Bits == 16) {
        // two pixels a word once out is word aligned
        if (count > 0 && (reinterpret_cast<std::uintptr_t>(out) & 2) != 0) {
            store16(out, c.colour);
            out += 2;
            --count;
        }
        const std::uint32_t pair = c.colour | c.colour << 16;
        for (; count >= 2; count -= 2, out += 4) store32(out, pair);
    }
    for (; count > 0; --count, out += Bits / 8) store_dst<Bits>(out, solid_rule<Mode, Bits>(c, load_dst<Bits>(out)));
}

// A texel outside the source (u or v, unsigned, at or past its bound) leaves
// its pixel unchanged; there is no wrapping and no clamping.
template <int Mode, int Bits, int Kind, bool BlendImage, bool Bright, bool Trans>
void textured_span(const triangle_job& job, unsigned char* out, int count, std::uint32_t u, std::uint32_t v)
{
    constexpr int sb = source_bytes(Bits, Kind), db = Bits / 8;
    // paletted sources compare the index, so the rule never sees the flag
    constexpr bool rule_trans = Kind == kind_paletted ? false : Trans;
    // local copies, which the byte-pointer stores cannot touch
    const blend_setup setup = job.setup;
    const unsigned char* const src = job.src;
    const long src_pitch = job.src_pitch;
    const std::uint32_t u_limit = job.u_limit, v_limit = job.v_limit, u_step = job.u_step, v_step = job.v_step;
    const unsigned char* const blend = job.blend;
    const long blend_pitch = job.blend_pitch;
    const unsigned char* const palette = job.palette;
    const std::uint8_t* const weights = job.weights;
    for (; count > 0; --count, out += db, u += u_step, v += v_step) {
        if (u >= u_limit || v >= v_limit) continue;
        const std::uint32_t column = u >> 18, row = v >> 18;
        const unsigned char* px = src + static_cast<long>(row) * src_pitch + static_cast<long>(column) * sb;
        if constexpr (Kind == kind_paletted && Trans) {
            if (*px == setup.transparent) continue;
        }
        int a = 255;
        const std::uint32_t s = fetch<Bits, Kind>(px, palette, a);
        int weight = 0;
        if constexpr (BlendImage) weight = weights[blend[static_cast<long>(row) * blend_pitch + column]];
        std::uint32_t d = load_dst<Bits>(out);
        if (triangle_rule<Mode, Bits, BlendImage, Kind == kind_alpha, Bright, rule_trans>(setup, s, a, weight, d))
            store_dst<Bits>(out, d);
    }
}

// The textured loops of one pixel size and the source kinds Kinds, indexed
// by blit_key::index(); null for the kinds another family holds.
template <int Bits, int... Kinds>
struct textured_table {
    template <std::size_t I>
    static constexpr triangle_span entry()
    {
        constexpr bool trans = (I & 1) != 0, bright = (I & 2) != 0, blend = (I & 4) != 0;
        constexpr int slot = static_cast<int>(I / 8 % 7), kind = static_cast<int>(I / 56);
        if constexpr (((kind == Kinds) || ...))
            return &textured_span<table_modes[slot], Bits, kind, blend, bright, trans>;
        else
            return nullptr;
    }
    template <std::size_t... I>
    static constexpr std::array<triangle_span, blit_keys> make(std::index_sequence<I...>)
    {
        return {entry<I>()...};
    }
};

// The loops of each family: key as above, or the mode slot for solid spans.
triangle_span find_solid_span(int bits, int mode_slot);
triangle_span find_textured_span_32(int index);   // direct and alpha 32-bit sources
triangle_span find_textured_span_16(int index);   // direct and alpha 16-bit sources
triangle_span find_paletted_span(int bits, int index);
// Every pixel through the rules' run-time choosers (the generic path).
void generic_solid_span(const triangle_job& job, int mode, int bits, unsigned char* out, int count);
void generic_textured_span(const triangle_job& job, const blit_key& key, unsigned char* out, int count,
                           std::uint32_t u, std::uint32_t v);

}  // namespace media::soft
