// The pixels of the scene's pictures, the one place that says what the
// files hold: make_pictures writes them, the headless test expects them.
#pragma once

#include <cstdint>

namespace milestone {

// sprite.png, 16 x 16 RGB, and its companion sprite_a.png (grey = alpha):
// columns 0-3 see-through, 4-9 half, 10-15 opaque.
constexpr int sprite_size = 16;
inline void sprite_pixel(int x, int y, int* r, int* g, int* b)
{
    *r = 40 + x * 12;
    *g = 200 - y * 10;
    *b = 100 + (x ^ y) * 4;
}
inline int sprite_alpha(int x, int) { return x < 4 ? 0 : x < 10 ? 128 : 255; }

// tiles.png, 32 x 32 RGB in blocks of 2 x 2 (so any half-size sampling
// agrees); a third of the blocks black.
constexpr int tiles_size = 32;
inline void tiles_pixel(int x, int y, int* r, int* g, int* b)
{
    const int bx = x / 2, by = y / 2;
    if ((bx + by) % 3 == 0) {
        *r = *g = *b = 0;
        return;
    }
    *r = bx * 16;
    *g = 255 - by * 16;
    *b = 128;
}

constexpr int photo_width = 48, photo_height = 32;

}  // namespace milestone
