// The order of folder listings on a directory screen: by name, with ASCII
// letters folded to upper case and compared by code point, ties broken by
// the exact code points. The file system's own order differs between file
// systems and changes as a folder is edited; this one does not.
#pragma once

#include <cstddef>
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
// The same, with a value beside each path moved along with it.
template <class T>
void sort_by_name(std::vector<std::wstring>& paths, std::vector<T>& beside);
// The positions of paths in that order.
std::vector<std::size_t> name_order(const std::vector<std::wstring>& paths);

template <class T>
void sort_by_name(std::vector<std::wstring>& paths, std::vector<T>& beside) {
  const std::vector<std::size_t> order = name_order(paths);
  std::vector<std::wstring> sorted;
  std::vector<T> sorted_beside;
  sorted.reserve(paths.size());
  sorted_beside.reserve(paths.size());
  for (const std::size_t i : order) {
    sorted.push_back(std::move(paths[i]));
    sorted_beside.push_back(std::move(beside[i]));
  }
  paths = std::move(sorted);
  beside = std::move(sorted_beside);
}

}  // namespace tool::zentil
