// Screen modes and the restore of the display after it was lost.
#pragma once

// Before the media layer runs, stores the four values and returns 0. While
// it runs, changes the mode (ChangeScreenMode): 0 when the mode is now as
// asked, -2 when it ended in the last resort 640 x 480 x 16 at the default
// refresh, -1 for a width or height of 0, bits other than 8, 16 and 32, or
// any other outcome.
int SetScreenMode(int width, int height, int bits, int refresh);
// Restarts the graphics at a new mode (-1 in a field keeps the current
// value); window_switch 1 comes from the switch between window and full
// screen. Falls back to 640 x 480 for 320 x 240, then to the old mode, then
// to 640 x 480 x 16; when nothing starts the process ends. 0.
int ChangeScreenMode(int width, int height, int bits, int window_switch, int refresh);
// Re-creates the display after it was lost (RecreateGraphicsDevice(0, ...));
// outside started graphics nothing changes. 0.
int RestoreGraphicsDevice();
// Sets the display device up again: mode_flag 1 at the mode given first,
// 0 after a loss, which ends the input devices (the next key read starts
// them again). 0.
int RecreateGraphicsDevice(int mode_flag, int width, int height, int bits, int refresh);

// The screen as the program sees it: 320 x 240 in the emulation, else the
// screen size; any pointer may be null. 0.
int GetLogicalScreenState(int* width, int* height, int* bits);
// Installs the callback run after the display was re-made; null installs
// the reload of graphs from their files. 0.
int SetGraphicsRestoreCallback(void (*callback)());
int HasGraphicsRestoreCallback();

// One entry of the display-mode list.
struct DISPLAYMODEDATA {
    int width, height, bits, refresh;
};
// The display-mode list, made on first use: its length; an entry (-1 in all
// four fields, and -1, for an index outside the list, else 0); whether a mode
// of that size and depth is listed (1 or 0).
int CountDisplayModes();
int QueryDisplayMode(DISPLAYMODEDATA* out, int index);
int IsDisplayModeListed(int width, int height, int bits);
