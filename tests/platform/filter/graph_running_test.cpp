// Running a graph: streaming threads from pause to stop, completion and
// error events, time-outs, pausing, stopping and releasing while streaming,
// and seeking through the source.
#include "support/graph_filters.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using namespace platform::filter;
using namespace support::filters;

// Renders as many samples as it has permits, then blocks in the render step
// until more are given or the filter stops.
class gated_renderer : public counting_renderer {
public:
    explicit gated_renderer(int permits) : counting_renderer(test_major), permits_(permits) {}

    HRESULT DoRenderSample(IMediaSample* sample) override
    {
        {
            std::unique_lock<std::mutex> hold(gate_lock_);
            gate_.wait(hold, [this] { return permits_ > 0 || open_; });
            if (!open_)
                --permits_;
        }
        return counting_renderer::DoRenderSample(sample);
    }
    HRESULT Stop() override
    {
        open(true);
        return counting_renderer::Stop();
    }
    void give(int permits)
    {
        std::lock_guard<std::mutex> hold(gate_lock_);
        permits_ += permits;
        gate_.notify_all();
    }
    void open(bool all)
    {
        std::lock_guard<std::mutex> hold(gate_lock_);
        open_ = all;
        gate_.notify_all();
    }

private:
    std::mutex gate_lock_;
    std::condition_variable gate_;
    int permits_;
    bool open_ = false;
};

// Waits (real time, bounded) until the condition holds.
template <typename Condition>
bool eventually(Condition condition)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::uint32_t> numbers_seen(counting_renderer* renderer)
{
    std::vector<std::uint32_t> numbers;
    for (const seen_sample& s : renderer->seen()) {
        std::uint32_t n = 0;
        if (s.bytes.size() == 4)
            std::memcpy(&n, s.bytes.data(), 4);
        numbers.push_back(n);
    }
    return numbers;
}

std::vector<std::uint32_t> range(std::uint32_t from, std::uint32_t to)
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t n = from; n < to; ++n)
        out.push_back(n);
    return out;
}

constexpr REFERENCE_TIME step = 400000;

// A graph of source -> [middle] -> renderer, connected, with a null sync source.
class GraphRunning : public filter_test {
protected:
    void build(int count, counting_renderer* end, IBaseFilter* middle = nullptr)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.put_void()),
                  S_OK);
        source = com_ptr<numbered_source>::share(new numbered_source(count, test_type(subtype_a), step));
        renderer = com_ptr<counting_renderer>::share(end);
        ASSERT_EQ(graph->AddFilter(source.get(), L"Source"), S_OK);
        ASSERT_EQ(graph->AddFilter(renderer.get(), L"Renderer"), S_OK);
        com_ptr<IPin> out = find_pin(source.get(), PINDIR_OUTPUT);
        if (middle) {
            ASSERT_EQ(graph->AddFilter(middle, L"Middle"), S_OK);
            ASSERT_EQ(graph->Connect(out.get(), find_pin(middle, PINDIR_INPUT).get()), S_OK);
            out = find_pin(middle, PINDIR_OUTPUT);
        }
        ASSERT_EQ(graph->Connect(out.get(), find_pin(renderer.get(), PINDIR_INPUT).get()), S_OK);
        control = graph.as<IMediaControl>(IID_IMediaControl);
        events = graph.as<IMediaEvent>(IID_IMediaEvent);
        seeking = graph.as<IMediaSeeking>(IID_IMediaSeeking);
        auto filter = graph.as<IMediaFilter>(IID_IMediaFilter);
        ASSERT_TRUE(control && events && seeking && filter);
        ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    }
    LONG wait(LONG timeout_ms, HRESULT expected = S_OK)
    {
        LONG code = -1;
        EXPECT_EQ(events->WaitForCompletion(timeout_ms, &code), expected);
        return code;
    }

    com_ptr<IGraphBuilder> graph;
    com_ptr<numbered_source> source;
    com_ptr<counting_renderer> renderer;
    com_ptr<IMediaControl> control;
    com_ptr<IMediaEvent> events;
    com_ptr<IMediaSeeking> seeking;
};

TEST_F(GraphRunning, HundredSamplesEndWithComplete)
{
    build(100, new counting_renderer(test_major));
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(numbers_seen(renderer.get()), range(0, 100));
    EXPECT_EQ(renderer->ends(), 1);
    EXPECT_EQ(wait(0), EC_COMPLETE);  // the outcome stays until the graph stops
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(static_cast<CSourceStream*>(source->GetPin(0))->ThreadRunning());
}

TEST_F(GraphRunning, ShortTimeoutGivesAbortAndTheWaitRepeats)
{
    build(100, new gated_renderer(10));
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(20, E_ABORT), 0);
    EXPECT_EQ(wait(1, E_ABORT), 0);
    static_cast<gated_renderer*>(renderer.get())->open(true);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(renderer->count(), 100u);
}

TEST_F(GraphRunning, StreamingFailureEndsWithErrorAbort)
{
    struct row {
        const char* what;
        bool source_fails;
    };
    for (const row& r : {row{"source's fill fails", true}, row{"transform's receive fails", false}}) {
        auto middle = com_ptr<retype>::share(new retype(subtype_a, subtype_b));
        build(100, new counting_renderer(test_major), middle.get());
        if (r.source_fails)
            source->fail_at = 7;
        else
            middle->fail_at = 7;
        ASSERT_EQ(control->Run(), S_OK) << r.what;
        EXPECT_EQ(wait(10000), EC_ERRORABORT) << r.what;
        EXPECT_EQ(renderer->count(), 7u) << r.what;
        EXPECT_EQ(control->Stop(), S_OK) << r.what;
        graph.reset();
        control.reset();
        events.reset();
        seeking.reset();
    }
}

TEST_F(GraphRunning, PauseHoldsDeliveryAndRunStreamsOn)
{
    build(100, new gated_renderer(10));
    auto* gate = static_cast<gated_renderer*>(renderer.get());
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(eventually([&] { return renderer->count() == 10; }));
    ASSERT_EQ(control->Pause(), S_OK);
    gate->open(true);  // the sample in the render step finishes; the next is held
    ASSERT_TRUE(eventually([&] { return renderer->count() == 11; }));
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(1000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(renderer->count(), 11u);
    EXPECT_EQ(wait(10, E_ABORT), 0);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(numbers_seen(renderer.get()), range(0, 100));
}

TEST_F(GraphRunning, PausedFromStoppedHoldsTheFirstSample)
{
    build(5, new counting_renderer(test_major));
    ASSERT_EQ(control->Pause(), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(renderer->count(), 0u);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(renderer->count(), 5u);
}

TEST_F(GraphRunning, StopDuringStreamingJoinsEveryThread)
{
    auto middle = com_ptr<retype>::share(new retype(subtype_a, subtype_b));
    build(100, new gated_renderer(10), middle.get());
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(eventually([&] { return renderer->count() == 10; }));
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(static_cast<CSourceStream*>(source->GetPin(0))->ThreadRunning());
    EXPECT_EQ(wait(10, VFW_E_WRONG_STATE), 0);
    // Runs again from where the source stands: the start.
    static_cast<gated_renderer*>(renderer.get())->open(true);
    std::size_t before = renderer->count();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(renderer->count(), before + 100);
}

TEST_F(GraphRunning, ReleasingTheGraphStopsItWhateverItsState)
{
    struct row {
        const char* what;
        bool run, pause, blocked;
    };
    const row rows[] = {
        {"running, blocked in a render", true, false, true},
        {"running to the end", true, false, false},
        {"paused", false, true, false},
        {"stopped", false, false, false},
    };
    for (const row& r : rows) {
        build(100, new gated_renderer(r.blocked ? 10 : 1000));
        if (r.run) {
            ASSERT_EQ(control->Run(), S_OK) << r.what;
        }
        if (r.pause) {
            ASSERT_EQ(control->Pause(), S_OK) << r.what;
        }
        if (r.blocked) {
            ASSERT_TRUE(eventually([&] { return renderer->count() == 10; })) << r.what;
        }
        control.reset();
        events.reset();
        seeking.reset();
        graph.reset();
        FILTER_INFO info{};
        renderer->QueryFilterInfo(&info);
        EXPECT_EQ(info.pGraph, nullptr) << r.what;
        EXPECT_FALSE(static_cast<CSourceStream*>(source->GetPin(0))->ThreadRunning()) << r.what;
        EXPECT_FALSE(renderer->GetPin(0)->IsConnected()) << r.what;
        source.reset();
        renderer.reset();
        EXPECT_EQ(live_objects(), 0) << r.what;
    }
}

TEST_F(GraphRunning, SeekingReportsTimesAndStreamsAgainFromThePosition)
{
    build(10, new counting_renderer(test_major));
    LONGLONG duration = 0, stop = 0, current = -1;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 10 * step);
    EXPECT_EQ(seeking->GetStopPosition(&stop), S_OK);
    EXPECT_EQ(stop, 10 * step);
    EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, 0);

    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, 9 * step);

    // Back to the start while running: the samples come again from the first.
    LONGLONG zero = 0;
    ASSERT_EQ(seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    std::vector<std::uint32_t> twice = range(0, 10);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(numbers_seen(renderer.get()), twice);
    EXPECT_EQ(renderer->seen().back().start, 9 * step);

    // A position in the middle, stopped, then Run.
    ASSERT_EQ(control->Stop(), S_OK);
    LONGLONG middle = 6 * step;
    ASSERT_EQ(seeking->SetPositions(&middle, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, 6 * step);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(wait(10000), EC_COMPLETE);
    std::vector<std::uint32_t> seen = numbers_seen(renderer.get());
    EXPECT_EQ(std::vector<std::uint32_t>(seen.begin() + 20, seen.end()), range(6, 10));

    EXPECT_EQ(seeking->GetDuration(nullptr), E_POINTER);
    EXPECT_EQ(seeking->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              E_POINTER);
    control->Stop();
}

TEST_F(GraphRunning, GraphWithoutSeekingSourceRefusesSeeking)
{
    com_ptr<IGraphBuilder> bare;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, bare.put_void()),
              S_OK);
    auto seek = bare.as<IMediaSeeking>(IID_IMediaSeeking);
    LONGLONG value = 0;
    EXPECT_EQ(seek->GetDuration(&value), VFW_E_NO_SEEKING);
    EXPECT_EQ(seek->SetPositions(&value, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              VFW_E_NO_SEEKING);
    auto audio = bare.as<IBasicAudio>(IID_IBasicAudio);
    EXPECT_TRUE(audio);
}

}  // namespace
