// Frame clear, flip and present. The screen image does not exist yet, so a
// flip of a running layer shows nothing.
#include "media/graphics/present.hpp"

#include "media/core/internal.hpp"

int FlipDrawScreen()
{
    const media::core::WINDOW_STATE& ws = media::core::window_state;
    if (ws.started == 0 || ws.quit != 0)
        return -1;
    return 0;
}

int PaintInactiveWindowPicture()
{
    return -1;
}

// The front screen's flip comes with the flip itself; the timer only runs.
void FrontScreenTimerProc(HWINDOW, std::uint32_t, WPARAM, std::uint32_t)
{
}
