// Ogg Theora movies decoded by a thread of their own.
#pragma once

struct THEORADECODER;

// Converts the current frame to RGB and/or the YUV surface: non-zero when a
// frame was converted, 0 when there was nothing to do.
int ConvertTheoraFrame(THEORADECODER* decoder, int to_rgb, int to_surface);
// The decoder's YUV surface, or null.
void* GetTheoraYuvSurface(THEORADECODER* decoder);
