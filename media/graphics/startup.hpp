// Graphics start-up and shut-down, and the queries of the screen.
#pragma once

// The screen size (640 x 480 while unset); either pointer may be null. Returns 0.
int QueryScreenSize(int* width, int* height);
// The screen's colour bits (16 while unset).
int QueryColorBitDepth();

// Brings the display up: 0, or -1 when none could be set up.
int StartGraphics();
// Releases what StartGraphics made; 0.
int ShutdownGraphics();
