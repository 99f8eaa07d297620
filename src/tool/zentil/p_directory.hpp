// The directory screen: the entries of one folder (directory mode) or the
// folders a tag query finds (search mode) as a list of rows, the tag list of
// the selected row, the shared buttons and forms, a title line, and behind
// them the wallpaper with the skin over it. Folders open in nested screens
// that end with Backspace.
#pragma once

#include <list>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/fs/filesystem.hpp"
#include "platform/shell/shell.hpp"
#include "tool/zentil/gprocess.hpp"
#include "ui/button.hpp"
#include "ui/embed.hpp"
#include "ui/frame.hpp"
#include "ui/list.hpp"
#include "ui/text.hpp"
#include "ui/widget.hpp"

namespace tool::zentil {

class shared;

class p_directory : public gprocess {
 public:
  // One listed entry: its icon and name; a selected folder also shows
  // "Add", the tag form and "Derive". Whether the entry exists and is a
  // folder is asked again at every draw and update.
  class path : public ui::widget {
   public:
    // The icon is taken when the path exists now; so is the name, whose
    // fitted text is made when the row is first drawn (a folder of many
    // entries shows a few of them, and the fit is the same either way).
    path(int width, int height, shared* owner, const std::wstring& where);
    // The same with what the entry is already known (from the folder's
    // listing), so no status request is made.
    path(int width, int height, shared* owner, std::wstring where, platform::fs::entry_kind kind);

    void draw_row(int x, int y, bool selected);
    // The selected row's input: the shared widgets of a folder, then Enter
    // (a folder opens in a nested screen, a file runs the script "main").
    void update_row(int x, int y, const ui::rect& clip);
    std::wstring get_path() const { return path_; }
    // Whether the row's path is where, without a copy (asked every frame).
    bool is_at(const std::wstring& where) const { return path_ == where; }

    // What the list calls.
    using ui::widget::draw;
    void draw(int x, int y, bool selected) { draw_row(x, y, selected); }
    void update(int x, int y, const ui::rect& clip) override { update_row(x, y, clip); }

    // Empty when the path did not exist when the row was built, and until
    // the row's first draw.
    boost::shared_ptr<ui::text> name;
    const platform::shell::icon* icon = nullptr;

   private:
    void take_kind(platform::fs::entry_kind kind);

    shared* owner_;
    std::wstring path_;
    bool named_ = false;  // the path existed when the row was built
  };

  // Row geometry: a list 380 wide of 5 rows 92 high with a gap of 1, its
  // scroll bar 7 wide with a margin of 2; rows 349 wide.
  static constexpr int list_width = 380, visible_rows = 5, row_gap = 1, row_height = 92;
  static constexpr int bar_width = 7, bar_margin = 2, row_width = list_width - 31;

  // Directory mode (search false): the folder text names, reached with cd;
  // std::out_of_range "directory doen't exist." when it cannot be. Search
  // mode: the folders the query finds, in the tag store's order.
  p_directory(shared& owner, const std::wstring& text, bool search);
  ~p_directory() override;

  void draw() override;
  void update() override;
  // Lists again; the title stays.
  void refresh();
  // Replaces the rows (none for an empty vector); with kinds, what each
  // path is as its folder's listing gave it.
  void set_rows(const std::vector<std::wstring>& paths);
  void set_rows(std::vector<std::wstring> paths, const std::vector<platform::fs::entry_kind>& kinds);
  // Runs child's frame loop with this screen, and the screens whose
  // run_child is running, drawn beneath it (not updated).
  void run_child(gprocess& child);

  std::wstring current;
  // The path whose tags the tag list shows.
  std::wstring shown;
  shared* owner;
  boost::shared_ptr<ui::list<path>> rows;
  boost::shared_ptr<ui::frame<ui::embed>> tag_list;
  bool search_mode;
  std::wstring query;
  boost::shared_ptr<ui::frame<ui::text>> title;
  boost::shared_ptr<ui::frame<ui::text>> placeholder;
  std::vector<ui::button<>*> tag_buttons;

 private:
  // The tags of tag_buttons exactly: a caption holds '?' for a character
  // code page 932 lacks, and unlinking by it would miss the tag.
  std::vector<std::wstring> tag_names;
  // The folder's entries in name order, each with what it is; none when it
  // cannot be read.
  struct listed {
    std::vector<std::wstring> paths;
    std::vector<platform::fs::entry_kind> kinds;
  };
  listed listing() const;
  // The rows' update with the deleted row's removal, then the tag list's.
  void update_rows(const ui::rect& clip);
  void build_tag_list();
};

// The screens whose run_child is running, outermost first.
std::list<p_directory*>& run_child_screens();

}  // namespace tool::zentil
