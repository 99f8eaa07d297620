// Manual-reset events over a mutex and a condition variable, and the
// calling thread's id. Events run on real time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

// Stays set until reset; every waiter wakes when it is set.
class manual_reset_event {
public:
    explicit manual_reset_event(bool initially_set = false) : set_(initially_set) {}
    manual_reset_event(const manual_reset_event&) = delete;
    manual_reset_event& operator=(const manual_reset_event&) = delete;

    void set();
    void reset();
    // Returns once the event is set.
    void wait();
    // True when the event is set within ms milliseconds; 0 only looks.
    bool wait_for(std::uint32_t ms);
    bool is_set() const;

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool set_;
};

// The calling thread's id, as the OS numbers threads.
std::uint32_t current_thread_id();

}  // namespace platform
