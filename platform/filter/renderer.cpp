// Renderers: holding, rendering and dropping samples, and the end of the stream.
#include "platform/filter/renderer.hpp"

#include <new>

namespace platform::filter {

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, const wchar_t* name)
    : CBaseInputPin("renderer input pin", renderer, &renderer->m_InterfaceLock, result, name),
      m_pRenderer(renderer)
{
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    return m_pRenderer->CheckMediaType(type);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pRenderer->SetMediaType(type);
}

HRESULT CRendererInputPin::CompleteConnect(IPin* receive_pin)
{
    HRESULT hr = m_pRenderer->CompleteConnect(receive_pin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CompleteConnect(receive_pin);
}

HRESULT CRendererInputPin::BreakConnect()
{
    HRESULT hr = m_pRenderer->BreakConnect();
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::Receive(IMediaSample* sample)
{
    std::lock_guard<std::recursive_mutex> hold(m_pRenderer->m_ReceiveLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_pRenderer->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream()
{
    std::lock_guard<std::recursive_mutex> hold(m_pRenderer->m_ReceiveLock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_pRenderer->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush()
{
    std::lock_guard<std::recursive_mutex> hold(m_pRenderer->m_InterfaceLock);
    CBaseInputPin::BeginFlush();
    return m_pRenderer->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush()
{
    std::lock_guard<std::recursive_mutex> hold(m_pRenderer->m_InterfaceLock);
    HRESULT hr = m_pRenderer->EndFlush();
    CBaseInputPin::EndFlush();
    return hr;
}

CBaseRenderer::CBaseRenderer(REFCLSID clsid, const char* object_name, IUnknown* outer, HRESULT* result)
    : CBaseFilter(object_name, outer, &m_InterfaceLock, clsid, result)
{
}

CBaseRenderer::~CBaseRenderer()
{
    if (m_pMediaSample)
        m_pMediaSample->Release();
    delete m_pInputPin;
}

CBasePin* CBaseRenderer::GetPin(int n)
{
    if (!m_pInputPin) {
        HRESULT hr = S_OK;
        m_pInputPin = new (std::nothrow) CRendererInputPin(this, &hr, L"In");
    }
    return n == 0 ? m_pInputPin : nullptr;
}

IMediaSample* CBaseRenderer::TakeQueuedSample()
{
    IMediaSample* held = m_pMediaSample;
    m_pMediaSample = nullptr;
    m_RendererChanged.notify_all();
    return held;
}

bool CBaseRenderer::HaveQueuedSample()
{
    std::lock_guard<std::mutex> hold(m_RendererLock);
    return m_pMediaSample != nullptr;
}

bool CBaseRenderer::IsEndOfStream()
{
    std::lock_guard<std::mutex> hold(m_RendererLock);
    return m_bEOS;
}

HRESULT CBaseRenderer::Stop()
{
    std::lock_guard<std::recursive_mutex> hold(m_InterfaceLock);
    if (m_State == State_Stopped)
        return S_OK;
    HRESULT hr = CBaseFilter::Stop();
    IMediaSample* dropped;
    {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        m_bAbort = true;
        dropped = TakeQueuedSample();
    }
    if (dropped)
        dropped->Release();
    // A Receive in progress ends before streaming stops.
    std::lock_guard<std::recursive_mutex> receiving(m_ReceiveLock);
    OnStopStreaming();
    std::lock_guard<std::mutex> renderer(m_RendererLock);
    m_bEOS = false;
    m_bEOSDelivered = false;
    return hr;
}

HRESULT CBaseRenderer::Pause()
{
    std::lock_guard<std::recursive_mutex> hold(m_InterfaceLock);
    if (m_State == State_Stopped) {
        {
            std::lock_guard<std::mutex> renderer(m_RendererLock);
            m_bAbort = false;
            m_bEOS = false;
            m_bEOSDelivered = false;
        }
        HRESULT hr = OnStartStreaming();
        if (FAILED(hr))
            return hr;
    }
    return CBaseFilter::Pause();
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> hold(m_InterfaceLock);
    HRESULT hr = CBaseFilter::Run(start);
    if (FAILED(hr))
        return hr;
    bool end_now;
    {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        m_RendererChanged.notify_all();  // a held sample is rendered now
        end_now = m_bEOS && !m_pMediaSample;
    }
    if (end_now)
        SendEndOfStream();
    return S_OK;
}

HRESULT CBaseRenderer::GetState(std::uint32_t timeout_ms, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_State;
    if (m_State != State_Paused || !m_pInputPin || !m_pInputPin->IsConnected())
        return S_OK;
    std::unique_lock<std::mutex> renderer(m_RendererLock);
    bool ready = m_RendererChanged.wait_for(renderer, std::chrono::milliseconds(timeout_ms), [this] {
        return m_pMediaSample || m_bEOS || m_State != State_Paused;
    });
    *state = m_State;
    return ready ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample)
{
    std::unique_lock<std::mutex> renderer(m_RendererLock);
    if (m_bEOS)
        return VFW_E_SAMPLE_REJECTED_EOS;
    if (m_bAbort)
        return VFW_E_WRONG_STATE;
    if (m_State != State_Running) {
        // Paused: hold the sample until Run renders it or a flush or Stop drops it.
        sample->AddRef();
        m_pMediaSample = sample;
        m_RendererChanged.notify_all();
        m_RendererChanged.wait(renderer, [this] { return !m_pMediaSample || m_State == State_Running; });
        if (!m_pMediaSample)
            return S_OK;  // dropped
        m_pMediaSample = nullptr;
        renderer.unlock();
        HRESULT hr = Render(sample);
        sample->Release();
        return hr;
    }
    renderer.unlock();
    return Render(sample);
}

HRESULT CBaseRenderer::Render(IMediaSample* sample)
{
    OnRenderStart(sample);
    HRESULT hr = DoRenderSample(sample);
    OnRenderEnd(sample);
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        m_bRendered = true;
        m_tRendered = start;
    }
    return hr;
}

bool CBaseRenderer::RenderedPosition(REFERENCE_TIME* start)
{
    std::lock_guard<std::mutex> renderer(m_RendererLock);
    if (m_bRendered)
        *start = m_tRendered;
    return m_bRendered;
}

void CBaseRenderer::ClearRenderedPosition()
{
    std::lock_guard<std::mutex> renderer(m_RendererLock);
    m_bRendered = false;
}

HRESULT CBaseRenderer::EndOfStream()
{
    bool end_now;
    {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        if (m_bEOS)
            return S_OK;
        m_bEOS = true;
        m_RendererChanged.notify_all();
        end_now = m_State == State_Running;
    }
    if (end_now)
        SendEndOfStream();
    return S_OK;
}

HRESULT CBaseRenderer::SendEndOfStream()
{
    {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        if (m_bEOSDelivered)
            return S_OK;
        m_bEOSDelivered = true;
    }
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<std::intptr_t>(static_cast<IBaseFilter*>(this)));
    return S_OK;
}

HRESULT CBaseRenderer::BeginFlush()
{
    IMediaSample* dropped;
    {
        std::lock_guard<std::mutex> renderer(m_RendererLock);
        dropped = TakeQueuedSample();
    }
    if (dropped)
        dropped->Release();
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush()
{
    // A Receive released by the flush ends before the flush does.
    std::lock_guard<std::recursive_mutex> receiving(m_ReceiveLock);
    std::lock_guard<std::mutex> renderer(m_RendererLock);
    m_bEOS = false;
    m_bEOSDelivered = false;
    return S_OK;
}

}  // namespace platform::filter
