#!/usr/bin/env bash
# The demo with one picture missing: it names the file on standard error,
# ends the media layer and exits with status 1.
#
#   missing_picture_test.sh DEMO PICTURES
set -u
demo=$1
pictures=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/milestone-missing.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
cp "$pictures/sprite.png" "$pictures/sprite_a.png" "$pictures/photo.jpg" "$dir/"
timeout 60 "$demo" "$dir" 2>"$dir/err"
status=$?
cat "$dir/err" >&2
[ "$status" = 1 ] || { echo "the demo ended with status $status, not 1" >&2; exit 1; }
grep -q "tiles.png" "$dir/err" || { echo "the missing file is not named" >&2; exit 1; }
exit 0
