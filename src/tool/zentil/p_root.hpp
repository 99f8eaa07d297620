// The two processes that frame the application: the start-up process, which
// names the window, starts the media layer and lets the window take dropped
// files, and the root process, which holds the directory screen on the root
// folder for the whole run and picks the wallpaper.
#pragma once

#include <string>

#include "tool/zentil/gprocess.hpp"
#include "tool/zentil/p_directory.hpp"
#include "ui/texture.hpp"

namespace tool::zentil {

class shared;

// The folder under the current folder the wallpaper is picked from.
extern const char* const wallpaper_folder;

// Built first and destroyed last; never run in a frame loop. Throws what
// dx::windows::initialize throws.
class p_init : public gprocess {
 public:
  p_init();
  ~p_init() override;

  void draw() override;
  void update() override;
};

// Its own finished bit is never set: the run ends when the window closes.
class p_root : public gprocess {
 public:
  // The directory screen on the root folder (std::out_of_range "directory
  // doen't exist." without one), then the wallpaper, stretched to the screen.
  explicit p_root(shared& owner);
  ~p_root() override;

  void draw() override;
  void update() override;

  // A random entry of the wallpaper folder (a full narrow path), or empty
  // when it has none or cannot be listed.
  static std::string pick_wallpaper();

  p_directory screen;
};

// Loads the picture at path into the widget through the texture cache and
// sizes the widget to it (0 x 0 without one): true when it loaded.
bool load_texture_file(ui::xtexture& widget, const std::string& path);

}  // namespace tool::zentil
