// The stock objects the class table makes: the graph manager, the null
// renderer, the default audio renderer (PCM through the audio layer) and
// the movie file source.
#pragma once

#include "platform/filter/graph.hpp"
#include "platform/filter/renderer.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace platform::filter {

// Each is a new object with no reference yet.
IUnknown* make_filter_graph();
IUnknown* make_null_renderer();
IUnknown* make_audio_renderer();
// The movie source over the codec libraries, and its recogniser: true when
// the libraries know the file by its first bytes.
IUnknown* make_movie_source();
bool movie_source_recognises(const BYTE* head, std::size_t length, const std::wstring& path);

// Copies of the tables for the graph: filters by merit, highest first;
// sources latest first.
std::vector<filter_entry> filters_by_merit();
std::vector<source_entry> sources_in_order();

// Accepts every type, discards what it receives, reports the end of stream.
class CNullRenderer : public CBaseRenderer {
public:
    CNullRenderer();
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
};

}  // namespace platform::filter
