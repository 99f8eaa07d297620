#!/usr/bin/env bash
# Runs a command inside an X server of its own: Xvfb picks a free display
# itself (-displayfd), so runs side by side never share or guess a number.
# The wait for the server is bounded, longer on a loaded machine. Exits with
# the command's status; the server is stopped on every exit.
#
#   with-xvfb.sh [-s "SERVER ARGS"] [-e ERRFILE] COMMAND [ARG...]
set -u
server_args=""  # the server's own default screen
errors=
while [ $# -gt 0 ]; do
  case $1 in
    -s) server_args=$2; shift 2 ;;
    -e) errors=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "with-xvfb.sh: no command" >&2; exit 2; }

. "$(dirname "$0")/load-factor.sh"

dir=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX") || exit 1
[ -n "$errors" ] || errors=$dir/xvfb.err
# shellcheck disable=SC2086 # the server's arguments are words
Xvfb -displayfd 3 $server_args -nolisten tcp 3>"$dir/display" 2>"$errors" &
server=$!
child=
stop()
{
  [ -z "$child" ] || kill -TERM "$child" 2>/dev/null
  kill -TERM "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# the number is written, with a line end, once the server takes connections
end=$((SECONDS + 20 * $(load_factor)))
until grep -q '^[0-9][0-9]*$' "$dir/display" 2>/dev/null; do
  if ! kill -0 "$server" 2>/dev/null; then
    echo "with-xvfb.sh: the X server did not start" >&2
    cat "$errors" >&2
    exit 1
  fi
  if [ "$SECONDS" -ge "$end" ]; then
    echo "with-xvfb.sh: the X server gave no display in time" >&2
    exit 1
  fi
  sleep 0.05
done
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
"$@" &
child=$!
wait "$child"
