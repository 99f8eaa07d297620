// The managed allocator: the list of live blocks, its check and its dump.
#include "media/core/alloc.hpp"

#include <cinttypes>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "media/core/format.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"

using media::core::alloc_lock;
using media::core::alloc_state;

namespace {

using guard = std::lock_guard<std::recursive_mutex>;

constexpr int max_block_size = INT_MAX - static_cast<int>(ALLOC_HEADER_SIZE);

ALLOCHEADER* header_of(void* block)
{
    return reinterpret_cast<ALLOCHEADER*>(static_cast<unsigned char*>(block) - ALLOC_HEADER_SIZE);
}

void* bytes_of(ALLOCHEADER* header)
{
    return reinterpret_cast<unsigned char*>(header) + ALLOC_HEADER_SIZE;
}

// malloc, or realloc of old; the fault switch makes it fail for tests.
void* heap_request(void* old, std::size_t bytes)
{
#if ZENTIL_TEST_HOOKS
    if (alloc_state.fail_heap_requests > 0) {
        if (alloc_state.pass_heap_requests > 0) {
            --alloc_state.pass_heap_requests;
        } else {
            --alloc_state.fail_heap_requests;
            return nullptr;
        }
    }
#endif
    return old != nullptr ? std::realloc(old, bytes) : std::malloc(bytes);
}

bool damaged(const ALLOCHEADER* header)
{
    return std::memcmp(header, header->copy, ALLOC_HEADER_FIELDS) != 0;
}

void refresh_copy(ALLOCHEADER* header)
{
    std::memcpy(header->copy, header, ALLOC_HEADER_FIELDS);
}

// A header as the allocator is about to change some of its fields, and
// whether it was sound then. After the change a sound header's copy is
// refreshed whole; a damaged one's copy takes only the fields the allocator
// itself wrote, so the damage is never written into the copy and stays for
// CheckManagedAllocs to report. Null (no neighbour) is left alone.
struct changing {
    ALLOCHEADER* header;
    bool sound;
    explicit changing(ALLOCHEADER* h) : header(h), sound(h != nullptr && !damaged(h)) {}

    void refresh(std::size_t offset, std::size_t length) const
    {
        if (header == nullptr)
            return;
        if (sound)
            refresh_copy(header);
        else
            std::memcpy(header->copy + offset, reinterpret_cast<const unsigned char*>(header) + offset, length);
    }
};

constexpr std::size_t older_field = offsetof(ALLOCHEADER, older);
constexpr std::size_t newer_field = offsetof(ALLOCHEADER, newer);
constexpr std::size_t link_size = sizeof(ALLOCHEADER*);

// Name, line and a new serial.
void stamp(ALLOCHEADER* header, const char* name, int line)
{
    std::memset(header->name, 0, sizeof header->name);
    if (name != nullptr) {
        const std::size_t length = std::strlen(name);
        const std::size_t kept = length <= 14 ? length : 15;
        std::memcpy(header->name, name + (length - kept), kept);
    }
    header->line = static_cast<std::uint16_t>(line);
    header->serial = alloc_state.serial++;
}

bool traced(std::uint32_t size)
{
    return alloc_state.trace_size < 0 || static_cast<std::int64_t>(size) == alloc_state.trace_size ||
           alloc_state.trace_all == 1;
}

bool refused(int size)
{
    if (size >= 0 && size <= max_block_size)
        return false;
    LogPrintf("メモリ確保のサイズが不正です(サイズ %d byte)", size);
    return true;
}

// The dump (and check) of an allocation that found no memory; a failure
// inside that dump, the log's own buffer for instance, does not dump again.
void out_of_memory(bool check)
{
    if (alloc_state.failing != 0)
        return;
    alloc_state.failing = 1;
    DumpManagedAllocs();
    if (check)
        CheckManagedAllocs();
    alloc_state.failing = 0;
}

// One block's line. Data bytes shown are bounded by the size its copy
// holds too, so a damaged size field cannot send the dump past the block.
void log_block(ALLOCHEADER* header)
{
    std::uint32_t copied_size;
    std::memcpy(&copied_size, header->copy + offsetof(ALLOCHEADER, size), sizeof copied_size);
    std::uint32_t shown = header->size < copied_size ? header->size : copied_size;
    if (shown > 16)
        shown = 16;
    const unsigned char* data = static_cast<const unsigned char*>(bytes_of(header));

    char line[256];
    FormatString(line, sizeof line,
                 "\tsize:%d(%.3fkb)  file:%.16s  line:%d  ID:%d  addr:%08" PRIxPTR "  data:<",
                 static_cast<int>(header->size), header->size / 1024.0, header->name, header->line, header->serial,
                 reinterpret_cast<std::uintptr_t>(data));
    std::size_t n = std::strlen(line);
    for (std::uint32_t i = 0; i < shown; ++i)
        line[n++] = data[i] < 0x20 || data[i] > 0x7F ? '.' : static_cast<char>(data[i]);
    std::memcpy(line + n, "> [", 3);
    n += 3;
    for (std::uint32_t i = 0; i < shown; ++i) {
        FormatString(line + n, static_cast<int>(sizeof line - n), "%02x ", data[i]);
        n += 3;
    }
    // the last blank, or the opening bracket when no byte is shown
    std::memcpy(line + n - 1, "]\n", 3);
    LogWrite(line);
}

// The trace line, the totals line and the check that follow an operation,
// each as its setting asks. The log's own buffers (quiet) take none of
// them: the trace line of a block is long enough to need such a buffer, so
// tracing or checking those would recurse without end.
void after_operation(ALLOCHEADER* header, const char* what, bool check, bool quiet)
{
    if (quiet)
        return;
    if (traced(header->size)) {
        LogWrite(what);
        LogAllocBlock(header);
    }
    if (alloc_state.print_totals == 1)
        PrintAllocTotals();
    if (check && alloc_state.check_each == 1)
        CheckManagedAllocs();
}

}  // namespace

#if ZENTIL_TEST_HOOKS
namespace media::core {

void fail_next_heap_requests(int count)
{
    guard hold(alloc_lock);
    alloc_state.fail_heap_requests = count;
    alloc_state.pass_heap_requests = 0;
}

void fail_heap_requests_after(int passing, int count)
{
    guard hold(alloc_lock);
    alloc_state.fail_heap_requests = count;
    alloc_state.pass_heap_requests = passing;
}

}  // namespace media::core
#endif

namespace {

void* allocate(int size, const char* name, int line, bool quiet)
{
    guard hold(alloc_lock);
    if (refused(size))
        return nullptr;
    auto* header = static_cast<ALLOCHEADER*>(heap_request(nullptr, ALLOC_HEADER_SIZE + static_cast<std::size_t>(size)));
    if (header == nullptr) {
        out_of_memory(true);
        return nullptr;
    }
    header->size = static_cast<std::uint32_t>(size);
    stamp(header, name, line);

    if (alloc_state.newest == nullptr)
        alloc_state.newest = &alloc_state.sentinel;
    const changing older(alloc_state.newest);
    older.header->newer = header;
    header->older = older.header;
    header->newer = nullptr;
    alloc_state.newest = header;
    refresh_copy(header);
    older.refresh(newer_field, link_size);

    alloc_state.total_size += size;
    ++alloc_state.count;
    after_operation(header, "mem alloc  ", true, quiet);
    return bytes_of(header);
}

void release(void* block, bool quiet)
{
    if (block == nullptr)
        return;
    guard hold(alloc_lock);
    ALLOCHEADER* const header = header_of(block);
    alloc_state.total_size -= header->size;
    --alloc_state.count;
    if (!quiet && alloc_state.check_each == 1)
        CheckManagedAllocs();

    const changing older(header->older);
    const changing newer(header->newer);
    if (older.header != nullptr)
        older.header->newer = newer.header;
    if (newer.header != nullptr)
        newer.header->older = older.header;
    if (alloc_state.newest == header)
        alloc_state.newest = older.header;
    newer.refresh(older_field, link_size);
    older.refresh(newer_field, link_size);

    after_operation(header, "mem free  ", false, quiet);
    std::free(header);
}

}  // namespace

namespace media::core {

void* alloc_log_buffer(int size)
{
    return allocate(size, "", -1, true);
}

void free_log_buffer(void* block)
{
    release(block, true);
}

}  // namespace media::core

void* ManagedAlloc(int size, const char* name, int line)
{
    return allocate(size, name, line, false);
}

void* ManagedCalloc(int size, const char* name, int line)
{
    void* block = ManagedAlloc(size, name, line);
    if (block != nullptr)
        std::memset(block, 0, static_cast<std::size_t>(size));
    return block;
}

void ManagedFree(void* block)
{
    release(block, false);
}

void* ManagedRealloc(void* block, int size, const char* name, int line)
{
    if (block == nullptr)
        return ManagedAlloc(size, name, line);
    guard hold(alloc_lock);
    if (refused(size))
        return nullptr;
    ALLOCHEADER* const old = header_of(block);
    const std::uint32_t old_size = old->size;
    const bool old_sound = !damaged(old);
    const changing older(old->older);
    const changing newer(old->newer);
    const bool was_newest = alloc_state.newest == old;

    auto* header = static_cast<ALLOCHEADER*>(heap_request(old, ALLOC_HEADER_SIZE + static_cast<std::size_t>(size)));
    if (header == nullptr) {
        out_of_memory(false);
        return nullptr;
    }
    // the grown part reads as zero
    if (static_cast<std::uint32_t>(size) > old_size)
        std::memset(static_cast<unsigned char*>(bytes_of(header)) + old_size, 0, size - old_size);
    stamp(header, name, line);

    if (older.header != nullptr)
        older.header->newer = header;
    if (newer.header != nullptr)
        newer.header->older = header;
    if (was_newest)
        alloc_state.newest = header;
    alloc_state.total_size += static_cast<std::int64_t>(size) - old_size;
    header->size = static_cast<std::uint32_t>(size);
    // The block moved with its copy; the allocator wrote its first four
    // fields (name, serial, line, size), its links are as they were.
    changing moved(header);
    moved.sound = old_sound;
    moved.refresh(0, older_field);
    older.refresh(newer_field, link_size);
    newer.refresh(older_field, link_size);

    after_operation(header, "mem realloc  ", true, false);
    return bytes_of(header);
}

void DumpManagedAllocs()
{
    guard hold(alloc_lock);
    LogWrite("\n");
    LogWrite("Alloc memory dump\n");
    ALLOCHEADER* h = alloc_state.newest;
    while (h != nullptr && h != &alloc_state.sentinel) {
        // Tested before the line is logged (logging takes a buffer of this
        // allocator): a damaged header's links are not followed, and the
        // check reports it.
        const bool bad = damaged(h);
        ALLOCHEADER* const older = h->older;
        log_block(h);
        if (bad)
            break;
        h = older;
    }
    PrintAllocTotals();
    LogWrite("\n");
}

int CheckManagedAllocs()
{
    guard hold(alloc_lock);
    for (ALLOCHEADER* h = alloc_state.newest; h != nullptr && h != &alloc_state.sentinel; h = h->older) {
        if (damaged(h)) {
            LogWrite("以下のメモリ確保情報が破損しました");
            log_block(h);
            return -1;
        }
    }
    return 0;
}

void LogAllocBlock(ALLOCHEADER* header)
{
    log_block(header);
}

void PrintAllocTotals()
{
    guard hold(alloc_lock);
    LogPrintf("\tTotal size:%lld(%.3fkb)  Alloc num:%d", static_cast<long long>(alloc_state.total_size),
              alloc_state.total_size / 1024.0, alloc_state.count);
}
