// The application object every screen works on: the widgets all directory
// screens show in the same place (so typed text stays from folder to folder),
// the folder browsing starts at, the tag store with its database file, and
// the script engine with its host function "open".
#pragma once

#include <list>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "lib/hash.hpp"
#include "lib/xml.hpp"
#include "plang/factor/factor.hpp"
#include "plang/interpreter.hpp"
#include "tool/zentil/tag.hpp"
#include "ui/button.hpp"
#include "ui/form.hpp"
#include "ui/frame.hpp"
#include "ui/texture.hpp"

namespace tool::zentil {

class shared {
 public:
  // Needs the media layer running. The root folder is "root" under the
  // current folder; the store is empty; the current folder is searched by
  // the script compiler, "open" is defined and "extension.hpp" compiled (a
  // missing file or a compile error throws the compiler's plang::exception).
  shared();
  ~shared();
  shared(const shared&) = delete;
  shared& operator=(const shared&) = delete;

  // The host function "open": one argument opens it with the shell, a second
  // is the parameter string; any other count throws "invalid arguments".
  // Gives nil; the shell's result is not looked at.
  plang::handle open(plang::factor::vector& args);

  // Starts the script process "main" with the path and steps every script
  // process until none is left; no frame is drawn meanwhile. A run still
  // going after a second looks at the window's messages every 50 ms between
  // steps and, when the window is being closed, leaves the processes
  // unfinished and returns, so the frame loops end and the program ends
  // normally. A script without "main" throws std::out_of_range; an error the
  // script does not catch leaves as its plang::exception.
  void run_main(const std::wstring& path);

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

  ui::button<> button_add;
  ui::button<> button_derive;
  ui::button<> button_refresh;
  ui::button<> button_search;
  ui::button<> button_make_folder;
  // The tag text for "Add", the search query, the name of a folder to make.
  ui::frame<ui::form> form_tag;
  ui::frame<ui::form> form_search;
  ui::frame<ui::form> form_folder;
  // Asks the directory screen to rebuild its tag list.
  bool tags_dirty;
  // The store was changed during the run (link_tag, unlink_tag, a drop
  // taken); the load leaves it false. An error that ends the run saves the
  // store first only then.
  bool changed = false;
  // Empty (0 x 0, no image) until the root screen fills it.
  ui::xtexture wallpaper;
  // The screen-sized background from "skin/skin.jpg"; a file that cannot be
  // loaded leaves it without an image, which draws nothing.
  ui::texture skin;
  std::wstring root_folder;
  lib::hash<std::wstring, boost::shared_ptr<tag>> tag_map;
  lib::hash<std::wstring, boost::shared_ptr<tag::directory>> directory_map;
  plang::interpreter interpreter;

 private:
  // link_tag once the path is known to exist and the tag to be a tag word.
  void link_checked(const std::wstring& path, const std::wstring& tag_name);
};

}  // namespace tool::zentil
