// The managed allocator: every block of the media layer carries a header in
// front of the caller's bytes naming who asked for it, its size and a serial
// number, links it into one list of live blocks and keeps a copy of those
// fields so that a damaged header can be found. Thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

// Fields 1 to 6 of the header, then their copy; a multiple of 16, so the
// caller's bytes keep the heap's 16-byte alignment.
constexpr std::size_t ALLOC_HEADER_FIELDS = 16 + 2 + 2 + 4 + 2 * sizeof(void*);
constexpr std::size_t ALLOC_HEADER_SIZE = 2 * ALLOC_HEADER_FIELDS;

struct ALLOCHEADER {
    char name[16];         // 1: the caller's source name: whole up to 14 characters, else its last 15
    std::uint16_t serial;  // 2: the serial counter at allocation or reallocation
    std::uint16_t line;    // 3: the caller's line (-1 stored as 0xFFFF)
    std::uint32_t size;    // 4: the caller's byte count
    ALLOCHEADER* older;    // 5: the next older live block, or the sentinel
    ALLOCHEADER* newer;    // 6: the next newer live block; null for the newest
    unsigned char copy[ALLOC_HEADER_FIELDS];  // fields 1 to 6 when the block or a neighbour last changed
};

static_assert(sizeof(ALLOCHEADER) == ALLOC_HEADER_SIZE, "the header is its fields and their copy");
static_assert(ALLOC_HEADER_SIZE % 16 == 0, "the caller's bytes stay 16-byte aligned");

// The caller's bytes (uninitialised), or null: out of memory (the list is
// dumped and checked), or a size that is negative or too large for a block
// with its header (logged).
void* ManagedAlloc(int size, const char* name, int line);
// As ManagedAlloc, the bytes zeroed.
void* ManagedCalloc(int size, const char* name, int line);
// Null is ignored.
void ManagedFree(void* block);
// The block resized (perhaps moved), bytes beyond the old size zeroed; a null
// block is allocated. Null on failure (refused size, out of memory): the old
// block stays valid and listed.
void* ManagedRealloc(void* block, int size, const char* name, int line);
// Logs every live block, newest first, and the totals.
void DumpManagedAllocs();
// 0 when every header matches its copy; -1 at the first damaged one, which
// is logged.
int CheckManagedAllocs();
// Logs one block's line.
void LogAllocBlock(ALLOCHEADER* header);
// Logs the totals line.
void PrintAllocTotals();
