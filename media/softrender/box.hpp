// Box fill of memory images under the drawing state's blend mode.
#pragma once

#include <cstdint>

#include "media/softrender/memimg.hpp"

// Fills columns min(x1, x2) to max - 1 and rows min(y1, y2) to max - 1 of dst
// (rect null: the whole view) with colour, given in the destination's pixel
// format, clipped to the draw area. A paletted or alpha destination, a
// one-channel one and a mode without software arithmetic are left unchanged.
void DrawMemImgBox(MEMIMG* dst, const RECT* rect, std::uint32_t colour);
