// Manual-reset events and thread ids.
#include "platform/thread/event.hpp"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

namespace platform {

void manual_reset_event::set()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        set_ = true;
    }
    changed_.notify_all();
}

void manual_reset_event::reset()
{
    std::lock_guard<std::mutex> hold(lock_);
    set_ = false;
}

void manual_reset_event::wait()
{
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return set_; });
}

bool manual_reset_event::wait_for(std::uint32_t ms)
{
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return set_; });
}

bool manual_reset_event::is_set() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return set_;
}

std::uint32_t current_thread_id()
{
    return static_cast<std::uint32_t>(::syscall(SYS_gettid));
}

}  // namespace platform
