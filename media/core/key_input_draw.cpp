// Drawing of key-input fields and of the input method's composition: text
// and boxes wrap from the draw area's right edge to its left edge a line
// lower, the field scrolls to keep its cursor shown.
#include "media/core/internal.hpp"

namespace media::core {

int line_spacing(int size)
{
    return size + (size / 10) * 3;
}

namespace {

// The strip's start for (x, y): inside the area's top-left corner, and a
// line lower per area width while it lies right of the area.
STRIPPOINT strip_start(const RECT& area, int x, int y, int spacing)
{
    const int width = area.right - area.left;
    STRIPPOINT p{x > area.left ? x : area.left, y > area.top ? y : area.top};
    while (p.x >= area.right && p.y < area.bottom) {
        p.x -= width;
        p.y += spacing;
    }
    return p;
}

}  // namespace

std::vector<STRIPPOINT> strip_origins(const RECT& area, int x, int y, int width, int spacing)
{
    std::vector<STRIPPOINT> out;
    const int area_width = area.right - area.left;
    if (area_width <= 0 || area.bottom <= area.top)
        return out;
    STRIPPOINT p = strip_start(area, x, y, spacing);
    if (spacing <= 0)
        spacing = 1;  // each repeat still goes down, so the loop ends
    for (;;) {
        if (p.y >= area.bottom)
            break;
        out.push_back(p);
        if (static_cast<long long>(p.x) + width <= area.right)
            break;
        p.x -= area_width;
        p.y += spacing;
    }
    return out;
}

int strip_room(const RECT& area, int x, int y, int spacing)
{
    const int area_width = area.right - area.left;
    if (area_width <= 0 || spacing <= 0)
        return 0;
    const STRIPPOINT p = strip_start(area, x, y, spacing);
    const int lines = (area.bottom - p.y) / spacing;
    int room = area.right - p.x;
    if (lines > 0)
        room += area_width * (lines - 1);
    return room;
}

}  // namespace media::core
