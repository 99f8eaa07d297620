// Every global state record of the media core, with the full reset.
#include "media/core/internal.hpp"

namespace media::core {

// ---- maths ----
projection_state projection;
// ---- end of maths ----

// ---- random numbers ----

RANDOMSTATE random_state{};

namespace {

void reset_random()
{
    random_state = RANDOMSTATE{};
}

}  // namespace

// ---- end random numbers ----

void reset_state()
{
    // ---- maths ----
    projection = projection_state{};
    // ---- end of maths ----
    reset_random();
}

}  // namespace media::core
