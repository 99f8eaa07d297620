// The software renderer's drawing adapters (the drawing operations hand
// their work to the memory-image routines through them), the draw-screen
// lock, and the copies and fills of graph images.
#pragma once

#include <cstdint>

#include "media/softrender/triangle.hpp"

struct GRAPHREC;
struct IMGBUF;
struct RECT;

// Each draws into the drawing state's target image with its blend image;
// all return 0. Corners of the quadrangles: top-left, top-right,
// bottom-left, bottom-right, each an x and a y.
int SoftDrawGraph(int transparency, int y, int x, GRAPHREC* graph);
int SoftDrawGraphStretched(int x1, int y1, int x2, int y2, GRAPHREC* graph, int transparency);
int SoftDrawGraphQuad(GRAPHREC* graph, const std::int32_t corners[8], int transparency);
// Top-left, top-right, bottom-right, bottom-left, each truncated.
int SoftDrawGraphQuadF(const float corners[8], GRAPHREC* graph, int transparency);
int SoftFillBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int SoftDrawOutlineBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
int SoftDrawQuadrangle(const std::int32_t corners[8], std::uint32_t colour, int fill);

// CPU access to the rectangle of the draw target (right and bottom
// exclusive, inside the target): description filled, 0; else -1.
int LockDrawScreen(const RECT* rect, IMGBUF* description);
// 0.
int UnlockDrawScreen();
// Copies the rectangle of the draw target into a graph of exactly its size:
// 0, or -1 (nothing copied) for a bad handle, a rectangle outside the target
// or a graph of another size.
int CopyScreenRectToGraph(int x1, int y1, int x2, int y2, int graph);
// Fills the graph with the colour (channels clamped to 0..255; alpha not
// used) under the current blend and draw area: 0, or -1 for a bad handle.
int FillGraphColor(int graph, int red, int green, int blue, int alpha);

namespace media::gfx {

// The two triangles a quadrangle is drawn as, (P0, P1, P2) and (P1, P2, P3),
// textured from a source of the size (0 for none).
void quad_triangles(const std::int32_t corners[8], int width, int height, MEMIMG_VERTEX out[2][3]);

}  // namespace media::gfx
