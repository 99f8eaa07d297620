// The movie decoder's YUV to RGB tables: no decoder uses them yet.
#include "media/sound/yuv.hpp"

int BuildYuvToRgbTables()
{
    return 0;
}
