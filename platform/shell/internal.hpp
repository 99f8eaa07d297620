// The system shell's operations, shared by the files of platform/shell.
#pragma once

#include <string>

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

}  // namespace platform::shell
