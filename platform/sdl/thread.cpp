// Timed threads of the desktop backend: plain threads, named so that the
// process's task list shows them, raised in priority where allowed.
#include "platform/platform.hpp"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace platform::sdl {

namespace {

// A lower nice value for the calling thread; refused without the right to
// raise it, and then it runs at normal.
void raise_priority(thread_priority priority)
{
    const int nice = priority == thread_priority::highest ? -10 : priority == thread_priority::above_normal ? -5 : 0;
    if (nice == 0)
        return;
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, nice);
}

}  // namespace

int start_timed_thread(std::function<void()> run, const char* name, thread_priority priority)
{
    try {
        std::thread t([run = std::move(run), priority] {
            raise_priority(priority);
            run();
        });
        // named before start returns, so the task list shows it at once
        const std::string short_name = std::string(name).substr(0, 15);
        pthread_setname_np(t.native_handle(), short_name.c_str());
        t.detach();
    } catch (const std::system_error&) {
        return set_error("thread creation failed");
    }
    return 0;
}

void selected()
{
}

}  // namespace platform::sdl
