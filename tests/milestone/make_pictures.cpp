// Writes the scene's pictures into a folder with the libraries' own
// encoders: sprite.png, sprite_a.png, tiles.png, photo.jpg.
//
//   milestone_make_pictures FOLDER
#include <cstdio>
#include <string>

#include "media/graphics/library_files.hpp"
#include "pictures.hpp"

namespace {

using graphics_test::bytes;

bool write(const std::string& path, const bytes& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

bytes rgb_png(int size, void (*pixel)(int, int, int*, int*, int*))
{
    graphics_test::png_options o;
    o.width = o.height = size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int r, g, b;
            pixel(x, y, &r, &g, &b);
            o.rows.push_back(static_cast<unsigned char>(r));
            o.rows.push_back(static_cast<unsigned char>(g));
            o.rows.push_back(static_cast<unsigned char>(b));
        }
    return graphics_test::png_file(o);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: milestone_make_pictures FOLDER\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    graphics_test::png_options alpha;
    alpha.width = alpha.height = milestone::sprite_size;
    alpha.color_type = PNG_COLOR_TYPE_GRAY;
    for (int y = 0; y < milestone::sprite_size; ++y)
        for (int x = 0; x < milestone::sprite_size; ++x)
            alpha.rows.push_back(static_cast<unsigned char>(milestone::sprite_alpha(x, y)));
    graphics_test::jpeg_options photo;
    photo.width = milestone::photo_width;
    photo.height = milestone::photo_height;
    const bool ok = write(dir + "/sprite.png", rgb_png(milestone::sprite_size, milestone::sprite_pixel)) &&
                    write(dir + "/sprite_a.png", graphics_test::png_file(alpha)) &&
                    write(dir + "/tiles.png", rgb_png(milestone::tiles_size, milestone::tiles_pixel)) &&
                    write(dir + "/photo.jpg", graphics_test::jpeg_file(photo));
    if (!ok) std::fprintf(stderr, "milestone_make_pictures: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
