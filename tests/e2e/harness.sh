# The end-to-end harness, sourced by a run's bash script: an X server of the
# run's own, the program under test started in it, its window found, focused,
# driven by xdotool and photographed, and everything stopped at the end, on
# success, failure or a signal alike.
#
#   e2e_begin NAME           work folder ($E2E_DIR), shots, cleanup, deadline
#   e2e_start_x              Xvfb on a free display, 1024x768x24; sets DISPLAY
#   e2e_opener               a stand-in xdg-open first on PATH that records
#                            each call in $E2E_OPENED: every argument ended
#                            by a zero byte, then a line end
#   e2e_start PROGRAM ARG... starts the program on the sdl backend ($E2E_PID)
#   e2e_window CLASS         waits for its window ($E2E_WINDOW)
#   e2e_focus                gives the window the keyboard focus
#   e2e_key KEY...           holds each key about 100 ms (xdotool key names)
#   e2e_click X Y [BUTTON]   moves there and holds the button about 100 ms
#   e2e_wheel up|down [N]    wheel clicks at the pointer
#   e2e_type TEXT            types TEXT (UTF-8, Japanese included)
#   e2e_shot STEP [WINDOW]   screenshot e2e-shots/NAME-STEP.png, path printed
#   e2e_same_picture STEP A B  fails unless the pictures A and B are equal,
#                            pixel for pixel (differences in NAME-STEP.png)
#   e2e_wait WHAT COMMAND... polls COMMAND until it succeeds, bounded
#   e2e_wait_exit            waits for the program's end, bounded ($E2E_STATUS)
#   e2e_fail MESSAGE         screenshot, message, exit 1
#
# Settings: E2E_XCLIENT (the path of e2e_xclient, needed by e2e_type),
# E2E_SHOTS (the shots folder, default ./e2e-shots), E2E_WAIT (the
# bound of one wait in seconds, default 20 times the load per processor), E2E_LIMIT (the whole run's bound
# in seconds, default 240: past it the run fails with a screenshot).
# Programs run with ZENTIL_PLATFORM=sdl (a test build selects headless
# otherwise) and leak detection off (the X11 driver's system libraries leave
# blocks behind that are not ours).

# a wait's bound grows with the load per processor
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/load-factor.sh"
E2E_WAIT=${E2E_WAIT:-$((20 * $(load_factor)))}
E2E_LIMIT=${E2E_LIMIT:-240}
E2E_SHOTS=${E2E_SHOTS:-$PWD/e2e-shots}
E2E_NAME=
E2E_DIR=
E2E_XVFB_PID=
E2E_PID=
E2E_WINDOW=
E2E_STATUS=
E2E_WATCHDOG_PID=
E2E_OPENED=

e2e_log() { printf '%s\n' "e2e: $*" >&2; }

e2e_begin()
{
    E2E_NAME=$1
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/e2e-$E2E_NAME.XXXXXX") || exit 1
    mkdir -p "$E2E_SHOTS" || exit 1
    rm -f "$E2E_SHOTS/$E2E_NAME"-*.png
    trap e2e_cleanup EXIT
    trap 'e2e_fail "stopped by a signal"' INT TERM HUP
    trap 'e2e_fail "the run took more than ${E2E_LIMIT} s"' USR1
    # the deadline: a hung step still ends in a failure with a screenshot
    ( sleep "$E2E_LIMIT" && kill -USR1 $$ ) >/dev/null 2>&1 &
    E2E_WATCHDOG_PID=$!
}

# Stops what the run started, by process id, and removes the work folder
# unless E2E_KEEP is set.
e2e_cleanup()
{
    local status=$?
    trap - EXIT INT TERM HUP USR1
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill -TERM "$E2E_PID" 2>/dev/null
        local i
        for i in $(seq 30); do kill -0 "$E2E_PID" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$E2E_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill -TERM "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ -n "$E2E_WATCHDOG_PID" ]; then
        pkill -P "$E2E_WATCHDOG_PID" 2>/dev/null  # its sleep
        kill "$E2E_WATCHDOG_PID" 2>/dev/null
    fi
    if [ -n "$E2E_DIR" ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_DIR"; fi
    [ -n "${E2E_KEEP:-}" ] && e2e_log "work folder kept: $E2E_DIR"
    exit "$status"
}

e2e_fail()
{
    e2e_log "FAILED: $*"
    if [ -n "$E2E_WINDOW" ]; then e2e_shot failure >/dev/null; fi
    if [ -n "$E2E_DIR" ] && [ -s "$E2E_DIR/program.err" ]; then
        e2e_log "the program's standard error:"
        sed 's/^/  /' "$E2E_DIR/program.err" >&2
    fi
    exit 1
}

# e2e_wait WHAT COMMAND...: COMMAND every 100 ms until it succeeds; fails the
# run after E2E_WAIT seconds.
e2e_wait()
{
    local what=$1 end=$((SECONDS + E2E_WAIT))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || e2e_fail "timed out waiting for $what"
        sleep 0.1
    done
}

e2e_x_ready()
{
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start: $(cat "$E2E_DIR/xvfb.err")"
    # the number and its line end come once the server takes connections
    grep -q '^[0-9][0-9]*$' "$1" 2>/dev/null
}

e2e_start_x()
{
    local fifo="$E2E_DIR/display"
    # -displayfd: the server takes the first free display itself and tells
    # its number once it accepts connections, so parallel runs never collide
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>"$E2E_DIR/xvfb.err" &
    E2E_XVFB_PID=$!
    e2e_wait "the X server" e2e_x_ready "$fifo"
    DISPLAY=:$(head -n 1 "$fifo")
    export DISPLAY
    e2e_log "X server on $DISPLAY"
}

e2e_opener()
{
    E2E_OPENED=$E2E_DIR/opened
    mkdir -p "$E2E_DIR/bin"
    : >"$E2E_OPENED"
    printf '%s\n' '#!/usr/bin/env bash' "{ printf '%s\\0' \"\$@\"; printf '\\n'; } >>'$E2E_OPENED'" \
        >"$E2E_DIR/bin/xdg-open"
    chmod +x "$E2E_DIR/bin/xdg-open"
    PATH=$E2E_DIR/bin:$PATH
    export PATH
}

e2e_start()
{
    ZENTIL_PLATFORM=sdl SDL_VIDEODRIVER=x11 \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "$@" >"$E2E_DIR/program.out" 2>"$E2E_DIR/program.err" &
    E2E_PID=$!
}

e2e_running() { kill -0 "$E2E_PID" 2>/dev/null; }

e2e_window()
{
    local class=$1 end=$((SECONDS + E2E_WAIT))
    E2E_WINDOW=
    while [ -z "$E2E_WINDOW" ]; do
        e2e_running || e2e_fail "the program ended before its window appeared"
        [ "$SECONDS" -lt "$end" ] || e2e_fail "no window of class $class appeared"
        E2E_WINDOW=$(xdotool search --onlyvisible --class "^$class\$" 2>/dev/null | head -n 1)
        [ -n "$E2E_WINDOW" ] || sleep 0.1
    done
}

# No window manager runs, so focus is given directly (windowactivate would
# need one).
e2e_focus()
{
    timeout "$E2E_WAIT" xdotool windowfocus --sync "$E2E_WINDOW" || e2e_fail "the window cannot be focused"
}

# Keys go to the focused window, as keys of a keyboard do.
# The program reads key and button state once a frame: a press and release
# within one frame would never be seen, so each is held as a person does.
e2e_key()
{
    local key
    for key in "$@"; do
        xdotool keydown "$key" && sleep 0.1 && xdotool keyup "$key" ||
            e2e_fail "key $key"
    done
}

e2e_click()
{
    local button=${3:-1}
    xdotool mousemove --window "$E2E_WINDOW" "$1" "$2" && xdotool mousedown "$button" && sleep 0.1 &&
        xdotool mouseup "$button" || e2e_fail "click at $1 $2"
}

e2e_wheel()
{
    local button=4 i
    [ "$1" = down ] && button=5
    for i in $(seq "${2:-1}"); do
        xdotool click "$button" || e2e_fail "wheel $1"
        sleep 0.05
    done
}

# Typed text goes to the focused window as a keyboard's would (xdotool's
# --window sends synthetic events, which programs may treat apart). Its
# characters get keys first: xdotool's own binding of a missing character
# lasts only the moment of the press and is lost to a client that reads the
# keymap later. xdotool reads its argument in the locale's code: UTF-8.
e2e_type()
{
    "$E2E_XCLIENT" keymap "$1" || e2e_fail "no keys for the text $1"
    LC_ALL=C.UTF-8 xdotool type --delay 60 -- "$1" || e2e_fail "type $1"
}

e2e_shot()
{
    local file="$E2E_SHOTS/$E2E_NAME-$1.png"
    # bounded: import asks for a click on a window when the one named is gone
    if timeout 10 import -window "${2:-$E2E_WINDOW}" "$file" 2>/dev/null </dev/null; then
        e2e_log "screenshot: $file"
        printf '%s\n' "$file"
    else
        e2e_log "no screenshot for step $1"
        return 1
    fi
}

e2e_same_picture()
{
    local differ
    differ=$(compare -metric AE "$2" "$3" "$E2E_SHOTS/$E2E_NAME-$1.png" 2>&1 >/dev/null)
    [ "$differ" = 0 ] && rm -f "$E2E_SHOTS/$E2E_NAME-$1.png" && return 0
    e2e_fail "the pictures differ ($differ pixels): $2 and $3, see $E2E_SHOTS/$E2E_NAME-$1.png"
}

e2e_wait_exit()
{
    local end=$((SECONDS + E2E_WAIT))
    while e2e_running; do
        [ "$SECONDS" -lt "$end" ] || e2e_fail "the program did not end"
        sleep 0.1
    done
    wait "$E2E_PID"
    E2E_STATUS=$?
    E2E_PID=
}
