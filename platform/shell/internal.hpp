// The system shell's operations, shared by the files of platform/shell.
#pragma once

#include <string>
#include <vector>

namespace platform::shell {

int open_file(const std::wstring& file, const std::wstring& parameters);
// True when path names an entry, a dangling link included.
bool entry_exists(const std::wstring& path);
int copy_entry(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to);

// Called by the copy and delete walks between an entry's status request and
// its opening (the test hook before_open sets).
#if ZENTIL_TEST_HOOKS
void before_open_hook(const std::string& path);
#else
inline void before_open_hook(const std::string&) {}
#endif

// A descriptor closed at the end of its scope.
struct descriptor {
    int fd = -1;
    explicit descriptor(int f = -1) : fd(f) {}
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    ~descriptor();
};

// Names in a folder, in the file system's order, without '.' and '..'; the
// folder's own descriptor keeps its place. False when it cannot be listed.
bool list_folder(int folder, std::vector<std::string>& names);

// Opens a folder found as a folder a moment ago; a link put in its place is
// refused (ELOOP or ENOTDIR) unless follow (the entry the user named itself).
int open_walked_folder(int parent, const std::string& name, const std::string& path, bool follow = false);

}  // namespace platform::shell
