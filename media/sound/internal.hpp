// Records the sound folder's files share, and the reset of its global state.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include <theora/theora.h>

#include "media/core/stream.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/sound/theora.hpp"

namespace media::snd {

// Puts every global state record of the sound folder back to its state at
// process start (tests call it between cases).
void reset_state();

// ---- YUV to RGB tables (yuv.cpp) ----

// 14-bit fixed point: a coefficient c is stored as c x 16384 truncated.
constexpr int YUV_CLAMP_LOW = -512;
constexpr int YUV_CLAMP_HIGH = 767;

struct YUVTABLES {
    std::uint8_t clamp[YUV_CLAMP_HIGH - YUV_CLAMP_LOW + 1];  // index + 512 clamped to 0..255
    std::int32_t y[256];     // 1.164 (Y - 16)
    std::int32_t cr_r[256];  // 1.596 (V - 128)
    std::int32_t cr_g[256];  // -0.813 (V - 128)
    std::int32_t cb_b[256];  // 2.018 (U - 128)
    std::int32_t cb_g[256];  // -0.391 (U - 128)
};

// Built once at start-up, read-only afterwards.
extern YUVTABLES yuv_tables;

// ---- end YUV to RGB tables ----

// ---- Theora decoder (theora.cpp) ----

// The thread's state word.
constexpr int THEORA_STATE_FULL = 0;      // every slot holds a frame; the thread yields
constexpr int THEORA_STATE_DECODING = 1;  // a slot is free; the thread decodes into it
constexpr int THEORA_STATE_SEEKING = 2;   // the thread serves a seek
constexpr int THEORA_STATE_ENDED = 3;     // the thread has ended
constexpr int THEORA_STATE_HELD = 4;      // the thread stands still

// The surface layouts, as FOURCC codes.
constexpr std::uint32_t FOURCC_YV12 = 0x32315659;
constexpr std::uint32_t FOURCC_YUY2 = 0x32595559;
constexpr std::uint32_t FOURCC_UYVY = 0x59565955;

// One page of the scan: its file offset and the video packets completed
// after it was read.
struct THEORA_PAGEINDEX {
    std::int32_t offset;
    std::int32_t first_frame;
    std::int32_t keyframe;  // 1 when one of those frames is a keyframe
    std::int32_t count;
};

// One decoded picture of the stock: the planes exactly as the decoder gave
// them (same strides). The thread writes a slot only while it is not valid
// and publishes it by setting valid last.
struct THEORA_FRAMESLOT {
    std::atomic<std::int32_t> valid;
    std::atomic<std::int32_t> frame;
    std::uint8_t* y;
    std::uint8_t* u;  // Cb
    std::uint8_t* v;  // Cr
    std::int32_t y_width, y_height, y_stride;
    std::int32_t c_width, c_height, c_stride;
};

}  // namespace media::snd

// Owner (the main thread) and decode thread share the words below without a
// lock; each is atomic, written by one side (the seek request is set by the
// owner and cleared by the thread).
struct THEORADECODER {
    // First, so that the allocator's dump, which reads a block's first
    // bytes, reads only words that stay unchanged while the thread runs.
    FILEOPS ops;
    void* stream;

    std::atomic<std::int32_t> state;         // thread
    std::atomic<std::int32_t> hold_request;  // owner: 0, or the serial of a hold the thread must see
    std::atomic<std::int32_t> held_ack;      // thread: the last hold serial it stood still for
    std::atomic<std::int32_t> stop_request;  // owner
    std::atomic<std::int32_t> seek_request;  // owner sets, thread clears
    std::atomic<std::int32_t> seek_target;   // owner
    std::atomic<std::int32_t> end_of_data;   // thread; cleared by a seek
    std::atomic<std::int32_t> current_frame;    // owner; -1 until the first seek
    std::atomic<std::int32_t> decode_position;  // thread: the frame the decoder holds
    // owner: the frame whose slot it is reading, -1 when none; the thread
    // never empties that slot
    std::atomic<std::int32_t> reading_frame;
    std::atomic<std::int32_t> passes;  // thread: passes of its loop (tests wait on it)
    std::thread* thread;
    std::int32_t hold_serial;  // owner: the last hold's serial

    // Read and written by the open, then by the thread alone.
    ogg_sync_state sync;
    ogg_page page;
    ogg_stream_state video;
    ogg_packet packet;
    theora_info info;
    theora_comment comment;
    theora_state decoder;
    std::int32_t serial;
    std::int32_t header_count;
    std::int32_t video_open;    // 1 once the Theora stream is initialised
    std::int32_t decoder_open;  // 1 once theora_decode_init succeeded
    std::int32_t next_packet;   // number of the next video packet the stream gives
    std::int32_t holds_picture; // 1 when the decoder holds frame next_packet - 1

    // Written by the open, read-only afterwards.
    media::snd::THEORA_PAGEINDEX* pages;
    std::int32_t page_count;
    std::int32_t page_capacity;
    std::uint8_t* keyframes;
    std::int32_t keyframe_capacity;
    std::int64_t frame_count;

    media::snd::THEORA_FRAMESLOT* slots;
    std::int32_t slot_count;

    // The owner's.
    IMGBUF rgb;
    void* surface;  // none on this platform: no device offers an off-screen YUV surface
    std::uint32_t surface_format;
    std::int32_t rgb_fresh;
    std::int32_t surface_fresh;
};

namespace media::snd {

// Converts a slot's planes into a 32-bit image (B, G, R, 255 per pixel):
// table arithmetic when the chroma planes are half the luma planes both
// ways, else per pixel in floating point with chroma addressed by the
// planes' own ratios. Covers the smaller of the image and the planes.
void convert_slot_to_rgb(const THEORA_FRAMESLOT& slot, IMGBUF* image);
// The floating-point rule alone, for any layout (the benchmark's and tests'
// second path).
void convert_slot_to_rgb_float(const THEORA_FRAMESLOT& slot, IMGBUF* image);
// Copies a 4:2:0 slot into a locked surface area in the given layout: 1 when
// copied, 0 when the layout is not 4:2:0 or the format is unknown.
int copy_slot_to_surface(const THEORA_FRAMESLOT& slot, std::uint32_t format, std::uint8_t* base, int pitch);

// ---- end Theora decoder ----

}  // namespace media::snd
