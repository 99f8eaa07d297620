#!/usr/bin/env bash
# The milestone demo in a real X server on the sdl backend: its window is
# found by class and focused, photographed (e2e-shots/milestone_window-
# frame.png), a box pixel, a picture pixel and a lit text pixel equal the
# headless frame's, as does the whole picture, and Escape ends it with status 0.
#
#   window_test.sh DEMO XCLIENT HEADLESS_FRAME POINTS
set -u
demo=$1
xclient=$2
headless=$3
points=$4
E2E_XCLIENT=$xclient
. "$(dirname "$0")/../e2e/harness.sh"

e2e_begin milestone_window
[ -s "$headless" ] && [ -s "$points" ] || e2e_fail "the headless frame or its points are missing (run milestone_scene first)"
e2e_start_x
e2e_start "$demo"
# start-up may replace its first window while the graphics start: the
# window that takes the focus is the one that stays
focused=0
for attempt in $(seq 20); do
    e2e_window milestone_demo
    if timeout "$E2E_WAIT" xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null; then focused=1; break; fi
    sleep 0.2
done
[ "$focused" = 1 ] || e2e_fail "the window cannot be focused"

# headless_pixel X Y: the headless frame's pixel as RRGGBB
headless_pixel() { convert "$headless" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }

# the first frames may still be on their way: wait for the box pixel
first=1
while read -r x y; do
    want=$(headless_pixel "$x" "$y") || e2e_fail "the headless frame cannot be read"
    same() { [ "$("$xclient" pixel "$E2E_WINDOW" "$x" "$y")" = "$want" ]; }
    if [ "$first" = 1 ]; then e2e_wait "the scene" same; first=0; fi
    got=$("$xclient" pixel "$E2E_WINDOW" "$x" "$y") || e2e_fail "the pixel at $x $y cannot be read"
    [ "$got" = "$want" ] || e2e_fail "the window's pixel at $x $y is $got, the headless frame's $want"
    e2e_log "pixel $x $y: $got"
done <"$points"
shot=$(e2e_shot frame) || e2e_fail "no screenshot of the window"
e2e_log "screenshot of the scene: $shot"
e2e_same_picture frame-difference "$shot" "$headless"

e2e_key Escape
e2e_wait_exit
[ "$E2E_STATUS" = 0 ] || e2e_fail "the demo ended with status $E2E_STATUS, not 0"
exit 0
