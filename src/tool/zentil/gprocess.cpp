// The frame loop of screen processes.
#include "tool/zentil/gprocess.hpp"

#include "media/core/window_services.hpp"
#include "media/graphics/present.hpp"
#include "ui/input.hpp"

namespace tool {

gprocess::~gprocess() = default;

void gprocess::run(gprocess& process) { run(process, std::function<void()>()); }

void gprocess::run(gprocess& process, const std::function<void()>& underneath) {
  // The update of a frame sees the input polled just before its draw.
  while (ui::input::update()) {
    ClearDrawTarget();
    if (underneath) underneath();
    process.draw();
    FlipDrawScreen();
    process.update();
    // Dropped names are offered to this frame's update only.
    ClearDroppedFiles();
    if (process.flags & finished) return;
  }
}

}  // namespace tool
