// Fuzz target: an archive opened from memory, every folder walked (to a
// bounded depth: a damaged archive may hold a folder inside itself) and
// every entry read through.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "media/core/archive.hpp"

namespace {

constexpr int max_depth = 8;
constexpr int max_entries = 4096;

void read_entry(DXAARCHIVE* archive, const std::string& path)
{
    DXAFILEREAD reader{};
    if (OpenArchiveEntry(&reader, archive, path.c_str(), 0) != 0)
        return;
    char buffer[4096];
    while (ReadArchiveEntry(&reader, buffer, sizeof buffer) > 0) {
    }
    SeekArchiveEntry(&reader, -7, 2);
    ReadArchiveEntry(&reader, buffer, 16);
    CloseArchiveEntry(&reader);
}

void walk(DXAARCHIVE* archive, const std::string& folder, int depth, int& entries)
{
    std::vector<FILEINFO> found;
    DXAFIND find{};
    FILEINFO info{};
    const std::string pattern = folder + "*";
    if (pattern.size() >= 250)
        return;
    for (int got = FindFirstInArchive(&find, archive, pattern.c_str(), &info); got == 0 && entries < max_entries;
         got = FindNextInArchive(&find, &info), ++entries)
        found.push_back(info);
    for (const FILEINFO& f : found) {
        const std::string name(f.name, strnlen(f.name, sizeof f.name));
        if (name.empty() || name == "." || name == "..")
            continue;
        const std::string path = folder + name;
        if (f.directory != 0) {
            if (depth < max_depth && ChangeArchiveDirectory(archive, path.c_str(), 1) == 0) {
                ChangeArchiveDirectory(archive, "/", 0);
                walk(archive, path + "/", depth + 1, entries);
            }
        } else {
            read_entry(archive, path);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 0x7FFFFFFF)
        return 0;
    std::vector<std::uint8_t> block(data, data + size);  // decoded in place
    DXAARCHIVE archive{};
    if (OpenArchiveInMemory(&archive, block.data(), static_cast<int>(block.size()), nullptr) != 0)
        return 0;
    int entries = 0;
    walk(&archive, "/", 0, entries);
    ChangeArchiveDirectory(&archive, "..", 0);
    CloseArchive(&archive);
    if (std::memcmp(block.data(), data, size) != 0)
        __builtin_trap();  // the block goes back as it came
    return 0;
}
