// Records the media core's files share, and the reset of its global state.
#pragma once

#include <cstdint>

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

// ---- random numbers (random.cpp) ----

struct RANDOMSTATE {
    std::uint32_t state[625];    // the 624 words and a spare holding the new word 0 during a block step
    std::uint32_t next_index;    // the next unread output; 0 after a block step
    std::uint32_t outputs[624];  // tempered outputs of the last block step
    std::int32_t seeded;
    std::int32_t mmx;            // 1: the block step runs two words at a time
};

extern RANDOMSTATE random_state;

// ---- end random numbers ----

}  // namespace media::core
