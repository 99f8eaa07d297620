// Whole-program runs on the headless backend: a scenario file, named by the
// environment variable ZENTIL_SCENARIO and read at the first video start,
// drives the run through the step engine (steps.hpp), one step a line.
//
// Lines (blank lines and lines starting with '#' are skipped; words are
// separated by spaces; numbers are decimal):
//   press K | hold K | release K       device key codes (208 Down)
//   move X Y | click X Y | right-click X Y | drag X Y TO_X TO_Y
//   tap X Y             a click shorter than a frame: the button down and
//                       up at one boundary
//   wheel N | frames N
//   type TEXT | paste TEXT | compose TEXT
//                       TEXT is the rest of the line after one space, with
//                       the escapes \n (Enter), \b (Backspace), \d (Delete),
//                       \t and \\ (a backslash)
//   drop NAME[<TAB>NAME...]   one drop of the names, as the OS gives them
//   dump PATH           the frame presented at this step's boundary, as PNG
//   strings PATH        the strings drawn in that frame, one a line:
//                       "x y text" (UTF-8)
//   answer yes|no|fail  the answer of the next question box (No when none)
//   close               the window's close at this boundary
//   limit N             the frame cap (default_frame_cap): the window is
//                       closed at the N-th frame boundary, so a run never hangs;
//                       a frame held (a script that runs on) counts one frame
//                       more for every held_frame_polls polls of the pump, and
//                       the close comes through the pump at the cap
//   report PATH         at exit: "frames F" (frames presented), "after
//                       close A" (presented after the scenario's close) and
//                       "title T" (the title the window was created with),
//                       one a line, then "message TITLE: TEXT" for each
//                       message box shown (a run of line breaks as " / ")
//   fail-save N         (test builds only) the next file replacement writes N
//                       bytes and fails as a full disk would
//   fail-delete N       (test builds only) the N-th entry the next delete
//                       removes fails for want of the right
// When every step has been applied and its records taken, the window is
// closed at the next boundary.
#pragma once

#include <string>

namespace platform::headless {

constexpr int default_frame_cap = 1000;
// Polls of the pump between two boundaries that count as one frame toward
// the cap; a frame that draws polls a few times.
constexpr int held_frame_polls = 100;

// Parses the scenario text (UTF-8) and queues its steps: 0, or -1 with the
// error set ("line N: ...") and nothing queued.
int load_scenario(const std::string& text);
// Reads the file ZENTIL_SCENARIO names, when it names one, and loads it. A
// file that cannot be read or parsed is reported on standard error and ends
// the process with status 2: a run that ignored its steps would pass for one
// that followed them.
void load_scenario_from_environment();
// Whether a scenario was loaded since the last reset.
bool scenario_running();

// The strings drawn since the last call, as "x y text" lines, the record
// cleared; the layer that draws strings sets it (test builds).
using frame_strings_source = std::string (*)();
void set_frame_strings_source(frame_strings_source take);

// Called by the step engine at every frame boundary: first, before the
// boundary's step is applied, then after it.
void scenario_frame_presented();
void scenario_boundary_done();
// Called by the pump at every poll: counts the polls of a held frame and
// closes the window when they bring the count to the cap.
void scenario_polled();

}  // namespace platform::headless
