// Sound converters: the set-up order over the kinds, the WAV chunk walk,
// the PCM WAV and PCM block kinds, reading and seeking by kind, whole
// decoding and WAV file images.
#include "media/sound/convert.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/sound/internal.hpp"
#include "platform/audio/format.hpp"

using media::snd::sound_system;

namespace {

// A seek closer than this to the output position is ignored.
constexpr std::int64_t SEEK_SLACK = 16;
// The largest byte rate a PCM WAV may claim (its unit, the work buffer, is
// one second).
constexpr std::uint32_t MAX_PCM_BYTE_RATE = 1u << 24;

int stream_read(const STREAMREF& s, void* buffer, int bytes)
{
    return s.ops.read(buffer, 1, bytes, s.data);
}

bool stream_seek(const STREAMREF& s, std::int64_t position)
{
    if (position < 0 || position > INT_MAX)
        return false;
    s.ops.seek(s.data, static_cast<int>(position), 0);
    return true;
}

// The stream's size (seek to the end and tell), the position restored.
std::int64_t stream_size(const STREAMREF& s)
{
    const int here = s.ops.tell(s.data);
    s.ops.seek(s.data, 0, 2);
    const int end = s.ops.tell(s.data);
    s.ops.seek(s.data, here, 0);
    return here < 0 ? -1 : end;
}

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

struct chunk_header {
    char id[4];
    std::uint32_t size;
};

bool read_chunk_header(const STREAMREF& s, chunk_header* h)
{
    std::uint8_t b[8];
    if (stream_read(s, b, 8) != 8)
        return false;
    std::memcpy(h->id, b, 4);
    h->size = le32(b + 4);
    return true;
}

bool is_id(const chunk_header& h, const char* id)
{
    return std::memcmp(h.id, id, 4) == 0;
}

// Header values the PCM kind can compute with: no divisions by zero in the
// length, ring and millisecond arithmetic, no empty or negative unit.
bool usable_pcm_format(const WAVEFORMATEX& f)
{
    if (f.nChannels == 0 || f.nSamplesPerSec == 0)
        return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16 && f.wBitsPerSample != 24 && f.wBitsPerSample != 32)
        return false;
    if (f.nBlockAlign == 0 || f.nBlockAlign < f.nChannels * f.wBitsPerSample / 8)
        return false;
    return f.nAvgBytesPerSec != 0 && f.nAvgBytesPerSec <= MAX_PCM_BYTE_RATE;
}

// What the audio layer can play a ring of.
bool playable_format(const WAVEFORMATEX& f)
{
    return f.nChannels <= 8 && f.nSamplesPerSec >= platform::audio::min_rate &&
           f.nSamplesPerSec <= platform::audio::max_rate;
}

// Kind 0: PCM WAV, read from the stream unit by unit as the sound plays.
int OpenWavePcmConverter(SOUNDCONV* conv)
{
    WAVEFORMATEX* chunk;
    int chunk_size;
    if (media::snd::walk_wave_chunks(conv, &chunk, &chunk_size) != 0)
        return -1;
    WAVEFORMATEX format;
    std::memcpy(&format, chunk, sizeof format);
    ManagedFree(chunk);
    if (format.wFormatTag != platform::filter::WAVE_FORMAT_PCM)
        return -1;
    if (chunk_size == 16)
        media::snd::complete_short_pcm_format(&format);
    if (!usable_pcm_format(format))
        return -1;
    conv->format = format;
    // a partial last frame would shift every frame after it in a ring
    conv->data_size -= conv->data_size % format.nBlockAlign;
    conv->unit_size = static_cast<std::int32_t>(format.nAvgBytesPerSec);
    conv->kind = SOUNDCONV_KIND_WAVE;
    return 0;
}

int FillFromWavePcm(SOUNDCONV* conv)
{
    const std::int64_t done = static_cast<std::int64_t>(conv->source.ops.tell(conv->source.data)) - conv->data_position;
    if (done < 0 || done >= conv->data_size)
        return -1;
    const int bytes = static_cast<int>(std::min<std::int64_t>(conv->unit_size, conv->data_size - done));
    const int got = stream_read(conv->source, conv->work, bytes);
    if (got <= 0)
        return -1;
    conv->valid = got;
    return 0;
}

int FillFromPcmBlock(SOUNDCONV* conv)
{
    SOUNDCONV_PCMBLOCK& b = conv->block;
    if (b.read_position >= b.held)
        return -1;
    const int bytes = std::min(conv->unit_size, b.held - b.read_position);
    std::memcpy(conv->work, static_cast<const std::uint8_t*>(b.block) + b.read_position, bytes);
    b.read_position += bytes;
    conv->valid = bytes;
    return 0;
}

int refill(SOUNDCONV* conv)
{
    switch (conv->kind) {
        case SOUNDCONV_KIND_WAVE:
            return FillFromWavePcm(conv);
        case SOUNDCONV_KIND_ACM:
            return FillFromAcm(conv);
        case SOUNDCONV_KIND_OGG:
            return FillFromOgg(conv);
        case SOUNDCONV_KIND_PCMBLOCK:
            return FillFromPcmBlock(conv);
        default:
            return -1;
    }
}

// Releases what the kind holds, as closing does.
void release_kind(SOUNDCONV* conv)
{
    switch (conv->kind) {
        case SOUNDCONV_KIND_ACM:
            CloseAcmConverter(conv);
            break;
        case SOUNDCONV_KIND_OGG:
            CloseOggConverter(conv);
            break;
        case SOUNDCONV_KIND_PCMBLOCK:
            ManagedFree(conv->block.block);
            conv->block = SOUNDCONV_PCMBLOCK{};
            break;
        default:
            break;
    }
}

// Moves to a sample frame whatever the distance; target is its byte.
void move_to(SOUNDCONV* conv, int sample, int target)
{
    switch (conv->kind) {
        case SOUNDCONV_KIND_WAVE:
            target = std::min(target, conv->data_size);
            stream_seek(conv->source, static_cast<std::int64_t>(conv->data_position) + target);
            conv->output_position = target;
            conv->valid = 0;
            conv->read_offset = 0;
            break;
        case SOUNDCONV_KIND_ACM:
            SeekAcmConverter(conv, target);
            break;
        case SOUNDCONV_KIND_OGG:
            SeekOggConverter(conv, sample);
            break;
        case SOUNDCONV_KIND_PCMBLOCK:
            target = std::min(target, conv->block.held);
            conv->block.read_position = target;
            conv->output_position = target;
            conv->valid = 0;
            conv->read_offset = 0;
            break;
        default:
            break;
    }
    conv->at_end = 0;
}

}  // namespace

namespace media::snd {

void complete_short_pcm_format(WAVEFORMATEX* format)
{
    if (format->nChannels != 0)
        format->wBitsPerSample = static_cast<std::uint16_t>(format->nBlockAlign / format->nChannels * 8);
    format->cbSize = 0;
}

int walk_wave_chunks(SOUNDCONV* conv, WAVEFORMATEX** format, int* format_size)
{
    const STREAMREF& s = conv->source;
    const std::int64_t start = s.ops.tell(s.data);
    const std::int64_t end = stream_size(s);
    if (start < 0 || end < start)
        return -1;
    std::uint8_t riff[12];
    if (stream_read(s, riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return -1;
    std::int64_t position = start + 12;
    chunk_header h;
    if (!read_chunk_header(s, &h))
        return -1;
    position += 8;
    if (is_id(h, "bext")) {
        // no pad byte after this one
        position += h.size;
        if (position > end || !stream_seek(s, position) || !read_chunk_header(s, &h))
            return -1;
        position += 8;
    }
    if (!is_id(h, "fmt ") || h.size < 16 || h.size > MAX_WAVE_FORMAT_CHUNK || position + h.size > end)
        return -1;
    const int size = static_cast<int>(h.size);
    auto* chunk = static_cast<WAVEFORMATEX*>(ManagedCalloc(std::max<int>(size, sizeof(WAVEFORMATEX)), "", 0));
    if (chunk == nullptr)
        return -1;
    // the next header follows the body directly, even after an odd size
    if (stream_read(s, chunk, size) != size) {
        ManagedFree(chunk);
        return -1;
    }
    position += size;
    for (;;) {
        if (!read_chunk_header(s, &h)) {
            ManagedFree(chunk);
            return -1;
        }
        position += 8;
        if (is_id(h, "data"))
            break;
        position += static_cast<std::int64_t>(h.size) + (h.size & 1);
        if (position > end || !stream_seek(s, position)) {
            ManagedFree(chunk);
            return -1;
        }
    }
    if (s.ops.at_end(s.data) != 0) {
        ManagedFree(chunk);
        return -1;
    }
    conv->data_position = static_cast<std::int32_t>(position);
    // a chunk that claims more than the file holds keeps what is there
    conv->data_size = static_cast<std::int32_t>(std::min<std::int64_t>(h.size, end - position));
    *format = chunk;
    *format_size = size;
    return 0;
}

}  // namespace media::snd

int OpenSoundConverter(SOUNDCONV* conv, const STREAMREF* source)
{
    if (conv == nullptr || source == nullptr || conv->initialised != 0)
        return -1;
    conv->old_vorbis = sound_system.movie_audio;
    conv->source = *source;
    conv->kind = -1;
    conv->work = nullptr;
    conv->unit_size = 0;
    conv->format = WAVEFORMATEX{};
    conv->data_position = 0;
    conv->data_size = 0;

    using attempt = int (*)(SOUNDCONV*);
    static const attempt from_start[] = {OpenWavePcmConverter, OpenWaveAcmConverter, OpenOggConverter,
                                         OpenMp3AcmConverter};
    bool opened = false;
    for (attempt a : from_start) {
        conv->source.ops.seek(conv->source.data, 0, 0);
        if (a(conv) == 0) {
            opened = true;
            break;
        }
    }
    // the graph measures and reads the stream itself
    if (!opened && OpenMp3DirectShowConverter(conv) == 0)
        opened = true;
    if (!opened) {
        conv->kind = 0;
        return -1;
    }

    conv->initialised = 0;
    conv->at_end = 0;
    if (!playable_format(conv->format) || conv->unit_size <= 0) {
        release_kind(conv);
        return -1;
    }
    conv->work = ManagedAlloc(conv->unit_size, "", 0);
    if (conv->work == nullptr) {
        release_kind(conv);
        return -1;
    }
    conv->valid = 0;
    conv->read_offset = 0;
    conv->output_position = 0;
    conv->initialised = 1;
    return 0;
}

int ReadSoundConverter(SOUNDCONV* conv, void* dest, int count)
{
    if (conv == nullptr || conv->initialised == 0)
        return -1;
    if (conv->at_end != 0 || count <= 0)
        return 0;
    if (dest == nullptr)
        return -1;
    auto* out = static_cast<std::uint8_t*>(dest);
    int done = 0;
    while (done < count) {
        if (conv->valid <= 0) {
            conv->valid = 0;
            conv->read_offset = 0;
            // a refill that gives nothing ends the data too, so a kind that
            // stops producing cannot hold the reader in this loop
            if (refill(conv) != 0 || conv->valid <= 0) {
                conv->valid = 0;
                conv->at_end = 1;
                break;
            }
            conv->valid = std::min(conv->valid, conv->unit_size);
        }
        const int n = std::min(count - done, conv->valid);
        std::memcpy(out + done, static_cast<const std::uint8_t*>(conv->work) + conv->read_offset, n);
        conv->valid -= n;
        conv->read_offset += n;
        conv->output_position += n;
        done += n;
    }
    return done;
}

int SeekSoundConverter(SOUNDCONV* conv, int sample)
{
    if (conv == nullptr || conv->initialised == 0)
        return -1;
    const std::int64_t target =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(sample) * conv->format.nBlockAlign, 0, INT_MAX);
    const std::int64_t distance = target - conv->output_position;
    if (distance > -SEEK_SLACK && distance < SEEK_SLACK)
        return 0;
    move_to(conv, sample, static_cast<int>(target));
    return 0;
}

int CloseSoundConverter(SOUNDCONV* conv)
{
    if (conv == nullptr || conv->initialised == 0)
        return -1;
    ManagedFree(conv->work);
    conv->work = nullptr;
    release_kind(conv);
    conv->initialised = 0;
    conv->at_end = 0;
    conv->valid = 0;
    conv->read_offset = 0;
    return 0;
}

int GetSoundConverterFormat(SOUNDCONV* conv, WAVEFORMATEX* format)
{
    if (conv == nullptr || format == nullptr)
        return -1;
    *format = conv->format;
    return 0;
}

int GetSoundConverterPcmSize(SOUNDCONV* conv)
{
    if (conv == nullptr || conv->initialised == 0)
        return 0;
    switch (conv->kind) {
        case SOUNDCONV_KIND_WAVE:
            return conv->data_size;
        case SOUNDCONV_KIND_ACM:
            return GetAcmPcmSize(conv);
        case SOUNDCONV_KIND_OGG:
            return GetOggPcmSize(conv);
        case SOUNDCONV_KIND_PCMBLOCK:
            return conv->block.held;
        default:
            return 0;
    }
}

int DecodeWholeSound(SOUNDCONV* conv, WAVEFORMATEX* format, void** pcm, int* pcm_size)
{
    if (conv == nullptr || conv->initialised == 0 || pcm == nullptr || pcm_size == nullptr)
        return -1;
    const int size = std::max(GetSoundConverterPcmSize(conv), 0);
    void* block = ManagedAlloc(size, "", 0);
    if (block == nullptr)
        return -1;
    // back to the start even from a few bytes in, where a seek would be ignored
    move_to(conv, 0, 0);
    int got;
    if (conv->kind == SOUNDCONV_KIND_WAVE) {
        got = size > 0 ? std::max(stream_read(conv->source, block, size), 0) : 0;
        got -= got % conv->format.nBlockAlign;
        conv->output_position = got;
    } else {
        got = std::max(ReadSoundConverter(conv, block, size), 0);
    }
    if (format != nullptr)
        *format = conv->format;
    *pcm = block;
    *pcm_size = got;
    return 0;
}

void WriteWaveHeader(std::uint8_t* out, const void* format, int format_size, std::uint32_t pcm_size)
{
    std::memcpy(out, "RIFF", 4);
    put32(out + 4, 20 + static_cast<std::uint32_t>(format_size) + pcm_size);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    put32(out + 16, static_cast<std::uint32_t>(format_size));
    if (format_size > 0)
        std::memcpy(out + 20, format, format_size);
    std::memcpy(out + 20 + format_size, "data", 4);
    put32(out + 24 + format_size, pcm_size);
}

int BuildWaveImage(void** image, int* image_size, const void* format, int format_size, const void* pcm, int pcm_size)
{
    if (image == nullptr || image_size == nullptr || format_size < 0 || pcm_size < 0 ||
        (format_size > 0 && format == nullptr) || (pcm_size > 0 && pcm == nullptr))
        return -1;
    const std::int64_t total = static_cast<std::int64_t>(format_size) + pcm_size + 28;
    if (total > INT_MAX)
        return -1;
    auto* p = static_cast<std::uint8_t*>(ManagedAlloc(static_cast<int>(total), "", 0));
    if (p == nullptr)
        return -1;
    WriteWaveHeader(p, format, format_size, static_cast<std::uint32_t>(pcm_size));
    if (pcm_size > 0)
        std::memcpy(p + 28 + format_size, pcm, pcm_size);
    *image = p;
    *image_size = static_cast<int>(total);
    return 0;
}

int LoadStreamImage(const STREAMREF* source, void** image, int* image_size)
{
    if (source == nullptr || image == nullptr || image_size == nullptr)
        return -1;
    const STREAMREF& s = *source;
    s.ops.seek(s.data, 0, 2);
    const int size = s.ops.tell(s.data);
    s.ops.seek(s.data, 0, 0);
    if (size < 0)
        return -1;
    void* block = ManagedAlloc(size, "", 0);
    if (block == nullptr)
        return LogWrite("ストリームの読み込みに必要なメモリの確保に失敗しました\n");
    const int got = size > 0 ? std::max(stream_read(s, block, size), 0) : 0;
    *image = block;
    *image_size = got;
    return 0;
}
