// Archives: one keyed file holding a folder tree of entries, some of them
// packed; the reader (open from a file or a memory block, walk folders, find
// entries, read them) and the archive-aware file access over it.
//
// Layout (little-endian; every byte of the file XORed with key byte
// offset mod 12): a 24-byte header, then wherever the header says, the head
// block (name table at its start, the file table, the directory table) and
// the entry data. Every offset, count and size read from an archive is
// checked against the block it points into: a damaged archive or entry is
// refused, never read outside its head block, image or file.
#pragma once

#include <cstdint>

#include "media/core/stream.hpp"

struct THREADED_FILE;

constexpr std::uint16_t ARCHIVE_MAGIC = 0x5844;  // "DX"
constexpr std::uint16_t ARCHIVE_MAX_VERSION = 3;
constexpr int ARCHIVE_KEY_SIZE = 12;
constexpr std::uint32_t ARCHIVE_FOLDER = 0x10;
constexpr std::uint32_t ARCHIVE_NOT_PACKED = 0xFFFFFFFF;
constexpr std::uint32_t ARCHIVE_NO_PARENT = 0xFFFFFFFF;
constexpr int ARCHIVE_HEADER_SIZE = 24;
constexpr int ARCHIVE_DIR_SIZE = 16;
constexpr int ARCHIVE_PACKED_HEADER_SIZE = 9;

// The header as decoded (24 bytes in the file).
struct DXAHEADER {
    std::uint16_t magic;
    std::uint16_t version;          // 0 to 3
    std::uint32_t head_size;        // bytes of the head block
    std::uint32_t data_address;     // entry data offsets count from here
    std::uint32_t head_address;     // file offset of the head block
    std::uint32_t file_table;       // from the head block's start
    std::uint32_t directory_table;  // from the head block's start
};

// Byte sizes of a file-table record by version.
inline int ArchiveFileRecordSize(int version)
{
    return version >= 2 ? 44 : 40;
}

// An archive; all zero means closed. The tables point into the head block
// (or, for a caller's block, into the block itself).
struct DXAARCHIVE {
    DXAHEADER header;
    unsigned char* image;         // the decoded image when in memory, else null
    THREADED_FILE* file;          // the archive file when streamed (or loading)
    unsigned char* head;          // head block
    unsigned char* file_table;
    unsigned char* directory_table;
    unsigned char* name_table;
    std::uint32_t file_table_size;       // bytes from file_table to the head block's end
    std::uint32_t directory_table_size;  // bytes from directory_table to the head block's end
    std::uint32_t current;        // the current folder's offset in the directory table
    unsigned char key[ARCHIVE_KEY_SIZE];
    std::int32_t open;
    std::int32_t in_memory;
    std::int32_t callers_block;   // the image is a caller's block decoded in place
    std::int32_t size;            // bytes of the archive
    std::int32_t loading;         // a background load of the whole image is pending
    THREADED_FILE* load_file;
};

// A reader of one entry.
struct DXAFILEREAD {
    DXAARCHIVE* archive;
    const unsigned char* entry;   // its file-table record
    std::uint32_t data_size;
    std::uint32_t data_position;  // file offset of the stored bytes (data address + offset)
    unsigned char* unpacked;      // the whole entry when it is packed
    unsigned char* raw;           // the packed bytes while they load
    std::int32_t raw_size;
    std::int32_t end;
    std::int32_t position;
    std::int32_t background;
    std::int32_t pending;         // 0 none, 1 key and unpack raw, 2 key the destination
    std::int32_t pending_file_position;
    void* pending_destination;
    std::int32_t pending_length;
    std::int32_t failed;          // the packed data was malformed: reads deliver nothing
};

// A search inside an archive.
struct DXAFIND {
    DXAARCHIVE* archive;
    char pattern[260];            // upper-cased
    std::uint32_t folder;         // offset of the folder searched
    std::int32_t next;
};

// ---- key and packed data ----

// The 12-byte key of a key string; null or "" gives the built-in key.
void BuildArchiveKey(const char* key_string, unsigned char* key);
// XORs length bytes with the key from file position on; returns the key
// index after the last byte.
int ApplyArchiveKey(int length, void* buffer, std::int64_t position, const unsigned char* key);
// The unpacked size a packed block announces (destination null) or, with a
// destination of that many bytes, the size after unpacking it. The block
// holds its packed size of bytes. -1 for a malformed block: a reference
// before the start of the output or with no distance before it, output
// beyond the announced size, a stream that ends inside a code, or an output
// shorter than announced. Nothing outside either buffer is touched.
int DecompressArchiveData(const void* packed, void* destination);

// ---- archives ----

// Zeroes the record; 0.
int ResetArchive(DXAARCHIVE* archive);
// Opens a caller's block (decoded in place, handed back keyed at close): 0,
// or -1 with the block as it came.
int OpenArchiveInMemory(DXAARCHIVE* archive, void* data, int size, const char* key_string);
// Opens a file, reading the head block only: 0 or -1.
int OpenArchiveFileStreamed(DXAARCHIVE* archive, const char* path, const char* key_string);
// Opens a file and loads the whole image in the background; waits for it
// unless no_wait is set: 0 or -1.
int OpenArchiveFileLoaded(DXAARCHIVE* archive, const char* path, const char* key_string, int no_wait);
// 1 when no background load is pending; finishes one whose file is idle.
int PollArchiveLoad(DXAARCHIVE* archive);
// Releases what the archive holds, then zeroes it; 0.
int CloseArchive(DXAARCHIVE* archive);
// Finishes a background load; the image when in memory, else null.
void* WaitArchiveHead(DXAARCHIVE* archive);
// File position and size of an entry stored as is: 0, or -1 when absent.
int LocateArchiveFile(DXAARCHIVE* archive, const char* path, int* position, int* size);

// ---- folders and searches ----

// ".", "/" or "\\", "..", or a path walked from the current folder: 0, or -1
// when a component names no folder (with restore the starting folder stays
// current, else the walk's last folder does).
int ChangeArchiveDirectory(DXAARCHIVE* archive, const char* path, int restore);
// The file-table record of a file (not a folder) at path, or null.
const unsigned char* FindArchiveFile(DXAARCHIVE* archive, const char* path);
// 0 when name matches pattern ('?' one byte, '*' up to the next pattern
// byte without backtracking, double-byte characters as pairs), else -1.
int MatchWildcard(const char* name, const char* pattern);
// The first match of "folder/pattern": 0 or -1 (-1 also for a path of 256
// bytes or more).
int FindFirstInArchive(DXAFIND* find, DXAARCHIVE* archive, const char* path, FILEINFO* info);
// The next match: 0, or -1 when none is left.
int FindNextInArchive(DXAFIND* find, FILEINFO* info);

// ---- entries ----

// 0, or -1 when the entry is absent or damaged.
int OpenArchiveEntry(DXAFILEREAD* reader, DXAARCHIVE* archive, const char* path, int background);
// Bytes delivered (0 at the end).
int ReadArchiveEntry(DXAFILEREAD* reader, void* buffer, int bytes);
// Origin 1 from the position, 2 from the end, else the start; clamped; 0.
int SeekArchiveEntry(DXAFILEREAD* reader, int offset, int origin);
int TellArchiveEntry(DXAFILEREAD* reader);
// -1 at the end, else 0.
int IsArchiveEntryAtEnd(DXAFILEREAD* reader);
// 1 when nothing is pending, else 0.
int PollArchiveEntry(DXAFILEREAD* reader);
// 0.
int CloseArchiveEntry(DXAFILEREAD* reader);

// ---- the archive-aware file access ----

// The shared archive of path (opened streamed, or loaded whole), its use
// count raised; hint is tried first. The index, or -1.
int OpenSharedArchive(int hint, const char* path, int loaded, int no_wait);
// Closes every shared archive whose use count is 0 or less; 0.
int SweepArchiveTable();
// Closes the archives no file or search refers to any more; 0.
int CloseUnusedArchives();
// The archive a leading folder of path names (folder + ".DXA"; the file
// name itself is never tried), one use taken: its index, its path and the
// rest of path inside it (buffers of 256 bytes). -1 when no folder names an
// archive or the absolute path is 256 bytes or longer.
int LocateArchiveForPath(const char* path, int* index, char* archive_path, char* rest);

// The archive-aware FILEOPS set: stream values are slot | 0xF0000000, at
// most 512 open; a value naming an empty slot makes every operation -1.
void* ArcFileOpen(const char* path, int cache_flag, int reserved, int background);
int ArcFileClose(void* stream);
int ArcFileTell(void* stream);
int ArcFileSeek(void* stream, int offset, int origin);
int ArcFileRead(void* buffer, int element_size, int count, void* stream);
int ArcFileEof(void* stream);
int ArcFileIdle(void* stream);
int ArcSetCurrentDirectory(const char* path);
int ArcGetCurrentDirectory(char* buffer);
std::intptr_t ArcFindFirst(const char* path, FILEINFO* info);
int ArcFindNext(std::intptr_t find, FILEINFO* info);
int ArcFindClose(std::intptr_t find);

namespace media::core {

// The second default key, tried when the header does not decode with the
// first.
void second_archive_key(unsigned char* key);

}  // namespace media::core
