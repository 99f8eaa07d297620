// The milestone demo: a window of 800 x 600 showing the scene until it is
// closed or Escape is pressed.
//
//   milestone_demo [PICTURE_FOLDER]
#include <cstdio>

#include "media/system/startup.hpp"
#include "scene.hpp"

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fputs("usage: milestone_demo [PICTURE_FOLDER]\n", stderr);
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : MILESTONE_PICTURES;
    if (milestone::start("zentil milestone") < 0) {
        std::fputs("milestone: the media layer did not start\n", stderr);
        return 1;
    }
    milestone::pictures pictures;
    if (milestone::load(folder, pictures) < 0) {
        EndMediaLayer();
        return 1;
    }
    while (milestone::frame(pictures) != 0) {
    }
    EndMediaLayer();
    return 0;
}
