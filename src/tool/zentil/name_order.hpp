// The order of folder listings on a directory screen: by name, with ASCII
// letters folded to upper case and compared by code point, ties broken by
// the exact code points. The file system's own order differs between file
// systems and changes as a folder is edited; this one does not.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tool::zentil {

// The last '/'-separated component of a path (a backslash is part of a name).
std::wstring_view name_of(const std::wstring& path);
// Whether name a comes before name b.
bool name_before(const std::wstring& a, const std::wstring& b);
// Sorts complete paths by their last '/'-separated component; paths whose
// names are equal (in different folders) keep their order.
void sort_by_name(std::vector<std::wstring>& paths);

}  // namespace tool::zentil
