// Every global state record of the software renderer, with the full reset.
#include "media/softrender/internal.hpp"

namespace media::soft {

// ---- processor seam ----
SOFTSTATE soft_state{};

void set_mmx_enabled(int on) { soft_state.mmx = on != 0; }
int mmx_enabled() { return soft_state.mmx; }
// ---- end processor seam ----

void reset_state()
{
    soft_state = SOFTSTATE{};
}

}  // namespace media::soft
