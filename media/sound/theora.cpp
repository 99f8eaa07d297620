// Ogg Theora movies: no decoder exists yet, so there is never a frame.
#include "media/sound/theora.hpp"

int ConvertTheoraFrame(THEORADECODER*, int, int)
{
    return 0;
}

void* GetTheoraYuvSurface(THEORADECODER*)
{
    return nullptr;
}
