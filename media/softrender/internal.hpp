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

// ---- memory images (memimg.cpp) ----

// Rebuilds the run codes of a 16- or 32-bit body from its pixels.
void build_run_table(MEMIMG_BASE* base);
// Rebuilds the premultiplied copy of an alpha body from its pixels.
void build_premultiplied(MEMIMG_BASE* base);

// ---- end memory images ----

}  // namespace media::soft
