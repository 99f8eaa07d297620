// The backend table, its selection and the error slot.
#include "platform/platform.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace platform {

namespace sdl { extern const backend table; }
namespace headless { extern const backend table; }

namespace {

const backend* const backends[] = {&sdl::table, &headless::table};
// Read from any thread (the log's stamps, file threads), so atomic.
std::atomic<const backend*> selected{nullptr};
// One slot per thread: file and audio threads report their own failures.
thread_local std::string last_error;

const backend* find_backend(const char* name)
{
    for (const backend* b : backends) {
        if (name && std::strcmp(b->name, name) == 0)
            return b;
    }
    return nullptr;
}

// The backend of a program that made no selection.
const backend* implicit_backend()
{
    const char* wanted = std::getenv("ZENTIL_PLATFORM");
    if (wanted != nullptr && *wanted != '\0') {
        if (const backend* b = find_backend(wanted))
            return b;
        set_error("unknown backend");
    }
    return find_backend(default_backend_name());
}

}  // namespace

int select_backend(const char* name)
{
    const backend* b = find_backend(name);
    if (b == nullptr)
        return set_error("unknown backend");
    selected.store(b);
    if (b->selected)
        b->selected();
    return 0;
}

const backend& current_backend()
{
    const backend* b = selected.load();
    if (b != nullptr)
        return *b;
    // Two threads may both resolve it; they find the same table.
    const backend* resolved = implicit_backend();
    if (selected.compare_exchange_strong(b, resolved) && resolved->selected)
        resolved->selected();
    return *selected.load();
}

#if ZENTIL_TEST_HOOKS
void forget_backend_selection()
{
    selected.store(nullptr);
}
#endif

const char* error()
{
    return last_error.c_str();
}

int set_error(const char* text)
{
    last_error = text ? text : "";
    return -1;
}

int start_timed_thread(std::function<void()> run, const char* name, thread_priority priority)
{
    if (!run)
        return set_error("no thread function");
    return current_backend().start_timed_thread(std::move(run), name ? name : "", priority);
}

std::uint32_t milliseconds()
{
    return current_backend().milliseconds();
}

local_time now()
{
    return current_backend().now();
}

}  // namespace platform
