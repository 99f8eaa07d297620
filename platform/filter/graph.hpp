// The filter graph: the class table behind CoCreateInstance, the table of
// filters rendering may insert, the table of file-source recognisers, and
// the interfaces of the graph manager.
#pragma once

#include "platform/filter/interfaces.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::filter {

using LONGLONG = std::int64_t;
using DWORD = std::uint32_t;

// Result codes of the graph (our numbering).
inline constexpr HRESULT REGDB_E_CLASSNOTREG = code(0x80040154);
inline constexpr HRESULT E_ABORT = code(0x80004004);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = code(0x8004F020);
inline constexpr HRESULT VFW_E_ALREADY_IN_GRAPH = code(0x8004F021);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = code(0x8004F022);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = code(0x8004F023);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = code(0x8004F024);
inline constexpr HRESULT VFW_E_CANNOT_OPEN_FILE = code(0x8004F025);
inline constexpr HRESULT VFW_E_NO_SEEKING = code(0x8004F026);
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = code(0x0004F020);

// CoCreateInstance contexts (recorded, not used: every class is in-process).
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;

inline constexpr GUID CLSID_FilterGraph{0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID CLSID_NullRenderer{0x8B7E2C41, 0x3D5A, 0x4F0E, {0xA1, 0x6C, 0x52, 0x0D, 0x9E, 0x47, 0x11, 0x03}};
inline constexpr GUID CLSID_MovieSource{0x8B7E2C43, 0x3D5A, 0x4F0E, {0xA1, 0x6C, 0x52, 0x0D, 0x9E, 0x47, 0x11, 0x03}};
inline constexpr GUID CLSID_AudioRenderer{0x8B7E2C42, 0x3D5A, 0x4F0E, {0xA1, 0x6C, 0x52, 0x0D, 0x9E, 0x47, 0x11, 0x03}};

inline constexpr GUID IID_IGraphBuilder{0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID IID_IEnumFilters{0x0F6B3A21, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};
inline constexpr GUID IID_IMediaControl{0x0F6B3A22, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};
inline constexpr GUID IID_IMediaEvent{0x0F6B3A23, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};
inline constexpr GUID IID_IMediaSeeking{0x0F6B3A24, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};
inline constexpr GUID IID_IBasicAudio{0x0F6B3A25, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};
inline constexpr GUID IID_IFileSourceFilter{0x0F6B3A26, 0x77C4, 0x4E0A, {0x9B, 0x51, 0x3C, 0x2D, 0x60, 0x18, 0xA4, 0x01}};

struct IEnumFilters : IUnknown {
    // `fetched` may be null only when count is 1.
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** clone) = 0;
};

struct IGraphBuilder : IFilterGraph {
    // The filters in the order they were added.
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    // Directly, else through one transform of the filter table.
    virtual HRESULT Connect(IPin* out, IPin* in) = 0;
    // Ends every path from the output pin in renderers.
    virtual HRESULT Render(IPin* out) = 0;
    // A source for the file, then Render of its output pins. `playlist` is unused.
    virtual HRESULT RenderFile(const wchar_t* file, const wchar_t* playlist) = 0;
};

using OAFilterState = LONG;

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    // VFW_S_STATE_INTERMEDIATE while paused renderers still wait for data.
    virtual HRESULT GetState(LONG timeout_ms, OAFilterState* state) = 0;
};

struct IMediaEvent : IUnknown {
    // EC_COMPLETE or EC_ERRORABORT in `code`; E_ABORT when the time ran out.
    virtual HRESULT WaitForCompletion(LONG timeout_ms, LONG* code) = 0;
};

// SetPositions flags.
inline constexpr DWORD AM_SEEKING_NoPositioning = 0;
inline constexpr DWORD AM_SEEKING_AbsolutePositioning = 1;

struct IMediaSeeking : IUnknown {
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
    // Either position may be null (with AM_SEEKING_NoPositioning).
    virtual HRESULT SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG* stop, DWORD stop_flags) = 0;
};

// The graph's sound controls: only obtained and released.
struct IBasicAudio : IUnknown {
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;
};

// A source that reads a file.
struct IFileSourceFilter : IUnknown {
    virtual HRESULT Load(const wchar_t* file, const AM_MEDIA_TYPE* type) = 0;
};

// ---- the class table ----

// Makes a new object with no reference yet, or null.
using class_factory = std::function<IUnknown*()>;

// Adds or replaces a class.
void register_class(REFCLSID clsid, class_factory make);
void unregister_class(REFCLSID clsid);

// A new object of the class as interface `iid`, with one reference; a
// failure code and null for an unknown class or a missing interface.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);

// ---- the filter table rendering may insert from ----

struct filter_entry {
    std::wstring name;   // the name the filter is added under
    CLSID clsid;         // made through the class table
    std::uint32_t merit; // higher is tried first
    // Input types taken as (major, sub) pairs; GUID_NULL matches any.
    std::vector<std::pair<GUID, GUID>> inputs;
};

inline constexpr std::uint32_t MERIT_PREFERRED = 0x800000;
inline constexpr std::uint32_t MERIT_NORMAL = 0x600000;

// Adds or replaces the entry of its class.
void register_filter(const filter_entry& entry);
void unregister_filter(REFCLSID clsid);

// ---- the recognisers of file sources ----

struct source_entry {
    CLSID clsid;  // a filter with IFileSourceFilter
    // True when the source takes a file beginning with these bytes.
    std::function<bool(const BYTE* head, std::size_t length, const std::wstring& path)> recognises;
};

// Adds or replaces the entry of its class; the latest registered is asked first.
void register_source(const source_entry& entry);
void unregister_source(REFCLSID clsid);

// The stock classes (graph, null renderer, audio renderer, the movie source
// with its recogniser) in the tables;
// done by the first CoCreateInstance, and again after a test clears them.
void register_stock_classes();

}  // namespace platform::filter
