// Stream functions: the current file-access table and the plain set, file
// and memory streams, absolute paths and temporary files.
#include "media/core/stream.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/file_path.hpp"
#include "media/core/internal.hpp"
#include "media/core/text.hpp"
#include "media/core/threaded_file.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"

using media::core::file_ops;

namespace {

// ---- the plain set over threaded files ----

void* plain_open(const char* path, int cache_flag, int reserved, int background)
{
    return OpenThreadedFile(path, cache_flag, reserved, background);
}

int plain_close(void* stream)
{
    return CloseThreadedFile(static_cast<THREADED_FILE*>(stream));
}

int plain_tell(void* stream)
{
    return TellThreadedFile(static_cast<THREADED_FILE*>(stream));
}

int plain_seek(void* stream, int offset, int origin)
{
    return SeekThreadedFile(static_cast<THREADED_FILE*>(stream), offset, origin);
}

int plain_read(void* buffer, int element_size, int count, void* stream)
{
    return ReadThreadedFile(buffer, element_size, count, static_cast<THREADED_FILE*>(stream));
}

int plain_at_end(void* stream)
{
    return IsThreadedFileAtEnd(static_cast<THREADED_FILE*>(stream));
}

int plain_idle(void* stream)
{
    return IsThreadedFileIdle(static_cast<THREADED_FILE*>(stream));
}

// One search of the plain set: the matches and the next one to hand out.
struct FINDRECORD {
    std::vector<platform::fs::entry_info> entries;
    std::size_t next = 0;
};

FINDRECORD* find_record(std::intptr_t find)
{
    return find == -1 || find == 0 ? nullptr : reinterpret_cast<FINDRECORD*>(find);
}

// ---- tables ----

const STREAMOPS file_stream_ops = {
    TellFileStream, SeekFileStream, ReadFileStream, IsFileStreamAtEnd, IsFileStreamIdle, CloseFileStream,
};

const STREAMOPS mem_stream_ops = {
    TellMemStream, SeekMemStream, ReadMemStream, IsMemStreamAtEnd, IsMemStreamIdle, CloseMemStream,
};

// ---- absolute paths ----

enum class path_rules { resolve, compose, upper };

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

bool is_drive(const char* text)
{
    const char c = text[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && text[1] == ':';
}

// Where the last separator outside double-byte characters sits in text at
// or after from; npos when there is none.
std::size_t last_separator(const std::string& text, std::size_t from)
{
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < text.size();) {
        if (i >= from && is_separator(text[i]))
            found = i;
        i += static_cast<std::size_t>(media::core::char_bytes(text.c_str() + i));
    }
    return found;
}

// The one builder behind the three resolvers.
int build_full_path(const char* path, char* output, const char* base, path_rules rules)
{
    char current[media::core::path_buffer_size];
    if (base == nullptr) {
        const int got = rules == path_rules::upper
                            ? media::core::get_current_folder(current, sizeof current)
                            : file_ops.get_current_folder(current);
        if (got != 0) {
            output[0] = '\0';
            return -1;
        }
        if (rules == path_rules::upper)
            StrUpper(current);
        base = current;
    }
    std::string out;
    if (path == nullptr) {
        out = base;
    } else {
        const std::string drive = is_drive(base) ? std::string(base, 2) : std::string();
        std::size_t floor = drive.size();  // ".." never removes this much
        const char* p = path;
        if (rules != path_rules::compose && is_separator(p[0]) && p[1] == p[0]) {
            out = "\\";  // a network path
            floor = 1;
            p += 2;
        } else if (is_separator(p[0])) {
            out = drive;
            p += 1;
        } else if (is_drive(p)) {
            out.assign(p, 2);
            floor = 2;
            p += 2;
            if (p[0] == '\\' || (rules == path_rules::compose && p[0] == '/'))
                ++p;
        } else {
            out = base;
            const std::size_t last = last_separator(out, 0);
            if (last != std::string::npos && last + 1 == out.size() && last >= floor)
                out.pop_back();
        }
        while (*p != '\0') {
            const char* start = p;
            while (*p != '\0' && !is_separator(*p)) p += media::core::char_bytes(p);
            const std::string component(start, p);
            if (*p != '\0')
                ++p;  // the separator
            if (component.empty()) {
                if (rules == path_rules::compose) {
                    output[0] = '\0';
                    return -1;
                }
                continue;
            }
            if (component == ".")
                continue;
            if (component == "..") {
                const std::size_t cut = last_separator(out, floor);
                if (cut != std::string::npos)
                    out.resize(cut);
                continue;
            }
            out += '\\';
            out += component;
        }
        if (out.empty())
            out = "\\";  // climbed to the root of a base without a drive
    }
    if (out.size() >= static_cast<std::size_t>(media::core::path_buffer_size)) {
        output[0] = '\0';
        return -1;
    }
    std::memcpy(output, out.c_str(), out.size() + 1);
    if (rules == path_rules::upper)
        StrUpper(output);
    return 0;
}

}  // namespace

namespace media::core {

const FILEOPS plain_file_ops = {
    plain_open,
    plain_close,
    plain_tell,
    plain_seek,
    plain_read,
    plain_at_end,
    plain_idle,
    SetCurrentDirectoryPlain,
    GetCurrentDirectoryPlain,
    FindFirstFilePlain,
    FindNextFilePlain,
    FindClosePlain,
};

}  // namespace media::core

int SelectFileAccessOps(const FILEOPS* table)
{
    file_ops = table != nullptr ? *table : media::core::archive_file_ops;
    return 0;
}

void* OpenFileStream(const char* path, int cache_flag, int reserved, int background)
{
    return file_ops.open(path, cache_flag, reserved, background);
}

int CloseFileStream(void* stream)
{
    return file_ops.close(stream);
}

int TellFileStream(void* stream)
{
    return file_ops.tell(stream);
}

int SeekFileStream(void* stream, int offset, int origin)
{
    return file_ops.seek(stream, offset, origin);
}

int ReadFileStream(void* buffer, int element_size, int count, void* stream)
{
    return file_ops.read(buffer, element_size, count, stream);
}

int IsFileStreamAtEnd(void* stream)
{
    return file_ops.at_end(stream);
}

int IsFileStreamIdle(void* stream)
{
    return file_ops.idle(stream);
}

const STREAMOPS* GetFileStreamOps()
{
    return &file_stream_ops;
}

const STREAMOPS* GetMemStreamOps()
{
    return &mem_stream_ops;
}

// ---- memory streams ----

MEMSTREAM* OpenMemStream(void* data, int size)
{
    if (size < 0 || (data == nullptr && size > 0))
        return nullptr;
    auto* stream = static_cast<MEMSTREAM*>(ManagedCalloc(sizeof(MEMSTREAM), "stream", 0));
    if (stream == nullptr)
        return nullptr;
    stream->data = data;
    stream->size = size;
    return stream;
}

int TellMemStream(void* stream)
{
    return stream != nullptr ? static_cast<MEMSTREAM*>(stream)->position : -1;
}

int SeekMemStream(void* stream, int offset, int origin)
{
    auto* m = static_cast<MEMSTREAM*>(stream);
    if (m == nullptr)
        return -1;
    std::int64_t target = offset;
    if (origin == 1)
        target += m->position;
    else if (origin == 2)
        target += m->size;
    m->position = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, m->size));
    m->end = 0;
    return 0;
}

int ReadMemStream(void* buffer, int element_size, int count, void* stream)
{
    auto* m = static_cast<MEMSTREAM*>(stream);
    if (m == nullptr || element_size <= 0 || count <= 0)
        return 0;
    if (m->position >= m->size) {
        m->end = 1;
        return 0;
    }
    const std::int32_t left = m->size - m->position;
    const int n = std::min(count, left / element_size);
    // less than one element left: those bytes, counted as one
    const std::int32_t bytes = n > 0 ? n * element_size : left;
    std::memcpy(buffer, static_cast<const char*>(m->data) + m->position, static_cast<std::size_t>(bytes));
    m->position += bytes;
    m->end = 0;
    return n > 0 ? n : 1;
}

int IsMemStreamAtEnd(void* stream)
{
    return stream != nullptr ? static_cast<MEMSTREAM*>(stream)->end : 0;
}

int IsMemStreamIdle(void*)
{
    return 1;
}

int CloseMemStream(void* stream)
{
    ManagedFree(stream);
    return 0;
}

// ---- the plain set's folders and searches ----

int SetCurrentDirectoryPlain(const char* path)
{
    return media::core::set_current_folder(path);
}

int GetCurrentDirectoryPlain(char* buffer)
{
    return media::core::get_current_folder(buffer, media::core::path_buffer_size);
}

void FillFileInfo(const platform::fs::entry_info& entry, FILEINFO* info)
{
    if (media::core::to_media_path(entry.name, info->name, sizeof info->name) < 0)
        info->name[0] = '\0';
    info->directory = entry.folder ? 1 : 0;
    info->size_low = static_cast<std::uint32_t>(entry.size);
    info->size_high = static_cast<std::uint32_t>(entry.size >> 32);
    FileTimeToDateData(entry.created, &info->created);
    FileTimeToDateData(entry.last_written, &info->last_written);
}

std::intptr_t FindFirstFilePlain(const char* pattern, FILEINFO* info)
{
    std::wstring name;
    std::vector<platform::fs::entry_info> entries;
    if (!media::core::to_platform_path(pattern, name) || !platform::fs::find_entries(name, entries) ||
        entries.empty())
        return -1;
    void* block = ManagedAlloc(sizeof(FINDRECORD), "stream", 0);
    if (block == nullptr)
        return -1;
    auto* find = new (block) FINDRECORD{std::move(entries), 1};
    if (info != nullptr)
        FillFileInfo(find->entries[0], info);
    return reinterpret_cast<std::intptr_t>(find);
}

int FindNextFilePlain(std::intptr_t find, FILEINFO* info)
{
    FINDRECORD* f = find_record(find);
    if (f == nullptr || f->next >= f->entries.size())
        return -1;
    if (info != nullptr)
        FillFileInfo(f->entries[f->next], info);
    ++f->next;
    return 0;
}

int FindClosePlain(std::intptr_t find)
{
    FINDRECORD* f = find_record(find);
    if (f == nullptr)
        return -1;
    f->~FINDRECORD();
    ManagedFree(f);
    return 0;
}

// ---- absolute paths ----

int ResolveFullPath(const char* path, char* output, const char* base)
{
    return build_full_path(path, output, base, path_rules::resolve);
}

int ComposeFullPath(const char* path, char* output, const char* base)
{
    return build_full_path(path, output, base, path_rules::compose);
}

int ResolveFullPathUpper(char* output, const char* path)
{
    return build_full_path(path, output, nullptr, path_rules::upper);
}

// ---- temporary files ----

platform::fs::file OpenNewTempFile(char* path)
{
    platform::fs::file file;
    std::wstring name;
    if (!platform::fs::create_temporary_file(file, name))
        return file;
    if (path != nullptr) {
        // the CP932 name handed on must name this very file
        std::wstring back;
        const int length = media::core::to_media_path(name, path, media::core::path_buffer_size);
        if (length >= 0)
            platform::text::append_wide(path, static_cast<std::size_t>(length), back);
        if (length < 0 || back != name) {
            path[0] = '\0';
            file.close();
            platform::fs::remove_file(name);
        }
    }
    return file;
}
