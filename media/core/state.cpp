// Every global state record of the media core, with the full reset.
#include "media/core/internal.hpp"

namespace media::core {

// ---- maths ----
projection_state projection;
// ---- end of maths ----

// ---- random numbers ----

RANDOMSTATE random_state{};

namespace {

void reset_random()
{
    random_state = RANDOMSTATE{};
}

}  // namespace

// ---- end random numbers ----

// ---- log ----

LOGSTATE log_state{};
std::mutex log_lock;

namespace {

void reset_log()
{
    std::lock_guard<std::mutex> hold(log_lock);
    log_state = LOGSTATE{};
}

}  // namespace

// ---- end log ----

// ---- managed allocator ----

ALLOCSTATE alloc_state{};
std::recursive_mutex alloc_lock;

namespace {

// Forgets the list without freeing it: callers free their blocks first.
void reset_alloc()
{
    std::lock_guard<std::recursive_mutex> hold(alloc_lock);
    alloc_state = ALLOCSTATE{};
}

}  // namespace

// ---- end managed allocator ----

// ---- stream functions ----

FILEOPS file_ops = plain_file_ops;
#if ZENTIL_TEST_HOOKS
FILETHREADHOOKS file_thread_hooks;
#endif

namespace {

void reset_streams()
{
    file_ops = plain_file_ops;
#if ZENTIL_TEST_HOOKS
    file_thread_hooks.gate = nullptr;
    file_thread_hooks.fail_opens = 0;
#endif
}

}  // namespace

// ---- end stream functions ----

void reset_state()
{
    // ---- maths ----
    projection = projection_state{};
    // ---- end of maths ----
    reset_random();
    reset_log();
    reset_alloc();
    reset_streams();
}

}  // namespace media::core
