// CTransformFilter: one input pin, one output pin, and per sample an output
// sample from the output allocator filled by Transform and delivered.
#pragma once

#include "platform/filter/pin.hpp"

namespace platform::filter {

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(const char* object_name, CTransformFilter* filter, HRESULT* result, const wchar_t* name);

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receive_pin) override;
    // CheckInputType, then CheckTransform against a connected output.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;

    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    const CMediaType& MediaType() const { return m_mt; }

protected:
    CTransformFilter* m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(const char* object_name, CTransformFilter* filter, HRESULT* result, const wchar_t* name);

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receive_pin) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // Needs a connected input: CheckTransform(input type, type).
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    // The filter's GetMediaType once the input is connected; nothing before.
    HRESULT GetMediaType(int position, CMediaType* type) override;

    const CMediaType& MediaType() const { return m_mt; }

protected:
    CTransformFilter* m_pTransformFilter;
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(const char* object_name, IUnknown* outer, REFCLSID clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    // Makes whichever pin is missing through MakeInputPin and MakeOutputPin.
    CBasePin* GetPin(int n) override;
    HRESULT FindPin(const wchar_t* id, IPin** pin) override;

    // Stop deactivates the input first, then waits for a Receive in progress.
    // A paused renderer downstream holds that Receive until it is stopped or
    // flushed, so state changes run downstream first, as a graph makes them.
    HRESULT Stop() override;
    // Pause from stopped starts streaming when both pins are connected.
    HRESULT Pause() override;

    // What a transform supplies.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    virtual HRESULT AlterQuality(Quality) { return S_FALSE; }
    virtual HRESULT SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
    virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }

    // The streaming path, called by the input pin under the receive lock.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    CTransformInputPin* InputPin() const { return m_pInput; }
    CTransformOutputPin* OutputPin() const { return m_pOutput; }

protected:
    // The pins GetPin makes: input "XForm In", output "XForm Out".
    virtual CTransformInputPin* MakeInputPin(HRESULT* result);
    virtual CTransformOutputPin* MakeOutputPin(HRESULT* result);

    // An output sample with the input sample's times and flags.
    HRESULT InitializeOutputSample(IMediaSample* sample, IMediaSample** out);

    friend class CTransformInputPin;
    friend class CTransformOutputPin;

    std::recursive_mutex m_csFilter;   // the filter lock
    std::recursive_mutex m_csReceive;  // held for each sample, end of stream and flush end
    CTransformInputPin* m_pInput = nullptr;
    CTransformOutputPin* m_pOutput = nullptr;
    bool m_bEOSDelivered = false;
    bool m_bSampleSkipped = false;
};

}  // namespace platform::filter
