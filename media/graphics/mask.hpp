// The mask screen and mask handles. Nothing asks for a mask screen, so the
// mask never becomes active and no mask handle is ever made.
#pragma once

#include "media/core/math.hpp"

// -1: no mask handle exists.
int DeleteMaskHandle(int handle);
int DeleteAllMaskHandles();
int GetMaskEnabled();
// -1: there are no mask bits to enable; nothing changes.
int SetMaskEnabled(int flag);
int MakeMaskScreen(int flag);
int ReleaseMaskScreen();
int RestoreMaskScreen();
int TerminateMaskScreen();
// The hooks around each drawing call; they do nothing while the mask is off.
int BeginMaskedDraw(const RECT* rect);
int EndMaskedDraw(const RECT* rect);
