// Records the sound folder's files share, and the reset of its global state.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <theora/theora.h>

#include "media/core/handle.hpp"
#include "media/core/stream.hpp"
#include "media/core/window.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/sound/sound_handle.hpp"
#include "media/sound/theora.hpp"
#include "platform/audio/format.hpp"
#include "platform/fs/file.hpp"

namespace media::snd {

// Puts every global state record of the sound folder back to its state at
// process start (tests call it before media::core::reset_state(), since it
// frees through the allocator).
void reset_state();

}  // namespace media::snd

// ---- sound system, sound handles and buffers (device.cpp, sound_handle.cpp) ----

namespace platform::audio {
class buffer;
struct voice;
}  // namespace platform::audio

// What a buffer is made from. The flags say where and with which controls it
// is wanted; the audio layer gives every buffer all of them, so they are
// only recorded.
struct SOUNDBUFFERDESC {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwBufferBytes;
    const WAVEFORMATEX* lpwfxFormat;
};

// Buffer description flags.
constexpr std::uint32_t SBF_PRIMARY = 0x1;
constexpr std::uint32_t SBF_STATIC = 0x2;
constexpr std::uint32_t SBF_LOCSOFTWARE = 0x8;
constexpr std::uint32_t SBF_CTRLFREQUENCY = 0x20;
constexpr std::uint32_t SBF_CTRLPAN = 0x40;
constexpr std::uint32_t SBF_CTRLVOLUME = 0x80;
constexpr std::uint32_t SBF_GETCURRENTPOSITION2 = 0x10000;
constexpr std::uint32_t SBF_GLOBALFOCUS = 0x8000;

constexpr int MAX_SOUND_BUFFERS = 10;
constexpr int MAX_SOUNDS = 32768;

// A buffer slot's own state under the software-buffer switch: a block of the
// managed allocator that one voice of the mixer plays (the voice keeps a
// copy of the block, refreshed at each unlock).
struct SOFTSOUNDBUFFER {
    void* block;
    std::int32_t playing;
    std::int32_t position;  // sample frames
    std::int32_t loop;
    std::int32_t pan;        // -256 to 256
    std::int32_t volume;     // 0 to 256
    std::int32_t frequency;  // Hz; -1: the format's
    std::int32_t length;     // sample frames
    WAVEFORMATEX format;
    platform::audio::voice* voice;
};

// One buffer slot of a sound.
struct SOUNDBUFFER {
    std::int32_t in_use;
    platform::audio::buffer* buffer;  // switch off
    SOFTSOUNDBUFFER soft;             // switch on
};

// ---- sound converters (convert.cpp; the kinds in acm.cpp, vorbis.cpp, mp3_graph.cpp) ----

// SOUNDCONV kinds.
constexpr int SOUNDCONV_KIND_WAVE = 0;
constexpr int SOUNDCONV_KIND_ACM = 1;
constexpr int SOUNDCONV_KIND_OGG = 2;
constexpr int SOUNDCONV_KIND_PCMBLOCK = 3;

// Compressed WAV and raw MPEG audio: the whole compressed data in memory.
struct SOUNDCONV_ACM {
    void* source_format;  // a WAVEFORMATEX of at least 18 bytes
    void* stream;         // the converter stream in use
    void* spare_stream;   // the same formats, unfed until a backward seek
    void* source_data;
    std::int32_t source_size;
    std::int32_t source_position;  // source bytes consumed
    std::int32_t total_frames;     // -1 when not counted
};

// Ogg Vorbis: the decoder state joins this record once the kind exists.
struct SOUNDCONV_OGG {
    std::int32_t opened;
    std::int32_t bytes_per_sample;
};

// The whole PCM decoded at set-up, handed out from one block.
struct SOUNDCONV_PCMBLOCK {
    void* block;
    std::int32_t capacity;
    std::int32_t held;
    std::int32_t read_position;
};

// One sound file turned into PCM on demand, read through its STREAMREF. A
// plain record, zero-filled by its owner; it must not move while open (the
// Ogg decoder keeps the address of source).
struct SOUNDCONV {
    std::int32_t initialised;
    std::int32_t at_end;
    std::int32_t kind;
    STREAMREF source;  // the owner's stream, never closed here
    std::int32_t data_position;
    std::int32_t data_size;
    WAVEFORMATEX format;  // the PCM delivered
    union {
        SOUNDCONV_ACM acm;
        SOUNDCONV_OGG ogg;
        SOUNDCONV_PCMBLOCK block;
    };
    void* work;                    // one unit of PCM
    std::int32_t unit_size;
    std::int32_t valid;            // work bytes not yet handed out
    std::int32_t read_offset;      // where in work the next byte is taken
    std::int32_t output_position;  // PCM bytes from the data start
    std::int32_t old_vorbis;       // picks the vorbisfile build (the movie-audio flag at set-up)
};

// Set-up attempts: 0, or -1 with nothing left allocated.
int OpenWaveAcmConverter(SOUNDCONV* conv);
int OpenMp3AcmConverter(SOUNDCONV* conv);
int OpenOggConverter(SOUNDCONV* conv);
int OpenMp3DirectShowConverter(SOUNDCONV* conv);
// One refill of the empty work buffer: 0, or -1 when the data has ended.
int FillFromAcm(SOUNDCONV* conv);
int FillFromOgg(SOUNDCONV* conv);
// The kinds' seeks to a PCM byte (ACM) or a sample frame (Ogg).
void SeekAcmConverter(SOUNDCONV* conv, int target);
int SeekOggConverter(SOUNDCONV* conv, int sample);
// Total PCM bytes.
int GetAcmPcmSize(SOUNDCONV* conv);
int GetOggPcmSize(SOUNDCONV* conv);
// Release what the kind holds (the work buffer stays the caller's).
void CloseAcmConverter(SOUNDCONV* conv);
int CloseOggConverter(SOUNDCONV* conv);

namespace media::snd {

// The largest "fmt " chunk a WAV may carry.
constexpr std::uint32_t MAX_WAVE_FORMAT_CHUNK = 64 * 1024;

// The WAV chunk walk over conv->source, standing at position 0: "RIFF",
// "WAVE", one optional "bext", "fmt " (16 bytes to MAX_WAVE_FORMAT_CHUNK),
// chunks skipped with their pad bytes up to "data". On success the stream
// stands at the data start, data_position and data_size are set (the size
// cut to the bytes the stream holds), *format is a new zero-filled block of
// at least 18 bytes holding the chunk, *format_size the chunk's size.
// -1 when the file is not such a WAV (nothing allocated).
int walk_wave_chunks(SOUNDCONV* conv, WAVEFORMATEX** format, int* format_size);

// A format chunk of 16 bytes carries no cbSize and its wBitsPerSample is not
// trusted: bits from the block align and channels, cbSize 0.
void complete_short_pcm_format(WAVEFORMATEX* format);

}  // namespace media::snd

// ---- end sound converters ----

// ---- stream sounds (stream_sound.cpp) ----

constexpr int MAX_STREAM_SOURCES = 3;

// One source of a stream sound: a file image read through a memory stream
// (create types 0 and 2), or the caller's stream itself (type 3).
struct STREAMSOURCE {
    std::int8_t repeat;  // -1 endless, n: played n + 1 times
    std::int32_t create_type;
    void* image;  // owned; null for type 3
    std::int32_t image_size;
    STREAMREF stream;  // over the image; all null for type 3
    std::int32_t loop_start;  // sample frames
    std::int32_t loop_end;    // sample frames, -1: the end of the data
    SOUNDCONV conv;
};

// A locked span of the ring and how much of it has been written.
struct LOCKREGION {
    std::uint32_t start;
    std::uint8_t* first;
    std::uint8_t* second;
    std::uint32_t first_size, second_size;
    std::uint32_t first_written, second_written;
    std::uint32_t first_left, second_left;
};

// ---- end stream sounds ----

// One sound (allocated with ManagedAlloc and zero-filled).
struct SOUNDDATA {
    std::int32_t check;
    SOUNDBUFFER buffers[MAX_SOUND_BUFFERS];
    WAVEFORMATEX format;
    std::int32_t stream;     // 0 PCM sound, 1 stream sound
    std::int32_t play_type;  // what a stream sound was last played with
    std::int32_t buffer_owner;
    std::int32_t borrowers;
    std::int32_t buffer_user;
    std::int32_t delete_pending;
    // the stream state stream sounds keep (stream_sound.cpp fills it in)
    std::int32_t stream_active;
    std::int32_t stream_total_length;  // sample frames
    HANDLENODE stream_node;
    STREAMSOURCE sources[MAX_STREAM_SOURCES];
    std::uint8_t source_owned[MAX_STREAM_SOURCES];  // the add opened the source's stream
    std::int32_t source_count;
    std::int32_t current_source;
    std::int32_t repeat_counter;    // runs out of the current source so far
    std::int32_t source_position;   // bytes of the current source delivered
    std::uint32_t ring_size;        // bytes; a sound with its own ring
    std::int32_t write_position;    // ring offset of the next refill; -800 before the first fill
    std::int32_t window_start;      // -1 before the first fill
    std::uint32_t played_bytes;     // of the concatenated data, up to the play cursor
    std::uint32_t last_cursor;
    std::uint8_t stop_pending;      // silence is written until the cursor passes stop_ring
    std::uint8_t loop_jump;         // a loop jump was written at jump_ring, not yet played
    std::uint8_t all_done;          // the last source has run out at least once
    std::int32_t jump_output;       // played_bytes at the jump target
    std::uint32_t stop_ring;
    std::uint32_t stop_cursor;      // the play cursor when the end was written
    std::uint32_t jump_ring;
    std::int32_t pcm_size;  // bytes
    void* pcm;
    std::uint32_t* pcm_refs;  // shared by the sounds that use the same block
    std::int32_t filled[MAX_SOUND_BUFFERS];
    std::int32_t buffer_count;
    std::int32_t last_played;
    std::int32_t volume, pan, frequency;
    std::uint8_t one_shot_set[3];  // volume, pan, frequency
    std::int32_t one_shot[3];
};

namespace media::snd {

using sound_table = media::core::handle_table<SOUNDDATA, HANDLEKIND_SOUND, MAX_SOUNDS, media::core::slot_choice::high_water>;
// A zero-filled global: the table is too large for a temporary.
extern sound_table sounds;

// The sound system's global state; zero at process start.
struct SOUNDSYSTEM {
    // the device object: 1 from its creation in the start until the end
    // (the test of every operation: 0 means not started)
    std::int32_t device;
    std::int32_t primary;  // 1 while the primary buffer exists
    WAVEFORMATEX primary_format;
    platform::audio::buffer* silent;  // the silent looping buffer, or null
    std::int32_t back_end;             // SoundBackEnd: 0 the device, 1 the music engine over it
    HANDLENODE stream_head, stream_tail;
    std::int32_t create_type;
    std::int32_t ogg_word_size;
    std::int32_t movie_audio;
    // 0 run, 1 stop asked (by the shut-down), 2 the thread has ended
    std::atomic<std::int32_t> stop_word;
    std::int32_t thread_running;  // 1 from the thread's start until its 2 is seen
    std::int32_t software_location;  // picks the LOCSOFTWARE flag values
    std::int32_t software_buffers;   // buffer slots in managed blocks (the software-buffer switch)
#if ZENTIL_TEST_HOOKS
    // while set, the stream thread's passes refill nothing
    std::atomic<std::int32_t> hold_stream_thread;
#endif
};

extern SOUNDSYSTEM sound_system;
// Guards the sound table, every SOUNDDATA, the stream list and the buffers.
// Recursive: a loader that holds it adds and deletes sounds.
extern std::recursive_mutex sound_lock;

// The stream thread's procedure: a pass over the stream list every 30 ms
// under the sound lock, until the stop word is 1.
void SoundStreamThread();
// Asks the stream thread to stop and waits for its answer without pumping
// (the reset between test cases).
void stop_stream_thread_for_reset();

// The ring quantities of a stream sound's format (bytes): the ring B, an
// eighth of a second E8, the first fill F and the window W34.
struct STREAMQUANTITIES {
    std::uint32_t ring, eighth, first_fill, window;
};
STREAMQUANTITIES stream_quantities(const WAVEFORMATEX& format);

// The stream part of deleting a sound (stopped already): 1 when the record
// must stay (its ring is still borrowed; it is flagged delete-pending),
// else 0 with its sources released.
int release_stream_sources(SOUNDDATA* d);

// The audio layer's form of a wave format.
platform::audio::pcm_format to_pcm_format(const WAVEFORMATEX& format);

}  // namespace media::snd

// Buffer slot operations: 0, or -1 when the slot is not in use or the audio
// layer refuses (nothing changed).
int CreateSoundBufferRecord(SOUNDBUFFER* slot, const SOUNDBUFFERDESC* desc);
int DuplicateSoundBufferRecord(SOUNDBUFFER* slot, SOUNDBUFFER* source);
int ReleaseSoundBufferRecord(SOUNDBUFFER* slot);
int PlaySoundBufferRecord(SOUNDBUFFER* slot, int loop);
int StopSoundBufferRecord(SOUNDBUFFER* slot);
int GetSoundBufferRecordStatus(SOUNDBUFFER* slot, std::uint32_t* status);
int GetSoundBufferRecordPosition(SOUNDBUFFER* slot, std::uint32_t* play);  // bytes
int LockSoundBufferRecord(SOUNDBUFFER* slot, std::uint32_t offset, std::uint32_t bytes, void** first,
                          std::uint32_t* first_bytes, void** second, std::uint32_t* second_bytes);
int UnlockSoundBufferRecord(SOUNDBUFFER* slot, void* first, std::uint32_t first_bytes, void* second,
                            std::uint32_t second_bytes);
int SetSoundBufferRecordFrequency(SOUNDBUFFER* slot, std::uint32_t hz);
int SetSoundBufferRecordPan(SOUNDBUFFER* slot, int pan);
int SetSoundBufferRecordVolume(SOUNDBUFFER* slot, int volume);
int SetSoundBufferRecordPosition(SOUNDBUFFER* slot, std::uint32_t offset);

// The software-buffer switch's curves: volume in hundredths of a decibel to
// 0..256, pan -10000..10000 to -256..256.
int SoftBufferVolume(int volume);
int SoftBufferPan(int pan);

// ---- end sound system, sound handles and buffers ----

namespace media::snd {

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

// ---- MIDI, the current music and the capture (midi.cpp) ----

// One MIDI handle's record (allocated with ManagedAlloc and zero-filled).
struct MIDIDATA {
    std::int32_t check;
    std::int32_t playing;  // music-engine back end
    std::int32_t started;  // the segment has been seen playing since the play began
    void* data;            // the file image, owned; zero-filled before it is freed
    std::int32_t data_size;
    void* segment;  // the music engine's segment; no engine exists here, so always null
};

constexpr int MAX_MIDI = 256;
// The MCI commands the notice handler and the stop send.
constexpr std::uint32_t MCI_CLOSE = 0x804;
constexpr std::uint32_t MCI_PLAY = 0x806;
constexpr std::uint32_t MCI_NOTIFY = 0x1;
constexpr std::uint32_t MCI_FROM = 0x4;
constexpr int MIDI_PATH_SIZE = 260;
constexpr int CAPTURE_HEADER_SIZE = 46;

namespace media::snd {

using midi_table = media::core::handle_table<MIDIDATA, HANDLEKIND_MIDI, MAX_MIDI, media::core::slot_choice::high_water>;
extern midi_table midis;

// The state beside the MIDI table: the MCI device, the current music and the
// capture. Nothing in the system opens the device, records a music or starts
// a capture; the operations end what such operations would leave.
struct MIDISTATE {
    std::uint32_t mci_device;
    std::int32_t mci_playing;
    std::int32_t mci_loop;  // play again from 0 when the device reports the end
    char temp_path[MIDI_PATH_SIZE];  // the temporary MIDI file (code page text)
    std::int32_t temp_exists;
    std::int32_t music;       // the current music's handle, 0 when none
    std::int32_t music_kind;  // 1 a sound handle, else a MIDI handle
    std::int32_t capture_active;
    std::int32_t capture_frames;
    platform::fs::file capture_file;  // its first 46 bytes wait for the header
};

extern MIDISTATE midi_state;

// Puts the MIDI table and the state above back to process start (records
// freed, the capture file closed).
void reset_midi_state();

// Deletes the temporary MIDI file by its path; a missing file or an empty
// path is no error.
void delete_midi_temp_file();

// One MCI command's parameters: the window told when play ends and the
// start position.
struct MCIPARAMS {
    HWINDOW callback;
    std::uint32_t from;
};

// Sends one MCI command; 0. There is no MIDI device on this platform, so
// nothing plays; test builds record the call.
int SendMciCommand(std::uint32_t device, std::uint32_t command, std::uint32_t flags, const MCIPARAMS* params);

#if ZENTIL_TEST_HOOKS
struct MCICALL {
    std::uint32_t device, command, flags;
    bool has_params;
    MCIPARAMS params;
};
// The MCI commands sent since the last take, in order; the record is emptied.
std::vector<MCICALL> take_mci_calls();
// Puts a MIDI record with data_size bytes of data in a slot (-1: the table's
// choice) and returns its handle, or -1.
int put_midi_for_test(int slot, int data_size);
// An active capture of frames sample frames on the file at path (opened for
// writing, its bytes kept).
bool start_capture_for_test(const std::wstring& path, int frames);
#endif

}  // namespace media::snd

// ---- end MIDI, the current music and the capture ----
