// The class table, the filter table and the file-source recognisers, each
// taking registrations at run time; the stock classes are put in at first use.
#include "platform/filter/graph.hpp"
#include "platform/filter/stock.hpp"

#include <algorithm>
#include <mutex>

namespace platform::filter {

namespace {

struct class_record {
    CLSID clsid;
    class_factory make;
};

struct tables {
    std::mutex lock;
    std::vector<class_record> classes;
    std::vector<filter_entry> filters;
    std::vector<source_entry> sources;
};

tables& the_tables()
{
    static tables* t = new tables;  // never destroyed: graphs may outlive statics
    return *t;
}

std::once_flag stock_once;

void ensure_stock() { std::call_once(stock_once, register_stock_classes); }

void put_filter(const filter_entry& entry)
{
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    for (filter_entry& existing : t.filters)
        if (existing.clsid == entry.clsid) {
            existing = entry;
            return;
        }
    t.filters.push_back(entry);
}

}  // namespace

void register_stock_classes()
{
    register_class(CLSID_FilterGraph, make_filter_graph);
    register_class(CLSID_NullRenderer, make_null_renderer);
    register_class(CLSID_AudioRenderer, make_audio_renderer);
    register_class(CLSID_MovieSource, make_movie_source);
    {
        tables& t = the_tables();
        std::lock_guard<std::mutex> hold(t.lock);
        t.sources.push_back({CLSID_MovieSource, movie_source_recognises});
    }
    put_filter({L"Default Audio Renderer", CLSID_AudioRenderer, MERIT_PREFERRED,
                     {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}}});
}

void register_class(REFCLSID clsid, class_factory make)
{
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    for (class_record& record : t.classes)
        if (record.clsid == clsid) {
            record.make = std::move(make);
            return;
        }
    t.classes.push_back({clsid, std::move(make)});
}

void unregister_class(REFCLSID clsid)
{
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    t.classes.erase(std::remove_if(t.classes.begin(), t.classes.end(),
                                   [&](const class_record& r) { return r.clsid == clsid; }),
                    t.classes.end());
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown*, DWORD, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    ensure_stock();
    class_factory make;
    {
        tables& t = the_tables();
        std::lock_guard<std::mutex> hold(t.lock);
        for (const class_record& record : t.classes)
            if (record.clsid == clsid)
                make = record.make;
    }
    if (!make)
        return REGDB_E_CLASSNOTREG;
    IUnknown* made = make();
    if (!made)
        return E_OUTOFMEMORY;
    // The reference taken here is the one handed out, or drops the object.
    made->AddRef();
    HRESULT hr = made->QueryInterface(iid, out);
    made->Release();
    if (FAILED(hr))
        *out = nullptr;
    return hr;
}

void register_filter(const filter_entry& entry)
{
    ensure_stock();
    put_filter(entry);
}

void unregister_filter(REFCLSID clsid)
{
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    t.filters.erase(std::remove_if(t.filters.begin(), t.filters.end(),
                                   [&](const filter_entry& e) { return e.clsid == clsid; }),
                    t.filters.end());
}

std::vector<filter_entry> filters_by_merit()
{
    ensure_stock();
    tables& t = the_tables();
    std::vector<filter_entry> copy;
    {
        std::lock_guard<std::mutex> hold(t.lock);
        copy = t.filters;
    }
    std::stable_sort(copy.begin(), copy.end(),
                     [](const filter_entry& a, const filter_entry& b) { return a.merit > b.merit; });
    return copy;
}

void register_source(const source_entry& entry)
{
    ensure_stock();
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    t.sources.erase(std::remove_if(t.sources.begin(), t.sources.end(),
                                   [&](const source_entry& e) { return e.clsid == entry.clsid; }),
                    t.sources.end());
    t.sources.insert(t.sources.begin(), entry);
}

void unregister_source(REFCLSID clsid)
{
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    t.sources.erase(std::remove_if(t.sources.begin(), t.sources.end(),
                                   [&](const source_entry& e) { return e.clsid == clsid; }),
                    t.sources.end());
}

std::vector<source_entry> sources_in_order()
{
    ensure_stock();
    tables& t = the_tables();
    std::lock_guard<std::mutex> hold(t.lock);
    return t.sources;
}

}  // namespace platform::filter
