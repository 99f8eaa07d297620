// Records the graphics files share, and the reset of their global state.
#pragma once

#include <cstdint>

#include "media/core/handle.hpp"
#include "media/core/math.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/pixfmt.hpp"

struct MEMIMG;

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

// ---- drawing state ----

// Where drawing goes and how new pixels combine with old ones. The software
// renderer reads the target, draw area, blend mode and parameter, draw bright
// and blend image at every call.
struct DRAWSTATE {
    std::int32_t target;  // -2 back screen, -4 front screen, or a render-target graph
    std::int32_t target_width, target_height;
    MEMIMG* target_image;                 // software renderer: the screen's or the graph's image
    std::int32_t requested_area[4];       // as last passed to the draw-area setter, unordered
    RECT area;                            // ordered and inside the target; right and bottom exclusive
    float area_f[4];
    std::int32_t area_empty;              // 1 when left = right or top = bottom: nothing is drawn
    std::int32_t blend_mode;              // 0..12
    std::int32_t blend_param;             // 0..255
    std::int32_t blend_graph;             // -1: none
    std::int32_t blend_border, blend_range;  // 0..255 each
    MEMIMG* blend_image;                  // software renderer: the blend graph's image, or null
    std::uint32_t draw_bright;            // blue bits 0-7, green 8-15, red 16-23; 0xFFFFFF: no change
    std::int32_t texture_filter, max_anisotropy;
    float draw_depth;
    std::int32_t blend_offset_x, blend_offset_y;
    std::int32_t fog_mode;
    std::uint32_t fog_color;
    float fog_start, fog_end;
    MATRIX44 world, view, projection, screen_transform, viewport_inverse;
    std::int32_t world_sent, view_sent, projection_sent, screen_transform_sent;
    std::int32_t locked;  // 1: every setter returns 0 and changes nothing
};

extern DRAWSTATE draw_state;

// ---- end drawing state ----

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

// ---- screen mode (startup.cpp, screen_mode.cpp) ----

// The screen the layer draws: 0 in a field means unset (640, 480 and 16 bits
// stand in); refresh 0 is the display's default.
struct SCREENMODE {
    std::int32_t width, height, bits, refresh;
};
extern SCREENMODE screen_mode;

// ---- end screen mode ----

// ---- image loaders (loaders/) ----

// The user loader table, tried before the built-in loaders; nothing in this
// system registers one, so its count stays 0.
struct LOADERSTATE {
    int (*user_loaders[10])(STREAMREF* src, IMGBUF* image);
    std::int32_t user_count;
};
extern LOADERSTATE loader_state;

// ---- end image loaders ----

}  // namespace media::gfx
