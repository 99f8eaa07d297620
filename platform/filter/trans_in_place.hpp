// CTransInPlaceFilter: a transform that works on the sample it receives and
// passes it on; a copy is made only when its two sides use different
// allocators.
#pragma once

#include "platform/filter/transform.hpp"

namespace platform::filter {

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(const char* object_name, CTransInPlaceFilter* filter, HRESULT* result,
                          const wchar_t* name);

    // With the output connected, the downstream pin's allocator, so that
    // both sides share one.
    HRESULT GetAllocator(IMemAllocator** allocator) override;
    // Passes the allocator downstream when the output is connected.
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool read_only) override;
    // With the output connected, the types downstream offers.
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    // The filter's input check, and downstream's acceptance when connected.
    HRESULT CheckMediaType(const CMediaType* type) override;

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(const char* object_name, CTransInPlaceFilter* filter, HRESULT* result,
                           const wchar_t* name);

    // Offers the input's allocator downstream first.
    HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
    // With the input connected, the types upstream offers.
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    // Takes an allocator the input was told of, when downstream accepts it.
    HRESULT ReceiveAllocator(IMemAllocator* allocator, bool read_only);

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceFilter : public CTransformFilter {
public:
    // `modifies_data` false lets a read-only allocator pass through.
    CTransInPlaceFilter(const char* object_name, IUnknown* outer, REFCLSID clsid, HRESULT* result,
                        bool modifies_data = true);

    // The in-place step on the sample; S_FALSE keeps it from downstream.
    virtual HRESULT Transform(IMediaSample* sample) = 0;
    HRESULT Transform(IMediaSample*, IMediaSample*) override { return E_UNEXPECTED; }
    HRESULT CheckTransform(const CMediaType*, const CMediaType*) override { return S_OK; }
    HRESULT GetMediaType(int, CMediaType*) override { return E_UNEXPECTED; }
    // The input connection's buffers, or one byte when it has none.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    HRESULT Receive(IMediaSample* sample) override;

    bool ModifiesData() const { return m_bModifiesData; }
    bool UsingDifferentAllocators() const;

protected:
    // The in-place pins: input "Input", output "Output".
    CTransformInputPin* MakeInputPin(HRESULT* result) override;
    CTransformOutputPin* MakeOutputPin(HRESULT* result) override;

    // A copy of the sample in a buffer of the output allocator (data, times,
    // flags, type, stream), or null when none can be had.
    IMediaSample* Copy(IMediaSample* source);

    bool m_bModifiesData;
};

}  // namespace platform::filter
