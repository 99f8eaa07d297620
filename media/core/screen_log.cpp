// The on-screen log's record; drawing it comes with the key-input drawing.
#include "media/core/screen_log.hpp"

#include "media/core/internal.hpp"

using media::core::screen_log;

int StartScreenLog()
{
    screen_log = media::core::SCREENLOG{};
    screen_log.started = 1;
    screen_log.line_height = 16;
    screen_log.font = -1;
    return 0;
}

int IsScreenLogShown()
{
    return screen_log.shown;
}
