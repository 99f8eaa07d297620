// Records the media core's files share, and the reset of its global state.
#pragma once

namespace media::core {

// Puts every global state record of the media core back to its state at
// process start (tests call it between cases).
void reset_state();

// ---- maths ----
// The screen size the projection builders take a negative aspect from; the
// graphics layer sets it with each screen mode.
struct projection_state {
    int screen_width = 640;
    int screen_height = 480;
};
extern projection_state projection;
// ---- end of maths ----

}  // namespace media::core
