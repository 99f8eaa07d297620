// The pump: turns the backend's records into ours, alike for every backend,
// and keeps the key table and the cursor position they imply.
#include "platform/window_state.hpp"
#include "platform/text/codepage.hpp"

namespace platform {

namespace {

// The key both sides of a modifier share (shift 16, control 17, alt 18), or 0.
int shared_key(int key)
{
    switch (key) {
    case 160: case 161: return 16;
    case 162: case 163: return 17;
    case 164: case 165: return 18;
    default: return 0;
    }
}

void set_key(window_state& s, int key, bool down)
{
    s.keys[key] = down ? 0x80 : 0;
    if (int both = shared_key(key)) {
        int left = both == 16 ? 160 : both == 17 ? 162 : 164;
        s.keys[both] = (s.keys[left] | s.keys[left + 1]) & 0x80;
    }
}

int button_key(mouse_button b)
{
    switch (b) {
    case mouse_button::left: return 1;
    case mouse_button::right: return 2;
    case mouse_button::middle: return 4;
    default: return 0;
    }
}

// false when the record is not delivered
bool translate(window_state& s, os_event& raw, event& out)
{
    out = event{};
    out.kind = raw.kind;
    out.x = raw.x;
    out.y = raw.y;
    switch (raw.kind) {
    case event_kind::drop:
        if (!s.drops || raw.names.empty()) return false;
        // names are OS names: decoded so that they code back to the same bytes
        for (const std::string& name : raw.names) out.names.push_back(text::from_utf8(name));
        break;
    case event_kind::text_editing:
        if (!s.ime) return false;
        out.text = text::from_utf8_text(raw.text);
        break;
    case event_kind::text:
        out.text = text::from_utf8_text(raw.text);
        break;
    case event_kind::key_down:
    case event_kind::key_up: {
        int key = virtual_key(raw.key_position);
        if (key == 0) return false;
        set_key(s, key, raw.kind == event_kind::key_down);
        int both = shared_key(key);
        out.key = both ? both : key;  // as a key-down message names modifiers
        out.repeat = raw.repeat;
        break;
    }
    case event_kind::button_down:
    case event_kind::button_up: {
        int key = button_key(raw.button);
        if (key == 0) return false;
        s.keys[key] = raw.kind == event_kind::button_down ? 0x80 : 0;
        // the keys 1, 2 and 4 are the bits of the pressed record too
        if (raw.kind == event_kind::button_down) s.pressed_buttons |= static_cast<unsigned>(key);
        out.button = raw.button;
    }
        [[fallthrough]];
    case event_kind::mouse_move:
        s.cursor_seen = true;
        s.cursor_x = raw.x;
        s.cursor_y = raw.y;
        break;
    case event_kind::wheel:
        if (raw.wheel_x == 0 && raw.wheel_y == 0) return false;
        out.wheel_x = raw.wheel_x;
        out.wheel_y = raw.wheel_y;
        if (s.cursor_seen) {
            out.x = s.cursor_x;
            out.y = s.cursor_y;
        } else {
            current_backend().cursor_position(out.x, out.y);
        }
        break;
    case event_kind::display_changed:
        out.bits = raw.bits;
        break;
    case event_kind::focus_lost:
        for (std::uint8_t& k : s.keys) k = 0;
        s.pressed_buttons = 0;
        break;
    default:
        break;
    }
    out.shift = s.keys[16] & 0x80;
    out.control = s.keys[17] & 0x80;
    out.alt = s.keys[18] & 0x80;
    return true;
}

}  // namespace

int pump_event(event& out)
{
    window_state& s = window_common();
    if (!s.owner) return 0;
    if (check_video_thread() < 0) return -1;
    if (close_signalled) {
        close_signalled = 0;
        out = event{};
        out.kind = event_kind::close;
        return 1;
    }
    os_event raw;
    while (current_backend().poll_event(raw) == 1) {
        if (translate(s, raw, out)) return 1;
        raw = os_event{};
    }
    return 0;
}

const std::uint8_t* keyboard_state()
{
    return window_common().keys;
}

unsigned take_pressed_buttons()
{
    window_state& s = window_common();
    const unsigned pressed = s.pressed_buttons;
    s.pressed_buttons = 0;
    return pressed;
}

}  // namespace platform
