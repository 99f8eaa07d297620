// Drawing of key-input fields: the strip geometry that wraps text and boxes
// from the draw area's right edge to its left edge.
#include <gtest/gtest.h>

#include <vector>

#include "media/core/internal.hpp"

namespace media::core {

bool operator==(const STRIPPOINT& a, const STRIPPOINT& b)
{
    return a.x == b.x && a.y == b.y;
}

void PrintTo(const STRIPPOINT& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}

}  // namespace media::core

namespace {

using media::core::STRIPPOINT;

TEST(KeyInputGeometry, LineSpacing)
{
    const int cases[][2] = {{20, 26}, {16, 19}, {9, 9}, {10, 13}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(media::core::line_spacing(c[0]), c[1]) << c[0];
}

TEST(KeyInputGeometry, StripOrigins)
{
    const RECT screen{0, 0, 800, 600};
    const RECT inner{100, 50, 300, 150};
    const struct {
        const char* name;
        RECT area;
        int x, y, width;
        std::vector<STRIPPOINT> origins;
    } cases[] = {
        {"fits", screen, 10, 20, 100, {{10, 20}}},
        {"ends on the edge", screen, 700, 20, 100, {{700, 20}}},
        {"crosses the edge", screen, 780, 0, 100, {{780, 0}, {-20, 26}}},
        {"crosses twice", screen, 780, 0, 1600, {{780, 0}, {-20, 26}, {-820, 52}}},
        {"starts past the edge", screen, 830, 10, 10, {{30, 36}}},
        {"starts left of and above the area", inner, 20, 0, 50, {{100, 50}}},
        {"wraps inside the area", inner, 280, 60, 40, {{280, 60}, {80, 86}}},
        {"below the area", inner, 120, 140, 400, {{120, 140}}},
        {"starts below the area", screen, 10, 600, 10, {}},
        {"empty area", RECT{10, 10, 10, 100}, 10, 10, 10, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(media::core::strip_origins(c.area, c.x, c.y, c.width, 26), c.origins) << c.name;
}

TEST(KeyInputGeometry, StripRoom)
{
    const struct {
        const char* name;
        RECT area;
        int x, y, room;
    } cases[] = {
        {"whole screen", RECT{0, 0, 800, 600}, 0, 0, 800 * 23},       // 600 / 26 = 23 lines
        {"line start", RECT{0, 0, 800, 600}, 780, 574, 20},             // one line left
        {"last partial line", RECT{0, 0, 800, 600}, 780, 590, 20},      // no whole line below the start
        {"past the edge", RECT{0, 0, 800, 600}, 830, 0, 770 + 800 * 21},  // start (30, 26)
        {"inner area", RECT{100, 50, 300, 150}, 150, 50, 150 + 200 * 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(media::core::strip_room(c.area, c.x, c.y, 26), c.room) << c.name;
}

}  // namespace
