// Every global state record of the graphics folder, with the full reset.
#include "media/graphics/internal.hpp"

namespace media::gfx {

// ---- soft images ----
softimage_table soft_images;
// ---- end soft images ----

// ---- graphs ----
graph_table graphs;
SCREENLOCKSTATE screen_lock{};
// ---- end graphs ----

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

// ---- fonts ----
FONTTABLE font_manager{};
#if ZENTIL_TEST_HOOKS
std::vector<drawn_string> drawn_string_record;
#endif

namespace {

void reset_font_state()
{
    // the records are the tests' to free; the table forgets them
    reset_font_manager();
#if ZENTIL_TEST_HOOKS
    drawn_string_record.clear();
#endif
}

}  // namespace

void reset_font_manager()
{
    font_manager.fonts.clear();
    font_manager.cell_count_setting = 0;
    font_manager.default_handle = -1;
    font_manager.default_face[0] = '\0';
    font_manager.default_size = 16;
    font_manager.default_thickness = 6;
    font_manager.default_type = 0;
    font_manager.default_char_set = 1;
    font_manager.default_edge_size = 1;
    font_manager.default_italic = 0;
    font_manager.default_spacing = 0;
}
// ---- end fonts ----

// ---- graphics block ----
GRAPHICSSTATE graphics{};
// ---- end graphics block ----

// ---- graphics settings, lights, camera ----
GFXSETTINGS settings{};
LIGHTSTATE light_state;

namespace {

void reset_light_state()
{
    // the records are the tests' to free; the table forgets them
    light_state.lights.clear();
    light_state.lighting_off = 0;
    light_state.material_changed = 0;
    light_state.material = MATERIAL{};
    light_state.device_lights = light_state.highest_device_light = 0;
    light_state.list_changed = light_state.resend_all = 0;
    light_state.default_light = -1;
}

}  // namespace
// ---- end graphics settings ----

// ---- shaders ----
SHADERSTATE shader_state{};
// ---- end shaders ----

// ---- mask ----
MASKSTATE mask_state{};
// ---- end mask ----

void reset_state()
{
    graphics = GRAPHICSSTATE{};
    settings = GFXSETTINGS{};
    reset_light_state();
    mask_state = MASKSTATE{};
    shader_state = SHADERSTATE{};
    screen_mode = SCREENMODE{};
    // the records are the tests' to free; the table forgets them
    soft_images.clear();
    graphs.clear();
    screen_lock = SCREENLOCKSTATE{};
    convert_state = CONVERTSTATE{};
    loader_state = LOADERSTATE{};
    reset_font_state();
    reset_draw_state();
}

}  // namespace media::gfx
