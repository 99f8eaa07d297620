// The prepared pictures: drawn here, pixel by pixel, and encoded through the
// JPEG and PNG libraries.
#pragma once

#include <string>
#include <vector>

namespace tool::prepare {

using bytes = std::vector<unsigned char>;

// An RGB picture, 3 bytes a pixel, rows top to bottom.
struct picture {
    int width = 0, height = 0;
    bytes rgb;
};

// 800 x 600, a cool gradient with lighter panels behind the list, the tag
// list and the controls; no pixel is pure black (black is see-through in the
// skin), with a margin that the JPEG rounding cannot cross.
picture skin_picture();
// 800 x 600, a warm sky over hills.
picture wallpaper_picture();
// 320 x 240, a sunrise over water.
picture sample_picture();

// The encoded file, or an empty vector with *error set.
bytes jpeg_file(const picture& p, int quality, std::string* error);
bytes png_file(const picture& p, std::string* error);

}  // namespace tool::prepare
