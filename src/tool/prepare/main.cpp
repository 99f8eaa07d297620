// zentil_prepare FOLDER: makes a working folder for the program (see README).
#include <cstdio>
#include <string>

#include "prepare.hpp"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: zentil_prepare FOLDER\n", stderr);
        return 2;
    }
    std::string error;
    if (!tool::prepare::make_working_folder(argv[1], &error)) {
        std::fprintf(stderr, "zentil_prepare: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
