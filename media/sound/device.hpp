// The sound device, its stream thread and the current music.
#pragma once

// Starts the sound device and its stream thread: 0, or -1 (the layer then
// runs without sound).
int StartSoundSystem();
// Ends what StartSoundSystem started: 0, or -1 when it was not started.
int ShutdownSoundSystem();
// Stops and deletes the current music, when one is recorded; 0.
int StopAndDeleteMusic();
