// Graphics start-up and shut-down, and the queries of the screen.
#include "media/graphics/startup.hpp"

#include "media/graphics/internal.hpp"

using media::gfx::screen_mode;

int QueryScreenSize(int* width, int* height)
{
    if (width != nullptr)
        *width = screen_mode.width != 0 ? screen_mode.width : 640;
    if (height != nullptr)
        *height = screen_mode.height != 0 ? screen_mode.height : 480;
    return 0;
}

int QueryColorBitDepth()
{
    return screen_mode.bits != 0 ? screen_mode.bits : 16;
}

// The screen image and the renderer come with their own change; until then
// there is nothing to start or end.
int StartGraphics()
{
    return 0;
}

int ShutdownGraphics()
{
    return 0;
}
