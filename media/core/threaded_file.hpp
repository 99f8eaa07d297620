// The media layer's plain file: a file opened for reading, served on the
// caller's thread or by a file-access thread of its own. With the thread,
// reads and seeks are commands handed over through two manual-reset events
// (at most one pending; idle while the done event is set), a read may run in
// the background, and an optional 128 KB read-ahead cache is topped up while
// the thread is idle.
#pragma once

#include <cstdint>
#include <thread>

#include "platform/fs/file.hpp"
#include "platform/thread/event.hpp"

constexpr std::int32_t THREADED_FILE_CACHE_SIZE = 0x20000;

// Commands of the file-access thread.
enum : std::int32_t {
    FILE_COMMAND_OPEN = 0,
    FILE_COMMAND_CLOSE_HANDLE = 1,
    FILE_COMMAND_READ = 2,
    FILE_COMMAND_SEEK = 3,
    FILE_COMMAND_END = 4,
};

// From the managed allocator; made and ended only by the functions below.
struct THREADED_FILE {
    platform::fs::file file;      // without a thread (with one, open only to read the size)
    std::int32_t threaded;        // 1 when a file-access thread serves the file
    std::int32_t cache_flag;      // 1: keep a read-ahead cache
    std::int32_t background;      // 1: reads return before the data has arrived
    std::int32_t end;             // set by a read at the end, cleared by seeks
    std::int32_t position;        // the caller's view of the position
    std::int32_t size;
    std::uint32_t thread_id;
    std::thread thread;
    platform::fs::file thread_file;          // the thread's own handle
    platform::manual_reset_event command_event{false};
    platform::manual_reset_event done_event{true};  // set: no command pending
    std::int32_t command;
    std::int32_t thread_ended;    // 1 once the thread has left its loop
    std::int32_t open_failed;
    char path[260];
    void* read_destination;
    std::int32_t read_position;
    std::int32_t read_bytes;
    std::int32_t read_delivered;  // bytes the last read command delivered
    std::int32_t seek_position;
    unsigned char* cache;         // THREADED_FILE_CACHE_SIZE bytes, or null; touched by the thread only
    std::int32_t cache_start;     // file position of the first cached byte
    std::int32_t cached;
};

// Null for a missing file, a folder, a path of 260 bytes or more, a file of
// 2 GiB or more, or a thread that cannot start (logged). A thread serves the
// file when the cache or the background flag is set.
THREADED_FILE* OpenThreadedFile(const char* path, int cache_flag, int reserved, int background);
// Ends the thread (after the pending command) and frees the record: 0, or
// -1 when the handle did not close cleanly (no thread) or file is null.
int CloseThreadedFile(THREADED_FILE* file);
int TellThreadedFile(THREADED_FILE* file);
// From the start (origin 0 and anything but 1 and 2), the position (1) or
// the end (2): 0, or -1 with the position kept for a position below 0 or
// beyond 32 bits. Not clamped to the file: a read there delivers nothing.
int SeekThreadedFile(THREADED_FILE* file, int offset, int origin);
// The number of whole elements read. In the background the data arrives
// before the idle test returns 1; what the file fails to deliver reads as
// zeros there.
int ReadThreadedFile(void* buffer, int element_size, int count, THREADED_FILE* file);
// -1 at the end of the file, else 0.
int IsThreadedFileAtEnd(THREADED_FILE* file);
// 1 without a thread or when no command is pending, else 0.
int IsThreadedFileIdle(THREADED_FILE* file);
