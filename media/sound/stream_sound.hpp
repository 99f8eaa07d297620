// Stream sounds: sounds that play from a ring buffer of one second that the
// stream thread refills from up to three sources, each a sound converter.
// The handle operations of sound_handle.hpp forward them here.
#pragma once

#include "media/core/stream.hpp"

// Adds a source read from the stream's start to a sound (create type 0:
// decoded whole and kept as a WAV image, 2: the file image kept, 3: the
// stream itself read while playing). keep_stream receives 1 when the caller
// may close its stream now. buffer_owner: -1, or a stream sound of the same
// format whose ring the sound borrows (first source only). 0 or -1.
int AddSreamSound(const STREAMREF* stream, int repeat, int sound, int create_type, int* keep_stream, int buffer_owner);
int AddStreamSoundFromFile(const char* path, int repeat, int sound, int create_type, int buffer_owner);
// The image stays the caller's (type 3 is taken as 2).
int AddStreamSoundFromImage(const void* image, int image_size, int repeat, int sound, int create_type,
                            int buffer_owner);
// Makes a built or ended stream sound active and writes its first fill at
// ring offset 0. 0 or -1.
int PrimeStreamSound(int sound);
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
// Counts the bytes played since the last call from the play cursor (-1: the
// ring's own). 0 or -1.
int UpdateStreamPlayPosition(int sound, int cursor);
