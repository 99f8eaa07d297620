// The interfaces filters, pins, samples and allocators offer one another.
// Every operation that takes an out pointer answers a null one with E_POINTER.
#pragma once

#include "platform/filter/media_type.hpp"
#include "platform/filter/unknown.hpp"

#include <cstdint>
#include <string>

namespace platform::filter {

using LONG = std::int32_t;
using REFERENCE_TIME = std::int64_t;  // 100-nanosecond units

struct IBaseFilter;
struct IFilterGraph;
struct IPin;

// Sample flags as carried in AM_SAMPLE2_PROPERTIES::dwSampleFlags.
inline constexpr std::uint32_t AM_SAMPLE_SPLICEPOINT = 0x01;  // sync point
inline constexpr std::uint32_t AM_SAMPLE_PREROLL = 0x02;
inline constexpr std::uint32_t AM_SAMPLE_DATADISCONTINUITY = 0x04;
inline constexpr std::uint32_t AM_SAMPLE_TYPECHANGED = 0x08;
inline constexpr std::uint32_t AM_SAMPLE_TIMEVALID = 0x10;
inline constexpr std::uint32_t AM_SAMPLE_STOPVALID = 0x100;
inline constexpr std::uint32_t AM_SAMPLE_MEDIATIMEVALID = 0x200;

// The stream a sample belongs to: 0 is the media stream itself.
inline constexpr std::uint32_t AM_STREAM_MEDIA = 0;

struct AM_SAMPLE2_PROPERTIES {
    std::uint32_t dwSampleFlags;
    LONG lActual;
    REFERENCE_TIME tStart;
    REFERENCE_TIME tStop;
    std::uint32_t dwStreamId;
    AM_MEDIA_TYPE* pMediaType;  // the sample's own type when TYPECHANGED; not owned
    BYTE* pbBuffer;
    LONG cbBuffer;
};

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    // VFW_E_SAMPLE_TIME_NOT_SET without times; VFW_S_NO_STOP_TIME with a
    // start only (the stop is then start + 1).
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // A null start clears the times; a null stop sets the start only.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    virtual HRESULT IsSyncPoint() = 0;  // S_OK or S_FALSE, as the other flag queries
    virtual HRESULT SetSyncPoint(bool sync) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(bool preroll) = 0;
    virtual LONG GetActualDataLength() = 0;
    // Refuses a length below 0 or above the size with VFW_E_BUFFER_OVERFLOW.
    virtual HRESULT SetActualDataLength(LONG length) = 0;
    // S_FALSE and null when the sample carries no type; DeleteMediaType frees the copy.
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
    // Null clears the sample's type.
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(bool discontinuity) = 0;
    virtual HRESULT GetMediaTime(std::int64_t* start, std::int64_t* stop) = 0;
    // A null start clears the media times.
    virtual HRESULT SetMediaTime(const std::int64_t* start, const std::int64_t* stop) = 0;
};

// Every property of a sample in one record.
struct IMediaSample2 : IMediaSample {
    virtual HRESULT GetProperties(AM_SAMPLE2_PROPERTIES* props) = 0;
    // Takes flags, times, stream id, actual length and type (buffer fields ignored).
    virtual HRESULT SetProperties(const AM_SAMPLE2_PROPERTIES* props) = 0;
};

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

// GetBuffer flag: fail with VFW_E_TIMEOUT instead of waiting for a free sample.
inline constexpr std::uint32_t AM_GBF_NOWAIT = 4;

// Told each time a sample comes back to its allocator.
struct IMemAllocatorNotify : IUnknown {
    virtual HRESULT NotifyRelease() = 0;
};

struct IMemAllocator : IUnknown {
    virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    // Waits while every sample is out, unless AM_GBF_NOWAIT; the start and
    // stop, when both given, become the sample's times.
    virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                              std::uint32_t flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
    virtual HRESULT SetNotify(IMemAllocatorNotify* notify) = 0;
    virtual HRESULT GetFreeCount(LONG* free) = 0;
};

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct PIN_INFO {
    IBaseFilter* pFilter;  // with a reference the caller releases
    PIN_DIRECTION dir;
    std::wstring achName;
};

struct IEnumMediaTypes : IUnknown {
    // Heap copies the caller frees with DeleteMediaType; S_FALSE when fewer
    // than `count` were left. `fetched` may be null only when count is 1.
    virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;
};

struct IEnumPins : IUnknown {
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** clone) = 0;
};

struct IPin : IUnknown {
    virtual HRESULT Connect(IPin* receive_pin, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    // Copies the connection's type (format block included) into a record
    // whose own block the caller has freed.
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(std::wstring* id) = 0;
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IMemInputPin : IUnknown {
    virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, bool read_only) = 0;
    // E_NOTIMPL when the pin has no requirements.
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
    // S_OK when Receive may block, S_FALSE when it never does.
    virtual HRESULT ReceiveCanBlock() = 0;
};

struct Quality {
    int Type;
    LONG Proportion;
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

// Quality messages: accepted and ignored throughout.
struct IQualityControl : IUnknown {
    virtual HRESULT Notify(IBaseFilter* self, Quality q) = 0;
    virtual HRESULT SetSink(IQualityControl* sink) = 0;
};

struct IReferenceClock : IUnknown {
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(std::uint32_t timeout_ms, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct FILTER_INFO {
    std::wstring achName;
    IFilterGraph* pGraph;  // with a reference the caller releases, or null
};

struct IBaseFilter : IMediaFilter {
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(const wchar_t* id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // The filter keeps the graph without a reference (the graph holds the filter).
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const wchar_t* name) = 0;
};

struct IAMovieSetup : IUnknown {
    virtual HRESULT Register() = 0;
    virtual HRESULT Unregister() = 0;
};

// What a filter asks of the graph it belongs to.
struct IFilterGraph : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter* filter, const wchar_t* name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

// A byte stream a downstream writer offers (asked for as IID_IStream).
enum STREAM_SEEK { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

struct IStream : IUnknown {
    // `done` may be null.
    virtual HRESULT Read(void* buffer, ULONG count, ULONG* done) = 0;
    virtual HRESULT Write(const void* buffer, ULONG count, ULONG* done) = 0;
    // `position` (the new position) may be null.
    virtual HRESULT Seek(std::int64_t move, STREAM_SEEK origin, std::uint64_t* position) = 0;
};

// Where filters report events (EC_COMPLETE, EC_ERRORABORT ...).
struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(LONG code, std::intptr_t param1, std::intptr_t param2) = 0;
};

}  // namespace platform::filter
