// Allocators: property agreement, commit and decommit, handing out samples.
#include "platform/filter/allocator.hpp"

#include <cstdlib>
#include <new>

namespace platform::filter {

CMediaSample* CSampleList::Next(CMediaSample* sample) { return sample->m_pNext; }

void CSampleList::Add(CMediaSample* sample)
{
    sample->m_pNext = head_;
    head_ = sample;
    ++count_;
}

CMediaSample* CSampleList::RemoveHead()
{
    CMediaSample* sample = head_;
    if (sample) {
        head_ = sample->m_pNext;
        sample->m_pNext = nullptr;
        --count_;
    }
    return sample;
}

CBaseAllocator::CBaseAllocator(const char* object_name, IUnknown* outer, HRESULT* result)
    : CUnknown(object_name, outer, result)
{
}

CBaseAllocator::~CBaseAllocator()
{
    if (m_pNotify)
        m_pNotify->Release();
}

HRESULT CBaseAllocator::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMemAllocator)
        return GetInterface(static_cast<IMemAllocator*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT CBaseAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    if (!request || !actual)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_lAllocated != m_lFree.GetCount())
        return VFW_E_BUFFERS_OUTSTANDING;
    *actual = *request;
    m_lCount = request->cBuffers;
    m_lSize = request->cbBuffer;
    m_lAlignment = request->cbAlign;
    m_lPrefix = request->cbPrefix;
    m_bChanged = true;
    return S_OK;
}

HRESULT CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* props)
{
    if (!props)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    props->cBuffers = m_lCount;
    props->cbBuffer = m_lSize;
    props->cbAlign = m_lAlignment;
    props->cbPrefix = m_lPrefix;
    return S_OK;
}

HRESULT CBaseAllocator::Alloc()
{
    if (m_lCount <= 0 || m_lSize <= 0 || m_lAlignment <= 0)
        return VFW_E_SIZENOTSET;
    return m_bChanged ? S_OK : S_FALSE;
}

HRESULT CBaseAllocator::Commit()
{
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    if (m_bCommitted)
        return S_OK;
    if (m_bDecommitInProgress) {
        // The samples were never freed: take them back into use.
        m_bDecommitInProgress = false;
        m_bCommitted = true;
        return S_OK;
    }
    HRESULT hr = Alloc();
    if (FAILED(hr))
        return hr;
    m_bCommitted = true;
    return S_OK;
}

HRESULT CBaseAllocator::Decommit()
{
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    if (!m_bCommitted)
        return S_OK;
    m_bCommitted = false;
    if (m_lFree.GetCount() < m_lAllocated)
        m_bDecommitInProgress = true;  // freed when the last sample is back
    else
        Free();
    m_freed.notify_all();  // waiters in GetBuffer fail now
    return S_OK;
}

HRESULT CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                  std::uint32_t flags)
{
    if (!sample)
        return E_POINTER;
    *sample = nullptr;
    CMediaSample* taken = nullptr;
    {
        std::unique_lock<std::recursive_mutex> hold(m_cs);
        for (;;) {
            if (!m_bCommitted)
                return VFW_E_NOT_COMMITTED;
            taken = m_lFree.RemoveHead();
            if (taken)
                break;
            if (flags & AM_GBF_NOWAIT)
                return VFW_E_TIMEOUT;
            m_freed.wait(hold);
        }
        // Each sample out holds the allocator, so it outlives its samples.
        NonDelegatingAddRef();
    }
    taken->m_cRef = 1;
    if (start && stop)
        taken->SetTime(start, stop);
    *sample = taken;
    return S_OK;
}

HRESULT CBaseAllocator::ReleaseBuffer(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    auto* own = dynamic_cast<CMediaSample*>(sample);
    if (!own || own->Allocator() != this)
        return VFW_E_FOREIGN_SAMPLE;
    IMemAllocatorNotify* notify = nullptr;
    {
        std::lock_guard<std::recursive_mutex> hold(m_cs);
        m_lFree.Add(own);
        if (m_bDecommitInProgress && m_lFree.GetCount() == m_lAllocated) {
            m_bDecommitInProgress = false;
            Free();
        }
        notify = m_pNotify;
        if (notify)
            notify->AddRef();
        m_freed.notify_all();
    }
    if (notify) {
        notify->NotifyRelease();
        notify->Release();
    }
    NonDelegatingRelease();  // the reference the sample held; may end the allocator
    return S_OK;
}

HRESULT CBaseAllocator::SetNotify(IMemAllocatorNotify* notify)
{
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    if (notify)
        notify->AddRef();
    if (m_pNotify)
        m_pNotify->Release();
    m_pNotify = notify;
    return S_OK;
}

HRESULT CBaseAllocator::GetFreeCount(LONG* free)
{
    if (!free)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    *free = m_lFree.GetCount();
    return S_OK;
}

CMemAllocator::CMemAllocator(const char* object_name, IUnknown* outer, HRESULT* result)
    : CBaseAllocator(object_name, outer, result)
{
}

CMemAllocator::~CMemAllocator() { ReallyFree(); }

HRESULT CMemAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    if (!request || !actual)
        return E_POINTER;
    if (request->cbAlign <= 0 || allocation_granularity % request->cbAlign != 0)
        return VFW_E_BADALIGN;
    if (request->cbPrefix < 0 || request->cbBuffer < 0)
        return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_lAllocated != m_lFree.GetCount())
        return VFW_E_BUFFERS_OUTSTANDING;
    std::int64_t whole = std::int64_t(request->cbBuffer) + request->cbPrefix;
    std::int64_t rest = whole % request->cbAlign;
    if (rest)
        whole += request->cbAlign - rest;
    if (whole > INT32_MAX)
        return E_INVALIDARG;
    ALLOCATOR_PROPERTIES granted = *request;
    granted.cbBuffer = static_cast<LONG>(whole - request->cbPrefix);
    return CBaseAllocator::SetProperties(&granted, actual);
}

HRESULT CMemAllocator::Alloc()
{
    std::lock_guard<std::recursive_mutex> hold(m_cs);
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE && m_pBuffer)
        return S_OK;  // the samples of these properties are still there
    ReallyFree();

    std::int64_t unit = std::int64_t(m_lSize) + m_lPrefix;
    if (m_lAlignment > 1 && unit % m_lAlignment)
        unit += m_lAlignment - unit % m_lAlignment;
    std::int64_t total = unit * m_lCount;
    if (total > INT32_MAX)
        return E_OUTOFMEMORY;
    void* block = nullptr;
    std::size_t align = m_lAlignment < LONG(sizeof(void*)) ? sizeof(void*) : std::size_t(m_lAlignment);
    if (::posix_memalign(&block, align, std::size_t(total)) != 0)
        return E_OUTOFMEMORY;
    m_pBuffer = static_cast<BYTE*>(block);

    BYTE* next = m_pBuffer;
    for (; m_lAllocated < m_lCount; ++m_lAllocated, next += unit) {
        auto* sample = new (std::nothrow) CMediaSample("default memory media sample", this, &hr, next + m_lPrefix,
                                                       m_lSize);
        if (!sample) {
            ReallyFree();
            return E_OUTOFMEMORY;
        }
        m_lFree.Add(sample);
    }
    m_bChanged = false;
    return S_OK;
}

void CMemAllocator::Free() { ReallyFree(); }

void CMemAllocator::ReallyFree()
{
    while (CMediaSample* sample = m_lFree.RemoveHead())
        delete sample;
    m_lAllocated = 0;
    std::free(m_pBuffer);
    m_pBuffer = nullptr;
}

}  // namespace platform::filter
