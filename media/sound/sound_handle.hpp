// Sound handles (kind 2): the table of sounds, their buffers and PCM
// playback. Every operation returns -1 while the sound system is not started.
#pragma once

#include "platform/filter/formats.hpp"

// The wave-format record of PCM data: 18 bytes, as sound files and media types carry it.
using WAVEFORMATEX = platform::filter::WAVEFORMATEX;

// SoundPlayType: play and wait until the sound has ended, play in the
// background, play in a loop.
enum : int { SOUNDPLAY_WAIT = 0, SOUNDPLAY_BACKGROUND = 1, SOUNDPLAY_LOOP = 3 };

// A new sound record (handle -1), or one in the slot and with the check
// number of the given handle: its handle, or -1 (full table, no memory, the
// slot in use).
int AddSoundData(int handle);
// Makes the sound's buffers: one stream ring (stream 1), or count (0 to 10)
// static buffers of bytes bytes in format, duplicated from the source
// sound's slot 0 when source is not -1 (its format and size then replace
// the given ones). 0 or -1.
int CreateSoundBuffers(int source, const WAVEFORMATEX* format, int bytes, int stream, int count, int sound);
// Stops the sound, releases its buffers and its share of the PCM block and
// frees the record; 0 or -1. The second value is not used.
int DeleteSound(int sound, int unused);
int DeleteAllSounds(int unused);

// 0, 2 or 3 (1 is stored as 0); -1 for any other value.
int SetSoundCreateType(int type);
int GetSoundCreateType();

// Length in sample frames; in milliseconds.
int GetSoundLengthSamples(int sound);
int GetSoundLengthMs(int sound);
// samples x 1000 / rate without overflow, cut to 32 bits; 0 for a rate of 0.
int SamplesToMilliseconds(int samples, int rate);

// Plays the next buffer slot in turn: from the start (restart 1) or from
// where the slot played before stands (restart 0; a slot still playing is
// then left alone). 0 or -1.
int PlaySoundHandle(int sound, int play_type, int restart);
int StopSound(int sound);
// 1 while a buffer plays, else 0; -1 for a bad handle.
int IsSoundPlaying(int sound);
// The last played slot's position in milliseconds, or -1.
int GetSoundPlayTime(int sound);
