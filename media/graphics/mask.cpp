// The mask screen, inert: its wanted flag is only ever cleared, so no mask
// bits, mask image or mask handle exist.
#include "media/graphics/mask.hpp"

#include "media/graphics/internal.hpp"

using media::gfx::mask_state;

int DeleteMaskHandle(int)
{
    return -1;
}

int DeleteAllMaskHandles()
{
    return 0;
}

int GetMaskEnabled()
{
    return mask_state.requested_on;
}

int SetMaskEnabled(int)
{
    return -1;
}

int MakeMaskScreen(int)
{
    return 0;
}

int ReleaseMaskScreen()
{
    return 0;
}

int RestoreMaskScreen()
{
    MakeMaskScreen(mask_state.wanted);
    if (mask_state.requested_on != 0)
        SetMaskEnabled(1);
    return 0;
}

int TerminateMaskScreen()
{
    if (mask_state.requested_on != 0)
        SetMaskEnabled(0);
    ReleaseMaskScreen();
    mask_state.wanted = 0;
    mask_state.active = 0;
    return 0;
}

int BeginMaskedDraw(const RECT*)
{
    return 0;
}

int EndMaskedDraw(const RECT*)
{
    return 0;
}
