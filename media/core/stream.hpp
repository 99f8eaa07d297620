// Stream functions: one replaceable table of twelve file-access operations
// (FILEOPS) serves every file the media layer reads; loaders read through a
// stream (six STREAMOPS operations and a data value), so files and memory
// blocks read alike. Also absolute paths (Shift-JIS aware) and temporary
// files.
#pragma once

#include <cstdint>

#include "media/core/date.hpp"
#include "platform/fs/file.hpp"

struct FILEINFO {
    char name[260];             // CP932, '?' where CP932 lacks a character
    std::int32_t directory;     // 1 for a folder
    std::uint32_t size_low;
    std::uint32_t size_high;
    DATEDATA created;           // local time
    DATEDATA last_written;      // local time
};

// The twelve file-access operations. A stream value is opaque: null when an
// open fails. A find value is -1 when a search fails.
struct FILEOPS {
    void* (*open)(const char* path, int cache_flag, int reserved, int background);
    int (*close)(void* stream);
    int (*tell)(void* stream);
    int (*seek)(void* stream, int offset, int origin);
    int (*read)(void* buffer, int element_size, int count, void* stream);
    int (*at_end)(void* stream);   // -1 at the end, else 0
    int (*idle)(void* stream);     // 1 when nothing is pending
    int (*set_current_folder)(const char* path);
    int (*get_current_folder)(char* buffer);
    std::intptr_t (*find_first)(const char* pattern, FILEINFO* info);
    int (*find_next)(std::intptr_t find, FILEINFO* info);
    int (*find_close)(std::intptr_t find);
};

// The six stream operations over a data value.
struct STREAMOPS {
    int (*tell)(void* data);
    int (*seek)(void* data, int offset, int origin);
    int (*read)(void* buffer, int element_size, int count, void* data);
    int (*at_end)(void* data);
    int (*idle)(void* data);
    int (*close)(void* data);
};

// What a loader receives: a copy of one table and the data value.
struct STREAMREF {
    STREAMOPS ops;
    void* data;
};

// A read-only stream over a caller's block (the block stays the caller's).
struct MEMSTREAM {
    void* data;
    std::int32_t size;
    std::int32_t position;  // always within 0 to size
    std::int32_t end;
};

// Copies table into the current FILEOPS; null selects the plain set.
// Returns 0.
int SelectFileAccessOps(const FILEOPS* table);

// The current FILEOPS operations.
void* OpenFileStream(const char* path, int cache_flag, int reserved, int background);
int CloseFileStream(void* stream);
int TellFileStream(void* stream);
int SeekFileStream(void* stream, int offset, int origin);
int ReadFileStream(void* buffer, int element_size, int count, void* stream);
int IsFileStreamAtEnd(void* stream);
int IsFileStreamIdle(void* stream);

// The file set (over the current FILEOPS) and the memory set.
const STREAMOPS* GetFileStreamOps();
const STREAMOPS* GetMemStreamOps();

// A zeroed record over data at position 0; null for a negative size, null
// data with a size, or no memory.
MEMSTREAM* OpenMemStream(void* data, int size);
// The memory set; stream is a MEMSTREAM* (null: tell and seek -1, read 0).
int TellMemStream(void* stream);
// Clamped to 0 .. size; clears the end flag; returns 0.
int SeekMemStream(void* stream, int offset, int origin);
// Whole elements copied; with less than one element left, those bytes and
// 1; at the end 0 and the end flag. An element size or count of 0 or less
// copies nothing and returns 0.
int ReadMemStream(void* buffer, int element_size, int count, void* stream);
int IsMemStreamAtEnd(void* stream);
int IsMemStreamIdle(void* stream);
// Frees the record, not the data; returns 0.
int CloseMemStream(void* stream);

// The plain set's folder and search operations.
int SetCurrentDirectoryPlain(const char* path);    // 0, or -1
int GetCurrentDirectoryPlain(char* buffer);         // 260 bytes: 0, or -1 when it does not fit
std::intptr_t FindFirstFilePlain(const char* pattern, FILEINFO* info);
int FindNextFilePlain(std::intptr_t find, FILEINFO* info);
int FindClosePlain(std::intptr_t find);
// Fills info from one listed entry.
void FillFileInfo(const platform::fs::entry_info& entry, FILEINFO* info);

// Absolute paths against base (null: the current folder through FILEOPS),
// each component appended with '\\'; "." dropped, ".." removes the previous
// component but never the drive. Output holds 260 bytes: 0, or -1 when the
// result would not fit ("" in output). ComposeFullPath also fails on an
// empty component.
int ResolveFullPath(const char* path, char* output, const char* base);
int ComposeFullPath(const char* path, char* output, const char* base);
// Against the current folder, a-z and the drive letter upper-cased.
int ResolveFullPathUpper(char* output, const char* path);

// A new empty file named "tmp..." in the temporary folder, open for writing;
// its CP932 path in path (260 bytes) when given. Closed when it cannot be
// made or its path does not fit.
platform::fs::file OpenNewTempFile(char* path);
