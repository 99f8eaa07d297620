// Manual-reset events between threads.
#include "platform/thread/event.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ManualResetEvent, StaysSetUntilReset)
{
    platform::manual_reset_event unset;
    EXPECT_FALSE(unset.is_set());
    EXPECT_FALSE(unset.wait_for(0));

    platform::manual_reset_event event(true);
    EXPECT_TRUE(event.is_set());
    event.wait();
    EXPECT_TRUE(event.wait_for(0));
    EXPECT_TRUE(event.is_set());  // waiting does not consume it
    event.reset();
    EXPECT_FALSE(event.wait_for(0));
    event.set();
    event.set();
    EXPECT_TRUE(event.wait_for(0));
}

TEST(ManualResetEvent, OneSetWakesEveryWaiter)
{
    platform::manual_reset_event go, all_waiting;
    std::atomic<int> waiting{0}, woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (++waiting == 3)
                all_waiting.set();
            go.wait();
            ++woken;
        });
    }
    all_waiting.wait();
    EXPECT_EQ(woken.load(), 0);
    go.set();
    for (std::thread& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 3);
}

TEST(ManualResetEvent, HandsCommandsBackAndForth)
{
    // the command / done pattern of the file threads: one command pending
    platform::manual_reset_event command, done(true);
    int value = 0;
    std::vector<int> seen;
    std::thread worker([&] {
        for (;;) {
            command.wait();
            command.reset();
            const int v = value;
            if (v < 0) {
                done.set();
                return;
            }
            seen.push_back(v);
            done.set();
        }
    });
    for (int v : {1, 2, 3, -1}) {
        done.wait();
        value = v;
        done.reset();
        command.set();
    }
    worker.join();
    EXPECT_TRUE(done.is_set());
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(ThreadId, DiffersBetweenThreads)
{
    const std::uint32_t main_id = platform::current_thread_id();
    std::uint32_t other_id = main_id;
    std::thread([&] { other_id = platform::current_thread_id(); }).join();
    EXPECT_NE(main_id, 0u);
    EXPECT_NE(other_id, main_id);
    EXPECT_EQ(platform::current_thread_id(), main_id);
}

}  // namespace
