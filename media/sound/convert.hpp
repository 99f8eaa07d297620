// Sound converters: one sound file (PCM or compressed WAV, Ogg Vorbis, MPEG
// audio) read through a stream and handed out as PCM in pieces, and the
// whole-sound helpers the loaders use. Callers hold the sound lock.
#pragma once

#include "media/core/stream.hpp"
#include "media/sound/sound_handle.hpp"

struct SOUNDCONV;

// Sets a zero-filled (or closed) record up on the stream, trying PCM WAV,
// compressed WAV, Ogg Vorbis, raw MPEG audio and the MPEG graph in turn:
// 0, or -1 (nothing left allocated). The stream stays the caller's and must
// stay open while the converter lives.
int OpenSoundConverter(SOUNDCONV* conv, const STREAMREF* source);
// Up to count PCM bytes into dest: the bytes copied (fewer only at the end
// of the data, which sets the end flag), 0 at the end or for a count of 0,
// -1 for a record that is not open or no destination.
int ReadSoundConverter(SOUNDCONV* conv, void* dest, int count);
// Moves to a sample frame; a move of less than 16 bytes is ignored. 0, or
// -1 for a record that is not open.
int SeekSoundConverter(SOUNDCONV* conv, int sample);
// Frees the work buffer and the kind's resources: 0, or -1 (nothing done)
// for a record that is not open.
int CloseSoundConverter(SOUNDCONV* conv);
// The 18-byte PCM format delivered; 0.
int GetSoundConverterFormat(SOUNDCONV* conv, WAVEFORMATEX* format);
// Total PCM bytes from the data start (0 for a record that is not open).
int GetSoundConverterPcmSize(SOUNDCONV* conv);
// The whole sound from its start in one new block (ManagedFree it): 0, or
// -1 without memory (the converter unchanged).
int DecodeWholeSound(SOUNDCONV* conv, WAVEFORMATEX* format, void** pcm, int* pcm_size);
// A RIFF/WAVE file image of the format and PCM bytes in a new block: 0, or -1.
int BuildWaveImage(void** image, int* image_size, const void* format, int format_size, const void* pcm, int pcm_size);
// The 28 + format_size bytes before the PCM of a WAV image at out: "RIFF"
// and its size, "WAVE", the "fmt " chunk with the format copied in, the
// "data" chunk's header for pcm_size bytes.
void WriteWaveHeader(std::uint8_t* out, const void* format, int format_size, std::uint32_t pcm_size);
// The whole stream in a new block: 0, or -1 (logged when memory runs out).
int LoadStreamImage(const STREAMREF* source, void** image, int* image_size);
