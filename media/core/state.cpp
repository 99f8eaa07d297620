// Every global state record of the media core, with the full reset.
#include "media/core/internal.hpp"

namespace media::core {

// ---- maths ----
projection_state projection;
// ---- end of maths ----

void reset_state()
{
    // ---- maths ----
    projection = projection_state{};
    // ---- end of maths ----
}

}  // namespace media::core
