// Sound handles: the sound table, the buffers of a sound, the buffer slot
// operations (audio-layer buffers, or managed blocks under the
// software-buffer switch) and PCM playback.
#include "media/sound/sound_handle.hpp"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/handle.hpp"
#include "media/core/log.hpp"
#include "media/core/number.hpp"
#include "media/core/pump.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/stream_sound.hpp"
#include "platform/audio/buffer.hpp"
#include "platform/audio/device.hpp"
#include "platform/audio/mixer.hpp"
#include "platform/platform.hpp"

using media::snd::sound_system;
using media::snd::sounds;
using platform::audio::voice;

namespace {

using mixer_guard = std::lock_guard<std::mutex>;

// The record a handle names, or null: a bad handle, or no sound system.
SOUNDDATA* find_sound(int handle)
{
    if (sound_system.device == 0)
        return nullptr;
    return sounds.find(handle);
}

// The run-time library's power of single-precision values.
double PowFloat(float base, float exponent)
{
    return std::pow(static_cast<double>(base), static_cast<double>(exponent));
}

// ---- the software-buffer slots: a managed block and the voice playing it ----

// A voice of the mixer over a copy of bytes bytes of zeros in format; null
// when memory runs out.
voice* make_voice(const platform::audio::pcm_format& format, std::uint32_t bytes)
{
    std::unique_ptr<voice> v(new (std::nothrow) voice);
    if (v == nullptr)
        return nullptr;
    try {
        v->bytes = std::make_shared<std::vector<std::uint8_t>>(bytes, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    v->block = format.block_align;
    v->frames = bytes / format.block_align;
    v->bits = format.bits;
    v->channels = format.channels;
    v->rate = format.rate;
    v->frequency = format.rate;
    platform::audio::update_step(*v);
    platform::audio::update_gains(*v);
    return v.release();
}

// Fills a free slot with a zeroed block of bytes bytes and its voice: 0, or
// -1 for a format or size the mixer does not play, or no memory.
int make_soft_slot(SOUNDBUFFER* slot, const WAVEFORMATEX& format, std::uint32_t bytes)
{
    const platform::audio::pcm_format f = media::snd::to_pcm_format(format);
    if (platform::audio::check_format(f) != 0 || bytes == 0 || bytes > INT_MAX || bytes % f.block_align != 0)
        return -1;
    void* block = ManagedCalloc(static_cast<int>(bytes), "", 0);
    if (block == nullptr)
        return -1;
    voice* v = make_voice(f, bytes);
    if (v == nullptr) {
        ManagedFree(block);
        return -1;
    }
    SOFTSOUNDBUFFER& s = slot->soft;
    s = SOFTSOUNDBUFFER{};
    s.block = block;
    s.volume = 255;
    s.frequency = -1;
    s.length = static_cast<std::int32_t>(bytes / format.nBlockAlign);
    s.format = format;
    s.voice = v;
    slot->in_use = 1;
    return 0;
}

std::uint32_t soft_bytes(const SOFTSOUNDBUFFER& s)
{
    return static_cast<std::uint32_t>(s.length) * s.format.nBlockAlign;
}

// A one-shot voice that reached its end has stopped with its cursor at 0;
// the slot's playing flag and position follow it.
void follow_voice(SOFTSOUNDBUFFER& s)
{
    mixer_guard hold(platform::audio::mixer().lock);
    if (s.playing != 0 && !s.voice->playing) {
        s.playing = 0;
        s.position = static_cast<std::int32_t>(s.voice->position >> 32);
    }
}

bool usable(const SOUNDBUFFER* slot)
{
    return slot != nullptr && slot->in_use != 0;
}

}  // namespace

platform::audio::pcm_format media::snd::to_pcm_format(const WAVEFORMATEX& w)
{
    platform::audio::pcm_format f;
    f.tag = w.wFormatTag;
    f.channels = w.nChannels;
    f.rate = w.nSamplesPerSec;
    f.bytes_per_second = w.nAvgBytesPerSec;
    f.block_align = w.nBlockAlign;
    f.bits = w.wBitsPerSample;
    f.valid_bits = w.wBitsPerSample;
    return f;
}

// ---- buffer slot operations ----

int CreateSoundBufferRecord(SOUNDBUFFER* slot, const SOUNDBUFFERDESC* desc)
{
    if (slot == nullptr || slot->in_use != 0 || desc == nullptr || desc->lpwfxFormat == nullptr)
        return -1;
    if (sound_system.software_buffers != 0)
        return make_soft_slot(slot, *desc->lpwfxFormat, desc->dwBufferBytes);
    std::unique_ptr<platform::audio::buffer> b =
        platform::audio::create_buffer(media::snd::to_pcm_format(*desc->lpwfxFormat), desc->dwBufferBytes);
    if (b == nullptr)
        return -1;
    *slot = SOUNDBUFFER{};
    slot->buffer = b.release();
    slot->in_use = 1;
    return 0;
}

int DuplicateSoundBufferRecord(SOUNDBUFFER* slot, SOUNDBUFFER* source)
{
    if (slot == nullptr || slot->in_use != 0 || !usable(source))
        return -1;
    if (source->buffer == nullptr) {
        // a block of the source's size of its own; the data is not copied
        const SOFTSOUNDBUFFER& s = source->soft;
        return make_soft_slot(slot, s.format, soft_bytes(s));
    }
    std::unique_ptr<platform::audio::buffer> b = platform::audio::duplicate(*source->buffer);
    if (b == nullptr)
        return -1;
    *slot = SOUNDBUFFER{};
    slot->buffer = b.release();
    slot->in_use = 1;
    return 0;
}

int ReleaseSoundBufferRecord(SOUNDBUFFER* slot)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr) {
        delete slot->buffer;  // stops it
    } else {
        {
            mixer_guard hold(platform::audio::mixer().lock);
            platform::audio::stop_voice(*slot->soft.voice);
        }
        delete slot->soft.voice;
        ManagedFree(slot->soft.block);
    }
    *slot = SOUNDBUFFER{};
    return 0;
}

int PlaySoundBufferRecord(SOUNDBUFFER* slot, int loop)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->play(loop != 0);
    SOFTSOUNDBUFFER& s = slot->soft;
    {
        mixer_guard hold(platform::audio::mixer().lock);
        s.voice->looping = loop != 0;
        platform::audio::start_voice(*s.voice);
    }
    s.playing = 1;
    s.loop = loop;
    return 0;
}

int StopSoundBufferRecord(SOUNDBUFFER* slot)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->stop();
    SOFTSOUNDBUFFER& s = slot->soft;
    {
        mixer_guard hold(platform::audio::mixer().lock);
        platform::audio::stop_voice(*s.voice);
        s.position = static_cast<std::int32_t>(s.voice->position >> 32);
    }
    s.playing = 0;
    return 0;
}

int GetSoundBufferRecordStatus(SOUNDBUFFER* slot, std::uint32_t* status)
{
    if (!usable(slot) || status == nullptr)
        return -1;
    if (slot->buffer != nullptr) {
        std::uint32_t s = 0;
        if (slot->buffer->status(s) != 0)
            return -1;
        *status = s & platform::audio::status_playing;
        return 0;
    }
    follow_voice(slot->soft);
    *status = slot->soft.playing != 0 ? 1 : 0;
    return 0;
}

int GetSoundBufferRecordPosition(SOUNDBUFFER* slot, std::uint32_t* play)
{
    if (!usable(slot) || play == nullptr)
        return -1;
    if (slot->buffer != nullptr) {
        std::uint32_t write = 0;
        return slot->buffer->position(*play, write);
    }
    SOFTSOUNDBUFFER& s = slot->soft;
    mixer_guard hold(platform::audio::mixer().lock);
    *play = static_cast<std::uint32_t>(s.voice->position >> 32) * s.format.nBlockAlign;
    return 0;
}

int LockSoundBufferRecord(SOUNDBUFFER* slot, std::uint32_t offset, std::uint32_t bytes, void** first,
                          std::uint32_t* first_bytes, void** second, std::uint32_t* second_bytes)
{
    if (!usable(slot) || first == nullptr || first_bytes == nullptr || second == nullptr || second_bytes == nullptr)
        return -1;
    if (slot->buffer != nullptr) {
        void *a, *b;
        std::uint32_t an, bn;
        if (slot->buffer->lock(offset, bytes, a, an, b, bn) != 0)
            return -1;
        *first = a;
        *first_bytes = an;
        *second = b;
        *second_bytes = bn;
        return 0;
    }
    const SOFTSOUNDBUFFER& s = slot->soft;
    const std::uint32_t size = soft_bytes(s);
    if (offset >= size || bytes > size || platform::audio::take_lock_failure())
        return -1;
    auto* block = static_cast<std::uint8_t*>(s.block);
    *first = block + offset;
    // counted in bytes, so a count that is not whole frames cannot pass the end
    if (offset + bytes > size) {
        *first_bytes = size - offset;
        *second = block;
        *second_bytes = bytes - *first_bytes;
    } else {
        *first_bytes = bytes;
        *second = nullptr;
        *second_bytes = 0;
    }
    return 0;
}

int UnlockSoundBufferRecord(SOUNDBUFFER* slot, void* first, std::uint32_t first_bytes, void* second,
                            std::uint32_t second_bytes)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->unlock(first, first_bytes, second, second_bytes);
    // the block was written in place; the voice takes its copy of it
    const SOFTSOUNDBUFFER& s = slot->soft;
    mixer_guard hold(platform::audio::mixer().lock);
    std::memcpy(s.voice->bytes->data(), s.block, soft_bytes(s));
    return 0;
}

int SetSoundBufferRecordFrequency(SOUNDBUFFER* slot, std::uint32_t hz)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->set_frequency(hz);
    if (hz != 0 && (hz < platform::audio::min_rate || hz > platform::audio::max_rate))
        return -1;
    SOFTSOUNDBUFFER& s = slot->soft;
    s.frequency = hz == 0 ? -1 : static_cast<std::int32_t>(hz);
    mixer_guard hold(platform::audio::mixer().lock);
    s.voice->frequency = hz == 0 ? s.voice->rate : hz;
    platform::audio::update_step(*s.voice);
    return 0;
}

int SetSoundBufferRecordPan(SOUNDBUFFER* slot, int pan)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->set_pan(pan);
    if (pan < platform::audio::pan_left || pan > platform::audio::pan_right)
        return -1;
    SOFTSOUNDBUFFER& s = slot->soft;
    s.pan = SoftBufferPan(pan);
    mixer_guard hold(platform::audio::mixer().lock);
    s.voice->pan = pan;
    platform::audio::update_gains(*s.voice);
    return 0;
}

int SetSoundBufferRecordVolume(SOUNDBUFFER* slot, int volume)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->set_volume(volume);
    if (volume < platform::audio::volume_silent || volume > 0)
        return -1;
    SOFTSOUNDBUFFER& s = slot->soft;
    s.volume = SoftBufferVolume(volume);
    mixer_guard hold(platform::audio::mixer().lock);
    s.voice->volume = volume;
    platform::audio::update_gains(*s.voice);
    return 0;
}

int SetSoundBufferRecordPosition(SOUNDBUFFER* slot, std::uint32_t offset)
{
    if (!usable(slot))
        return -1;
    if (slot->buffer != nullptr)
        return slot->buffer->set_position(offset);
    SOFTSOUNDBUFFER& s = slot->soft;
    if (offset >= soft_bytes(s))
        return -1;
    s.position = static_cast<std::int32_t>(offset / s.format.nBlockAlign);
    mixer_guard hold(platform::audio::mixer().lock);
    s.voice->position = static_cast<std::uint64_t>(s.position) << 32;
    return 0;
}

int SoftBufferVolume(int volume)
{
    if (volume == -10000)
        return 0;
    if (volume == 0)
        return 256;
    return DoubleToInt(PowFloat(10.0f, static_cast<float>(volume / 1000.0)) / 0.9999999999 * 256);
}

int SoftBufferPan(int pan)
{
    if (pan == -10000)
        return -256;
    if (pan == 10000)
        return 256;
    if (pan == 0)
        return 0;
    const int magnitude = DoubleToInt(PowFloat(10.0f, static_cast<float>(-std::abs(pan) / 1000.0)) / 0.9999999999 * 256);
    return pan < 0 ? -magnitude : magnitude;
}

// ---- sounds ----

int AddSoundData(int handle)
{
    if (sound_system.device == 0)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
    int slot = -1, check = -1;
    if (handle != -1) {
        // the given handle's own slot and check number; a slot in use is
        // refused, since the handle would name another sound
        slot = handle & 0xFFFF;
        if (handle < 0 || (handle >> media::core::handle_kind_shift) != HANDLEKIND_SOUND || slot >= MAX_SOUNDS ||
            sounds.at(slot) != nullptr)
            return -1;
        check = (handle >> media::core::handle_check_shift) & media::core::handle_check_mask;
    }
    if (sounds.count() == MAX_SOUNDS)
        return LogWrite("サウンドの数が許容量を越えました\n");
    auto* d = static_cast<SOUNDDATA*>(ManagedAlloc(sizeof(SOUNDDATA), "", 0));
    if (d == nullptr)
        return LogPrintf("メモリ領域の確保に失敗しました in AddSoundData");
    std::memset(static_cast<void*>(d), 0, sizeof(SOUNDDATA));
    const int result = sounds.create_in(d, slot, check);
    if (result == -1) {
        ManagedFree(d);
        return -1;
    }
    d->check = (result >> media::core::handle_check_shift) & media::core::handle_check_mask;
    return result;
}

int CreateSoundBuffers(int source, const WAVEFORMATEX* format, int bytes, int stream, int count, int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr || count < 0 || count > MAX_SOUND_BUFFERS || (stream != 0 && stream != 1))
        return -1;
    SOUNDDATA* src = nullptr;
    if (source != -1) {
        src = find_sound(source);
        if (src == nullptr || stream != 0)
            return -1;
        format = &src->format;
        bytes = src->pcm_size;
    }
    if (format == nullptr)
        return -1;
    // buffers made again would lose the ones there
    for (const SOUNDBUFFER& b : d->buffers) {
        if (b.in_use != 0)
            return -1;
    }
    const std::uint32_t soft_flag = sound_system.software_location != 0 ? SBF_LOCSOFTWARE : SBF_STATIC;
    SOUNDBUFFERDESC desc{36, 0, static_cast<std::uint32_t>(bytes), format};

    if (stream == 1) {
        // one second of the format, whole blocks
        const std::uint32_t block = format->nBlockAlign;
        const std::uint32_t second = format->nAvgBytesPerSec & 0xFFFFFF;
        desc.dwFlags =
            SBF_GLOBALFOCUS | SBF_GETCURRENTPOSITION2 | SBF_CTRLVOLUME | SBF_CTRLPAN | SBF_CTRLFREQUENCY | soft_flag;
        desc.dwBufferBytes = block == 0 ? second : (second + block - 1) / block * block;
        if (CreateSoundBufferRecord(&d->buffers[0], &desc) != 0)
            ExitWithLogMessage("ストリーム風サウンドバッファの作成に失敗しました");
        d->buffer_count = 1;
    } else {
        int made = count;
        for (int i = 0; i < count; ++i) {
            if (src != nullptr || i > 0) {
                SOUNDBUFFER* from = src != nullptr ? &src->buffers[0] : &d->buffers[0];
                if (DuplicateSoundBufferRecord(&d->buffers[i], from) == 0) {
                    d->filled[i] = 0;
                    continue;
                }
                if (src == nullptr || i > 0) {
                    made = i;  // fewer buffers, no failure
                    break;
                }
            }
            desc.dwFlags = SBF_GETCURRENTPOSITION2 | SBF_CTRLVOLUME | SBF_CTRLPAN | SBF_CTRLFREQUENCY | soft_flag;
            if (CreateSoundBufferRecord(&d->buffers[i], &desc) != 0) {
                desc.dwFlags = SBF_CTRLVOLUME | SBF_CTRLPAN | soft_flag;
                if (CreateSoundBufferRecord(&d->buffers[i], &desc) != 0) {
                    for (int j = 0; j < i; ++j) {
                        if (d->buffers[j].in_use != 0)
                            ReleaseSoundBufferRecord(&d->buffers[j]);
                    }
                    return LogWrite("DirectSoundBuffer の作成に失敗しました\n");
                }
            }
            d->filled[i] = 0;
        }
        d->buffer_count = made;
    }
    d->stream = stream;
    if (stream == 1)
        InsertHandleChain(&sound_system.stream_head, &d->stream_node, sound, d);
    return 0;
}

int DeleteSound(int sound, int)
{
    if (sound_system.device == 0)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
    SOUNDDATA* d = sounds.find(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        StopStreamSound(sound);
    else if (d->buffers[0].in_use != 0)
        StopSound(sound);
    // a ring other sounds still borrow keeps its record until the last goes
    if (d->stream != 0 && media::snd::release_stream_sources(d) == 1)
        return 0;
    for (SOUNDBUFFER& b : d->buffers) {
        if (b.in_use != 0)
            ReleaseSoundBufferRecord(&b);
    }
    if (d->pcm_refs != nullptr) {
        if (--*d->pcm_refs == 0) {
            ManagedFree(d->pcm);
            ManagedFree(d->pcm_refs);
        }
    }
    d->pcm = nullptr;
    d->pcm_refs = nullptr;
    if (d->stream != 0)
        RemoveHandleChain(&d->stream_node);
    sounds.remove(sound);
    ManagedFree(d);
    return 0;
}

int DeleteAllSounds(int)
{
    if (sound_system.device == 0)
        return -1;
    std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
    for (int slot = sounds.high_water() - 1; slot >= 0; --slot) {
        const int handle = sounds.handle_at(slot);
        if (handle != -1)
            DeleteSound(handle, 0);
    }
    return 0;
}

int SetSoundCreateType(int type)
{
    if (static_cast<unsigned>(type) > 3)
        return -1;
    sound_system.create_type = type == 1 ? 0 : type;
    return 0;
}

int GetSoundCreateType()
{
    return sound_system.create_type;
}

int GetSoundLengthSamples(int sound)
{
    const SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        return d->stream_total_length;
    if (d->format.nBlockAlign == 0)
        return -1;
    return d->pcm_size / d->format.nBlockAlign;
}

int GetSoundLengthMs(int sound)
{
    const SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    const int samples = GetSoundLengthSamples(sound);
    if (samples < 0)
        return -1;
    return SamplesToMilliseconds(samples, static_cast<int>(d->format.nSamplesPerSec));
}

int SamplesToMilliseconds(int samples, int rate)
{
    // both sign-extended, then taken as unsigned 64-bit values
    const auto a = static_cast<std::uint64_t>(static_cast<std::int64_t>(samples));
    const auto r = static_cast<std::uint64_t>(static_cast<std::int64_t>(rate));
    const std::uint32_t lhs[2] = {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(a >> 32)};
    const std::uint32_t thousand[2] = {1000, 0};
    const std::uint32_t divisor[2] = {static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(r >> 32)};
    std::uint32_t product[4], quotient[2];
    MulU64ToU128(lhs, thousand, product);
    DivU128ByU64(product, divisor, quotient);  // a rate of 0 gives 0
    return static_cast<int>(quotient[0]);
}

// ---- playback ----

int PlaySoundHandle(int sound, int play_type, int restart)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        return PlayStreamSound(sound, play_type, restart);
    if (d->buffer_count <= 0)
        return -1;
    std::uint32_t cursor = 0;
    GetSoundBufferRecordPosition(&d->buffers[d->last_played], &cursor);
    int slot = d->last_played + 1;
    if (slot >= d->buffer_count)
        slot = 0;
    d->last_played = slot;
    SOUNDBUFFER* b = &d->buffers[slot];

    std::uint32_t status = 0;
    if (GetSoundBufferRecordStatus(b, &status) != 0)
        return -1;
    if ((status & platform::audio::status_playing) != 0) {
        if (restart == 0)
            return 0;
        StopSoundBufferRecord(b);
    }
    SetSoundBufferRecordPosition(b, restart == 1 ? 0 : cursor);

    // a one-shot value applies to this play only
    int values[3] = {d->volume, d->pan, d->frequency};
    for (int i = 0; i < 3; ++i) {
        if (d->one_shot_set[i] != 0) {
            values[i] = d->one_shot[i];
            d->one_shot_set[i] = 0;
        }
    }
    SetSoundBufferRecordVolume(b, values[0]);
    SetSoundBufferRecordPan(b, values[1]);
    SetSoundBufferRecordFrequency(b, static_cast<std::uint32_t>(values[2]));

    if (PlaySoundBufferRecord(b, play_type == SOUNDPLAY_LOOP ? 1 : 0) != 0)
        return -1;
    if (play_type == SOUNDPLAY_WAIT) {
        if (PumpWindowMessages() == 0) {
            while (IsSoundPlaying(sound) == 1) {
                platform::sleep(1);
                if (PumpWindowMessages() != 0)
                    break;
            }
        }
    }
    return 0;
}

int StopSound(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        return StopStreamSound(sound);
    for (int i = 0; i < d->buffer_count; ++i) {
        std::uint32_t status = 0;
        if (GetSoundBufferRecordStatus(&d->buffers[i], &status) != 0)
            return -1;
        if ((status & platform::audio::status_playing) != 0)
            StopSoundBufferRecord(&d->buffers[i]);
    }
    return 0;
}

int IsSoundPlaying(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        return IsStreamSoundPlaying(sound);
    for (int i = 0; i < d->buffer_count; ++i) {
        std::uint32_t status = 0;
        if (GetSoundBufferRecordStatus(&d->buffers[i], &status) == 0 &&
            (status & platform::audio::status_playing) != 0)
            return 1;
    }
    return 0;
}

int GetSoundPlayTime(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    if (d->stream != 0)
        return GetStreamSoundPlayTime(sound);
    if (d->buffer_count <= 0 || d->format.nBlockAlign == 0)
        return -1;
    std::uint32_t cursor = 0;
    if (GetSoundBufferRecordPosition(&d->buffers[d->last_played], &cursor) != 0)
        return -1;
    return SamplesToMilliseconds(static_cast<int>(cursor / d->format.nBlockAlign),
                                 static_cast<int>(d->format.nSamplesPerSec));
}
