// Every global state record of the graphics folder, with the full reset.
#include "media/graphics/internal.hpp"

namespace media::gfx {

// ---- soft images ----
softimage_table soft_images;
// ---- end soft images ----

// ---- drawing state ----
DRAWSTATE draw_state{};

namespace {

// The values the blits read start here; the rest waits for graphics start.
void reset_draw_state()
{
    draw_state = DRAWSTATE{};
    draw_state.area = {0, 0, 0, 0};
    draw_state.blend_mode = 0;
    draw_state.blend_param = 0;
    draw_state.draw_bright = 0xFFFFFF;
    draw_state.blend_graph = -1;
    draw_state.blend_image = nullptr;
}

}  // namespace
// ---- end drawing state ----

// ---- pixel rectangle conversion ----
CONVERTSTATE convert_state{};
// ---- end pixel rectangle conversion ----

// ---- screen mode ----
SCREENMODE screen_mode{};
// ---- end screen mode ----

// ---- image loaders ----
LOADERSTATE loader_state{};
// ---- end image loaders ----

void reset_state()
{
    screen_mode = SCREENMODE{};
    // the records are the tests' to free; the table forgets them
    soft_images.clear();
    convert_state = CONVERTSTATE{};
    loader_state = LOADERSTATE{};
    reset_draw_state();
}

}  // namespace media::gfx
