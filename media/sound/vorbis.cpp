// Ogg Vorbis (the Ogg kind): no decoder is opened yet, so the set-up attempt
// refuses and the kind's steps do nothing.
#include "media/sound/internal.hpp"

int OpenOggConverter(SOUNDCONV*)
{
    return -1;
}

int FillFromOgg(SOUNDCONV*)
{
    return -1;
}

int SeekOggConverter(SOUNDCONV*, int)
{
    return 0;
}

int GetOggPcmSize(SOUNDCONV*)
{
    return 0;
}

int CloseOggConverter(SOUNDCONV*)
{
    return 0;
}
