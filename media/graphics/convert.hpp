// Pixel rectangle conversion: the one routine that copies pixels between any
// two formats, with alpha images, transparent colours, mirroring, palette
// remapping and dithering on the way.
#pragma once

#include <cstdint>

#include "media/core/math.hpp"
#include "media/graphics/pixfmt.hpp"

// Converts the source rectangle (right and bottom exclusive) to (dst_x,
// dst_y) of the destination. 0; for an 8-bit to 8-bit index copy the highest
// index copied; -1, nothing written, for an empty rectangle, a missing buffer
// or format, a depth other than 8, 16, 24 and 32, or a DXT kind. The caller
// keeps the rectangle and the position inside the buffers.
int ConvertPixelRect(void* dst, int dst_pitch, const PIXFMT* dst_format, const void* src, int src_pitch,
                     const PIXFMT* src_format, const void* alpha, int alpha_pitch, const PIXFMT* alpha_format,
                     int dst_x, int dst_y, const RECT* src_rect, int mirror, int transparent_to_alpha,
                     std::uint32_t transparent_color, int dither, int colorless, int blend_image,
                     int skip_transparent, int palette_remap);

namespace media::gfx {

// 1 makes ConvertPixelRect take the general rule where a specialised loop
// would serve (tests compare the two); 0 restores the loops. The environment
// variable ZENTIL_GENERAL_CONVERT=1 sets it at the first conversion.
void force_general_convert(int on);

}  // namespace media::gfx
