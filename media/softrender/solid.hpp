// The constant-colour arithmetic of the blend modes, one rule per mode and
// pixel size written once for one destination pixel; the box fill and the
// lines instantiate their loops over it. Also their work records.
#pragma once

#include <cstdint>

#include "media/softrender/loops.hpp"

namespace media::soft {

// What one box or line call fixes before its first pixel.
struct solid_setup {
    std::uint32_t colour;  // prepared: draw bright applied; 16-bit: the 5:6:5 value
    std::uint32_t addend;  // modes 2 and 3: the colour's channels through the parameter's product row
    int param;
    const MEMIMG_BLENDTABLES* tables;
};

// The setup of the current drawing state for a colour in the destination's
// pixel format (bits 16 or 32): draw bright scales each channel by its bright
// byte, >> 8 (box and lines), or through the products table, / 255 rounded
// down, with by_table (the triangle fill, which scales even at bright 255,
// where the table maps each value to itself).
solid_setup make_solid_setup(int bits, std::uint32_t colour, bool by_table = false);

// The new destination pixel for mode Mode (0, 1, 2, 3, 4, 10 or 11; mode 1 at
// 255 and modes 1 to 3 at 0 are settled by the caller). A 16-bit pixel is the
// 5:6:5 word, zero-extended.
template <int Mode, int Bits>
inline std::uint32_t solid_rule(const solid_setup& c, std::uint32_t d)
{
    static_assert(Bits == 16 || Bits == 32, "16- or 32-bit pixels");
    using layout = channels<Bits>;
    const int p = c.param;
    if constexpr (Mode == 0) {
        return c.colour;
    } else if constexpr (Mode == 2) {
        return Bits == 32 ? add_word32(d, c.addend) : add_word16(d, c.addend);
    } else if constexpr (Mode == 3) {
        return Bits == 32 ? subtract_word32(d, c.addend) : subtract_word16(d, c.addend);
    } else {
        const std::int32_t* difference = c.tables->difference[p] + 255;
        std::uint32_t out = Bits == 32 ? d & 0xFF000000u : 0;
        for (int i = 0; i < 3; ++i) {
            const int width = layout::width[i], shift = layout::shift[i];
            const int top = (1 << width) - 1;
            const int dk = static_cast<int>(d >> shift) & top, ck = static_cast<int>(c.colour >> shift) & top;
            int v;
            if constexpr (Mode == 1) {
                v = Bits == 32 ? (dk * 256 + (ck - dk) * p) >> 8 : dk + difference[ck - dk];
            } else if constexpr (Mode == 4) {
                v = (dk * ck) >> width;
            } else if constexpr (Mode == 10) {
                v = Bits == 32 ? (dk * 256 + ((top - ck) - dk) * p) >> 8 : dk + difference[(top - ck) - dk];
            } else {
                static_assert(Mode == 11, "modes 0 to 4, 10 and 11");
                const int t = (dk * ck) >> width;
                v = Bits == 32 ? (dk * 256 + (t - dk) * p) >> 8 : dk + difference[t - dk];
            }
            out |= static_cast<std::uint32_t>(v & top) << shift;
        }
        return out;
    }
}

// The rule chosen at run time (the generic path and the tests); d unchanged
// for a mode without arithmetic.
std::uint32_t solid_pixel(const solid_setup& setup, int mode, int bits, std::uint32_t d);

// One box fill after clipping.
struct box_job {
    unsigned char* dst;  // the first pixel
    long dst_pitch;
    int width, height;
    int bits;
    solid_setup setup;
};
using box_loop = void (*)(const box_job&);
box_loop find_box_loop(int bits, int mode_slot);
void generic_box(const box_job& job, int mode);

// One line after clipping: the start pixel, the signed byte steps of each
// axis and the absolute extents; dx >= dy walks along x.
struct line_job {
    unsigned char* start;
    long x_step, y_step;
    int dx, dy;
    int bits;
    solid_setup setup;
};
using line_loop = void (*)(const line_job&);
line_loop find_line_loop(int bits, int mode_slot, bool x_major);
void generic_line(const line_job& job, int mode);

}  // namespace media::soft
