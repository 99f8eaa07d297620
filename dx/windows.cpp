// Start-up of the media layer with this tool's settings and the default font.
#include "dx/windows.hpp"

#include <ctime>

#include "media/core/log.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/startup.hpp"
#include "media/system/startup.hpp"
#include "media/system/window.hpp"
#include "plang/random.hpp"
#include "ui/drawing.hpp"
#include "ui/error.hpp"

namespace dx {
namespace windows {

namespace {

// Set by the first start, kept when that start fails.
bool& started() {
  static bool flag = false;
  return flag;
}

#ifdef ZENTIL_TEST_HOOKS
void record(const std::string& call) { recorded_calls().push_back(call); }
#else
void record(const std::string&) {}
#endif

}  // namespace

#ifdef ZENTIL_TEST_HOOKS
std::vector<std::string>& recorded_calls() {
  static std::vector<std::string> calls;
  return calls;
}
#endif

std::string& title() {
  static std::string text = "MediaLayer";
  return text;
}

void initialize() {
  if (started()) ui::fail_out_of_range("dx/windows/initialize: dx already initialized");
  started() = true;
  record("SetRunWhenInactive 1");
  SetRunWhenInactive(1);
  record("EnableFpuPreserve 1");
  EnableFpuPreserve(1);
  record("SetLogOutputEnabled 0");
  SetLogOutputEnabled(0);
  record("ChangeWindowMode 1");
  ChangeWindowMode(1);
  record("SetScreenMode 800 600 32 60");
  SetScreenMode(ui::screen_width, ui::screen_height, 32, 60);
  // the device road draws nothing yet: the software renderer draws every frame
  record("ChooseDeviceRendering 0");
  ChooseDeviceRendering(0);
  record("InitMediaLayer");
  if (InitMediaLayer() < 0) ui::fail_out_of_range("dx/windows/initialize: dx initialization failure");
  record("SelectDrawTarget -2");
  SelectDrawTarget(-2);
  record("seed_random");
  plang::seed_random(static_cast<std::uint32_t>(std::time(nullptr)));
  apply_font_spec(ui::default_font_spec());
}

void apply_font_spec(const ui::font_spec& spec) {
  // spec may be ui::default_font_spec() itself: copy it before anything changes
  const ui::font_spec applied = spec;
  record("SetDefaultFontType " + std::to_string(applied.type));
  SetDefaultFontType(applied.type);
  record("SetDefaultFontSize " + std::to_string(applied.size));
  SetDefaultFontSize(applied.size);
  record("SetDefaultFontThickness " + std::to_string(applied.thickness));
  SetDefaultFontThickness(applied.thickness);
  record("SetDefaultFontFace " + applied.face + " " + std::to_string(applied.charset));
  SetDefaultFontFace(applied.face.c_str(), applied.charset);
  ui::default_font_spec() = applied;
}

}  // namespace windows
}  // namespace dx
