// MIDI handles, the MCI play notice, the current music and the end of a
// sound capture. Nothing in the system makes a MIDI handle, opens the MCI
// device, records a music or starts a capture; these operations end what
// such operations would leave behind.
#include "media/sound/midi.hpp"

#include <cstring>
#include <string>

#include "media/core/alloc.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/device.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/sound_handle.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"

using media::snd::midi_state;
using media::snd::midis;
using media::snd::sound_system;

namespace {

// the pump passes a stop gives a closing device
constexpr int stop_pump_passes = 5;

#if ZENTIL_TEST_HOOKS
std::vector<media::snd::MCICALL> mci_calls;
#endif

bool started()
{
    return sound_system.device != 0;
}

MIDIDATA* find_midi(int midi)
{
    return started() ? midis.find(midi) : nullptr;
}

// Asks the music engine whether a segment plays. There is no engine on this
// platform: a segment never plays.
bool segment_playing(const MIDIDATA&)
{
    return false;
}

}  // namespace

namespace media::snd {

void delete_midi_temp_file()
{
    const std::size_t n = strnlen(midi_state.temp_path, sizeof midi_state.temp_path);
    if (n == 0)
        return;
    std::wstring path;
    platform::text::append_wide(midi_state.temp_path, n, path);
    platform::fs::remove_file(path);
}

int SendMciCommand(std::uint32_t device, std::uint32_t command, std::uint32_t flags, const MCIPARAMS* params)
{
#if ZENTIL_TEST_HOOKS
    MCICALL call{device, command, flags, params != nullptr, params != nullptr ? *params : MCIPARAMS{}};
    mci_calls.push_back(call);
#else
    (void)device;
    (void)command;
    (void)flags;
    (void)params;
#endif
    return 0;
}

void reset_midi_state()
{
    for (int slot = 0; slot < MAX_MIDI; ++slot) {
        if (MIDIDATA* m = midis.at(slot)) {
            ManagedFree(m->data);
            ManagedFree(m);
        }
    }
    midis.clear();
    midi_state.capture_file.close();
    midi_state.mci_device = 0;
    midi_state.mci_playing = 0;
    midi_state.mci_loop = 0;
    std::memset(midi_state.temp_path, 0, sizeof midi_state.temp_path);
    midi_state.temp_exists = 0;
    midi_state.music = 0;
    midi_state.music_kind = 0;
    midi_state.capture_active = 0;
    midi_state.capture_frames = 0;
#if ZENTIL_TEST_HOOKS
    mci_calls.clear();
#endif
}

#if ZENTIL_TEST_HOOKS
std::vector<MCICALL> take_mci_calls()
{
    std::vector<MCICALL> calls;
    calls.swap(mci_calls);
    return calls;
}

int put_midi_for_test(int slot, int data_size)
{
    auto* m = static_cast<MIDIDATA*>(ManagedCalloc(sizeof(MIDIDATA), "", 0));
    if (m == nullptr)
        return -1;
    if (data_size > 0) {
        m->data = ManagedAlloc(data_size, "", 0);
        if (m->data == nullptr) {
            ManagedFree(m);
            return -1;
        }
        std::memset(m->data, 0x5A, static_cast<std::size_t>(data_size));
        m->data_size = data_size;
    }
    const int handle = midis.create_in(m, slot, -1);
    if (handle < 0) {
        ManagedFree(m->data);
        ManagedFree(m);
        return -1;
    }
    m->check = (handle >> media::core::handle_check_shift) & media::core::handle_check_mask;
    return handle;
}

bool start_capture_for_test(const std::wstring& path, int frames)
{
    if (!midi_state.capture_file.open(path, platform::fs::open_mode::open_always))
        return false;
    midi_state.capture_active = 1;
    midi_state.capture_frames = frames;
    return true;
}
#endif

}  // namespace media::snd

int GetMidiPlayState(int midi)
{
    const MIDIDATA* m = find_midi(midi);
    if (m == nullptr)
        return -1;
    return sound_system.back_end == 0 ? midi_state.mci_playing : m->playing;
}

int PollMidiPlayState()
{
    if (!started())
        return -1;
    if (sound_system.back_end != 1)
        return 0;
    for (int slot = 0; slot < midis.high_water(); ++slot) {
        MIDIDATA* m = midis.at(slot);
        if (m == nullptr || m->playing == 0)
            continue;
        const bool playing = segment_playing(*m);
        // the flag drops only once the segment has been seen playing
        if (m->started == 0) {
            if (playing)
                m->started = 1;
        } else {
            m->playing = playing ? 1 : 0;
        }
    }
    return 0;
}

int HandleMidiMciNotify()
{
    if (midi_state.mci_loop == 1) {
        const media::snd::MCIPARAMS params{GetMainWindow(), 0};
        media::snd::SendMciCommand(midi_state.mci_device, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &params);
        midi_state.mci_playing = 1;
    } else if (midi_state.mci_playing == 1) {
        media::snd::SendMciCommand(midi_state.mci_device, MCI_CLOSE, 0, nullptr);
        midi_state.mci_playing = 0;
    }
    return 0;
}

int StopMidi(int midi)
{
    MIDIDATA* m = find_midi(midi);
    if (m == nullptr)
        return -1;
    midi_state.mci_loop = 0;
    if (sound_system.back_end == 0) {
        HandleMidiMciNotify();
        for (int i = 0; i < stop_pump_passes; ++i)
            PumpWindowMessages();
    }
    // the music engine's stop has no engine to go to here
    if (midi_state.temp_exists != 0) {
        media::snd::delete_midi_temp_file();
        midi_state.temp_exists = 0;
    }
    m->playing = 0;
    m->started = 0;
    return 0;
}

int DeleteMidi(int midi)
{
    MIDIDATA* m = find_midi(midi);
    if (m == nullptr)
        return -1;
    if (GetMidiPlayState(midi) == 1)
        StopMidi(midi);
    // the pump inside the stop may have run anything: look again
    m = find_midi(midi);
    if (m == nullptr)
        return 0;
    m->segment = nullptr;
    if (m->data != nullptr) {
        std::memset(m->data, 0, static_cast<std::size_t>(m->data_size > 0 ? m->data_size : 0));
        ManagedFree(m->data);
        m->data = nullptr;
    }
    midis.remove(midi);
    ManagedFree(m);
    return 0;
}

int DeleteAllMidi()
{
    if (!started())
        return -1;
    for (int slot = 0; slot < MAX_MIDI; ++slot) {
        const int handle = midis.handle_at(slot);
        if (handle != -1)
            DeleteMidi(handle);
    }
    return 0;
}

int StopAndDeleteMusic()
{
    if (midi_state.music == 0)
        return 0;
    const int music = midi_state.music;
    if (midi_state.music_kind == 1) {
        StopSound(music);
        DeleteSound(music, 0);
    } else {
        StopMidi(music);
        DeleteMidi(music);
    }
    midi_state.music = 0;
    midi_state.music_kind = 0;
    return 0;
}

int EndSoundCapture()
{
    if (midi_state.capture_active == 0)
        return -1;
    const std::uint32_t data_size = 4u * static_cast<std::uint32_t>(midi_state.capture_frames);
    // the capture's fixed format: 16-bit stereo at 44100 Hz
    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    std::uint8_t header[CAPTURE_HEADER_SIZE];
    WriteWaveHeader(header, &format, sizeof format, data_size);
    platform::fs::file& f = midi_state.capture_file;
    f.seek(0, platform::fs::seek_origin::begin);
    f.write(header, sizeof header);
    f.close();
    midi_state.capture_active = 0;
    return 0;
}
