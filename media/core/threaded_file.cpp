// Threaded file access: the plain file of the media layer, read directly or
// through a file-access thread that takes one command at a time.
#include "media/core/threaded_file.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "media/core/alloc.hpp"
#include "media/core/file_path.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"

namespace {

using platform::fs::open_mode;
using platform::fs::seek_origin;

// A record from the managed allocator, its members constructed in place.
THREADED_FILE* new_record()
{
    void* block = ManagedCalloc(sizeof(THREADED_FILE), "threaded_file", 0);
    return block != nullptr ? new (block) THREADED_FILE{} : nullptr;
}

void delete_record(THREADED_FILE* file)
{
    file->~THREADED_FILE();
    ManagedFree(file);
}

// Hands a command to the thread once the previous one has finished;
// arguments are stored by store, after that wait.
template <class Store>
void hand_over(THREADED_FILE* file, std::int32_t command, Store store)
{
    file->done_event.wait();
    store();
    file->command = command;
    file->done_event.reset();
    file->command_event.set();
}

// The bytes at position in the thread's own handle: what arrived, 0 when
// the read failed.
std::int32_t read_at(THREADED_FILE* file, std::int32_t position, void* out, std::int32_t bytes)
{
    if (bytes <= 0 || file->thread_file.seek(position, seek_origin::begin) < 0)
        return 0;
    const std::int64_t n = file->thread_file.read(out, static_cast<std::size_t>(bytes));
    return n > 0 ? static_cast<std::int32_t>(n) : 0;
}

// Tops the read-ahead cache up from the file while the thread is idle.
void fill_cache(THREADED_FILE* file)
{
    if (!file->thread_file.is_open() || file->cached >= THREADED_FILE_CACHE_SIZE)
        return;
    file->cached += read_at(file, file->cache_start + file->cached, file->cache + file->cached,
                            THREADED_FILE_CACHE_SIZE - file->cached);
}

void run_read(THREADED_FILE* file)
{
    auto* out = static_cast<unsigned char*>(file->read_destination);
    std::int32_t position = file->read_position;
    std::int32_t wanted = file->read_bytes;
    std::int32_t delivered = 0;
    if (file->cache != nullptr && file->cached > 0 && file->cache_start == position) {
        const std::int32_t n = std::min(file->cached, wanted);
        std::memcpy(out, file->cache, static_cast<std::size_t>(n));
        out += n;
        position += n;
        wanted -= n;
        delivered += n;
        file->cache_start += n;
        file->cached -= n;
        std::memmove(file->cache, file->cache + n, static_cast<std::size_t>(file->cached));
    }
    if (wanted > 0) {
        const std::int32_t n = read_at(file, position, out, wanted);
        delivered += n;
        if (n < wanted && file->background != 0)
            std::memset(out + n, 0, static_cast<std::size_t>(wanted - n));  // never undefined bytes
        if (file->cache != nullptr) {
            file->cache_start = position + n;
            file->cached = 0;
        }
    }
    file->read_delivered = delivered;
}

// The file-access thread: waits for a command (with a cache, topping it up
// every 100 ms while idle), runs it, sets the done event.
void file_access_thread(THREADED_FILE* file)
{
    file->thread_id = platform::current_thread_id();
    for (;;) {
        if (file->cache == nullptr) {
            file->command_event.wait();
        } else if (!file->command_event.wait_for(100)) {
            fill_cache(file);
            continue;
        }
        file->command_event.reset();
#if ZENTIL_TEST_HOOKS
        if (file->command == FILE_COMMAND_READ || file->command == FILE_COMMAND_SEEK) {
            if (platform::manual_reset_event* gate = media::core::file_thread_hooks.gate.load())
                gate->wait();
        }
#endif
        bool end = false;
        switch (file->command) {
        case FILE_COMMAND_OPEN: {
            std::wstring name;
            bool opened = media::core::to_platform_path(file->path, name) &&
                          file->thread_file.open(name, open_mode::read);
#if ZENTIL_TEST_HOOKS
            if (opened) {
                std::atomic<int>& failing = media::core::file_thread_hooks.fail_opens;
                int n = failing.load();
                while (n > 0 && !failing.compare_exchange_weak(n, n - 1)) {
                }
                if (n > 0) {
                    file->thread_file.close();
                    opened = false;
                }
            }
#endif
            if (!opened) {
                file->open_failed = 1;
                end = true;
            }
            break;
        }
        case FILE_COMMAND_CLOSE_HANDLE:
            file->thread_file.close();
            break;
        case FILE_COMMAND_READ:
            run_read(file);
            break;
        case FILE_COMMAND_SEEK:
            file->thread_file.seek(file->seek_position, seek_origin::begin);
            if (file->cache != nullptr) {
                file->cache_start = file->seek_position;
                file->cached = 0;
            }
            break;
        case FILE_COMMAND_END:
            file->thread_file.close();
            end = true;
            break;
        }
        if (end)
            break;
        file->done_event.set();
    }
    // the flag first: whoever sees the done event also sees the flag
    file->thread_ended = 1;
    file->done_event.set();
}

// Ends a record whose thread has ended or never started.
void free_threaded(THREADED_FILE* file)
{
    if (file->thread.joinable())
        file->thread.join();
    ManagedFree(file->cache);
    file->cache = nullptr;
    delete_record(file);
}

}  // namespace

THREADED_FILE* OpenThreadedFile(const char* path, int cache_flag, int reserved, int background)
{
    (void)reserved;
    std::wstring name;
    if (!media::core::to_platform_path(path, name))
        return nullptr;
    platform::fs::file opened;
    if (!opened.open(name, open_mode::read))
        return nullptr;  // no message: callers try other names
    const std::int64_t size = opened.size();
    if (size < 0)
        return nullptr;
    const bool threaded = cache_flag != 0 || background != 0;

    // the cache before the record: a failed cache leaves nothing to undo
    unsigned char* cache = nullptr;
    if (threaded && cache_flag != 0) {
        cache = static_cast<unsigned char*>(ManagedAlloc(THREADED_FILE_CACHE_SIZE, "threaded_file", 0));
        if (cache == nullptr) {
            LogWrite("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n");
            return nullptr;
        }
    }
    THREADED_FILE* file = new_record();
    if (file == nullptr) {
        ManagedFree(cache);
        return nullptr;
    }
    file->threaded = threaded ? 1 : 0;
    file->cache_flag = cache_flag != 0 ? 1 : 0;
    file->background = background != 0 ? 1 : 0;
    file->size = static_cast<std::int32_t>(size);
    file->cache = cache;
    if (!threaded) {
        file->file = std::move(opened);
        return file;
    }
    opened.close();

    std::memcpy(file->path, path, std::strlen(path) + 1);  // under 260 bytes, checked above
    try {
        file->thread = std::thread(file_access_thread, file);
    } catch (const std::system_error&) {
        LogWrite("ファイルアクセス専用スレッドの作成に失敗しました\n");
        free_threaded(file);
        return nullptr;
    }
    hand_over(file, FILE_COMMAND_OPEN, [] {});
    file->done_event.wait();
    if (file->open_failed != 0) {
        free_threaded(file);  // the thread has ended: the join returns at once
        LogWrite("ファイルのオープンに失敗しました\n");
        return nullptr;
    }
    return file;
}

int CloseThreadedFile(THREADED_FILE* file)
{
    if (file == nullptr)
        return -1;
    if (file->threaded == 0) {
        const bool closed = file->file.close();
        delete_record(file);
        return closed ? 0 : -1;
    }
    hand_over(file, FILE_COMMAND_END, [] {});
    file->done_event.wait();
    free_threaded(file);
    return 0;
}

int TellThreadedFile(THREADED_FILE* file)
{
    return file != nullptr ? file->position : -1;
}

int SeekThreadedFile(THREADED_FILE* file, int offset, int origin)
{
    if (file == nullptr)
        return -1;
    std::int64_t target = offset;
    if (origin == 1)
        target += file->position;
    else if (origin == 2)
        target += file->size;
    // a position the next read could not start from: refused, position kept
    if (target < 0 || target > std::numeric_limits<std::int32_t>::max())
        return -1;
    const auto position = static_cast<std::int32_t>(target);
    if (file->threaded != 0) {
        hand_over(file, FILE_COMMAND_SEEK, [&] { file->seek_position = position; });
    } else if (file->file.seek(position, seek_origin::begin) < 0) {
        return -1;
    }
    file->position = position;
    file->end = 0;
    return 0;
}

int ReadThreadedFile(void* buffer, int element_size, int count, THREADED_FILE* file)
{
    if (file == nullptr || element_size <= 0 || count <= 0)
        return 0;
    // at or beyond the end (a seek may go past it): nothing to deliver
    if (file->position >= file->size) {
        file->end = 1;
        return 0;
    }
    const std::int32_t left = file->size - file->position;
    const int n = std::min(count, left / element_size);
    if (n == 0) {
        file->end = 1;
        return 0;
    }
    const std::int32_t bytes = n * element_size;  // at most left
    int result;
    if (file->threaded == 0) {
        // from the caller's position, whatever an earlier short read left
        // in the descriptor
        std::int64_t got = -1;
        if (file->file.seek(file->position, seek_origin::begin) >= 0)
            got = file->file.read(buffer, static_cast<std::size_t>(bytes));
        result = got > 0 ? static_cast<int>(got / element_size) : 0;
    } else {
        hand_over(file, FILE_COMMAND_READ, [&] {
            file->read_destination = buffer;
            file->read_position = file->position;
            file->read_bytes = bytes;
        });
        if (file->background != 0) {
            result = n;
        } else {
            file->done_event.wait();
            result = file->read_delivered / element_size;
        }
    }
    file->position += result * element_size;
    return result;
}

int IsThreadedFileAtEnd(THREADED_FILE* file)
{
    return file != nullptr && file->end != 0 ? -1 : 0;
}

int IsThreadedFileIdle(THREADED_FILE* file)
{
    if (file == nullptr || file->threaded == 0)
        return 1;
    return file->done_event.is_set() ? 1 : 0;
}
