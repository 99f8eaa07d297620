// The start-up and root processes, and the wallpaper's choice.
#include "tool/zentil/p_root.hpp"

#include <exception>
#include <vector>

#include "dx/windows.hpp"
#include "lib/basic_filesystem.hpp"
#include "media/core/window_services.hpp"
#include "plang/random.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"

namespace tool::zentil {

const char* const wallpaper_folder = "wallpaper";

namespace {
const char* const window_title = "zentil";
}  // namespace

p_init::p_init() {
  // the caption is the window's title and its class from creation on
  if (SetWindowCaption(window_title) == 0) dx::windows::title() = window_title;
  dx::windows::initialize();
  SetDropFilesAccepted(1);
}

p_init::~p_init() = default;
void p_init::draw() {}
void p_init::update() {}

p_root::p_root(shared& owner) : screen(owner, owner.root_folder, false) {
  load_texture_file(owner.wallpaper, pick_wallpaper());
  owner.wallpaper.set_size(ui::screen_width, ui::screen_height);
}

p_root::~p_root() = default;
void p_root::draw() { screen.draw(); }
void p_root::update() { screen.update(); }

std::string p_root::pick_wallpaper() {
  std::vector<std::string> entries;
  try {
    lib::basic_filesystem<char>::ls_into(wallpaper_folder, lib::basic_filesystem<char>::current_directory(),
                                         entries);
  } catch (const std::exception&) {
    // an unreadable folder is one without pictures: the run goes on without
    return {};
  }
  if (entries.empty()) return {};
  return entries[static_cast<std::size_t>(plang::next_random()) % entries.size()];
}

bool load_texture_file(ui::xtexture& widget, const std::string& path) {
  widget.image.release();
  widget.image.transparent = 1;
  bool loaded = false;
  int width = 0, height = 0;
  if (!path.empty()) {
    widget.image.load(path);
    if (const auto& image = widget.image.image()) {
      loaded = image->graph != -1;
      width = image->width;
      height = image->height;
    }
  }
  widget.set_size(width, height);
  return loaded;
}

}  // namespace tool::zentil
