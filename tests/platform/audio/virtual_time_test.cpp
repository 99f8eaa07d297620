// Timed threads in virtual time on headless: a thread that records the
// clock and sleeps 30 ms in a loop, driven by every kind of clock move of
// the test's thread.
#include "audio_fixture.hpp"

#include <thread>

namespace {

using namespace audio_test;
using HeadlessVirtualTime = HeadlessAudio;

// What the recording thread saw at one of its wakes.
struct wake {
    std::uint32_t clock;
    std::uint32_t cursor;       // the looping buffer's play cursor
    std::uint64_t frames_mixed;
};

TEST_F(HeadlessVirtualTime, TimedThreadRunsAtItsDeadlines)
{
    // one second looping, so the cursor is the frames mixed modulo 44100
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 176400);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(true), 0);

    std::vector<wake> seen;
    bool stop = false;  // the baton orders every access
    bool ended = false;
    ASSERT_EQ(platform::start_timed_thread(
                  [&] {
                      while (!stop) {
                          seen.push_back({platform::milliseconds(), play_cursor(*b),
                                          platform::headless::audio_frames_mixed()});
                          platform::sleep(30);
                      }
                      ended = true;
                  },
                  "recorder", platform::thread_priority::above_normal),
              0);
    auto clocks = [&] {
        std::vector<std::uint32_t> out;
        for (const wake& w : seen) out.push_back(w.clock);
        return out;
    };
    // start returns once it first sleeps
    EXPECT_EQ(clocks(), (std::vector<std::uint32_t>{0}));

    platform::headless::advance_clock(100);
    EXPECT_EQ(clocks(), (std::vector<std::uint32_t>{0, 30, 60, 90}));
    EXPECT_EQ(platform::milliseconds(), 100u);
    for (const wake& w : seen) {
        EXPECT_EQ(w.frames_mixed, w.clock * 44100ull / 1000);
        EXPECT_EQ(w.cursor, (w.frames_mixed % 44100) * 4);
    }

    // sleeps of 5 ms and waits for the vertical blank go the same way
    for (int i = 0; i < 4; ++i) platform::sleep(5);
    EXPECT_EQ(clocks().back(), 120u);
    // (the backend's own wait: platform::wait_vblank_begin needs a window)
    while (platform::milliseconds() < 150) platform::current_backend().wait_vblank_begin();
    EXPECT_EQ(platform::milliseconds(), 150u);
    EXPECT_EQ(clocks().back(), 150u);
    EXPECT_EQ(seen.back().frames_mixed, 150u * 441 / 10);

    // the step mode moves the clock past a deadline and runs nothing; the
    // next move of the test's thread runs it, at the clock it has reached
    platform::headless::set_clock_step(10);
    for (int i = 0; i < 4; ++i) platform::milliseconds();
    platform::headless::set_clock_step(0);
    EXPECT_EQ(seen.size(), 6u);
    platform::headless::advance_clock(0);
    EXPECT_EQ(clocks().back(), 190u);

    // reset keeps it asleep with its 30 ms left
    platform::headless::reset();
    platform::headless::advance_clock(29);
    EXPECT_EQ(seen.size(), 7u);
    platform::headless::advance_clock(1);
    EXPECT_EQ(clocks().back(), 30u);

    // a plain thread's sleep is a real one and leaves the clock alone
    std::thread plain([] { platform::sleep(1); });
    plain.join();
    EXPECT_EQ(platform::milliseconds(), 30u);
    EXPECT_EQ(seen.size(), 8u);

    // an ended thread is joined and runs no more
    stop = true;
    platform::headless::advance_clock(30);
    EXPECT_TRUE(ended);
    EXPECT_EQ(seen.size(), 8u);
    platform::headless::advance_clock(100);
    EXPECT_EQ(seen.size(), 8u);
}

TEST_F(HeadlessVirtualTime, ThreadsDueAtOneInstantRunInStartOrder)
{
    std::vector<int> order;
    int stops = 0;
    for (int id : {1, 2}) {
        ASSERT_EQ(platform::start_timed_thread(
                      [&, id] {
                          for (int i = 0; i < 2; ++i) {
                              order.push_back(id);
                              platform::sleep(id == 1 ? 20 : 10);
                          }
                          ++stops;
                      },
                      "pair"),
                  0);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    // 2 again at 10; at 20 first 1 (started first), then 2, which ends
    platform::headless::advance_clock(20);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 2, 1}));
    EXPECT_EQ(stops, 1);
    platform::headless::advance_clock(20);
    EXPECT_EQ(stops, 2);

    // a thread that ends before its first sleep: start returns all the same
    bool ran = false;
    ASSERT_EQ(platform::start_timed_thread([&] { ran = true; }, "short"), 0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(platform::start_timed_thread(nullptr, "none"), -1);
}

}  // namespace
