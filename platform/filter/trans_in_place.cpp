// In-place transforms: allocator sharing across the filter and the pass-through.
#include "platform/filter/trans_in_place.hpp"

#include <cstring>
#include <new>

namespace platform::filter {

CTransInPlaceInputPin::CTransInPlaceInputPin(const char* object_name, CTransInPlaceFilter* filter,
                                             HRESULT* result, const wchar_t* name)
    : CTransformInputPin(object_name, filter, result, name), m_pTIPFilter(filter)
{
}

HRESULT CTransInPlaceInputPin::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    CBaseOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->IsConnected() && out->PeekInputPin())
        return out->PeekInputPin()->GetAllocator(allocator);
    return CTransformInputPin::GetAllocator(allocator);
}

HRESULT CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, bool read_only)
{
    if (!allocator)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(*m_pLock);
    auto* out = static_cast<CTransInPlaceOutputPin*>(m_pTIPFilter->OutputPin());
    if (out && out->IsConnected())
        out->ReceiveAllocator(allocator, read_only);  // refused: the sides copy
    return CTransformInputPin::NotifyAllocator(allocator, read_only);
}

HRESULT CTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    CBasePin* out = m_pTIPFilter->OutputPin();
    if (out && out->IsConnected())
        return out->GetConnected()->EnumMediaTypes(types);
    return CTransformInputPin::EnumMediaTypes(types);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CBasePin* out = m_pTIPFilter->OutputPin();
    if (out && out->IsConnected())
        return out->GetConnected()->QueryAccept(type) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

CTransInPlaceOutputPin::CTransInPlaceOutputPin(const char* object_name, CTransInPlaceFilter* filter,
                                               HRESULT* result, const wchar_t* name)
    : CTransformOutputPin(object_name, filter, result, name), m_pTIPFilter(filter)
{
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator)
{
    CBaseInputPin* in = m_pTIPFilter->InputPin();
    IMemAllocator* shared = in ? in->PeekAllocator() : nullptr;
    bool read_only = in && in->IsReadOnly();
    if (shared && !(read_only && m_pTIPFilter->ModifiesData()) && SUCCEEDED(pin->NotifyAllocator(shared, read_only))) {
        if (*allocator)
            (*allocator)->Release();
        shared->AddRef();
        *allocator = shared;
        return S_OK;
    }
    return CTransformOutputPin::DecideAllocator(pin, allocator);
}

HRESULT CTransInPlaceOutputPin::ReceiveAllocator(IMemAllocator* allocator, bool read_only)
{
    if (read_only && m_pTIPFilter->ModifiesData())
        return E_FAIL;
    if (!m_pInputPin)
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_pInputPin->NotifyAllocator(allocator, read_only);
    if (FAILED(hr))
        return hr;
    allocator->AddRef();
    if (m_pAllocator)
        m_pAllocator->Release();
    m_pAllocator = allocator;
    return S_OK;
}

HRESULT CTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    CBasePin* in = m_pTIPFilter->InputPin();
    if (in && in->IsConnected())
        return in->GetConnected()->EnumMediaTypes(types);
    return CTransformOutputPin::EnumMediaTypes(types);
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    // The samples pass through: the type must be the input's, or one upstream
    // would deliver as well.
    CBasePin* in = m_pTIPFilter->InputPin();
    if (in && in->IsConnected() && !(*type == in->CurrentMediaType()) &&
        in->GetConnected()->QueryAccept(type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

CTransInPlaceFilter::CTransInPlaceFilter(const char* object_name, IUnknown* outer, REFCLSID clsid, HRESULT*,
                                         bool modifies_data)
    : CTransformFilter(object_name, outer, clsid), m_bModifiesData(modifies_data)
{
}

CTransformInputPin* CTransInPlaceFilter::MakeInputPin(HRESULT* result)
{
    return new (std::nothrow) CTransInPlaceInputPin("in-place input pin", this, result, L"Input");
}

CTransformOutputPin* CTransInPlaceFilter::MakeOutputPin(HRESULT* result)
{
    return new (std::nothrow) CTransInPlaceOutputPin("in-place output pin", this, result, L"Output");
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!allocator || !request)
        return E_POINTER;
    ALLOCATOR_PROPERTIES wanted{1, 1, 1, 0};
    if (m_pInput && m_pInput->PeekAllocator()) {
        ALLOCATOR_PROPERTIES input{};
        if (SUCCEEDED(m_pInput->PeekAllocator()->GetProperties(&input)) && input.cBuffers > 0)
            wanted = input;
    }
    if (request->cbAlign > wanted.cbAlign)
        wanted.cbAlign = request->cbAlign;
    if (wanted.cbAlign <= 0)
        wanted.cbAlign = 1;
    ALLOCATOR_PROPERTIES granted{};
    HRESULT hr = allocator->SetProperties(&wanted, &granted);
    if (FAILED(hr))
        return hr;
    *request = granted;
    return S_OK;
}

bool CTransInPlaceFilter::UsingDifferentAllocators() const
{
    return m_pInput->PeekAllocator() != m_pOutput->PeekAllocator();
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* source)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    REFERENCE_TIME* start = (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) ? &props->tStart : nullptr;
    REFERENCE_TIME* stop = (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr;
    IMediaSample* dest = nullptr;
    if (FAILED(m_pOutput->GetDeliveryBuffer(&dest, start, stop, 0)) || !dest)
        return nullptr;

    LONG length = source->GetActualDataLength();
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    if (FAILED(source->GetPointer(&from)) || FAILED(dest->GetPointer(&to)) ||
        FAILED(dest->SetActualDataLength(length))) {
        dest->Release();  // the output buffers are too small for it
        return nullptr;
    }
    if (length > 0)
        std::memcpy(to, from, std::size_t(length));

    com_ptr<IMediaSample2> dest2 = com_ptr<IMediaSample>::share(dest).as<IMediaSample2>(IID_IMediaSample2);
    if (dest2) {
        AM_SAMPLE2_PROPERTIES copied = *props;
        copied.lActual = length;
        dest2->SetProperties(&copied);
    } else {
        dest->SetTime(start, stop);
        dest->SetSyncPoint(source->IsSyncPoint() == S_OK);
        dest->SetPreroll(source->IsPreroll() == S_OK);
        dest->SetDiscontinuity(source->IsDiscontinuity() == S_OK);
        AM_MEDIA_TYPE* type = nullptr;
        if (source->GetMediaType(&type) == S_OK) {
            dest->SetMediaType(type);
            DeleteMediaType(type);
        }
    }
    std::int64_t media_start, media_stop;
    if (source->GetMediaTime(&media_start, &media_stop) == S_OK)
        dest->SetMediaTime(&media_start, &media_stop);
    return dest;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample)
{
    if (m_pInput->SampleProps()->dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->IsConnected() ? m_pOutput->Deliver(sample) : S_OK;
    com_ptr<IMediaSample> copy;
    if (UsingDifferentAllocators()) {
        copy = com_ptr<IMediaSample>(Copy(sample));
        if (!copy)
            return E_UNEXPECTED;
        sample = copy.get();
    }
    HRESULT hr = Transform(sample);
    if (FAILED(hr))
        return hr;
    if (hr == S_OK)
        return m_pOutput->Deliver(sample);
    return S_OK;  // the transform kept the sample back
}

}  // namespace platform::filter
