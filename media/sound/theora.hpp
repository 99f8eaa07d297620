// Ogg Theora movies decoded by a thread of their own.
#pragma once

#include <cstdint>

struct FILEOPS;
struct IMGBUF;
struct THEORADECODER;

// What GetTheoraInfo reports.
struct THEORA_MOVIEINFO {
    double frame_rate;          // numerator / denominator
    std::int32_t frame_count;   // video packets in the file
    std::int32_t width;         // the coded frame size
    std::int32_t height;
};

// Opens a decoder on a stream read through the table's read, seek and end
// test: scans the file, starts the decode thread with slot_count frame
// slots and returns with frame 0 current and converted; null when the data
// is not Ogg (nothing logged) or has no playable Theora stream, or memory
// runs out (logged).
THEORADECODER* OpenTheoraDecoder(const FILEOPS* ops, void* stream, int slot_count);
// Ends the thread, then frees everything; 0. Null is ignored.
int CloseTheoraDecoder(THEORADECODER* decoder);
// Makes frame current (clamped to the movie's frames) and has the thread
// decode it; 0.
int SeekTheoraDecoder(THEORADECODER* decoder, int frame);
// Moves the current frame on by count (nothing for count <= 0), wrapping
// at the end of the movie; 0.
int AdvanceTheoraFrame(THEORADECODER* decoder, int count);
// 0.
int GetTheoraInfo(THEORADECODER* decoder, THEORA_MOVIEINFO* info);
int GetTheoraCurrentFrame(THEORADECODER* decoder);
// The 32-bit XRGB image ConvertTheoraFrame fills.
IMGBUF* GetTheoraFrameImage(THEORADECODER* decoder);
// Releases the YUV surface and makes a new one where the device offers one
// (none here: format 0, no surface).
void CreateTheoraYuvSurface(THEORADECODER* decoder);

// Converts the current frame to RGB and/or the YUV surface: 1 when a frame
// was converted, 0 when there was nothing to do or no frame to convert.
int ConvertTheoraFrame(THEORADECODER* decoder, int to_rgb, int to_surface);
// The decoder's YUV surface, or null.
void* GetTheoraYuvSurface(THEORADECODER* decoder);
