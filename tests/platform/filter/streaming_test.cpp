// Streaming without a graph: the test drives the filters' states and pushes
// samples of known bytes and times through a transform or an in-place filter
// into the counting renderer.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using namespace platform::filter;
using namespace support::filters;

struct known_sample {
    std::vector<BYTE> bytes;
    REFERENCE_TIME start, stop;
};

const known_sample known[] = {
    {{1, 2, 3, 4}, 0, 400'000},
    {{5, 6, 7}, 400'000, 700'000},
    {{}, 700'000, 700'000},
    {{9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, 700'000, 1'700'000},
};

// Source, a middle filter and the renderer, connected and in a recording
// graph; stopped and disconnected at the end.
template <typename Middle>
class chain : public filter_test {
protected:
    void build(Middle* middle, counting_renderer* end)
    {
        graph = com_ptr<recording_graph>::share(new recording_graph);
        source = com_ptr<push_source>::share(new push_source({make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}));
        filter = com_ptr<Middle>::share(middle);
        renderer = com_ptr<counting_renderer>::share(end);
        renderer->JoinFilterGraph(graph.get(), L"Renderer");
        ASSERT_EQ(connect(source->pin(), filter->GetPin(0)), S_OK);
        ASSERT_EQ(connect(filter->GetPin(1), renderer->GetPin(0)), S_OK);
    }
    void TearDown() override
    {
        if (!source)
            return;
        stop();
        disconnect(source->pin());
        disconnect(filter->GetPin(1));
        renderer->JoinFilterGraph(nullptr, nullptr);
    }
    // Downstream first, as a graph changes states.
    void pause()
    {
        ASSERT_EQ(renderer->Pause(), S_OK);
        ASSERT_EQ(filter->Pause(), S_OK);
        ASSERT_EQ(source->Pause(), S_OK);
    }
    void run()
    {
        ASSERT_EQ(renderer->Run(0), S_OK);
        ASSERT_EQ(filter->Run(0), S_OK);
        ASSERT_EQ(source->Run(0), S_OK);
    }
    void stop()
    {
        EXPECT_EQ(renderer->Stop(), S_OK);
        EXPECT_EQ(filter->Stop(), S_OK);
        EXPECT_EQ(source->Stop(), S_OK);
    }
    void push_known()
    {
        for (const known_sample& k : known)
            ASSERT_EQ(source->push(k.bytes, k.start, k.stop), S_OK);
    }
    void expect_known(const std::vector<seen_sample>& seen)
    {
        ASSERT_EQ(seen.size(), std::size(known));
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].bytes, known[i].bytes) << i;
            EXPECT_TRUE(seen[i].has_times) << i;
            EXPECT_EQ(seen[i].start, known[i].start) << i;
            EXPECT_EQ(seen[i].stop, known[i].stop) << i;
        }
    }

    step_log log;  // outlives the filters, which write to it until disconnected
    com_ptr<recording_graph> graph;
    com_ptr<push_source> source;
    com_ptr<Middle> filter;
    com_ptr<counting_renderer> renderer;
};

using TransformStreaming = chain<pass_through>;
using InPlaceStreaming = chain<pass_in_place>;

TEST_F(TransformStreaming, SamplesArriveUnchangedAndTheEndIsReported)
{
    build(new pass_through(GUID_NULL, &log), new counting_renderer);
    log.take();
    run();
    EXPECT_EQ(log.take(), std::vector<std::string>{"StartStreaming"});
    push_known();
    expect_known(renderer->seen());
    EXPECT_EQ(filter->transformed, int(std::size(known)));
    // Each sample was copied into one of the transform's output samples.
    std::vector<IMediaSample*> pushed = source->delivered();
    for (const seen_sample& s : renderer->seen())
        EXPECT_EQ(std::find(pushed.begin(), pushed.end(), s.identity), pushed.end());

    EXPECT_TRUE(graph->events().empty());
    ASSERT_EQ(source->pin()->DeliverEndOfStream(), S_OK);
    EXPECT_EQ(renderer->ends(), 1);
    EXPECT_EQ(graph->events(), std::vector<LONG>{EC_COMPLETE});
    EXPECT_EQ(source->push({1}, 0, 1), VFW_E_SAMPLE_REJECTED_EOS);

    stop();
    EXPECT_EQ(log.take(), std::vector<std::string>{"StopStreaming"});
}

TEST_F(TransformStreaming, SamplesWithoutTimesStayWithoutTimes)
{
    build(new pass_through, new counting_renderer);
    run();
    ASSERT_EQ(source->push({4, 5, 6}), S_OK);
    auto seen = renderer->seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].has_times);
    EXPECT_EQ(seen[0].bytes, (std::vector<BYTE>{4, 5, 6}));
}

TEST_F(TransformStreaming, NewSegmentReachesEachInputPin)
{
    build(new pass_through, new counting_renderer);
    run();
    ASSERT_EQ(source->pin()->DeliverNewSegment(10'000'000, 20'000'000, 1.0), S_OK);
    EXPECT_EQ(filter->InputPin()->CurrentStartTime(), 10'000'000);
    EXPECT_EQ(filter->InputPin()->CurrentStopTime(), 20'000'000);
    EXPECT_EQ(renderer->InputPin()->CurrentStartTime(), 10'000'000);
}

TEST_F(TransformStreaming, StoppedFiltersRefuseSamples)
{
    build(new pass_through, new counting_renderer);
    EXPECT_EQ(filter->InputPin()->Receive(nullptr), E_POINTER);
    pause();
    com_ptr<IMediaSample> early;
    ASSERT_EQ(source->pin()->GetDeliveryBuffer(early.put(), nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->InputPin()->Receive(early.get()), VFW_E_WRONG_STATE);
    // Stopping decommitted the allocator the source takes its samples from.
    EXPECT_EQ(source->push({1}, 0, 1), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(renderer->count(), 0u);
}

TEST_F(TransformStreaming, AFlushDropsTheSampleAPausedRendererHolds)
{
    build(new pass_through, new counting_renderer);
    pause();
    FILTER_STATE state;
    EXPECT_EQ(renderer->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);  // nothing to show yet
    HRESULT pushed = E_FAIL;
    std::thread producer([&] { pushed = source->push({7, 7}, 0, 10); });
    // A paused renderer holds the sample (and the producer) until Run.
    ASSERT_EQ(renderer->GetState(10'000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_TRUE(renderer->HaveQueuedSample());

    ASSERT_EQ(source->pin()->DeliverBeginFlush(), S_OK);
    producer.join();
    EXPECT_EQ(pushed, S_OK);
    EXPECT_FALSE(renderer->HaveQueuedSample());
    EXPECT_EQ(source->push({8}, 10, 20), S_FALSE);  // refused while flushing
    ASSERT_EQ(source->pin()->DeliverEndFlush(), S_OK);

    run();
    EXPECT_EQ(renderer->count(), 0u);
    ASSERT_EQ(source->push({9}, 20, 30), S_OK);
    auto seen = renderer->seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, std::vector<BYTE>{9});
}

TEST_F(TransformStreaming, RunRendersTheHeldSampleAndAnEndThatWaited)
{
    build(new pass_through, new counting_renderer);
    pause();
    std::thread producer([&] {
        EXPECT_EQ(source->push({3, 1, 4}, 5, 6), S_OK);
        EXPECT_EQ(source->pin()->DeliverEndOfStream(), S_OK);
    });
    FILTER_STATE state;
    ASSERT_EQ(renderer->GetState(10'000, &state), S_OK);
    run();
    producer.join();
    auto seen = renderer->seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, (std::vector<BYTE>{3, 1, 4}));
    EXPECT_EQ(graph->events(), std::vector<LONG>{EC_COMPLETE});
}

TEST_F(TransformStreaming, StopReleasesAProducerHeldByAPausedRenderer)
{
    build(new pass_through, new counting_renderer);
    pause();
    std::thread producer([&] { source->push({1}, 0, 1); });
    FILTER_STATE state;
    ASSERT_EQ(renderer->GetState(10'000, &state), S_OK);
    stop();
    producer.join();
    EXPECT_EQ(renderer->count(), 0u);
}

TEST_F(TransformStreaming, OtherStreamsPassAndRefusedTypeChangesStop)
{
    build(new pass_through(MEDIASUBTYPE_PCM), new counting_renderer);
    run();
    IMemAllocator* allocator = source->pin()->PeekAllocator();

    // A sample of another stream goes on as it is, without a transform.
    com_ptr<IMediaSample> other;
    ASSERT_EQ(allocator->GetBuffer(other.put(), nullptr, nullptr, 0), S_OK);
    com_ptr<IMediaSample2> props = other.as<IMediaSample2>(IID_IMediaSample2);
    AM_SAMPLE2_PROPERTIES p{};
    props->GetProperties(&p);
    p.dwStreamId = 7;
    p.lActual = 2;
    ASSERT_EQ(props->SetProperties(&p), S_OK);
    ASSERT_EQ(source->pin()->Deliver(other.get()), S_OK);
    EXPECT_EQ(filter->transformed, 0);
    ASSERT_EQ(renderer->count(), 1u);
    EXPECT_EQ(renderer->seen()[0].identity, other.get());

    // A sample announcing a type the transform refuses is stopped.
    com_ptr<IMediaSample> changed;
    ASSERT_EQ(allocator->GetBuffer(changed.put(), nullptr, nullptr, 0), S_OK);
    CMediaType mpeg = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio);
    changed->SetMediaType(&mpeg);
    EXPECT_EQ(source->pin()->Deliver(changed.get()), VFW_E_INVALID_MEDIA_TYPE);
    CMediaType pcm = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
    changed->SetMediaType(&pcm);
    EXPECT_EQ(source->pin()->Deliver(changed.get()), S_OK);
    EXPECT_EQ(renderer->count(), 2u);
}

TEST_F(TransformStreaming, ReceiveMultipleAndBlocking)
{
    build(new pass_through, new counting_renderer);
    run();
    EXPECT_EQ(renderer->InputPin()->ReceiveCanBlock(), S_OK);  // a renderer may block
    EXPECT_EQ(filter->InputPin()->ReceiveCanBlock(), S_OK);    // it feeds one

    IMemAllocator* allocator = source->pin()->PeekAllocator();
    IMediaSample* samples[2] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(allocator->GetBuffer(&samples[i], nullptr, nullptr, 0), S_OK);
        samples[i]->SetActualDataLength(1);
    }
    LONG processed = -1;
    EXPECT_EQ(filter->InputPin()->ReceiveMultiple(samples, 2, &processed), S_OK);
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(renderer->count(), 2u);
    for (IMediaSample* s : samples)
        s->Release();
}

TEST_F(InPlaceStreaming, SharedAllocatorPassesTheSameSample)
{
    build(new pass_in_place, new counting_renderer);
    EXPECT_FALSE(filter->different_allocators());
    run();
    push_known();
    expect_known(renderer->seen());
    std::vector<IMediaSample*> pushed = source->delivered();
    auto seen = renderer->seen();
    ASSERT_EQ(filter->seen.size(), pushed.size());
    for (std::size_t i = 0; i < pushed.size(); ++i) {
        EXPECT_EQ(filter->seen[i], pushed[i]);
        EXPECT_EQ(seen[i].identity, pushed[i]);
    }
    ASSERT_EQ(source->pin()->DeliverEndOfStream(), S_OK);
    EXPECT_EQ(renderer->ends(), 1);
    EXPECT_EQ(graph->events(), std::vector<LONG>{EC_COMPLETE});
}

TEST_F(InPlaceStreaming, DifferentAllocatorsCopy)
{
    build(new pass_in_place, new counting_renderer(GUID_NULL, true));
    EXPECT_TRUE(filter->different_allocators());
    run();
    push_known();
    expect_known(renderer->seen());
    std::vector<IMediaSample*> pushed = source->delivered();
    auto seen = renderer->seen();
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(std::find(pushed.begin(), pushed.end(), seen[i].identity), pushed.end()) << i;
        EXPECT_EQ(filter->seen[i], seen[i].identity) << i;  // the copy was transformed and passed on
    }
}

TEST_F(InPlaceStreaming, AFullSampleFitsTheCopy)
{
    build(new pass_in_place, new counting_renderer(GUID_NULL, true));
    // The copy side is sized from the source's buffers (64 bytes).
    run();
    std::vector<BYTE> full(64, 0x5A);
    ASSERT_EQ(source->push(full, 0, 1), S_OK);
    ASSERT_EQ(renderer->count(), 1u);
    EXPECT_EQ(renderer->seen()[0].bytes, full);
}

TEST_F(InPlaceStreaming, NewSegmentAndFlushPassThrough)
{
    build(new pass_in_place, new counting_renderer);
    run();
    ASSERT_EQ(source->pin()->DeliverNewSegment(5, 50, 1.0), S_OK);
    EXPECT_EQ(filter->InputPin()->CurrentStartTime(), 5);
    EXPECT_EQ(renderer->InputPin()->CurrentStartTime(), 5);
    ASSERT_EQ(source->pin()->DeliverBeginFlush(), S_OK);
    EXPECT_TRUE(renderer->InputPin()->IsFlushing());
    EXPECT_EQ(source->push({1}, 0, 1), S_FALSE);
    ASSERT_EQ(source->pin()->DeliverEndFlush(), S_OK);
    EXPECT_FALSE(renderer->InputPin()->IsFlushing());
    EXPECT_EQ(source->push({1}, 0, 1), S_OK);
    EXPECT_EQ(renderer->count(), 1u);
}

// A producer thread streams while the test's thread flushes again and again:
// every sample is rendered whole or dropped, and the run ends cleanly (the
// thread sanitizer build checks the locking).
TEST_F(TransformStreaming, ProducerThreadAgainstFlushes)
{
    build(new pass_through, new counting_renderer);
    run();
    constexpr int samples = 400;
    std::atomic<int> accepted{0}, refused{0};
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < samples; ++i) {
            BYTE b = BYTE(i);
            HRESULT hr = source->push({b, b, b}, i * 10, i * 10 + 10);
            if (hr == S_OK)
                ++accepted;
            else if (hr == S_FALSE)
                ++refused;
            else
                ADD_FAILURE() << "push " << i << " gave " << std::hex << hr;
        }
        done = true;
    });
    int flushes = 0;
    while (!done) {
        ASSERT_EQ(source->pin()->DeliverBeginFlush(), S_OK);
        ASSERT_EQ(source->pin()->DeliverEndFlush(), S_OK);
        ++flushes;
        std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(accepted + refused, samples);
    auto seen = renderer->seen();
    EXPECT_EQ(int(seen.size()), accepted.load());
    for (const seen_sample& s : seen) {
        ASSERT_EQ(s.bytes.size(), 3u);
        EXPECT_EQ(s.bytes[0], s.bytes[2]);
        EXPECT_EQ(s.start % 10, 0);
        EXPECT_EQ(s.stop, s.start + 10);
    }
    EXPECT_GT(flushes, 0);
}

}  // namespace
