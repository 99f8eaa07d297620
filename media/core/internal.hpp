// Records the media core's files share, and the reset of its global state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/archive.hpp"
#include "media/core/handle.hpp"
#include "media/core/ime.hpp"
#include "media/core/math.hpp"
#include "media/core/ring_buffer.hpp"
#include "media/core/stream.hpp"
#include "media/core/window.hpp"
#include "platform/net/socket.hpp"
#include "platform/platform.hpp"
#include "platform/system/instance_lock.hpp"
#include "platform/thread/event.hpp"

namespace media::core {

// Puts every global state record of the media core back to its state at
// process start (tests call it between cases).
void reset_state();

// ---- maths ----
// The screen size the projection builders take a negative aspect from; the
// graphics layer sets it with each screen mode.
struct projection_state {
    int screen_width = 640;
    int screen_height = 480;
};
extern projection_state projection;
// ---- end of maths ----

// ---- random numbers (random.cpp) ----

struct RANDOMSTATE {
    std::uint32_t state[625];    // the 624 words and a spare holding the new word 0 during a block step
    std::uint32_t next_index;    // the next unread output; 0 after a block step
    std::uint32_t outputs[624];  // tempered outputs of the last block step
    std::int32_t seeded;
    std::int32_t mmx;            // 1: the block step runs two words at a time
};

extern RANDOMSTATE random_state;

// ---- end random numbers ----

// ---- log (log.cpp) ----

struct LOGSTATE {
    // The current folder at start-up, in the platform's form: wide and
    // byte-exact like every OS name (a code page field would turn a folder
    // "café" into "caf?", another folder). Empty: nothing is written.
    std::wstring folder;
    char file_name[260];    // "Log.txt" or the dated name, set when the log is opened
    std::int32_t output_off;
    std::int32_t dated_name;  // 1: "Log<year>_<month>_<day>_<hour>_<minute>_<second>.txt"
    std::int32_t indent;      // tabs at the start of each line
    std::int32_t line_open;   // 1: the last text did not end a line, so the next one goes on it unstamped
    std::int32_t stamp_off;
    std::uint32_t start_time;  // the millisecond clock when the log was opened
};

extern LOGSTATE log_state;
// Guards log_state. Taken after the allocator's lock, never before it.
extern std::mutex log_lock;

// Stores the current folder as the log folder, as start-up does before it
// opens the log: 0, or -1 when there is none (the log folder is then empty
// and nothing is written).
int store_log_folder();
// Makes the log folder the current folder again through platform/fs, as it
// was read (the layer's end does):
// 0, or -1 when none is known or it cannot be entered (the current folder
// then stays as it is).
int restore_log_folder();

// The on-screen log: lines drawn over the picture at flip time (screen_log.cpp).
constexpr int SCREEN_LOG_LINES = 80;

struct SCREENLOG {
    std::int32_t started;
    std::int32_t line_height;
    std::int32_t font;   // font handle, -1 until the log is drawn
    std::int32_t font_lost;  // 1 once the font was deleted from elsewhere
    std::int32_t shown;  // nothing sets it
    char lines[SCREEN_LOG_LINES][256];
};

extern SCREENLOG screen_log;

// ---- end log ----

// ---- managed allocator (alloc.cpp) ----

struct ALLOCSTATE {
    ALLOCHEADER* newest;  // null until the first allocation, then the sentinel when no block lives
    ALLOCHEADER sentinel;  // ends the list; never freed, never reported
    std::uint16_t serial;
    std::int64_t total_size;  // wide enough that no sum of int sizes overflows it
    std::int32_t count;
    std::int32_t trace_all;    // 1: log every allocation, free and reallocation
    std::int32_t trace_size;   // < 0: trace every operation; else those of this size
    std::int32_t print_totals;  // 1: the totals line after each operation
    std::int32_t check_each;   // 1: check the list inside each operation
    std::int32_t failing;      // 1 while an out-of-memory dump runs
#if ZENTIL_TEST_HOOKS
    std::int32_t fail_heap_requests;  // the next this many heap requests fail
    std::int32_t pass_heap_requests;  // ... after this many more have succeeded
#endif
};

extern ALLOCSTATE alloc_state;
// Guards alloc_state and the list; recursive, since the failure path dumps
// and checks while holding it.
extern std::recursive_mutex alloc_lock;

// The log's own buffers (the large-text buffer of a log line): ManagedAlloc(size,
// "", -1) and ManagedFree, but never traced, totalled or checked, since the
// trace and the check write lines that need such a buffer themselves.
void* alloc_log_buffer(int size);
void free_log_buffer(void* block);

#if ZENTIL_TEST_HOOKS
// Makes the next count heap requests of the allocator fail.
void fail_next_heap_requests(int count);
// Lets passing heap requests succeed, then makes count fail (the k-th
// allocation of a routine fails with passing = k - 1).
void fail_heap_requests_after(int passing, int count);
#endif

// ---- end managed allocator ----

// ---- stream functions (stream.cpp, threaded_file.cpp) ----

// The plain set: threaded files and the file system.
extern const FILEOPS plain_file_ops;
// The current set (the archive-aware set unless replaced).
extern FILEOPS file_ops;

// ---- archive-aware file access (archive_file.cpp) ----

constexpr int MAX_SHARED_ARCHIVES = 512;
constexpr int MAX_ARC_FILES = 512;
constexpr std::uint32_t ARC_FILE_TAG = 0xF0000000;

// An archive opened once and shared by the files and searches inside it.
struct SHAREDARCHIVE {
    std::int32_t use_count;
    DXAARCHIVE archive;
    char path[256];
};

// An open file of the archive-aware set.
struct ARCFILE {
    std::int32_t in_archive;
    THREADED_FILE* file;          // the plain file
    std::int32_t archive_index;
    DXAFILEREAD reader;
};

// A search of the archive-aware set.
struct ARCFIND {
    std::int32_t in_archive;
    std::int32_t archive_index;
    DXAFIND find;
    std::intptr_t plain;          // the plain search
};

struct ARCHIVE_STATE {
    SHAREDARCHIVE* archives[MAX_SHARED_ARCHIVES];
    std::int32_t archive_count;
    ARCFILE* files[MAX_ARC_FILES];
    std::int32_t file_count;
    // the last path resolved into an archive: its archive and prefix
    char last_archive[256];
    char last_prefix[256];        // upper-cased
    std::int32_t last_prefix_length;
    std::int32_t last_index;
};

extern ARCHIVE_STATE archive_state;
// The archive-aware set, the default.
extern const FILEOPS archive_file_ops;
// Closes every open file, search-less archive and archive (the state reset).
void close_all_archives();

#if ZENTIL_TEST_HOOKS
// Fault switches of the file-access threads.
struct FILETHREADHOOKS {
    // When set, each thread waits for this event before it runs a read or a
    // seek, so a test can see a command pending.
    std::atomic<platform::manual_reset_event*> gate{nullptr};
    // The next this many opens on a file-access thread fail.
    std::atomic<int> fail_opens{0};
};
extern FILETHREADHOOKS file_thread_hooks;
#endif

// ---- end stream functions ----

// ---- window, message pump and window services (window_timer.cpp, pump.cpp, window_services.cpp) ----

// What the pump hands the procedure; a drop's names travel with it.
struct WINDOWMESSAGE {
    std::uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<std::wstring> names;
    IMECOMPOSITION composition;  // WM_IME_COMPOSITION's, which wParam points to when dispatched
};

struct WINDOWTIMER {
    WPARAM id;
    std::uint32_t period;  // milliseconds
    std::uint32_t start;   // the platform's millisecond clock when the period began
    TIMERPROC proc;
};

// Called with every message the procedure sees (tests watch the pump with it).
using MESSAGEHOOK = void (*)(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
using ACTIVATEHOOK = void (*)(int active, void* data);

struct CLICKLOG {
    std::int32_t button;  // 1 left, 2 right, 4 middle
    std::int32_t x, y;
};

constexpr int MAX_DROPPED_FILES = 1000;
constexpr int MAX_CLICKS = 32;

// The menu: its items listed for the command's name, and the commands chosen.
constexpr int MAX_MENU_ITEMS = 256;
constexpr int MENU_TEXT_BYTES = 128;
constexpr int MAX_SELECTED_COMMANDS = 64;
constexpr int MAX_TOOLBAR_BUTTONS = 256;
struct MENUITEM {
    std::int32_t menu, position, id;
    char text[MENU_TEXT_BYTES + 1];  // CP932, at most 128 bytes
};
using MENUCOMMANDHOOK = void (*)(WPARAM command);
using MENUNAMEHOOK = void (*)(const char* name, int id);
struct MENUSTATE {
    std::int32_t handle;             // the platform's menu; 0 none
    std::int32_t present;
    std::int32_t hidden_by_request;
    std::int32_t auto_hide;          // full screen: shown only while the cursor is near the top
    std::int32_t attached;           // the menu bar shows it
    std::int32_t shown_in_full_screen;
    std::int32_t full_screen_show_count;
    MENUITEM items[MAX_MENU_ITEMS];
    std::int32_t item_count;
    std::int32_t items_left_out;     // items past the list
    std::int32_t selected[MAX_SELECTED_COMMANDS];
    std::int32_t selected_count;
    MENUCOMMANDHOOK command_callback;
    MENUNAMEHOOK name_callback;
};
struct TOOLBARBUTTON {
    std::int32_t id, kind, clicked;  // kind 3: a separator
};
struct TOOLBARSTATE {
    std::int32_t present;
    TOOLBARBUTTON buttons[MAX_TOOLBAR_BUTTONS];
    std::int32_t button_count;
};

// Settings made before start-up; window creation keeps them.
struct WINDOWSETTINGS {
    char caption[256];
    char class_name[256];
    std::int32_t window_mode;  // 1 windowed, 0 full screen
    std::int32_t style_kind;
    std::int32_t run_when_inactive;
    std::int32_t fpu_preserve;
    std::int32_t mode_change_allowed;
    std::int32_t keep_window_on_close;
    std::int32_t no_quit_message;
    std::int32_t resizable;
    std::int32_t hidden_window;
    std::int32_t allow_second_instance;
    std::int32_t user_sizing;
    std::int32_t client_size_requested, requested_width, requested_height;
    std::int32_t position_requested, requested_x, requested_y;
    double scale_x = 1.0, scale_y = 1.0;
    std::int32_t mouse_display = 1;
    std::int32_t menu_auto_display_off;
    std::int32_t drop_files_accepted;
    // skip options of start-up
    std::int32_t no_window, no_graphics, no_sound, no_input;
    // a window supplied from outside; while set the log goes to the debugger only
    std::int32_t user_window;
    MESSAGEHOOK message_callback;
    ACTIVATEHOOK activation_callback;
    void* activation_data;
    // called by the pump after a requested mode change, with its argument
    void (*after_mode_change_callback)(void* data);
    void* after_mode_change_data;
    // keyboard hook option: the window keeps Alt's menu key to itself
    std::int32_t key_hook;
};

// The calls the ground makes upward, to what stands above it: the window's
// making registers them (as a window class holds its procedure). Each stays
// null, which does nothing, until then.
struct UPWARD_CALLS {
    int (*change_window_mode)(int window_mode);  // the pump, on a mode-change request
    void (*auto_show_menu)();                     // the pump, after its passes
    int (*poll_midi_play_state)();                // the pump, each call
    int (*redraw_overlay_movies)();               // the pump, in the inactive wait
    int (*end_layer)();                           // ExitWithLogMessage, before the process ends
    int (*query_screen_size)(int* width, int* height);  // window services: the screen (640 x 480 without)
    std::uint32_t (*pack_screen_color)(int red, int green, int blue);  // key input's colours (0 without)
    int (*device_in_use)();  // the menu's display: whether the device renderer runs (0 without)
};

// A flag read and written by more than one thread: a host may pump from a
// second thread while the window's thread pumps too. It copies (the state
// record is reset by assignment) and reads like the plain integer it replaces.
class shared_flag {
public:
    shared_flag(std::int32_t v = 0) : value_(v) {}
    shared_flag(const shared_flag& other) : value_(other.load()) {}
    shared_flag& operator=(const shared_flag& other)
    {
        value_.store(other.load(), std::memory_order_release);
        return *this;
    }
    shared_flag& operator=(std::int32_t v)
    {
        value_.store(v, std::memory_order_release);
        return *this;
    }
    operator std::int32_t() const { return load(); }

private:
    std::int32_t load() const { return value_.load(std::memory_order_acquire); }
    std::atomic<std::int32_t> value_;
};

struct WINDOW_STATE {
    WINDOWSETTINGS settings;

    HWINDOW main_window;
    WINDOWPROC window_proc;  // the procedure the pump dispatches to; null: messages are dropped
    UPWARD_CALLS upward;
    std::thread::id main_thread;
    std::int32_t active, quit, destroyed, close_posted;
    std::int32_t ending;  // 1 while the layer ends, 4 after a close request that left the window
    std::int32_t being_created, mode_change_in_progress, mode_change_requested, display_changed;
    std::int32_t painted, in_paint, deactivation_paused;
    std::int32_t first_fit_done;  // the first windowed fit applies the style
    std::int32_t mode_changed_at_run_time;
    std::int32_t window_rect[4];  // left, top, right, bottom
    std::int32_t client_rect[4];  // the client area on screen
    std::int32_t desktop_width, desktop_height, desktop_bits;
    std::int32_t char_set_kind;  // 1 Shift-JIS, 2 Hangul
    std::uint32_t timer_period;
    // start-up
    std::int32_t started, starting, com_initialised;
    std::int32_t perf_counter_usable;
    std::uint64_t perf_frequency;
    // pump
    std::int32_t inactive_since = -1;
    std::int32_t inactive_wait;
    shared_flag key_input_updating;  // the pump returns 0 at once while set
    // mouse
    std::int32_t cursor_shown;
    std::int32_t wheel_total;
    CLICKLOG clicks[MAX_CLICKS];
    std::int32_t click_count;
    // dropped files, newest last: the CP932 name and its exact wide form
    char* dropped_names[MAX_DROPPED_FILES];
    wchar_t* dropped_wide[MAX_DROPPED_FILES];
    std::int32_t dropped_count;
    // names of drops that were not held: past the table, or a failed allocation
    std::int32_t dropped_left_out;
    // menu and tool bar (kept by window creation, as the settings are)
    MENUSTATE menu;
    TOOLBARSTATE toolbar;
    // clipboard text read for a size query, kept for the copy that follows
    std::string clipboard_held;
    std::int32_t clipboard_is_held;
};

extern WINDOW_STATE window_state;
// The messages waiting for the pump (posted ones and those made from the
// platform's events) and the window's timers, under message_lock.
extern std::deque<WINDOWMESSAGE> message_queue;
extern std::vector<WINDOWTIMER> window_timers;
extern std::mutex message_lock;
// Held from the second-instance test until the window is destroyed.
extern platform::instance_lock window_instance_lock;

// Queues a message for the main window's pump.
void post_message(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);

// What the machine is: filled by start-up, the memory figures by window creation.
struct PLATFORM_INFO {
    std::int32_t windows_version;
    char os_text[256];
    std::int32_t directx_version;
    std::int32_t cpuid, tsc, mmx, sse, sse2;
    char vendor[13];
    char brand[49];
    std::int32_t cpu_mhz;
    std::uint64_t tsc_per_second;
    std::uint64_t memory_total, memory_free;  // bytes
};

extern PLATFORM_INFO platform_info;

// ---- end window, message pump and window services ----

// ---- call guard (pump.cpp) ----

// A recursive lock that serves waiting threads in their order of arrival.
constexpr int CALL_GUARD_WAITERS = 4096;

struct CALL_GUARD {
    std::int32_t recursion;
    std::int32_t busy;
    std::thread::id owner;  // none while free
    std::thread::id waiters[CALL_GUARD_WAITERS];
    std::int32_t waiter_count;
    std::int32_t full_retries;  // times a thread found the queue full and slept
};

extern CALL_GUARD call_guard;
// Guards call_guard; call_guard_wake is signalled when the guard is let go.
extern std::mutex call_guard_lock;
extern std::condition_variable call_guard_wake;

// ---- end call guard ----

// ---- typed-character stock (key_input.cpp) ----

// A ring of 1025 bytes; empty when read = write, full when write + 1 = read
// (or read 0 and write 1024).
struct CHARRING {
    unsigned char bytes[1025];
    std::int32_t read, write;
};

extern CHARRING char_ring;

// ---- end typed-character stock ----

// ---- key-input handles (key_input.cpp) ----

constexpr int MAX_KEYINPUTS = 256;

// One one-line editor. Positions are byte offsets into text.
struct KEYINPUT {
    std::int32_t used;
    std::int32_t finished;
    std::int32_t cancelled;
    std::int32_t length;
    std::int32_t max_length;       // bytes; a double-byte character counts two
    std::int32_t selection_start;  // -1: nothing selected
    std::int32_t selection_end;
    std::int32_t first_shown;      // first byte the field shows
    std::int32_t cursor;           // 0 to length
    char* text;                    // max_length + 1 bytes, NUL-terminated
    std::int32_t cancel_allowed;
    std::int32_t single_byte_only;
    std::int32_t numeric_only;
};

// The input method as far as this platform has one: whether composition
// events become input-method messages, the composition they leave, the
// candidate list and the reset sequence's step.
struct IMESTATE {
    std::int32_t enabled;
    std::int32_t open;       // follows enabled: text input stays on with the window
    std::int32_t composing;  // between WM_IME_STARTCOMPOSITION and WM_IME_ENDCOMPOSITION
    char composition[1024];  // NUL-terminated, so at most 1023 bytes
    std::int32_t composition_cursor;  // in characters
    std::int32_t clauses[256];        // byte offsets, from 0 to the composition's end
    std::int32_t clause_count;
    void* candidates;  // a CANDIDATELIST block from ManagedAlloc, or null
    std::int32_t candidates_size;
    std::int32_t reset_step;  // 0 to 4; 0: no reset pending
    char saved_composition[1024];
    // the pump: a non-empty edit has opened a composition that no empty edit
    // or commit has closed yet
    std::int32_t platform_composing;
    std::int32_t in_open_status;  // IMN_SETOPENSTATUS is being handled
};

// How fields are drawn: the cursor blink and the colours (screen pixel
// values, packed by StartKeyInputSystem).
struct KEYINPUTSTYLE {
    std::int32_t font = -1;  // -1: the default font
    std::int32_t blink;      // 0: the cursor does not blink
    std::int32_t blink_start;
    std::int32_t blink_period = 500;
    std::int32_t cursor_shown = 1;
    std::uint32_t text, edge;
    std::uint32_t cursor;
    std::uint32_t selected_text, selected_edge, selection_background;
    std::uint32_t composition_background;  // also the candidate box's border
    std::uint32_t composition_cursor;
    std::uint32_t clause_underline;
    std::uint32_t converting_clause;  // also the selected candidate
    std::uint32_t candidate_background, candidate_edge, selected_candidate_edge;
};

struct KEYINPUTSTATE {
    handle_table<KEYINPUT, HANDLEKIND_KEYINPUT, MAX_KEYINPUTS> table;
    KEYINPUT records[MAX_KEYINPUTS];  // by slot
    MEDIA_HANDLE active = -1;
    IMESTATE ime;
    KEYINPUTSTYLE style;
};

extern KEYINPUTSTATE key_input_state;

// The input-method messages of one platform text-editing record (ime.cpp):
// the composition so far (wide), its cursor and selected length in
// characters. Nothing while the input method is off.
std::vector<WINDOWMESSAGE> editing_messages(const std::wstring& text, int cursor, int selected);
// The messages of committed text while a composition is open (the result,
// then the composition's end); empty when none is open, and the text then
// comes as typed characters.
std::vector<WINDOWMESSAGE> commit_messages(const std::string& bytes);

// ---- end key-input handles ----

// ---- input devices (input.cpp) ----

constexpr int MAX_JOYPADS = 16;

// One joypad. On the device road the record holds its device and two
// effects (numbers of the device-input stand-in, 0 for none); on the road
// that only counts joysticks only two_axes is set.
struct JOYPAD {
    std::int32_t device;           // 0: none
    std::int32_t constant_effect;  // 0: none
    std::int32_t sine_effect;      // 0: none
    std::int32_t event;            // 1 while its event notification is set
    std::uint8_t state[80];        // nothing fills it
    std::int32_t two_axes;         // the joystick has the Z and R axes
    std::int32_t vibration_request;  // 0 or 1
    std::int32_t vibration_power;    // 0 to 10000
    std::int32_t vibration_limit;    // milliseconds, negative: none
    std::int32_t vibration_elapsed;
    std::uint32_t last_tick;
    std::int32_t constant_applied, sine_applied;
    char instance_name[260];
    char product_name[260];
    double dead_zone;
};

struct INPUTSTATE {
    // kept across restarts of input
    std::int32_t no_direct_input;       // 1 once both device-input versions failed
    std::int32_t direct_input_everywhere;  // nothing sets it
    // cleared by each start
    std::int32_t direct_input8;
    // 0 not started, -1 started without the device-input interface, else
    // the version of its object (7 or 8)
    std::int32_t started;
    std::int32_t mouse_device, keyboard_device;  // stand-in device numbers, 0: none
    std::int32_t keyboard_event;        // 1 while the keyboard's event exists
    std::uint32_t last_refresh;         // millisecond clock of the last key-state refresh
    std::uint8_t key_state[256];        // by device key code, bit 7 = down
    std::int32_t mouse_valid;           // the three buttons below were read with the key state
    std::uint8_t mouse_left, mouse_right, mouse_middle;
    std::int32_t joypad_count;
    JOYPAD joypads[MAX_JOYPADS];
    std::int32_t starting, refreshing;  // busy flags against re-entry through the pump
    // set and cleared by the private window messages 1135 and 1136; nothing reads them
    std::int32_t message_1135, message_1136;
};

extern INPUTSTATE input_state;

// Two keyboard keys for each of 32 input bits of 16 pads, -1 for none;
// nothing reads it.
extern std::int32_t pad_key_assign[MAX_JOYPADS][32][2];

// ---- device-input stand-in (device_input.cpp) ----

// The device-input objects the input devices are set up through: one object
// of version 7 or 8, devices (the keyboard, the mouse, joysticks) and the
// joysticks' effects, numbered from 1 by slot.
constexpr int MAX_INPUT_DEVICES = 2 + MAX_JOYPADS;
constexpr int MAX_INPUT_EFFECTS = 2 * MAX_JOYPADS;

struct INPUTDEVICE {
    std::int32_t used;
    platform::input_device which;
    std::int32_t joystick;   // the platform's id of the open joystick, -1 for none
    std::int32_t axes;       // the joystick's axis count
    std::int32_t format_set;
    std::int32_t cooperative_level;
    std::int32_t buffer_size;
    std::int32_t event_set;
    std::int32_t acquired;
    std::int32_t range[4][2];  // X, Y, Z, rotation Z
    std::int32_t dead_zone[4];
    std::uint8_t keys_given[256];  // the keyboard's last read, for its event
};

struct INPUTEFFECT {
    std::int32_t used;
    std::int32_t device;    // the stand-in's number
    std::int32_t platform;  // the platform's effect id
    std::int32_t playing;
};

struct DEVICEINPUT {
    std::int32_t version;      // 0: no object, else 7 or 8
    std::int32_t initialized;
    INPUTDEVICE devices[MAX_INPUT_DEVICES];
    INPUTEFFECT effects[MAX_INPUT_EFFECTS];
};

extern DEVICEINPUT device_input;

// ---- end input devices ----


// ---- network connections (network.cpp) ----

// Look-up accepts slots below 4097; accepting fills only the first 4096.
constexpr int NET_SLOTS = 4097;
constexpr int NET_ACCEPT_SLOTS = 4096;
// The longest message a peer may announce: the receive ring is sized by the
// announced length before any of it arrives, so a larger one is refused.
constexpr std::int32_t NET_MESSAGE_LIMIT = 64 << 20;

// One connection. Its incoming messages are framed as a 4-byte little-endian
// length and that many bytes; complete ones collect in the receive ring.
struct NETCONN {
    std::int32_t used;
    std::int32_t error;          // set by a refused length; the next sweep closes it
    std::int32_t state[2];       // nothing reads them
    std::int32_t connected;      // set by a connect notice, cleared by a close notice
    std::int32_t closed_by_peer;  // set by the close notice
    std::int32_t framed;
    std::int32_t auto_close;
    std::int32_t check;
    std::int32_t socket;         // -1 until accepted
    std::int32_t missing;        // bytes of the current incoming message still to receive; 0: none in progress
    RINGBUF receive;
    std::int32_t message_size;   // of the current incoming message
    std::int64_t received_total;  // bytes of complete messages
    RINGBUF send;
    std::uint8_t length_word[4];  // of the outgoing message being sent
    std::int32_t length_unsent;   // bytes of length_word not sent yet
    std::int32_t send_left;       // bytes of the outgoing message still to send; 0: none in progress
    std::uint8_t peer_address[4];  // 127, 0, 0, 1
    std::int32_t peer_port;
    MEDIA_HANDLE handle;
    HANDLENODE node;  // in the list of live connections
};

// A message of the network window.
struct NETMESSAGE {
    std::uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};

struct NETSTATE {
    std::int32_t started;
    std::int32_t window;         // 1 while the network window exists
    std::int32_t window_closed;
    std::int32_t listener = -1;  // the listening socket
    std::int32_t listen_port;
    handle_table<NETCONN, HANDLEKIND_NETWORK, NET_SLOTS> table;
    HANDLENODE first, last;      // the live connections, newest first; unlinked until the start
    std::int32_t framed = 1;     // options given to each new connection
    std::int32_t auto_close = 1;
    std::int32_t receiving, sending;  // a receive or a send runs (they pump, and must not re-enter)
    platform::net::notifier notifier;
    std::deque<NETMESSAGE> window_queue;
};

extern NETSTATE net_state;

// Closes every socket and frees every connection (the state reset).
void close_all_connections();

// ---- end network connections ----

}  // namespace media::core
