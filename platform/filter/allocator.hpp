// Allocators: CBaseAllocator keeps the agreed properties, the free list and
// the commit state; CMemAllocator places its samples in one block of memory.
#pragma once

#include "platform/filter/sample.hpp"

#include <condition_variable>
#include <mutex>

namespace platform::filter {

// The allocation granularity an alignment has to divide.
inline constexpr LONG allocation_granularity = 4096;

// Free samples, linked through the samples themselves.
class CSampleList {
public:
    CMediaSample* Head() const { return head_; }
    static CMediaSample* Next(CMediaSample* sample);
    void Add(CMediaSample* sample);
    CMediaSample* RemoveHead();
    LONG GetCount() const { return count_; }

private:
    CMediaSample* head_ = nullptr;
    LONG count_ = 0;
};

class CBaseAllocator : public CUnknown, public IMemAllocator {
public:
    CBaseAllocator(const char* object_name, IUnknown* outer, HRESULT* result);
    ~CBaseAllocator() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                      std::uint32_t flags) override;
    HRESULT ReleaseBuffer(IMediaSample* sample) override;
    HRESULT SetNotify(IMemAllocatorNotify* notify) override;
    HRESULT GetFreeCount(LONG* free) override;

protected:
    // Makes the samples. The base only checks: VFW_E_SIZENOTSET when count,
    // size or alignment is not positive, S_FALSE when nothing changed since
    // the last Alloc, S_OK when the samples are to be (re)made.
    virtual HRESULT Alloc();
    // Frees the samples once all of them are back (on Decommit).
    virtual void Free() = 0;

    std::recursive_mutex m_cs;  // the allocator lock
    std::condition_variable_any m_freed;
    CSampleList m_lFree;
    LONG m_lAllocated = 0;  // samples made
    LONG m_lCount = 0;      // agreed properties
    LONG m_lSize = 0;
    LONG m_lAlignment = 0;
    LONG m_lPrefix = 0;
    bool m_bChanged = false;  // properties changed since the last Alloc
    bool m_bCommitted = false;
    bool m_bDecommitInProgress = false;  // decommitted with samples still out
    IMemAllocatorNotify* m_pNotify = nullptr;
};

class CMemAllocator : public CBaseAllocator {
public:
    CMemAllocator(const char* object_name, IUnknown* outer, HRESULT* result);
    ~CMemAllocator() override;

    // Adds the alignment check (VFW_E_BADALIGN for 0 or one not dividing the
    // granularity) and rounds each buffer so that prefix and buffer together
    // fill whole alignment units.
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;

protected:
    HRESULT Alloc() override;
    void Free() override;

    BYTE* m_pBuffer = nullptr;  // the block the samples lie in

private:
    void ReallyFree();
};

}  // namespace platform::filter
