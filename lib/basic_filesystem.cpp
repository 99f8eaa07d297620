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

// Paths below are strings in generic form that have already become paths:
// they never go through the append rule again, so a backslash that a name
// holds stays part of that name.

template <class C>
using string_of = std::basic_string<C>;

// An OS name (or a path) joined to its folder with '/' (none after a folder
// that ends in one, none for an empty name), taken unchanged.
template <class C>
string_of<C> join(string_of<C> folder, const string_of<C>& name) {
  if (!folder.empty() && !name.empty() && folder.back() != C('/')) folder += C('/');
  return folder += name;
}

// The full path of a path: relative to the current folder, then folded.
template <class C>
string_of<C> full(const string_of<C>& p) {
  if (p.empty()) return p;
  return path::fold(path::has_root(p) ? p : join(basic_filesystem<C>::current_directory(), p));
}

// A path completed against a base path.
template <class C>
string_of<C> resolve(const string_of<C>& p, const string_of<C>& base) {
  return full(path::has_root(p) ? p : join(base, p));
}

// is_component of a path.
template <class C>
bool is_piece(const string_of<C>& p) {
  return (!p.empty() && path::parent(p).empty()) || path::leaf(p) == string_of<C>(1, C('.'));
}

// take_first_component of a path.
template <class C>
string_of<C> take_first(string_of<C>& p) {
  std::size_t sep = p.find(C('/'));
  string_of<C> first = p.substr(0, sep);
  p = sep == string_of<C>::npos ? string_of<C>() : p.substr(sep + 1);
  return first;
}

// simple_cd of a component that is a path: the name completed, else the one
// entry whose whole name matches it as a pattern, joined unchanged.
template <class C>
bool enter(string_of<C>& current, const string_of<C>& c) {
  if (!is_piece(c)) fail("lib/basic_filesystem/simple_cd");
  string_of<C> p = resolve(c, current);
  if (status(p) != platform::fs::entry_kind::missing) {
    current = p;
    return true;
  }
  name_pattern<C> matcher(c);
  int matches = 0;
  string_of<C> found;
  for (const string_of<C>& name : entry_names(current)) {
    if (!matcher.matches(name)) continue;
    found = join(current, name);
    if (++matches == 2) break;
  }
  if (matches != 1) return false;
  current = full(found);
  return true;
}

// enter with every error as false.
template <class C>
bool try_enter(string_of<C>& current, const string_of<C>& c) {
  try {
    return enter(current, c);
  } catch (...) {
    return false;
  }
}

// A listed entry: a folder gives its entries, anything else itself.
template <class C>
void list_entry(const string_of<C>& p, platform::fs::entry_kind kind, std::vector<string_of<C>>& out) {
  if (kind != platform::fs::entry_kind::folder) {
    out.push_back(p);
    return;
  }
  for (const string_of<C>& name : entry_names(p)) out.push_back(join(p, name));
}

// simple_ls of a component that is a path. An entry matched by the pattern
// is listed by its own name, unchanged.
template <class C>
void list(const string_of<C>& base, const string_of<C>& c, std::vector<string_of<C>>& out) {
  if (!is_piece(c)) fail("lib/basic_filesystem/simple_ls");
  const string_of<C> p = resolve(c, base);
  if (const platform::fs::entry_kind kind = status(p); kind != platform::fs::entry_kind::missing) {
    list_entry(p, kind, out);
    return;
  }
  name_pattern<C> matcher(c);
  for (const string_of<C>& name : entry_names(base)) {
    if (!matcher.matches(name)) continue;
    const string_of<C> q = full(join(base, name));
    // an entry that went away (or a dangling link) is still listed as itself
    list_entry(q, status(q), out);
  }
}

}  // namespace

template <class C>
auto basic_filesystem<C>::current_directory() -> string_type {
  // The OS answers with '/' only; its names are kept as they are.
  return from_os<C>(platform::fs::current_folder());
}

template <class C>
auto basic_filesystem<C>::system_complete(const string_type& path) -> string_type {
  return full(path::make(path));
}

template <class C>
auto basic_filesystem<C>::complete(const string_type& path, const string_type& base) -> string_type {
  return resolve(path::make(path), base);
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
  return is_piece(path::make(c));
}

template <class C>
auto basic_filesystem<C>::take_first_component(string_type& p) -> string_type {
  p = path::make(p);
  return take_first(p);
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
    const string_type made = path::make(c);
    // A name that holds a backslash is first taken as it stands.
    if (made != c && is_piece(c)) {
      const string_type p = resolve(c, current);
      if (status(p) != platform::fs::entry_kind::missing) {
        current = p;
        return true;
      }
    }
    return enter(current, made);
  } catch (...) {
    return false;
  }
}

template <class C>
void basic_filesystem<C>::simple_ls(const string_type& base, const string_type& c, path_list& out) {
  list(base, path::make(c), out);
}

template <class C>
void basic_filesystem<C>::ls_into(const string_type& pattern, const string_type& base, path_list& out) {
  string_type rest = path::make(pattern);
  if (!path::has_root(rest)) rest = join(base, rest);
  string_type first = take_first(rest);
  string_type q = resolve(first + C('/'), current_directory());
  if (rest.empty()) {
    path_list all;
    for (const string_type& name : entry_names(q)) all.push_back(join(q, name));
    out.swap(all);
    return;
  }
  while (!is_piece(rest)) {
    string_type c = take_first(rest);
    if (try_enter(q, c)) continue;
    // c cannot be entered: it names nothing, or several entries. Listing it
    // still reports a malformed component or pattern; the result stays empty.
    path_list unused;
    list(q, c, unused);
    return;
  }
  list(q, rest, out);
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
    // A path that holds a backslash is first taken as it stands: on Linux
    // that is a character of a name, so a listed path comes back to the
    // entry it names. Only when that names nothing is it taken as typed.
    if (p != path) {
      const string_type exact = resolve(path, current);
      if (status(exact) != platform::fs::entry_kind::missing) {
        current = exact;
        return true;
      }
    }
    string_type r = current;
    if (path::has_root(p)) {
      // A rooted path starts at the file system's root.
      string_type first = take_first(p);
      r = full(first + C('/'));
      if (p.empty()) {
        current = r;
        return true;
      }
    }
    while (!is_piece(p)) {
      // Every middle component must be entered; going on from a folder that
      // was not left would end somewhere the path does not name.
      if (!try_enter(r, take_first(p))) return false;
    }
    if (!try_enter(r, p)) return false;
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
