// Pattern walks over folders, for narrow (code page) and wide paths.
#include "lib/basic_filesystem.hpp"
#include "lib/error.hpp"

#include <boost/regex.hpp>

#include <optional>
#include <stdexcept>
#include <utility>

#include "lib/path.hpp"
#include "lib/string.hpp"
#include "platform/fs/filesystem.hpp"

namespace lib {
namespace {

// The file system takes wide names; narrow paths are code-page text.
const std::wstring& to_os(const std::wstring& path) { return path; }
std::wstring to_os(const std::string& path) { return string::to_wide(path); }
template <class C>
std::basic_string<C> from_os(const std::wstring& name);
template <>
std::wstring from_os<wchar_t>(const std::wstring& name) {
  return name;
}
template <>
std::string from_os<char>(const std::wstring& name) {
  return string::to_narrow(name);
}

template <class C>
platform::fs::entry_kind status(const std::basic_string<C>& path) {
  return platform::fs::status(to_os(path));
}

template <class C>
std::vector<std::basic_string<C>> entry_names(const std::basic_string<C>& folder) {
  std::vector<std::basic_string<C>> names;
  for (const std::wstring& n : platform::fs::entry_names(to_os(folder))) names.push_back(from_os<C>(n));
  return names;
}

// A component pattern matched against whole entry names. It is compiled on
// the first test, so a pattern that is never tested never raises.
template <class C>
class name_pattern {
 public:
  explicit name_pattern(std::basic_string<C> text) : text_(std::move(text)) {}
  bool matches(const std::basic_string<C>& name) {
    if (!regex_) regex_.emplace(text_);
    return boost::regex_match(name, *regex_);
  }

 private:
  std::basic_string<C> text_;
  std::optional<boost::basic_regex<C>> regex_;
};

}  // namespace

template <class C>
auto basic_filesystem<C>::current_directory() -> string_type {
  return path::make(from_os<C>(platform::fs::current_folder()));
}

template <class C>
auto basic_filesystem<C>::system_complete(const string_type& path) -> string_type {
  string_type p = path::make(path);
  if (p.empty()) return p;
  if (!path::has_root(p)) p = path::append(current_directory(), p);
  return path::fold(p);
}

template <class C>
auto basic_filesystem<C>::complete(const string_type& path, const string_type& base) -> string_type {
  string_type p = path::make(path);
  if (path::has_root(p)) return system_complete(p);
  return system_complete(path::append(path::make(base), p));
}

template <class C>
auto basic_filesystem<C>::complete_current(const string_type& path) -> string_type {
  return complete(path, current_directory());
}

template <class C>
auto basic_filesystem<C>::absolute(const string_type& text) -> string_type {
  return complete_current(path::make(text));
}

template <class C>
bool basic_filesystem<C>::is_component(const string_type& c) {
  string_type p = path::make(c);
  return (!p.empty() && path::parent(p).empty()) || path::leaf(p) == string_type(1, C('.'));
}

template <class C>
auto basic_filesystem<C>::take_first_component(string_type& p) -> string_type {
  p = path::make(p);
  std::size_t sep = p.find(C('/'));
  string_type first = p.substr(0, sep);
  p = sep == string_type::npos ? string_type() : p.substr(sep + 1);
  return first;
}

template <class C>
auto basic_filesystem<C>::take_last_component(string_type& p) -> string_type {
  p = path::make(p);
  std::size_t sep = p.rfind(C('/'));
  if (sep == string_type::npos) return std::exchange(p, string_type());
  string_type last = p.substr(sep + 1);
  p.erase(sep);
  return last;
}

template <class C>
bool basic_filesystem<C>::simple_cd(string_type& current, const string_type& c) {
  try {
    if (!is_component(c)) fail("lib/basic_filesystem/simple_cd");
    string_type p = complete(c, current);
    if (status(p) != platform::fs::entry_kind::missing) {
      current = p;
      return true;
    }
    name_pattern<C> matcher(path::make(c));
    int matches = 0;
    string_type found;
    for (const string_type& name : entry_names(current)) {
      if (!matcher.matches(name)) continue;
      found = path::append(current, name);
      if (++matches == 2) break;
    }
    if (matches != 1) return false;
    current = complete(found, current);
    return true;
  } catch (...) {
    return false;
  }
}

template <class C>
void basic_filesystem<C>::simple_ls(const string_type& base, const string_type& c, path_list& out) {
  if (!is_component(c)) fail("lib/basic_filesystem/simple_ls");
  string_type p = complete(c, base);
  switch (status(p)) {
    case platform::fs::entry_kind::folder:
      for (const string_type& name : entry_names(p)) out.push_back(path::append(p, name));
      return;
    case platform::fs::entry_kind::other:
      out.push_back(p);
      return;
    case platform::fs::entry_kind::missing:
      break;
  }
  name_pattern<C> matcher(path::make(c));
  for (const string_type& name : entry_names(base))
    if (matcher.matches(name)) simple_ls(base, name, out);
}

template <class C>
void basic_filesystem<C>::ls_into(const string_type& pattern, const string_type& base, path_list& out) {
  string_type rest = path::make(pattern);
  if (!path::has_root(rest)) rest = path::append(path::make(base), rest);
  string_type first = take_first_component(rest);
  string_type q = complete_current(first + C('/'));
  if (rest.empty()) {
    path_list all;
    for (const string_type& name : entry_names(q)) all.push_back(path::append(q, name));
    out.swap(all);
    return;
  }
  while (!is_component(rest)) {
    string_type c = take_first_component(rest);
    if (simple_cd(q, c)) continue;
    // c cannot be entered: it names nothing, or several entries. Listing it
    // still reports a malformed component or pattern; the result stays empty.
    path_list unused;
    simple_ls(q, c, unused);
    return;
  }
  simple_ls(q, rest, out);
}

template <class C>
auto basic_filesystem<C>::ls(const string_type& base, const string_type& pattern) -> path_list {
  path_list out;
  ls_into(pattern, base, out);
  return out;
}

template <class C>
bool basic_filesystem<C>::cd(string_type& current, const string_type& path) {
  try {
    string_type p = path::make(path);
    string_type r = current;
    if (path::has_root(p)) {
      // A rooted path starts at the file system's root.
      string_type first = take_first_component(p);
      r = complete_current(first + C('/'));
      if (p.empty()) {
        current = r;
        return true;
      }
    }
    while (!is_component(p)) {
      // Every middle component must be entered; going on from a folder that
      // was not left would end somewhere the path does not name.
      if (!simple_cd(r, take_first_component(p))) return false;
    }
    if (!simple_cd(r, p)) return false;
    current = r;
    return true;
  } catch (...) {
    return false;
  }
}

template <class C>
bool basic_filesystem<C>::make_directory(const string_type& base, const string_type& name) {
  try {
    return platform::fs::create_folder(to_os(complete(name, base)));
  } catch (...) {
    return false;
  }
}

template class basic_filesystem<char>;
template class basic_filesystem<wchar_t>;

}  // namespace lib
