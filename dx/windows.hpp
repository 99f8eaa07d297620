// Start-up of the media layer with this tool's settings, the default font
// taken from a toolkit font description, and the window title.
#pragma once

#include <string>
#include <vector>

#include "ui/font.hpp"

namespace dx {
namespace windows {

// Starts the media layer once: running while inactive, floating-point
// precision kept, no log file, windowed 800 x 600 at 32 bits and 60 Hz, the
// back screen as draw target, the random sequence seeded with the time and
// the default font from ui::default_font_spec(). Throws std::out_of_range
// "dx/windows/initialize: dx already initialized" on any call after the
// first (also after a failed one) and "dx/windows/initialize: dx
// initialization failure" when the media layer does not start.
void initialize();

// Makes spec the media layer's default font (type, size, thickness, then
// face with character set) and stores it in ui::default_font_spec().
void apply_font_spec(const ui::font_spec& spec);

// The window title: "MediaLayer" until the start-up process stores the
// caption it set.
std::string& title();

#ifdef ZENTIL_TEST_HOOKS
// The settings calls of the starts and font applications so far, in order
// ("SetRunWhenInactive 1", "SetDefaultFontFace meiryo 1", ...).
std::vector<std::string>& recorded_calls();
#endif

}  // namespace windows
}  // namespace dx
