// Stream sounds: no source can be added to a sound yet, so none is ever
// active, none plays and the refill has nothing to write.
#include "media/sound/stream_sound.hpp"

int PlayStreamSound(int, int, int)
{
    return -1;
}

int StopStreamSound(int)
{
    return 0;
}

int IsStreamSoundPlaying(int)
{
    return 0;
}

int GetStreamSoundPlayTime(int)
{
    return -1;
}

int RefillStreamSound(int)
{
    return 0;
}
