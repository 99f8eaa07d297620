// Drawing operations and the draw target.
#pragma once

#include <cstdint>

// A vertex of DrawPrimitiveVertices: colour bytes blue, green, red, alpha.
struct PRIMVERTEX {
    float x, y, u, v;
    std::uint32_t colour;
};

// Every operation returns 0 (also when it draws nothing by rule: the drawing
// lock, an empty draw area), or -1 for a bad graph handle or a blend graph
// that does not cover the graph. Colours are screen pixel values
// (PackScreenColor); coordinates are pixels of the draw target.

// The graph unscaled at (x, y); also -1 while the media layer is not running.
int DrawGraphAt(int x, int y, int graph, int transparency);
// The graph stretched into (x1, y1)-(x2, y2), right and bottom exclusive;
// x2 < x1 mirrors left to right, y2 < y1 top to bottom.
int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparency);
// The same with float corners, truncated.
int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int graph, int transparency);
// The graph onto a quadrangle: top-left, top-right, bottom-right,
// bottom-left, as two textured triangles of the software triangle fill
// (corners truncated; texels at the graph's width or height are outside, so
// the right and bottom corners' own row and column stay undrawn).
int DrawGraphOnQuadrangle(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                          int transparency);
// The graph mirrored left to right at (x, y).
int DrawGraphMirrored(int x, int y, int graph, int transparency);
// The rectangle (sx, sy, width, height) of the graph at (x, y), mirrored
// left to right with mirror 1; nothing outside the rectangle is touched.
int DrawGraphPart(int x, int y, int sx, int sy, int width, int height, int graph, int transparency, int mirror);
// Caller-built vertices: the device road's; the software renderer draws
// nothing. graph -5: untextured.
int DrawPrimitiveVertices(const PRIMVERTEX* vertices, int count, int type, int graph, int transparency, int uv_flag);
// Columns min(x1, x2) to max - 1, rows likewise.
int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
// The one-pixel border of the same box.
int DrawOutlineBox(int x1, int y1, int x2, int y2, std::uint32_t colour);
// DrawFilledBox when fill is not 0, else DrawOutlineBox.
int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill);
// From (x1, y1) to (x2, y2), the end point left out; thickness above 1 draws
// a quadrangle centred on the segment (DrawThickLine).
int DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness);
// The quadrangle of the given thickness around the segment, filled as two
// solid triangles; a segment of length 0 draws nothing.
int DrawThickLine(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness);

// Makes a draw-able graph, -2 (back screen) or -4 (front screen) the draw
// target (-3 and -5 act as -2): 0, or -1 before graphics start, for a graph
// that is not draw-able (a blend image) or another value.
int SelectDrawTarget(int target);

namespace media::gfx {

// The corners of a thick line: (x1, y1) and (x2, y2), each moved by the
// normal of half the thickness to one side and then the other, truncated:
// x, y of four corners in the order of a quadrangle. False for a segment of
// length 0, which has no normal.
bool thick_line_corners(int x1, int y1, int x2, int y2, int thickness, std::int32_t out[8]);

}  // namespace media::gfx
