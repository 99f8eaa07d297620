// Copies and deletes on a worker thread while the calling thread waits in a
// modal loop that shows their progress after 500 ms and takes Cancel.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/thread/event.hpp"

namespace platform::shell {

// What the worker reports and what it is told: counts, the entry at work,
// the Cancel request. Counts are written by the worker alone.
class progress {
public:
    // Totals from the walk made before the work starts.
    void set_totals(std::uint64_t units, std::uint64_t files);
    // The entry now at work (UTF-8 path).
    void begin(const std::string& path);
    // units more are done (bytes of a copy, entries of a delete).
    void advance(std::uint64_t units);
    void finish_file();
    bool cancelled() const { return cancel_.load(std::memory_order_relaxed); }

private:
    friend int run_with_progress(const char*, const char*, const std::function<int(progress&)>&);
    std::atomic<std::uint64_t> done_{0}, total_{0}, files_done_{0}, files_begun_{0}, files_total_{0};
    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_;
    std::string name_;               // under lock_
    std::uint32_t owed_ms_ = 0;      // a slowed step's time, under lock_
    bool finished_ = false;          // under lock_
    manual_reset_event wake_;        // set by the worker: a slowed step, or the end
    manual_reset_event resume_;      // set by the calling thread after a slowed step
};

// Runs work on a worker thread and waits for it in a modal loop: after
// 500 ms on the backend's clock a progress window titled title shows the
// counts (unit names the files in its count line) and its Cancel sets the
// request work polls. Returns what work returned, with the worker's error
// text set in the calling thread on failure.
int run_with_progress(const char* title, const char* unit, const std::function<int(progress&)>& work);

// The delay before the window appears, and the shortest time between two
// draws (at most 30 a second).
constexpr std::uint32_t progress_delay_ms = 500;
constexpr std::uint32_t progress_redraw_ms = 34;

}  // namespace platform::shell
