// Small filters for tests of the filter framework and of filters built on it:
// a push source of known samples, a pass-through transform, a pass-through
// in-place filter and a counting renderer, a graph that records events, and a
// fixture that checks every framework object was released.
#pragma once

#include "platform/filter/filter.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace support::filters {

using namespace platform::filter;

// Connection steps as "<pin>.<step>", in the order they ran.
class step_log {
public:
    void add(const std::string& step)
    {
        std::lock_guard<std::mutex> hold(lock_);
        steps_.push_back(step);
    }
    std::vector<std::string> take()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(steps_, {});
    }

private:
    std::mutex lock_;
    std::vector<std::string> steps_;
};

inline CMediaType make_type(const GUID& major, const GUID& sub, const GUID& format = GUID_NULL,
                            std::vector<BYTE> block = {})
{
    CMediaType mt;
    mt.SetType(&major);
    mt.SetSubtype(&sub);
    mt.SetFormatType(&format);
    if (!block.empty())
        mt.SetFormat(block.data(), std::uint32_t(block.size()));
    return mt;
}

// Checks after each test, once the fixture's own members are gone, that
// every object of the framework was released.
class filter_test : public ::testing::Test {
protected:
    ~filter_test() override { EXPECT_EQ(live_objects(), 0) << "framework objects left alive"; }
};

// A sample as a renderer saw it.
struct seen_sample {
    std::vector<BYTE> bytes;
    bool has_times;
    REFERENCE_TIME start, stop;
    IMediaSample* identity;  // only compared, never used
};

inline seen_sample describe(IMediaSample* sample)
{
    seen_sample seen{};
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    seen.bytes.assign(data, data + sample->GetActualDataLength());
    seen.has_times = SUCCEEDED(sample->GetTime(&seen.start, &seen.stop));
    seen.identity = sample;
    return seen;
}

// Records the events filters report.
class recording_graph : public CUnknown, public IFilterGraph, public IMediaEventSink {
public:
    recording_graph() : CUnknown("recording graph", nullptr) {}
    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IFilterGraph)
            return GetInterface(static_cast<IFilterGraph*>(this), out);
        if (iid == IID_IMediaEventSink)
            return GetInterface(static_cast<IMediaEventSink*>(this), out);
        return CUnknown::NonDelegatingQueryInterface(iid, out);
    }
    HRESULT AddFilter(IBaseFilter*, const wchar_t*) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Notify(LONG code, std::intptr_t, std::intptr_t) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        events_.push_back(code);
        return S_OK;
    }
    std::vector<LONG> events()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return events_;
    }

private:
    std::mutex lock_;
    std::vector<LONG> events_;
};

// A source with one output pin "Out" offering a list of types; the test
// pushes samples of known bytes and times through it.
class push_source : public CBaseFilter {
public:
    class output_pin : public CBaseOutputPin {
    public:
        output_pin(push_source* source, HRESULT* hr)
            : CBaseOutputPin("push source pin", source, &source->lock_, hr, L"Out"), source_(source)
        {
        }
        HRESULT CheckMediaType(const CMediaType* type) override
        {
            for (const CMediaType& offered : source_->types_)
                if (offered == *type)
                    return S_OK;
            return S_FALSE;
        }
        HRESULT GetMediaType(int position, CMediaType* type) override
        {
            if (position < 0)
                return E_INVALIDARG;
            if (position >= int(source_->types_.size()))
                return VFW_S_NO_MORE_ITEMS;
            return type->Set(source_->types_[position]);
        }
        HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
        {
            ALLOCATOR_PROPERTIES wanted = source_->buffers_;
            if (request->cbAlign > wanted.cbAlign)
                wanted.cbAlign = request->cbAlign;
            ALLOCATOR_PROPERTIES granted{};
            HRESULT hr = allocator->SetProperties(&wanted, &granted);
            if (FAILED(hr))
                return hr;
            return granted.cBuffers < wanted.cBuffers || granted.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
        }
        HRESULT CheckConnect(IPin* pin) override
        {
            source_->note("out.CheckConnect");
            return CBaseOutputPin::CheckConnect(pin);
        }
        HRESULT CompleteConnect(IPin* pin) override
        {
            source_->note("out.CompleteConnect");
            return CBaseOutputPin::CompleteConnect(pin);
        }
        HRESULT BreakConnect() override
        {
            source_->note("out.BreakConnect");
            return CBaseOutputPin::BreakConnect();
        }

    private:
        push_source* source_;
    };

    explicit push_source(std::vector<CMediaType> types, step_log* log = nullptr)
        : CBaseFilter("push source", nullptr, &lock_, GUID_NULL), types_(std::move(types)), log_(log)
    {
        HRESULT hr = S_OK;
        pin_ = new output_pin(this, &hr);
    }
    ~push_source() override { delete pin_; }

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? pin_ : nullptr; }
    output_pin* pin() { return pin_; }
    void set_buffers(ALLOCATOR_PROPERTIES props) { buffers_ = props; }

    // One sample of these bytes; times only when given.
    HRESULT push(const std::vector<BYTE>& bytes, const REFERENCE_TIME* start = nullptr,
                 const REFERENCE_TIME* stop = nullptr, std::uint32_t flags = 0)
    {
        IMediaSample* sample = nullptr;
        HRESULT hr = pin_->GetDeliveryBuffer(&sample, nullptr, nullptr, flags);
        if (FAILED(hr))
            return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        hr = sample->SetActualDataLength(LONG(bytes.size()));
        if (SUCCEEDED(hr)) {
            if (!bytes.empty())
                std::memcpy(data, bytes.data(), bytes.size());
            sample->SetTime(start, stop);
            {
                std::lock_guard<std::mutex> hold(delivered_lock_);
                delivered_.push_back(sample);
            }
            hr = pin_->Deliver(sample);
        }
        sample->Release();
        return hr;
    }
    HRESULT push(const std::vector<BYTE>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop)
    {
        return push(bytes, &start, &stop);
    }
    // The samples pushed, in order (only compared, never used).
    std::vector<IMediaSample*> delivered()
    {
        std::lock_guard<std::mutex> hold(delivered_lock_);
        return delivered_;
    }

private:
    void note(const char* step)
    {
        if (log_)
            log_->add(step);
    }

    std::recursive_mutex lock_;
    std::vector<CMediaType> types_;
    step_log* log_;
    output_pin* pin_;
    ALLOCATOR_PROPERTIES buffers_{2, 64, 1, 0};
    std::mutex delivered_lock_;
    std::vector<IMediaSample*> delivered_;
};

// Copies each sample into an output sample: accepts input of one subtype
// (any when GUID_NULL) and offers the input's type on its output.
class pass_through : public CTransformFilter {
public:
    explicit pass_through(const GUID& accepted_subtype = GUID_NULL, step_log* log = nullptr)
        : CTransformFilter("pass-through transform", nullptr, GUID_NULL), accepted_(accepted_subtype), log_(log)
    {
    }

    HRESULT CheckInputType(const CMediaType* type) override
    {
        note("in.CheckInputType");
        return accepted_ == GUID_NULL || type->subtype == accepted_ ? S_OK : S_FALSE;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        return *in == *out ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        return type->Set(InputPin()->MediaType());
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        ALLOCATOR_PROPERTIES input{};
        HRESULT hr = InputPin()->PeekAllocator() ? InputPin()->PeekAllocator()->GetProperties(&input) : E_UNEXPECTED;
        if (FAILED(hr))
            return hr;
        ALLOCATOR_PROPERTIES wanted{input.cBuffers, input.cbBuffer, request->cbAlign ? request->cbAlign : 1, 0};
        ALLOCATOR_PROPERTIES granted{};
        return allocator->SetProperties(&wanted, &granted);
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override
    {
        BYTE* from = nullptr;
        BYTE* to = nullptr;
        in->GetPointer(&from);
        out->GetPointer(&to);
        LONG length = in->GetActualDataLength();
        HRESULT hr = out->SetActualDataLength(length);
        if (FAILED(hr))
            return hr;
        std::memcpy(to, from, std::size_t(length));
        ++transformed;
        return S_OK;
    }
    HRESULT StartStreaming() override
    {
        note("StartStreaming");
        return S_OK;
    }
    HRESULT StopStreaming() override
    {
        note("StopStreaming");
        return S_OK;
    }
    HRESULT CheckConnect(PIN_DIRECTION dir, IPin*) override
    {
        note(dir == PINDIR_INPUT ? "in.CheckConnect" : "out.CheckConnect");
        return S_OK;
    }
    HRESULT CompleteConnect(PIN_DIRECTION dir, IPin*) override
    {
        note(dir == PINDIR_INPUT ? "in.CompleteConnect" : "out.CompleteConnect");
        return S_OK;
    }
    HRESULT BreakConnect(PIN_DIRECTION dir) override
    {
        note(dir == PINDIR_INPUT ? "in.BreakConnect" : "out.BreakConnect");
        return S_OK;
    }

    int transformed = 0;  // touched on the streaming thread only

private:
    void note(const char* step)
    {
        if (log_)
            log_->add(step);
    }

    GUID accepted_;
    step_log* log_;
};

// Passes samples on untouched, remembering which ones it saw.
class pass_in_place : public CTransInPlaceFilter {
public:
    pass_in_place() : CTransInPlaceFilter("pass-through in place", nullptr, GUID_NULL, nullptr, false) {}

    HRESULT CheckInputType(const CMediaType*) override { return S_OK; }
    HRESULT Transform(IMediaSample* sample) override
    {
        seen.push_back(sample);
        return S_OK;
    }
    bool different_allocators() const { return UsingDifferentAllocators(); }

    std::vector<IMediaSample*> seen;  // touched on the streaming thread only; only compared
};

// Accepts one major type (any when GUID_NULL), keeps what each rendered
// sample held and counts the ends of stream it sees. With own_allocator its
// pin takes no allocator but its own, so an upstream in-place filter copies.
class counting_renderer : public CBaseRenderer {
public:
    explicit counting_renderer(const GUID& major = GUID_NULL, bool own_allocator = false, step_log* log = nullptr)
        : CBaseRenderer(GUID_NULL, "counting renderer", nullptr, nullptr), major_(major), log_(log)
    {
        if (own_allocator) {
            HRESULT hr = S_OK;
            m_pInputPin = new own_allocator_pin(this, &hr);
        }
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return major_ == GUID_NULL || type->majortype == major_ ? S_OK : S_FALSE;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override
    {
        std::lock_guard<std::mutex> hold(seen_lock_);
        seen_.push_back(describe(sample));
        return S_OK;
    }
    HRESULT EndOfStream() override
    {
        {
            std::lock_guard<std::mutex> hold(seen_lock_);
            ++ends_;
        }
        return CBaseRenderer::EndOfStream();
    }
    HRESULT CompleteConnect(IPin*) override
    {
        note("in.CompleteConnect");
        return S_OK;
    }
    HRESULT BreakConnect() override
    {
        note("in.BreakConnect");
        return S_OK;
    }

    std::vector<seen_sample> seen()
    {
        std::lock_guard<std::mutex> hold(seen_lock_);
        return seen_;
    }
    std::size_t count()
    {
        std::lock_guard<std::mutex> hold(seen_lock_);
        return seen_.size();
    }
    int ends()
    {
        std::lock_guard<std::mutex> hold(seen_lock_);
        return ends_;
    }

private:
    class own_allocator_pin : public CRendererInputPin {
    public:
        own_allocator_pin(counting_renderer* renderer, HRESULT* hr) : CRendererInputPin(renderer, hr, L"In")
        {
            own_ = new CMemAllocator("renderer's own allocator", nullptr, hr);
            own_->AddRef();
        }
        ~own_allocator_pin() override { own_->Release(); }
        HRESULT GetAllocator(IMemAllocator** allocator) override
        {
            if (!allocator)
                return E_POINTER;
            *allocator = own_;
            own_->AddRef();
            return S_OK;
        }
        HRESULT NotifyAllocator(IMemAllocator* allocator, bool read_only) override
        {
            if (allocator != static_cast<IMemAllocator*>(own_))
                return E_FAIL;
            return CRendererInputPin::NotifyAllocator(allocator, read_only);
        }

    private:
        CMemAllocator* own_;
    };

    void note(const char* step)
    {
        if (log_)
            log_->add(step);
    }

    GUID major_;
    step_log* log_;
    std::mutex seen_lock_;
    std::vector<seen_sample> seen_;
    int ends_ = 0;
};

// Connects out to in (with a type or none); the test disconnects both ends
// before the filters go, as a graph would.
inline HRESULT connect(CBasePin* out, CBasePin* in, const AM_MEDIA_TYPE* type = nullptr)
{
    return out->Connect(in, type);
}

inline void disconnect(CBasePin* a)
{
    IPin* peer = a->GetConnected();
    if (peer)
        peer->Disconnect();
    a->Disconnect();
}

}  // namespace support::filters
