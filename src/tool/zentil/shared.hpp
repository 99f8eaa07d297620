// The application object every screen works on: the folder browsing starts
// at, and the tag store with its database file.
#pragma once

#include <list>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "lib/hash.hpp"
#include "lib/xml.hpp"
#include "tool/zentil/tag.hpp"

namespace tool::zentil {

class shared {
 public:
  // The root folder is "root" under the current folder; the store is empty.
  shared();
  ~shared();
  shared(const shared&) = delete;
  shared& operator=(const shared&) = delete;

  // Tag store (tag.cpp). Links only existing paths and tag words.
  void link_tag(const std::wstring& path, const std::wstring& tag_name);
  void unlink_tag(const std::wstring& path, const std::wstring& tag_name);
  void tags_of(const std::wstring& path, std::list<std::wstring>& out) const;
  // Links to path the tags of each of its ancestors, nearest first, up to
  // root_folder (or, for a path outside it, up to the top of the path).
  void inherit_ancestor_tags(const std::wstring& path);
  // Folders carrying the first word's tag, narrowed by each further word;
  // any failure ends the search with the result as far as it got.
  std::vector<std::wstring> search_tags(const std::wstring& query) const;
  void keep_tagged(std::vector<std::wstring>& result, const std::wstring& word) const;
  void drop_tagged(std::vector<std::wstring>& result, const std::wstring& word) const;

  // Tag database (tag_database.cpp). Load throws on a missing or malformed
  // file and links nothing then; save throws std::invalid_argument
  // "tool/zentil/shared/save_tag_database" when the file cannot be written,
  // leaving the old one as it was.
  bool load_tag_database(const std::wstring& name);
  void save_tag_database(const std::wstring& name) const;
  static void write_tag_element(lib::xml::element& element, const tag& record);

  // Asks the directory screen to rebuild its tag list.
  bool tags_dirty;
  std::wstring root_folder;
  lib::hash<std::wstring, boost::shared_ptr<tag>> tag_map;
  lib::hash<std::wstring, boost::shared_ptr<tag::directory>> directory_map;

 private:
  // link_tag once the path is known to exist and the tag to be a tag word.
  void link_checked(const std::wstring& path, const std::wstring& tag_name);
};

}  // namespace tool::zentil
