// The frame driver's step engine: scripted input (press K, click x y, type s,
// drop paths, frames n ...) applied at frame boundaries, one boundary after
// each present, so that a screen's own frame loop runs under it. Tests reach
// it through their C++ face (tests/support/driver.hpp); scenario files use
// the same steps.
#pragma once

#include "platform/platform.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform::headless {

// What each step does, boundary by boundary (a step's records are pushed
// only once every record of the step before has been taken by the pump):
//   press K     key down; at the next boundary key up
//   hold K      key down          release K   key up
//   move x y    the pointer to (x, y)
//   click x y   pointer there and the button down; at the next boundary up
//   tap x y     pointer there, the button down and up at one boundary (a
//               click shorter than a frame)
//   drag        pointer at (x, y) and the button down; next the pointer to
//               (to_x, to_y); next the button up
//   wheel n     n notches, one record each (positive away from the user)
//   type s      one text record per character; '\n' and '\r' as Enter,
//               '\b' as Backspace and U+007F as Delete key records
//   paste s     s on the clipboard, then Ctrl+V
//   compose s   a composition record (cursor at count, no selection)
//   drop names  one drop of the names (OS names, decoded as from_utf8 does)
//   frames n    n boundaries with nothing pushed
// Keys are device key codes (0 to 255, the toolkit's numbering: 208 Down).
enum class step_kind { press, hold, release, move, click, tap, drag, wheel, type, paste, compose, drop, frames };

struct step {
    step_kind kind = step_kind::frames;
    int key = 0;
    int x = 0, y = 0;
    int to_x = 0, to_y = 0;
    mouse_button button = mouse_button::left;
    int count = 0;  // wheel notches, frames, composition cursor
    std::wstring text;
    std::vector<std::wstring> names;
};

// Queues a step behind those already queued: 0, or -1 (error set) for a key
// code no key position carries or a frame count below 0.
int queue_step(const step& s);
// Queues a step that pushes nothing: effect runs at its boundary (after that
// frame was presented), in turn with the input steps.
void queue_effect(std::function<void()> effect);
// True when every queued step has been applied and the pump has taken every
// record pushed.
bool steps_done();
// Drops the steps not yet applied.
void clear_steps();
// Frame boundaries (presents) since reset.
int boundaries();
// The key position (USB HID usage) of a device key code, 0 for none.
int key_position_of(int code);

// Called by present: moves the virtual clock on by 1 ms when it has not
// moved since the last boundary (so the once-a-millisecond key-table refresh
// sees every frame), then applies the next boundary's records when the pump
// has taken the last ones.
void step_boundary();

}  // namespace platform::headless
