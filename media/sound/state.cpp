// Every global state record of the sound folder, with the full reset.
#include "media/sound/internal.hpp"

#include "media/sound/device.hpp"
#include "media/sound/sound_handle.hpp"
#include "platform/audio/buffer.hpp"
#include "platform/audio/device.hpp"
#include "platform/platform.hpp"

namespace media::snd {

// ---- sound system, sound handles and buffers ----
sound_table sounds;
SOUNDSYSTEM sound_system{};
std::recursive_mutex sound_lock;

namespace {

// Ends the stream thread, every sound and the device, so that a case that
// left the system started does not hand it to the next one.
void reset_sound_system()
{
    SOUNDSYSTEM& s = sound_system;
    stop_stream_thread_for_reset();
    if (s.device != 0)
        DeleteAllSounds(0);
    reset_midi_state();
    delete s.silent;
    s.silent = nullptr;
    platform::audio::close_device();
    sounds.clear();
    s.device = 0;
    s.primary = 0;
    s.primary_format = WAVEFORMATEX{};
    s.back_end = 0;
    s.stream_head = HANDLENODE{};
    s.stream_tail = HANDLENODE{};
    s.create_type = 0;
    s.ogg_word_size = 0;
    s.movie_audio = 0;
    s.stop_word = 0;
    s.software_location = 0;
    s.software_buffers = 0;
#if ZENTIL_TEST_HOOKS
    s.hold_stream_thread = 0;
#endif
}

}  // namespace
// ---- end sound system, sound handles and buffers ----

// ---- MIDI, the current music and the capture ----
midi_table midis;
MIDISTATE midi_state{};
// ---- end MIDI, the current music and the capture ----

// ---- YUV to RGB tables ----
YUVTABLES yuv_tables{};
// ---- end YUV to RGB tables ----

void reset_state()
{
    reset_sound_system();
    yuv_tables = YUVTABLES{};
}

}  // namespace media::snd
