// Events of the headless backend: records pushed by tests, each optionally
// due at a time of the virtual clock; the drop switch.
#include "platform/headless/headless.hpp"
#include "platform/headless/scenario.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int poll_event(os_event& out)
{
    headless_state& s = state();
    scenario_polled();
    if (s.events.empty()) return 0;
    const headless_state::queued_event& head = s.events.front();
    // the clock wraps: due is reached when it lies at most 2^31 ms behind
    if (head.timed && static_cast<std::int32_t>(s.clock - head.due) < 0) return 0;
    out = head.record;
    s.events.pop_front();
    // the window's state follows what the window manager reported
    if (out.kind == event_kind::minimised)
        s.window.minimised = true;
    else if (out.kind == event_kind::restored || out.kind == event_kind::maximised)
        s.window.minimised = false;
    return 1;
}

int accept_drops(bool on)
{
    state().drops_accepted = on;
    return 0;
}

void push_event(const os_event& record)
{
    state().events.push_back({record, false, 0});
}

void push_event_at(std::uint32_t due, const os_event& record)
{
    state().events.push_back({record, true, due});
}

std::size_t queued_events()
{
    return state().events.size();
}

bool drops_switched_on()
{
    return state().drops_accepted;
}

}  // namespace platform::headless
