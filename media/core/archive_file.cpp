// The archive-aware file access: archives opened once and shared by use
// count, and the FILEOPS set that serves a path from the archive its leading
// folder names (folder + ".DXA" in any ASCII case), else from the plain file.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "media/core/archive.hpp"
#include "media/core/file_path.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/text.hpp"
#include "media/core/threaded_file.hpp"
#include "platform/fs/file.hpp"

using media::core::archive_state;
using media::core::ARCFILE;
using media::core::ARCFIND;
using media::core::SHAREDARCHIVE;

namespace {

constexpr const char* archive_extension = "DXA";
constexpr int arc_path_size = 256;

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

void release_archive(int index)
{
    if (index >= 0 && index < media::core::MAX_SHARED_ARCHIVES && archive_state.archives[index] != nullptr)
        --archive_state.archives[index]->use_count;
}

// True when two CP932 names are equal without regard to ASCII case; the
// trail byte of a double-byte character compares exactly.
bool same_name_any_case(const char* a, const char* b)
{
    while (*a != '\0' && *b != '\0') {
        const int bytes = media::core::char_bytes(a);
        if (bytes != media::core::char_bytes(b))
            return false;
        if (bytes == 2) {
            if (a[0] != b[0] || a[1] == '\0' || a[1] != b[1])
                return false;
        } else {
            const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
            if (fold(*a) != fold(*b))
                return false;
        }
        a += bytes;
        b += bytes;
    }
    return *a == *b;
}

// The archive path of candidate (a parent folder, '/' or '\\', an upper-case
// archive name) when the exact name is missing: the file of that folder whose
// name equals it without regard to ASCII case, the first in byte order.
// False when the folder holds none, or only the exact name itself.
bool archive_name_any_case(const char* candidate, int name_at, char* out)
{
    std::wstring pattern;
    if (!media::core::to_platform_path(candidate, pattern))
        return false;
    std::wstring name_part;
    if (!media::core::to_platform_path(candidate + name_at, name_part))
        return false;
    // one '?' a character of the name: the listing keeps only names of its length
    pattern.replace(pattern.size() - name_part.size(), name_part.size(), name_part.size(), L'?');
    std::vector<platform::fs::entry_info> entries;
    if (!platform::fs::find_entries(pattern, entries))
        return false;
    char best[media::core::path_buffer_size] = "";
    char name[media::core::path_buffer_size];
    for (const platform::fs::entry_info& entry : entries) {
        if (entry.folder || media::core::to_media_path(entry.name, name, sizeof name) < 0 ||
            !same_name_any_case(name, candidate + name_at))
            continue;
        if (best[0] == '\0' || std::strcmp(name, best) < 0)
            std::strcpy(best, name);
    }
    if (best[0] == '\0' || std::strcmp(best, candidate + name_at) == 0 ||
        name_at + std::strlen(best) >= static_cast<std::size_t>(arc_path_size))
        return false;
    std::memcpy(out, candidate, static_cast<std::size_t>(name_at));
    std::strcpy(out + name_at, best);
    return true;
}

ARCFILE* arc_file(void* stream)
{
    const auto value = reinterpret_cast<std::uintptr_t>(stream);
    if ((value & media::core::ARC_FILE_TAG) != media::core::ARC_FILE_TAG ||
        (value & ~static_cast<std::uintptr_t>(0xFFFFFFFF)) != 0)
        return nullptr;
    const std::uintptr_t slot = value & 0x0FFFFFFF;
    return slot < media::core::MAX_ARC_FILES ? archive_state.files[slot] : nullptr;
}

ARCFIND* arc_find(std::intptr_t find)
{
    return find == -1 || find == 0 ? nullptr : reinterpret_cast<ARCFIND*>(find);
}

}  // namespace

// ---- shared archives ----

int OpenSharedArchive(int hint, const char* path, int loaded, int no_wait)
{
    if (path == nullptr || std::strlen(path) >= arc_path_size)
        return -1;
    auto same = [&](int i) {
        return archive_state.archives[i] != nullptr && std::strcmp(archive_state.archives[i]->path, path) == 0;
    };
    int found = hint >= 0 && hint < media::core::MAX_SHARED_ARCHIVES && same(hint) ? hint : -1;
    for (int i = 0; found < 0 && i < media::core::MAX_SHARED_ARCHIVES; ++i)
        if (same(i))
            found = i;
    if (found >= 0) {
        ++archive_state.archives[found]->use_count;
        return found;
    }
    if (archive_state.archive_count >= media::core::MAX_SHARED_ARCHIVES)
        SweepArchiveTable();
    int slot = -1;
    for (int i = 0; slot < 0 && i < media::core::MAX_SHARED_ARCHIVES; ++i)
        if (archive_state.archives[i] == nullptr)
            slot = i;
    if (slot < 0)
        return -1;
    auto* shared = static_cast<SHAREDARCHIVE*>(ManagedCalloc(sizeof(SHAREDARCHIVE), "archive", 0));
    if (shared == nullptr)
        return -1;
    const int opened = loaded != 0 ? OpenArchiveFileLoaded(&shared->archive, path, nullptr, no_wait)
                                   : OpenArchiveFileStreamed(&shared->archive, path, nullptr);
    if (opened != 0) {
        ManagedFree(shared);
        return -1;
    }
    shared->use_count = 1;
    std::strcpy(shared->path, path);
    archive_state.archives[slot] = shared;
    ++archive_state.archive_count;
    return slot;
}

int SweepArchiveTable()
{
    for (SHAREDARCHIVE*& shared : archive_state.archives) {
        if (shared == nullptr || shared->use_count > 0)
            continue;
        CloseArchive(&shared->archive);
        ManagedFree(shared);
        shared = nullptr;
        --archive_state.archive_count;
    }
    return 0;
}

int CloseUnusedArchives()
{
    return SweepArchiveTable();
}

int LocateArchiveForPath(const char* path, int* index, char* archive_path, char* rest)
{
    // the absolute path keeps its case: the file system here tells cases apart
    char full[media::core::path_buffer_size];
    if (path == nullptr || ResolveFullPath(path, full, nullptr) != 0 ||
        std::strlen(full) >= static_cast<std::size_t>(arc_path_size))
        return -1;
    char upper[media::core::path_buffer_size];
    std::strcpy(upper, full);
    StrUpper(upper);

    int found = -1;
    int prefix = 0;
    const int last = archive_state.last_prefix_length;
    if (last > 0 && std::strncmp(upper, archive_state.last_prefix, static_cast<std::size_t>(last)) == 0 &&
        is_separator(upper[last])) {
        found = OpenSharedArchive(archive_state.last_index, archive_state.last_archive, 0, 0);
        prefix = last;
    }
    char candidate[media::core::path_buffer_size + 8];
    if (found < 0) {
        // a network path's two leading separators stay together
        int i = is_separator(full[0]) && is_separator(full[1]) ? 2 : 0;
        int component = i;
        for (; full[i] != '\0'; i += media::core::char_bytes(full + i)) {
            if (!is_separator(full[i])) 
                continue;
            if (i > component) {
                // the folder's archive: the folder upper-cased, a dot and the extension
                std::memcpy(candidate, full, static_cast<std::size_t>(component));
                std::memcpy(candidate + component, upper + component, static_cast<std::size_t>(i - component));
                candidate[i] = '.';
                std::strcpy(candidate + i + 1, archive_extension);
                found = OpenSharedArchive(-1, candidate, 0, 0);
                // the file system tells cases apart: "gfx.dxa" names the archive as well
                char other_case[media::core::path_buffer_size + 8];
                if (found < 0 && archive_name_any_case(candidate, component, other_case)) {
                    found = OpenSharedArchive(-1, other_case, 0, 0);
                    if (found >= 0)
                        std::strcpy(candidate, other_case);
                }
                if (found >= 0) {
                    prefix = i;
                    std::strcpy(archive_state.last_archive, candidate);
                    std::memcpy(archive_state.last_prefix, upper, static_cast<std::size_t>(i));
                    archive_state.last_prefix[i] = '\0';
                    archive_state.last_prefix_length = i;
                    archive_state.last_index = found;
                    break;
                }
            }
            component = i + 1;
        }
        if (found < 0)
            return -1;
    }
    if (index != nullptr)
        *index = found;
    if (archive_path != nullptr)
        std::strcpy(archive_path, archive_state.archives[found]->path);
    if (rest != nullptr)
        std::strcpy(rest, full + prefix + 1);
    return 0;
}

// ---- the archive-aware set ----

void* ArcFileOpen(const char* path, int cache_flag, int reserved, int background)
{
    if (archive_state.file_count >= media::core::MAX_ARC_FILES) {
        LogWrite("同時に開けるファイルの数が限界を超えました\n");
        return nullptr;
    }
    int slot = 0;
    while (slot < media::core::MAX_ARC_FILES && archive_state.files[slot] != nullptr) ++slot;
    if (slot >= media::core::MAX_ARC_FILES)
        return nullptr;
    auto* file = static_cast<ARCFILE*>(ManagedCalloc(sizeof(ARCFILE), "archive", 0));
    if (file == nullptr) {
        LogWrite("ファイルの情報を格納するメモリの確保に失敗しました\n");
        return nullptr;
    }
    int index = -1;
    char rest[media::core::path_buffer_size];
    if (LocateArchiveForPath(path, &index, nullptr, rest) != 0) {
        file->file = OpenThreadedFile(path, cache_flag, 1, background);
        if (file->file == nullptr) {
            ManagedFree(file);
            return nullptr;
        }
    } else {
        DXAARCHIVE* archive = &archive_state.archives[index]->archive;
        ChangeArchiveDirectory(archive, "/", 0);
        if (OpenArchiveEntry(&file->reader, archive, rest, background) != 0) {
            // no fall-back to a plain file of that path
            LogWrite("ＤＸＡファイルの中に指定のファイルは見つかりませんでした\n");
            release_archive(index);
            ManagedFree(file);
            return nullptr;
        }
        file->in_archive = 1;
        file->archive_index = index;
    }
    (void)reserved;
    archive_state.files[slot] = file;
    ++archive_state.file_count;
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(slot) | media::core::ARC_FILE_TAG);
}

int ArcFileClose(void* stream)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    if (file->in_archive != 0) {
        CloseArchiveEntry(&file->reader);
        release_archive(file->archive_index);
    } else {
        CloseThreadedFile(file->file);
    }
    archive_state.files[reinterpret_cast<std::uintptr_t>(stream) & 0x0FFFFFFF] = nullptr;
    --archive_state.file_count;
    ManagedFree(file);
    return 0;
}

int ArcFileTell(void* stream)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    return file->in_archive != 0 ? TellArchiveEntry(&file->reader) : TellThreadedFile(file->file);
}

int ArcFileSeek(void* stream, int offset, int origin)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    return file->in_archive != 0 ? SeekArchiveEntry(&file->reader, offset, origin)
                                 : SeekThreadedFile(file->file, offset, origin);
}

int ArcFileRead(void* buffer, int element_size, int count, void* stream)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    if (file->in_archive == 0)
        return ReadThreadedFile(buffer, element_size, count, file->file);
    if (element_size <= 0 || count <= 0)
        return 0;
    const std::int64_t bytes = static_cast<std::int64_t>(element_size) * count;
    if (bytes > 0x7FFFFFFF)
        return -1;
    return ReadArchiveEntry(&file->reader, buffer, static_cast<int>(bytes)) / element_size;
}

int ArcFileEof(void* stream)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    return file->in_archive != 0 ? IsArchiveEntryAtEnd(&file->reader) : IsThreadedFileAtEnd(file->file);
}

int ArcFileIdle(void* stream)
{
    ARCFILE* file = arc_file(stream);
    if (file == nullptr)
        return -1;
    return file->in_archive != 0 ? PollArchiveEntry(&file->reader) : IsThreadedFileIdle(file->file);
}

int ArcSetCurrentDirectory(const char* path)
{
    return SetCurrentDirectoryPlain(path);
}

int ArcGetCurrentDirectory(char* buffer)
{
    return GetCurrentDirectoryPlain(buffer);
}

std::intptr_t ArcFindFirst(const char* path, FILEINFO* info)
{
    auto* find = static_cast<ARCFIND*>(ManagedCalloc(sizeof(ARCFIND), "archive", 0));
    if (find == nullptr)
        return -1;
    int index = -1;
    char rest[media::core::path_buffer_size];
    if (LocateArchiveForPath(path, &index, nullptr, rest) == 0) {
        DXAARCHIVE* archive = &archive_state.archives[index]->archive;
        ChangeArchiveDirectory(archive, "/", 0);
        if (FindFirstInArchive(&find->find, archive, rest, info) != 0) {
            release_archive(index);
            ManagedFree(find);
            return -1;
        }
        find->in_archive = 1;
        find->archive_index = index;
    } else {
        find->plain = FindFirstFilePlain(path, info);
        if (find->plain == -1) {
            ManagedFree(find);
            return -1;
        }
    }
    return reinterpret_cast<std::intptr_t>(find);
}

int ArcFindNext(std::intptr_t handle, FILEINFO* info)
{
    ARCFIND* find = arc_find(handle);
    if (find == nullptr)
        return -1;
    return find->in_archive != 0 ? FindNextInArchive(&find->find, info) : FindNextFilePlain(find->plain, info);
}

int ArcFindClose(std::intptr_t handle)
{
    ARCFIND* find = arc_find(handle);
    if (find == nullptr)
        return -1;
    if (find->in_archive != 0)
        release_archive(find->archive_index);
    else
        FindClosePlain(find->plain);
    ManagedFree(find);
    return 0;
}

namespace media::core {

const FILEOPS archive_file_ops = {
    ArcFileOpen,     ArcFileClose,           ArcFileTell,           ArcFileSeek,  ArcFileRead,
    ArcFileEof,      ArcFileIdle,            ArcSetCurrentDirectory, ArcGetCurrentDirectory,
    ArcFindFirst,    ArcFindNext,            ArcFindClose,
};

void close_all_archives()
{
    for (ARCFILE*& file : archive_state.files) {
        if (file == nullptr)
            continue;
        if (file->in_archive != 0)
            CloseArchiveEntry(&file->reader);
        else
            CloseThreadedFile(file->file);
        ManagedFree(file);
        file = nullptr;
    }
    for (SHAREDARCHIVE*& shared : archive_state.archives) {
        if (shared == nullptr)
            continue;
        CloseArchive(&shared->archive);
        ManagedFree(shared);
        shared = nullptr;
    }
    archive_state = ARCHIVE_STATE{};
}

}  // namespace media::core
