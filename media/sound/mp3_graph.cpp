// MPEG audio decoded whole through a filter graph (the PCM block kind's
// set-up): no graph is built yet, so the attempt refuses.
#include "media/sound/internal.hpp"

int OpenMp3DirectShowConverter(SOUNDCONV*)
{
    return -1;
}
