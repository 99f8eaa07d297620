// The headless progress window: a record of what it shows, and a Cancel the
// test presses at a given fraction.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"
#include "platform/text/codepage.hpp"

namespace platform::headless {

const progress_record& progress() { return state().progress; }
void cancel_progress_at(double fraction) { state().cancel_progress_at = fraction; }
void fail_next_progress_window() { state().fail_progress_window = true; }

int open_progress(const char* title)
{
    headless_state& s = state();
    if (s.fail_progress_window) {
        s.fail_progress_window = false;
        return set_error("the progress window cannot be shown");
    }
    progress_record& r = s.progress;
    r.shown = true;
    ++r.opened;
    r.title = text::from_utf8(title);
    return 0;
}

void close_progress() { state().progress.shown = false; }

int draw_progress(const progress_view& view)
{
    progress_record& r = state().progress;
    ++r.draws;
    r.name = text::from_utf8(view.name);
    r.count = text::from_utf8(view.count);
    r.done = view.done;
    r.total = view.total;
    r.files_done = view.files_done;
    r.files_total = view.files_total;
    return 0;
}

bool progress_cancelled(const progress_view& view)
{
    headless_state& s = state();
    if (s.cancel_progress_at < 0) return false;
    if (static_cast<double>(view.done) < s.cancel_progress_at * static_cast<double>(view.total)) return false;
    s.cancel_progress_at = -1;
    return true;
}

}  // namespace platform::headless
