// Pins: CBasePin runs connections and keeps the connection's type; input pins
// add IMemInputPin, output pins choose an allocator and deliver downstream.
#pragma once

#include "platform/filter/base_filter.hpp"

#include <atomic>
#include <mutex>
#include <string>

namespace platform::filter {

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    // `lock` is the owning filter's lock; the pin's references count on the filter.
    CBasePin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock, HRESULT* result,
             const wchar_t* name, PIN_DIRECTION direction);
    ~CBasePin() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    // IPin. A connection is made only while the filter is stopped.
    HRESULT Connect(IPin* receive_pin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(std::wstring* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override = 0;
    HRESULT EndFlush() override = 0;
    // Keeps the segment; input pins pass it on as their filters decide.
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IQualityControl: accepted and ignored.
    HRESULT Notify(IBaseFilter* self, Quality q) override;
    HRESULT SetSink(IQualityControl* sink) override;

    // The steps of a connection, in the order they run on each side:
    // CheckConnect, CheckMediaType, SetMediaType, (the peer's side), CompleteConnect;
    // BreakConnect undoes a failed attempt and ends a connection.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receive_pin);
    // The pin's preferred types, from 0; VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    virtual LONG GetMediaTypeVersion() { return m_TypeVersion; }
    void IncrementTypeVersion() { ++m_TypeVersion; }
    // State changes of the filter, for connected pins.
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }
    // Breaks the connection whatever the filter's state; S_FALSE when there was none.
    virtual HRESULT DisconnectInternal();

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    const CMediaType& CurrentMediaType() const { return m_mt; }
    const std::wstring& Name() const { return m_pName; }
    PIN_DIRECTION Direction() const { return m_dir; }
    CBaseFilter* Filter() const { return m_pFilter; }
    bool IsStopped() const { return m_pFilter->IsStopped(); }
    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
    double CurrentRate() const { return m_dRate; }

protected:
    // Tries one type with the receiver: CheckConnect, CheckMediaType,
    // SetMediaType, the receiver's ReceiveConnection, CompleteConnect.
    virtual HRESULT AttemptConnection(IPin* receive_pin, const CMediaType* type);
    // Tries the types an enumerator lists that match the partial type.
    virtual HRESULT TryMediaTypes(IPin* receive_pin, const CMediaType* partial, IEnumMediaTypes* types);
    // A fully given type is tried alone; otherwise the receiver's types, then
    // ours (ours first when m_bTryMyTypesFirst).
    virtual HRESULT AgreeMediaType(IPin* receive_pin, const CMediaType* partial);

    std::wstring m_pName;
    IPin* m_Connected = nullptr;
    PIN_DIRECTION m_dir;
    std::recursive_mutex* m_pLock;
    std::atomic<bool> m_bRunTimeError{false};
    bool m_bCanReconnectWhenActive = false;
    bool m_bTryMyTypesFirst = false;
    CBaseFilter* m_pFilter;
    IQualityControl* m_pQSink = nullptr;
    std::atomic<LONG> m_TypeVersion{1};
    CMediaType m_mt;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = INT64_MAX;
    double m_dRate = 1.0;
};

// Enumerates a pin's preferred types through GetMediaType.
class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
public:
    CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copy_of);
    ~CEnumMediaTypes() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** clone) override;

private:
    bool OutOfSync() const { return version_ != pin_->GetMediaTypeVersion(); }

    CBasePin* pin_;
    int position_ = 0;
    LONG version_;
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock, HRESULT* result,
                  const wchar_t* name);
    ~CBaseInputPin() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IMemInputPin. GetAllocator makes a CMemAllocator when no allocator was
    // notified; Receive checks the state and takes the sample's properties.
    HRESULT GetAllocator(IMemAllocator** allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool read_only) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    HRESULT ReceiveCanBlock() override;

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT BreakConnect() override;
    // Decommits the allocator, so that an upstream GetBuffer stops waiting.
    HRESULT Inactive() override;
    HRESULT Active() override;

    // S_OK while samples may be received; S_FALSE while flushing;
    // VFW_E_NOT_CONNECTED, VFW_E_WRONG_STATE (stopped), VFW_E_RUNTIME_ERROR.
    virtual HRESULT CheckStreaming();

    // The properties of the sample being received.
    AM_SAMPLE2_PROPERTIES* SampleProps() { return &m_SampleProps; }
    bool IsFlushing() const { return m_bFlushing; }
    bool IsReadOnly() const { return m_bReadOnly; }
    // The notified allocator, without a reference.
    IMemAllocator* PeekAllocator() const { return m_pAllocator; }

protected:
    IMemAllocator* m_pAllocator = nullptr;
    bool m_bReadOnly = false;
    std::atomic<bool> m_bFlushing{false};
    AM_SAMPLE2_PROPERTIES m_SampleProps{};
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock, HRESULT* result,
                   const wchar_t* name);
    ~CBaseOutputPin() override;

    // The peer must offer IMemInputPin.
    HRESULT CheckConnect(IPin* pin) override;
    // Chooses the allocator.
    HRESULT CompleteConnect(IPin* receive_pin) override;
    HRESULT BreakConnect() override;
    // Commits and decommits the allocator.
    HRESULT Active() override;
    HRESULT Inactive() override;
    // Streams do not flow into an output pin.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    // The input pin's allocator when it offers one, else a CMemAllocator; each
    // sized by DecideBufferSize and notified to the input pin.
    virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT InitAllocator(IMemAllocator** allocator);
    virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                      std::uint32_t flags);

    virtual HRESULT Deliver(IMediaSample* sample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* PeekAllocator() const { return m_pAllocator; }
    IMemInputPin* PeekInputPin() const { return m_pInputPin; }

protected:
    IMemAllocator* m_pAllocator = nullptr;
    IMemInputPin* m_pInputPin = nullptr;  // the peer's, with a reference
};

}  // namespace platform::filter
