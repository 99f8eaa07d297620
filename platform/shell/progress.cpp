// The modal progress loop of copies and deletes.
#include "platform/shell/progress.hpp"

#include <algorithm>
#include <exception>
#include <string>
#include <thread>

#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/window_state.hpp"

namespace platform::shell {
namespace {

#if ZENTIL_TEST_HOOKS
std::atomic<std::uint32_t>& step_delay()
{
    static std::atomic<std::uint32_t> ms{0};
    return ms;
}
#endif

// The window may only be made on the thread that drives video; elsewhere the
// operation runs without one.
bool may_show_window()
{
    const window_state& w = window_common();
    return !w.owner || w.thread == std::this_thread::get_id();
}

}  // namespace

void progress::set_totals(std::uint64_t units, std::uint64_t files)
{
    total_.store(units, std::memory_order_relaxed);
    files_total_.store(files, std::memory_order_relaxed);
}

void progress::begin(const std::string& path)
{
    std::lock_guard<std::mutex> hold(lock_);
    name_ = path;
    files_begun_.fetch_add(1, std::memory_order_relaxed);
}

void progress::advance(std::uint64_t units)
{
    done_.fetch_add(units, std::memory_order_relaxed);
#if ZENTIL_TEST_HOOKS
    // a slowed step: the calling thread lets its time pass on the backend's
    // clock (the virtual one on headless) and looks at the window before the
    // worker goes on, so every step is seen in order
    if (const std::uint32_t ms = step_delay().load()) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            owed_ms_ = ms;
        }
        resume_.reset();
        wake_.set();
        resume_.wait();
    }
#endif
}

void progress::finish_file() { files_done_.fetch_add(1, std::memory_order_relaxed); }

int run_with_progress(const char* title, const char* unit, const std::function<int(progress&)>& work)
{
    progress p;
    int result = -1;
    std::string error;
    std::thread worker([&] {
        try {
            result = work(p);
        } catch (const std::exception& e) {
            result = set_error(e.what());
        }
        if (result != 0) error = platform::error();
        {
            std::lock_guard<std::mutex> hold(p.lock_);
            p.finished_ = true;
        }
        p.wake_.set();
    });

    const backend& b = current_backend();
    const bool may_show = may_show_window();
    const std::uint32_t start = milliseconds();
    bool shown = false, refused = false, drawn = false;
    std::uint32_t drawn_at = 0;
    for (;;) {
        // reset before looking, so a wake that comes after the look is kept
        p.wake_.reset();
        bool finished;
        std::uint32_t owed;
        progress_view view;
        {
            std::lock_guard<std::mutex> hold(p.lock_);
            finished = p.finished_;
            owed = p.owed_ms_;
            p.owed_ms_ = 0;
            view.name = p.name_;
        }
        if (finished) break;
        if (owed) platform::sleep(owed);

        const std::uint32_t now = milliseconds();
        if (!shown && !refused && may_show && now - start >= progress_delay_ms) {
            shown = b.open_progress(title) == 0;
            refused = !shown;  // the operation goes on without a window
        }
        if (shown) {
            const std::uint64_t total = p.total_.load(std::memory_order_relaxed);
            view.files_done = p.files_done_.load(std::memory_order_relaxed);
            view.files_total = p.files_total_.load(std::memory_order_relaxed);
            // an operation without bytes (empty files only) moves by its files
            view.total = total ? total : view.files_total;
            view.done = total ? p.done_.load(std::memory_order_relaxed) : view.files_done;
            const std::uint64_t at = std::min(p.files_begun_.load(std::memory_order_relaxed), view.files_total);
            view.count = std::to_string(at) + " of " + std::to_string(view.files_total) + " " + unit;
            if (!drawn || now - drawn_at >= progress_redraw_ms) {
                b.draw_progress(view);
                drawn = true;
                drawn_at = now;
            }
            if (b.progress_cancelled(view)) p.cancel_.store(true);
        }
        if (owed) {
            p.resume_.set();
            continue;
        }
        const std::uint32_t left = shown || refused || !may_show ? progress_redraw_ms
                                                                 : progress_delay_ms - std::min(progress_delay_ms, now - start);
        p.wake_.wait_for(std::max<std::uint32_t>(left, 1));
    }
    worker.join();
    if (shown) b.close_progress();
    if (result != 0) return set_error(error.c_str());
    return 0;
}

#if ZENTIL_TEST_HOOKS
void slow_steps(std::uint32_t ms) { step_delay() = ms; }
#endif

}  // namespace platform::shell
