// Open files by wide name: a handle over a descriptor (read, write, seek,
// size), the current folder, a listing of one folder by a wildcard pattern,
// and temporary files. None of these throws: failure is false or -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace platform::fs {

// Files this large or larger are refused at open: their callers keep sizes
// and positions in 32-bit integers.
constexpr std::int64_t file_size_limit = std::int64_t(1) << 31;

enum class open_mode {
    read,         // an existing regular file, for reading
    create_new,   // a new file for writing; fails when the name exists
    open_always,  // for writing, made when missing, positioned at its end
};

enum class seek_origin { begin, current, end };

// One open file; closed when destroyed. Moves, never copies.
class file {
public:
    file() = default;
    ~file() { close(); }
    file(file&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    file& operator=(file&& other) noexcept;
    file(const file&) = delete;
    file& operator=(const file&) = delete;

    // Closes what was open first. False for a missing file, a folder or
    // anything not a regular file, a file of file_size_limit or more, a name
    // holding a zero character.
    bool open(const std::wstring& path, open_mode mode);
    bool is_open() const { return fd_ >= 0; }
    // Up to size bytes; the bytes read (fewer only at the end of the file),
    // or -1.
    std::int64_t read(void* buffer, std::size_t size);
    // Every byte, or -1 (also when the file would reach file_size_limit).
    std::int64_t write(const void* bytes, std::size_t size);
    // The new position, or -1 for a position below 0 or at the limit.
    std::int64_t seek(std::int64_t offset, seek_origin origin);
    std::int64_t size() const;
    // False when the descriptor did not close cleanly; closing a closed file
    // is true.
    bool close();

    // Takes over an open descriptor.
    explicit file(int fd) : fd_(fd) {}

private:
    int fd_ = -1;
};

#if ZENTIL_TEST_HOOKS
// Fault switch: the nth read of any file handle from now on (1 is the next)
// fails when keep < 0, else delivers at most keep bytes. n <= 0 disarms it.
void fault_nth_read(int nth, std::int64_t keep);
#endif

// Makes path the process's current folder.
bool set_current_folder(const std::wstring& path);

struct entry_info {
    std::wstring name;
    bool folder;
    std::uint64_t size;          // 0 for folders
    std::int64_t created;        // seconds since 1970 UTC: birth time where recorded, else last write
    std::int64_t last_written;   // seconds since 1970 UTC
};

// The entries of one folder whose names match the last component of
// pattern ('*' any run of characters, '?' exactly one; names compare
// exactly), sorted by name, without '.' and '..'. Entries that are
// symbolic links describe what they name. False when the folder cannot be
// read; true with nothing in entries when nothing matches.
bool find_entries(const std::wstring& pattern, std::vector<entry_info>& entries);

// True when name matches the wildcard pattern.
bool wildcard_match(const std::wstring& pattern, const std::wstring& name);

// Local date and time of a time in seconds since 1970 UTC.
local_time to_local_time(std::int64_t seconds);

// A new empty file, made exclusively in $TMPDIR (else /tmp) with a name
// starting with "tmp", open for writing; its full name in path.
bool create_temporary_file(file& out, std::wstring& path);

}  // namespace platform::fs
