// Pin connection: type agreement, the steps' order, refusals, disconnection.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

namespace {

using namespace platform::filter;
using namespace support::filters;

class Connection : public filter_test {
protected:
    Connection()
        : first(make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3})),
          second(make_type(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio, FORMAT_WaveFormatEx, {9, 8, 7, 6})),
          source(com_ptr<push_source>::share(new push_source({first, second}, &source_log))),
          transform(com_ptr<pass_through>::share(new pass_through(MEDIASUBTYPE_MPEG1Audio, &transform_log))),
          renderer(com_ptr<counting_renderer>::share(new counting_renderer(MEDIATYPE_Audio, false, &renderer_log)))
    {
    }
    ~Connection() override
    {
        disconnect(source->pin());
        disconnect(transform->GetPin(1));
    }

    CBasePin* in() { return transform->GetPin(0); }
    CBasePin* out() { return transform->GetPin(1); }
    CBasePin* sink() { return renderer->GetPin(0); }

    // Merges both logs with the source's steps first: each side writes only its own.
    CMediaType first, second;
    step_log source_log, transform_log, renderer_log;
    com_ptr<push_source> source;
    com_ptr<pass_through> transform;
    com_ptr<counting_renderer> renderer;
};

void expect_type(IPin* pin, const CMediaType& expected)
{
    AM_MEDIA_TYPE got{};
    ASSERT_EQ(pin->ConnectionMediaType(&got), S_OK);
    EXPECT_TRUE(CMediaType(got) == expected);
    FreeMediaType(got);
}

TEST_F(Connection, SourceReachesTheTypeTheTransformAccepts)
{
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    ASSERT_EQ(connect(out(), sink()), S_OK);

    expect_type(source->pin(), second);
    expect_type(in(), second);
    expect_type(out(), second);
    expect_type(sink(), second);

    com_ptr<IPin> peer;
    ASSERT_EQ(source->pin()->ConnectedTo(peer.put()), S_OK);
    EXPECT_EQ(peer.get(), static_cast<IPin*>(in()));
    ASSERT_EQ(sink()->ConnectedTo(peer.put()), S_OK);
    EXPECT_EQ(peer.get(), static_cast<IPin*>(out()));
}

TEST_F(Connection, StepsRunInOrder)
{
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    // The first type is refused by the transform, the second accepted.
    EXPECT_EQ(source_log.take(), (std::vector<std::string>{"out.CheckConnect", "out.BreakConnect",
                                                           "out.CheckConnect", "out.CompleteConnect"}));
    EXPECT_EQ(transform_log.take(),
              (std::vector<std::string>{"in.CheckConnect", "in.CheckInputType", "in.BreakConnect", "in.CheckConnect",
                                        "in.CheckInputType", "in.CompleteConnect"}));

    ASSERT_EQ(connect(out(), sink()), S_OK);
    EXPECT_EQ(transform_log.take(), (std::vector<std::string>{"out.CheckConnect", "out.CompleteConnect"}));
    EXPECT_EQ(renderer_log.take(), (std::vector<std::string>{"in.CompleteConnect"}));

    // Disconnection breaks each end once.
    EXPECT_EQ(out()->Disconnect(), S_OK);
    EXPECT_EQ(sink()->Disconnect(), S_OK);
    EXPECT_EQ(transform_log.take(), (std::vector<std::string>{"out.BreakConnect"}));
    EXPECT_EQ(renderer_log.take(), (std::vector<std::string>{"in.BreakConnect"}));
}

TEST_F(Connection, ConnectedPinsRefuseASecondConnection)
{
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    auto other = com_ptr<push_source>::share(new push_source({second}));
    auto spare = com_ptr<pass_through>::share(new pass_through);
    EXPECT_EQ(connect(source->pin(), spare->GetPin(0)), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(connect(other->pin(), in()), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(in()->ReceiveConnection(other->pin(), &second), VFW_E_ALREADY_CONNECTED);
    EXPECT_FALSE(other->pin()->IsConnected());
    EXPECT_FALSE(spare->GetPin(0)->IsConnected());
    expect_type(in(), second);
}

TEST_F(Connection, DisconnectingBothEndsFreesThem)
{
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    EXPECT_EQ(in()->Disconnect(), S_OK);
    EXPECT_EQ(source->pin()->Disconnect(), S_OK);
    EXPECT_EQ(source->pin()->Disconnect(), S_FALSE);  // nothing left to break

    for (CBasePin* pin : {static_cast<CBasePin*>(source->pin()), in()}) {
        IPin* peer = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(pin->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(peer, nullptr);
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(pin->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(type.majortype, GUID_NULL);
        EXPECT_EQ(type.pbFormat, nullptr);
    }
    // Both are free for a new connection.
    EXPECT_EQ(connect(source->pin(), in()), S_OK);
}

TEST_F(Connection, IncompatiblePinsLeaveNothingConnected)
{
    auto pcm_only = com_ptr<push_source>::share(new push_source({first}));
    auto video = com_ptr<counting_renderer>::share(new counting_renderer(MEDIATYPE_Video));
    auto other = com_ptr<push_source>::share(new push_source({second}));

    struct row {
        const char* what;
        CBasePin* from;
        CBasePin* to;
        const AM_MEDIA_TYPE* type;
    } rows[] = {
        {"no common type", pcm_only->pin(), in(), nullptr},
        {"given type refused downstream", source->pin(), in(), &first},
        {"given type the source does not offer", pcm_only->pin(), in(), &second},
        {"renderer of another major type", pcm_only->pin(), video->GetPin(0), nullptr},
        {"output to output", source->pin(), other->pin(), nullptr},
        {"input to input", in(), sink(), nullptr},
    };
    for (const row& r : rows) {
        EXPECT_TRUE(FAILED(connect(r.from, r.to, r.type))) << r.what;
        EXPECT_FALSE(r.from->IsConnected()) << r.what;
        EXPECT_FALSE(r.to->IsConnected()) << r.what;
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(r.from->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED) << r.what;
    }
    // The output of an unconnected transform offers nothing.
    EXPECT_TRUE(FAILED(connect(out(), sink())));
    EXPECT_FALSE(sink()->IsConnected());
}

TEST_F(Connection, AGivenPartialTypePicksAMatchingOne)
{
    CMediaType partial = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio);
    ASSERT_EQ(connect(source->pin(), in(), &partial), S_OK);
    expect_type(in(), second);
}

TEST_F(Connection, RefusedWhileTheFilterRuns)
{
    ASSERT_EQ(transform->Pause(), S_OK);
    EXPECT_EQ(connect(source->pin(), in()), VFW_E_NOT_STOPPED);
    EXPECT_FALSE(source->pin()->IsConnected());
    ASSERT_EQ(transform->Stop(), S_OK);
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    ASSERT_EQ(transform->Pause(), S_OK);
    EXPECT_EQ(in()->Disconnect(), VFW_E_NOT_STOPPED);
    ASSERT_EQ(transform->Stop(), S_OK);
}

TEST_F(Connection, QueriesOfAPin)
{
    PIN_INFO info{};
    ASSERT_EQ(in()->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(transform.get()));
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(info.achName, L"XForm In");
    info.pFilter->Release();

    PIN_DIRECTION dir;
    ASSERT_EQ(out()->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_OUTPUT);
    std::wstring id;
    ASSERT_EQ(sink()->QueryId(&id), S_OK);
    EXPECT_EQ(id, L"In");

    EXPECT_EQ(in()->QueryAccept(&second), S_OK);
    EXPECT_EQ(in()->QueryAccept(&first), S_FALSE);
    EXPECT_EQ(out()->QueryAccept(&second), S_FALSE);  // no input type yet
    EXPECT_EQ(in()->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);

    // A pin's references count on its filter.
    ULONG before = transform->AddRef();
    in()->AddRef();
    EXPECT_EQ(transform->Release(), before);
    EXPECT_EQ(in()->Release(), before - 1);
}

TEST_F(Connection, OutputAllocatorIsChosenAndNotified)
{
    ASSERT_EQ(connect(source->pin(), in()), S_OK);
    ASSERT_NE(source->pin()->PeekAllocator(), nullptr);
    EXPECT_EQ(source->pin()->PeekAllocator(), transform->InputPin()->PeekAllocator());
    ALLOCATOR_PROPERTIES props{};
    source->pin()->PeekAllocator()->GetProperties(&props);
    EXPECT_EQ(props.cBuffers, 2);
    EXPECT_EQ(props.cbBuffer, 64);
}

}  // namespace
