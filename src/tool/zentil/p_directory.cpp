// The directory screen: construction in both modes, listing, drawing, the
// tag list, keys, and the loop that runs a child above the screen.
#include "tool/zentil/p_directory.hpp"

#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "lib/basic_filesystem.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/shell/shell.hpp"
#include "tool/zentil/name_order.hpp"
#include "tool/zentil/p_drag.hpp"
#include "tool/zentil/path_caption.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace tool::zentil {
namespace {

using filesystem = lib::basic_filesystem<wchar_t>;

constexpr int W = ui::screen_width, H = ui::screen_height;
constexpr unsigned key_backspace = 14, key_e = 18;
// The shell's "show as the desktop would" (SW_SHOWDEFAULT).
constexpr int show_default = 10;
const ui::margins line_margins{0, 0, 10, 10};

// The caption of a path below limit, components removed from the front and
// the last one cut with "..." to cut_limit.
ui::text path_text(const std::wstring& prefix, const std::wstring& path, int limit, unsigned cut_limit) {
  const ui::text_style style;
  const path_caption caption =
      shorten_path(prefix, path, limit, [&style](const std::wstring& s) { return ui::wstring_width(s, style); });
  return caption.cut ? ui::text::text_fit(caption.text, cut_limit) : ui::text(caption.text);
}

boost::shared_ptr<ui::frame<ui::text>> framed_line(const ui::text& t) {
  return boost::shared_ptr<ui::frame<ui::text>>(new ui::frame<ui::text>(line_margins, t));
}

}  // namespace

std::list<p_directory*>& run_child_screens() {
  static std::list<p_directory*> screens;
  return screens;
}

p_directory::p_directory(shared& owner, const std::wstring& text, bool search)
    : current(filesystem::current_directory()), shown(current), owner(&owner), search_mode(search) {
  if (search_mode) {
    query = text;
    set_rows(owner.search_tags(query));
    title = framed_line(ui::text::text_fit(L"search > " + query, W - 20));
    placeholder = framed_line(ui::text::text_fit(L"empty search result", W - 20));
    return;
  }
  if (!filesystem::cd(current, text)) throw std::out_of_range("directory doen't exist.");
  listed entries = listing();
  set_rows(std::move(entries.paths), entries.kinds);
  title = framed_line(path_text(L"directory > ", text, W - 20, W / 3));
  placeholder = framed_line(ui::text::text_fit(L"empty directory", W - 20));
}

p_directory::~p_directory() = default;

p_directory::listed p_directory::listing() const {
  listed out;
  // A folder that went away lists nothing.
  std::error_code ec;
  if (platform::fs::status(current, ec) != platform::fs::entry_kind::folder) return out;
  try {
    // names joined to the folder with '/' and kept unchanged
    const bool slash = !current.empty() && current.back() != L'/';
    std::vector<platform::fs::listed_entry> entries =
        platform::fs::list_entries(current, slash ? current + L'/' : current);
    out.paths.reserve(entries.size());
    out.kinds.reserve(entries.size());
    for (platform::fs::listed_entry& e : entries) {
      out.paths.push_back(std::move(e.name));
      out.kinds.push_back(e.kind);
    }
  } catch (const std::runtime_error&) {
    // A folder that cannot be read (no permission) shows as empty: the
    // listing's error would otherwise end the program, and the run's tag
    // work with it, when the user merely opened the wrong folder.
    out = listed();
  }
  sort_by_name(out.paths, out.kinds);
  return out;
}

void p_directory::refresh() {
  tag_list.reset();
  rows.reset();
  owner->tags_dirty = true;
  if (search_mode) {
    set_rows(owner->search_tags(query));
  } else {
    listed entries = listing();
    set_rows(std::move(entries.paths), entries.kinds);
  }
}

void p_directory::set_rows(const std::vector<std::wstring>& paths) {
  std::vector<platform::fs::entry_kind> kinds;
  kinds.reserve(paths.size());
  for (const std::wstring& p : paths) {
    // an entry that cannot be asked about counts as missing
    std::error_code ec;
    kinds.push_back(platform::fs::status(p, ec));
  }
  set_rows(std::vector<std::wstring>(paths), kinds);
}

void p_directory::set_rows(std::vector<std::wstring> paths, const std::vector<platform::fs::entry_kind>& kinds) {
  rows.reset();
  if (paths.empty()) return;
  boost::shared_ptr<ui::list<path>> made(
      new ui::list<path>(list_width, visible_rows, row_gap, row_height, bar_width, bar_margin));
  made->rows.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    made->rows.push_back(path(row_width, row_height, owner, std::move(paths[i]), kinds[i]));
    made->refresh_bar();
  }
  rows = std::move(made);
}

void p_directory::draw() {
  owner->wallpaper.draw(0, 0);
  {
    ui::blend_guard blend(0.75);
    owner->skin.draw(0, 0);
  }
  if (rows) {
    rows->draw(10, 10);
    if (tag_list) tag_list->draw(rows->width + 20, 10);
  } else {
    placeholder->draw(10, 10);
  }
  int y = (rows ? rows->height : ui::text_style().font_size()) + 20;
  owner->button_refresh.draw(10, y);
  y += owner->button_refresh.height + 10;
  owner->form_search.draw(10, y);
  owner->button_search.draw(owner->form_search.width + 20, y);
  if (!search_mode) {
    y += owner->button_search.height + 10;
    owner->form_folder.draw(10, y);
    owner->button_make_folder.draw(owner->form_folder.width + 20, y);
  }
  title->draw(10, H - title->height - 10);
}

void p_directory::update() {
  const ui::rect clip{0, 0, W, H};
  int y = (rows ? rows->height : ui::text_style().font_size()) + 20;
  owner->button_refresh.update(10, y, clip);
  y += owner->button_refresh.height + 10;
  owner->form_search.update(10, y, clip);
  owner->button_search.update(owner->form_search.width + 20, y, clip);
  if (!search_mode) {
    y += owner->button_search.height + 10;
    owner->form_folder.update(10, y, clip);
    owner->button_make_folder.update(owner->form_folder.width + 20, y, clip);
  }

  if (owner->button_refresh.state.clicked) {
    refresh();
  } else if (owner->button_search.state.clicked) {
    p_directory nested(*owner, owner->form_search.child().get_wtext(), true);
    gprocess::run(nested);
  } else if (!search_mode && owner->button_make_folder.state.clicked) {
    if (filesystem::make_directory(current, owner->form_folder.child().get_wtext())) refresh();
  } else if (rows) {
    update_rows(clip);
  }

  if (ui::input::key_pressed(key_backspace)) {
    flags |= finished;
  } else if (!search_mode && ui::input::key_pressed(key_e)) {
    const std::wstring folder = current.empty() || current.back() != L'/' ? current + L"/" : current;
    platform::shell::current().open(L"", folder, L"", show_default);
  }

  // entries dropped on the window are copied here in directory mode; a
  // search screen leaves them to be let go at the end of the frame
  if (search_mode) return;
  std::vector<ui::input::dropped_name> dropped;
  ui::input::dropped_names(dropped);
  const std::size_t left_out = ui::input::dropped_names_left_out();
  if (dropped.empty() && left_out == 0) return;
  p_drag copy(*owner, dropped, current, left_out);
  run_child(copy);
  refresh();
}

void p_directory::update_rows(const ui::rect& clip) {
  try {
    rows->update(10, 10, clip);
  } catch (const std::string& what) {
    if (what == "changed") {
      // a delete left the selected entry: the listing is read again and the
      // entry stays selected
      const std::wstring selected = rows->rows[rows->selection].get_path();
      refresh();
      if (!rows) return;
      for (std::size_t i = 0; i < rows->rows.size(); ++i)
        if (rows->rows[i].is_at(selected)) rows->selection = static_cast<unsigned>(i);
      return;
    }
    // the selected row's entry was deleted
    if (what != "removed") return;
    rows->erase(rows->selection);
    owner->tags_dirty = !rows->rows.empty();
    if (rows->rows.empty()) {
      rows.reset();
      tag_list.reset();
      tag_buttons.clear();
      tag_names.clear();
      return;
    }
  }
  if (owner->tags_dirty || !rows->rows[rows->selection].is_at(shown)) build_tag_list();
  if (!tag_list) return;
  tag_list->update(list_width + 20, 10, clip);
  for (std::size_t i = 0; i < tag_buttons.size(); ++i) {
    if (!tag_buttons[i]->state.clicked) continue;
    owner->unlink_tag(shown, tag_names[i]);
    owner->tags_dirty = true;
  }
}

void p_directory::build_tag_list() {
  shown = rows->rows[rows->selection].get_path();
  tag_list.reset();
  tag_buttons.clear();
  tag_names.clear();
  ui::embed::pending children;
  ui::embed::add_text_br(children, path_text(L"", shown, W / 3, W / 3));
  ui::embed::add_text_br(children, ui::text::text_from_chars("<タグリスト>"));
  std::list<std::wstring> tags;
  owner->tags_of(shown, tags);
  const ui::embed::step next = ui::detail::embed::append::get();
  for (auto it = tags.begin(); it != tags.end(); ++it) {
    tag_buttons.push_back(ui::embed::add_button(ui::button<>(*it, 0, 5), next, children));
    tag_names.push_back(*it);
    if (std::next(it) != tags.end()) ui::embed::add_text(next, children, ui::text(std::wstring(L", ")));
  }
  tag_list.reset(new ui::frame<ui::embed>({10, 10, 10, 10}, ui::embed(children, W / 3, 1)));
  owner->tags_dirty = false;
}

void p_directory::run_child(gprocess& child) {
  std::list<p_directory*>& screens = run_child_screens();
  screens.push_back(this);
  // the list is back to its length when the loop ends, also through a throw
  struct leave {
    std::list<p_directory*>& screens;
    ~leave() { screens.pop_back(); }
  } on_return{screens};
  gprocess::run(child, [&screens] {
    for (p_directory* screen : screens) screen->draw();
  });
}

}  // namespace tool::zentil
