// The on-screen log: up to 80 lines drawn over the picture at flip time.
#pragma once

// Line height 16, the 80 lines cleared, the log hidden; its font is made when
// the log is first drawn. Returns 0.
int StartScreenLog();
// 1 while the on-screen log is shown; nothing in the layer shows it.
int IsScreenLogShown();
// The log font (size 16, thickness 4): its handle, made on first use (and
// again after it was lost), or -1.
int CreateScreenLogFont();
// Draws the lines that fit the screen's height, line k at (0, 16 x k), white
// with a black edge, over the whole screen without blending; the draw area,
// blend mode and draw bright are kept. 0, or -1 without a font.
int DrawScreenLog();
// Deletes the log font unless it was lost, and forgets it; 0.
int EndScreenLog();
