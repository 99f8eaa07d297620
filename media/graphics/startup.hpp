// Graphics start-up and shut-down, and the queries of the screen.
#pragma once

struct MEMIMG;

// The screen size (640 x 480 while unset); either pointer may be null. Returns 0.
int QueryScreenSize(int* width, int* height);
// The screen's colour bits (16 while unset).
int QueryColorBitDepth();
// 1 when the window-mode flag is off.
int IsFullScreen();

// Brings the display up: 0 (also when already up), or -1 when none could be
// set up (everything made so far is released again).
int StartGraphics();
// Releases what StartGraphics made; 0.
int ShutdownGraphics();

// The device road: the library, the display object, then the device or the
// software renderer, and in full screen the display mode. 0 or -1.
int SetUpDisplayDevice();
// The display object; the device objects are device.hpp's.
int CreateDirectDrawObject();
// The screen image and the two work images of the software renderer; ends the
// process when the screen image cannot be made. 0.
int CreateSoftwareScreenImages();
// Releases the device objects and the display object; 0.
int ReleaseGraphicsDevice();

// 1 asks for the device renderer (the default), 0 for the software renderer:
// 0, or -1 once the media layer runs.
int ChooseDeviceRendering(int flag);
int IsDeviceRenderingChosen();
// 1 while the device renderer runs, 0 on the software renderer.
int IsDeviceInUse();

// Deletes every live graph (graph.cpp); nothing before graphics start. 0.
int DeleteAllGraphs(int flag);

// Zeroes the record and makes a screen-format image of the size (format
// index -1: 1, or 0 on a 16-bit screen): the result of CreateMemImg.
int CreateScreenMemImg(MEMIMG* image, int width, int height, int format_index);
