// Pins: connection, the connection's type, enumerating types, and the
// sample paths of input and output pins.
#include "platform/filter/pin.hpp"

#include "platform/filter/allocator.hpp"

#include <new>

namespace platform::filter {

CBasePin::CBasePin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock, HRESULT*,
                   const wchar_t* name, PIN_DIRECTION direction)
    : CUnknown(object_name, nullptr),
      m_pName(name ? name : L""),
      m_dir(direction),
      m_pLock(lock),
      m_pFilter(filter)
{
}

CBasePin::~CBasePin()
{
    // A pin ends with its filter; whatever it was connected to is let go.
    if (m_Connected)
        m_Connected->Release();
}

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IPin)
        return GetInterface(static_cast<IPin*>(this), out);
    if (iid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

ULONG CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }
ULONG CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

HRESULT CBasePin::Connect(IPin* receive_pin, const AM_MEDIA_TYPE* type)
{
    if (!receive_pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;
    CMediaType partial;
    if (type && FAILED(partial.Set(*type)))
        return E_OUTOFMEMORY;
    return AgreeMediaType(receive_pin, type ? &partial : nullptr);
}

HRESULT CBasePin::AgreeMediaType(IPin* receive_pin, const CMediaType* partial)
{
    if (partial && !partial->IsPartiallySpecified())
        return AttemptConnection(receive_pin, partial);

    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        bool ours = (pass == 0) == m_bTryMyTypesFirst;
        com_ptr<IEnumMediaTypes> types;
        HRESULT hr = ours ? EnumMediaTypes(types.put()) : receive_pin->EnumMediaTypes(types.put());
        if (FAILED(hr) || !types)
            continue;
        hr = TryMediaTypes(receive_pin, partial, types.get());
        if (SUCCEEDED(hr))
            return S_OK;
        // A specific refusal says more than "no acceptable types".
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES && failure == VFW_E_NO_ACCEPTABLE_TYPES)
            failure = hr;
    }
    return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* receive_pin, const CMediaType* partial, IEnumMediaTypes* types)
{
    if (FAILED(types->Reset()))
        return VFW_E_NO_ACCEPTABLE_TYPES;
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* next = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &next, &fetched) != S_OK || fetched != 1)
            return failure;
        CMediaType candidate;
        HRESULT copied = candidate.Set(*next);
        DeleteMediaType(next);
        if (FAILED(copied))
            return E_OUTOFMEMORY;
        if (partial && !candidate.MatchesPartial(partial))
            continue;
        HRESULT hr = AttemptConnection(receive_pin, &candidate);
        if (SUCCEEDED(hr))
            return S_OK;
        if (failure == VFW_E_NO_ACCEPTABLE_TYPES)
            failure = hr;
    }
}

HRESULT CBasePin::AttemptConnection(IPin* receive_pin, const CMediaType* type)
{
    HRESULT hr = CheckConnect(receive_pin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(type);
    if (hr == S_OK) {
        m_Connected = receive_pin;
        m_Connected->AddRef();
        hr = SetMediaType(type);
        if (SUCCEEDED(hr)) {
            hr = receive_pin->ReceiveConnection(static_cast<IPin*>(this), type);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(receive_pin);
                if (SUCCEEDED(hr))
                    return S_OK;
                receive_pin->Disconnect();
            }
        }
    } else if (SUCCEEDED(hr)) {
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (m_Connected) {
        m_Connected->Release();
        m_Connected = nullptr;
    }
    m_mt.InitMediaType();
    BreakConnect();
    return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType offered;
    if (FAILED(offered.Set(*type))) {
        BreakConnect();
        return E_OUTOFMEMORY;
    }
    hr = CheckMediaType(&offered);
    if (hr == S_OK) {
        m_Connected = connector;
        m_Connected->AddRef();
        hr = SetMediaType(&offered);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(connector);
            if (SUCCEEDED(hr))
                return S_OK;
        }
        m_Connected->Release();
        m_Connected = nullptr;
    } else if (SUCCEEDED(hr)) {
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_mt.InitMediaType();
    BreakConnect();
    return hr;
}

HRESULT CBasePin::Disconnect()
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal()
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (!m_Connected)
        return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    m_mt.InitMediaType();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    *pin = m_Connected;
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (!m_Connected) {
        CMediaType empty;
        *type = empty;  // no block to own
        type->cbFormat = 0;
        type->pbFormat = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &m_mt);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = m_pFilter;
    m_pFilter->AddRef();
    info->dir = m_dir;
    info->achName = m_pName;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction)
        return E_POINTER;
    *direction = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(std::wstring* id)
{
    if (!id)
        return E_POINTER;
    *id = m_pName;
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    CMediaType offered;
    if (FAILED(offered.Set(*type)))
        return E_OUTOFMEMORY;
    HRESULT hr = CheckMediaType(&offered);
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    auto* made = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    *types = made;
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT CBasePin::EndOfStream() { return S_OK; }

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_tStart = start;
    m_tStop = stop;
    m_dRate = rate;
    return S_OK;
}

HRESULT CBasePin::Notify(IBaseFilter*, Quality) { return S_OK; }

HRESULT CBasePin::SetSink(IQualityControl* sink)
{
    m_pQSink = sink;  // never called, so never referenced
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) { return m_mt.Set(*type); }

HRESULT CBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION peer;
    HRESULT hr = pin->QueryDirection(&peer);
    if (FAILED(hr))
        return hr;
    return peer == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }
HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copy_of)
    : CUnknown("media type enumerator", nullptr), pin_(pin), version_(pin->GetMediaTypeVersion())
{
    if (copy_of) {
        position_ = copy_of->position_;
        version_ = copy_of->version_;
    }
    pin_->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { pin_->Release(); }

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IEnumMediaTypes)
        return GetInterface(static_cast<IEnumMediaTypes*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (!types || (!fetched && count != 1))
        return E_POINTER;
    if (fetched)
        *fetched = 0;
    if (OutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count) {
        CMediaType type;
        if (pin_->GetMediaType(position_, &type) != S_OK)
            break;
        AM_MEDIA_TYPE* copy = CreateMediaType(&type);
        if (!copy)
            break;
        ++position_;
        types[got++] = copy;
    }
    if (fetched)
        *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count)
{
    if (OutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    for (; count > 0; --count) {
        CMediaType type;
        if (pin_->GetMediaType(position_, &type) != S_OK)
            return S_FALSE;
        ++position_;
    }
    return S_OK;
}

HRESULT CEnumMediaTypes::Reset()
{
    position_ = 0;
    version_ = pin_->GetMediaTypeVersion();
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone)
{
    if (!clone)
        return E_POINTER;
    auto* made = new (std::nothrow) CEnumMediaTypes(pin_, this);
    *clone = made;
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    return S_OK;
}

CBaseInputPin::CBaseInputPin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock,
                             HRESULT* result, const wchar_t* name)
    : CBasePin(object_name, filter, lock, result, name, PINDIR_INPUT)
{
}

CBaseInputPin::~CBaseInputPin()
{
    if (m_pAllocator)
        m_pAllocator->Release();
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), out);
    return CBasePin::NonDelegatingQueryInterface(iid, out);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator)
        return E_POINTER;
    *allocator = nullptr;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (!m_pAllocator) {
        HRESULT hr = S_OK;
        auto* made = new (std::nothrow) CMemAllocator("input pin's allocator", nullptr, &hr);
        if (!made)
            return E_OUTOFMEMORY;
        made->AddRef();
        if (FAILED(hr)) {
            made->Release();
            return hr;
        }
        m_pAllocator = made;
    }
    *allocator = m_pAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, bool read_only)
{
    if (!allocator)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    allocator->AddRef();
    if (m_pAllocator)
        m_pAllocator->Release();
    m_pAllocator = allocator;
    m_bReadOnly = read_only;
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props)
{
    if (!props)
        return E_POINTER;
    return E_NOTIMPL;
}

HRESULT CBaseInputPin::CheckStreaming()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (IsStopped())
        return VFW_E_WRONG_STATE;
    if (m_bFlushing)
        return S_FALSE;
    if (m_bRunTimeError)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    com_ptr<IMediaSample2> props = com_ptr<IMediaSample>::share(sample).as<IMediaSample2>(IID_IMediaSample2);
    if (props) {
        hr = props->GetProperties(&m_SampleProps);
        if (FAILED(hr))
            return hr;
    } else {
        // A sample of another kind: its properties one by one.
        m_SampleProps = AM_SAMPLE2_PROPERTIES{};
        m_SampleProps.dwStreamId = AM_STREAM_MEDIA;
        hr = sample->GetTime(&m_SampleProps.tStart, &m_SampleProps.tStop);
        if (SUCCEEDED(hr))
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_TIMEVALID | (hr == S_OK ? AM_SAMPLE_STOPVALID : 0);
        if (sample->IsSyncPoint() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
        if (sample->IsPreroll() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_PREROLL;
        if (sample->IsDiscontinuity() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
        m_SampleProps.lActual = sample->GetActualDataLength();
        m_SampleProps.cbBuffer = sample->GetSize();
        sample->GetPointer(&m_SampleProps.pbBuffer);
    }
    if ((m_SampleProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) && m_SampleProps.pMediaType) {
        CMediaType changed;
        if (FAILED(changed.Set(*m_SampleProps.pMediaType)))
            return E_OUTOFMEMORY;
        if (CheckMediaType(&changed) != S_OK)
            return VFW_E_INVALID_MEDIA_TYPE;
    }
    return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed)
{
    if (!samples || !processed)
        return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK)
            break;
        ++*processed;
    }
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock()
{
    // A pin of a filter without outputs (a renderer) may block; otherwise it
    // blocks when a downstream input pin it feeds may.
    int outputs = 0;
    for (int i = 0, n = m_pFilter->GetPinCount(); i < n; ++i) {
        CBasePin* pin = m_pFilter->GetPin(i);
        if (!pin || pin->Direction() != PINDIR_OUTPUT)
            continue;
        ++outputs;
        IPin* peer = pin->GetConnected();
        if (!peer)
            continue;
        com_ptr<IMemInputPin> input = com_ptr<IPin>::share(peer).as<IMemInputPin>(IID_IMemInputPin);
        if (!input || input->ReceiveCanBlock() != S_FALSE)
            return S_OK;
    }
    return outputs == 0 ? S_OK : S_FALSE;
}

HRESULT CBaseInputPin::BeginFlush()
{
    m_bFlushing = true;
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush()
{
    m_bFlushing = false;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect()
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Active()
{
    m_bRunTimeError = false;
    m_bFlushing = false;
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    m_bRunTimeError = false;
    if (m_pAllocator)
        return m_pAllocator->Decommit();
    return S_OK;
}

CBaseOutputPin::CBaseOutputPin(const char* object_name, CBaseFilter* filter, std::recursive_mutex* lock,
                               HRESULT* result, const wchar_t* name)
    : CBasePin(object_name, filter, lock, result, name, PINDIR_OUTPUT)
{
}

CBaseOutputPin::~CBaseOutputPin()
{
    if (m_pAllocator)
        m_pAllocator->Release();
    if (m_pInputPin)
        m_pInputPin->Release();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr))
        return hr;
    IMemInputPin* input = nullptr;
    hr = pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (FAILED(hr) || !input)
        return E_NOINTERFACE;
    if (m_pInputPin)
        m_pInputPin->Release();
    m_pInputPin = input;
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*)
{
    if (!m_pInputPin)
        return E_UNEXPECTED;
    return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInputPin) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator)
{
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    ALLOCATOR_PROPERTIES wanted{};
    pin->GetAllocatorRequirements(&wanted);  // no requirements leaves them 0
    if (wanted.cbAlign == 0)
        wanted.cbAlign = 1;

    HRESULT hr = pin->GetAllocator(allocator);
    if (SUCCEEDED(hr) && *allocator) {
        ALLOCATOR_PROPERTIES request = wanted;
        hr = DecideBufferSize(*allocator, &request);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*allocator, false);
            if (SUCCEEDED(hr))
                return S_OK;
        }
    }
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }

    hr = InitAllocator(allocator);
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES request = wanted;
        hr = DecideBufferSize(*allocator, &request);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*allocator, false);
            if (SUCCEEDED(hr))
                return S_OK;
        }
    }
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator)
{
    HRESULT hr = S_OK;
    auto* made = new (std::nothrow) CMemAllocator("output pin's allocator", nullptr, &hr);
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    *allocator = made;
    return S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                          std::uint32_t flags)
{
    if (!sample)
        return E_POINTER;
    *sample = nullptr;
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    IMemInputPin* input = m_pInputPin;
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return input->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    return m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    return m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    return m_Connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    return m_Connected->NewSegment(start, stop, rate);
}

HRESULT CBaseOutputPin::Active()
{
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive()
{
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

}  // namespace platform::filter
