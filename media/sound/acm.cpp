// Compressed WAV and raw MPEG audio (the ACM kind): no decoder for them is
// built yet, so both set-up attempts refuse and the kind's steps do nothing.
#include "media/sound/internal.hpp"

int OpenWaveAcmConverter(SOUNDCONV*)
{
    return -1;
}

int OpenMp3AcmConverter(SOUNDCONV*)
{
    return -1;
}

int FillFromAcm(SOUNDCONV*)
{
    return -1;
}

void SeekAcmConverter(SOUNDCONV*, int) {}

int GetAcmPcmSize(SOUNDCONV*)
{
    return 0;
}

void CloseAcmConverter(SOUNDCONV*) {}
