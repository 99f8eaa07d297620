// CBaseFilter: a filter's state, graph membership and pin enumeration; the
// derived filter supplies its pins.
#pragma once

#include "platform/filter/interfaces.hpp"

#include <atomic>
#include <mutex>
#include <string>

namespace platform::filter {

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    // `lock` is the filter lock the derived filter owns; its pins share it.
    CBaseFilter(const char* object_name, IUnknown* outer, std::recursive_mutex* lock, REFCLSID clsid,
                HRESULT* result = nullptr);
    ~CBaseFilter() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IPersist
    HRESULT GetClassID(CLSID* clsid) override;
    // IMediaFilter: Pause activates the connected pins, Stop deactivates them.
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(std::uint32_t timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(const wchar_t* id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const wchar_t* name) override;
    // IAMovieSetup: nothing to register.
    HRESULT Register() override { return S_OK; }
    HRESULT Unregister() override { return S_OK; }

    // The stream time: the clock's time less the start time given to Run.
    virtual HRESULT StreamTime(REFERENCE_TIME* time);
    // Changes whenever the set of pins changes (enumerators then go out of sync).
    virtual LONG GetPinVersion() { return m_PinVersion; }
    void IncrementPinVersion() { ++m_PinVersion; }
    virtual int GetPinCount() = 0;
    // The pin without an added reference, or null.
    virtual CBasePin* GetPin(int n) = 0;
    // Registration data; none.
    virtual const void* GetSetupData() { return nullptr; }

    // Reports an event to the graph's event sink, when there is one.
    HRESULT NotifyEvent(LONG code, std::intptr_t param1, std::intptr_t param2);

    bool IsActive() const { return m_State != State_Stopped; }
    bool IsStopped() const { return m_State == State_Stopped; }
    FILTER_STATE State() const { return m_State; }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    std::recursive_mutex* Lock() const { return m_pLock; }

protected:
    std::atomic<FILTER_STATE> m_State{State_Stopped};  // read by streaming threads
    IReferenceClock* m_pClock = nullptr;
    REFERENCE_TIME m_tStart = 0;
    CLSID m_clsid;
    std::recursive_mutex* m_pLock;
    std::wstring m_pName;
    IFilterGraph* m_pGraph = nullptr;    // not referenced: the graph holds the filter
    IMediaEventSink* m_pSink = nullptr;  // the graph's sink, not referenced either
    std::atomic<LONG> m_PinVersion{1};
};

// Enumerates a filter's pins through GetPinCount and GetPin.
class CEnumPins : public CUnknown, public IEnumPins {
public:
    CEnumPins(CBaseFilter* filter, const CEnumPins* copy_of);
    ~CEnumPins() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** clone) override;

private:
    bool OutOfSync() const { return version_ != filter_->GetPinVersion(); }

    CBaseFilter* filter_;
    int position_ = 0;
    LONG version_;
};

}  // namespace platform::filter
