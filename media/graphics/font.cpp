// Font handles and the font system. No font exists yet: nothing to start,
// reset or end.
#include "media/graphics/font.hpp"

int StartFontSystem()
{
    return 0;
}

int ResetFontSystem()
{
    return 0;
}

int EndFontSystem()
{
    return 0;
}
