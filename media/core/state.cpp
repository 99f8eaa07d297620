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
SCREENLOG screen_log{};

namespace {

void reset_log()
{
    std::lock_guard<std::mutex> hold(log_lock);
    log_state = LOGSTATE{};
    screen_log = SCREENLOG{};
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

FILEOPS file_ops = archive_file_ops;
ARCHIVE_STATE archive_state{};
#if ZENTIL_TEST_HOOKS
FILETHREADHOOKS file_thread_hooks;
#endif

namespace {

void reset_streams()
{
    file_ops = archive_file_ops;
#if ZENTIL_TEST_HOOKS
    file_thread_hooks.gate = nullptr;
    file_thread_hooks.fail_opens = 0;
#endif
}

}  // namespace

// ---- end stream functions ----

// ---- window, message pump and window services ----

WINDOW_STATE window_state{};
std::deque<WINDOWMESSAGE> message_queue;
std::vector<WINDOWTIMER> window_timers;
std::mutex message_lock;
platform::instance_lock window_instance_lock;
PLATFORM_INFO platform_info{};

namespace {

// Frees the dropped names (before the allocator forgets its list).
void reset_window()
{
    for (int i = 0; i < window_state.dropped_count; ++i) {
        ManagedFree(window_state.dropped_names[i]);
        ManagedFree(window_state.dropped_wide[i]);
    }
    window_state = WINDOW_STATE{};
    {
        std::lock_guard<std::mutex> hold(message_lock);
        message_queue.clear();
        window_timers.clear();
    }
    window_instance_lock.release();
    platform_info = PLATFORM_INFO{};
}

}  // namespace

// ---- end window, message pump and window services ----

// ---- call guard ----
CALL_GUARD call_guard{};
std::mutex call_guard_lock;
std::condition_variable call_guard_wake;
// ---- end call guard ----

// ---- typed-character stock ----
CHARRING char_ring{};
// ---- end typed-character stock ----

// ---- key-input handles ----
KEYINPUTSTATE key_input_state{};

namespace {

// Frees the fields' text (before the allocator forgets its list).
void reset_key_input()
{
    for (KEYINPUT& record : key_input_state.records) {
        if (record.text != nullptr)
            ManagedFree(record.text);
    }
    key_input_state.table.clear();
    key_input_state.active = -1;
    for (KEYINPUT& record : key_input_state.records)
        record = KEYINPUT{};
    if (key_input_state.ime.candidates != nullptr)
        ManagedFree(key_input_state.ime.candidates);
    key_input_state.ime = IMESTATE{};
    key_input_state.style = KEYINPUTSTYLE{};
}

}  // namespace
// ---- end key-input handles ----

// ---- input devices ----
INPUTSTATE input_state{};
DEVICEINPUT device_input{};
std::int32_t pad_key_assign[MAX_JOYPADS][32][2];

namespace {

void reset_input()
{
    input_state = INPUTSTATE{};
    device_input = DEVICEINPUT{};
    for (auto& pad : pad_key_assign)
        for (auto& bit : pad)
            bit[0] = bit[1] = -1;
}

}  // namespace
// ---- end input devices ----

// ---- network connections ----
NETSTATE net_state;

namespace {

// Closes what is open and frees the connections (before the allocator
// forgets its list), then clears the flags in place: the table is too large
// for a temporary.
void reset_network()
{
    close_all_connections();
    net_state.started = 0;
    net_state.window = 0;
    net_state.window_closed = 0;
    net_state.listen_port = 0;
    net_state.framed = 1;
    net_state.auto_close = 1;
    net_state.receiving = 0;
    net_state.sending = 0;
#if ZENTIL_TEST_HOOKS
    platform::net::fail_next_select(0);
#endif
}

}  // namespace
// ---- end network connections ----

void reset_state()
{
    reset_window();
    {
        std::lock_guard<std::mutex> hold(call_guard_lock);
        call_guard = CALL_GUARD{};
    }
    char_ring = CHARRING{};
    reset_key_input();
    // ---- maths ----
    projection = projection_state{};
    // ---- end of maths ----
    reset_random();
    reset_log();
    reset_network();       // frees through the allocator too
    close_all_archives();  // frees through the allocator, before it forgets its list
    reset_alloc();
    reset_streams();
    reset_input();
}

}  // namespace media::core
