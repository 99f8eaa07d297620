// Screen modes and the restore of the display after it was lost.
#include "media/graphics/screen_mode.hpp"

#include "media/core/internal.hpp"
#include "media/graphics/internal.hpp"

int SetScreenMode(int width, int height, int bits, int refresh)
{
    if (media::core::window_state.started != 0)
        return -1;
    media::gfx::screen_mode = {width, height, bits, refresh};
    return 0;
}

int RestoreGraphicsDevice()
{
    return 0;
}
