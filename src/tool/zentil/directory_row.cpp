// The directory screen's rows: an entry's icon and name, and for the
// selected folder the shared "Add", tag form and "Derive".
#include <string>
#include <system_error>
#include <utility>

#include "media/graphics/drawstate.hpp"
#include "platform/fs/filesystem.hpp"
#include "tool/zentil/name_order.hpp"
#include "tool/zentil/p_directory.hpp"
#include "tool/zentil/row_icon.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace tool::zentil {
namespace {

constexpr unsigned key_enter = 28, key_delete = 211;

// What the entry is now. An entry that cannot be asked about (a loop of
// links, a name too long, an I/O error) counts as missing: it is drawn as a
// broken link and ignores input, where a throw from a draw would end the
// program each time the folder is shown.
platform::fs::entry_kind status_of(const std::wstring& path) {
  std::error_code ec;
  return platform::fs::status(path, ec);
}

}  // namespace

p_directory::path::path(int width, int height, shared* owner, const std::wstring& where)
    : ui::widget(width, height), owner_(owner), path_(where) {
  take_kind(status_of(path_));
}

p_directory::path::path(int width, int height, shared* owner, std::wstring where, platform::fs::entry_kind kind)
    : ui::widget(width, height), owner_(owner), path_(std::move(where)) {
  take_kind(kind);
}

void p_directory::path::take_kind(platform::fs::entry_kind kind) {
  if (kind == platform::fs::entry_kind::missing) return;
  named_ = true;
  // the kind already known chooses the icon; no second status request
  icon = &platform::shell::current().icon_of(
      path_, kind == platform::fs::entry_kind::folder ? platform::shell::icon_kind::folder
                                                     : platform::shell::icon_kind::file);
}

void p_directory::path::draw_row(int x, int y, bool selected) {
  const int grey = selected ? 52 : 16;
  ui::draw_frame_box({x, y, x + width, y + height}, static_cast<int>(PackScreenColor(grey, grey, grey)));
  const platform::fs::entry_kind kind = status_of(path_);
  if (kind == platform::fs::entry_kind::missing) return;
  if (icon) draw_row_icon(*icon, x + 10, y + 10);
  if (named_ && !name)
    name.reset(new ui::text(ui::text::text_fit(std::wstring(name_of(path_)), static_cast<unsigned>(width))));
  if (name) name->draw(x + 10, y + 52);
  if (kind == platform::fs::entry_kind::folder && selected) {
    owner_->button_add.draw(x + 52, y + 10);
    owner_->form_tag.draw(x + 62 + owner_->button_add.width, y + 10);
    owner_->button_derive.draw(x + 52, y + 12 + owner_->button_add.height);
  }
}

void p_directory::path::update_row(int x, int y, const ui::rect& clip) {
  const platform::fs::entry_kind kind = status_of(path_);
  if (kind == platform::fs::entry_kind::missing) return;
  const bool folder = kind == platform::fs::entry_kind::folder;
  if (folder) {
    owner_->button_add.update(x + 52, y + 10, clip);
    owner_->form_tag.update(x + 62 + owner_->button_add.width, y + 10, clip);
    owner_->button_derive.update(x + 52, y + 12 + owner_->button_add.height, clip);
    if (owner_->button_add.state.clicked) {
      const std::wstring tag = owner_->form_tag.child().get_wtext();
      if (!tag.empty()) {
        owner_->link_tag(path_, tag);
        owner_->tags_dirty = true;
      }
    } else if (owner_->button_derive.state.clicked) {
      owner_->inherit_ancestor_tags(path_);
      owner_->tags_dirty = true;
    }
  }
  if (ui::input::key_pressed(key_enter)) {
    const std::wstring where = path_;
    if (folder) {
      p_directory nested(*owner_, where, false);
      gprocess::run(nested);
    } else {
      owner_->run_main(where);
    }
  } else if (ui::input::key_pressed(key_delete)) {
    // asked and confirmed by the shell, which tells a failure itself; the
    // screen drops the row of an entry that is gone, and reads the folder
    // again when the entry stays (a delete that stopped part-way changed it)
    const int removed = platform::shell::current().remove(path_);
    if (status_of(path_) != platform::fs::entry_kind::missing) {
      if (removed != 0) throw std::string("changed");
    } else if (removed == 0) {
      throw std::string("removed");
    }
  }
}

}  // namespace tool::zentil
