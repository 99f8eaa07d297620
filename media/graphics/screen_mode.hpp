// Screen modes and the restore of the display after it was lost.
#pragma once

// Before the media layer runs, stores the four values and returns 0. Changing
// the mode of a running layer is not available yet: -1.
int SetScreenMode(int width, int height, int bits, int refresh);
// Re-creates the display after it was lost; 0.
int RestoreGraphicsDevice();
