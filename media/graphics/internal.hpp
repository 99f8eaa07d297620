// Records the graphics files share, and the reset of their global state.
#pragma once

#include <cstdint>

#include "media/core/handle.hpp"
#include "media/graphics/pixfmt.hpp"

namespace media::gfx {

// Puts every global state record of the graphics folder back to its state at
// process start (tests call it beside media::core::reset_state()).
void reset_state();

// ---- soft images (pixfmt.cpp) ----

using softimage_table =
    media::core::handle_table<SOFTIMAGE, HANDLEKIND_SOFTIMAGE, 8192, media::core::slot_choice::high_water>;
// A zero-filled global: the table is too large for a temporary.
extern softimage_table soft_images;

// ---- end soft images ----

// ---- pixel rectangle conversion (convert.cpp, convert_loops.cpp) ----

struct CONVERTSTATE {
    std::int32_t force_general;  // 1: the general rule even where a specialised loop serves
    std::int32_t env_read;       // 1 once ZENTIL_GENERAL_CONVERT has been looked at
};
extern CONVERTSTATE convert_state;

// A specialised conversion of whole rows with no options: width x height
// pixels from src to dst; the formats give the palette and nothing else.
using convert_loop = void (*)(unsigned char* dst, long dst_pitch, const unsigned char* src, long src_pitch,
                              const PIXFMT& src_format, int width, int height);
// The loop for the exact pair of formats, or null when none serves it.
convert_loop find_convert_loop(const PIXFMT& src, const PIXFMT& dst);

// ---- end pixel rectangle conversion ----

}  // namespace media::gfx
