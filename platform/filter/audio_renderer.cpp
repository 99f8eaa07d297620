// The default audio renderer: plays the PCM it receives through one looping
// buffer of the audio layer's mixer, used as a ring that the streaming thread
// fills ahead of the play cursor. The mixer converts to the device's format.
// It plays only while running; a stop takes its voice away.
#include "platform/audio/buffer.hpp"
#include "platform/audio/device.hpp"
#include "platform/filter/formats.hpp"
#include "platform/filter/stock.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace platform::filter {

namespace {

namespace pa = platform::audio;

// The ring holds this long a stretch of sound (at least min_ring_bytes).
constexpr std::uint32_t ring_milliseconds = 1000;
constexpr std::uint32_t min_ring_bytes = 4096;
// How often a waiting streaming thread looks at the play cursor.
constexpr auto poll_interval = std::chrono::milliseconds(1);

bool wave_format_of(const CMediaType& type, pa::pcm_format* out)
{
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
        type.formattype != FORMAT_WaveFormatEx || !type.Format() || type.FormatLength() < sizeof(WAVEFORMATEX))
        return false;
    WAVEFORMATEX wave{};
    std::memcpy(&wave, type.Format(), sizeof wave);
    if (wave.wFormatTag != WAVE_FORMAT_PCM)
        return false;
    pa::pcm_format format = pa::make_pcm_format(wave.nChannels, wave.nSamplesPerSec, wave.wBitsPerSample);
    if (wave.nBlockAlign != format.block_align || pa::check_format(format) != 0)
        return false;
    *out = format;
    return true;
}

class CAudioRenderer : public CBaseRenderer {
public:
    CAudioRenderer() : CBaseRenderer(CLSID_AudioRenderer, "default audio renderer", nullptr, nullptr) {}
    ~CAudioRenderer() override { close_ring(); }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        pa::pcm_format format;
        return wave_format_of(*type, &format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT SetMediaType(const CMediaType* type) override
    {
        return wave_format_of(*type, &format_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT OnStartStreaming() override
    {
        std::lock_guard<std::mutex> hold(ring_lock_);
        open_ring();
        return S_OK;  // without a device the sound is dropped; the graph still runs
    }
    HRESULT OnStopStreaming() override
    {
        close_ring();
        return S_OK;
    }
    HRESULT Run(REFERENCE_TIME start) override
    {
        if (m_State == State_Stopped) {
            HRESULT hr = Pause();
            if (FAILED(hr))
                return hr;
        }
        {
            std::lock_guard<std::mutex> hold(ring_lock_);
            if (ring_)
                ring_->play(true);
        }
        return CBaseRenderer::Run(start);
    }
    HRESULT Pause() override
    {
        {
            std::lock_guard<std::mutex> hold(ring_lock_);
            if (ring_) {
                catch_up();
                ring_->stop();
            }
        }
        return CBaseRenderer::Pause();
    }

    HRESULT DoRenderSample(IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data)))
            return S_OK;
        std::uint32_t left = std::uint32_t(std::max<LONG>(sample->GetActualDataLength(), 0));
        left -= left % std::max<std::uint32_t>(format_.block_align, 1);  // whole frames only
        while (left > 0) {
            {
                std::lock_guard<std::mutex> hold(ring_lock_);
                if (!ring_)
                    return S_OK;
                catch_up();
                std::uint64_t room = ring_size_ - (written_ - played_);
                if (room > 0) {
                    std::uint32_t chunk = std::uint32_t(std::min<std::uint64_t>(room, left));
                    write(data, chunk);
                    data += chunk;
                    left -= chunk;
                    continue;
                }
            }
            if (!keep_waiting())
                return S_OK;
            std::this_thread::sleep_for(poll_interval);
        }
        return S_OK;
    }

    // The end of the stream is reported once what was written has played.
    HRESULT EndOfStream() override
    {
        while (m_State == State_Running && keep_waiting()) {
            {
                std::lock_guard<std::mutex> hold(ring_lock_);
                if (!ring_)
                    break;
                catch_up();
                if (played_ >= written_)
                    break;
            }
            std::this_thread::sleep_for(poll_interval);
        }
        return CBaseRenderer::EndOfStream();
    }

private:
    bool keep_waiting() const
    {
        return m_State != State_Stopped && !(m_pInputPin && m_pInputPin->IsFlushing());
    }

    void open_ring()
    {
        close_ring_locked();
        if (format_.block_align == 0)
            return;
        if (!pa::device_is_open()) {
            if (pa::open_device() != 0)
                return;
            opened_device_ = true;
        }
        std::uint64_t bytes = std::uint64_t(format_.rate) * format_.block_align * ring_milliseconds / 1000;
        bytes = std::max<std::uint64_t>(bytes, min_ring_bytes);
        bytes -= bytes % format_.block_align;
        ring_ = pa::create_buffer(format_, std::uint32_t(bytes));
        ring_size_ = ring_ ? std::uint32_t(bytes) : 0;
        written_ = played_ = 0;
        last_play_ = 0;
    }

    void close_ring()
    {
        std::lock_guard<std::mutex> hold(ring_lock_);
        close_ring_locked();
    }

    void close_ring_locked()
    {
        ring_.reset();  // stops the voice
        if (opened_device_) {
            pa::close_device();
            opened_device_ = false;
        }
    }

    // Moves `played_` on to the play cursor, silencing what was played so
    // that a late writer leaves silence rather than old sound behind it.
    void catch_up()
    {
        std::uint32_t play = 0, write_cursor = 0;
        if (ring_->position(play, write_cursor) != 0)
            return;
        std::uint32_t moved = (play + ring_size_ - last_play_) % ring_size_;
        if (moved == 0)
            return;
        fill(last_play_, nullptr, moved);
        played_ += moved;
        last_play_ = play;
        if (written_ < played_)
            written_ = played_;  // ran dry: new sound starts at the cursor
    }

    void write(const BYTE* data, std::uint32_t bytes)
    {
        fill(std::uint32_t(written_ % ring_size_), data, bytes);
        written_ += bytes;
    }

    // Copies `bytes` (zeros when data is null) into the ring at `offset`.
    void fill(std::uint32_t offset, const BYTE* data, std::uint32_t bytes)
    {
        void *first = nullptr, *second = nullptr;
        std::uint32_t first_bytes = 0, second_bytes = 0;
        if (ring_->lock(offset, bytes, first, first_bytes, second, second_bytes) != 0)
            return;
        if (data) {
            std::memcpy(first, data, first_bytes);
            if (second)
                std::memcpy(second, data + first_bytes, second_bytes);
        } else {
            std::memset(first, 0, first_bytes);
            if (second)
                std::memset(second, 0, second_bytes);
        }
        ring_->unlock(first, first_bytes, second, second_bytes);
    }

    pa::pcm_format format_{};
    std::mutex ring_lock_;
    std::unique_ptr<pa::buffer> ring_;
    std::uint32_t ring_size_ = 0;
    std::uint64_t written_ = 0, played_ = 0;  // bytes since the ring was made
    std::uint32_t last_play_ = 0;
    bool opened_device_ = false;
};

}  // namespace

IUnknown* make_audio_renderer() { return static_cast<IBaseFilter*>(new (std::nothrow) CAudioRenderer); }

}  // namespace platform::filter
