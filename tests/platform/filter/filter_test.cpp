// Filters as objects: interfaces, state, graph membership, pins and
// enumerators, and null or unknown arguments.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace platform::filter;
using namespace support::filters;

using BaseFilter = filter_test;

TEST_F(BaseFilter, AnswersForItsInterfaces)
{
    auto renderer = com_ptr<counting_renderer>::share(new counting_renderer);
    for (const GUID* iid : {&IID_IUnknown, &IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup}) {
        void* out = nullptr;
        ASSERT_EQ(renderer->QueryInterface(*iid, &out), S_OK);
        ASSERT_NE(out, nullptr);
        static_cast<IUnknown*>(static_cast<IBaseFilter*>(renderer.get()))->Release();
    }
    for (const GUID* iid : {&IID_IPin, &IID_IMemAllocator, &IID_IStream, &IID_IAsyncReader}) {
        void* out = &renderer;
        EXPECT_EQ(renderer->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    com_ptr<IAMovieSetup> setup = renderer.as<IAMovieSetup>(IID_IAMovieSetup);
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->Register(), S_OK);
    EXPECT_EQ(setup->Unregister(), S_OK);
}

TEST_F(BaseFilter, AnObjectStartsWithNoReferenceAndEndsWithItsLast)
{
    auto* renderer = new counting_renderer;
    renderer->GetPin(0);  // made on first asking
    EXPECT_EQ(renderer->AddRef(), 1u);
    EXPECT_EQ(renderer->AddRef(), 2u);
    EXPECT_EQ(renderer->Release(), 1u);
    EXPECT_EQ(live_objects(), 2);  // the filter and its pin
    EXPECT_EQ(renderer->Release(), 0u);
    EXPECT_EQ(live_objects(), 0);
}

TEST_F(BaseFilter, StateFollowsStopPauseRun)
{
    auto renderer = com_ptr<counting_renderer>::share(new counting_renderer);
    FILTER_STATE state;
    ASSERT_EQ(renderer->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    struct row {
        std::function<HRESULT()> change;
        FILTER_STATE expected;
    } rows[] = {
        {[&] { return renderer->Pause(); }, State_Paused},
        {[&] { return renderer->Run(0); }, State_Running},
        {[&] { return renderer->Pause(); }, State_Paused},
        {[&] { return renderer->Stop(); }, State_Stopped},
        {[&] { return renderer->Run(0); }, State_Running},  // through paused
        {[&] { return renderer->Stop(); }, State_Stopped},
        {[&] { return renderer->Stop(); }, State_Stopped},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.change(), S_OK);
        EXPECT_EQ(renderer->GetState(0, &state), S_OK);
        EXPECT_EQ(state, r.expected);
    }
}

TEST_F(BaseFilter, NoClockByDefault)
{
    auto filter = com_ptr<pass_through>::share(new pass_through);
    IReferenceClock* clock = reinterpret_cast<IReferenceClock*>(1);
    EXPECT_EQ(filter->GetSyncSource(&clock), S_OK);
    EXPECT_EQ(clock, nullptr);
    EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
    REFERENCE_TIME now;
    EXPECT_EQ(filter->StreamTime(&now), VFW_E_NO_CLOCK);
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);
}

TEST_F(BaseFilter, JoinsAndLeavesAGraph)
{
    auto graph = com_ptr<recording_graph>::share(new recording_graph);
    auto filter = com_ptr<pass_through>::share(new pass_through);
    ASSERT_EQ(filter->JoinFilterGraph(graph.get(), L"Transform"), S_OK);
    FILTER_INFO info{};
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.achName, L"Transform");
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.get()));
    info.pGraph->Release();
    EXPECT_EQ(filter->NotifyEvent(EC_COMPLETE, 0, 0), S_OK);
    EXPECT_EQ(graph->events(), std::vector<LONG>{EC_COMPLETE});

    ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.achName, L"");
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(filter->NotifyEvent(EC_COMPLETE, 0, 0), E_NOTIMPL);
}

TEST_F(BaseFilter, FindsAndEnumeratesItsPins)
{
    auto filter = com_ptr<pass_through>::share(new pass_through);
    com_ptr<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"XForm Out", pin.put()), S_OK);
    EXPECT_EQ(pin.get(), static_cast<IPin*>(filter->GetPin(1)));
    EXPECT_EQ(filter->FindPin(L"Nowhere", pin.put()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(pin);
    EXPECT_EQ(filter->GetPin(2), nullptr);

    com_ptr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.put()), S_OK);
    IPin* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], static_cast<IPin*>(filter->GetPin(0)));
    EXPECT_EQ(got[1], static_cast<IPin*>(filter->GetPin(1)));
    got[0]->Release();
    got[1]->Release();
    EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(1), S_OK);
    com_ptr<IEnumPins> clone;
    ASSERT_EQ(pins->Clone(clone.put()), S_OK);
    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0], static_cast<IPin*>(filter->GetPin(1)));
    got[0]->Release();
    EXPECT_EQ(pins->Skip(5), S_FALSE);

    filter->IncrementPinVersion();
    EXPECT_EQ(clone->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    clone->Reset();
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
    got[0]->Release();
}

using MediaTypeEnumerator = filter_test;

TEST_F(MediaTypeEnumerator, ListsThePinsTypesAndResumesSkipsAndClones)
{
    CMediaType a = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1});
    CMediaType b = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio);
    CMediaType c = make_type(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, {2, 2});
    auto source = com_ptr<push_source>::share(new push_source({a, b, c}));

    CMediaType probe;
    EXPECT_EQ(source->pin()->GetMediaType(3, &probe), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(source->pin()->GetMediaType(300, &probe), VFW_S_NO_MORE_ITEMS);

    com_ptr<IEnumMediaTypes> types;
    ASSERT_EQ(source->pin()->EnumMediaTypes(types.put()), S_OK);
    auto next = [](IEnumMediaTypes* e) {
        AM_MEDIA_TYPE* t = nullptr;
        ULONG fetched = 0;
        HRESULT hr = e->Next(1, &t, &fetched);
        CMediaType copy;
        if (hr == S_OK) {
            copy = *t;
            DeleteMediaType(t);
        }
        return std::make_pair(hr, copy);
    };
    EXPECT_TRUE(next(types.get()).second == a);
    com_ptr<IEnumMediaTypes> clone;
    ASSERT_EQ(types->Clone(clone.put()), S_OK);
    EXPECT_TRUE(next(types.get()).second == b);   // resumes where it was
    EXPECT_TRUE(next(clone.get()).second == b);   // the clone from the same place
    EXPECT_TRUE(next(types.get()).second == c);
    EXPECT_EQ(next(types.get()).first, S_FALSE);  // past the end

    types->Reset();
    EXPECT_EQ(types->Skip(2), S_OK);
    EXPECT_TRUE(next(types.get()).second == c);
    types->Reset();
    EXPECT_EQ(types->Skip(4), S_FALSE);
    EXPECT_EQ(next(types.get()).first, S_FALSE);

    types->Reset();
    AM_MEDIA_TYPE* many[5] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(5, many, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u);
    for (ULONG i = 0; i < fetched; ++i)
        DeleteMediaType(many[i]);
    EXPECT_EQ(types->Next(2, many, nullptr), E_POINTER);  // more than one needs a count
    EXPECT_EQ(types->Next(1, nullptr, &fetched), E_POINTER);
    EXPECT_EQ(types->Clone(nullptr), E_POINTER);
}

// Every operation that takes an out pointer answers a null one with E_POINTER.
TEST_F(BaseFilter, NullOutPointersGiveEPointer)
{
    auto source = com_ptr<push_source>::share(new push_source({make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}));
    auto filter = com_ptr<pass_through>::share(new pass_through);
    auto renderer = com_ptr<counting_renderer>::share(new counting_renderer);
    auto allocator = com_ptr<IMemAllocator>::share(new CMemAllocator("allocator", nullptr, nullptr));
    CBasePin* out = source->pin();
    filter->GetPin(0);  // made on first asking
    CBaseInputPin* in = filter->InputPin();
    CMediaType type = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
    ALLOCATOR_PROPERTIES props{1, 1, 1, 0};
    LONG processed = 0;

    struct row {
        const char* what;
        std::function<HRESULT()> call;
    } rows[] = {
        {"QueryInterface", [&] { return filter->QueryInterface(IID_IBaseFilter, nullptr); }},
        {"pin QueryInterface", [&] { return out->QueryInterface(IID_IPin, nullptr); }},
        {"GetClassID", [&] { return filter->GetClassID(nullptr); }},
        {"GetState", [&] { return filter->GetState(0, nullptr); }},
        {"renderer GetState", [&] { return renderer->GetState(0, nullptr); }},
        {"GetSyncSource", [&] { return filter->GetSyncSource(nullptr); }},
        {"StreamTime", [&] { return filter->StreamTime(nullptr); }},
        {"EnumPins", [&] { return filter->EnumPins(nullptr); }},
        {"FindPin out", [&] { return filter->FindPin(L"XForm In", nullptr); }},
        {"FindPin id", [&] {
             IPin* p = nullptr;
             return filter->FindPin(nullptr, &p);
         }},
        {"QueryFilterInfo", [&] { return filter->QueryFilterInfo(nullptr); }},
        {"Connect", [&] { return out->Connect(nullptr, nullptr); }},
        {"ReceiveConnection pin", [&] { return in->ReceiveConnection(nullptr, &type); }},
        {"ReceiveConnection type", [&] { return in->ReceiveConnection(out, nullptr); }},
        {"ConnectedTo", [&] { return out->ConnectedTo(nullptr); }},
        {"ConnectionMediaType", [&] { return out->ConnectionMediaType(nullptr); }},
        {"QueryPinInfo", [&] { return out->QueryPinInfo(nullptr); }},
        {"QueryDirection", [&] { return out->QueryDirection(nullptr); }},
        {"QueryId", [&] { return out->QueryId(nullptr); }},
        {"QueryAccept", [&] { return out->QueryAccept(nullptr); }},
        {"EnumMediaTypes", [&] { return out->EnumMediaTypes(nullptr); }},
        {"in-place EnumMediaTypes", [&] {
             auto tip = com_ptr<pass_in_place>::share(new pass_in_place);
             return tip->GetPin(0)->EnumMediaTypes(nullptr);
         }},
        {"GetAllocator", [&] { return in->GetAllocator(nullptr); }},
        {"NotifyAllocator", [&] { return in->NotifyAllocator(nullptr, false); }},
        {"GetAllocatorRequirements", [&] { return in->GetAllocatorRequirements(nullptr); }},
        {"Receive", [&] { return in->Receive(nullptr); }},
        {"ReceiveMultiple samples", [&] { return in->ReceiveMultiple(nullptr, 1, &processed); }},
        {"ReceiveMultiple count", [&] {
             IMediaSample* none = nullptr;
             return in->ReceiveMultiple(&none, 1, nullptr);
         }},
        {"Deliver", [&] { return source->pin()->Deliver(nullptr); }},
        {"GetDeliveryBuffer", [&] { return source->pin()->GetDeliveryBuffer(nullptr, nullptr, nullptr, 0); }},
        {"SetProperties", [&] { return allocator->SetProperties(&props, nullptr); }},
        {"GetProperties", [&] { return allocator->GetProperties(nullptr); }},
        {"GetBuffer", [&] { return allocator->GetBuffer(nullptr, nullptr, nullptr, 0); }},
        {"ReleaseBuffer", [&] { return allocator->ReleaseBuffer(nullptr); }},
        {"GetFreeCount", [&] { return allocator->GetFreeCount(nullptr); }},
        {"in-place DecideBufferSize", [&] {
             auto tip = com_ptr<pass_in_place>::share(new pass_in_place);
             return tip->DecideBufferSize(nullptr, &props);
         }},
    };
    for (const row& r : rows)
        EXPECT_EQ(r.call(), E_POINTER) << r.what;
}

// An unknown interface gives E_NOINTERFACE and a null out pointer everywhere.
TEST_F(BaseFilter, UnknownInterfacesGiveENoInterface)
{
    auto source = com_ptr<push_source>::share(new push_source({make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}));
    auto allocator = com_ptr<IMemAllocator>::share(new CMemAllocator("allocator", nullptr, nullptr));
    com_ptr<IEnumMediaTypes> types;
    source->pin()->EnumMediaTypes(types.put());
    com_ptr<IEnumPins> pins;
    source->EnumPins(pins.put());
    const GUID unknown{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

    IUnknown* objects[] = {static_cast<IBaseFilter*>(source.get()), static_cast<IPin*>(source->pin()),
                           allocator.get(), types.get(), pins.get()};
    for (IUnknown* object : objects) {
        for (const GUID* iid : {&unknown, &IID_IMemInputPin, &IID_IReferenceClock}) {
            void* out = objects;
            EXPECT_EQ(object->QueryInterface(*iid, &out), E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
        }
    }
}

}  // namespace
