// Filters for tests of the graph manager: a threaded source of numbered
// samples that seeks and loads files, a transform that changes a subtype
// (and may fail), and registrations a test holds for its duration.
#pragma once

#include "support/test_filters.hpp"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace support::filters {

// Types of a major type of the tests' own, so no stock filter takes them.
inline constexpr GUID test_major{0x7E570001, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID subtype_a{0x7E570002, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID subtype_b{0x7E570003, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID subtype_c{0x7E570004, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID clsid_test_source{0x7E570010, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID clsid_a_to_b{0x7E570011, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID clsid_b_renderer{0x7E570012, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID clsid_b_to_a{0x7E570013, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

// A source with one output pin "Out" that streams `count` samples of 4
// bytes (the sample's number, little-endian), each `step` long in 100-ns
// units, on its own thread. It seeks (whole samples), loads any file, and
// fails its FillBuffer at sample `fail_at` when that is not negative.
class numbered_source : public CSource, public IMediaSeeking, public IFileSourceFilter {
public:
    class stream : public CSourceStream {
    public:
        stream(numbered_source* owner, HRESULT* hr) : CSourceStream("numbered stream", hr, owner, L"Out"), owner_(owner) {}
        HRESULT CheckMediaType(const CMediaType* type) override
        {
            return *type == owner_->type_ ? S_OK : S_FALSE;
        }
        HRESULT GetMediaType(int position, CMediaType* type) override
        {
            if (position < 0)
                return E_INVALIDARG;
            if (position > 0)
                return VFW_S_NO_MORE_ITEMS;
            return type->Set(owner_->type_);
        }
        HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
        {
            ALLOCATOR_PROPERTIES wanted{2, 4, request->cbAlign > 0 ? request->cbAlign : 1, 0};
            ALLOCATOR_PROPERTIES granted{};
            return allocator->SetProperties(&wanted, &granted);
        }
        HRESULT OnThreadStartPlay() override
        {
            next_ = owner_->start_;
            return S_OK;
        }
        HRESULT FillBuffer(IMediaSample* sample) override
        {
            if (next_ >= owner_->end_)
                return S_FALSE;
            if (next_ == owner_->fail_at)
                return E_FAIL;
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            auto n = std::uint32_t(next_);
            std::memcpy(data, &n, 4);
            sample->SetActualDataLength(4);
            REFERENCE_TIME start = next_ * owner_->step_, stop = start + owner_->step_;
            sample->SetTime(&start, &stop);
            ++next_;
            return S_OK;
        }

    private:
        numbered_source* owner_;
        LONGLONG next_ = 0;
    };

    numbered_source(int count, const CMediaType& type, REFERENCE_TIME step = 400000)
        : CSource("numbered source", nullptr, clsid_test_source), type_(type), step_(step), end_(count), count_(count)
    {
        HRESULT hr = S_OK;
        new stream(this, &hr);
    }

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), out);
        if (iid == IID_IFileSourceFilter)
            return GetInterface(static_cast<IFileSourceFilter*>(this), out);
        return CSource::NonDelegatingQueryInterface(iid, out);
    }

    HRESULT GetDuration(LONGLONG* duration) override
    {
        *duration = count_ * step_;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG* stop) override
    {
        *stop = end_ * step_;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* current) override
    {
        *current = start_ * step_;
        return S_OK;
    }
    HRESULT SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG* stop, DWORD stop_flags) override
    {
        if (current_flags != AM_SEEKING_NoPositioning)
            start_ = std::min<LONGLONG>(std::max<LONGLONG>(*current, 0) / step_, count_);
        if (stop_flags != AM_SEEKING_NoPositioning)
            end_ = std::min<LONGLONG>(std::max<LONGLONG>(*stop, 0) / step_, count_);
        return S_OK;
    }
    HRESULT Load(const wchar_t* file, const AM_MEDIA_TYPE*) override
    {
        loaded = file;
        return S_OK;
    }

    std::atomic<LONGLONG> fail_at{-1};
    std::wstring loaded;

private:
    CMediaType type_;
    REFERENCE_TIME step_;
    LONGLONG start_ = 0;
    std::atomic<LONGLONG> end_;
    LONGLONG count_;
};

// A source of mono 16-bit PCM at 44100 Hz: `count` samples of `frames`
// frames; frame n holds pcm_value(n).
class pcm_source : public CSource {
public:
    static std::int16_t pcm_value(std::uint32_t n) { return std::int16_t(int(n * 37 % 30000) - 15000); }

    class stream : public CSourceStream {
    public:
        stream(pcm_source* owner, HRESULT* hr) : CSourceStream("pcm stream", hr, owner, L"Out"), owner_(owner) {}
        HRESULT CheckMediaType(const CMediaType* type) override { return *type == owner_->type() ? S_OK : S_FALSE; }
        HRESULT GetMediaType(int position, CMediaType* type) override
        {
            if (position < 0)
                return E_INVALIDARG;
            if (position > 0)
                return VFW_S_NO_MORE_ITEMS;
            return type->Set(owner_->type());
        }
        HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
        {
            ALLOCATOR_PROPERTIES wanted{2, LONG(owner_->frames_ * 2), request->cbAlign > 0 ? request->cbAlign : 1, 0};
            ALLOCATOR_PROPERTIES granted{};
            return allocator->SetProperties(&wanted, &granted);
        }
        HRESULT OnThreadStartPlay() override
        {
            next_ = 0;
            return S_OK;
        }
        HRESULT FillBuffer(IMediaSample* sample) override
        {
            if (next_ >= owner_->count_)
                return S_FALSE;
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            for (std::uint32_t f = 0; f < owner_->frames_; ++f) {
                std::int16_t v = pcm_value(next_ * owner_->frames_ + f);
                std::memcpy(data + 2 * f, &v, 2);
            }
            sample->SetActualDataLength(LONG(owner_->frames_ * 2));
            REFERENCE_TIME start = REFERENCE_TIME(next_) * owner_->frames_ * 10'000'000 / 44100;
            REFERENCE_TIME stop = REFERENCE_TIME(next_ + 1) * owner_->frames_ * 10'000'000 / 44100;
            sample->SetTime(&start, &stop);
            ++next_;
            return S_OK;
        }

    private:
        pcm_source* owner_;
        std::uint32_t next_ = 0;
    };

    pcm_source(std::uint32_t count, std::uint32_t frames)
        : CSource("pcm source", nullptr, GUID_NULL), count_(count), frames_(frames)
    {
        HRESULT hr = S_OK;
        new stream(this, &hr);
    }
    CMediaType type() const
    {
        WAVEFORMATEX wave{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
        std::vector<BYTE> block(sizeof wave);
        std::memcpy(block.data(), &wave, sizeof wave);
        return make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, block);
    }

private:
    std::uint32_t count_, frames_;
};

// Takes one subtype of test_major and gives another, copying the bytes;
// fails Transform from sample `fail_at` on when that is not negative.
class retype : public CTransformFilter {
public:
    retype(const GUID& from, const GUID& to) : CTransformFilter("retype transform", nullptr, GUID_NULL), from_(from), to_(to) {}

    HRESULT CheckInputType(const CMediaType* type) override { return type->subtype == from_ ? S_OK : S_FALSE; }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        return in->subtype == from_ && out->subtype == to_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        HRESULT hr = type->Set(InputPin()->MediaType());
        type->SetSubtype(&to_);
        return hr;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        ALLOCATOR_PROPERTIES wanted{2, 64, request->cbAlign > 0 ? request->cbAlign : 1, 0};
        ALLOCATOR_PROPERTIES granted{};
        return allocator->SetProperties(&wanted, &granted);
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override
    {
        if (fail_at >= 0 && seen_++ >= fail_at)
            return E_FAIL;
        BYTE* from = nullptr;
        BYTE* to = nullptr;
        in->GetPointer(&from);
        out->GetPointer(&to);
        LONG length = in->GetActualDataLength();
        std::memcpy(to, from, std::size_t(length));
        return out->SetActualDataLength(length);
    }

    std::atomic<int> fail_at{-1};

private:
    GUID from_, to_;
    int seen_ = 0;  // streaming thread only
};

// A class (and optionally its filter-table entry) registered for one test.
class registration {
public:
    registration(const CLSID& clsid, class_factory make) : clsid_(clsid) { register_class(clsid, std::move(make)); }
    registration(const CLSID& clsid, class_factory make, filter_entry entry) : registration(clsid, std::move(make))
    {
        entry.clsid = clsid;
        register_filter(entry);
        in_table_ = true;
    }
    registration(const registration&) = delete;
    registration& operator=(const registration&) = delete;
    ~registration()
    {
        if (in_table_)
            unregister_filter(clsid_);
        unregister_class(clsid_);
    }

private:
    CLSID clsid_;
    bool in_table_ = false;
};

inline CMediaType test_type(const GUID& subtype) { return make_type(test_major, subtype); }

// The graph's filters in order of addition, each with a reference.
inline std::vector<com_ptr<IBaseFilter>> filters_in(IGraphBuilder* graph)
{
    std::vector<com_ptr<IBaseFilter>> out;
    com_ptr<IEnumFilters> walk;
    if (FAILED(graph->EnumFilters(walk.put())))
        return out;
    for (;;) {
        com_ptr<IBaseFilter> f;
        if (walk->Next(1, f.put(), nullptr) != S_OK)
            break;
        out.push_back(f);
    }
    return out;
}

// The first pin of the filter in that direction, with a reference, or empty.
inline com_ptr<IPin> find_pin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    com_ptr<IEnumPins> walk;
    if (FAILED(filter->EnumPins(walk.put())))
        return {};
    for (;;) {
        com_ptr<IPin> pin;
        if (walk->Next(1, pin.put(), nullptr) != S_OK)
            return {};
        PIN_DIRECTION dir{};
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == direction)
            return pin;
    }
}

inline std::wstring name_of(IBaseFilter* filter)
{
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    if (info.pGraph)
        info.pGraph->Release();
    return info.achName;
}

}  // namespace support::filters
