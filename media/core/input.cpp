// Input devices. The devices themselves come later; the window and the pump
// call these entry points already.
#include "media/core/input.hpp"

int ReacquireInputDevices()
{
    return 0;
}

int ApplyJoypadEffects()
{
    return 0;
}

int RefreshKeyboardState()
{
    return 0;
}

int ProcessJoypadVibration()
{
    return 0;
}

void SetMessageFlag1135() {}
void ClearMessageFlag1135() {}
void SetMessageFlag1136() {}
void ClearMessageFlag1136() {}

int StartInput()
{
    return 0;
}

int ShutdownDirectInput()
{
    return 0;
}
