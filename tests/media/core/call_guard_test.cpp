// The call guard: re-entry on one thread, waiters served in their order of
// arrival, a full queue.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "log_folder.hpp"

namespace {

using media::core::call_guard;
using media::core::call_guard_lock;

// The guard's fields read under its lock.
int waiting()
{
    std::lock_guard<std::mutex> hold(call_guard_lock);
    return call_guard.waiter_count;
}

bool is_free()
{
    std::lock_guard<std::mutex> hold(call_guard_lock);
    return call_guard.busy == 0 && call_guard.recursion == 0 && call_guard.owner == std::thread::id();
}

// Spins (no sleep) until another thread has reached the state asked for.
template <typename Condition>
void until(Condition condition)
{
    while (!condition())
        std::this_thread::yield();
}

using CallGuard = media_test::log_folder;

TEST_F(CallGuard, ReentryOnOneThreadAndAWaiterAfterTheLastRelease)
{
    AcquireCallGuard();
    AcquireCallGuard();
    bool taken = false;
    std::mutex seen;
    std::thread other([&] {
        AcquireCallGuard();
        {
            std::lock_guard<std::mutex> hold(seen);
            taken = true;
        }
        ReleaseCallGuard();
    });
    until([] { return waiting() == 1; });
    ReleaseCallGuard();
    {
        std::lock_guard<std::mutex> hold(seen);
        EXPECT_FALSE(taken);  // still held once
    }
    ReleaseCallGuard();
    other.join();
    EXPECT_TRUE(taken);
    EXPECT_TRUE(is_free());

    AcquireCallGuard();
    AcquireCallGuard();
    ReleaseCallGuard();
    ReleaseCallGuard();
    EXPECT_TRUE(is_free());
    ReleaseCallGuard();  // not held: nothing happens
    EXPECT_TRUE(is_free());
}

TEST_F(CallGuard, WaitersAreServedInOrderOfArrival)
{
    AcquireCallGuard();
    std::mutex order_lock;
    std::vector<int> order;
    std::vector<std::thread> threads;
    for (int i = 1; i <= 3; ++i) {
        threads.emplace_back([&, i] {
            AcquireCallGuard();
            {
                std::lock_guard<std::mutex> hold(order_lock);
                order.push_back(i);
            }
            ReleaseCallGuard();
        });
        until([i] { return waiting() == i; });
    }
    ReleaseCallGuard();
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(is_free());
}

TEST_F(CallGuard, AThreadBeyondAFullQueueSleepsUntilAPlaceFrees)
{
    // held and waited for in the name of this thread, which takes no part
    const std::thread::id nobody = std::this_thread::get_id();
    const std::uint32_t clock_before = platform::milliseconds();
    {
        std::lock_guard<std::mutex> hold(call_guard_lock);
        call_guard.busy = 1;
        call_guard.recursion = 1;
        call_guard.owner = nobody;
        for (std::thread::id& w : call_guard.waiters)
            w = nobody;
        call_guard.waiter_count = media::core::CALL_GUARD_WAITERS;
    }
    std::thread late([] {
        AcquireCallGuard();
        ReleaseCallGuard();
    });
    until([] {
        std::lock_guard<std::mutex> hold(call_guard_lock);
        return call_guard.full_retries >= 3;
    });
    {
        // the holder and every waiter go away at once
        std::lock_guard<std::mutex> hold(call_guard_lock);
        call_guard.busy = 0;
        call_guard.recursion = 0;
        call_guard.owner = std::thread::id();
        call_guard.waiter_count = 0;
    }
    media::core::call_guard_wake.notify_all();
    late.join();
    EXPECT_TRUE(is_free());
    // the retries slept in real time: a thread other than the test's
    // leaves the virtual clock alone
    EXPECT_EQ(platform::milliseconds(), clock_before);
}

TEST_F(CallGuard, TheGuardedPumpTakesAndLetsGo)
{
    EXPECT_EQ(PumpWindowMessagesGuarded(), 0);
    EXPECT_TRUE(is_free());
}

}  // namespace
