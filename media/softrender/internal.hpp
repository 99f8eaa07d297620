// Records the software renderer's files share, and the reset of their state.
#pragma once

#include <cstdint>

struct MEMIMG_BASE;

namespace media::soft {

// Puts every global state record of the software renderer back to its state
// at process start (tests call it beside the other folders' resets).
void reset_state();

// ---- processor seam ----

// Whether the MMX variants of the blits run. Graphics start-up sets it from
// the system information; tests set it either way.
struct SOFTSTATE {
    std::int32_t mmx;
};
extern SOFTSTATE soft_state;

void set_mmx_enabled(int on);
int mmx_enabled();

// ---- end processor seam ----

// ---- loop choice (loops.hpp, generic.cpp) ----

// Whether the blits, the box fill and the lines take their generic path
// rather than a specialised loop. The switch is off after the reset; the
// environment variable ZENTIL_GENERIC_SOFTRENDER=1, read once, forces the
// generic path whatever the switch says. vector_set: the vector width the
// tests force (vector_rows.hpp), 0 for the processor's choice.
struct LOOPSTATE {
    std::int32_t force_generic;
    std::int32_t env_read;
    std::int32_t env_forced;
    std::int32_t vector_set;
};
extern LOOPSTATE loop_state;

// ---- end loop choice ----

// ---- blend tables (blend.cpp) ----

// The look-up tables of the per-pixel arithmetic: no division by 255 or 63
// happens per pixel.
struct MEMIMG_BLENDTABLES {
    std::int32_t difference[256][512];   // row i, entry d + 255: d x i / 255 truncated toward zero
    std::int32_t product[256][256];      // row c, entry v: v x c / 255 rounded down
    std::uint8_t interpolate[64][64][64];  // [L][a][b]: (a L + b (63 - L)) / 63 rounded down
    std::uint8_t weight[256];            // the blend image's value to its weight
    std::uint8_t palette[256][4];        // the source palette, copied by each paletted blit
};
extern MEMIMG_BLENDTABLES blend_tables;

// ---- end blend tables ----

// ---- memory images (memimg.cpp) ----

// Rebuilds the run codes of a 16- or 32-bit body from its pixels.
void build_run_table(MEMIMG_BASE* base);
// Rebuilds the premultiplied copy of an alpha body from its pixels.
void build_premultiplied(MEMIMG_BASE* base);

// ---- end memory images ----

}  // namespace media::soft
