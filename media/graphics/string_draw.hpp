// String measuring and drawing on the software road: strings split into
// characters, their glyphs made sure of in the font's cache, then their
// advances summed or their glyphs written into a memory image.
#pragma once

#include <cstdint>

#include "media/core/math.hpp"

#if ZENTIL_TEST_HOOKS
#include <string>
#include <vector>
#endif

struct MEMIMG;

// The width of the first length bytes (-1: the whole string) in pixels, the
// pen truncated; 0 for a null or empty string, -1 for an invalid handle.
int MeasureStringWithFont(const char* string, int length, int handle, int vertical);
// RefreshDefaultFont, then the same with the default font.
int MeasureStringDefaultFont(const char* string, int length, int vertical);
// Draws the string with its line's top-left at (x, y) into the draw target;
// colours are screen colour values. 0, or -1 (logged) for an invalid handle.
int DrawStringWithFont(int x, int y, const char* string, std::uint32_t color, int handle, std::uint32_t edge_color,
                       int vertical);
// RefreshDefaultFont, then DrawStringWithFont with the default font, horizontal.
int DrawStringDefaultFont(int x, int y, const char* string, std::uint32_t color, std::uint32_t edge_color);
// The software drawing of a string into the draw target (note the order y,
// x), straight or through the screen-sized work image; 0.
int DrawStringToMemImg(int handle, int y, int x, const char* string, std::uint32_t color, std::uint32_t edge_color,
                       int vertical);
// Splits the first length bytes (-1: the whole string) into 3-byte
// character entries (entries null: a scratch list) and renders the glyphs
// the cache lacks in one batch; the character count goes to count (may be
// null). 0, or -1 for an invalid handle or a failed allocation.
int PrepareStringGlyphs(int length, int unused, const char* string, int handle, unsigned char* entries, int* count);
// The common core: draws (draw 1) into target, clipped to clip (null: the
// target), or measures (draw 0); covered_only 0 also writes the uncovered
// pixels of each glyph's box as 0. size (two ints, may be null) receives
// (width, height), swapped for vertical text. The truncated pen, 0 for a
// null or empty string, or -1.
int DrawOrMeasureString(int draw, int x, int y, int scaled, double scale_x, double scale_y, const char* string,
                        std::uint32_t color, MEMIMG* target, const RECT* clip, int covered_only, int handle,
                        std::uint32_t edge_color, int length, int vertical, int* size);

#if ZENTIL_TEST_HOOKS
namespace media::gfx {

// One string DrawStringWithFont drew (after its checks passed): the text in
// code page 932, its place, its colour and the draw area it was drawn under.
struct drawn_string {
    std::string text;
    int x, y;
    std::uint32_t color;
    RECT area;
    int font;
};

// Every string drawn since the last clear, oldest first.
const std::vector<drawn_string>& drawn_strings();
void clear_drawn_strings();

}  // namespace media::gfx
#endif
