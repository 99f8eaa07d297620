// The headless backend's hook table and state.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"
#include "platform/window_state.hpp"

#include <utility>

namespace platform::headless {

std::uint32_t milliseconds();
local_time now();
std::uint64_t performance_counter();
std::uint64_t performance_frequency();
bool has_timestamp_counter();
std::uint64_t timestamp_counter();
void sleep(std::uint32_t ms);

// window
int video_start();
int desktop_mode(display_mode& out);
int create_window(const char* title, const window_spec& spec);
void destroy_window();
int set_title(const char* title);
int title(std::string& out);
int show_window(bool shown);
int raise_window();
int client_rect(screen_rect& out);
int set_client_rect(const screen_rect& rect);
int frame_size(window_frame& out);
int inhibit_screen_saver(bool on);
int set_window_style(bool framed, bool top_most);
int minimise_window();
bool window_minimised();
// events, drops
int poll_event(os_event& out);
int accept_drops(bool on);
// cursor
int show_cursor(bool shown);
int cursor_position(int& x, int& y);
// clipboard
int clipboard_text(std::string& out);
int set_clipboard_text(const char* text);
// text input
int text_input(bool on);
int set_ime_enabled(bool on);
int set_composition_rect(const screen_rect& rect);
// present
int open_display();
void close_display();
int present(const pixel_view& view, const rect& source, const rect& destination);
int wait_vblank_begin();
bool in_vblank();
int display_modes(std::vector<display_mode>& out);
int change_mode(const display_mode& mode, bool full_screen);
int restore_desktop_mode();
// question box
int ask_yes_no(const char* title, const char* text);
int show_message(const char* title, const char* text);
// progress window
int open_progress(const char* title);
void close_progress();
int draw_progress(const progress_view& view);
bool progress_cancelled(const progress_view& view);
// device
namespace dev {
int library();
int create_object();
void release_object();
int adapter_mode(device::adapter_mode& out);
int mode_count(device::format f);
int caps(device::caps& out);
int identifier(device::identifier& out);
bool check_format(device::format adapter, std::uint32_t usage, device::format f);
bool check_depth_match(device::format adapter, device::format target, device::format depth);
int create_device(const device::present_params& params, std::uint32_t behaviour, device::caps& out);
void release_device(int leaked);
int create_resource(device::resource id, const device::resource_desc& desc);
void release_resource(device::resource id);
int lock(device::resource id, int level, const rect& area, std::uint32_t flags, device::locked_rect& out);
int unlock(device::resource id, int level);
int set_state(const device::state_change& change);
int draw(const device::draw_call& call);
int clear(const rect* rects, int count, std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil);
int color_fill(device::resource surface, const rect& area, std::uint32_t colour);
int stretch_rect(device::resource source, const rect& from, device::resource target, const rect& to,
                 device::filter f);
int update_surface(device::resource source, const rect& from, device::resource target, int x, int y);
int get_render_target_data(device::resource source, device::resource target);
int present(const rect& source, const rect& destination);
}  // namespace dev
// joysticks
std::uint32_t input_call(input_op call, const input_device& device, int value);
int joysticks(std::vector<joystick_info>& out);
int open_joystick(int index);
void close_joystick(int id);
int create_effect(int joystick, const haptic_effect& effect);
int run_effect(int joystick, int effect);
int stop_effect(int joystick, int effect);
void destroy_effect(int joystick, int effect);
int device_keys(std::uint8_t* keys);
int device_mouse_buttons(std::uint8_t* buttons);
// audio device
int open_audio(const audio_device_spec& spec);
void close_audio();
int audio_outputs(std::vector<audio_output>& out);
// threads
int start_timed_thread(std::function<void()> run, const char* name, thread_priority priority);
void selected();
// menu bar and tool bar
int strips_changed(int attached_menu, bool toolbar);
int toolbar_height();
int open_menu();

headless_state& state()
{
    static headless_state s;
    return s;
}

void reset()
{
    headless_state fresh;
    std::swap(state(), fresh);
    platform::forget_window_state();
    platform::forget_menus();
    platform::device::forget_state();
    reset_audio();
    claim_test_thread();
}

extern const backend table;
const backend table = {
    "headless",
    milliseconds,
    now,
    performance_counter,
    performance_frequency,
    has_timestamp_counter,
    timestamp_counter,
    sleep,
    // window
    video_start,
    desktop_mode,
    create_window,
    destroy_window,
    set_title,
    title,
    show_window,
    raise_window,
    client_rect,
    set_client_rect,
    frame_size,
    inhibit_screen_saver,
    set_window_style,
    minimise_window,
    window_minimised,
    // events
    poll_event,
    // cursor
    show_cursor,
    cursor_position,
    // clipboard
    clipboard_text,
    set_clipboard_text,
    // drops
    accept_drops,
    // text input
    text_input,
    set_ime_enabled,
    set_composition_rect,
    // present
    open_display,
    close_display,
    present,
    wait_vblank_begin,
    in_vblank,
    display_modes,
    change_mode,
    restore_desktop_mode,
    // question box
    ask_yes_no,
    show_message,
    // progress window
    open_progress,
    close_progress,
    draw_progress,
    progress_cancelled,
    // device
    {dev::library, dev::create_object, dev::release_object, dev::adapter_mode, dev::mode_count, dev::caps,
     dev::identifier, dev::check_format, dev::check_depth_match, dev::create_device, dev::release_device,
     dev::create_resource, dev::release_resource, dev::lock, dev::unlock, dev::set_state, dev::draw, dev::clear,
     dev::color_fill, dev::stretch_rect, dev::update_surface, dev::get_render_target_data, dev::present},
    // joysticks
    {input_call, joysticks, open_joystick, close_joystick, create_effect, run_effect, stop_effect, destroy_effect,
     device_keys, device_mouse_buttons},
    // audio device
    open_audio,
    close_audio,
    audio_outputs,
    // threads
    start_timed_thread,
    selected,
    // menu bar and tool bar
    {strips_changed, toolbar_height, open_menu},
};

}  // namespace platform::headless
