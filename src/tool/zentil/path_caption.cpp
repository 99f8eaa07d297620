// Shortening of path captions (titles and the tag list's caption).
#include "tool/zentil/path_caption.hpp"

namespace tool::zentil {
namespace {

// The first '/'-separated component, path keeping the rest. Split at '/'
// only: a backslash in a listed name is part of the name and stays shown.
std::wstring take_first(std::wstring& path) {
  const std::size_t sep = path.find(L'/');
  std::wstring first = path.substr(0, sep);
  path = sep == std::wstring::npos ? std::wstring() : path.substr(sep + 1);
  return first;
}

}  // namespace

path_caption shorten_path(const std::wstring& prefix, std::wstring path, int limit,
                          const std::function<int(const std::wstring&)>& width) {
  path_caption caption{prefix + path, false};
  // every pass removes a component, so the loop ends with the path
  while (width(caption.text) >= limit) {
    const std::wstring first = take_first(path);
    if (path.empty()) return {prefix + L".../" + first, true};
    caption.text = prefix + L".../" + path;
  }
  return caption;
}

}  // namespace tool::zentil
