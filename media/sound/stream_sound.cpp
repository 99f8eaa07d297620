// Stream sounds: their sources, the ring refill the stream thread runs every
// 30 ms, the walk from source to source with repeats and loop jumps, the
// played position, play, stop and the stream part of deleting.
#include "media/sound/stream_sound.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "media/core/alloc.hpp"
#include "media/core/handle.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/sound_handle.hpp"
#include "platform/audio/buffer.hpp"
#include "platform/platform.hpp"

using media::snd::sound_system;
using media::snd::sounds;

namespace {

using lock_guard = std::lock_guard<std::recursive_mutex>;

// The write position before the first fill.
constexpr std::int32_t NOT_FILLED = -800;

SOUNDDATA* find_sound(int handle)
{
    if (sound_system.device == 0)
        return nullptr;
    return sounds.find(handle);
}

std::uint32_t block_of(const SOUNDDATA* d)
{
    return d->format.nBlockAlign != 0 ? d->format.nBlockAlign : 1;
}

bool ring_playing(SOUNDBUFFER* slot)
{
    std::uint32_t status = 0;
    return GetSoundBufferRecordStatus(slot, &status) == 0 && (status & platform::audio::status_playing) != 0;
}

std::uint32_t play_cursor(SOUNDBUFFER* slot)
{
    std::uint32_t cursor = 0;
    GetSoundBufferRecordPosition(slot, &cursor);
    return cursor;
}

// The ring's size: the sound's own, or its owner's for a borrowed ring.
std::uint32_t ring_size_of(const SOUNDDATA* d)
{
    if (d->buffer_owner != -1) {
        if (const SOUNDDATA* o = find_sound(d->buffer_owner))
            return o->ring_size;
    }
    return d->ring_size;
}

// Back to source 0, position 0, inactive (the next play primes again).
void reset_stream(SOUNDDATA* d)
{
    d->all_done = 0;
    d->source_position = 0;
    d->played_bytes = 0;
    d->loop_jump = 0;
    d->repeat_counter = 0;
    d->current_source = 0;
    d->stream_active = 0;
}

// The ring a sound plays through, taking it for the sound when it is free
// (or, with take_over, from the sound using it): 0, or -1.
int ClaimStreamBuffer(int sound, SOUNDDATA* d, SOUNDBUFFER** slot, int take_over)
{
    *slot = &d->buffers[0];
    if (d->stream == 0)
        return 0;
    SOUNDDATA* holder = d;
    if (d->buffer_owner != -1) {
        holder = find_sound(d->buffer_owner);
        if (holder == nullptr)
            return -1;
        *slot = &holder->buffers[0];
    }
    if (holder->buffer_user == -1 || holder->buffer_user == sound) {
        holder->buffer_user = sound;
        return 0;
    }
    if (take_over == 0)
        return -1;
    StopStreamSound(holder->buffer_user);
    holder->buffer_user = sound;
    return 0;
}

// The ring offset the regions have been written up to.
std::uint32_t region_write_position(const LOCKREGION& r, std::uint32_t ring)
{
    if (r.first_left > 0 || r.second_size == 0) {
        const std::uint32_t p = r.start + r.first_size - r.first_left;
        return ring != 0 ? p % ring : p;
    }
    return r.second_size - r.second_left;
}

void FillLockedRegionsWithSilence(const SOUNDDATA* d, LOCKREGION* r, std::uint32_t count)
{
    // 127 is the silence of 8-bit data here, not 128
    const int value = d->format.wBitsPerSample == 8 ? 127 : 0;
    while (count > 0 && (r->first_left > 0 || r->second_left > 0)) {
        const bool first = r->first_left > 0;
        std::uint8_t* base =
            first ? r->first + (r->first_size - r->first_left) : r->second + (r->second_size - r->second_left);
        std::uint32_t& left = first ? r->first_left : r->second_left;
        std::uint32_t& written = first ? r->first_written : r->second_written;
        const std::uint32_t n = std::min(count, left);
        std::memset(base, value, n);
        written += n;
        left -= n;
        count -= n;
    }
}

int FillLockedRegionsFromConverter(LOCKREGION* r, SOUNDCONV* conv, std::uint32_t count)
{
    int total = 0;
    while (count > 0 && (r->first_left > 0 || r->second_left > 0)) {
        const bool first = r->first_left > 0;
        std::uint8_t* base =
            first ? r->first + (r->first_size - r->first_left) : r->second + (r->second_size - r->second_left);
        std::uint32_t& left = first ? r->first_left : r->second_left;
        std::uint32_t& written = first ? r->first_written : r->second_written;
        const int got = ReadSoundConverter(conv, base, static_cast<int>(std::min(count, left)));
        if (got <= 0)
            break;
        written += static_cast<std::uint32_t>(got);
        left -= static_cast<std::uint32_t>(got);
        count -= static_cast<std::uint32_t>(got);
        total += got;
    }
    return total;
}

// The current source delivered nothing: its next repeat, a loop jump, the
// next source, or the end (silence follows, -1).
int AdvanceStreamSource(SOUNDDATA* d, LOCKREGION* r, std::uint32_t cursor)
{
    const std::uint32_t ring = ring_size_of(d);
    const std::uint32_t write = region_write_position(*r, ring);
    const int k = static_cast<int>(block_of(d));
    STREAMSOURCE& s = d->sources[d->current_source];
    ++d->repeat_counter;
    if (s.repeat == -1) {
        if (d->loop_jump != 0)
            return 0;
        d->source_position = s.loop_start * k;
        d->jump_output = s.loop_start * k;
        d->loop_jump = 1;
        d->jump_ring = write;
        SeekSoundConverter(&s.conv, s.loop_start);
        return 0;
    }
    if (d->repeat_counter <= s.repeat) {
        d->source_position = 0;
        SeekSoundConverter(&s.conv, 0);
        return 0;
    }
    const bool loop = (d->play_type & 2) != 0;
    if (d->current_source == d->source_count - 1 && loop && d->loop_jump != 0)
        return 0;
    d->repeat_counter = 0;
    if (d->current_source + 1 < d->source_count) {
        ++d->current_source;
        d->source_position = 0;
        SeekSoundConverter(&d->sources[d->current_source].conv, 0);
        return 0;
    }
    d->all_done = 1;
    if (loop) {
        d->current_source = 0;
        d->source_position = 0;
        d->jump_output = 0;
        d->loop_jump = 1;
        d->jump_ring = write;
        SeekSoundConverter(&d->sources[0].conv, 0);
        return 0;
    }
    // the index stays on the last source, so it never names a missing one
    d->stop_pending = 1;
    d->stop_ring = write;
    d->stop_cursor = cursor;
    FillLockedRegionsWithSilence(d, r, media::snd::stream_quantities(d->format).eighth);
    return -1;
}

void log_with_path(const char* format, const char* path)
{
    char text[1024];
    std::snprintf(text, sizeof text, format, path);
    LogWrite(text);
}

// Frees what a source that failed to be added holds.
void drop_source(STREAMSOURCE* s)
{
    CloseSoundConverter(&s->conv);
    if (s->stream.data != nullptr)
        s->stream.ops.close(s->stream.data);
    ManagedFree(s->image);
    std::memset(static_cast<void*>(s), 0, sizeof *s);
}

// Sets s's converter up on a memory stream over its image: 0, or -1 with the
// stream closed (the image stays).
int open_over_image(STREAMSOURCE* s)
{
    MEMSTREAM* mem = OpenMemStream(s->image, s->image_size);
    if (mem == nullptr)
        return -1;
    s->stream.ops = *GetMemStreamOps();
    s->stream.data = mem;
    if (OpenSoundConverter(&s->conv, &s->stream) != 0) {
        CloseMemStream(mem);
        s->stream = STREAMREF{};
        return -1;
    }
    return 0;
}

// Create type 0: the source decoded whole, kept as a WAV image.
int add_decoded(const STREAMREF* stream, STREAMSOURCE* s)
{
    void* file = nullptr;
    int file_size = 0;
    if (LoadStreamImage(stream, &file, &file_size) != 0)
        return LogPrintf("音声データの読み込みに失敗しました");
    WAVEFORMATEX format{};
    void* pcm = nullptr;
    int pcm_size = 0;
    int decoded = -1;
    if (MEMSTREAM* mem = OpenMemStream(file, file_size)) {
        STREAMREF ref{*GetMemStreamOps(), mem};
        SOUNDCONV temp;
        std::memset(static_cast<void*>(&temp), 0, sizeof temp);
        if (OpenSoundConverter(&temp, &ref) == 0) {
            decoded = DecodeWholeSound(&temp, &format, &pcm, &pcm_size);
            CloseSoundConverter(&temp);
        }
        CloseMemStream(mem);
    }
    ManagedFree(file);
    if (decoded != 0)
        return LogPrintf("音声データの変換に失敗しました");
    const int built = BuildWaveImage(&s->image, &s->image_size, &format, sizeof format, pcm, pcm_size);
    ManagedFree(pcm);
    if (built != 0)
        return LogPrintf("音声データの変換に失敗しました");
    if (open_over_image(s) != 0) {
        ManagedFree(s->image);
        s->image = nullptr;
        return LogPrintf("音声データのオープンに失敗しました");
    }
    return 0;
}

// Create type 2: the file image kept.
int add_image(const STREAMREF* stream, STREAMSOURCE* s)
{
    if (LoadStreamImage(stream, &s->image, &s->image_size) != 0)
        return LogPrintf("音声データの読み込みに失敗しました");
    if (open_over_image(s) != 0) {
        ManagedFree(s->image);
        s->image = nullptr;
        return LogPrintf("音声データのオープンに失敗しました");
    }
    return 0;
}

}  // namespace

namespace media::snd {

STREAMQUANTITIES stream_quantities(const WAVEFORMATEX& format)
{
    const std::uint32_t a = format.nAvgBytesPerSec;
    const std::uint32_t k = format.nBlockAlign != 0 ? format.nBlockAlign : 1;
    // the product in 32 bits, as the ring arithmetic has it
    const std::uint32_t three_quarters = a * 192u / 256u;
    STREAMQUANTITIES q;
    q.ring = ((a & 0xFFFFFF) + k - 1) / k * k;
    q.eighth = a / 8 / k * k;
    q.first_fill = three_quarters / k * k;
    q.window = (three_quarters + k - 1) / k * k;
    return q;
}

int release_stream_sources(SOUNDDATA* d)
{
    if (d->buffer_owner != -1) {
        const int owner = d->buffer_owner;
        SOUNDDATA* o = find_sound(owner);
        d->buffer_owner = -1;
        if (o != nullptr) {
            --o->borrowers;
            if (o != d && o->delete_pending != 0 && o->borrowers <= 0)
                DeleteSound(owner, 0);
        }
    }
    if (d->borrowers > 0) {
        d->delete_pending = 1;
        return 1;
    }
    for (int i = 0; i < d->source_count; ++i) {
        STREAMSOURCE& s = d->sources[i];
        CloseSoundConverter(&s.conv);
        ManagedFree(s.image);
        s.image = nullptr;
        if (d->source_owned[i] != 0 && s.create_type == 3 && s.conv.source.data != nullptr) {
            s.conv.source.ops.close(s.conv.source.data);
            s.conv.source.data = nullptr;
        }
        if (s.stream.data != nullptr) {
            s.stream.ops.close(s.stream.data);
            s.stream.data = nullptr;
        }
    }
    d->source_count = 0;
    d->stream_active = 0;
    return 0;
}

}  // namespace media::snd

int AddSreamSound(const STREAMREF* stream, int repeat, int sound, int create_type, int* keep_stream, int buffer_owner)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr || stream == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    // a PCM sound would get a ring over its buffers
    if (d->stream == 0 && (d->source_count > 0 || d->buffers[0].in_use != 0 || d->pcm != nullptr))
        return LogWrite("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
    if (d->source_count > 0) {
        SOUNDBUFFER* slot;
        if (ClaimStreamBuffer(sound, d, &slot, 0) == 0 && ring_playing(slot))
            return LogWrite("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
        if (d->source_count >= MAX_STREAM_SOURCES)
            return LogWrite("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    }
    STREAMSOURCE* s = &d->sources[d->source_count];
    std::memset(static_cast<void*>(s), 0, sizeof *s);
    s->create_type = create_type;
    s->loop_end = -1;
    stream->ops.seek(stream->data, 0, 0);
    int keep = 1;
    switch (create_type) {
        case 0:
            if (add_decoded(stream, s) != 0)
                return -1;
            break;
        case 2:
            if (add_image(stream, s) != 0)
                return -1;
            break;
        case 3:
            if (OpenSoundConverter(&s->conv, stream) != 0)
                return LogPrintf("音声データのオープンに失敗しました");
            keep = 0;
            break;
        default:
            return -1;
    }

    WAVEFORMATEX format;
    GetSoundConverterFormat(&s->conv, &format);
    if (d->source_count == 0) {
        SOUNDDATA* o = buffer_owner != -1 ? find_sound(buffer_owner) : nullptr;
        if (o != nullptr && o != d && o->stream != 0 && o->buffer_owner == -1 &&
            std::memcmp(&o->format, &format, sizeof format) == 0) {
            d->format = format;
            d->stream = 1;
            d->buffer_count = 1;
            InsertHandleChain(&sound_system.stream_head, &d->stream_node, sound, d);
            d->buffer_owner = buffer_owner;
            ++o->borrowers;
        } else {
            const std::uint32_t ring = media::snd::stream_quantities(format).ring;
            if (CreateSoundBuffers(-1, &format, static_cast<int>(ring), 1, 1, sound) != 0) {
                drop_source(s);
                return -1;
            }
            d->format = format;
            d->buffer_owner = -1;
            d->ring_size = ring;
            d->frequency = static_cast<std::int32_t>(format.nSamplesPerSec);
        }
        d->borrowers = 0;
        d->buffer_user = -1;
        d->delete_pending = 0;
        d->write_position = NOT_FILLED;
        d->window_start = -1;
    } else if (std::memcmp(&format, &d->format, sizeof format) != 0) {
        drop_source(s);
        return LogPrintf("フォーマットの違う音声データは同時に使うことは出来ません");
    }
    s->repeat = static_cast<std::int8_t>(repeat);
    d->source_owned[d->source_count] = 0;
    ++d->source_count;
    const int k = static_cast<int>(block_of(d));
    int total = 0;
    for (int i = 0; i < d->source_count; ++i)
        total += GetSoundConverterPcmSize(&d->sources[i].conv) / k;
    d->stream_total_length = total;
    if (keep_stream != nullptr)
        *keep_stream = keep;
    return 0;
}

int AddStreamSoundFromFile(const char* path, int repeat, int sound, int create_type, int buffer_owner)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr || path == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    void* file = OpenFileStream(path, 0, 1, 0);
    if (file == nullptr) {
        log_with_path("右記のＷＡＶファイルのロードに失敗しました：%s \n", path);
        return -1;
    }
    const STREAMREF ref{*GetFileStreamOps(), file};
    int keep = 1;
    if (AddSreamSound(&ref, repeat, sound, create_type, &keep, buffer_owner) != 0) {
        CloseFileStream(file);
        log_with_path("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", path);
        return -1;
    }
    if (keep == 1)
        CloseFileStream(file);
    d->source_owned[d->source_count - 1] = 1;
    return 0;
}

int AddStreamSoundFromImage(const void* image, int image_size, int repeat, int sound, int create_type, int buffer_owner)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    if (create_type == 3)
        create_type = 2;
    MEMSTREAM* mem = OpenMemStream(const_cast<void*>(image), image_size);
    if (mem == nullptr)
        return LogWrite("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
    const STREAMREF ref{*GetMemStreamOps(), mem};
    int keep = 1;
    if (AddSreamSound(&ref, repeat, sound, create_type, &keep, buffer_owner) != 0) {
        CloseMemStream(mem);
        return LogWrite("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
    }
    if (keep == 1)
        CloseMemStream(mem);
    d->source_owned[d->source_count - 1] = 1;
    return 0;
}

int PrimeStreamSound(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    SOUNDBUFFER* slot;
    if (d->stream == 0 || d->source_count == 0 || IsStreamSoundPlaying(sound) == 1 ||
        ClaimStreamBuffer(sound, d, &slot, 0) != 0 || d->stream_active != 0)
        return 0;
    SetSoundBufferRecordPosition(slot, 0);
    d->write_position = NOT_FILLED;
    d->window_start = -1;
    d->last_cursor = 0;
    d->stop_pending = 0;
    SeekSoundConverter(&d->sources[d->current_source].conv, d->source_position / static_cast<int>(block_of(d)));
    d->stream_active = 1;
    RefillStreamSound(sound);
    return 0;
}

int RefillStreamSound(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    SOUNDBUFFER* slot;
    if (d->stream == 0 || d->source_count == 0 || ClaimStreamBuffer(sound, d, &slot, 0) != 0 || d->stream_active == 0)
        return 0;
    UpdateStreamPlayPosition(sound, -1);
    const media::snd::STREAMQUANTITIES q = media::snd::stream_quantities(d->format);
    const std::int64_t ring = ring_size_of(d);
    const std::int64_t w = d->write_position;
    const std::int64_t x = d->window_start;
    const std::uint32_t cursor = play_cursor(slot);
    const std::int64_t p = cursor;
    const std::uint32_t k = block_of(d);
    const bool playing = ring_playing(slot);

    const auto in_window = [&] { return x <= w ? (x <= p && p <= w) : (p >= x || p <= w); };
    std::uint32_t n;
    bool silence = false;
    bool first = false;
    if (d->stop_pending != 0) {
        if (d->stop_ring < cursor && (d->stop_cursor < d->stop_ring || d->stop_cursor > cursor)) {
            // the end has been heard
            StopSoundBufferRecord(slot);
            d->stop_pending = 0;
            reset_stream(d);
            return 0;
        }
        if (!in_window())
            return -1;
        n = q.eighth;
        silence = true;
    } else if (!playing) {
        if (w != NOT_FILLED)
            return 0;
        first = true;
        n = q.first_fill;
    } else {
        if (!in_window())
            return -1;
        const std::int64_t lead = x <= w ? w - p : (p < w ? w - p : w + ring - p);
        const std::int64_t rate = d->format.nAvgBytesPerSec != 0 ? d->format.nAvgBytesPerSec : 1;
        const std::int64_t share = lead * 512 / rate;
        n = share < 192 ? static_cast<std::uint32_t>((192 - share) * rate / 512 / k * k) : q.eighth;
    }
    if (n == 0)
        return 0;

    const std::uint32_t offset = first ? 0 : static_cast<std::uint32_t>(w);
    void *a, *b;
    std::uint32_t an, bn;
    if (LockSoundBufferRecord(slot, offset, n, &a, &an, &b, &bn) != 0)
        return 0;
    LOCKREGION r{offset, static_cast<std::uint8_t*>(a), static_cast<std::uint8_t*>(b), an, bn, 0, 0, an, bn};
    std::uint32_t written;
    if (silence) {
        FillLockedRegionsWithSilence(d, &r, n);
        written = n;
    } else {
        std::uint32_t rest = n;
        while (rest > 0 && d->stop_pending == 0) {
            const int index = d->current_source;
            STREAMSOURCE& s = d->sources[index];
            const std::int64_t loop_end = static_cast<std::int64_t>(s.loop_end) * k;
            std::uint32_t ask = rest;
            if (s.loop_end != -1 && d->source_position + static_cast<std::int64_t>(rest) > loop_end)
                ask = static_cast<std::uint32_t>(std::max<std::int64_t>(loop_end - d->source_position, 0));
            const int got = FillLockedRegionsFromConverter(&r, &s.conv, ask);
            if (got == 0) {
                AdvanceStreamSource(d, &r, cursor);
            } else {
                rest -= static_cast<std::uint32_t>(got);
                d->source_position += got;
            }
            // one copy per source and pass: the loop goes on only into the next source
            if (d->current_source == index && d->source_position >= loop_end)
                break;
        }
        written = n - rest;
    }
    UnlockSoundBufferRecord(slot, a, an, b, bn);

    if (first) {
        d->write_position = static_cast<std::int32_t>(written);
        d->window_start = 0;
        return 0;
    }
    std::int64_t next = w + written;
    if (next >= ring)
        next -= ring;
    std::int64_t start = next - q.window;
    if (start < 0)
        start += ring;
    d->write_position = static_cast<std::int32_t>(next);
    d->window_start = static_cast<std::int32_t>(start);
    return 0;
}

int UpdateStreamPlayPosition(int sound, int cursor)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    SOUNDBUFFER* slot;
    if (d->stream == 0 || ClaimStreamBuffer(sound, d, &slot, 0) != 0 || d->stream_active == 0)
        return 0;
    const std::uint32_t p = cursor == -1 ? play_cursor(slot) : static_cast<std::uint32_t>(cursor);
    const std::uint32_t l = d->last_cursor;
    if (p == l)
        return 0;
    const std::uint32_t ring = ring_size_of(d);
    if (d->loop_jump != 0) {
        const std::uint32_t j = d->jump_ring;
        const std::uint32_t o = static_cast<std::uint32_t>(d->jump_output);
        bool passed = true;
        if (l < p && l < j && j <= p)
            d->played_bytes = p - j + o;
        else if (l > p && j > l)
            d->played_bytes = ring - j + p + o;
        else if (l > p && j <= p)  // a jump at the cursor's wrap to 0 counts too
            d->played_bytes = p - j + o;
        else
            passed = false;
        if (passed) {
            d->loop_jump = 0;
            d->last_cursor = p;
            return 0;
        }
    }
    d->played_bytes += l < p ? p - l : ring - l + p;
    d->last_cursor = p;
    return 0;
}

int PlayStreamSound(int sound, int play_type, int restart)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    {
        lock_guard hold(media::snd::sound_lock);
        SOUNDBUFFER* slot;
        if (d->stream == 0 || ClaimStreamBuffer(sound, d, &slot, 1) != 0)
            return -1;
        if (restart == 0 && IsStreamSoundPlaying(sound) == 1)
            return 0;
        StopStreamSound(sound);
        if (((d->play_type ^ play_type) & 2) != 0 && d->all_done != 0)
            reset_stream(d);
        if (restart != 0) {
            d->all_done = 0;
            if (d->played_bytes != 0)
                reset_stream(d);
        }
        d->play_type = play_type;
        PrimeStreamSound(sound);
        // the stop left the ring free: claimed again for this sound
        ClaimStreamBuffer(sound, d, &slot, 1);
        int values[3] = {d->volume, d->pan, d->frequency};
        for (int i = 0; i < 3; ++i) {
            if (d->one_shot_set[i] != 0) {
                values[i] = d->one_shot[i];
                d->one_shot_set[i] = 0;
            }
        }
        SetSoundBufferRecordVolume(slot, values[0]);
        SetSoundBufferRecordPan(slot, values[1]);
        SetSoundBufferRecordFrequency(slot, static_cast<std::uint32_t>(values[2]));
        if (slot->in_use != 0)
            PlaySoundBufferRecord(slot, 1);
    }
    if (play_type == SOUNDPLAY_WAIT && PumpWindowMessages() == 0) {
        while (IsSoundPlaying(sound) == 1) {
            platform::sleep(1);
            if (PumpWindowMessages() != 0)
                break;
        }
    }
    return 0;
}

int StopStreamSound(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    UpdateStreamPlayPosition(sound, -1);
    SOUNDBUFFER* slot;
    if (ClaimStreamBuffer(sound, d, &slot, 0) != 0)
        return 0;
    if (d->buffer_owner != -1) {
        if (SOUNDDATA* o = find_sound(d->buffer_owner))
            o->buffer_user = -1;
    }
    std::uint32_t status = 0;
    if (GetSoundBufferRecordStatus(slot, &status) != 0)
        return slot->in_use != 0 ? -1 : 0;
    if ((status & platform::audio::status_playing) != 0)
        StopSoundBufferRecord(slot);
    return 0;
}

int IsStreamSoundPlaying(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    // the claim records the ring's user, which the stream thread reads
    lock_guard hold(media::snd::sound_lock);
    SOUNDBUFFER* slot;
    if (ClaimStreamBuffer(sound, d, &slot, 0) != 0)
        return 0;
    return ring_playing(slot) ? 1 : 0;
}

int GetStreamSoundPlayTime(int sound)
{
    SOUNDDATA* d = find_sound(sound);
    if (d == nullptr)
        return -1;
    lock_guard hold(media::snd::sound_lock);
    UpdateStreamPlayPosition(sound, -1);
    const int t = SamplesToMilliseconds(static_cast<int>(d->played_bytes / block_of(d)),
                                        static_cast<int>(d->format.nSamplesPerSec));
    return std::min(t, GetSoundLengthMs(sound));
}
