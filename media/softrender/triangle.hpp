// The triangle fill of memory images.
#pragma once

#include <cstdint>

#include "media/softrender/memimg.hpp"

// One corner: a position in the destination and, for a textured fill, the
// source pixel it takes.
struct MEMIMG_VERTEX {
    std::int32_t x, y, u, v;
};

// Fills the triangle of the three corners into dst, textured from src or in
// colour (a pixel value of dst's format) when src is null, clipped to the
// draw area, under the drawing state. The rasteriser is not built yet: it
// draws nothing.
void DrawMemImgTriangle(MEMIMG* dst, MEMIMG* src, const MEMIMG_VERTEX* corners, int transparency, MEMIMG* blend,
                        std::uint32_t colour);
