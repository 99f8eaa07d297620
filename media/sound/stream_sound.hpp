// Stream sounds: sounds that play from one ring buffer the stream thread
// refills. The handle operations of sound_handle.hpp forward them here.
#pragma once

// 0 or -1.
int PlayStreamSound(int sound, int play_type, int restart);
int StopStreamSound(int sound);
// 1, 0, or -1 for a bad handle.
int IsStreamSoundPlaying(int sound);
// Milliseconds, or -1.
int GetStreamSoundPlayTime(int sound);
// Writes what the ring needs ahead of its play cursor (the stream thread
// calls it for every active stream sound, under the sound lock): 0, or -1
// when the play cursor lies outside the written window.
int RefillStreamSound(int sound);
