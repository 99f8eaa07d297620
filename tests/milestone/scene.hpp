// The milestone scene: the media layer started as the wrapper starts it,
// three pictures from files, and one frame of boxes, lines, a frame box,
// the pictures and text on the software renderer. Shared by the demo, its
// headless test and the frame benchmark, so it uses no test hook.
#pragma once

#include <string>

namespace milestone {

constexpr int screen_width = 800, screen_height = 600;

// Where each part of the scene lands (left, top, right, bottom: right and
// bottom outside), for the checks of the test.
struct box {
    int l, t, r, b;
};
constexpr box sprite_backing{16, 16, 88, 88};  // grey, under the blended sprite
constexpr box sprite_at{20, 20, 84, 84};       // sprite.png, 16 x 16 enlarged 4 times
constexpr box tiles_backing{106, 16, 130, 40}; // green, seen through the black tiles
constexpr box tiles_at{110, 20, 126, 36};      // tiles.png, 32 x 32 shrunk to half
constexpr box photo_at{150, 20, 198, 52};      // photo.jpg, 48 x 32 at its size
constexpr box solid_box{20, 120, 220, 220};    // mode 0
constexpr box blended_box{120, 170, 320, 270}; // mode 1 at 128, over the solid box
constexpr box outline_box{360, 120, 460, 220};
constexpr box frame_box{360, 260, 560, 360};
constexpr int line_y = 300, line_x1 = 20, line_x2 = 300;  // horizontal line
constexpr int column_x = 330, column_y1 = 280, column_y2 = 380;  // vertical line
constexpr int latin_x = 20, latin_y = 420, japanese_x = 20, japanese_y = 470;

// Colours as red, green, blue.
struct rgb {
    int r, g, b;
};
constexpr rgb backing_grey{90, 90, 90}, backing_green{0, 120, 0}, solid_red{200, 40, 40},
    blended_blue{40, 80, 220}, outline_yellow{240, 220, 40}, line_green{60, 220, 120}, frame_lilac{120, 120, 200};
constexpr int blended_param = 128;

extern const char* const latin_text;     // "zentil"
extern const char* const japanese_text;  // Japanese, code page 932

// The picture files of the scene, by name inside its folder.
extern const char* const sprite_file;  // with its "_a" companion
extern const char* const tiles_file;   // no alpha: black is see-through
extern const char* const photo_file;

struct pictures {
    int sprite = -1, tiles = -1, photo = -1;
};

// The settings, InitMediaLayer, the back screen and the default font;
// 0 or -1. A full-screen width and height start in full screen at that size
// (the scene keeps its place at the top-left); 0 starts windowed at 800 x 600.
int start(const char* caption, int full_screen_width = 0, int full_screen_height = 0);
// Loads the three pictures from folder (a path ending without '/'); on a
// missing or unreadable file names it on standard error and gives -1.
int load(const std::string& folder, pictures& out);
// Clears the draw target and draws the scene (no pump, no flip).
void draw(const pictures& p);
// The frame box of the toolkit: each edge twice, the second time shorter,
// then the inside at half the current opacity.
void draw_frame_box(const box& r, int colour);
// One frame of the demo: pump, keys, draw, flip. 1 to go on, 0 when the
// window closed or Escape is down.
int frame(const pictures& p);

}  // namespace milestone
