// Records the graphics files share, and the reset of their global state.
#pragma once

#include "platform/platform.hpp"
#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/core/handle.hpp"
#include "media/core/math.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/softrender/memimg.hpp"

struct MEMIMG;

namespace media::gfx {

// Puts every global state record of the graphics folder back to its state at
// process start (tests call it beside media::core::reset_state()).
void reset_state();

// A pixel of 1 to 4 bytes, least significant byte first, at any alignment.
inline std::uint32_t load_pixel(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

inline void store_pixel(unsigned char* p, int bytes, std::uint32_t v)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// ---- soft images (pixfmt.cpp) ----

using softimage_table =
    media::core::handle_table<SOFTIMAGE, HANDLEKIND_SOFTIMAGE, 8192, media::core::slot_choice::high_water>;
// A zero-filled global: the table is too large for a temporary.
extern softimage_table soft_images;

// ---- end soft images ----

// ---- graphs (graph.cpp, draw.cpp, soft_draw.cpp, graph_files.cpp) ----

}  // namespace media::gfx

// The path of the file a graph's image came from; graphs cut from one file
// share it.
struct GRAPHSOURCENAME {
    std::int32_t ref_count;
    char path[1];  // the absolute path, NUL-terminated; the block holds all of it
};

// An image body, shared by every graph cut from it. On the software renderer
// it is one memory image; the texture tiles of the device road are not built.
struct GRAPHTEX {
    std::int32_t ref_count;     // graphs drawing from it
    std::int32_t format_slot;   // software: 15 (16-bit), 16 (with alpha), 17 (32-bit), 18 (with alpha)
    std::uint8_t uses_textures;  // 1: device textures; 0: the memory image
    std::uint8_t has_alpha;
    std::uint8_t drawable;
    std::uint8_t software;
    std::uint8_t unmanaged;
    std::uint8_t compressed;     // the source's format kind: 0 plain, 1 to 5 DXT1 to DXT5
    std::uint8_t mipmap_levels;
    std::uint8_t transparent_format;  // a one-bit alpha keeps the transparent colour
    std::uint8_t depth;          // 16 or 32
    std::uint8_t blend_image;    // an 8-bit one-channel image used as a blend graph
    std::uint8_t paletted;
    std::uint32_t transparent;   // 0xRRGGBB, from the settings when the body was made
    std::int32_t width, height;
    MEMIMG image;                // software: the whole image
    MEMIMG* work_image;          // a draw-able body's work image: null in this system
};

// One piece of a graph on one texture tile (device road).
struct DRAWTILE {
    std::int32_t x, y;            // in the graph
    std::int32_t tile_x, tile_y;  // in the tile
    std::int32_t width, height;
    float corners[4][4];          // x, y, u, v of top-left, top-right, bottom-left, bottom-right
    std::uint8_t corner_flags[4];
    void* tile;
};

// One graph handle's record. It is made with room for four draw tiles and
// then cut to what its body needs: on the software renderer the header and
// the view of the body's image, so nothing past `image` may be touched.
struct GRAPHREC {
    std::int32_t check;
    std::int32_t handle;
    std::int32_t* lost_flag;   // set to 1 when the graph is deleted; null: none
    GRAPHTEX* body;
    std::int32_t movie;        // -1: no movie
    GRAPHSOURCENAME* source;   // null: made from no file
    std::int32_t source_x, source_y;  // the graph's place in the image it was loaded from
    std::int32_t mirror;       // 1: loaded mirrored left to right
    std::int32_t x, y;         // the graph's place in its body
    std::int32_t width, height;
    union {
        MEMIMG image;  // software: a view of the body's image at the graph's place
        struct {
            std::int32_t count;
            DRAWTILE tiles[4];
        } draw;        // device road: its draw tiles
    };
};

namespace media::gfx {

// The record's size with the software view and with four draw tiles.
constexpr int graph_record_software_size = static_cast<int>(offsetof(GRAPHREC, image) + sizeof(MEMIMG));
constexpr int graph_record_new_size = static_cast<int>(sizeof(GRAPHREC));

using graph_table = media::core::handle_table<GRAPHREC, HANDLEKIND_GRAPH, 32768, media::core::slot_choice::high_water>;
// A 512 KB zero-filled global, cleared in place.
extern graph_table graphs;

// The draw-screen lock of LockDrawScreen.
struct SCREENLOCKSTATE {
    std::int32_t locked;
};
extern SCREENLOCKSTATE screen_lock;

// ---- end graphs ----

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

// ---- fonts (font.cpp, glyph.cpp) ----

using font_table = media::core::handle_table<FONTREC, HANDLEKIND_FONT, FONT_MAX_HANDLES>;

// The font manager. The table's counter is the next check number.
struct FONTTABLE {
    font_table fonts;
    std::int32_t cell_count_setting;  // 0: automatic (nothing sets another value)
    std::int32_t default_handle;
    char default_face[128];
    std::int32_t default_size, default_thickness, default_type, default_char_set, default_edge_size;
    std::int32_t default_italic, default_spacing;
};
extern FONTTABLE font_manager;

// Frees every font (the test fixtures call it before the resets).
void delete_all_fonts();
// Empties the font table and puts the default-font settings back to their start values.
void reset_font_manager();

#if ZENTIL_TEST_HOOKS
// The strings DrawStringWithFont drew since the last clear.
extern std::vector<drawn_string> drawn_string_record;
#endif

// ---- end fonts ----
// ---- graphics block (startup.cpp) ----

// The device's texture format by slot (platform::device::format numbers; 0:
// none): 0..5 plain, alpha and alpha-test colour formats, 6..10 DXT1..DXT5
// or their stand-ins, 11..13 render targets, 14 and 15 the render-target and
// alpha-test formats of the screen's depth, 16 the depth surface.
constexpr int device_format_slots = 17;
struct DEVICEFORMATS {
    std::int32_t slot[device_format_slots];
};

// The display as graphics start-up left it.
struct GRAPHICSSTATE {
    std::int32_t started;
    std::int32_t d3d_in_use;        // 1: the device renderer runs; 0: the software renderer
    std::int32_t software_chosen;   // stored inverted by ChooseDeviceRendering
    std::int32_t library_loaded;    // the device library's presence was confirmed
    std::int32_t display_object;    // 1: the platform's display object is open
    std::int32_t mode_changed;      // 1: a full-screen mode was set, the desktop's is restored at release
    std::int32_t d3d;               // 1: the platform's device object exists
    std::int32_t device;            // 1: a device exists
    std::int32_t back_buffer_format;  // a platform::device::format
    platform::device::resource back_buffer, swap_chain;  // kept from the device's creation
    platform::device::resource depth_surface;  // CreateZBuffer's, in formats.slot[16]
    std::int32_t depth_width, depth_height;
    platform::device::resource sub_back_buffer;  // a screen-sized render target, made on demand
    platform::device::caps caps;    // the device's capabilities, read after its creation
    std::int32_t shader2;           // both shader versions reached 2.0 at the first creation attempt
    std::int32_t vertex_shader2, pixel_shader2;
    std::int32_t blend_op;          // the BLENDOP render state works
    std::int32_t max_texture_size;  // the smaller of the device's maximum width and height
    DEVICEFORMATS formats;
    MEMIMG screen_image;            // software renderer: the screen and its two work images
    MEMIMG work_image;
    MEMIMG work_alpha_image;
    std::int32_t background[3];     // red, green, blue: black
    std::int32_t mode_count;        // the display-mode list of EnumerateDisplayModes
    std::int32_t* modes;            // count x (width, height, bits, refresh)
    // the flip's pacing (present.cpp)
    std::uint32_t last_flip_time;   // milliseconds
    std::uint32_t min_flip_interval;  // milliseconds; 0: none (nothing sets it)
};
extern GRAPHICSSTATE graphics;

// ---- end graphics block ----

// ---- graphics settings, lights, camera (settings.cpp) ----

// The settings a reset of the drawing state zeroes, and the ones it keeps.
struct GFXSETTINGS {
    std::int32_t graph_color_depth;
    std::int32_t graph_drawable;
    std::int32_t made_graph_alpha;
    std::int32_t use_transparent_color;
    std::int32_t textures_unmanaged;
    std::int32_t movie_graph;
    // graph-creation settings nothing in this system changes
    std::int32_t graph_mipmaps;          // default mipmap count (-1: full chain)
    std::int32_t drawable_graph_alpha;   // alpha channel for draw-able graphs
    std::int32_t graph_blend_image;      // make new graphs blend images
    std::int32_t single_texture;         // one texture per graph
    std::uint32_t transparent_color;  // 0xRRGGBB
    std::int32_t transparent_from_pixel;
    std::int32_t bleed_transparent;   // spreads colour into transparent pixels of loaded images
    std::int32_t flip_no_wait;        // stored inverted: 0 = the flip waits for the vertical blank
    std::int32_t emulate_320x240;     // a 320 x 240 screen shown on a 640 x 480 mode
    void (*restore_callback)();
    std::int32_t sampler_address[8][2];  // U and V per sampler
    struct depth_set {
        std::int32_t z_enable, z_write, z_function, depth_bias;
    } depth2d, depth3d;
    std::int32_t projection_kind;  // 0 perspective, 1 orthographic, 2 user matrix
    float camera_near, camera_far, aspect_factor, field_of_view, ortho_size;
    MATRIX44 projection;
    // combined matrices: world x view x projection x screen, view x projection x screen, view rotation
    MATRIX44 world_view_projection, view_projection, view_rotation;
    std::int32_t combined_valid;
};
extern GFXSETTINGS settings;

// One light, in the device's light layout.
struct LIGHTPARAMS {
    std::int32_t type;  // 1 point, 2 spot, 3 directional
    float diffuse[4], specular[4], ambient[4];
    VECTOR3F position, direction;
    float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};

struct LIGHTREC {
    std::int32_t check;
    std::int32_t handle;
    LIGHTPARAMS light;
    std::int32_t device_index;  // -1: none
    std::int32_t enabled;
    std::int32_t changed;
};

using light_table = media::core::handle_table<LIGHTREC, HANDLEKIND_LIGHT, 4096, media::core::slot_choice::high_water>;

// The light and material block: kept across a reset of the drawing state.
struct MATERIAL {
    float diffuse[4], ambient[4], specular[4], emissive[4];
    float power;
};
struct LIGHTSTATE {
    std::int32_t lighting_off;
    std::int32_t material_changed;
    MATERIAL material;
    light_table lights;  // a zero-filled global: too large for a temporary
    std::int32_t device_lights, highest_device_light;
    std::int32_t list_changed, resend_all;
    std::int32_t default_light = -1;  // -1: none
};
extern LIGHTSTATE light_state;

// ---- end graphics settings ----

// ---- shaders (shader.cpp) ----

// The built-in shader constant sets, kept in memory whether or not the device
// runs shaders.
struct SHADERSTATE {
    std::int32_t in_use;  // 1: the device runs the programmable shaders
    float vs_constants[256][4];
    float ps_constants[32][4];
};
extern SHADERSTATE shader_state;

// ---- end shaders ----

// ---- mask (mask.cpp) ----

// The mask is inert: nothing asks for a mask screen, so it never becomes active.
struct MASKSTATE {
    std::int32_t wanted;
    std::int32_t requested_on;
    std::int32_t active;
    std::int32_t reverse;
};
extern MASKSTATE mask_state;

// ---- end mask ----

}  // namespace media::gfx

// ---- key-input drawing (key_input_draw.cpp) ----

// Kept in media::core, beside the key-input records they draw.
namespace media::core {

// Text runs and boxes are drawn into the draw area as into one strip: what
// passes the right edge goes on at the left edge one line spacing lower.

struct STRIPPOINT {
    std::int32_t x, y;
};

// Line spacing for a font of the size: size + (size / 10) x 3.
int line_spacing(int size);
// Where a run width pixels wide placed at (x, y) is drawn: its start moved
// into the area (and down by lines while it lies right of it), then once
// more a line lower and an area width further left for each time it crosses
// the right edge. Origins below the area are left out; none for an empty area.
std::vector<STRIPPOINT> strip_origins(const RECT& area, int x, int y, int width, int spacing);
// Pixels of the strip from (x, y) to the area's bottom: the rest of the
// start's line and the whole lines below it.
int strip_room(const RECT& area, int x, int y, int spacing);

}  // namespace media::core

// ---- end key-input drawing ----
