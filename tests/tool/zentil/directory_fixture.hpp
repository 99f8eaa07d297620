// The directory screen tests' fixture: the application object in a fresh
// working folder whose "extension.hpp" opens the path "main" is given, with
// entries made under "root" by the test; a screen's frames run by the driver;
// what a frame drew read from the string record and the presented pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app_fixture.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/string_draw.hpp"
#include "tool/zentil/p_directory.hpp"
#include "ui/drawing.hpp"

namespace zentil_test {

// "main" hands its path to "open".
inline const std::string open_script = "process main(string path) { using::open(path); }\n";

class directory_test : public app_test {
 protected:
  using drawn = media::gfx::drawn_string;

  directory_test() : app_test(open_script) {}
  void SetUp() override {
    app_test::SetUp();
    app = std::make_unique<tool::zentil::shared>();
    media::gfx::clear_drawn_strings();
  }

  const std::wstring& root() const { return app->root_folder; }
  // Entries under "root", folders on the way made as needed.
  void file(const std::string& relative, const std::string& bytes = "") const {
    dir_.file("root/" + relative, bytes);
  }
  void folder(const std::string& relative) const { dir_.folder("root/" + relative); }
  std::string at(const std::string& relative) const { return dir_.at("root/" + relative); }
  std::wstring wat(const std::wstring& relative) const { return root() + L"/" + relative; }

  std::unique_ptr<tool::zentil::p_directory> screen_on(const std::wstring& path) {
    return std::make_unique<tool::zentil::p_directory>(*app, path, false);
  }
  std::unique_ptr<tool::zentil::p_directory> search_for(const std::wstring& query) {
    return std::make_unique<tool::zentil::p_directory>(*app, query, true);
  }

  // Frames of the screen as its loop runs them until the queued steps are
  // taken, then extra more.
  void run(tool::zentil::p_directory& s, int extra = 1) {
    drive.run([&s] { s.draw(); }, [&s] { s.update(); }, extra);
  }
  // One frame: update (so that the tag list is built), then a draw alone,
  // presented, with the string record holding only that draw.
  void show(tool::zentil::p_directory& s) {
    support::driver::frame([&s] { s.draw(); }, [&s] { s.update(); });
    media::gfx::clear_drawn_strings();
    ClearDrawTarget();
    s.draw();
    FlipDrawScreen();
  }

  // The strings of the record with this text, in drawing order.
  static std::vector<drawn> strings(const std::string& text) {
    std::vector<drawn> found;
    for (const drawn& d : media::gfx::drawn_strings())
      if (d.text == text) found.push_back(d);
    return found;
  }
  // The place of the one string drawn with this text; (-1, -1) when it was
  // not drawn exactly once.
  static std::pair<int, int> place_of(const std::string& text) {
    const std::vector<drawn> found = strings(text);
    return found.size() == 1 ? std::make_pair(found[0].x, found[0].y) : std::make_pair(-1, -1);
  }
  // The texts drawn at this y, in drawing order.
  static std::vector<std::string> texts_at_y(int y) {
    std::vector<std::string> found;
    for (const drawn& d : media::gfx::drawn_strings())
      if (d.y == y) found.push_back(d.text);
    return found;
  }

  // The record cut into frames: a screen draws its title (at (20, 570)) last.
  static std::vector<std::vector<drawn>> frames_drawn() {
    std::vector<std::vector<drawn>> frames(1);
    for (const drawn& d : media::gfx::drawn_strings()) {
      frames.back().push_back(d);
      if (d.x == 20 && d.y == 570) frames.emplace_back();
    }
    frames.pop_back();
    return frames;
  }
  // The title of each run of frames with the same title, in order.
  static std::vector<std::string> title_runs() {
    std::vector<std::string> runs;
    for (const std::vector<drawn>& f : frames_drawn())
      if (runs.empty() || runs.back() != f.back().text) runs.push_back(f.back().text);
    return runs;
  }
  // The row names of a frame (at x = 20, y = 62 + 93 k), top to bottom.
  static std::vector<std::string> row_names_of(const std::vector<drawn>& frame) {
    std::vector<std::string> names;
    for (const drawn& d : frame)
      if (d.x == 20 && d.y < 484 && d.y >= 62 && (d.y - 62) % 93 == 0) names.push_back(d.text);
    return names;
  }

  // A pixel of the last presented frame as 0xRRGGBB.
  static std::uint32_t frame_pixel(int x, int y) {
    const platform::headless::presented_frame& f = platform::headless::frame();
    std::uint32_t v = 0;
    std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
    return v & 0xFFFFFF;
  }
  static std::uint32_t grey(int v) { return static_cast<std::uint32_t>(v) * 0x010101u; }
};

}  // namespace zentil_test
