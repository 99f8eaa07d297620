// The archive reader: key, packed data, opening, folders, searches, entries.
#include "media/core/archive.hpp"

#include <algorithm>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/text.hpp"
#include "media/core/threaded_file.hpp"
#include "platform/platform.hpp"

namespace {

// The key values of this system's archives.
constexpr unsigned char key_fill = 0xAA;
constexpr unsigned char second_key_fill = 0x5B;
constexpr unsigned char key_xor_2 = 0x8A;
constexpr unsigned char key_xor_5 = 0xA5;
constexpr unsigned char key_xor_9 = 0x3C;
constexpr unsigned char key_xor_10 = 0xD2;
constexpr unsigned char key_xor_11 = 0x67;

constexpr int name_buffer_size = 260;
// Paths handed to a search: the folder part and the pattern each fit this.
constexpr int search_path_limit = 256;

std::uint16_t u16_at(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t u32_at(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

unsigned char swap_nibbles(unsigned char b)
{
    return static_cast<unsigned char>((b >> 4) | (b << 4));
}

unsigned char rotate_left(unsigned char b, int bits)
{
    return static_cast<unsigned char>((b << bits) | (b >> (8 - bits)));
}

DXAHEADER decode_header(const unsigned char* p)
{
    DXAHEADER h;
    h.magic = u16_at(p);
    h.version = u16_at(p + 2);
    h.head_size = u32_at(p + 4);
    h.data_address = u32_at(p + 8);
    h.head_address = u32_at(p + 12);
    h.file_table = u32_at(p + 16);
    h.directory_table = u32_at(p + 20);
    return h;
}

// The header decoded with key, or with the second default key (then stored
// in key); false when neither gives the magic.
bool decode_header_with_keys(const unsigned char* stored, unsigned char* key, DXAHEADER& header)
{
    unsigned char plain[ARCHIVE_HEADER_SIZE];
    std::memcpy(plain, stored, sizeof plain);
    ApplyArchiveKey(ARCHIVE_HEADER_SIZE, plain, 0, key);
    if (u16_at(plain) != ARCHIVE_MAGIC) {
        media::core::second_archive_key(key);
        std::memcpy(plain, stored, sizeof plain);
        ApplyArchiveKey(ARCHIVE_HEADER_SIZE, plain, 0, key);
        if (u16_at(plain) != ARCHIVE_MAGIC)
            return false;
    }
    header = decode_header(plain);
    return true;
}

// The head block lies within an archive of size bytes and holds its tables.
bool head_fits(const DXAHEADER& h, std::int64_t size)
{
    return h.version <= ARCHIVE_MAX_VERSION && h.head_size <= 0x7FFFFFFF &&
           static_cast<std::int64_t>(h.head_address) + h.head_size <= size && h.file_table <= h.head_size &&
           static_cast<std::int64_t>(h.directory_table) + ARCHIVE_DIR_SIZE <= h.head_size &&
           h.data_address <= size;
}

void set_tables(DXAARCHIVE* a, unsigned char* head)
{
    a->head = head;
    a->name_table = head;
    a->file_table = head + a->header.file_table;
    a->directory_table = head + a->header.directory_table;
    a->file_table_size = a->header.head_size - a->header.file_table;
    a->directory_table_size = a->header.head_size - a->header.directory_table;
    a->current = 0;
}

void wait_file_idle(THREADED_FILE* file)
{
    while (IsThreadedFileIdle(file) == 0)
        platform::sleep(0);
}

// Reads length bytes at position (-1: the file's position) and removes the
// key; false when the file does not deliver them all.
bool read_keyed(std::int64_t position, THREADED_FILE* file, void* buffer, int length, const unsigned char* key)
{
    wait_file_idle(file);
    if (position < 0)
        position = TellThreadedFile(file);
    else if (SeekThreadedFile(file, static_cast<int>(position), 0) != 0)
        return false;
    if (length > 0 && ReadThreadedFile(buffer, length, 1, file) != 1 && file->background == 0)
        return false;
    wait_file_idle(file);
    if (file->background != 0 && file->read_delivered != length)
        return false;
    ApplyArchiveKey(length, buffer, position, key);
    return true;
}

// ---- records of the head block ----

struct dir_view {
    std::uint32_t parent;
    std::uint32_t count;
    std::uint32_t first;  // offset of the first entry in the file table
};

// The folder at offset in the directory table, its entries within the file
// table; false for a damaged record.
bool read_dir(const DXAARCHIVE* a, std::uint32_t offset, dir_view& dir)
{
    if (static_cast<std::uint64_t>(offset) + ARCHIVE_DIR_SIZE > a->directory_table_size)
        return false;
    const unsigned char* p = a->directory_table + offset;
    dir.parent = u32_at(p + 4);
    dir.count = u32_at(p + 8);
    dir.first = u32_at(p + 12);
    const std::uint64_t record = static_cast<std::uint64_t>(ArchiveFileRecordSize(a->header.version));
    return dir.first + record * dir.count <= a->file_table_size;
}

const unsigned char* entry_at(const DXAARCHIVE* a, const dir_view& dir, std::uint32_t index)
{
    return a->file_table + dir.first + static_cast<std::uint64_t>(index) * ArchiveFileRecordSize(a->header.version);
}

bool is_folder(const unsigned char* entry)
{
    return (u32_at(entry + 4) & ARCHIVE_FOLDER) != 0;
}

// A search name: n words, the check value and the upper-cased bytes padded
// with zeros.
struct search_name {
    std::uint16_t words;
    std::uint16_t check;
    unsigned char bytes[name_buffer_size + 4];
};

// A name record of the name table, checked to lie in the head block.
struct name_view {
    std::uint16_t words;
    std::uint16_t check;
    const unsigned char* search;  // words * 4 bytes
    const unsigned char* stored;  // up to stored_room bytes, perhaps without a NUL
    std::uint32_t stored_room;
};

bool read_name(const DXAARCHIVE* a, const unsigned char* entry, name_view& name)
{
    const std::uint32_t offset = u32_at(entry);
    const std::uint32_t head_size = a->header.head_size;
    if (static_cast<std::uint64_t>(offset) + 4 > head_size)
        return false;
    const unsigned char* p = a->name_table + offset;
    name.words = u16_at(p);
    name.check = u16_at(p + 2);
    const std::uint64_t end = static_cast<std::uint64_t>(offset) + 4 + 4ull * name.words;
    if (end > head_size)
        return false;
    name.search = p + 4;
    name.stored = p + 4 + 4 * name.words;
    name.stored_room = static_cast<std::uint32_t>(head_size - end);
    return true;
}

// Copies a name of the head block with its NUL into out (260 bytes), cut at
// the record's room or the buffer.
void copy_name(const unsigned char* text, std::uint32_t room, char* out)
{
    std::uint32_t i = 0;
    for (; i < room && i + 1 < name_buffer_size && text[i] != 0; ++i)
        out[i] = static_cast<char>(text[i]);
    out[i] = '\0';
}

// The search name of one component of path (up to '/', '\\' or the end);
// false for a component that does not fit. Sets *rest past the component.
bool make_search_name(const char* path, search_name& name, const char** rest)
{
    int length = 0;
    const char* p = path;
    while (*p != '\0' && *p != '/' && *p != '\\') {
        const int bytes = media::core::char_bytes(p);
        if (length + bytes >= search_path_limit)
            return false;
        for (int i = 0; i < bytes; ++i) {
            char c = p[i];
            if (bytes == 1 && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            name.bytes[length++] = static_cast<unsigned char>(c);
        }
        p += bytes;
    }
    std::uint16_t check = 0;
    for (int i = 0; i < length; ++i) check = static_cast<std::uint16_t>(check + name.bytes[i]);
    name.check = check;
    name.words = static_cast<std::uint16_t>((length + 4) / 4);
    std::memset(name.bytes + length, 0, static_cast<std::size_t>(name.words * 4 - length));
    *rest = p;
    return true;
}

bool name_matches(const DXAARCHIVE* a, const unsigned char* entry, const search_name& name)
{
    name_view view;
    return read_name(a, entry, view) && view.words == name.words && view.check == name.check &&
           std::memcmp(view.search, name.bytes, static_cast<std::size_t>(name.words) * 4) == 0;
}

// The entry of folder dir_offset matching name, folders or files only; null
// when there is none or the folder is damaged.
const unsigned char* find_in_folder(const DXAARCHIVE* a, std::uint32_t dir_offset, const search_name& name,
                                    bool folder)
{
    dir_view dir;
    if (!read_dir(a, dir_offset, dir))
        return nullptr;
    for (std::uint32_t i = 0; i < dir.count; ++i) {
        const unsigned char* entry = entry_at(a, dir, i);
        if (is_folder(entry) == folder && name_matches(a, entry, name))
            return entry;
    }
    return nullptr;
}

// Walks path as folders from the current folder; false at a component that
// names no folder (the current folder is then where the walk stopped).
bool walk_folders(DXAARCHIVE* a, const char* path)
{
    if (std::strcmp(path, ".") == 0)
        return true;
    if (std::strcmp(path, "/") == 0 || std::strcmp(path, "\\") == 0) {
        a->current = 0;
        return true;
    }
    if (std::strcmp(path, "..") == 0) {
        dir_view dir;
        if (!read_dir(a, a->current, dir) || dir.parent == ARCHIVE_NO_PARENT)
            return false;
        a->current = dir.parent;
        return true;
    }
    const char* p = path;
    while (true) {
        if (*p == '/' || *p == '\\') {  // an empty component: the root
            a->current = 0;
            ++p;
            if (*p == '\0')
                return true;
            continue;
        }
        search_name name;
        const char* rest = nullptr;
        if (!make_search_name(p, name, &rest))
            return false;
        const unsigned char* entry = find_in_folder(a, a->current, name, true);
        if (entry == nullptr)
            return false;
        a->current = u32_at(entry + 32);
        if (*rest == '\0')
            return true;
        p = rest + 1;
        if (*p == '\0')
            return true;  // a trailing separator ends the walk
    }
}

// Fills info from an entry (or "." / ".." with a null entry).
void fill_info(const DXAARCHIVE* a, const unsigned char* entry, const char* dots, FILEINFO* info)
{
    if (info == nullptr)
        return;
    std::memset(info, 0, sizeof *info);
    if (entry == nullptr) {
        std::strcpy(info->name, dots);
        info->directory = 1;
        return;
    }
    name_view name;
    if (read_name(a, entry, name))
        copy_name(name.stored, name.stored_room, info->name);
    info->directory = is_folder(entry) ? 1 : 0;
    info->size_low = u32_at(entry + 36);
    FILETIME created{u32_at(entry + 8), u32_at(entry + 12)};
    FILETIME written{u32_at(entry + 24), u32_at(entry + 28)};
    FileTimeToDateData(&created, &info->created);
    FileTimeToDateData(&written, &info->last_written);
}

// Where the path's folder part ends: the last '\\', '/' or ':' outside
// double-byte characters, or -1.
int last_path_separator(const char* path)
{
    int found = -1;
    for (int i = 0; path[i] != '\0';) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            found = i;
        i += media::core::char_bytes(path + i);
    }
    return found;
}

void finish_load(DXAARCHIVE* a)
{
    while (PollArchiveLoad(a) == 0)
        platform::sleep(0);
}

// Unpacks a packed block of available bytes into a new buffer of exactly
// expected bytes; null when the block is damaged or lies about its sizes.
unsigned char* unpack_checked(const unsigned char* packed, std::uint32_t available, std::uint32_t expected)
{
    if (available < ARCHIVE_PACKED_HEADER_SIZE)
        return nullptr;
    const std::uint32_t unpacked = u32_at(packed);
    const std::uint32_t packed_size = u32_at(packed + 4);
    if (unpacked != expected || packed_size > available || packed_size < ARCHIVE_PACKED_HEADER_SIZE ||
        expected > 0x7FFFFFFF)
        return nullptr;
    auto* out = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(std::max<std::uint32_t>(expected, 1)),
                                                          "archive", 0));
    if (out == nullptr)
        return nullptr;
    if (DecompressArchiveData(packed, out) != static_cast<int>(expected)) {
        ManagedFree(out);
        return nullptr;
    }
    return out;
}

bool entry_is_packed(const DXAARCHIVE* a, const unsigned char* entry)
{
    return a->header.version >= 2 && u32_at(entry + 40) != ARCHIVE_NOT_PACKED;
}

// Runs a finished background operation of the reader. Only the bytes the
// file delivered are keyed: the thread leaves the rest zero (a file cut
// short after the open), and keying those would hand key bytes out as data.
void complete_pending(DXAFILEREAD* r)
{
    DXAARCHIVE* a = r->archive;
    const std::int32_t delivered = a->file->read_delivered;
    if (r->pending == 1) {
        if (delivered == r->raw_size) {
            ApplyArchiveKey(r->raw_size, r->raw, r->pending_file_position, a->key);
            r->unpacked = unpack_checked(r->raw, static_cast<std::uint32_t>(r->raw_size), r->data_size);
        }
        if (r->unpacked == nullptr)
            r->failed = 1;  // short or malformed: reads deliver nothing
        ManagedFree(r->raw);
        r->raw = nullptr;
    } else if (r->pending == 2) {
        const int keyed = std::clamp(delivered, 0, r->pending_length);
        ApplyArchiveKey(keyed, r->pending_destination, r->pending_file_position, a->key);
        std::memset(static_cast<unsigned char*>(r->pending_destination) + keyed, 0,
                    static_cast<std::size_t>(r->pending_length - keyed));
    }
    r->pending = 0;
}

void finish_pending(DXAFILEREAD* r)
{
    while (PollArchiveEntry(r) == 0)
        platform::sleep(1);
}

}  // namespace

namespace media::core {

void second_archive_key(unsigned char* key)
{
    std::memset(key, second_key_fill, ARCHIVE_KEY_SIZE);
}

}  // namespace media::core

// ---- key and packed data ----

void BuildArchiveKey(const char* key_string, unsigned char* key)
{
    const std::size_t length = key_string != nullptr ? std::strlen(key_string) : 0;
    if (length == 0) {
        std::memset(key, key_fill, ARCHIVE_KEY_SIZE);
    } else {
        // shorter strings repeat end to end; longer ones give their first 12 bytes
        for (int i = 0; i < ARCHIVE_KEY_SIZE; ++i)
            key[i] = static_cast<unsigned char>(key_string[static_cast<std::size_t>(i) % length]);
    }
    key[0] = static_cast<unsigned char>(~key[0]);
    key[1] = swap_nibbles(key[1]);
    key[2] ^= key_xor_2;
    key[3] = static_cast<unsigned char>(~swap_nibbles(key[3]));
    key[4] = static_cast<unsigned char>(~key[4]);
    key[5] ^= key_xor_5;
    key[6] = static_cast<unsigned char>(~key[6]);
    key[7] = static_cast<unsigned char>(~rotate_left(key[7], 5));
    key[8] = rotate_left(key[8], 3);
    key[9] ^= key_xor_9;
    key[10] = static_cast<unsigned char>(swap_nibbles(key[10]) ^ key_xor_10);
    key[11] ^= key_xor_11;
}

int ApplyArchiveKey(int length, void* buffer, std::int64_t position, const unsigned char* key)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    int index = static_cast<int>(position % ARCHIVE_KEY_SIZE);
    // two keys' length (24 bytes) at a time as three 64-bit words: the key
    // index is the same after each stretch
    constexpr int stretch = 2 * ARCHIVE_KEY_SIZE;
    if (length >= 2 * stretch) {
        unsigned char pattern[stretch];
        for (int i = 0; i < stretch; ++i) pattern[i] = key[(index + i) % ARCHIVE_KEY_SIZE];
        std::uint64_t words[3];
        std::memcpy(words, pattern, sizeof words);
        int done = 0;
        for (; done + stretch <= length; done += stretch)
            for (int k = 0; k < 3; ++k) {
                std::uint64_t v;
                std::memcpy(&v, bytes + done + 8 * k, 8);
                v ^= words[k];
                std::memcpy(bytes + done + 8 * k, &v, 8);
            }
        bytes += done;
        length -= done;
    }
    for (int i = 0; i < length; ++i) {
        bytes[i] ^= key[index];
        if (++index == ARCHIVE_KEY_SIZE)
            index = 0;
    }
    return index;
}

int DecompressArchiveData(const void* packed, void* destination)
{
    const auto* in = static_cast<const unsigned char*>(packed);
    const std::uint32_t unpacked = u32_at(in);
    const std::uint32_t packed_size = u32_at(in + 4);
    if (packed_size < ARCHIVE_PACKED_HEADER_SIZE || unpacked > 0x7FFFFFFF)
        return -1;
    if (destination == nullptr)
        return static_cast<int>(unpacked);
    auto* out = static_cast<unsigned char*>(destination);
    const unsigned char escape = in[8];
    const unsigned char* p = in + ARCHIVE_PACKED_HEADER_SIZE;
    const unsigned char* end = in + packed_size;
    std::uint32_t written = 0;
    std::uint32_t previous = 0;  // 0: no back-reference yet
    while (p < end) {
        const unsigned char c = *p++;
        if (c != escape) {
            if (written >= unpacked)
                return -1;
            out[written++] = c;
            continue;
        }
        if (p >= end)
            return -1;
        const unsigned char next = *p++;
        if (next == escape) {
            if (written >= unpacked)
                return -1;
            out[written++] = escape;
            continue;
        }
        const std::uint32_t code = next > escape ? next - 1u : next;
        std::uint32_t length = code >> 3;
        if ((code & 4) != 0) {
            if (p >= end)
                return -1;
            length |= static_cast<std::uint32_t>(*p++) << 5;
        }
        length += 4;
        std::uint32_t raw = 0;
        switch (code & 3) {
        case 0:
            if (end - p < 1)
                return -1;
            raw = p[0];
            p += 1;
            break;
        case 1:
            if (end - p < 2)
                return -1;
            raw = u16_at(p);
            p += 2;
            break;
        case 2:
            if (end - p < 3)
                return -1;
            raw = u16_at(p) | (static_cast<std::uint32_t>(p[2]) << 16);
            p += 3;
            break;
        default:
            if (previous == 0)
                return -1;  // no earlier distance to repeat
            raw = previous - 1;
            break;
        }
        const std::uint32_t distance = raw + 1;
        previous = distance;
        if (distance > written || length > unpacked - written)
            return -1;
        for (std::uint32_t i = 0; i < length; ++i, ++written) out[written] = out[written - distance];
    }
    return written == unpacked ? static_cast<int>(unpacked) : -1;
}

// ---- archives ----

int ResetArchive(DXAARCHIVE* archive)
{
    std::memset(archive, 0, sizeof *archive);
    return 0;
}

int OpenArchiveInMemory(DXAARCHIVE* archive, void* data, int size, const char* key_string)
{
    if (archive == nullptr || archive->open != 0 || data == nullptr || size < ARCHIVE_HEADER_SIZE)
        return -1;
    auto* block = static_cast<unsigned char*>(data);
    ResetArchive(archive);
    BuildArchiveKey(key_string, archive->key);
    DXAHEADER header;
    if (!decode_header_with_keys(block, archive->key, header) || !head_fits(header, size)) {
        ResetArchive(archive);
        return -1;
    }
    ApplyArchiveKey(size, block, 0, archive->key);
    archive->header = decode_header(block);
    if (archive->header.magic != ARCHIVE_MAGIC || !head_fits(archive->header, size)) {
        ApplyArchiveKey(size, block, 0, archive->key);  // hand the block back as it came
        ResetArchive(archive);
        return -1;
    }
    archive->image = block;
    set_tables(archive, block + archive->header.head_address);
    archive->in_memory = 1;
    archive->callers_block = 1;
    archive->size = size;
    archive->open = 1;
    return 0;
}

int OpenArchiveFileStreamed(DXAARCHIVE* archive, const char* path, const char* key_string)
{
    if (archive == nullptr || archive->open != 0)
        return -1;
    ResetArchive(archive);
    THREADED_FILE* file = OpenThreadedFile(path, 0, 1, 1);
    if (file == nullptr)
        return -1;
    unsigned char* head = nullptr;
    unsigned char stored[ARCHIVE_HEADER_SIZE];
    BuildArchiveKey(key_string, archive->key);
    bool ok = file->size >= ARCHIVE_HEADER_SIZE && read_keyed(0, file, stored, ARCHIVE_HEADER_SIZE, archive->key);
    if (ok) {
        // the header back as stored, to try both keys on it
        ApplyArchiveKey(ARCHIVE_HEADER_SIZE, stored, 0, archive->key);
        ok = decode_header_with_keys(stored, archive->key, archive->header) && head_fits(archive->header, file->size);
    }
    if (ok) {
        head = static_cast<unsigned char*>(
            ManagedAlloc(static_cast<int>(std::max<std::uint32_t>(archive->header.head_size, 1)), "archive", 0));
        ok = head != nullptr && read_keyed(archive->header.head_address, file, head,
                                           static_cast<int>(archive->header.head_size), archive->key);
    }
    if (!ok) {
        ManagedFree(head);
        CloseThreadedFile(file);
        ResetArchive(archive);
        return -1;
    }
    archive->file = file;
    set_tables(archive, head);
    archive->size = file->size;
    archive->open = 1;
    return 0;
}

int OpenArchiveFileLoaded(DXAARCHIVE* archive, const char* path, const char* key_string, int no_wait)
{
    if (OpenArchiveFileStreamed(archive, path, key_string) != 0)
        return -1;
    THREADED_FILE* load = OpenThreadedFile(path, 0, 1, 1);
    auto* image = static_cast<unsigned char*>(ManagedAlloc(std::max(archive->size, 1), "archive", 0));
    if (load == nullptr || image == nullptr || load->size != archive->size ||
        (archive->size > 0 && ReadThreadedFile(image, archive->size, 1, load) != 1 && load->background == 0)) {
        if (load != nullptr)
            CloseThreadedFile(load);
        ManagedFree(image);
        CloseArchive(archive);
        return -1;
    }
    // the image replaces the streamed file once it has arrived
    CloseThreadedFile(archive->file);
    archive->file = nullptr;
    archive->image = image;
    archive->load_file = load;
    archive->loading = 1;
    archive->in_memory = 1;
    if (no_wait == 0)
        finish_load(archive);
    return 0;
}

int PollArchiveLoad(DXAARCHIVE* archive)
{
    if (archive->loading == 0)
        return 1;
    if (IsThreadedFileIdle(archive->load_file) == 0)
        return 0;
    const bool complete = archive->load_file->read_delivered == archive->size;
    CloseThreadedFile(archive->load_file);
    archive->load_file = nullptr;
    archive->loading = 0;
    if (complete)
        ApplyArchiveKey(archive->size, archive->image, 0, archive->key);
    else
        std::memset(archive->image, 0, static_cast<std::size_t>(archive->size));  // nothing of it is read
    return 1;
}

int CloseArchive(DXAARCHIVE* archive)
{
    if (archive == nullptr || archive->open == 0)
        return 0;
    finish_load(archive);
    if (archive->callers_block != 0) {
        ApplyArchiveKey(archive->size, archive->image, 0, archive->key);
    } else {
        if (archive->file != nullptr)
            CloseThreadedFile(archive->file);
        ManagedFree(archive->image);
        ManagedFree(archive->head);
    }
    ResetArchive(archive);
    return 0;
}

void* WaitArchiveHead(DXAARCHIVE* archive)
{
    finish_load(archive);
    return archive->in_memory != 0 ? archive->image : nullptr;
}

int LocateArchiveFile(DXAARCHIVE* archive, const char* path, int* position, int* size)
{
    finish_load(archive);
    const unsigned char* entry = FindArchiveFile(archive, path);
    if (entry == nullptr)
        return -1;
    const std::uint64_t start = static_cast<std::uint64_t>(archive->header.data_address) + u32_at(entry + 32);
    const std::uint32_t bytes = u32_at(entry + 36);
    if (start + bytes > static_cast<std::uint64_t>(archive->size))
        return -1;
    if (position != nullptr)
        *position = static_cast<int>(start);
    if (size != nullptr)
        *size = static_cast<int>(bytes);
    return 0;
}

// ---- folders and searches ----

int ChangeArchiveDirectory(DXAARCHIVE* archive, const char* path, int restore)
{
    if (archive == nullptr || archive->open == 0 || path == nullptr)
        return -1;
    finish_load(archive);
    const std::uint32_t start = archive->current;
    if (walk_folders(archive, path))
        return 0;
    if (restore != 0)
        archive->current = start;
    return -1;
}

const unsigned char* FindArchiveFile(DXAARCHIVE* archive, const char* path)
{
    if (archive == nullptr || archive->open == 0 || path == nullptr)
        return nullptr;
    finish_load(archive);
    // the folder part must walk whole; a missing folder finds nothing
    const int cut = [&] {
        int found = -1;
        for (int i = 0; path[i] != '\0'; i += media::core::char_bytes(path + i))
            if (path[i] == '/' || path[i] == '\\')
                found = i;
        return found;
    }();
    const char* file_name = path + cut + 1;
    if (*file_name == '\0')
        return nullptr;
    const std::uint32_t start = archive->current;
    const unsigned char* found = nullptr;
    bool walked = true;
    if (cut >= 0) {
        if (cut >= search_path_limit)
            return nullptr;
        char folder[search_path_limit + 1];
        std::memcpy(folder, path, static_cast<std::size_t>(cut));
        folder[cut] = '\0';
        walked = cut == 0 ? (archive->current = 0, true) : walk_folders(archive, folder);
    }
    search_name name;
    const char* rest = nullptr;
    if (walked && make_search_name(file_name, name, &rest))
        found = find_in_folder(archive, archive->current, name, false);
    archive->current = start;
    return found;
}

int MatchWildcard(const char* name, const char* pattern)
{
    const char* n = name;
    const char* p = pattern;
    while (*p != '\0') {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == '\0')
                return 0;
            while (*n != '\0' && *n != *p) n += media::core::char_bytes(n);
            if (*n == '\0')
                return -1;
            continue;
        }
        if (media::core::char_bytes(p) == 2) {
            if (n[0] != p[0] || n[1] != p[1])
                return -1;
            n += 2;
            p += 2;
            continue;
        }
        if (*n == '\0' || (*p != '?' && *n != *p))
            return -1;
        ++n;
        ++p;
    }
    return *n == '\0' ? 0 : -1;
}

int FindFirstInArchive(DXAFIND* find, DXAARCHIVE* archive, const char* path, FILEINFO* info)
{
    if (find == nullptr || archive == nullptr || archive->open == 0 || path == nullptr ||
        std::strlen(path) >= search_path_limit)
        return -1;
    finish_load(archive);
    std::memset(find, 0, sizeof *find);
    char folder[search_path_limit];
    const int cut = last_path_separator(path);
    // a leading separator keeps itself as the folder part: the root
    const int folder_length = cut == 0 ? 1 : std::max(cut, 0);
    std::memcpy(folder, path, static_cast<std::size_t>(folder_length));
    folder[folder_length] = '\0';
    std::strcpy(find->pattern, path + cut + 1);
    StrUpper(folder);
    StrUpper(find->pattern);
    const std::uint32_t start = archive->current;
    if (folder_length > 0 && !walk_folders(archive, folder)) {
        archive->current = start;
        return -1;
    }
    find->folder = archive->current;
    archive->current = start;
    find->archive = archive;
    find->next = 0;
    return FindNextInArchive(find, info);
}

int FindNextInArchive(DXAFIND* find, FILEINFO* info)
{
    if (find == nullptr || find->archive == nullptr)
        return -1;
    DXAARCHIVE* a = find->archive;
    dir_view dir;
    if (!read_dir(a, find->folder, dir))
        return -1;
    const std::int64_t dots = dir.parent == ARCHIVE_NO_PARENT ? 1 : 2;
    for (std::int64_t index = find->next; index < dots + dir.count; ++index) {
        if (index < dots) {
            const char* name = index == 0 ? "." : "..";
            if (MatchWildcard(name, find->pattern) == 0) {
                find->next = static_cast<std::int32_t>(index + 1);
                fill_info(a, nullptr, name, info);
                return 0;
            }
            continue;
        }
        const unsigned char* entry = entry_at(a, dir, static_cast<std::uint32_t>(index - dots));
        name_view name;
        if (!read_name(a, entry, name))
            continue;
        char search[name_buffer_size];
        copy_name(name.search, 4u * name.words, search);
        if (MatchWildcard(search, find->pattern) == 0) {
            find->next = static_cast<std::int32_t>(index + 1);
            fill_info(a, entry, nullptr, info);
            return 0;
        }
    }
    find->next = static_cast<std::int32_t>(std::min<std::int64_t>(dots + dir.count, 0x7FFFFFFF));
    return -1;
}

// ---- entries ----

int OpenArchiveEntry(DXAFILEREAD* reader, DXAARCHIVE* archive, const char* path, int background)
{
    if (reader == nullptr || archive == nullptr || archive->open == 0)
        return -1;
    finish_load(archive);
    std::memset(reader, 0, sizeof *reader);
    const unsigned char* entry = FindArchiveFile(archive, path);
    if (entry == nullptr)
        return -1;
    const std::uint64_t start = static_cast<std::uint64_t>(archive->header.data_address) + u32_at(entry + 32);
    const std::uint32_t data_size = u32_at(entry + 36);
    const bool packed = entry_is_packed(archive, entry);
    const std::uint32_t stored_size = packed ? u32_at(entry + 40) : data_size;
    if (start + stored_size > static_cast<std::uint64_t>(archive->size) || data_size > 0x7FFFFFFF)
        return -1;
    reader->archive = archive;
    reader->entry = entry;
    reader->data_size = data_size;
    reader->data_position = static_cast<std::uint32_t>(start);
    reader->background = background != 0 ? 1 : 0;
    if (!packed)
        return 0;
    if (archive->in_memory != 0) {
        reader->unpacked = unpack_checked(archive->image + start, stored_size, data_size);
    } else {
        reader->raw_size = static_cast<std::int32_t>(stored_size);
        reader->raw = static_cast<unsigned char*>(ManagedAlloc(std::max(reader->raw_size, 1), "archive", 0));
        if (reader->raw == nullptr) {
            std::memset(reader, 0, sizeof *reader);
            return -1;
        }
        reader->pending_file_position = static_cast<std::int32_t>(start);
        if (background != 0) {
            wait_file_idle(archive->file);
            if (SeekThreadedFile(archive->file, reader->pending_file_position, 0) == 0 &&
                (stored_size == 0 || ReadThreadedFile(reader->raw, reader->raw_size, 1, archive->file) >= 0)) {
                reader->pending = 1;
                return 0;
            }
        } else if (read_keyed(start, archive->file, reader->raw, reader->raw_size, archive->key)) {
            reader->unpacked = unpack_checked(reader->raw, stored_size, data_size);
        }
        ManagedFree(reader->raw);
        reader->raw = nullptr;
    }
    if (reader->unpacked == nullptr) {
        std::memset(reader, 0, sizeof *reader);
        return -1;
    }
    return 0;
}

int ReadArchiveEntry(DXAFILEREAD* reader, void* buffer, int bytes)
{
    if (reader == nullptr || reader->archive == nullptr || bytes <= 0)
        return 0;
    finish_pending(reader);
    DXAARCHIVE* a = reader->archive;
    if (reader->failed != 0 || reader->end != 0 || static_cast<std::uint32_t>(reader->position) >= reader->data_size) {
        reader->end = 1;
        return 0;
    }
    const std::uint32_t left = reader->data_size - static_cast<std::uint32_t>(reader->position);
    const int n = static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(bytes), left));
    if (reader->unpacked != nullptr) {
        std::memcpy(buffer, reader->unpacked + reader->position, static_cast<std::size_t>(n));
    } else if (a->in_memory != 0) {
        std::memcpy(buffer, a->image + reader->data_position + reader->position, static_cast<std::size_t>(n));
    } else {
        const std::int64_t at = static_cast<std::int64_t>(reader->data_position) + reader->position;
        if (reader->background != 0) {
            wait_file_idle(a->file);
            if (SeekThreadedFile(a->file, static_cast<int>(at), 0) != 0 || ReadThreadedFile(buffer, n, 1, a->file) < 0)
                return 0;
            reader->pending = 2;
            reader->pending_destination = buffer;
            reader->pending_length = n;
            reader->pending_file_position = static_cast<std::int32_t>(at);
        } else if (!read_keyed(at, a->file, buffer, n, a->key)) {
            return 0;
        }
    }
    reader->position += n;
    reader->end = 0;
    return n;
}

int SeekArchiveEntry(DXAFILEREAD* reader, int offset, int origin)
{
    if (reader == nullptr || reader->archive == nullptr)
        return -1;
    finish_pending(reader);
    std::int64_t target = offset;
    if (origin == 1)
        target += reader->position;
    else if (origin == 2)
        target += reader->data_size;
    reader->position = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, reader->data_size));
    reader->end = 0;
    return 0;
}

int TellArchiveEntry(DXAFILEREAD* reader)
{
    return reader != nullptr && reader->archive != nullptr ? reader->position : -1;
}

int IsArchiveEntryAtEnd(DXAFILEREAD* reader)
{
    return reader != nullptr && reader->end != 0 ? -1 : 0;
}

int PollArchiveEntry(DXAFILEREAD* reader)
{
    if (reader == nullptr || reader->background == 0 || reader->pending == 0)
        return 1;
    if (IsThreadedFileIdle(reader->archive->file) == 0)
        return 0;
    complete_pending(reader);
    return 1;
}

int CloseArchiveEntry(DXAFILEREAD* reader)
{
    if (reader == nullptr || reader->archive == nullptr)
        return 0;
    finish_pending(reader);
    ManagedFree(reader->unpacked);
    ManagedFree(reader->raw);
    std::memset(reader, 0, sizeof *reader);
    return 0;
}
