// CMediaSample: a media sample over a memory range its allocator gives it.
#pragma once

#include "platform/filter/interfaces.hpp"

namespace platform::filter {

class CBaseAllocator;

// When its last reference goes, a sample goes back to its allocator (or is
// deleted when it has none). Its properties are cleared on the way back.
class CMediaSample : public IMediaSample2 {
public:
    CMediaSample(const char* object_name, CBaseAllocator* allocator, HRESULT* result, BYTE* buffer = nullptr,
                 LONG length = 0);
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;
    virtual ~CMediaSample();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Points the sample at another range (the allocator's business).
    HRESULT SetPointer(BYTE* buffer, LONG length);

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(bool sync) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(bool preroll) override;
    LONG GetActualDataLength() override;
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(bool discontinuity) override;
    HRESULT GetMediaTime(std::int64_t* start, std::int64_t* stop) override;
    HRESULT SetMediaTime(const std::int64_t* start, const std::int64_t* stop) override;
    HRESULT GetProperties(AM_SAMPLE2_PROPERTIES* props) override;
    HRESULT SetProperties(const AM_SAMPLE2_PROPERTIES* props) override;

    CBaseAllocator* Allocator() const { return m_pAllocator; }

protected:
    friend class CBaseAllocator;
    friend class CSampleList;
    // Clears flags, times and type for the next user.
    void ResetProperties();

    std::uint32_t m_dwFlags = 0;
    std::uint32_t m_dwStreamId = AM_STREAM_MEDIA;
    BYTE* m_pBuffer;
    LONG m_cbBuffer;
    LONG m_lActual = 0;
    REFERENCE_TIME m_Start = 0;
    REFERENCE_TIME m_End = 0;
    std::int64_t m_MediaStart = 0;
    std::int64_t m_MediaEnd = 0;
    AM_MEDIA_TYPE* m_pMediaType = nullptr;
    CBaseAllocator* m_pAllocator;
    CMediaSample* m_pNext = nullptr;  // link in the allocator's free list
    std::atomic<long> m_cRef{0};

private:
    live_object live_;
};

}  // namespace platform::filter
