// The rows' icons: the shell layer's pictures as graphs, one per kind, made
// on first use and drawn into the current draw target with their alpha.
#pragma once

#include "platform/shell/shell.hpp"

namespace tool::zentil {

// Draws the icon with its top-left corner at (x, y), clipped to the draw
// area. Nothing is drawn when no graph can be made (graphics not started).
void draw_row_icon(const platform::shell::icon& icon, int x, int y);

}  // namespace tool::zentil
