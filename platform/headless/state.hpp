// The headless backend's one state record.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <deque>
#include <map>
#include <memory>
#include <functional>
#include <string>
#include <vector>

namespace platform::headless {

// The recording device's memory: a surface's rows (padded, see
// headless.hpp), with the state of a lock on it.
struct device_surface {
    device::format fmt = device::format_unknown;
    int width = 0, height = 0;  // pixels (a buffer: bytes, 1 row)
    int pitch = 0, rows = 0;    // rows of pixels or of 4 x 4 blocks
    std::vector<std::uint8_t> bytes;
    bool readonly = false;      // locked read-only: the locked bytes as they were
    rect locked{0, 0, 0, 0};
    std::vector<std::uint8_t> before;
};
// A texture's levels, or a surface's or buffer's one; shared by the handles
// naming it (a level surface, the back buffer's handles).
struct device_store {
    std::vector<device_surface> levels;
};
struct device_handle {
    device::resource_kind kind = device::resource_kind::texture;
    int serial = 0;  // the number the transcript gives it
    std::shared_ptr<device_store> store;
    int level = 0;
};

struct device_record {
    device_mode mode = device_mode::off;
    bool transcript_on = true;
    std::vector<device_call> transcript;
    device::caps caps{0, 0, true, false, 2048, 2048};
    std::map<std::pair<std::int32_t, std::uint32_t>, bool> support;  // (format, usage): set by tests
    std::vector<device::format> depth_formats{device::D16, device::D24X8, device::D32};
    device::format adapter_format = device::format_unknown;
    std::string driver = "headless", description = "recording device";
    int countdown[16] = {};  // by device_op: calls until the failing one, 0 none
    bool made = false;       // the device exists
    std::shared_ptr<device_store> back_buffer;
    std::map<std::uint32_t, device_handle> handles;
    int serials = 0;
    int leaks = 0;
    std::vector<std::string> faults;
};

struct headless_state {
    std::uint32_t clock = 0;
    local_time local{2000, 1, 1, 0, 0, 0};

    // ---- clock: counters and sleeps ----
    // Virtual milliseconds since reset; moves with clock but never wraps or
    // goes back, so the counters built on it are monotonic.
    std::uint64_t elapsed = 0;
    std::uint32_t clock_step = 0;  // added after each millisecond read
    // ---- end of clock ----
    // window, events, cursor, clipboard, drops, text input
    bool video = false;
    display_mode desktop{1024, 768, 32, 60};
    window_record window;
    strips_record strips;
    std::string clipboard;  // UTF-8; empty = none
    struct queued_event {
        os_event record;
        bool timed;
        std::uint32_t due;  // on the virtual clock
    };
    std::deque<queued_event> events;
    int cursor_x = 0, cursor_y = 0;
    bool screen_saver_inhibited = false;
    bool drops_accepted = false;
    bool text_input = false;
    bool ime_enabled = false;
    screen_rect composition{0, 0, 0, 0};
    bool fail_video_start = false;
    bool fail_window_creation = false;

    // present
    bool display_open = false;
    int failing_display_opens = 0;
    presented_frame frame;
    bool modes_set = false;
    std::vector<display_mode> modes;
    mode_request mode_change;
    bool fail_mode_change = false;
    int failing_mode_changes = 0;
    int desktop_restores = 0;
    bool mode_changed = false;
    bool display_changes_suppressed = false;
    // nanoseconds past the millisecond clock, valid while clock == sub_ms_clock
    std::uint32_t sub_ms_clock = 0, sub_ms = 0;

    // question box
    std::deque<int> answers;
    std::vector<question> questions;
    std::vector<question> messages;

    // progress window
    progress_record progress;
    double cancel_progress_at = -1;
    bool fail_progress_window = false;

    // device
    bool device_library_missing = false;
    bool device_object_fails = false;
    device_record device;

    // joysticks and device input
    std::vector<attached_joystick> joysticks;
    bool device_input = false;
    struct input_fault {
        input_op call;
        input_device_kind device;
        int count;
        std::uint32_t result;
    };
    std::vector<input_fault> input_faults;
    std::vector<input_device_record> input_devices;
    int input_objects_created = 0, input_objects_released = 0;
    struct open_stick {
        int index;
        bool open;
    };
    std::vector<open_stick> sticks;  // by id
    std::vector<effect_record> effects;  // by id
    std::uint8_t device_keys[256] = {};
    unsigned device_buttons = 0;

    // step engine: what each coming frame boundary pushes
    struct step_action {
        std::vector<os_event> records;
        bool sets_clipboard = false;
        std::string clipboard;  // UTF-8
        std::function<void()> effect;  // run at the boundary, before the records are pushed
    };
    std::deque<step_action> step_actions;
    int boundaries = 0;
    std::uint32_t boundary_clock = 0;  // the clock at the last boundary

    // scenario (scenario.hpp)
    bool scenario = false;
    bool scenario_closed = false;
    int frame_cap = 0;
    int frames_presented = 0, presented_after_close = 0;
    int held_polls = 0;   // polls since the last boundary
    int held_frames = 0;  // frames the cap counted for held ones
    std::string report_path;  // UTF-8 name; empty: no report
    std::string created_title;  // UTF-8: the title the window was created with
    std::string (*frame_strings_source)() = nullptr;
    std::string frame_strings;  // the last presented frame's
};

headless_state& state();

// ---- virtual time: the clock, the audio device and the timed threads ----
// Their records live outside headless_state, which reset() swaps wholesale.

// Moves the clock by ms with nothing run: the counters, the time left of
// the sleeping timed threads and the audio device's mixing follow (clock.cpp).
void move_clock(std::uint32_t ms);
// Mixes up to the clock after it moved by ms (audio.cpp).
void mix_for(std::uint32_t ms);
// Capture off and emptied, the audio switches cleared (audio.cpp).
void reset_audio();
// (thread.cpp) The test's thread becomes the calling one.
void claim_test_thread();
// Whether the calling thread is the test's thread (the first to ask claims
// it when none has).
bool on_test_thread();
// A sleep of the calling timed thread: hands the baton back and returns
// when the clock has moved by ms. False when the caller is no timed thread.
bool timed_sleep(std::uint32_t ms);
// The test's thread's move of the clock: from deadline to deadline, each
// due timed thread run at its instant; returns with the clock moved by ms.
void move_scheduled(std::uint32_t ms);
// The time left of every sleeping timed thread goes down by ms (not below 0).
void pass_sleepers(std::uint32_t ms);

}  // namespace platform::headless
