// Every global state record of the software renderer, with the full reset.
#include "media/softrender/internal.hpp"

#include <cstring>

namespace media::soft {

// ---- processor seam ----
SOFTSTATE soft_state{};

void set_mmx_enabled(int on) { soft_state.mmx = on != 0; }
int mmx_enabled() { return soft_state.mmx; }
// ---- end processor seam ----

// ---- loop choice ----
LOOPSTATE loop_state{};
// ---- end loop choice ----

// ---- blend tables ----
MEMIMG_BLENDTABLES blend_tables{};
// ---- end blend tables ----

void reset_state()
{
    soft_state = SOFTSTATE{};
    loop_state = LOOPSTATE{};
    // cleared in place: the tables are too large for a temporary
    std::memset(&blend_tables, 0, sizeof blend_tables);
}

}  // namespace media::soft
