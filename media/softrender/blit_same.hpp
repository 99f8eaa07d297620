// The same-size blit: a whole memory image drawn unscaled into another under
// the drawing state's blend mode, parameter, draw bright and draw area.
#pragma once

#include <cstdint>

#include "media/softrender/blend.hpp"
#include "media/softrender/memimg.hpp"

// Draws src with its top-left pixel at (x, y) of dst. transparency: leave out
// the source's transparent colour (alpha 0 for alpha sources) and allow the
// run-table path. blend: an 8-bit image at least the source's size whose
// bytes weigh each pixel, or null. Returns without drawing for images of
// different formats, a paletted or alpha destination, a one-channel source,
// a mode without software arithmetic or a parameter that draws nothing.
void BlitMemImg(MEMIMG* dst, MEMIMG* src, int x, int y, int transparency, MEMIMG* blend);

namespace media::soft {

// The draw area cut to the destination view; false when nothing is left.
bool destination_area(const MEMIMG& dst, RECT* area);
// Whether an image can be drawn from or into: stamped, with a body and pixels.
bool drawable(const MEMIMG* image);

// What a blit of src into dst draws with: pixel size, source kind and the
// drawing mode and parameter.
struct blit_setup {
    int bits, kind, mode, p;
};
// The checks both blits make of their images and the drawing state: false
// when the call draws nothing (formats that differ, a paletted or alpha
// destination, a one-channel source, a mode or parameter that draws nothing,
// a blend image that does not cover the source).
bool check_blit(const MEMIMG* dst, const MEMIMG* src, const MEMIMG* blend, blit_setup& out);
// A paletted source's palette copied into the scratch table (palette points
// at it; false when the source has none), and the blend setup with the
// source's transparent colour (16 bits for a 16-bit direct source).
bool source_palette_and_setup(const MEMIMG_BASE& sb, const blit_setup& s, const unsigned char*& palette,
                              blend_setup& setup);

}  // namespace media::soft
