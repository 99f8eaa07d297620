// The scaled and mirrored blit: a whole memory image drawn into a rectangle
// by nearest-pixel sampling with 16.16 steps.
#pragma once

#include "media/softrender/memimg.hpp"

// Draws src into rect (right and bottom exclusive) of dst; x2 < x1 mirrors
// left to right, y2 < y1 top to bottom. A rectangle of the source's size,
// not mirrored, is drawn by BlitMemImg. Draws nothing for an empty
// rectangle, the refusals of BlitMemImg, a coordinate outside -32767..32767,
// a side or source size of 32768 or more.
void BlitMemImgScaled(MEMIMG* dst, MEMIMG* src, const RECT* rect, int transparency, MEMIMG* blend);
