// The name order of directory listings.
#include "tool/zentil/name_order.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

namespace tool::zentil {
namespace {

// Code points compare unsigned: wchar_t is signed here.
std::uint32_t folded(wchar_t c) {
  const auto u = static_cast<std::uint32_t>(c);
  return u >= U'a' && u <= U'z' ? u - (U'a' - U'A') : u;
}

bool before(std::wstring_view a, std::wstring_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t x = folded(a[i]), y = folded(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<std::uint32_t>(a[i]), y = static_cast<std::uint32_t>(b[i]);
    if (x != y) return x < y;
  }
  return false;
}

}  // namespace

std::wstring_view name_of(const std::wstring& path) {
  const std::size_t sep = path.rfind(L'/');
  return sep == std::wstring::npos ? std::wstring_view(path) : std::wstring_view(path).substr(sep + 1);
}

bool name_before(const std::wstring& a, const std::wstring& b) { return before(a, b); }

std::vector<std::size_t> name_order(const std::vector<std::wstring>& paths) {
  // Each name is found once rather than at every comparison; equal names
  // keep the listing's order.
  std::vector<std::pair<std::wstring_view, std::size_t>> keys;
  keys.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) keys.emplace_back(name_of(paths[i]), i);
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    if (before(a.first, b.first)) return true;
    return a.first == b.first && a.second < b.second;  // the order is total: only equal names tie
  });
  std::vector<std::size_t> order;
  order.reserve(keys.size());
  for (const auto& key : keys) order.push_back(key.second);
  return order;
}

void sort_by_name(std::vector<std::wstring>& paths) {
  // each path moved once, into its place
  std::vector<std::wstring> sorted;
  sorted.reserve(paths.size());
  for (const std::size_t i : name_order(paths)) sorted.push_back(std::move(paths[i]));
  paths = std::move(sorted);
}

}  // namespace tool::zentil
