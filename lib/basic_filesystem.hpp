// Folder walking by patterns: each component of a typed path is first taken
// as a name and, when it names nothing, as a regular expression matched
// against the whole names of the entries of the folder reached so far. Also
// completion of relative paths, listings, folder changes and folder creation.
//
// Paths are strings in generic form (lib/path.hpp). What a user types (a
// component, a pattern, a name, the path given to cd) goes through the
// append rule first, so its backslashes act as '/'. Base and current folders
// are paths already and are taken as they are, and names from the OS are
// joined to their folder with '/' and kept unchanged: on Linux a backslash in
// a name is an ordinary character, so a folder 'x\y' is listed as '.../x\y',
// never as '.../x/y'. cd and simple_cd take a path or component that holds a
// backslash as it stands first, so a listed path enters the entry it names;
// only when that names nothing is it read as typed. Completion is lexical:
// '.' and '..' fold, a trailing '/' stays, symbolic links are never
// resolved. Listings are complete paths in the file system's order.
#pragma once

#include <string>
#include <vector>

namespace lib {

template <class C>
class basic_filesystem {
 public:
  using string_type = std::basic_string<C>;
  using path_list = std::vector<string_type>;

  static string_type current_directory();
  // The full path name: a relative path taken from the current folder, then
  // folded; the empty path stays empty.
  static string_type system_complete(const string_type& path);
  static string_type complete(const string_type& path, const string_type& base);
  static string_type complete_current(const string_type& path);
  static string_type absolute(const string_type& text);

  // Not empty and with an empty parent, or with the leaf '.'.
  static bool is_component(const string_type& c);
  // Split at every '/', nothing merged: the first (last) piece is returned,
  // p keeps the other pieces.
  static string_type take_first_component(string_type& p);
  static string_type take_last_component(string_type& p);

  // Every failure is false with current unchanged.
  static bool simple_cd(string_type& current, const string_type& c);
  // Throws std::invalid_argument "lib/basic_filesystem/simple_ls" when c is
  // not one component; file system and regular-expression errors pass through.
  static void simple_ls(const string_type& base, const string_type& c, path_list& out);
  static void ls_into(const string_type& pattern, const string_type& base, path_list& out);
  static path_list ls(const string_type& base, const string_type& pattern);
  // Every failure is false with current unchanged.
  static bool cd(string_type& current, const string_type& p);
  static bool make_directory(const string_type& base, const string_type& name);
};

extern template class basic_filesystem<char>;
extern template class basic_filesystem<wchar_t>;

}  // namespace lib
