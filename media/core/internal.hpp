// Records the media core's files share, and the reset of its global state.
#pragma once

namespace media::core {

// Puts every global state record of the media core back to its state at
// process start (tests call it between cases).
void reset_state();

}  // namespace media::core
