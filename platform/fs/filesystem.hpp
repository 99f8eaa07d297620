// The file system under wide path names: status, current folder, folder
// listing, folder creation, whole-file bytes and replacement, and small
// writes. Names reach the OS as UTF-8, byte-exact both ways
// (platform::text::to_utf8 and from_utf8): a listed name that is not valid
// UTF-8 comes back as the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

namespace platform::fs {

enum class entry_kind { missing, folder, other };

// Failures other than "no such entry" throw std::filesystem::filesystem_error,
// as does a name no byte string spells (a zero character, which the OS would
// cut there, or a code point with no byte form; platform::text::os_name).

// What the path names, following symbolic links.
entry_kind status(const std::wstring& path);
// The same without throwing: a path that cannot be asked about (a loop of
// links, a name too long, an I/O error, a name no byte string spells) is
// missing, with the reason in ec; ec is cleared otherwise.
entry_kind status(const std::wstring& path, std::error_code& ec) noexcept;
std::wstring current_folder();
// The names of a folder's entries in the file system's order, without '.'
// and '..'.
std::vector<std::wstring> entry_names(const std::wstring& folder);
// An entry of a folder and what it names, as status(path, ec) would answer
// for it: taken from the folder read itself, with a status request only for
// a symbolic link or an entry whose kind the read does not give.
struct listed_entry {
  std::wstring name;
  entry_kind kind;
};
// The entries of a folder in the file system's order, without '.' and '..',
// each name with prefix before it; fails as entry_names does.
std::vector<listed_entry> list_entries(const std::wstring& folder, const std::wstring& prefix = std::wstring());
// Makes one folder: true when it was made, false when a folder of that name
// already exists.
bool create_folder(const std::wstring& path);

// The bytes of a regular file; false (bytes untouched) when the path names no
// regular file or it cannot be read. Never throws a file system error.
bool read_file(const std::wstring& path, std::string& bytes);

// Replaces the file at path (or, through a symbolic link, the file it names)
// with bytes: they go to a new temporary file in the same folder, every write
// checked and the data flushed to disk, and only then is it renamed over
// path, so the file is either the old one or the complete new one. The
// temporary has no name until it is complete (O_TMPFILE, where the file
// system has it), so an interrupted write leaves nothing in the folder. A
// replaced file keeps its permission bits. An existing file the caller may
// not write is refused (the rename alone would need only the folder's
// permission). False on any failure, with the old file untouched and the
// temporary file removed. Never throws a file system error.
bool replace_file(const std::wstring& path, const std::string& bytes);
// Removes, beside path, the named temporaries of replace_file calls whose
// process no longer runs (left by an interruption between naming a complete
// temporary and the rename, or on a file system without O_TMPFILE). Only
// regular files named as replace_file names its temporaries for this path
// are touched. Never throws.
void remove_stale_temporaries(const std::wstring& path);

#if ZENTIL_TEST_HOOKS
// Fault switches for the next replace_file: it writes at most this many bytes
// of its data, then its write fails as a full disk would (fail_) or the
// process is killed there (kill_).
void fail_next_replace_after(std::size_t bytes);
void kill_next_replace_after(std::size_t bytes);
// Fault switch for the next entry_names: it throws as a folder the process
// may not read does (EACCES), also for root, which reads every folder.
void fail_next_listing();
#endif

// Small writes; none throws a file system error, a name holding a zero
// character fails.
// Removes a file: true when it is gone (or was not there).
bool remove_file(const std::wstring& path);
// Makes a new empty file: false when the name exists or it cannot be made.
bool create_file(const std::wstring& path);
// Appends bytes at the end of a file, making it when missing: false when it
// cannot be opened or written.
bool append_file(const std::wstring& path, const char* bytes, std::size_t size);

}  // namespace platform::fs
