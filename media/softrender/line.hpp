// One-pixel lines into memory images under the drawing state's blend mode.
#pragma once

#include <cstdint>

#include "media/softrender/memimg.hpp"

// A line of DrawMemImgLines; the last field is not read (the drawing state's
// parameter applies).
struct MEMIMG_LINE {
    std::int32_t x1, y1, x2, y2;
    std::uint32_t colour;
    std::int32_t param;
};

// Draws from (x1, y1), included, to (x2, y2), excluded, clipped to the draw
// area, in colour given in the destination's pixel format. A paletted or
// one-channel destination is left unchanged; an alpha one is drawn on.
void DrawMemImgLine(MEMIMG* dst, int x1, int y1, int x2, int y2, std::uint32_t colour);
// Draws count lines in order; nothing for a count of 0 or less.
void DrawMemImgLines(MEMIMG* dst, const MEMIMG_LINE* lines, int count);
