// The null renderer: takes every type and discards what it receives.
#include "platform/filter/stock.hpp"

#include <new>

namespace platform::filter {

CNullRenderer::CNullRenderer() : CBaseRenderer(CLSID_NullRenderer, "null renderer", nullptr, nullptr) {}

HRESULT CNullRenderer::CheckMediaType(const CMediaType*) { return S_OK; }

HRESULT CNullRenderer::DoRenderSample(IMediaSample*) { return S_OK; }

IUnknown* make_null_renderer() { return static_cast<IBaseFilter*>(new (std::nothrow) CNullRenderer); }

}  // namespace platform::filter
