// MIDI playback: no sound system runs yet, so nothing plays.
#include "media/sound/midi.hpp"

int PollMidiPlayState()
{
    return -1;
}

int HandleMidiMciNotify()
{
    return 0;
}
