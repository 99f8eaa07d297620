// The sound device: none exists yet, so the layer runs without sound, as it
// does after a failed sound start.
#include "media/sound/device.hpp"

int StartSoundSystem()
{
    return -1;
}

int ShutdownSoundSystem()
{
    return -1;
}

int StopAndDeleteMusic()
{
    return 0;
}
