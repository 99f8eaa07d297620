// Renderers: one input pin; each sample is rendered on the streaming thread
// as it arrives while running. There is no reference clock: while paused the
// pin holds one sample until Run (rendered then), a flush or Stop (dropped).
// The end of the stream is reported to the graph once running.
#pragma once

#include "platform/filter/pin.hpp"

#include <condition_variable>
#include <mutex>

namespace platform::filter {

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
public:
    CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, const wchar_t* name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receive_pin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

protected:
    CBaseRenderer* m_pRenderer;
};

class CBaseRenderer : public CBaseFilter {
public:
    CBaseRenderer(REFCLSID clsid, const char* object_name, IUnknown* outer, HRESULT* result);
    ~CBaseRenderer() override;

    int GetPinCount() override { return 1; }
    // Makes the input pin "In" when it is missing.
    CBasePin* GetPin(int n) override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    // While paused with a connected input and neither a sample nor the end of
    // the stream yet, waits up to the timeout for one; VFW_S_STATE_INTERMEDIATE
    // when none came.
    HRESULT GetState(std::uint32_t timeout_ms, FILTER_STATE* state) override;

    // What a renderer supplies.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    virtual HRESULT SetMediaType(const CMediaType*) { return S_OK; }
    virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    virtual HRESULT OnStartStreaming() { return S_OK; }
    virtual HRESULT OnStopStreaming() { return S_OK; }
    virtual void OnRenderStart(IMediaSample*) {}
    virtual void OnRenderEnd(IMediaSample*) {}

    // The streaming path, called by the input pin once it has checked the state.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT Render(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    // EC_COMPLETE to the graph, once per stream.
    virtual HRESULT SendEndOfStream();

    CRendererInputPin* InputPin() const { return m_pInputPin; }
    // The start time of the last rendered sample that carried times; false
    // when none was rendered since the last ClearRenderedPosition.
    bool RenderedPosition(REFERENCE_TIME* start);
    void ClearRenderedPosition();
    bool HaveQueuedSample();
    bool IsEndOfStream();

protected:
    friend class CRendererInputPin;
    // Takes the queued sample out (to be released by the caller, outside the lock).
    IMediaSample* TakeQueuedSample();

    std::recursive_mutex m_InterfaceLock;  // the filter lock
    std::recursive_mutex m_ReceiveLock;    // held by each Receive, end of stream and flush end
    std::mutex m_RendererLock;             // guards the fields below
    std::condition_variable m_RendererChanged;
    CRendererInputPin* m_pInputPin = nullptr;
    IMediaSample* m_pMediaSample = nullptr;  // held while paused
    bool m_bEOS = false;
    bool m_bEOSDelivered = false;
    bool m_bAbort = false;  // stopping: a held sample is dropped
    bool m_bRendered = false;
    REFERENCE_TIME m_tRendered = 0;
};

// A renderer of video frames; the base already does what the media layer asks.
class CBaseVideoRenderer : public CBaseRenderer {
public:
    CBaseVideoRenderer(REFCLSID clsid, const char* object_name, IUnknown* outer, HRESULT* result)
        : CBaseRenderer(clsid, object_name, outer, result)
    {
    }
};

}  // namespace platform::filter
