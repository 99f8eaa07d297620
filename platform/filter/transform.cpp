// Transform filters: type negotiation through the filter, and Receive taking
// an output sample, transforming and delivering it.
#include "platform/filter/transform.hpp"

#include <new>

namespace platform::filter {

CTransformInputPin::CTransformInputPin(const char* object_name, CTransformFilter* filter, HRESULT* result,
                                       const wchar_t* name)
    : CBaseInputPin(object_name, filter, &filter->m_csFilter, result, name), m_pTransformFilter(filter)
{
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect()
{
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receive_pin)
{
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, receive_pin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CompleteConnect(receive_pin);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    HRESULT hr = m_pTransformFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransformOutputPin* out = m_pTransformFilter->m_pOutput;
    if (out && out->IsConnected())
        return m_pTransformFilter->CheckTransform(type, &out->MediaType());
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample)
{
    std::lock_guard<std::recursive_mutex> hold(m_pTransformFilter->m_csReceive);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_pTransformFilter->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream()
{
    std::lock_guard<std::recursive_mutex> hold(m_pTransformFilter->m_csReceive);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_pTransformFilter->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush()
{
    std::lock_guard<std::recursive_mutex> hold(m_pTransformFilter->m_csFilter);
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush()
{
    std::lock_guard<std::recursive_mutex> hold(m_pTransformFilter->m_csFilter);
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_pTransformFilter->EndFlush();
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBasePin::NewSegment(start, stop, rate);
    return m_pTransformFilter->NewSegment(start, stop, rate);
}

CTransformOutputPin::CTransformOutputPin(const char* object_name, CTransformFilter* filter, HRESULT* result,
                                         const wchar_t* name)
    : CBaseOutputPin(object_name, filter, &filter->m_csFilter, result, name), m_pTransformFilter(filter)
{
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect()
{
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receive_pin)
{
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, receive_pin);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CompleteConnect(receive_pin);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return m_pTransformFilter->DecideBufferSize(allocator, request);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    CTransformInputPin* in = m_pTransformFilter->m_pInput;
    if (!in || !in->IsConnected())
        return E_UNEXPECTED;
    return m_pTransformFilter->CheckTransform(&in->MediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseOutputPin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type)
{
    CTransformInputPin* in = m_pTransformFilter->m_pInput;
    if (!in || !in->IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    return m_pTransformFilter->GetMediaType(position, type);
}

CTransformFilter::CTransformFilter(const char* object_name, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(object_name, outer, &m_csFilter, clsid)
{
}

CTransformFilter::~CTransformFilter()
{
    delete m_pInput;
    delete m_pOutput;
}

CTransformInputPin* CTransformFilter::MakeInputPin(HRESULT* result)
{
    return new (std::nothrow) CTransformInputPin("transform input pin", this, result, L"XForm In");
}

CTransformOutputPin* CTransformFilter::MakeOutputPin(HRESULT* result)
{
    return new (std::nothrow) CTransformOutputPin("transform output pin", this, result, L"XForm Out");
}

CBasePin* CTransformFilter::GetPin(int n)
{
    HRESULT hr = S_OK;
    if (!m_pInput) {
        m_pInput = MakeInputPin(&hr);
        if (!m_pInput)
            return nullptr;
    }
    if (!m_pOutput) {
        m_pOutput = MakeOutputPin(&hr);
        if (!m_pOutput)
            return nullptr;
    }
    if (n == 0)
        return m_pInput;
    if (n == 1)
        return m_pOutput;
    return nullptr;
}

HRESULT CTransformFilter::FindPin(const wchar_t* id, IPin** pin)
{
    GetPin(0);  // the pins exist before they are looked for
    return CBaseFilter::FindPin(id, pin);
}

HRESULT CTransformFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> hold(m_csFilter);
    if (m_State == State_Stopped)
        return S_OK;
    if (!m_pInput || !m_pOutput || !m_pInput->IsConnected() || !m_pOutput->IsConnected()) {
        m_State = State_Stopped;
        m_bEOSDelivered = false;
        return S_OK;
    }
    // Refuse new samples and wake an upstream GetBuffer, then wait for the
    // sample in progress before the output side goes.
    m_State = State_Stopped;
    m_pInput->Inactive();
    std::lock_guard<std::recursive_mutex> receiving(m_csReceive);
    m_pOutput->Inactive();
    HRESULT hr = StopStreaming();
    m_bEOSDelivered = false;
    return hr;
}

HRESULT CTransformFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> hold(m_csFilter);
    if (m_State == State_Stopped && m_pInput && m_pOutput && m_pInput->IsConnected() &&
        m_pOutput->IsConnected()) {
        m_bEOSDelivered = false;
        m_bSampleSkipped = false;
        HRESULT hr = StartStreaming();
        if (FAILED(hr))
            return hr;
    }
    return CBaseFilter::Pause();
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* sample, IMediaSample** out)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    REFERENCE_TIME* start = (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) ? &props->tStart : nullptr;
    REFERENCE_TIME* stop = (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(out, start, stop, 0);
    if (FAILED(hr))
        return hr;
    IMediaSample* made = *out;
    made->SetTime(start, stop);
    made->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    made->SetPreroll(sample->IsPreroll() == S_OK);
    made->SetDiscontinuity(sample->IsDiscontinuity() == S_OK || m_bSampleSkipped);
    m_bSampleSkipped = false;
    std::int64_t media_start, media_stop;
    if (sample->GetMediaTime(&media_start, &media_stop) == S_OK)
        made->SetMediaTime(&media_start, &media_stop);
    return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample)
{
    if (m_pInput->SampleProps()->dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->IsConnected() ? m_pOutput->Deliver(sample) : S_OK;
    IMediaSample* out = nullptr;
    HRESULT hr = InitializeOutputSample(sample, &out);
    if (FAILED(hr))
        return hr;
    hr = Transform(sample, out);
    if (hr == S_OK) {
        hr = m_pOutput->Deliver(out);
    } else if (hr == S_FALSE) {
        // The transform dropped the sample: the next one marks the gap.
        m_bSampleSkipped = true;
        hr = S_OK;
    }
    out->Release();
    return hr;
}

HRESULT CTransformFilter::EndOfStream()
{
    m_bEOSDelivered = true;
    return m_pOutput->IsConnected() ? m_pOutput->DeliverEndOfStream() : S_OK;
}

HRESULT CTransformFilter::BeginFlush()
{
    return m_pOutput->IsConnected() ? m_pOutput->DeliverBeginFlush() : S_OK;
}

HRESULT CTransformFilter::EndFlush()
{
    // A sample still in Receive when the flush began ends before the flush does.
    std::lock_guard<std::recursive_mutex> receiving(m_csReceive);
    m_bEOSDelivered = false;
    return m_pOutput->IsConnected() ? m_pOutput->DeliverEndFlush() : S_OK;
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return m_pOutput->IsConnected() ? m_pOutput->DeliverNewSegment(start, stop, rate) : S_OK;
}

}  // namespace platform::filter
