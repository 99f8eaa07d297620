// The graph manager: membership, connection and rendering, state changes
// over every filter, completion events and seeking through the source.
#include "platform/filter/graph.hpp"

#include "platform/filter/stock.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <new>
#include <vector>

namespace platform::filter {

namespace {

// Rendering gives up past this many filters in one chain (a loop of transforms).
constexpr int max_render_depth = 16;

com_ptr<IBaseFilter> filter_of(IPin* pin)
{
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)))
        return {};
    return com_ptr<IBaseFilter>(info.pFilter);
}

bool direction_is(IPin* pin, PIN_DIRECTION wanted)
{
    PIN_DIRECTION dir{};
    return SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted;
}

bool connected(IPin* pin)
{
    com_ptr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.put())) && peer;
}

std::vector<com_ptr<IPin>> pins_of(IBaseFilter* filter)
{
    std::vector<com_ptr<IPin>> pins;
    com_ptr<IEnumPins> walk;
    if (FAILED(filter->EnumPins(walk.put())))
        return pins;
    for (;;) {
        com_ptr<IPin> pin;
        if (walk->Next(1, pin.put(), nullptr) != S_OK)
            break;
        pins.push_back(pin);
    }
    return pins;
}

std::vector<CMediaType> types_of(IPin* pin)
{
    std::vector<CMediaType> types;
    com_ptr<IEnumMediaTypes> walk;
    if (FAILED(pin->EnumMediaTypes(walk.put())))
        return types;
    for (;;) {
        AM_MEDIA_TYPE* type = nullptr;
        if (walk->Next(1, &type, nullptr) != S_OK || !type)
            break;
        types.emplace_back(*type);
        DeleteMediaType(type);
    }
    return types;
}

bool entry_takes(const filter_entry& entry, const CMediaType& type)
{
    for (const auto& [major, sub] : entry.inputs)
        if ((major == GUID_NULL || major == type.majortype) && (sub == GUID_NULL || sub == type.subtype))
            return true;
    return false;
}

// UTF-8 of a path, the file system's encoding.
std::string narrow_path(const std::wstring& path)
{
    std::string out;
    for (wchar_t wc : path) {
        auto c = std::uint32_t(wc);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | ((c >> 18) & 0x07));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The graph's filters, walked one at a time over a snapshot taken at creation.
class CEnumFilters : public CUnknown, public IEnumFilters {
public:
    CEnumFilters(std::vector<IBaseFilter*> filters, std::size_t position)
        : CUnknown("filter enumerator", nullptr), filters_(std::move(filters)), position_(position)
    {
        for (IBaseFilter* f : filters_)
            f->AddRef();
    }
    ~CEnumFilters() override
    {
        for (IBaseFilter* f : filters_)
            f->Release();
    }
    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IEnumFilters)
            return GetInterface(static_cast<IEnumFilters*>(this), out);
        return CUnknown::NonDelegatingQueryInterface(iid, out);
    }
    HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override
    {
        if (!filters || (!fetched && count != 1))
            return E_POINTER;
        ULONG got = 0;
        while (got < count && position_ < filters_.size()) {
            filters[got] = filters_[position_++];
            filters[got++]->AddRef();
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        std::size_t left = filters_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFilters** clone) override
    {
        if (!clone)
            return E_POINTER;
        auto* made = new (std::nothrow) CEnumFilters(filters_, position_);
        *clone = made;
        if (!made)
            return E_OUTOFMEMORY;
        made->AddRef();
        return S_OK;
    }

private:
    std::vector<IBaseFilter*> filters_;
    std::size_t position_;
};

class CFilterGraph : public CUnknown,
                     public IGraphBuilder,
                     public IMediaControl,
                     public IMediaEvent,
                     public IMediaSeeking,
                     public IMediaFilter,
                     public IBasicAudio,
                     public IMediaEventSink {
public:
    CFilterGraph() : CUnknown("filter graph", nullptr) {}
    ~CFilterGraph() override;

    ZENTIL_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, const wchar_t* name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect(IPin* pin) override;
    // IGraphBuilder
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT Connect(IPin* out, IPin* in) override;
    HRESULT Render(IPin* out) override;
    HRESULT RenderFile(const wchar_t* file, const wchar_t* playlist) override;
    // IMediaControl (Stop and Pause serve IMediaFilter too)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG timeout_ms, OAFilterState* state) override;
    // IMediaEvent
    HRESULT WaitForCompletion(LONG timeout_ms, LONG* code) override;
    // IMediaSeeking
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG* stop, DWORD stop_flags) override;
    // IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Run(REFERENCE_TIME) override { return Run(); }
    HRESULT GetState(std::uint32_t timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBasicAudio
    HRESULT put_Volume(LONG volume) override
    {
        volume_ = volume;
        return S_OK;
    }
    HRESULT get_Volume(LONG* volume) override
    {
        if (!volume)
            return E_POINTER;
        *volume = volume_;
        return S_OK;
    }
    // IMediaEventSink
    HRESULT Notify(LONG code, std::intptr_t param1, std::intptr_t param2) override;

private:
    struct member {
        IBaseFilter* filter;  // referenced
    };
    // One step of a rendering or connection, undone when its branch fails.
    struct step {
        com_ptr<IPin> out, in;         // a connection made
        com_ptr<IBaseFilter> added;    // a filter added
    };
    using step_log = std::vector<step>;

    bool holds(IBaseFilter* filter) const;
    bool holds_pin(IPin* pin) const;
    std::wstring unique_name(const wchar_t* name) const;
    HRESULT add_locked(IBaseFilter* filter, const wchar_t* name);
    HRESULT remove_locked(IBaseFilter* filter);
    HRESULT check_pair(IPin* out, IPin* in) const;
    void undo(step_log& log, std::size_t mark);
    HRESULT try_connect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type, step_log& log);
    HRESULT add_from_table(const filter_entry& entry, step_log& log, com_ptr<IBaseFilter>* made);
    HRESULT render_output(IPin* out, step_log& log, int depth);
    HRESULT render_downstream(IBaseFilter* filter, step_log& log, int depth);
    // Downstream filters before the ones feeding them.
    std::vector<IBaseFilter*> state_order() const;
    int count_renderers() const;
    com_ptr<IMediaSeeking> seeker() const;
    void reset_events(bool stopping);

    std::recursive_mutex lock_;  // membership, connections and state changes
    std::vector<member> filters_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    IReferenceClock* clock_ = nullptr;
    LONG volume_ = 0;

    // Completion, reported from streaming threads; never taken with lock_ inside.
    std::mutex events_lock_;
    std::condition_variable events_changed_;
    bool stopping_ = false;
    int renderers_ = 0;
    std::vector<std::intptr_t> completed_;
    LONG result_ = 0;
};

CFilterGraph::~CFilterGraph()
{
    Stop();
    std::lock_guard<std::recursive_mutex> hold(lock_);
    // Connections hold references between filters: break them all first.
    for (member& m : filters_)
        for (com_ptr<IPin>& pin : pins_of(m.filter))
            if (connected(pin.get())) {
                com_ptr<IPin> peer;
                pin->ConnectedTo(peer.put());
                if (peer)
                    peer->Disconnect();
                pin->Disconnect();
            }
    for (member& m : filters_) {
        m.filter->JoinFilterGraph(nullptr, nullptr);
        m.filter->Release();
    }
    filters_.clear();
    if (clock_)
        clock_->Release();
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IGraphBuilder)
        return GetInterface(static_cast<IGraphBuilder*>(this), out);
    if (iid == IID_IFilterGraph)
        return GetInterface(static_cast<IFilterGraph*>(this), out);
    if (iid == IID_IMediaControl)
        return GetInterface(static_cast<IMediaControl*>(this), out);
    if (iid == IID_IMediaEvent)
        return GetInterface(static_cast<IMediaEvent*>(this), out);
    if (iid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), out);
    if (iid == IID_IMediaFilter)
        return GetInterface(static_cast<IMediaFilter*>(this), out);
    if (iid == IID_IPersist)
        return GetInterface(static_cast<IPersist*>(this), out);
    if (iid == IID_IBasicAudio)
        return GetInterface(static_cast<IBasicAudio*>(this), out);
    if (iid == IID_IMediaEventSink)
        return GetInterface(static_cast<IMediaEventSink*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

bool CFilterGraph::holds(IBaseFilter* filter) const
{
    for (const member& m : filters_)
        if (m.filter == filter)
            return true;
    return false;
}

bool CFilterGraph::holds_pin(IPin* pin) const
{
    com_ptr<IBaseFilter> owner = filter_of(pin);
    return owner && holds(owner.get());
}

std::wstring CFilterGraph::unique_name(const wchar_t* name) const
{
    std::wstring base = name && *name ? name : L"Filter";
    auto taken = [&](const std::wstring& candidate) {
        for (const member& m : filters_) {
            FILTER_INFO info{};
            if (SUCCEEDED(m.filter->QueryFilterInfo(&info))) {
                if (info.pGraph)
                    info.pGraph->Release();
                if (info.achName == candidate)
                    return true;
            }
        }
        return false;
    };
    if (!taken(base))
        return base;
    for (int n = 1;; ++n) {
        wchar_t suffix[16];
        std::swprintf(suffix, 16, L" %04d", n);
        std::wstring candidate = base + suffix;
        if (!taken(candidate))
            return candidate;
    }
}

HRESULT CFilterGraph::add_locked(IBaseFilter* filter, const wchar_t* name)
{
    if (!filter)
        return E_POINTER;
    if (holds(filter))
        return VFW_E_ALREADY_IN_GRAPH;
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    FILTER_INFO info{};
    if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) {
        info.pGraph->Release();
        return VFW_E_ALREADY_IN_GRAPH;  // a member of another graph
    }
    std::wstring unique = unique_name(name);
    HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr))
        return hr;
    filter->AddRef();
    filters_.push_back({filter});
    filter->SetSyncSource(clock_);
    return S_OK;
}

HRESULT CFilterGraph::remove_locked(IBaseFilter* filter)
{
    if (!filter)
        return E_POINTER;
    auto at = std::find_if(filters_.begin(), filters_.end(), [&](const member& m) { return m.filter == filter; });
    if (at == filters_.end())
        return VFW_E_NOT_FOUND;
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    for (com_ptr<IPin>& pin : pins_of(filter)) {
        com_ptr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.put())) && peer) {
            peer->Disconnect();
            pin->Disconnect();
        }
    }
    filters_.erase(at);
    filter->JoinFilterGraph(nullptr, nullptr);
    filter->Release();
    return S_OK;
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, const wchar_t* name)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return add_locked(filter, name);
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return remove_locked(filter);
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters)
{
    if (!filters)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    std::vector<IBaseFilter*> snapshot;
    for (const member& m : filters_)
        snapshot.push_back(m.filter);
    auto* made = new (std::nothrow) CEnumFilters(std::move(snapshot), 0);
    *filters = made;
    if (!made)
        return E_OUTOFMEMORY;
    made->AddRef();
    return S_OK;
}

HRESULT CFilterGraph::check_pair(IPin* out, IPin* in) const
{
    if (!out || !in)
        return E_POINTER;
    if (!holds_pin(out) || !holds_pin(in))
        return VFW_E_NOT_IN_GRAPH;
    if (!direction_is(out, PINDIR_OUTPUT) || !direction_is(in, PINDIR_INPUT))
        return VFW_E_INVALID_DIRECTION;
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (connected(out) || connected(in))
        return VFW_E_ALREADY_CONNECTED;
    return S_OK;
}

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    HRESULT hr = check_pair(out, in);
    if (FAILED(hr))
        return hr;
    return out->Connect(in, type);
}

HRESULT CFilterGraph::Disconnect(IPin* pin)
{
    if (!pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!holds_pin(pin))
        return VFW_E_NOT_IN_GRAPH;
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    return pin->Disconnect();
}

void CFilterGraph::undo(step_log& log, std::size_t mark)
{
    while (log.size() > mark) {
        step& last = log.back();
        if (last.out) {
            last.in->Disconnect();
            last.out->Disconnect();
        }
        if (last.added)
            remove_locked(last.added.get());
        log.pop_back();
    }
}

HRESULT CFilterGraph::try_connect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type, step_log& log)
{
    HRESULT hr = out->Connect(in, type);
    if (FAILED(hr))
        return hr;
    log.push_back({com_ptr<IPin>::share(out), com_ptr<IPin>::share(in), {}});
    return S_OK;
}

HRESULT CFilterGraph::add_from_table(const filter_entry& entry, step_log& log, com_ptr<IBaseFilter>* made)
{
    com_ptr<IBaseFilter> filter;
    HRESULT hr = CoCreateInstance(entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.put_void());
    if (FAILED(hr))
        return hr;
    hr = add_locked(filter.get(), entry.name.c_str());
    if (FAILED(hr))
        return hr;
    log.push_back({{}, {}, filter});
    *made = filter;
    return S_OK;
}

HRESULT CFilterGraph::render_downstream(IBaseFilter* filter, step_log& log, int depth)
{
    for (com_ptr<IPin>& pin : pins_of(filter)) {
        if (!direction_is(pin.get(), PINDIR_OUTPUT) || connected(pin.get()))
            continue;
        HRESULT hr = render_output(pin.get(), log, depth + 1);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CFilterGraph::render_output(IPin* out, step_log& log, int depth)
{
    if (depth > max_render_depth)
        return VFW_E_CANNOT_RENDER;
    com_ptr<IBaseFilter> own = filter_of(out);
    std::vector<CMediaType> types = types_of(out);
    std::vector<filter_entry> table = filters_by_merit();
    for (const CMediaType& type : types) {
        // Unconnected inputs of the filters already here, in order of addition.
        std::vector<com_ptr<IBaseFilter>> present;
        for (const member& m : filters_)
            if (m.filter != own.get())
                present.push_back(com_ptr<IBaseFilter>::share(m.filter));
        for (com_ptr<IBaseFilter>& held : present) {
            IBaseFilter* filter = held.get();
            if (!holds(filter))
                continue;  // removed by an undone branch
            for (com_ptr<IPin>& in : pins_of(filter)) {
                if (!direction_is(in.get(), PINDIR_INPUT) || connected(in.get()))
                    continue;
                std::size_t mark = log.size();
                if (FAILED(try_connect(out, in.get(), &type, log)))
                    continue;
                if (SUCCEEDED(render_downstream(filter, log, depth)))
                    return S_OK;
                undo(log, mark);
            }
        }
        // Then the table's filters that take the type, by merit.
        for (const filter_entry& entry : table) {
            if (!entry_takes(entry, type))
                continue;
            std::size_t mark = log.size();
            com_ptr<IBaseFilter> made;
            if (FAILED(add_from_table(entry, log, &made)))
                continue;
            for (com_ptr<IPin>& in : pins_of(made.get())) {
                if (!direction_is(in.get(), PINDIR_INPUT) || connected(in.get()))
                    continue;
                std::size_t inner = log.size();
                if (FAILED(try_connect(out, in.get(), &type, log)))
                    continue;
                if (SUCCEEDED(render_downstream(made.get(), log, depth)))
                    return S_OK;
                undo(log, inner);
            }
            undo(log, mark);
        }
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    HRESULT hr = check_pair(out, in);
    if (FAILED(hr))
        return hr;
    if (SUCCEEDED(out->Connect(in, nullptr)))
        return S_OK;
    // Through one transform that takes one of the output's types.
    std::vector<CMediaType> types = types_of(out);
    step_log log;
    for (const filter_entry& entry : filters_by_merit()) {
        if (std::none_of(types.begin(), types.end(), [&](const CMediaType& t) { return entry_takes(entry, t); }))
            continue;
        com_ptr<IBaseFilter> made;
        if (FAILED(add_from_table(entry, log, &made)))
            continue;
        for (com_ptr<IPin>& middle_in : pins_of(made.get())) {
            if (!direction_is(middle_in.get(), PINDIR_INPUT))
                continue;
            if (FAILED(try_connect(out, middle_in.get(), nullptr, log)))
                continue;
            for (com_ptr<IPin>& middle_out : pins_of(made.get()))
                if (direction_is(middle_out.get(), PINDIR_OUTPUT) &&
                    SUCCEEDED(try_connect(middle_out.get(), in, nullptr, log)))
                    return S_OK;
            break;
        }
        undo(log, 0);
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::Render(IPin* out)
{
    if (!out)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!holds_pin(out))
        return VFW_E_NOT_IN_GRAPH;
    if (!direction_is(out, PINDIR_OUTPUT))
        return VFW_E_INVALID_DIRECTION;
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (connected(out))
        return VFW_E_ALREADY_CONNECTED;
    step_log log;
    HRESULT hr = render_output(out, log, 0);
    if (FAILED(hr))
        undo(log, 0);
    return hr;
}

HRESULT CFilterGraph::RenderFile(const wchar_t* file, const wchar_t*)
{
    if (!file)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (state_ != State_Stopped)
        return VFW_E_NOT_STOPPED;
    BYTE head[4096];
    std::size_t length = 0;
    {
        std::FILE* f = std::fopen(narrow_path(file).c_str(), "rb");
        if (!f)
            return VFW_E_CANNOT_OPEN_FILE;
        length = std::fread(head, 1, sizeof head, f);
        bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed)
            return VFW_E_CANNOT_OPEN_FILE;
    }
    for (const source_entry& entry : sources_in_order()) {
        if (!entry.recognises || !entry.recognises(head, length, file))
            continue;
        com_ptr<IBaseFilter> source;
        if (FAILED(CoCreateInstance(entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    source.put_void())))
            continue;
        com_ptr<IFileSourceFilter> loader = source.as<IFileSourceFilter>(IID_IFileSourceFilter);
        if (!loader || FAILED(loader->Load(file, nullptr)))
            continue;
        step_log log;
        if (FAILED(add_locked(source.get(), file)))
            continue;
        log.push_back({{}, {}, source});
        int rendered = 0, failed = 0;
        for (com_ptr<IPin>& pin : pins_of(source.get())) {
            if (!direction_is(pin.get(), PINDIR_OUTPUT) || connected(pin.get()))
                continue;
            step_log branch;
            if (SUCCEEDED(render_output(pin.get(), branch, 0))) {
                ++rendered;
            } else {
                undo(branch, 0);
                ++failed;
            }
        }
        if (rendered == 0) {
            undo(log, 0);
            return VFW_E_CANNOT_RENDER;
        }
        return failed ? VFW_S_PARTIAL_RENDER : S_OK;
    }
    return VFW_E_UNKNOWN_FILE_TYPE;
}

std::vector<IBaseFilter*> CFilterGraph::state_order() const
{
    std::vector<IBaseFilter*> order;
    std::vector<IBaseFilter*> visiting;
    // Post-order over the connections: a filter after everything downstream of it.
    std::function<void(IBaseFilter*)> visit = [&](IBaseFilter* filter) {
        if (std::find(order.begin(), order.end(), filter) != order.end() ||
            std::find(visiting.begin(), visiting.end(), filter) != visiting.end())
            return;
        visiting.push_back(filter);
        for (com_ptr<IPin>& pin : pins_of(filter)) {
            if (!direction_is(pin.get(), PINDIR_OUTPUT))
                continue;
            com_ptr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.put())) && peer) {
                com_ptr<IBaseFilter> next = filter_of(peer.get());
                if (next && holds(next.get()))
                    visit(next.get());
            }
        }
        order.push_back(filter);
    };
    for (const member& m : filters_)
        visit(m.filter);
    return order;
}

int CFilterGraph::count_renderers() const
{
    int count = 0;
    for (const member& m : filters_) {
        bool has_output = false, fed = false;
        for (com_ptr<IPin>& pin : pins_of(m.filter)) {
            if (direction_is(pin.get(), PINDIR_OUTPUT))
                has_output = true;
            else if (connected(pin.get()))
                fed = true;
        }
        if (fed && !has_output)
            ++count;
    }
    return count;
}

void CFilterGraph::reset_events(bool stopping)
{
    std::lock_guard<std::mutex> hold(events_lock_);
    stopping_ = stopping;
    completed_.clear();
    result_ = 0;
    events_changed_.notify_all();
}

HRESULT CFilterGraph::Pause()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (state_ == State_Paused)
        return S_OK;
    if (state_ == State_Stopped) {
        // Counted before the events' lock: pins take their filters' locks.
        int renderers = count_renderers();
        reset_events(false);
        std::lock_guard<std::mutex> events(events_lock_);
        renderers_ = renderers;
    }
    for (IBaseFilter* filter : state_order()) {
        HRESULT hr = filter->Pause();
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT CFilterGraph::Run()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (state_ == State_Running)
        return S_OK;
    if (state_ == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    for (IBaseFilter* filter : state_order()) {
        HRESULT hr = filter->Run(0);
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    state_ = State_Running;
    std::lock_guard<std::mutex> events(events_lock_);
    if (renderers_ == 0 && result_ == 0) {
        result_ = EC_COMPLETE;  // nothing to wait for
        events_changed_.notify_all();
    }
    return S_OK;
}

HRESULT CFilterGraph::Stop()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    {
        std::lock_guard<std::mutex> events(events_lock_);
        stopping_ = true;  // errors of threads being stopped are no errors
    }
    HRESULT result = S_OK;
    for (IBaseFilter* filter : state_order()) {
        HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    state_ = State_Stopped;
    reset_events(false);
    return result;
}

HRESULT CFilterGraph::GetState(LONG timeout_ms, OAFilterState* state)
{
    if (!state)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    *state = state_;
    if (state_ != State_Paused)
        return S_OK;
    for (const member& m : filters_) {
        FILTER_STATE fs{};
        if (m.filter->GetState(timeout_ms < 0 ? 0 : std::uint32_t(timeout_ms), &fs) == VFW_S_STATE_INTERMEDIATE)
            return VFW_S_STATE_INTERMEDIATE;
    }
    return S_OK;
}

HRESULT CFilterGraph::GetState(std::uint32_t timeout_ms, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    OAFilterState s = 0;
    HRESULT hr = GetState(LONG(std::min<std::uint32_t>(timeout_ms, 0x7FFFFFFF)), &s);
    *state = FILTER_STATE(s);
    return hr;
}

HRESULT CFilterGraph::Notify(LONG code, std::intptr_t, std::intptr_t param2)
{
    std::lock_guard<std::mutex> hold(events_lock_);
    if (stopping_ || state_ == State_Stopped || result_ != 0)
        return S_OK;
    if (code == EC_COMPLETE) {
        if (std::find(completed_.begin(), completed_.end(), param2) == completed_.end())
            completed_.push_back(param2);
        if (int(completed_.size()) >= renderers_)
            result_ = EC_COMPLETE;
    } else if (code == EC_ERRORABORT) {
        result_ = EC_ERRORABORT;
    }
    events_changed_.notify_all();
    return S_OK;
}

HRESULT CFilterGraph::WaitForCompletion(LONG timeout_ms, LONG* code)
{
    if (!code)
        return E_POINTER;
    *code = 0;
    std::unique_lock<std::mutex> hold(events_lock_);
    auto done = [this] { return result_ != 0 || state_ == State_Stopped; };
    if (timeout_ms < 0)
        events_changed_.wait(hold, done);
    else
        events_changed_.wait_for(hold, std::chrono::milliseconds(timeout_ms), done);
    if (result_ != 0) {
        *code = result_;
        return S_OK;
    }
    return state_ == State_Stopped ? VFW_E_WRONG_STATE : E_ABORT;
}

com_ptr<IMediaSeeking> CFilterGraph::seeker() const
{
    for (const member& m : filters_) {
        com_ptr<IMediaSeeking> seeking;
        if (SUCCEEDED(m.filter->QueryInterface(IID_IMediaSeeking, seeking.put_void())) && seeking)
            return seeking;
    }
    return {};
}

HRESULT CFilterGraph::GetDuration(LONGLONG* duration)
{
    if (!duration)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    com_ptr<IMediaSeeking> seeking = seeker();
    return seeking ? seeking->GetDuration(duration) : VFW_E_NO_SEEKING;
}

HRESULT CFilterGraph::GetStopPosition(LONGLONG* stop)
{
    if (!stop)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    com_ptr<IMediaSeeking> seeking = seeker();
    return seeking ? seeking->GetStopPosition(stop) : VFW_E_NO_SEEKING;
}

HRESULT CFilterGraph::GetCurrentPosition(LONGLONG* current)
{
    if (!current)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    bool any = false;
    for (const member& m : filters_) {
        auto* renderer = dynamic_cast<CBaseRenderer*>(m.filter);
        REFERENCE_TIME at = 0;
        if (renderer && renderer->RenderedPosition(&at) && (!any || at > *current)) {
            *current = at;
            any = true;
        }
    }
    if (any)
        return S_OK;
    // Nothing rendered since the last seek: where the source stands.
    com_ptr<IMediaSeeking> seeking = seeker();
    return seeking ? seeking->GetCurrentPosition(current) : VFW_E_NO_SEEKING;
}

HRESULT CFilterGraph::SetPositions(LONGLONG* current, DWORD current_flags, LONGLONG* stop, DWORD stop_flags)
{
    if ((current_flags != AM_SEEKING_NoPositioning && !current) || (stop_flags != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    com_ptr<IMediaSeeking> seeking = seeker();
    if (!seeking)
        return VFW_E_NO_SEEKING;
    // The streams stop (dropping what they hold), the source moves, and they start again.
    FILTER_STATE was = state_;
    if (was != State_Stopped)
        Stop();
    HRESULT hr = seeking->SetPositions(current, current_flags, stop, stop_flags);
    if (SUCCEEDED(hr) && current_flags != AM_SEEKING_NoPositioning)
        for (const member& m : filters_)
            if (auto* renderer = dynamic_cast<CBaseRenderer*>(m.filter))
                renderer->ClearRenderedPosition();
    HRESULT again = S_OK;
    if (was == State_Paused)
        again = Pause();
    else if (was == State_Running)
        again = Run();
    return FAILED(hr) ? hr : again;
}

HRESULT CFilterGraph::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (clock)
        clock->AddRef();
    if (clock_)
        clock_->Release();
    clock_ = clock;
    for (const member& m : filters_)
        m.filter->SetSyncSource(clock);
    return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    *clock = clock_;
    if (clock_)
        clock_->AddRef();
    return S_OK;
}

}  // namespace

IUnknown* make_filter_graph() { return static_cast<IGraphBuilder*>(new (std::nothrow) CFilterGraph); }

}  // namespace platform::filter
