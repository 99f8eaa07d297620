// Controls of the headless backend, for tests: a virtual clock that moves
// only when told to, and a fixed local time.
#pragma once

#include "platform/platform.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::headless {

// Back to the state after start: clock 0, local time 2000-01-01 00:00:00,
// video not started, no window, nothing queued (the common window state too);
// the calling thread becomes the test's thread.
void reset();
void set_clock(std::uint32_t milliseconds);
void advance_clock(std::uint32_t milliseconds);
void set_local_time(const local_time& time);

// ---- clock: counters and sleeps ----
// Every millisecond read from now on advances the clock by step after it is
// read (0, the state after reset, switches it off), so busy waits on the
// clock end.
void set_clock_step(std::uint32_t step);
// ---- end of clock ----
// ---- window, events, cursor, clipboard, drops, text input ----
// A virtual desktop (1024 x 768 at 32 bits after reset), one window record,
// a clipboard string, events pushed by tests, and switches that make the next
// video start or window creation fail.

struct window_record {
    bool exists = false;
    std::string title;  // UTF-8
    screen_rect client{0, 0, 0, 0};
    bool shown = false;
    int raise_count = 0;
    bool cursor_shown = true;
    bool framed = true;
    bool top_most = false;
    bool minimised = false;  // set by minimise_window and a minimised record, cleared by restored or maximised
};

// What the window's strips were last told: the menu attached, whether a
// tool bar shows, how often they changed, and the drop-downs opened.
struct strips_record {
    int attached = 0;
    bool toolbar = false;
    int changes = 0;
    int opened = 0;
};
// The tool bar strip's height here.
constexpr int toolbar_strip_height = 24;
const strips_record& strips();

void set_desktop(const display_mode& mode);
const window_record& window();
// Queued in order; a record due at a time of the virtual clock is taken only
// once the clock has reached it, and holds back those queued after it.
void push_event(const os_event& record);
void push_event_at(std::uint32_t due, const os_event& record);
std::size_t queued_events();
void set_cursor_position(int x, int y);
const std::string& clipboard();  // UTF-8
bool screen_saver_inhibited();
bool drops_switched_on();
bool text_input_on();
bool ime_switched_on();
screen_rect composition_rect();
void fail_next_video_start();
void fail_next_window_creation();

// ---- present, display object, display modes ----
// The last presented picture: the window's client area in the format of the
// view presented into it. The mode list is set by tests (the desktop's mode
// until then); a mode change outside it fails. A change that succeeded and a
// restore that left one push a display_changed record behind the queued
// ones. wait_vblank_begin moves the virtual clock to the next 1/60 s.

struct presented_frame {
    int width = 0, height = 0, pitch = 0, bits = 0;
    std::uint32_t red_mask = 0, green_mask = 0, blue_mask = 0;
    std::vector<std::uint8_t> pixels;
    int count = 0;  // presents so far
};

struct mode_request {
    display_mode mode{0, 0, 0, 0};
    bool full_screen = false;
    int count = 0;  // requests so far
};

const presented_frame& frame();
// Writes the frame as an 8-bit RGB PNG; 0, or -1 with the error set.
int dump_frame_png(const std::wstring& path);
void set_display_modes(const std::vector<display_mode>& modes);
void fail_next_display_opens(int count);
void fail_next_mode_change();
// The next count mode changes fail.
void fail_next_mode_changes(int count);
const mode_request& last_mode_request();
int desktop_restores();
// Whether a mode change holds now (a restore gives the desktop's mode back).
bool mode_changed();
// While on (off after reset), mode changes and restores push no
// display_changed record, as a system that never tells.
void suppress_display_changes(bool on);
// The virtual clock with the part below a millisecond that waits for the
// vertical blank leave (milliseconds() reads it truncated).
std::uint64_t virtual_nanoseconds();
// ---- end of present ----

// ---- device ----
// Switches that hold until reset: the device library counts as missing, the
// device object's creation fails.
void set_device_library_missing(bool missing);
void set_device_object_fails(bool fails);

// The device's mode. off (after reset): the object is made and answers, but
// device creation fails, so graphics start-up takes the software road.
// recording: the device is made and keeps its resources in memory; every
// object and device call goes into a transcript with its arguments as sent;
// draws are recorded, not drawn. reference: recording, and every draw is
// also rasterised into the render target (pixel centres at integers, the
// top-left rule, the fixed-function stages and blending; see
// platform/headless/reference.hpp), as Clear and ColorFill always are.
enum class device_mode { off, recording, reference };
void set_device_mode(device_mode mode);

// One call: its name and arguments as text ("CreateTexture 256 256 1 0 21 1
// #3": resources by the number the device gave them, 1 first, "-" for none,
// rectangles as (left,top,right,bottom), flags in hex), and a draw's vertex
// and index data copied. A failed call ends in " failed".
struct device_call {
    std::string call;
    std::vector<std::uint8_t> vertices;
    std::vector<std::uint16_t> indices;
};
const std::vector<device_call>& device_transcript();
std::vector<std::string> device_call_texts();
void clear_device_transcript();
// On after reset; benchmarks switch it off.
void set_device_transcript(bool on);

// The answers of the object. Defaults: shader versions 0, blend-op on,
// square-only off, 2048 x 2048; the six colour formats as textures and render
// targets, no block format; depth formats D16, D24X8 and D32; the adapter's
// format the desktop's (format_unknown: back to that); identifier
// "headless" / "recording device". The display modes are the present
// group's list (set_display_modes), 32 bits as X8R8G8B8, 16 as R5G6B5.
void set_device_caps(const device::caps& caps);
void set_device_format_support(device::format f, std::uint32_t usage, bool supported);
void set_device_depth_formats(const std::vector<device::format>& formats);
void set_adapter_format(device::format f);
void set_adapter_identifier(const std::string& driver, const std::string& description);

// The operations a test can make fail: the nth call from now (1: the next)
// fails once with an error text. A device is never lost by itself: a failed
// present stands for a lost device.
enum class device_op {
    create_object, create_device, create_texture, get_surface_level, create_render_target,
    create_offscreen_plain_surface, create_depth_stencil_surface, create_vertex_shader, create_pixel_shader,
    lock_rect, present, stretch_rect, update_surface, color_fill, set_viewport,
};
void fail_device_call(device_op op, int nth);

// Memory: rows padded past width x bytes per pixel to a multiple of 64 bytes
// with at least 16 spare; new and discarded contents hold this byte.
constexpr std::uint8_t device_fill_byte = 0xCD;
// Resources a device release found alive, and the faults seen: a read-only
// lock whose bytes changed by its unlock.
int device_leaks();
const std::vector<std::string>& device_faults();
// ---- end of device ----

// ---- question box ----
// Answers are queued by tests: 1 yes, 0 no, -1 the box cannot be shown; No
// when none is left. Every question is recorded, in order.

struct question {
    std::wstring title, text;
};

void queue_answer(int answer);
const std::vector<question>& questions();
// The message boxes shown, in order; a scenario's report lists them as
// "message TITLE: TEXT" lines, each run of line breaks in TEXT as " / ".
const std::vector<question>& messages();

// ---- progress window ----
// What the progress window last drew, and whether it is shown. A control
// presses its Cancel once.

struct progress_record {
    bool shown = false;
    int opened = 0;  // windows opened so far
    int draws = 0;   // draws so far
    std::wstring title, name, count;
    std::uint64_t done = 0, total = 0, files_done = 0, files_total = 0;
};

const progress_record& progress();
// Cancel is pressed the first time the shown window is asked while done is
// at least fraction x total (0: at the first look); a negative fraction, the
// state after reset, switches it off.
void cancel_progress_at(double fraction);
// The next progress window cannot be opened (the operation goes on without).
void fail_next_progress_window();

// ---- joysticks ----
// The attached joysticks (none after reset), the device-input layer over
// them (off after reset: its object's creation fails as where there is
// none), switches that make its calls fail, and records of what it did.

// One attached joystick; open_fails makes its opening fail, as for one
// unplugged since the enumeration.
struct attached_joystick : joystick_info {
    bool open_fails = false;
};
void set_joysticks(const std::vector<attached_joystick>& attached);

// While off, creating the device-input object fails with 0x80040154.
void switch_device_input(bool on);
// The next count calls of that kind about a device of that kind (none: the
// object's own calls) fail with result (an event notification's result may
// be one that counts as success, such as 2).
void fail_input_call(input_op call, input_device_kind device, int count = 1, std::uint32_t result = 0x80004005u);

// A device the layer created: how often, whether it was released since
// its last creation, its last cooperative level (0: none set), acquired.
struct input_device_record {
    input_device device;
    int created = 0;
    bool released = false;
    int cooperative_level = 0;
    bool acquired = false;
};
const std::vector<input_device_record>& input_devices();
// The record of one device, or null when it was never created.
const input_device_record* input_device_state(input_device_kind kind, int joystick = -1);
// Objects created and released so far.
int input_objects_created();
int input_objects_released();

// Every effect created, in order: the joystick's index, the parameters,
// its starts and stops, whether it was destroyed.
struct effect_record {
    int joystick = -1;
    haptic_effect effect;
    int starts = 0, stops = 0;
    bool destroyed = false;
};
const std::vector<effect_record>& effects();
// Joysticks open now.
int open_joysticks();

// The device path's keyboard (by device key code) and mouse buttons (bit 0
// left, 1 right, 2 middle, 3 to 7 further ones); all up after reset.
void set_device_key(int code, bool down);
void set_device_mouse_buttons(unsigned mask);
// ---- end of joysticks ----

// ---- audio device and timed threads ----
// The device has no thread: every move of the clock mixes up to the new
// time, so floor(e x 44100 / 1000) frames are mixed once the clock has moved
// by e ms since the device opened. Timed threads run one at a time with the
// test's thread (the one that selected the backend or last called reset):
// a move of the clock by the test's thread (advance_clock, set_clock, its
// sleeps, wait_vblank_begin) goes from deadline to deadline, mixing up to
// each instant, then running each due thread until it sleeps again or ends;
// the step mode of set_clock_step runs none (they run at the next move).
// Sleeps of other threads are real sleeps. reset() clears capture and the
// switches below (and platform/audio's) and leaves an open device, its
// buffers and sleeping threads alone, each with its time left.

// While on, the mixed frames are kept (interleaved stereo float); off after
// reset, when the voices only move on.
void capture_audio(bool on);
std::vector<float> take_audio();  // what was kept, emptied
std::uint64_t audio_frames_mixed();  // since the device opened; 0 when closed
bool audio_open();
void fail_next_audio_open();
void fail_audio_listing(bool fails);  // holds until reset
// ---- end of audio device and timed threads ----

}  // namespace platform::headless
