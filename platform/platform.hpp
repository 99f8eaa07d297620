// The contract between the media layer and the operating system: each backend
// fills one table of hooks; the media layer validates and keeps state, a
// backend only talks to the OS. Failures are 0/-1 with one set_error call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct local_time {
    int year, month, day, hour, minute, second;
};

// ---- window, events, cursor, clipboard, drops, text input: records ----

// bits is 8 x bytes per pixel, so the usual 32-bit visual reads 32, not 24.
struct display_mode {
    int width, height, bits, refresh;  // refresh 0: unknown
};

struct screen_rect {
    int x, y, width, height;
};

// Thickness of the window manager's frame around the client area.
struct window_frame {
    int left, top, right, bottom;
};

struct window_spec {
    std::wstring title;
    int width = 0, height = 0;  // client size
    bool centred = true;        // on the desktop; else the client area at (x, y)
    int x = 0, y = 0;
    bool shown = true;
    // without a frame, above other windows, the client area at (0, 0) (centred
    // and x, y unused): a window covering a screen of width x height
    bool full_screen = false;
    // able to carry the 3D device's context where the video driver offers
    // one; a window only the software renderer draws leaves the driver
    // unloaded
    bool for_device = true;
};

enum class event_kind {
    close, focus_gained, focus_lost, minimised, maximised, restored, moved, resized, exposed,
    mouse_move, button_down, button_up, wheel, key_down, key_up, text, text_editing, drop,
    display_changed,
    command,  // a menu item or a tool-bar button was clicked: x is its command id
};

enum class mouse_button { none, left, right, middle };

// What a backend hands the pump: keys by position (USB HID usage, which is
// also SDL's scancode), text and names in UTF-8 exactly as the OS gave them.
struct os_event {
    event_kind kind = event_kind::close;
    int x = 0, y = 0;                    // see event
    mouse_button button = mouse_button::none;
    int wheel_x = 0, wheel_y = 0;        // positive y = away from the user
    int key_position = 0;
    bool repeat = false;
    std::string text;
    std::vector<std::string> names;
    int bits = 0;                        // display_changed: the mode now current is x by y at bits
};

// What the pump gives. x and y: window-relative position for mouse events
// (wheel: the cursor's), new position for moved, new size for resized, the
// cursor (in characters) and the selection length for text_editing, the
// width and height of the mode now current for display_changed (bits its
// depth). A display change follows each mode change that succeeded and each
// restore that left a changed mode.
struct event {
    event_kind kind = event_kind::close;
    int x = 0, y = 0;
    mouse_button button = mouse_button::none;
    int wheel_x = 0, wheel_y = 0;
    int key = 0;                         // virtual key of the Japanese layout
    bool repeat = false;
    bool shift = false, control = false, alt = false;
    std::wstring text;
    std::vector<std::wstring> names;     // a drop's names, in order
    int bits = 0;                        // display_changed
};

// ---- present, display object, display modes: records ----

// Pixels the caller owns, rows top-down; bits 16 or 32 with the channels
// where the masks say.
struct pixel_view {
    const void* pixels = nullptr;
    int width = 0, height = 0, pitch = 0, bits = 0;
    std::uint32_t red_mask = 0, green_mask = 0, blue_mask = 0;
};

// Right and bottom exclusive, top-down coordinates.
struct rect {
    int left, top, right, bottom;
};

// What the progress window of a copy or a delete shows: done over all
// (bytes of a copy, entries of a delete; files when there are no bytes), the
// entry at work and the count line ("3 of 10 files").
struct progress_view {
    std::uint64_t done = 0, total = 0;
    std::uint64_t files_done = 0, files_total = 0;
    std::string name;   // UTF-8 path
    std::string count;  // UTF-8
};

// ---- joysticks: records ----

// The haptic effect kinds a joystick offers, as bits.
enum effect_kind_bits : unsigned {
    effect_constant = 1,  // a constant force
    effect_sine = 2,      // a periodic sine
};

// One attached joystick: its name as the system gives it (UTF-8), its axis
// count and the effect kinds it can play (none without haptics).
struct joystick_info {
    std::string name;
    int axes = 0;
    unsigned effects = 0;
};

constexpr int max_joysticks = 16;

// A haptic effect as the device-input layer asks for it: strengths on a
// scale of 10000 for full (the played level is magnitude x gain), times in
// milliseconds, length 0 for endless; the envelope and period serve the sine.
struct haptic_effect {
    unsigned kind = effect_constant;  // one of effect_kind_bits
    bool polar = true;                // direction in hundredths of degrees; else Cartesian X and Y
    int direction = 0;
    std::uint32_t length = 0;
    int magnitude = 10000, gain = 10000;
    std::uint32_t period = 0;
    int attack_level = 0, fade_level = 0;  // on the scale of magnitude
    std::uint32_t attack_time = 0, fade_time = 0;
};

// The calls of the device-input layer a backend is told of before they take
// effect (the headless backend records them and can make them fail).
enum class input_op {
    create_object,     // value: the interface version, 7 or 8
    initialize,        // value: 0x0700 or 0x0800
    release_object,
    create_device,
    data_format,
    cooperative_level,  // value: the level's bits
    buffer_size,        // value: the size
    event_notification,
    acquire,
    unacquire,
    read_state,
    release_device,
};

enum class input_device_kind { none, keyboard, mouse, joystick };

// The device a call is about: none for the object's own calls, the
// joystick's index in the enumeration for a joystick.
struct input_device {
    input_device_kind kind = input_device_kind::none;
    int joystick = -1;
};

// ---- end of joysticks: records ----

// ---- device: records ----
// The 3D device: the part of Direct3D 9 the graphics layer calls, and nothing
// more. Numbers (formats, states, flags) keep their Direct3D values, which the
// graphics layer stores and logs.
//
// What no device of this layer applies: lights, material, fog, the Z states
// (ZENABLE, ZWRITEENABLE, ZFUNC, DEPTHBIAS), shaders and declarations, shader
// constants, texture transforms and dialog-box mode are checked and stored
// (device::current_state) but change no pixel: every draw of this system is
// pre-transformed (XYZRHW), unlit and drawn with Z off. SPECULARENABLE is
// stored only too (specular reaches a pixel only as a stage argument). A
// device that draws reads blending, alpha test, the texture stages, samplers,
// textures, the cull and shade modes, the world, view and projection
// transforms (XYZ vertices only), viewport and render target; the scissor
// rectangle is stored and its test never enabled.
namespace device {

enum format : std::int32_t {
    format_unknown = 0,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    D32 = 71,
    D24X8 = 77,
    D16 = 80,
    INDEX16 = 101,
    DXT1 = 0x31545844,  // the four characters "DXT1", little-endian
    DXT2 = 0x32545844,
    DXT3 = 0x33545844,
    DXT4 = 0x34545844,
    DXT5 = 0x35545844,
};

// The six colour formats, the five block formats, the three depth formats.
bool is_colour_format(format f);
bool is_block_format(format f);   // DXT1..DXT5: 4 x 4 blocks of 8 (DXT1) or 16 bytes
bool is_depth_format(format f);
// Bytes per pixel of a colour or depth format; 0 for the others.
int format_bytes(format f);

enum pool : std::int32_t { pool_default = 0, pool_managed = 1, pool_system_memory = 2 };

enum : std::uint32_t {
    usage_render_target = 0x1,
    usage_depth_stencil = 0x2,
    lock_readonly = 0x10,
    lock_discard = 0x2000,
    clear_target = 0x1,
    clear_zbuffer = 0x2,
    clear_stencil = 0x4,
    // behaviour flags of device creation
    create_fpu_preserve = 0x2,
    create_software_vertex_processing = 0x20,
    create_mixed_vertex_processing = 0x80,
    // presentation intervals
    present_interval_one = 0x1,
    present_interval_immediate = 0x80000000u,
    // vertex format bits; fvf_size gives the stride they describe
    fvf_xyz = 0x2,
    fvf_xyzrhw = 0x4,
    fvf_normal = 0x10,
    fvf_diffuse = 0x40,
    fvf_specular = 0x80,
    fvf_tex1 = 0x100,
    fvf_tex2 = 0x200,
};
// Bytes of one vertex of the format; 0 for bits outside the ones above, for
// no position or for both positions.
int fvf_size(std::uint32_t fvf);

enum primitive : std::int32_t {
    point_list = 1, line_list = 2, line_strip = 3, triangle_list = 4, triangle_strip = 5, triangle_fan = 6,
};
// Vertices a draw of count primitives of the type reads.
long long primitive_vertices(primitive type, long long count);

// StretchRect filters.
enum filter : std::int32_t { filter_none = 0, filter_point = 1, filter_linear = 2 };

// The render states, texture-stage states, sampler states and transforms the
// graphics layer sends; any other number is refused.
enum render_state : std::int32_t {
    rs_zenable = 7, rs_shademode = 9, rs_zwriteenable = 14, rs_alphatestenable = 15, rs_srcblend = 19,
    rs_destblend = 20, rs_cullmode = 22, rs_zfunc = 23, rs_alpharef = 24, rs_alphafunc = 25,
    rs_ditherenable = 26, rs_alphablendenable = 27, rs_fogenable = 28, rs_specularenable = 29, rs_fogcolor = 34,
    rs_fogstart = 36, rs_fogend = 37, rs_fogdensity = 38, rs_texturefactor = 60, rs_lighting = 137,
    rs_ambient = 139, rs_fogvertexmode = 140, rs_diffusematerialsource = 145, rs_specularmaterialsource = 146,
    rs_ambientmaterialsource = 147, rs_scissortestenable = 174, rs_blendop = 171, rs_depthbias = 195,
};
enum stage_state : std::int32_t {
    ts_colorop = 1, ts_colorarg1 = 2, ts_colorarg2 = 3, ts_alphaop = 4, ts_alphaarg1 = 5, ts_alphaarg2 = 6,
    ts_texcoordindex = 11, ts_texturetransformflags = 24,
};
enum sampler_state : std::int32_t {
    ss_addressu = 1, ss_addressv = 2, ss_magfilter = 5, ss_minfilter = 6, ss_mipfilter = 7, ss_maxanisotropy = 10,
};
enum transform : std::int32_t { tf_view = 2, tf_projection = 3, tf_texture0 = 16, tf_world = 256 };
// The values of the states that change pixels, as far as the graphics layer
// sends them; the common checks refuse any other (the defaults at device
// creation are among them).
enum : std::uint32_t {
    // texture-stage operations (COLOROP, ALPHAOP)
    op_disable = 1, op_selectarg1 = 2, op_selectarg2 = 3, op_modulate = 4, op_modulate2x = 5, op_modulate4x = 6,
    op_add = 7, op_subtract = 10, op_blenddiffusealpha = 12, op_blendcurrentalpha = 16,
    // texture-stage arguments, each optionally with ta_complement (255 - v)
    ta_diffuse = 0, ta_current = 1, ta_texture = 2, ta_tfactor = 3, ta_specular = 4, ta_complement = 0x10,
    // SRCBLEND and DESTBLEND
    blend_zero = 1, blend_one = 2, blend_srccolor = 3, blend_srcalpha = 5, blend_invsrcalpha = 6,
    blend_invdestcolor = 10,
    // BLENDOP
    blendop_add = 1, blendop_revsubtract = 3,
    // ALPHAFUNC (ALWAYS: the value at creation)
    cmp_greater = 5, cmp_greaterequal = 7, cmp_always = 8,
    // ADDRESSU and ADDRESSV
    address_wrap = 1, address_mirror = 2, address_clamp = 3,
    // MAGFILTER, MINFILTER, MIPFILTER
    texfilter_none = 0, texfilter_point = 1, texfilter_linear = 2, texfilter_anisotropic = 3,
    // CULLMODE (CW: clockwise on the screen is culled) and SHADEMODE
    cull_none = 1, cull_cw = 2, cull_ccw = 3,
    shade_flat = 1, shade_gouraud = 2,
};
constexpr int stages = 8;       // texture stages and samplers
constexpr int max_lights = 256;
constexpr int max_constants = 256;  // float and boolean shader constant registers
// The largest side of a surface that is not a texture (back buffer, render
// target, plain and depth surfaces); textures stop at the capabilities' maximum.
constexpr int max_surface_side = 8192;

// A resource: a texture, a surface (plain, render target, depth, a texture's
// level or the back buffer), the swap chain, a vertex or index buffer, a
// shader or a declaration. Each handle is released once; a released one is
// refused everywhere (the slot's check number wraps at 4096, so a handle that
// many creations stale passes the check). none: no resource.
enum class resource : std::uint32_t { none = 0 };

enum class resource_kind : std::int32_t {
    texture, level_surface, back_buffer, render_target, plain_surface, depth_surface, swap_chain,
    vertex_buffer, index_buffer, vertex_shader, pixel_shader, declaration,
};

// What a resource is. Surfaces and textures: format, size (level 0 for a
// texture), pool, usage, levels; a level surface also its texture and level.
// Buffers: size in bytes (width), usage, pool, and the FVF or index format.
// Shaders and declarations: their code or elements (copied).
struct vertex_element {
    std::uint16_t stream, offset;
    std::uint8_t type, method, usage, usage_index;
};
struct resource_desc {
    resource_kind kind = resource_kind::texture;
    format fmt = format_unknown;
    int width = 0, height = 0;
    int levels = 1;
    pool in_pool = pool_default;
    std::uint32_t usage = 0;
    bool lockable = false;   // render targets and the back buffer: created lockable
    resource parent = resource::none;  // a level surface's texture
    int level = 0;
    std::uint32_t fvf = 0;   // vertex buffers
    std::vector<std::uint32_t> code;           // shaders
    std::vector<vertex_element> elements;      // declarations
};

struct adapter_mode {
    int width = 0, height = 0, refresh = 0;
    format fmt = format_unknown;
};

// Shader versions as major x 256 + minor (2.0 is 0x200; 0: none).
struct caps {
    int vertex_shader_version = 0, pixel_shader_version = 0;
    bool blend_op = false;      // the BLENDOP render state works
    bool square_only = false;   // textures must be square
    int max_texture_width = 0, max_texture_height = 0;
};

struct identifier {
    std::string driver, description;
};

// The presentation parameters the graphics layer fills: one back buffer,
// swap effect COPY (the back buffer keeps its content across a present), the
// main window, no automatic depth surface. refresh only in full screen.
struct present_params {
    int width = 0, height = 0;
    format back_buffer_format = format_unknown;
    bool windowed = true;
    int refresh = 0;
    std::uint32_t interval = present_interval_one;
    bool lockable_back_buffer = false;
};

struct locked_rect {
    void* bits = nullptr;  // the first pixel (or block) of the rectangle
    int pitch = 0;         // bytes from one row (of blocks) to the next; may exceed width x bytes
};

struct viewport {
    int x = 0, y = 0, width = 0, height = 0;
    float min_z = 0, max_z = 1;
};

struct matrix {
    float m[4][4];
};

struct colour_value {
    float r, g, b, a;
};
struct light {
    std::int32_t type;  // 1 point, 2 spot, 3 directional
    colour_value diffuse, specular, ambient;
    float position[3], direction[3];
    float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};
struct material {
    colour_value diffuse, ambient, specular, emissive;
    float power;
};

// Everything a device is told to set, as the common layer keeps it after the
// call succeeded. Defaults are Direct3D's at device creation; render target
// the back buffer, viewport the whole back buffer.
struct device_state {
    std::uint32_t render[256] = {};
    std::uint32_t stage[stages][32] = {};
    std::uint32_t sampler[stages][16] = {};
    resource texture[stages] = {};
    std::uint32_t fvf = 0;
    matrix world{}, view{}, projection{}, texture_transform[stages]{};
    viewport view_port;
    rect scissor{0, 0, 0, 0};
    resource render_target = resource::none;  // none: the back buffer
    resource depth_surface = resource::none;
    resource vertex_shader = resource::none, pixel_shader = resource::none, declaration = resource::none;
    light lights[max_lights]{};
    bool light_enabled[max_lights] = {};
    material mat{};
    float vs_constants[max_constants][4] = {}, ps_constants[max_constants][4] = {};
    bool vs_booleans[max_constants] = {};
    bool dialog_box_mode = false;
    bool in_scene = false;
};

// What changed, as the backend's state hook hears it: kind, then index
// (stage, sampler, light, first register), key (state number, transform),
// value, a resource, or data (count records of the kind's type: a matrix,
// viewport, rect, light, material, count x 4 floats, count booleans as int).
enum class state_kind : std::int32_t {
    render, stage, sampler, texture, fvf, transform, viewport, scissor, render_target, depth_surface,
    vertex_shader, pixel_shader, declaration, light, light_enable, material, vs_constant_f, vs_constant_b,
    ps_constant_f, dialog_box_mode, begin_scene, end_scene,
};
struct state_change {
    state_kind kind = state_kind::render;
    int index = 0, key = 0;
    std::uint32_t value = 0;
    resource target = resource::none;
    const void* data = nullptr;
    int count = 0;
};

// A draw as the backend receives it, checked: vertices hold vertex_count x
// stride bytes; indices (indexed draws only, 16-bit) index_count of them, each
// inside [min_index, min_index + vertex_count) of the vertex array.
struct draw_call {
    primitive type = triangle_list;
    int primitive_count = 0;
    const void* vertices = nullptr;
    int vertex_count = 0;  // vertices addressed from the start of the array
    int stride = 0;
    const std::uint16_t* indices = nullptr;
    int index_count = 0;
    int min_index = 0;
};

}  // namespace device

// The device group of a backend. The common layer (device.cpp) checks every
// argument, keeps the handles, their descriptions, locks and the device
// state, and calls these only with checked input; each returns 0 or -1
// (error set) unless noted, and a -1 leaves the common layer unchanged.
struct device_hooks {
    // object: the library, the object, its answers about the adapter
    int (*library)();
    int (*create_object)();
    void (*release_object)();
    int (*adapter_mode)(device::adapter_mode& out);
    int (*mode_count)(device::format f);  // display modes of the format, >= 0
    int (*caps)(device::caps& out);
    int (*identifier)(device::identifier& out);
    bool (*check_format)(device::format adapter, std::uint32_t usage, device::format f);  // textures
    bool (*check_depth_match)(device::format adapter, device::format target, device::format depth);
    // the device made, with the capabilities it has
    int (*create_device)(const device::present_params& params, std::uint32_t behaviour, device::caps& out);
    // leaked: the handles still alive, which the common layer has just
    // released one by one through release_resource
    void (*release_device)(int leaked);
    // resources: every handle is announced once made (id and description
    // final; the backend refuses a format it cannot make) and once released;
    // a level surface or the back buffer share the storage of their texture
    // or device, which outlives the texture's handle
    int (*create_resource)(device::resource id, const device::resource_desc& desc);
    void (*release_resource)(device::resource id);
    // a texture's level, a surface (level 0), or a buffer (area: bytes from
    // left to right, top 0, bottom 1)
    int (*lock)(device::resource id, int level, const rect& area, std::uint32_t flags, device::locked_rect& out);
    int (*unlock)(device::resource id, int level);
    // the device state: called before the common layer stores the change
    int (*set_state)(const device::state_change& change);
    int (*draw)(const device::draw_call& call);
    // rects already cut to the viewport (none left: not called)
    int (*clear)(const rect* rects, int count, std::uint32_t flags, std::uint32_t colour, float z,
                 std::uint32_t stencil);
    int (*color_fill)(device::resource surface, const rect& area, std::uint32_t colour);
    int (*stretch_rect)(device::resource source, const rect& from, device::resource target, const rect& to,
                        device::filter f);
    int (*update_surface)(device::resource source, const rect& from, device::resource target, int x, int y);
    int (*get_render_target_data)(device::resource source, device::resource target);
    // source inside the back buffer, destination not empty (window-relative)
    int (*present)(const rect& source, const rect& destination);
};

// ---- end of device: records ----
// ---- audio device, threads: records ----

// Fills count frames of interleaved float samples at the device's rate and
// channels; with frames null it only moves the sound on by count frames.
using audio_pull = void (*)(float* frames, int count);

// What the device is opened with: the mixer's output; the backend converts
// to what the hardware wants.
struct audio_device_spec {
    int rate = 44100;
    int channels = 2;
    int period = 1024;  // frames a pull is asked for, as the hardware allows
    audio_pull pull = nullptr;
};

// One output device, for the log: the module that drives it and its name
// (UTF-8).
struct audio_output {
    std::string module;
    std::string description;
};

// A timed thread's wish; where the OS refuses a raise it runs at normal.
enum class thread_priority { normal, above_normal, highest };

// ---- end of audio device, threads: records ----

// The joystick group: the device-input layer's calls, joysticks opened by
// their index in the last enumeration and their haptic effects, and the
// keyboard and mouse state of the device path. Ints are 0 or -1 (error set)
// unless noted.
struct joystick_hooks {
    // 0 lets the call go on, else the result code it fails with
    std::uint32_t (*input_call)(input_op call, const input_device& device, int value);
    // the attached ones in the system's order
    int (*joysticks)(std::vector<joystick_info>& out);
    int (*open_joystick)(int index);  // an id of 0 or more
    void (*close_joystick)(int id);   // its effects destroyed with it
    int (*create_effect)(int joystick, const haptic_effect& effect);  // an id of 0 or more
    int (*run_effect)(int joystick, int effect);  // played once
    int (*stop_effect)(int joystick, int effect);
    void (*destroy_effect)(int joystick, int effect);
    // 256 bytes by device key code (see device_key), bit 7 = down
    int (*device_keys)(std::uint8_t* keys);
    // 8 bytes, one a mouse button (left, right, middle, then further ones),
    // bit 7 = down
    int (*device_mouse_buttons)(std::uint8_t* buttons);
};

// The menu bar and the tool bar the platform draws above the client area
// (menu.cpp keeps both; a backend only shows them).
struct menu_hooks {
    // The strips changed: the menu attached (0: none), whether a tool bar
    // exists; items and buttons are read through menu_item and
    // toolbar_button. 0 or -1 (error set).
    int (*strips_changed)(int attached_menu, bool toolbar);
    // The tool bar strip's height in pixels.
    int (*toolbar_height)();
    // A press reached the menu bar: its first drop-down opens.
    int (*open_menu)();
};

// One backend's hooks, grouped by area.
struct backend {
    const char* name;

    // clock
    std::uint32_t (*milliseconds)();  // a 32-bit millisecond counter that wraps
    local_time (*now)();              // the local date and time
    std::uint64_t (*performance_counter)();    // never goes back
    std::uint64_t (*performance_frequency)();  // counts per second, never 0
    bool (*has_timestamp_counter)();
    std::uint64_t (*timestamp_counter)();      // 0 without one
    void (*sleep)(std::uint32_t ms);           // 0 gives up the time slice

    // window: 0 or -1 (error set) unless noted; text in UTF-8
    int (*video_start)();             // 0 at once when already started
    int (*desktop_mode)(display_mode& out);
    int (*create_window)(const char* title, const window_spec& spec);  // spec.title unused
    void (*destroy_window)();
    int (*set_title)(const char* title);
    int (*title)(std::string& out);
    int (*show_window)(bool shown);
    int (*raise_window)();
    int (*client_rect)(screen_rect& out);  // on the desktop
    int (*set_client_rect)(const screen_rect& rect);
    int (*frame_size)(window_frame& out);
    int (*inhibit_screen_saver)(bool on);
    int (*set_window_style)(bool framed, bool top_most);
    int (*minimise_window)();
    bool (*window_minimised)();

    // events: 1 with a record taken, 0 when none is waiting
    int (*poll_event)(os_event& out);

    // cursor
    int (*show_cursor)(bool shown);
    int (*cursor_position)(int& x, int& y);  // window-relative, as the backend knows it

    // clipboard: clipboard_text gives 1 with text, 0 when it holds none, -1
    int (*clipboard_text)(std::string& out);
    int (*set_clipboard_text)(const char* text);

    // drops
    int (*accept_drops)(bool on);

    // text input
    int (*text_input)(bool on);
    int (*set_ime_enabled)(bool on);
    int (*set_composition_rect)(const screen_rect& rect);  // window-relative

    // present: called with a window, the view and rectangles checked (the
    // source inside the view, neither empty)
    int (*open_display)();
    void (*close_display)();
    int (*present)(const pixel_view& view, const rect& source, const rect& destination);
    int (*wait_vblank_begin)();
    bool (*in_vblank)();
    int (*display_modes)(std::vector<display_mode>& out);
    int (*change_mode)(const display_mode& mode, bool full_screen);
    int (*restore_desktop_mode)();

    // question box: 1 yes, 0 no, -1 (error set) when no box can be shown;
    // title and text in UTF-8
    int (*ask_yes_no)(const char* title, const char* text);
    // message box with one "OK": 0 once closed, -1 (error set) when no box
    // can be shown; title and text in UTF-8
    int (*show_message)(const char* title, const char* text);

    // progress window: a small window over the main one (or alone) while a
    // copy or a delete runs, driven by the thread that called the operation;
    // title in UTF-8
    int (*open_progress)(const char* title);  // 0, or -1 (error set)
    void (*close_progress)();                 // nothing when none is open
    int (*draw_progress)(const progress_view& view);
    // true when Cancel was pressed (a click, Escape or Return, or closing the
    // window) since the last call
    bool (*progress_cancelled)(const progress_view& view);

    // device: the 3D device (device_hooks above)
    device_hooks device;

    // joysticks and the device-input layer over them; ids are the backend's
    joystick_hooks joystick;

    // audio device: one at a time, opened with the given record's pull function,
    // which the backend calls from then until close (sdl: on its own audio
    // thread; headless: as the virtual clock moves); 0 or -1 (error set)
    int (*open_audio)(const audio_device_spec& spec);
    void (*close_audio)();  // nothing when none is open
    int (*audio_outputs)(std::vector<audio_output>& out);

    // threads: a timed thread is one that sleeps through platform::sleep in
    // a loop (the sound stream thread); 0 or -1 (error set)
    int (*start_timed_thread)(std::function<void()> run, const char* name, thread_priority priority);
    // called on the thread that selects this backend (by name or at first use)
    void (*selected)();

    // menu bar and tool bar; null hooks: nothing is drawn, the height is 0
    menu_hooks menu;
};

// The backend current when no selection is made and ZENTIL_PLATFORM names
// none: test builds never reach a real window or device by forgetting one.
constexpr const char* default_backend_name()
{
#if ZENTIL_TEST_HOOKS
    return "headless";
#else
    return "sdl";
#endif
}

// Selects a backend by name ("sdl" or "headless"): 0, or -1 (error set) for an
// unknown name. Until a selection is made, the first use takes the one the
// environment variable ZENTIL_PLATFORM names, else default_backend_name() (an
// unknown name there also sets the error).
int select_backend(const char* name);
const backend& current_backend();

#if ZENTIL_TEST_HOOKS
// Back to "no selection made": the next use reads ZENTIL_PLATFORM again.
void forget_backend_selection();
#endif

// The last failure's text in the calling thread; set_error stores it there
// and returns -1. ASCII only.
const char* error();
int set_error(const char* text);

// Shorthands over the current backend.
std::uint32_t milliseconds();
local_time now();

// ---- clock: counters and sleeps (clock.cpp) ----
std::uint64_t performance_counter();
std::uint64_t performance_frequency();
bool has_timestamp_counter();
std::uint64_t timestamp_counter();
void sleep(std::uint32_t ms);

// The multimedia timer's period: the same on every backend, 1 ms at best;
// setting and clearing it change nothing and return 0.
std::uint32_t timer_minimum_period();
int begin_timer_period(std::uint32_t ms);
int end_timer_period(std::uint32_t ms);
// ---- end of clock ----
// ---- window, events, cursor, clipboard, drops, text input ----
// One window, driven from the thread that started video; calls from another
// thread fail. Titles and clipboard text holding a zero character are refused.

int video_start();  // first call also routes SIGINT and SIGTERM to a close
int desktop_mode(display_mode& out);
int create_window(const window_spec& spec);  // -1 when one exists
int destroy_window();                        // 0 also when there is none
bool has_window();
int set_window_title(const std::wstring& title);
int window_title(std::wstring& out);
int show_window(bool shown);
int raise_window();
int client_rect(screen_rect& out);
int set_client_rect(const screen_rect& rect);
int frame_size(window_frame& out);
int inhibit_screen_saver(bool on);
// The window's frame on or off, and whether it stays above other windows.
int set_window_style(bool framed, bool top_most);
// Minimises the window (a window manager may refuse; nothing tells).
int minimise_window();
// Whether the window is minimised now; false without a window.
bool window_minimised();

// Takes one record: 1, or 0 when none is waiting (or video is not started).
int pump_event(event& out);
// 256 bytes by virtual key, bit 7 = down, kept from the records pumped
// (mouse buttons as keys 1, 2 and 4); cleared when focus is lost.
const std::uint8_t* keyboard_state();
// The mouse buttons pressed since the last call (bit 0 left, 1 right, 2
// middle), the record cleared: a press and its release pumped between two
// reads of the key table show here. Focus loss clears it.
unsigned take_pressed_buttons();
// Virtual key of a key position, 0 for a key without one.
int virtual_key(int key_position);

int show_cursor(bool shown);
// The last position a pumped mouse record carried, window-relative; before
// any, the backend's own report.
int cursor_position(int& x, int& y);

// 0 with the text, -1 (error set) when the clipboard holds none or fails.
int clipboard_text(std::wstring& out);
int set_clipboard_text(const std::wstring& text);

// Off until switched on; while off, drop records are not delivered.
int accept_drops(bool on);
bool drops_accepted();

// Text input is on from window creation. While the input method is
// switched off, composition records are not delivered.
int text_input(bool on);
int set_ime_enabled(bool on);
int set_composition_rect(const screen_rect& rect);

// ---- menu bar and tool bar (menu.cpp) ----
// Menus are kept here from their creation on, with or without a window; one
// may be attached to the window as its menu bar. Clicking an item gives a
// command record with the item's id; clicking a tool-bar button one with
// toolbar_command_base + the button's id. Handles are positive.

enum class menu_item_kind { item, separator, submenu };

struct menu_item_info {
    menu_item_kind kind = menu_item_kind::item;
    int id = 0;         // items
    int submenu = 0;    // submenus: the menu it opens
    std::wstring text;  // items and submenus
};

constexpr int toolbar_command_base = 1280;
constexpr int toolbar_separator = 3;  // a button kind that is only a gap

int create_menu();                   // a handle, or -1
int destroy_menu(int menu);          // with its submenus; detached first when attached
int append_menu_item(int menu, int id, const std::wstring& text);
int append_menu_separator(int menu);
int append_submenu(int menu, int submenu, const std::wstring& text);  // a submenu is held by one menu
int menu_item_count(int menu);       // -1 for an unknown menu
int menu_item(int menu, int position, menu_item_info& out);
int attach_menu(int menu);           // 0 detaches; needs the window
int attached_menu();                 // 0 when none
// Opens the attached menu's first drop-down (a press on the menu bar).
int open_menu();
// Forgets every menu and the tool bar (a reset between tests).
void forget_menus();

int create_toolbar();                // -1 when one exists
int destroy_toolbar();               // 0 also when there is none
bool has_toolbar();
int add_toolbar_button(int id, int kind);
int delete_toolbar_button(int position);
int toolbar_button_count();          // -1 without a tool bar
int toolbar_button(int position, int& id, int& kind);
int toolbar_height();                // 0 without a tool bar
// The window's size changed: the tool bar follows it.
int toolbar_resized();

// ---- present, display object, display modes ----

// The display object of the window (closed with the window).
int open_display();
int close_display();  // 0 also when none is open
bool display_open();
// Shows source of view at destination in the window, scaled by nearest
// pixel; the rest of the window turns black. The picture stays shown until
// the next present. Bad input gets -1 and leaves the picture as it was.
int present(const pixel_view& view, const rect& source, const rect& destination);
// The machine's monotonic clock (CLOCK_MONOTONIC, ns; not the backend's
// clock, which is virtual on headless) read as each present that succeeded
// returned: the first and the last since the window state was last cleared,
// and their count; all 0 before the first. A whole-program run names a file
// in ZENTIL_PRESENT_STAMPS to have them written: "first-present NS" and
// "first-present-cpu NS" (the processor time the process had used) at the
// first present, then at the process's exit "presents N", "last-present NS"
// and "exit NS", one a line.
struct present_stamps {
    std::uint64_t first_ns = 0, last_ns = 0;
    std::uint64_t count = 0;
};
const present_stamps& presented();
// Returns at the next tick of the display's refresh (60 Hz when unknown).
int wait_vblank_begin();
bool in_vblank();  // false: no backend can tell
// The first tick of a refresh_hz clock (60 when <= 0) after now, both in
// nanoseconds of the same clock; ticks fall on whole nanoseconds at or after
// k / refresh_hz seconds.
std::uint64_t next_vblank_time(std::uint64_t now_ns, int refresh_hz);
// The display's modes of 16 bits and more, in the order the system gives.
int display_modes(std::vector<display_mode>& out);
// Changes to a mode of the list (width, height and bits; a listed refresh
// of 0, or a requested one of 0, goes with any); full_screen false asks for
// a change that is not only for the program's run. A mode the list lacks
// fails.
int change_mode(const display_mode& mode, bool full_screen);
// Gives the desktop's own mode back when a change left another one; 0 also
// when there is nothing to give back.
int restore_desktop_mode();
// Whether the list holds the mode, as change_mode matches it.
bool mode_listed(const std::vector<display_mode>& modes, const display_mode& mode);
// ---- end of present ----

// ---- device ----
// Whether the 3D device library can be loaded, and whether its object can be
// made: 0 or -1 (error set). create_device_object is device::create_object.
int device_library();
int create_device_object();

// The device group over the current backend. Every call is checked here
// once, so every device refuses the same input: an unknown state, format or
// flag; a null or released resource, or one of the wrong kind, where one is
// needed (set_texture takes none for no texture); a size of 0 or below, a
// texture over the maximum texture size, a surface over max_surface_side;
// more levels than the chain has; a second lock, an unlock of what is not
// locked; a lock of what Direct3D 9 does not let a program lock (render-target
// textures and surfaces made not lockable, depth surfaces, default-pool
// textures; the lockable back buffer, managed and system-memory textures and
// system-memory surfaces lock); a rectangle outside its surface or empty;
// stretch_rect into anything but a render target or the back buffer;
// update_surface other than system memory into a default-pool texture of the
// same format; get_render_target_data between surfaces of different size or
// format; a primitive type outside 1 to 6; a stride other than the FVF's
// size; a null vertex or index pointer with a count above 0. Each refusal is
// -1 with one set_error and changes nothing. Calls need the object, device
// calls the device; the object and the device exist once each.
namespace device {

int create_object();            // also creates nothing when the library is missing
int release_object();           // releases the device first when it lives
bool object_exists();
int get_adapter_mode(adapter_mode& out);
int mode_count(format f);       // -1 for a format that is no display format
int get_caps(caps& out);
int get_identifier(identifier& out);
// 0 when the device can make textures of the format with the usage (0 or
// usage_render_target) on an adapter of the given format, else -1 (error set).
int check_format(format adapter, std::uint32_t usage, format f);
int check_depth_match(format adapter, format target, format depth);
// A back buffer of 1 to max_surface_side each way in X8R8G8B8, R5G6B5,
// X1R5G5B5 or A1R5G5B5; windowed with refresh 0; interval ONE or IMMEDIATE;
// behaviour software or mixed vertex processing, optionally FPU preserve.
int create_device(const present_params& params, std::uint32_t behaviour);
// Handles still alive are released with it and counted as leaked.
int release_device();
bool device_exists();
const present_params& device_params();
// Handles alive now (every kind), and those a device release found alive
// since the common state was last cleared.
int live_resources();
int leaked_resources();
const device_state& current_state();
// The description of a live resource, or null (error set); good until the
// next resource is made.
const resource_desc* describe(resource r);
// Clears the common state without calling the backend (the headless reset).
void forget_state();

// Resources, each into out (none on failure). levels 0: the whole chain down
// to 1 x 1.
int create_texture(int width, int height, int levels, std::uint32_t usage, format f, pool p, resource& out);
int get_surface_level(resource texture, int level, resource& out);
int level_count(resource texture);  // -1 for no texture
int level_desc(resource texture, int level, resource_desc& out);
int create_render_target(int width, int height, format f, bool lockable, resource& out);
int create_offscreen_plain_surface(int width, int height, format f, pool p, resource& out);
int create_depth_stencil_surface(int width, int height, format f, resource& out);
int get_back_buffer(resource& out);
int get_swap_chain(resource& out);
int create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf, pool p, resource& out);
int create_index_buffer(int bytes, std::uint32_t usage, format f, pool p, resource& out);
int create_vertex_shader(const std::uint32_t* code, int words, resource& out);
int create_pixel_shader(const std::uint32_t* code, int words, resource& out);
int create_vertex_declaration(const vertex_element* elements, int count, resource& out);
// Released with it: its place in the device state (a texture's stage, the
// render target, which goes back to the back buffer, the depth surface, a
// shader or declaration), each unbound through the backend.
int release(resource r);

// Locks: a texture's level, a surface, or (lock_buffer) a byte range of a
// buffer (bytes 0: to the end). area null: the whole. Block formats lock by
// whole 4 x 4 blocks (edges on multiples of 4 or on the surface's edge).
int lock_texture(resource texture, int level, const rect* area, std::uint32_t flags, locked_rect& out);
int unlock_texture(resource texture, int level);
int lock_surface(resource surface, const rect* area, std::uint32_t flags, locked_rect& out);
int unlock_surface(resource surface);
int lock_buffer(resource buffer, int offset, int bytes, std::uint32_t flags, void*& out);
int unlock_buffer(resource buffer);

// State.
int set_render_state(render_state state, std::uint32_t value);
int set_texture_stage_state(int stage, stage_state state, std::uint32_t value);
int set_sampler_state(int sampler, sampler_state state, std::uint32_t value);
int set_texture(int stage, resource texture);
int set_fvf(std::uint32_t fvf);
int set_transform(transform which, const matrix& m);
int set_viewport(const viewport& v);  // inside the render target
int set_scissor_rect(const rect& r);
int set_render_target(resource surface);  // viewport and scissor become the whole surface
int set_depth_stencil_surface(resource surface);  // none: no depth surface
int set_vertex_shader(resource shader);
int set_pixel_shader(resource shader);
int set_vertex_declaration(resource declaration);
int set_light(int index, const light& l);
int light_enable(int index, bool on);
int set_material(const material& m);
int set_vertex_shader_constant_f(int first, const float* values, int count);  // count x 4 floats
int set_vertex_shader_constant_b(int first, const int* values, int count);
int set_pixel_shader_constant_f(int first, const float* values, int count);
int set_dialog_box_mode(bool on);
int begin_scene();
int end_scene();

// Drawing, clearing, copies, present.
int draw_primitive_up(primitive type, int count, const void* vertices, int stride);
int draw_indexed_primitive_up(primitive type, int min_index, int vertex_count, int count,
                              const std::uint16_t* indices, format index_format, const void* vertices, int stride);
// rects null with count 0: the whole render target; all cut to the viewport.
int clear(int count, const rect* rects, std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil);
int color_fill(resource surface, const rect* area, std::uint32_t colour);  // 0xAARRGGBB
int stretch_rect(resource source, const rect* from, resource target, const rect* to, filter f);
int update_surface(resource source, const rect* from, resource target, const int* at);  // at: x, y or null
int get_render_target_data(resource source, resource target);
// Shows the back buffer's source rectangle (null: the whole) scaled by
// nearest pixel to the destination (null: the client area) in the window;
// swap_chain none or the one of get_swap_chain.
int present(resource swap_chain, const rect* source, const rect* destination);

}  // namespace device
// ---- end of device ----

// ---- question box ----
// A modal yes/no box over the window (or alone before it exists): 1 yes, 0 no,
// -1 (error set) when no box can be shown. Text holding a zero character is
// refused.
int ask_yes_no(const std::wstring& title, const std::wstring& text);
// A modal box that tells text and waits for its "OK": 0, or -1 (error set)
// when no box can be shown.
int show_message(const std::wstring& title, const std::wstring& text);

// ---- joysticks ----
// The device-input layer over the joystick group; the layer above keeps the
// objects and their state, these check the arguments and ask the backend.
// The attached joysticks, the first max_joysticks of them: 0, or -1 (error
// set, out empty) when the system cannot tell.
int joysticks(std::vector<joystick_info>& out);
// Tells the backend of a device-input call: 0 lets it go on, else the
// result code it fails with.
std::uint32_t input_call(input_op call, const input_device& device, int value = 0);
// Opens the joystick of an index of the last enumeration: its id, or -1
// (error set) for an index out of range or a joystick gone since.
int open_joystick(int index);
void close_joystick(int id);
// An effect of a kind the joystick offers: its id, or -1 (error set).
int create_effect(int joystick, const haptic_effect& effect);
int run_effect(int joystick, int effect);
int stop_effect(int joystick, int effect);
void destroy_effect(int joystick, int effect);
// The keyboard by device key code and the mouse's eight buttons, bit 7 =
// down: 0, or -1 (error set, out cleared).
int device_keys(std::uint8_t* keys);
int device_mouse_buttons(std::uint8_t* buttons);
// The device key code of a key position (the keyboard's scan code), 0 for
// a key without one.
int device_key(int key_position);
// ---- end of joysticks ----

// ---- threads ----
// Starts run on a thread of its own named name (at most 15 bytes are kept)
// that the process never joins: it runs until run returns. On headless it
// runs in virtual time: start returns once it first sleeps or ends, and its
// sleeps last until the test's thread has moved the clock by as much.
// 0, or -1 (error set) when no thread can be made.
int start_timed_thread(std::function<void()> run, const char* name,
                       thread_priority priority = thread_priority::normal);
// ---- end of threads ----

}  // namespace platform
