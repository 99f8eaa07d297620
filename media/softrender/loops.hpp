// What the blits' specialised loops and their generic path share: the work
// records the prologues fill, pixel access without unaligned-access faults,
// the scaled walk, the keys of the loop tables and the generic path.
#pragma once

#include <cstdint>
#include <cstring>

#include "media/softrender/blend.hpp"

namespace media::soft {

// Forces the generic path of the blits, the box fill and the lines (tests);
// the environment variable of LOOPSTATE wins over it.
void force_generic_loops(int on);
bool generic_loops_forced();

// ---- pixel access ----

inline std::uint32_t load32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline std::uint32_t load16(const unsigned char* p)
{
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void store32(unsigned char* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline void store16(unsigned char* p, std::uint32_t v)
{
    const auto h = static_cast<std::uint16_t>(v);
    std::memcpy(p, &h, 2);
}

// Source kinds: a palette index, a direct pixel, a direct pixel with alpha.
enum source_kind { kind_paletted = 0, kind_direct = 1, kind_alpha = 2 };

// Bytes of one source pixel: an index is one byte; a 16-bit alpha pixel is
// four (the 5:6:5 word, the alpha, a zero byte).
constexpr int source_bytes(int bits, int kind) { return kind == kind_paletted ? 1 : bits == 32 || kind == kind_alpha ? 4 : 2; }

// The colour of the source pixel at px (a palette index's entry in the
// scratch palette) and, for alpha sources, its alpha.
template <int Bits, int Kind>
inline std::uint32_t fetch(const unsigned char* px, const unsigned char* palette, int& a)
{
    if constexpr (Kind == kind_paletted) {
        return Bits == 32 ? load32(palette + 4 * *px) : load16(palette + 2 * *px);
    } else if constexpr (Bits == 32) {
        const std::uint32_t v = load32(px);
        if constexpr (Kind == kind_alpha) a = static_cast<int>(v >> 24);
        return v;
    } else {
        if constexpr (Kind == kind_alpha) a = px[2];
        return load16(px);
    }
}

template <int Bits>
inline std::uint32_t load_dst(const unsigned char* p)
{
    return Bits == 32 ? load32(p) : load16(p);
}
template <int Bits>
inline void store_dst(unsigned char* p, std::uint32_t v)
{
    if constexpr (Bits == 32)
        store32(p, v);
    else
        store16(p, v);
}

// ---- loop keys ----

// The modes with software arithmetic, in table order.
inline constexpr int table_modes[7] = {0, 1, 2, 3, 4, 10, 11};
// Position of a mode in table_modes, or -1 for a mode that draws nothing.
int mode_slot(int mode);
// The mode a drawing call uses: false when it draws nothing (a mode without
// arithmetic, or modes 1 to 3 at parameter 0); mode 1 at 255 becomes the
// plain copy, mode 0.
bool drawing_mode(int& mode, int p);

// A key of the blit tables: index = ((kind x 7 + mode slot) x 2 + blend
// image) x 4 + draw bright x 2 + transparency flag, one table per pixel size
// (and path, for the same-size blit).
inline constexpr int blit_keys = 3 * 7 * 8;
struct blit_key {
    int bits, kind, mode;
    bool blend_image, bright, transparency;
    bool runs;  // same-size blit: the run-table path
    int index() const
    {
        return ((kind * 7 + mode_slot(mode)) * 2 + (blend_image ? 1 : 0)) * 4 + (bright ? 2 : 0) + (transparency ? 1 : 0);
    }
};

// ---- same-size blit ----

// One same-size blit after its prologue: the clipped rectangle's first
// pixels, pitches and size. The run-table path has the whole source.
struct same_job {
    unsigned char* dst;
    long dst_pitch;
    const unsigned char* src;
    long src_pitch;
    const unsigned char* blend;  // null without blend image
    long blend_pitch;
    const unsigned char* runs;   // the run codes on the run-table path
    const unsigned char* palette;  // the scratch palette of a paletted source
    int width, height;
    blend_setup setup;
};
using same_loop = void (*)(const same_job&);

// The specialised loop for the key, or null: plain path (blit_same_32.cpp,
// blit_same_16.cpp) and run-table path (blit_same_runs_32.cpp, blit_same_runs_16.cpp).
same_loop find_same_loop_32(int index);
same_loop find_same_loop_16(int index);
same_loop find_same_run_loop_32(int index);
same_loop find_same_run_loop_16(int index);
void generic_blit_same(const same_job& job, const blit_key& key);

// ---- scaled blit ----

// One scaled blit after its prologue: the clipped destination rectangle, the
// source's first pixel (of the view), and the walk's start values.
struct scaled_job {
    unsigned char* dst;
    long dst_pitch;
    const unsigned char* src;
    long src_pitch;
    const unsigned char* blend;  // null without blend image
    long blend_pitch;
    const unsigned char* palette;
    int width, height;          // clipped destination pixels and rows
    int column, row;            // the first source column and row
    int column_step, row_step;  // +1, or -1 on a mirrored axis
    std::int32_t x_step, y_step;     // 16.16 destination pixels per source pixel
    std::int32_t x_start, y_start;   // the accumulators' start values
    blend_setup setup;
};
using scaled_loop = void (*)(const scaled_job&);

// The walk every scaled loop shares: draw(destination pixel, source column,
// source row) for each clipped destination pixel, rows top to bottom and
// pixels left to right; the accumulators take the columns and rows of the
// unclipped picture.
template <int DstBytes, class Draw>
inline void scaled_walk(const scaled_job& j, Draw&& draw)
{
    int row = j.row;
    std::int32_t y_acc = j.y_start;
    unsigned char* out_row = j.dst;
    for (int y = 0; y < j.height; ++y, out_row += j.dst_pitch) {
        int column = j.column;
        std::int32_t x_acc = j.x_start;
        unsigned char* out = out_row;
        for (int x = 0;;) {
            draw(out, column, row);
            if (++x == j.width) break;
            out += DstBytes;
            x_acc -= 65536;
            while (x_acc <= 0) {
                x_acc += j.x_step;
                column += j.column_step;
            }
        }
        y_acc -= 65536;
        while (y_acc <= 0) {
            y_acc += j.y_step;
            row += j.row_step;
        }
    }
}

// The source column of each of the job's destination pixels in a row, as
// the walk above steps them (the same for every row).
inline void scaled_columns(const scaled_job& j, int* columns)
{
    int column = j.column;
    std::int32_t x_acc = j.x_start;
    for (int x = 0;;) {
        columns[x] = column;
        if (++x == j.width) break;
        x_acc -= 65536;
        while (x_acc <= 0) {
            x_acc += j.x_step;
            column += j.column_step;
        }
    }
}

scaled_loop find_scaled_loop_32(int index);
scaled_loop find_scaled_loop_16(int index);
void generic_blit_scaled(const scaled_job& job, const blit_key& key);
bool scaled_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                  std::uint32_t s, int a, int w, std::uint32_t* d);

}  // namespace media::soft
