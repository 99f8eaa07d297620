// The main window's timers: the pump makes their WM_TIMER messages when it
// finds no other.
#include "media/core/window.hpp"

#include <mutex>
#include <vector>

#include "media/core/internal.hpp"
#include "platform/platform.hpp"

using media::core::window_state;

WPARAM SetTimer(HWINDOW window, WPARAM id, std::uint32_t ms, TIMERPROC proc)
{
    if (window == nullptr || window != window_state.main_window || id == 0)
        return 0;
    std::lock_guard<std::mutex> hold(media::core::message_lock);
    for (media::core::WINDOWTIMER& t : media::core::window_timers) {
        if (t.id == id) {
            t = {id, ms, platform::milliseconds(), proc};
            return id;
        }
    }
    media::core::window_timers.push_back({id, ms, platform::milliseconds(), proc});
    return id;
}

int KillTimer(HWINDOW window, WPARAM id)
{
    if (window == nullptr || window != window_state.main_window)
        return -1;
    std::lock_guard<std::mutex> hold(media::core::message_lock);
    std::vector<media::core::WINDOWTIMER>& timers = media::core::window_timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->id == id) {
            timers.erase(it);
            return 0;
        }
    }
    return -1;
}
