// MIDI handles, the MCI play notice and the sound capture's end.
#pragma once

// Refreshes the playing flags of the MIDI handles once per pump pass (the
// music-engine back end only): 0, or -1 while the sound system is not
// started.
int PollMidiPlayState();
// The window procedure's handler of the MIDI play notice (message 953): plays
// again from 0 while looping, else closes a playing device; 0.
int HandleMidiMciNotify();
// The MCI playing flag (back end 0) or the handle's own (back end 1); -1 for
// an invalid handle or while the sound system is not started.
int GetMidiPlayState(int midi);
// Stops the handle's music and deletes the temporary MIDI file: 0, or -1.
int StopMidi(int midi);
// Stops a playing handle and frees its record and data: 0, or -1.
int DeleteMidi(int midi);
// Deletes every MIDI handle: 0, or -1 while the sound system is not started.
int DeleteAllMidi();
// Writes the capture file's header and closes it: 0, or -1 when no capture
// is active.
int EndSoundCapture();
