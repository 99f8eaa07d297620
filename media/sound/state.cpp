// Every global state record of the sound folder, with the full reset.
#include "media/sound/internal.hpp"

namespace media::snd {

// ---- YUV to RGB tables ----
YUVTABLES yuv_tables{};
// ---- end YUV to RGB tables ----

void reset_state()
{
    // ---- YUV to RGB tables ----
    yuv_tables = YUVTABLES{};
    // ---- end YUV to RGB tables ----
}

}  // namespace media::snd
