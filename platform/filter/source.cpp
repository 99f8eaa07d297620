// Source filters and their streaming threads.
#include "platform/filter/source.hpp"

namespace platform::filter {

CSourceStream::CSourceStream(const char* object_name, HRESULT* result, CSource* filter, const wchar_t* name)
    : CBaseOutputPin(object_name, filter, filter->StateLock(), result, name), source_(filter)
{
    filter->AddPin(this);
}

CSourceStream::~CSourceStream()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

HRESULT CSourceStream::Active()
{
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr))
        return hr;
    if (thread_.joinable())
        thread_.join();
    stop_ = false;
    try {
        thread_ = std::thread([this] { ThreadProc(); });
    } catch (...) {
        CBaseOutputPin::Inactive();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CSourceStream::Inactive()
{
    stop_ = true;
    HRESULT hr = CBaseOutputPin::Inactive();
    if (thread_.joinable())
        thread_.join();
    return hr;
}

void CSourceStream::ThreadProc()
{
    HRESULT hr = OnThreadStartPlay();
    if (FAILED(hr)) {
        if (!stop_) {
            source_->NotifyEvent(EC_ERRORABORT, hr, 0);
            DeliverEndOfStream();
        }
        return;
    }
    while (!stop_) {
        IMediaSample* sample = nullptr;
        // Fails once the allocator is decommitted: the stream is stopping.
        if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0)))
            return;
        hr = FillBuffer(sample);
        if (hr == S_OK) {
            hr = Deliver(sample);
            sample->Release();
            if (hr == S_OK)
                continue;
            if (SUCCEEDED(hr) || stop_)
                return;  // downstream wants no more, or the stream is stopping
            source_->NotifyEvent(EC_ERRORABORT, hr, 0);
            return;
        }
        sample->Release();
        if (stop_)
            return;
        if (FAILED(hr))
            source_->NotifyEvent(EC_ERRORABORT, hr, 0);
        DeliverEndOfStream();
        return;
    }
}

CSource::CSource(const char* object_name, IUnknown* outer, REFCLSID clsid, HRESULT* result)
    : CBaseFilter(object_name, outer, &m_cStateLock, clsid, result)
{
}

CSource::~CSource()
{
    for (CSourceStream* pin : m_paStreams)
        delete pin;
}

void CSource::AddPin(CSourceStream* pin)
{
    std::lock_guard<std::recursive_mutex> hold(m_cStateLock);
    m_paStreams.push_back(pin);
    IncrementPinVersion();
}

int CSource::GetPinCount()
{
    std::lock_guard<std::recursive_mutex> hold(m_cStateLock);
    return int(m_paStreams.size());
}

CBasePin* CSource::GetPin(int n)
{
    std::lock_guard<std::recursive_mutex> hold(m_cStateLock);
    return n >= 0 && n < int(m_paStreams.size()) ? m_paStreams[std::size_t(n)] : nullptr;
}

}  // namespace platform::filter
