// The frames' colour.
#include "ui/frame.hpp"

#include "media/graphics/drawstate.hpp"

namespace ui {

int frame_colour() { return static_cast<int>(PackScreenColor(52, 52, 52)); }

}  // namespace ui
