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
};

enum class event_kind {
    close, focus_gained, focus_lost, minimised, maximised, restored, moved, resized, exposed,
    mouse_move, button_down, button_up, wheel, key_down, key_up, text, text_editing, drop,
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
};

// What the pump gives. x and y: window-relative position for mouse events
// (wheel: the cursor's), new position for moved, new size for resized, the
// cursor (in characters) and the selection length for text_editing.
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

// One attached joystick: four_axes when it has at least four axes (taken as
// X, Y and the Z and R axes).
struct joystick_info {
    bool four_axes = false;
};

constexpr int max_joysticks = 16;

// ---- end of joysticks: records ----

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

    // progress window: a small window over the main one (or alone) while a
    // copy or a delete runs, driven by the thread that called the operation;
    // title in UTF-8
    int (*open_progress)(const char* title);  // 0, or -1 (error set)
    void (*close_progress)();                 // nothing when none is open
    int (*draw_progress)(const progress_view& view);
    // true when Cancel was pressed (a click, Escape or Return, or closing the
    // window) since the last call
    bool (*progress_cancelled)(const progress_view& view);

    // device: the 3D device library's presence and its object's creation,
    // each 0 or -1 (error set)
    int (*device_library)();
    int (*create_device_object)();

    // joysticks: the attached ones in the system's order, 0 or -1 (error set)
    int (*joysticks)(std::vector<joystick_info>& out);

    // audio device: one at a time, opened with the spec's pull function,
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

// Takes one record: 1, or 0 when none is waiting (or video is not started).
int pump_event(event& out);
// 256 bytes by virtual key, bit 7 = down, kept from the records pumped
// (mouse buttons as keys 1, 2 and 4); cleared when focus is lost.
const std::uint8_t* keyboard_state();
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
int change_mode(const display_mode& mode, bool full_screen);
int restore_desktop_mode();
// ---- end of present ----

// ---- device ----
// Whether the 3D device library can be loaded, and whether its object can be
// made: 0 or -1 (error set).
int device_library();
int create_device_object();
// ---- end of device ----

// ---- question box ----
// A modal yes/no box over the window (or alone before it exists): 1 yes, 0 no,
// -1 (error set) when no box can be shown. Text holding a zero character is
// refused.
int ask_yes_no(const std::wstring& title, const std::wstring& text);

// ---- joysticks ----
// The attached joysticks, the first max_joysticks of them: 0, or -1 (error
// set, out empty) when the system cannot tell.
int joysticks(std::vector<joystick_info>& out);
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
