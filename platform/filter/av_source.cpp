// The movie file source over libavformat and libavcodec: a video pin of
// bottom-up 24-bit RGB frames and, when the file has sound, an audio pin of
// 16-bit PCM. Each pin reads the file through its own demuxer, so that the
// two streaming threads share nothing. Damaged data is skipped: a pin shows
// what decodes and ends its stream where reading stops.
#include "platform/filter/formats.hpp"
#include "platform/filter/source.hpp"
#include "platform/filter/stock.hpp"

#include "platform/filter/av_library.hpp"
#include "platform/text/codepage.hpp"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace platform::filter {

namespace {

constexpr REFERENCE_TIME units_per_second = 10'000'000;
// Pictures larger than this on either side are refused (bad or hostile headers).
constexpr int max_side = 16384;

// The codec libraries' table; reached only once codec_library() has given
// one (a source is made and a file recognised only then).
const av_library& av()
{
    return *codec_library();
}

void quiet_library()
{
    static std::once_flag once;
    std::call_once(once, [] { av().av_log_set_level(AV_LOG_QUIET); });
}


// One demuxer and one decoder for one stream of the file.
struct stream_reader {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int index = -1;
    bool drained = false;  // the decoder was told the input ended

    ~stream_reader() { close(); }

    void close()
    {
        av().av_frame_free(&frame);
        av().av_packet_free(&packet);
        av().avcodec_free_context(&codec);
        av().avformat_close_input(&format);
        index = -1;
    }

    // Opens the best stream of the type; false when there is none or it
    // cannot be decoded.
    bool open(const std::string& path, AVMediaType type)
    {
        close();
        if (av().avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
            return false;
        if (av().avformat_find_stream_info(format, nullptr) < 0)
            return false;
        const AVCodec* decoder = nullptr;
        index = av().av_find_best_stream(format, type, -1, -1, &decoder, 0);
        if (index < 0 || !decoder)
            return false;
        codec = av().avcodec_alloc_context3(decoder);
        packet = av().av_packet_alloc();
        frame = av().av_frame_alloc();
        if (!codec || !packet || !frame)
            return false;
        if (av().avcodec_parameters_to_context(codec, format->streams[index]->codecpar) < 0)
            return false;
        codec->thread_count = 1;
        if (av().avcodec_open2(codec, decoder, nullptr) < 0)
            return false;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (int(i) != index)
                format->streams[i]->discard = AVDISCARD_ALL;
        drained = false;
        return true;
    }

    AVRational time_base() const { return format->streams[index]->time_base; }

    // The next decoded frame in `frame`; false at the end of what decodes.
    bool next()
    {
        for (;;) {
            int got = av().avcodec_receive_frame(codec, frame);
            if (got == 0)
                return true;
            if (got == AVERROR_EOF || (got != AVERROR(EAGAIN) && drained))
                return false;
            if (drained)
                return false;
            int read = av().av_read_frame(format, packet);
            if (read < 0) {
                av().avcodec_send_packet(codec, nullptr);  // flush what the decoder holds
                drained = true;
                continue;
            }
            if (packet->stream_index == index)
                av().avcodec_send_packet(codec, packet);  // a damaged packet is skipped
            av().av_packet_unref(packet);
        }
    }

    // Moves to `position` (100-ns units from the file's start).
    void seek(REFERENCE_TIME position)
    {
        std::int64_t target = av().av_rescale_q(position, AVRational{1, int(units_per_second)}, time_base());
        if (format->streams[index]->start_time != AV_NOPTS_VALUE)
            target += format->streams[index]->start_time;
        av().av_seek_frame(format, index, target, AVSEEK_FLAG_BACKWARD);
        av().avcodec_flush_buffers(codec);
        drained = false;
    }

    // A frame's time in 100-ns units from the stream's start.
    REFERENCE_TIME time_of(std::int64_t pts) const
    {
        if (pts == AV_NOPTS_VALUE)
            return -1;
        std::int64_t start = format->streams[index]->start_time;
        if (start != AV_NOPTS_VALUE)
            pts -= start;
        return av().av_rescale_q(pts, time_base(), AVRational{1, int(units_per_second)});
    }
};

class CAvSource;

class CAvStream : public CSourceStream {
public:
    CAvStream(CSource* filter, CAvSource* source, HRESULT* hr, const wchar_t* name)
        : CSourceStream("movie stream", hr, filter, name), owner_(source)
    {
    }

    HRESULT CheckMediaType(const CMediaType* type) override { return *type == type_ ? S_OK : S_FALSE; }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        return type->Set(type_);
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        ALLOCATOR_PROPERTIES wanted{2, LONG(sample_bytes_), request->cbAlign > 0 ? request->cbAlign : 1, 0};
        ALLOCATOR_PROPERTIES granted{};
        HRESULT hr = allocator->SetProperties(&wanted, &granted);
        if (FAILED(hr))
            return hr;
        return granted.cbBuffer < LONG(sample_bytes_) ? E_FAIL : S_OK;
    }
    HRESULT OnThreadStartPlay() override;

    CMediaType type_;
    std::uint32_t sample_bytes_ = 0;
    stream_reader reader_;

protected:
    CAvSource* owner_;
};

class CAvVideo : public CAvStream {
public:
    using CAvStream::CAvStream;
    ~CAvVideo() override { av().sws_freeContext(scaler_); }

    bool open(const std::string& path)
    {
        if (!reader_.open(path, AVMEDIA_TYPE_VIDEO))
            return false;
        width_ = reader_.codec->width;
        height_ = reader_.codec->height;
        if (width_ <= 0 || height_ <= 0 || width_ > max_side || height_ > max_side)
            return false;
        stride_ = (std::uint32_t(width_) * 3 + 3) & ~3u;
        sample_bytes_ = stride_ * std::uint32_t(height_);
        AVRational rate = av().av_guess_frame_rate(reader_.format, reader_.format->streams[reader_.index], nullptr);
        frame_time_ = rate.num > 0 && rate.den > 0 ? av().av_rescale(units_per_second, rate.den, rate.num) : 400000;
        VIDEOINFOHEADER info{};
        info.rcSource = {0, 0, width_, height_};
        info.rcTarget = info.rcSource;
        info.AvgTimePerFrame = frame_time_;
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = height_;  // positive: bottom-up rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biSizeImage = sample_bytes_;
        type_.SetType(&MEDIATYPE_Video);
        type_.SetSubtype(&MEDIASUBTYPE_RGB24);
        type_.SetFormatType(&FORMAT_VideoInfo);
        type_.SetSampleSize(sample_bytes_);
        return type_.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof info);
    }

    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    SwsContext* scaler_ = nullptr;
    int width_ = 0, height_ = 0;
    std::uint32_t stride_ = 0;
    REFERENCE_TIME frame_time_ = 0;
};

class CAvAudio : public CAvStream {
public:
    using CAvStream::CAvStream;
    ~CAvAudio() override { av().swr_free(&resampler_); }

    bool open(const std::string& path)
    {
        if (!reader_.open(path, AVMEDIA_TYPE_AUDIO))
            return false;
        AVCodecContext* c = reader_.codec;
        if (c->sample_rate < 1000 || c->sample_rate > 192000 || c->ch_layout.nb_channels < 1)
            return false;
        rate_ = c->sample_rate;
        channels_ = std::min(c->ch_layout.nb_channels, 2);
        AVChannelLayout out_layout{};
        av().av_channel_layout_default(&out_layout, channels_);
        int made = av().swr_alloc_set_opts2(&resampler_, &out_layout, AV_SAMPLE_FMT_S16, rate_, &c->ch_layout,
                                       c->sample_fmt, rate_, 0, nullptr);
        av().av_channel_layout_uninit(&out_layout);
        if (made < 0 || av().swr_init(resampler_) < 0)
            return false;
        frames_per_sample_ = std::uint32_t(rate_ / 10);  // 100 ms a sample
        sample_bytes_ = frames_per_sample_ * std::uint32_t(channels_) * 2;
        WAVEFORMATEX wave{WAVE_FORMAT_PCM,
                          std::uint16_t(channels_),
                          std::uint32_t(rate_),
                          std::uint32_t(rate_ * channels_ * 2),
                          std::uint16_t(channels_ * 2),
                          16,
                          0};
        type_.SetType(&MEDIATYPE_Audio);
        type_.SetSubtype(&MEDIASUBTYPE_PCM);
        type_.SetFormatType(&FORMAT_WaveFormatEx);
        type_.SetSampleSize(std::uint32_t(channels_ * 2));
        return type_.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof wave);
    }

    HRESULT FillBuffer(IMediaSample* sample) override;

    void restart(REFERENCE_TIME position)
    {
        av().swr_close(resampler_);
        av().swr_init(resampler_);
        next_time_ = -1;
        skip_until_ = position;
    }

private:
    SwrContext* resampler_ = nullptr;
    int rate_ = 0, channels_ = 0;
    std::uint32_t frames_per_sample_ = 0;
    REFERENCE_TIME next_time_ = -1;  // the time of the next output frame
    REFERENCE_TIME skip_until_ = 0;
};

class CAvSource : public CSource, public IFileSourceFilter, public IMediaSeeking {
public:
    CAvSource() : CSource("movie source", nullptr, GUID_NULL) {}

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IFileSourceFilter)
            return GetInterface(static_cast<IFileSourceFilter*>(this), out);
        if (iid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), out);
        return CSource::NonDelegatingQueryInterface(iid, out);
    }

    HRESULT Load(const wchar_t* file, const AM_MEDIA_TYPE*) override
    {
        if (!file)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(m_cStateLock);
        if (!m_paStreams.empty())
            return E_UNEXPECTED;  // loaded once
        quiet_library();
        std::string path = "file:" + text::to_utf8(file);  // never read as another protocol
        HRESULT hr = S_OK;
        auto* video = new (std::nothrow) CAvVideo(this, this, &hr, L"Video");
        if (video && !video->open(path)) {
            m_paStreams.pop_back();
            delete video;
        }
        auto* audio = new (std::nothrow) CAvAudio(this, this, &hr, L"Audio");
        if (audio && !audio->open(path)) {
            m_paStreams.pop_back();
            delete audio;
        }
        if (m_paStreams.empty())
            return VFW_E_UNKNOWN_FILE_TYPE;
        // The duration: the container's, else the longest stream's.
        AVFormatContext* f = static_cast<CAvStream*>(m_paStreams.front())->reader_.format;
        if (f->duration != AV_NOPTS_VALUE && f->duration > 0)
            duration_ = av().av_rescale(f->duration, units_per_second, AV_TIME_BASE);
        stop_ = duration_;
        IncrementPinVersion();
        return S_OK;
    }

    HRESULT GetDuration(LONGLONG* duration) override
    {
        if (!duration)
            return E_POINTER;
        *duration = duration_;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG* stop) override
    {
        if (!stop)
            return E_POINTER;
        *stop = stop_;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* current) override
    {
        if (!current)
            return E_POINTER;
        *current = start_;
        return S_OK;
    }
    // Taken while stopped; the graph stops the streams around a seek.
    HRESULT SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG* stop, DWORD stop_flags) override
    {
        std::lock_guard<std::recursive_mutex> hold(m_cStateLock);
        if (!IsStopped())
            return VFW_E_NOT_STOPPED;
        if (current_flags != AM_SEEKING_NoPositioning) {
            if (!current)
                return E_POINTER;
            start_ = std::clamp<LONGLONG>(*current, 0, std::max<LONGLONG>(duration_, 0));
        }
        if (stop_flags != AM_SEEKING_NoPositioning) {
            if (!stop)
                return E_POINTER;
            stop_ = std::clamp<LONGLONG>(*stop, 0, std::max<LONGLONG>(duration_, 0));
        }
        return S_OK;
    }

    REFERENCE_TIME start() const { return start_; }
    REFERENCE_TIME stop() const { return stop_; }

private:
    REFERENCE_TIME duration_ = 0;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
};

HRESULT CAvStream::OnThreadStartPlay()
{
    reader_.seek(owner_->start());
    if (auto* audio = dynamic_cast<CAvAudio*>(this))
        audio->restart(owner_->start());
    return S_OK;
}

HRESULT CAvVideo::FillBuffer(IMediaSample* sample)
{
    for (;;) {
        if (!reader_.next())
            return S_FALSE;
        AVFrame* f = reader_.frame;
        REFERENCE_TIME start = reader_.time_of(f->best_effort_timestamp);
        if (start >= 0 && start + frame_time_ <= owner_->start())
            continue;  // before the position sought
        if (start >= 0 && owner_->stop() > 0 && start >= owner_->stop())
            return S_FALSE;
        if (f->width != width_ || f->height != height_ || f->format < 0)
            continue;  // a frame of another size: not shown
        scaler_ = av().sws_getCachedContext(scaler_, width_, height_, AVPixelFormat(f->format), width_, height_,
                                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler_)
            return E_FAIL;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (sample->GetSize() < LONG(sample_bytes_))
            return E_FAIL;
        // Bottom-up: the first row goes last.
        std::uint8_t* rows[4] = {data + std::size_t(stride_) * std::size_t(height_ - 1), nullptr, nullptr, nullptr};
        int strides[4] = {-int(stride_), 0, 0, 0};
        av().sws_scale(scaler_, f->data, f->linesize, 0, height_, rows, strides);
        sample->SetActualDataLength(LONG(sample_bytes_));
        if (start < 0)
            start = 0;
        REFERENCE_TIME stop = start + frame_time_;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(true);
        av().av_frame_unref(f);
        return S_OK;
    }
}

HRESULT CAvAudio::FillBuffer(IMediaSample* sample)
{
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    if (sample->GetSize() < LONG(sample_bytes_))
        return E_FAIL;
    std::uint8_t* out[1] = {data};
    int got = 0;
    const int frame_bytes = channels_ * 2;
    while (got < int(frames_per_sample_)) {
        // What the resampler holds first, then a newly decoded frame.
        out[0] = data + got * frame_bytes;
        int drained = av().swr_convert(resampler_, out, int(frames_per_sample_) - got, nullptr, 0);
        if (drained > 0) {
            got += drained;
            continue;
        }
        if (!reader_.next())
            break;
        AVFrame* f = reader_.frame;
        REFERENCE_TIME at = reader_.time_of(f->best_effort_timestamp);
        REFERENCE_TIME length = av().av_rescale(f->nb_samples, units_per_second, rate_);
        if (at >= 0 && at + length <= skip_until_) {
            av().av_frame_unref(f);
            continue;  // before the position sought
        }
        if (next_time_ < 0)
            next_time_ = at >= 0 ? at : 0;
        int converted = av().swr_convert(resampler_, out, int(frames_per_sample_) - got,
                                    const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
        av().av_frame_unref(f);
        if (converted > 0)
            got += converted;
    }
    if (got == 0)
        return S_FALSE;
    if (next_time_ < 0)
        next_time_ = 0;
    if (owner_->stop() > 0 && next_time_ >= owner_->stop())
        return S_FALSE;
    sample->SetActualDataLength(got * frame_bytes);
    REFERENCE_TIME start = next_time_;
    REFERENCE_TIME stop = start + av().av_rescale(got, units_per_second, rate_);
    sample->SetTime(&start, &stop);
    next_time_ = stop;
    return S_OK;
}

bool recognised_by_library(const BYTE* head, std::size_t length, const std::wstring& path)
{
    if (length == 0 || !codec_library())
        return false;
    quiet_library();
    std::vector<std::uint8_t> padded(length + AVPROBE_PADDING_SIZE, 0);
    std::memcpy(padded.data(), head, length);
    std::string name = text::to_utf8(path);
    AVProbeData probe{};
    probe.filename = name.c_str();
    probe.buf = padded.data();
    probe.buf_size = int(length);
    int score = 0;
    // Only a match on the content counts, not one on the name alone.
    return av().av_probe_input_format3(&probe, 1, &score) && score > AVPROBE_SCORE_EXTENSION;
}

}  // namespace

IUnknown* make_movie_source()
{
    if (!codec_library())
        return nullptr;
    return static_cast<IBaseFilter*>(new (std::nothrow) CAvSource);
}

bool movie_source_recognises(const BYTE* head, std::size_t length, const std::wstring& path)
{
    return recognised_by_library(head, length, path);
}

}  // namespace platform::filter
