#!/usr/bin/env bash
# The platform's sdl backend in a real X server: a window found by class and
# by its UTF-8 title shows the picture the headless backend makes; a click,
# the wheel, a held key and typed Japanese text reach it; two files dropped
# the way a file manager drops them (one name that is not UTF-8, one with
# spaces and percent signs) arrive byte for byte at the cursor the drop left,
# and the first goes to the opener unchanged; the question box is found and
# answered; the drop program's refusals; the close message ends the program
# with status 0. Screenshots of each step in e2e-shots/.
#
#   platform_window_test.sh PROBE XCLIENT
set -u
probe=$1
xclient=$2
E2E_XCLIENT=$xclient
. "$(dirname "$0")/harness.sh"

hex() { od -An -tx1 | tr -d ' \n'; }

# expect_pixel X Y RRGGBB: the window's pixel, read from the X server
expect_pixel()
{
    local got
    got=$("$xclient" pixel "$E2E_WINDOW" "$1" "$2") || e2e_fail "the pixel at $1 $2 cannot be read"
    [ "$got" = "$3" ] || e2e_fail "the pixel at $1 $2 is $got, not $3"
}

# The text records since the start, their bytes joined, equal the hex given.
typed_is()
{
    [ "$(sed -n 's/^text //p' "$log" | tr -d '\n')" = "$1" ]
}

# expect_refusal WHY ARG...: the drop program fails with WHY on standard error
expect_refusal()
{
    local why=$1 err
    shift
    if err=$("$xclient" drop "$@" 2>&1); then e2e_fail "a drop that should fail succeeded: $*"; fi
    case "$err" in *"$why"*) ;; *) e2e_fail "the drop program said \"$err\", not \"$why\"" ;; esac
}

e2e_begin platform_window
headless_frame=$E2E_DIR/headless.png
ZENTIL_PLATFORM=headless "$probe" "$E2E_DIR/headless.log" "$headless_frame" || e2e_fail "the headless run failed"
e2e_start_x
e2e_opener
log=$E2E_DIR/probe.log
e2e_start "$probe" "$log"
e2e_window e2e_window_probe
e2e_wait "the first frame" grep -qx ready "$log"
e2e_focus

# the title is UTF-8 only, which xdotool's name search does not read
found=$("$xclient" find-name $'e2e probe \xe7\xaa\x93') || e2e_fail "no window found by its title"
[ "$found" = "$E2E_WINDOW" ] || e2e_fail "the title search found $found, not $E2E_WINDOW"
expect_pixel 10 10 2050A0
e2e_same_picture start-difference "$(e2e_shot start)" "$headless_frame"

e2e_click 100 80
e2e_wait "the click" grep -qx "button_up left 100 80" "$log"
grep -qx "button_down left 100 80" "$log" || e2e_fail "no button_down at 100 80"
e2e_wait "the click's square" expect_pixel 100 80 FFFFFF
e2e_wheel up
e2e_wait "the wheel" grep -qx "wheel 1" "$log"

e2e_key Return
e2e_wait "Return" grep -qx "key_down 13" "$log"
typed=$'ab c\xe6\x97\xa5\xe6\x9c\xac'  # "ab c" and two kanji
e2e_type "$typed"
e2e_wait "the typed text" typed_is "$(printf %s "$typed" | hex)"
e2e_shot typed >/dev/null

mkdir "$E2E_DIR/files"
odd="$E2E_DIR/files/"$'caf\xe9 \x82\xa0.txt'  # a Latin-1 byte and a CP932 pair: not UTF-8
spaced="$E2E_DIR/files/a b%20c 100%.png"      # "%20" must stay three characters
printf 1 >"$odd"
printf 2 >"$spaced"
"$xclient" drop "$E2E_WINDOW" 250 60 "$odd" "$spaced" 2>>"$E2E_DIR/program.err" || e2e_fail "the drop failed"
e2e_wait "the drop" grep -q '^drop ' "$log"
expected="drop 2 250 60
name $(printf %s "$odd" | hex)
name $(printf %s "$spaced" | hex)"
got=$(grep -A 2 '^drop ' "$log")
[ "$got" = "$expected" ] || e2e_fail "the drop reached the window as
$got
and not as
$expected"
e2e_wait "the drop's colour" expect_pixel 10 10 20A040
e2e_shot dropped >/dev/null

e2e_key o
e2e_wait "the opener" grep -qx "open 0" "$log"
e2e_wait "the opener's record" test -s "$E2E_OPENED"
[ "$(hex <"$E2E_OPENED")" = "$(printf '%s' "$odd" | hex)000a" ] || e2e_fail "the opener was given $(od -c "$E2E_OPENED")"

# the question box: a window of its own, transient for the probe's, found
# by that and by its title, answered No with Escape and Yes with Return
answer()
{
    local key=$1 expected=$2 how=$3 box
    e2e_key Delete
    if [ "$how" = transient ]; then
        e2e_wait "the question box" eval 'box=$("$xclient" find-transient "$E2E_WINDOW")'
    else
        e2e_wait "the question box" eval 'box=$("$xclient" find-name Delete)'
    fi
    [ "$(printf '%s\n' "$box" | wc -l)" = 1 ] || e2e_fail "more than one question box: $box"
    timeout "$E2E_WAIT" xdotool windowfocus --sync "$box" || e2e_fail "the question box cannot be focused"
    if [ "$how" = transient ]; then e2e_shot question "$box" >/dev/null || e2e_fail "no screenshot of the box"; fi
    e2e_key "$key"
    e2e_wait "the answer" grep -qx "answer $expected" "$log"
    e2e_focus
}
answer Escape 0 transient
answer Return 1 title
[ "$(grep -c '^answer ' "$log")" = 2 ] || e2e_fail "the question was answered more than twice"

# refusals: clear, non-zero, and nothing reaches the window
expect_refusal "takes no drops" root 10 10 "$odd"
expect_refusal "no such file" "$E2E_WINDOW" 10 10 "$E2E_DIR/files/missing"
expect_refusal "cannot be read" 0x7ffffff0 10 10 "$odd"
"$xclient" drop "$E2E_WINDOW" 10 10 >/dev/null 2>&1 && e2e_fail "a drop of no files succeeded"
[ "$(grep -c '^drop ' "$log")" = 1 ] || e2e_fail "a refused drop reached the window"

"$xclient" close "$E2E_WINDOW" || e2e_fail "the close message was not sent"
e2e_wait_exit
[ "$E2E_STATUS" = 0 ] || e2e_fail "the probe ended with status $E2E_STATUS"
[ "$(tail -n 1 "$log")" = close ] || e2e_fail "the probe's last record is not the close"
e2e_log "passed; screenshots in $E2E_SHOTS"
