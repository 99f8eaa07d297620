// Timed threads of the headless backend: they run in virtual time, one at a
// time with the test's thread, passing a baton under one mutex.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace platform::headless {

namespace {

struct timed_record {
    std::function<void()> run;
    std::thread thread;
    enum class phase { starting, running, asleep, ended } phase = phase::starting;
    std::uint32_t time_left = 0;     // while asleep: virtual ms until it is due
    timed_record* handed_by = nullptr;  // who waits for the baton back (null: an outside thread)
};

struct scheduler {
    std::mutex lock;
    std::condition_variable turn_changed;
    // who holds the baton: a timed thread, or null for the outside (the
    // test's thread, or the thread that started a timed thread)
    timed_record* turn = nullptr;
    std::vector<timed_record*> threads;  // in start order, ended ones removed
    std::atomic<std::thread::id> test_thread{};
};

void forget_threads_after_fork();

// Never destroyed: the program may end with a timed thread asleep in it.
scheduler& sched()
{
    static scheduler* s = [] {
        pthread_atfork(nullptr, nullptr, forget_threads_after_fork);
        return new scheduler;
    }();
    return *s;
}

// A forked child has only the thread that forked: the records of the others
// are forgotten (never joined), so a move of the clock does not hand the
// baton to a thread that is not there. The forking thread held the baton,
// the others were waiting with the lock released.
void forget_threads_after_fork()
{
    scheduler& s = sched();
    s.threads.clear();
    s.turn = nullptr;
}

thread_local timed_record* self = nullptr;

// Gives the baton to r and waits until it sleeps again or ends; an ended
// thread is joined and forgotten.
void hand_baton(timed_record* r)
{
    scheduler& s = sched();
    timed_record* const me = self;
    std::unique_lock<std::mutex> hold(s.lock);
    r->phase = timed_record::phase::running;
    r->handed_by = me;
    s.turn = r;
    s.turn_changed.notify_all();
    s.turn_changed.wait(hold, [&] { return s.turn == me; });
    if (r->phase != timed_record::phase::ended)
        return;
    s.threads.erase(std::find(s.threads.begin(), s.threads.end(), r));
    hold.unlock();
    r->thread.join();
    delete r;
}

// With the lock held: the baton back to whoever handed it.
void give_back(scheduler& s, timed_record* r)
{
    s.turn = r->handed_by;
    s.turn_changed.notify_all();
}

void thread_body(timed_record* r)
{
    scheduler& s = sched();
    self = r;
    {
        std::unique_lock<std::mutex> hold(s.lock);
        s.turn_changed.wait(hold, [&] { return s.turn == r; });
    }
    r->run();
    r->run = nullptr;  // what it captured goes while the baton is still held
    std::lock_guard<std::mutex> hold(s.lock);
    r->phase = timed_record::phase::ended;
    give_back(s, r);
}

// The first sleeping thread whose time has come, in start order.
timed_record* first_due()
{
    scheduler& s = sched();
    std::lock_guard<std::mutex> hold(s.lock);
    for (timed_record* r : s.threads) {
        if (r->phase == timed_record::phase::asleep && r->time_left == 0)
            return r;
    }
    return nullptr;
}

}  // namespace

void claim_test_thread()
{
    sched().test_thread = std::this_thread::get_id();
}

bool on_test_thread()
{
    scheduler& s = sched();
    std::thread::id none{};
    const std::thread::id me = std::this_thread::get_id();
    if (self != nullptr)
        return false;
    // the first to ask claims it
    return s.test_thread.compare_exchange_strong(none, me) || none == me;
}

bool timed_sleep(std::uint32_t ms)
{
    timed_record* const r = self;
    if (r == nullptr)
        return false;
    if (ms == 0) {
        std::this_thread::yield();
        return true;
    }
    scheduler& s = sched();
    std::unique_lock<std::mutex> hold(s.lock);
    r->time_left = ms;
    r->phase = timed_record::phase::asleep;
    give_back(s, r);
    s.turn_changed.wait(hold, [&] { return s.turn == r; });
    return true;
}

void pass_sleepers(std::uint32_t ms)
{
    scheduler& s = sched();
    std::lock_guard<std::mutex> hold(s.lock);
    for (timed_record* r : s.threads) {
        if (r->phase == timed_record::phase::asleep)
            r->time_left -= std::min(r->time_left, ms);
    }
}

void move_scheduled(std::uint32_t ms)
{
    scheduler& s = sched();
    std::uint32_t remaining = ms;
    for (;;) {
        std::uint32_t next = std::numeric_limits<std::uint32_t>::max();
        {
            std::lock_guard<std::mutex> hold(s.lock);
            for (timed_record* r : s.threads) {
                if (r->phase == timed_record::phase::asleep)
                    next = std::min(next, r->time_left);
            }
        }
        const std::uint32_t step = std::min(next, remaining);
        move_clock(step);
        remaining -= step;
        while (timed_record* r = first_due())
            hand_baton(r);
        if (remaining == 0)
            return;
    }
}

int start_timed_thread(std::function<void()> run, const char* name, thread_priority)
{
    auto* r = new timed_record;
    r->run = std::move(run);
    try {
        r->thread = std::thread(thread_body, r);
    } catch (const std::system_error&) {
        delete r;
        return set_error("thread creation failed");
    }
    const std::string short_name = std::string(name).substr(0, 15);
    pthread_setname_np(r->thread.native_handle(), short_name.c_str());
    {
        std::lock_guard<std::mutex> hold(sched().lock);
        sched().threads.push_back(r);
    }
    hand_baton(r);
    return 0;
}

void selected()
{
    claim_test_thread();
}

}  // namespace platform::headless
