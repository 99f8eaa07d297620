# The program in the X server with-xvfb.sh made (run by scripts/run): starts it in
# the working folder, waits for its window and a first frame, saves the
# window's screenshot.png there, ends it with SIGTERM as a window close would
# and exits with its status; 1 when no window appeared.
#
#   run-window.sh PROGRAM FOLDER WORK
set -u
program=$1
folder=$2
work=$3
touch "$work/started"
wait_window=60  # seconds; a build under the sanitizers starts slowly
wait_exit=30

cd "$folder" || exit 1
ZENTIL_PLATFORM=sdl SDL_VIDEODRIVER=x11 "$program" &
pid=$!

stop()
{
  kill -TERM "$pid" 2>/dev/null
  local i
  for i in $(seq $((wait_exit * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "run: the program did not end within ${wait_exit} s of SIGTERM; killed" >&2
    kill -KILL "$pid" 2>/dev/null
  fi
}

# shot FILE: a picture of the program's window. Start-up may replace its first
# window, so the window is looked up again each time.
shot()
{
  local window
  window=$(xdotool search --onlyvisible --class zentil 2>/dev/null | tail -n 1)
  [ -n "$window" ] || return 1
  # bounded: import asks for a click on a window when the one named is gone
  timeout 10 import -window "$window" "$1" 2>/dev/null </dev/null
}

lit() { [ "$(convert "$1" -format '%[max]' info: 2>/dev/null)" != 0 ]; }
same() { compare -metric AE "$1" "$2" null: 2>/dev/null; }

end=$((SECONDS + wait_window))
framed=0
while [ "$SECONDS" -lt "$end" ] && kill -0 "$pid" 2>/dev/null; do
  if shot "$work/frame.png" && lit "$work/frame.png"; then framed=1; break; fi
  sleep 0.2
done
if [ "$framed" = 1 ]; then
  # a frame caught while it was presented could be partial: take the first of
  # two equal pictures in a row (a blinking caret may keep them apart; then
  # the last one)
  for i in $(seq 10); do
    sleep 0.2
    shot "$work/next.png" || break
    if same "$work/frame.png" "$work/next.png"; then break; fi
    mv "$work/next.png" "$work/frame.png"
  done
  if cp "$work/frame.png" "$folder/screenshot.png"; then
    printf '%s\n' "$folder/screenshot.png" >"$work/screenshot"
  else
    echo "run: cannot save the screenshot in $folder" >&2
  fi
  stop
elif kill -0 "$pid" 2>/dev/null; then
  echo "run: no window with a frame appeared within ${wait_window} s" >&2
  stop
else
  echo "run: the program ended before its window showed a frame" >&2
fi
wait "$pid"
status=$?
[ "$framed" = 1 ] || { [ "$status" != 0 ] || status=1; }
exit "$status"
