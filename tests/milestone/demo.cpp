// The milestone demo: a window of 800 x 600 showing the scene until it is
// closed or Escape is pressed; with --full-screen, the whole screen at the
// size given, the scene at its top-left.
//
//   milestone_demo [--full-screen WIDTHxHEIGHT] [PICTURE_FOLDER]
#include <cstdio>
#include <cstring>

#include "media/system/startup.hpp"
#include "scene.hpp"

namespace {

int usage()
{
    std::fputs("usage: milestone_demo [--full-screen WIDTHxHEIGHT] [PICTURE_FOLDER]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int width = 0, height = 0;
    int next = 1;
    if (argc > 1 && std::strcmp(argv[1], "--full-screen") == 0) {
        char end = 0;
        if (argc < 3 || std::sscanf(argv[2], "%dx%d%c", &width, &height, &end) != 2 || width <= 0 || height <= 0)
            return usage();
        next = 3;
    }
    if (argc - next > 1)
        return usage();
    const std::string folder = argc - next == 1 ? argv[next] : MILESTONE_PICTURES;
    if (milestone::start("zentil milestone", width, height) < 0) {
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
