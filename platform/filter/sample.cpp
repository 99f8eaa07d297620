// Media samples: buffer, length, times, flags and type.
#include "platform/filter/sample.hpp"

#include "platform/filter/allocator.hpp"

namespace platform::filter {

CMediaSample::CMediaSample(const char*, CBaseAllocator* allocator, HRESULT* result, BYTE* buffer, LONG length)
    : m_pBuffer(buffer), m_cbBuffer(length < 0 ? 0 : length), m_pAllocator(allocator)
{
    if (result && length < 0)
        *result = E_INVALIDARG;
}

CMediaSample::~CMediaSample() { DeleteMediaType(m_pMediaType); }

HRESULT CMediaSample::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid == IID_IMediaSample || iid == IID_IMediaSample2 || iid == IID_IUnknown)
        return GetInterface(static_cast<IMediaSample2*>(this), out);
    return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() { return static_cast<ULONG>(++m_cRef); }

ULONG CMediaSample::Release()
{
    long left = --m_cRef;
    if (left != 0)
        return static_cast<ULONG>(left);
    ResetProperties();
    if (m_pAllocator)
        m_pAllocator->ReleaseBuffer(this);
    else
        delete this;
    return 0;
}

void CMediaSample::ResetProperties()
{
    m_dwFlags = 0;
    m_dwStreamId = AM_STREAM_MEDIA;
    m_lActual = 0;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
}

HRESULT CMediaSample::SetPointer(BYTE* buffer, LONG length)
{
    if (length < 0)
        return E_INVALIDARG;
    m_pBuffer = buffer;
    m_cbBuffer = length;
    m_lActual = 0;
    return S_OK;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer)
{
    if (!buffer)
        return E_POINTER;
    *buffer = m_pBuffer;
    return S_OK;
}

LONG CMediaSample::GetSize() { return m_cbBuffer; }

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (!(m_dwFlags & AM_SAMPLE_TIMEVALID))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = m_Start;
    if (!(m_dwFlags & AM_SAMPLE_STOPVALID)) {
        *stop = m_Start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = m_End;
    return S_OK;
}

HRESULT CMediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop)
{
    m_dwFlags &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
    if (!start)
        return S_OK;
    m_Start = *start;
    m_dwFlags |= AM_SAMPLE_TIMEVALID;
    if (stop) {
        m_End = *stop;
        m_dwFlags |= AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

namespace {
HRESULT flag(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) ? S_OK : S_FALSE; }
void set_flag(std::uint32_t& flags, std::uint32_t bit, bool on)
{
    if (on)
        flags |= bit;
    else
        flags &= ~bit;
}
}  // namespace

HRESULT CMediaSample::IsSyncPoint() { return flag(m_dwFlags, AM_SAMPLE_SPLICEPOINT); }
HRESULT CMediaSample::SetSyncPoint(bool sync)
{
    set_flag(m_dwFlags, AM_SAMPLE_SPLICEPOINT, sync);
    return S_OK;
}
HRESULT CMediaSample::IsPreroll() { return flag(m_dwFlags, AM_SAMPLE_PREROLL); }
HRESULT CMediaSample::SetPreroll(bool preroll)
{
    set_flag(m_dwFlags, AM_SAMPLE_PREROLL, preroll);
    return S_OK;
}
HRESULT CMediaSample::IsDiscontinuity() { return flag(m_dwFlags, AM_SAMPLE_DATADISCONTINUITY); }
HRESULT CMediaSample::SetDiscontinuity(bool discontinuity)
{
    set_flag(m_dwFlags, AM_SAMPLE_DATADISCONTINUITY, discontinuity);
    return S_OK;
}

LONG CMediaSample::GetActualDataLength() { return m_lActual; }

HRESULT CMediaSample::SetActualDataLength(LONG length)
{
    if (length < 0 || length > m_cbBuffer)
        return VFW_E_BUFFER_OVERFLOW;
    m_lActual = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type)
{
    if (!type)
        return E_POINTER;
    *type = nullptr;
    if (!(m_dwFlags & AM_SAMPLE_TYPECHANGED) || !m_pMediaType)
        return S_FALSE;
    *type = CreateMediaType(m_pMediaType);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(const AM_MEDIA_TYPE* type)
{
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    m_dwFlags &= ~AM_SAMPLE_TYPECHANGED;
    if (!type)
        return S_OK;
    m_pMediaType = CreateMediaType(type);
    if (!m_pMediaType)
        return E_OUTOFMEMORY;
    m_dwFlags |= AM_SAMPLE_TYPECHANGED;
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(std::int64_t* start, std::int64_t* stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (!(m_dwFlags & AM_SAMPLE_MEDIATIMEVALID))
        return VFW_E_MEDIA_TIME_NOT_SET;
    *start = m_MediaStart;
    *stop = m_MediaEnd;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(const std::int64_t* start, const std::int64_t* stop)
{
    if (!start) {
        m_dwFlags &= ~AM_SAMPLE_MEDIATIMEVALID;
        return S_OK;
    }
    if (!stop)
        return E_POINTER;
    m_MediaStart = *start;
    m_MediaEnd = *stop;
    m_dwFlags |= AM_SAMPLE_MEDIATIMEVALID;
    return S_OK;
}

HRESULT CMediaSample::GetProperties(AM_SAMPLE2_PROPERTIES* props)
{
    if (!props)
        return E_POINTER;
    props->dwSampleFlags = m_dwFlags;
    props->lActual = m_lActual;
    props->tStart = m_Start;
    props->tStop = m_End;
    props->dwStreamId = m_dwStreamId;
    props->pMediaType = (m_dwFlags & AM_SAMPLE_TYPECHANGED) ? m_pMediaType : nullptr;
    props->pbBuffer = m_pBuffer;
    props->cbBuffer = m_cbBuffer;
    return S_OK;
}

HRESULT CMediaSample::SetProperties(const AM_SAMPLE2_PROPERTIES* props)
{
    if (!props)
        return E_POINTER;
    if (props->lActual < 0 || props->lActual > m_cbBuffer)
        return VFW_E_BUFFER_OVERFLOW;
    HRESULT hr = SetMediaType((props->dwSampleFlags & AM_SAMPLE_TYPECHANGED) ? props->pMediaType : nullptr);
    if (FAILED(hr))
        return hr;
    std::uint32_t type_bit = m_dwFlags & AM_SAMPLE_TYPECHANGED;
    m_dwFlags = (props->dwSampleFlags & ~AM_SAMPLE_TYPECHANGED) | type_bit;
    m_lActual = props->lActual;
    m_Start = props->tStart;
    m_End = props->tStop;
    m_dwStreamId = props->dwStreamId;
    return S_OK;
}

}  // namespace platform::filter
