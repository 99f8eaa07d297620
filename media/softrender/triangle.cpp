// The triangle fill of memory images; a stand-in that draws nothing until
// the rasteriser exists.
#include "media/softrender/triangle.hpp"

void DrawMemImgTriangle(MEMIMG*, MEMIMG*, const MEMIMG_VERTEX*, int, MEMIMG*, std::uint32_t)
{
}
