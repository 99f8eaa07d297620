#!/usr/bin/env bash
# The milestone demo started full screen at 1024 x 768 in a real X server on
# the sdl backend: its window covers the screen from (0, 0), carries no frame
# decorations and stays above the others (xwininfo, xprop); a screenshot of
# the root window (e2e-shots/milestone_full_screen-root.png) shows a box of
# the scene at its place on the screen; Escape ends the demo with status 0.
#
#   full_screen_test.sh DEMO
set -u
demo=$1
. "$(dirname "$0")/../e2e/harness.sh"

e2e_begin milestone_full_screen
e2e_start_x
e2e_start "$demo" --full-screen 1024x768
focused=0
for attempt in $(seq 20); do
    e2e_window milestone_demo
    if timeout "$E2E_WAIT" xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null; then focused=1; break; fi
    sleep 0.2
done
[ "$focused" = 1 ] || e2e_fail "the window cannot be focused"

# geometry: the whole screen from its top-left corner
covers_screen()
{
    local info
    info=$(xwininfo -id "$E2E_WINDOW" 2>/dev/null) || return 1
    grep -q 'Absolute upper-left X: *0$' <<<"$info" && grep -q 'Absolute upper-left Y: *0$' <<<"$info" &&
        grep -q 'Width: *1024$' <<<"$info" && grep -q 'Height: *768$' <<<"$info"
}
e2e_wait "the window to cover the screen" covers_screen
e2e_log "$(xwininfo -id "$E2E_WINDOW" | grep -E 'Absolute|Width|Height' | tr -s ' ' | paste -sd ';')"

props=$(xprop -id "$E2E_WINDOW") || e2e_fail "xprop cannot read the window"
# no frame asked of a window manager: no decorations hint, or one that
# switches decorations off (flags with bit 1 set, decorations 0)
if hints=$(grep '^_MOTIF_WM_HINTS' <<<"$props"); then
    e2e_log "$hints"
    [[ "$hints" =~ =\ 0x[0-9a-f]*[2367abef],\ 0x[0-9a-f]+,\ 0x0, ]] || e2e_fail "the window asks for a frame: $hints"
else
    e2e_log "no frame hints"
fi
state=$(grep '^_NET_WM_STATE' <<<"$props") || e2e_fail "no window state set: $props"
e2e_log "$state"
grep -q '_NET_WM_STATE_ABOVE' <<<"$state" || e2e_fail "the window is not above the others: $state"

# the solid red box of the scene (20, 120)-(220, 220), seen on the screen
root_pixel()
{
    local shot=$E2E_DIR/root.png
    timeout 10 import -window root "$shot" 2>/dev/null </dev/null || return 1
    convert "$shot" -format "%[hex:p{$1,$2}]" info: | cut -c1-6 | tr 'A-F' 'a-f'
}
red_at() { [ "$(root_pixel 50 150)" = c82828 ]; }
e2e_wait "the scene on the screen" red_at
timeout 10 import -window root "$E2E_SHOTS/milestone_full_screen-root.png" </dev/null ||
    e2e_fail "no screenshot of the root window"
e2e_log "screenshot: $E2E_SHOTS/milestone_full_screen-root.png"
for at in "50 150" "30 300" "1000 700"; do
    e2e_log "root pixel $at: $(root_pixel $at)"
done

e2e_key Escape
e2e_wait_exit
[ "$E2E_STATUS" = 0 ] || e2e_fail "the demo ended with status $E2E_STATUS, not 0"
exit 0
