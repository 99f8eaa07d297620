// MIDI playback.
#pragma once

// Refreshes the playing flags of the MIDI handles once per pump pass: 0, or
// -1 while the sound system is not started.
int PollMidiPlayState();
// The window procedure's handler of the MIDI play notice (message 953); 0.
int HandleMidiMciNotify();
