// The system shell's operations, shared by the files of platform/shell.
#pragma once

#include <string>

namespace platform::shell {

int open_file(const std::wstring& file, const std::wstring& parameters);
// True when path names an entry, a dangling link included.
bool entry_exists(const std::wstring& path);
int copy_entry(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to);

}  // namespace platform::shell
