// Screen modes and the restore of the display after it was lost.
#pragma once

// Before the media layer runs, stores the four values and returns 0. Changing
// the mode of a running layer is not available yet: -1.
int SetScreenMode(int width, int height, int bits, int refresh);
// Re-creates the display after it was lost; 0.
int RestoreGraphicsDevice();

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
