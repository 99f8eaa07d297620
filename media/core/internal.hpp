// Records the media core's files share, and the reset of its global state.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "media/core/alloc.hpp"
#include "media/core/stream.hpp"
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
// The current set; replaced only at start-up.
extern FILEOPS file_ops;

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

}  // namespace media::core
