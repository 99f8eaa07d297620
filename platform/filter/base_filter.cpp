// Filters: state changes over the pins, graph membership, pin enumeration.
#include "platform/filter/base_filter.hpp"

#include "platform/filter/pin.hpp"

#include <new>

namespace platform::filter {

CBaseFilter::CBaseFilter(const char* object_name, IUnknown* outer, std::recursive_mutex* lock, REFCLSID clsid,
                         HRESULT* result)
    : CUnknown(object_name, outer, result), m_clsid(clsid), m_pLock(lock)
{
}

CBaseFilter::~CBaseFilter()
{
    if (m_pClock)
        m_pClock->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IBaseFilter)
        return GetInterface(static_cast<IBaseFilter*>(this), out);
    if (iid == IID_IMediaFilter)
        return GetInterface(static_cast<IMediaFilter*>(this), out);
    if (iid == IID_IPersist)
        return GetInterface(static_cast<IPersist*>(this), out);
    if (iid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result))
                    result = hr;
            }
        }
    }
    m_State = State_Stopped;
    return result;
}

HRESULT CBaseFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    m_tStart = start;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(start);
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(std::uint32_t, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_State;
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (clock)
        clock->AddRef();
    if (m_pClock)
        m_pClock->Release();
    m_pClock = clock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    *clock = m_pClock;
    if (m_pClock)
        m_pClock->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* time)
{
    if (!time)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    if (!m_pClock)
        return VFW_E_NO_CLOCK;
    HRESULT hr = m_pClock->GetTime(time);
    if (FAILED(hr))
        return hr;
    *time -= m_tStart;
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins)
{
    if (!pins)
        return E_POINTER;
    auto* made = new (std::nothrow) CEnumPins(this, nullptr);
    *pins = made;
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::FindPin(const wchar_t* id, IPin** pin)
{
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    if (!id)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* candidate = GetPin(i);
        if (candidate && candidate->Name() == id) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    info->achName = m_pName;
    info->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, const wchar_t* name)
{
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    m_pGraph = graph;
    m_pSink = nullptr;
    if (graph) {
        // Kept without a reference, as the graph itself: it outlives the filter's membership.
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&m_pSink))))
            m_pSink->Release();
        else
            m_pSink = nullptr;
        m_pName = name ? name : L"";
    } else {
        m_pName.clear();
    }
    return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(LONG code, std::intptr_t param1, std::intptr_t param2)
{
    IMediaEventSink* sink = m_pSink;
    if (!sink)
        return E_NOTIMPL;
    return sink->Notify(code, param1, param2);
}

CEnumPins::CEnumPins(CBaseFilter* filter, const CEnumPins* copy_of)
    : CUnknown("pin enumerator", nullptr), filter_(filter), version_(filter->GetPinVersion())
{
    if (copy_of) {
        position_ = copy_of->position_;
        version_ = copy_of->version_;
    }
    filter_->AddRef();
}

CEnumPins::~CEnumPins() { filter_->Release(); }

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IEnumPins)
        return GetInterface(static_cast<IEnumPins*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (!pins || (!fetched && count != 1))
        return E_POINTER;
    if (fetched)
        *fetched = 0;
    if (OutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count && position_ < filter_->GetPinCount()) {
        CBasePin* pin = filter_->GetPin(position_++);
        if (!pin)
            continue;
        pin->AddRef();
        pins[got++] = pin;
    }
    if (fetched)
        *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count)
{
    if (OutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    int left = filter_->GetPinCount() - position_;
    if (count > ULONG(left)) {
        position_ += left;
        return S_FALSE;
    }
    position_ += int(count);
    return S_OK;
}

HRESULT CEnumPins::Reset()
{
    position_ = 0;
    version_ = filter_->GetPinVersion();
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone)
{
    if (!clone)
        return E_POINTER;
    auto* made = new (std::nothrow) CEnumPins(filter_, this);
    *clone = made;
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    return S_OK;
}

}  // namespace platform::filter
