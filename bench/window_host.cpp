// The anchor of tool_startup_bench: the least a program with a window does up
// to its first frame on the platform layer, and nothing of the media layer or
// the tool: the backend started, an 800 x 600 window, its display object, one
// black frame presented, then events until the close (a headless scenario's,
// or SIGTERM's). The backend is the one ZENTIL_PLATFORM names; its presents
// are stamped as the tool's are (ZENTIL_PRESENT_STAMPS).
//
//   window_host    status 0 after the close, 1 when a step failed
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/platform.hpp"

int main() {
  platform::window_spec spec;
  spec.title = L"window_host";
  spec.width = 800;
  spec.height = 600;
  // as the program's window on the software road: no OpenGL context
  spec.for_device = false;
  if (platform::video_start() < 0 || platform::create_window(spec) < 0 || platform::open_display() < 0) {
    std::fprintf(stderr, "window_host: %s\n", platform::error());
    return 1;
  }
  const std::vector<std::uint32_t> black(800 * 600, 0);
  platform::pixel_view view;
  view.pixels = black.data();
  view.width = 800;
  view.height = 600;
  view.pitch = 800 * 4;
  view.bits = 32;
  view.red_mask = 0xFF0000;
  view.green_mask = 0xFF00;
  view.blue_mask = 0xFF;
  const platform::rect whole = {0, 0, 800, 600};
  if (platform::present(view, whole, whole) < 0) {
    std::fprintf(stderr, "window_host: %s\n", platform::error());
    return 1;
  }
  for (;;) {
    platform::event e;
    while (platform::pump_event(e) == 1)
      if (e.kind == platform::event_kind::close) return 0;
    platform::sleep(1);
  }
}
