// Media types and their format blocks.
#include "platform/filter/media_type.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace platform::filter {

namespace {

#if ZENTIL_TEST_HOOKS
std::atomic<int> failing_allocations{0};
#endif

BYTE* allocate_format(std::uint32_t length)
{
#if ZENTIL_TEST_HOOKS
    for (int left = failing_allocations.load(); left > 0;)
        if (failing_allocations.compare_exchange_weak(left, left - 1))
            return nullptr;
#endif
    return static_cast<BYTE*>(std::malloc(length ? length : 1));
}

void empty_type(AM_MEDIA_TYPE& mt)
{
    mt.majortype = GUID_NULL;
    mt.subtype = GUID_NULL;
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false;
    mt.lSampleSize = 1;
    mt.formattype = GUID_NULL;
    mt.cbFormat = 0;
    mt.pbFormat = nullptr;
}

}  // namespace

#if ZENTIL_TEST_HOOKS
void fail_format_allocations(int count) { failing_allocations = count; }
#endif

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
    std::free(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
}

void DeleteMediaType(AM_MEDIA_TYPE* mt)
{
    if (!mt)
        return;
    FreeMediaType(*mt);
    delete mt;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src)
{
    if (!dst || !src)
        return E_POINTER;
    if (dst == src)
        return S_OK;
    *dst = *src;
    dst->cbFormat = 0;
    dst->pbFormat = nullptr;
    if (src->cbFormat == 0 || !src->pbFormat)
        return S_OK;
    BYTE* block = allocate_format(src->cbFormat);
    if (!block)
        return E_OUTOFMEMORY;
    std::memcpy(block, src->pbFormat, src->cbFormat);
    dst->pbFormat = block;
    dst->cbFormat = src->cbFormat;
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src)
{
    if (!src)
        return nullptr;
    auto* mt = new (std::nothrow) AM_MEDIA_TYPE;
    if (!mt)
        return nullptr;
    if (FAILED(CopyMediaType(mt, src))) {
        delete mt;
        return nullptr;
    }
    return mt;
}

CMediaType::CMediaType() { empty_type(*this); }

CMediaType::CMediaType(const GUID& major)
{
    empty_type(*this);
    majortype = major;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other)
{
    empty_type(*this);
    Set(other);
}

CMediaType::CMediaType(const CMediaType& other) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other)
{
    Set(other);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other)
{
    Set(other);
    return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other)
{
    if (&other == this)
        return S_OK;
    FreeMediaType(*this);
    return CopyMediaType(this, &other);
}

bool CMediaType::operator==(const CMediaType& other) const
{
    return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
           cbFormat == other.cbFormat && (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

void CMediaType::SetSampleSize(std::uint32_t size)
{
    if (size == 0) {
        SetVariableSize();
    } else {
        bFixedSizeSamples = true;
        lSampleSize = size;
    }
}

void CMediaType::SetVariableSize()
{
    bFixedSizeSamples = false;
    lSampleSize = 0;
}

bool CMediaType::SetFormat(const BYTE* format, std::uint32_t length)
{
    BYTE* block = AllocFormatBuffer(length);
    if (!block)
        return false;
    if (length)
        std::memcpy(block, format, length);
    return true;
}

BYTE* CMediaType::AllocFormatBuffer(std::uint32_t length)
{
    BYTE* block = allocate_format(length);
    if (!block)
        return nullptr;
    std::memset(block, 0, length ? length : 1);
    FreeMediaType(*this);
    pbFormat = block;
    cbFormat = length;
    return block;
}

void CMediaType::ResetFormatBuffer() { FreeMediaType(*this); }

void CMediaType::InitMediaType()
{
    FreeMediaType(*this);
    empty_type(*this);
}

bool CMediaType::MatchesPartial(const CMediaType* partial) const
{
    if (partial->majortype != GUID_NULL && partial->majortype != majortype)
        return false;
    if (partial->subtype != GUID_NULL && partial->subtype != subtype)
        return false;
    if (partial->formattype != GUID_NULL) {
        if (partial->formattype != formattype)
            return false;
        if (partial->cbFormat != 0 &&
            (partial->cbFormat != cbFormat || std::memcmp(partial->pbFormat, pbFormat, cbFormat) != 0))
            return false;
    }
    return true;
}

bool CMediaType::IsPartiallySpecified() const
{
    return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

}  // namespace platform::filter
