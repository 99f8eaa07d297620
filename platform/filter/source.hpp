// Sources: CSource owns output pins; each CSourceStream pin runs a streaming
// thread from pause (or run) to stop that fills samples and delivers them.
#pragma once

#include "platform/filter/pin.hpp"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::filter {

class CSource;

class CSourceStream : public CBaseOutputPin {
public:
    // Adds itself to the filter's pins.
    CSourceStream(const char* object_name, HRESULT* result, CSource* filter, const wchar_t* name);
    ~CSourceStream() override;

    // Commits the allocator and starts the thread.
    HRESULT Active() override;
    // Stops the thread (the decommit ends a wait for a buffer) and joins it.
    HRESULT Inactive() override;

    // Fills a sample: S_OK to deliver it, S_FALSE at the end of the stream,
    // a failure aborts the stream (EC_ERRORABORT to the graph).
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    // Called on the thread before the first sample of each start.
    virtual HRESULT OnThreadStartPlay() { return S_OK; }

    bool ThreadRunning() const { return thread_.joinable(); }

protected:
    // True once the thread is asked to end.
    bool StopRequested() const { return stop_; }

private:
    void ThreadProc();

    CSource* source_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

class CSource : public CBaseFilter {
public:
    CSource(const char* object_name, IUnknown* outer, REFCLSID clsid, HRESULT* result = nullptr);
    // Deletes the pins.
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    std::recursive_mutex* StateLock() { return &m_cStateLock; }

protected:
    friend class CSourceStream;
    void AddPin(CSourceStream* pin);

    std::recursive_mutex m_cStateLock;
    std::vector<CSourceStream*> m_paStreams;
};

}  // namespace platform::filter
