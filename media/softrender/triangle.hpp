// The triangle fill of memory images.
#pragma once

#include <cstdint>

#include "media/softrender/memimg.hpp"

// One corner: a position in the destination and, for a textured fill, the
// source pixel it takes.
struct MEMIMG_VERTEX {
    std::int32_t x, y, u, v;
};

// Fills the triangle of the three corners into dst, clipped to the draw area,
// under the drawing state's blend mode, parameter and draw bright: textured
// from src (nearest texel, affine mapping; a blend image, when given, is read
// at the texel position) or, when src is null, in colour (a pixel value of
// dst's format; the flag and the blend image then play no part). Rows from
// the top corner's up to, not including, the bottom corner's are drawn, and
// both end columns of each row. Texels outside src leave their pixels
// unchanged. Nothing is drawn for formats that differ, a paletted, alpha or
// one-channel dst, a blend image smaller than src, corners on one line, a
// coordinate beyond +-2^29, or a mode that draws nothing.
void DrawMemImgTriangle(MEMIMG* dst, MEMIMG* src, const MEMIMG_VERTEX* corners, int transparency, MEMIMG* blend,
                        std::uint32_t colour);
