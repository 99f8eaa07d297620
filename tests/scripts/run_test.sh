#!/usr/bin/env bash
# scripts/run without a display, on the test build's program: the first run
# prepares a working folder (its text files byte for byte, its tree), shows
# the root screen under Xvfb and leaves an 800 x 600 screenshot, status 0; a
# second run uses the folder as it stands (a file added to "root" and a link
# written into "system.txt" survive it); a folder without "system.txt" ends
# with "lib/file/open" printed from "log.txt" and a non-zero status; a folder
# that cannot be made is reported, non-zero. The screenshot is copied to
# e2e-shots/run_command-root.png.
#
#   run_test.sh RUN PROGRAM PREPARE
set -u
run=$1
program=$2
prepare=$3
shots=${E2E_SHOTS:-$PWD/e2e-shots}
dir=$(mktemp -d "${TMPDIR:-/tmp}/run-command.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
# a lock folder of its own: another run of the program elsewhere on the
# machine must not make this one the refused second instance
export ZENTIL_LOCK_DIR=$dir/lock
mkdir -p "$ZENTIL_LOCK_DIR"

fail()
{
    echo "run_command: FAILED: $*" >&2
    [ -s "$dir/out" ] && { echo "the command's output:" >&2; sed 's/^/  /' "$dir/out" >&2; }
    exit 1
}

# run_command FOLDER: scripts/run with no display; its status in $status
run_command()
{
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY bash "$run" --program "$program" --prepare "$prepare" "$1" >"$dir/out" 2>&1 ||
        status=$?
}

said() { grep -qxF -- "$1" "$dir/out"; }

# a space in the folder's path: every name must be quoted on the way
home="$dir/work home"

# first run: prepared, shown, photographed, ended by SIGTERM with status 0
run_command "$home"
[ "$status" = 0 ] || fail "the first run ended with status $status"
said "prepared the working folder" || fail "the folder was not prepared"
said "working folder: $home" || fail "the working folder was not printed"
said "screenshot: $home/screenshot.png" || fail "the screenshot's path was not printed"
said "exit status: 0" || fail "the exit status was not printed"
[ "$(od -An -c "$home/system.txt")" = "$(printf '<root></root>' | od -An -c)" ] ||
    fail "system.txt is $(od -An -c "$home/system.txt")"
script=$'// \x91\x49\x82\xf1\x82\xbe\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x8a\xf9\x92\xe8\x82\xcc\x83\x41\x83\x76'
script+=$'\x83\x8a\x82\xc5\x8a\x4a\x82\xad\nprocess main(string path)\n{\n    using::open(path);\n}\n'
cmp -s "$home/extension.hpp" <(printf '%s' "$script") || fail "extension.hpp differs: $(od -An -tx1 "$home/extension.hpp")"
for entry in skin/skin.jpg root/documents root/pictures root/music root/$'\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae\xe5\x86\x99\xe7\x9c\x9f' \
    "root/shopping list.txt"; do
    [ -e "$home/$entry" ] || fail "$entry was not prepared"
done
[ "$(ls -A "$home/root" | wc -l)" -ge 7 ] || fail "root holds fewer than seven entries"
[ "$(ls -A "$home/wallpaper" | wc -l)" = 1 ] || fail "the wallpaper folder does not hold one picture"
size=$(identify -format '%w %h' "$home/screenshot.png" 2>/dev/null) || fail "the screenshot cannot be read"
[ "$size" = "800 600" ] || fail "the screenshot is $size, not 800 600"
mkdir -p "$shots" && cp "$home/screenshot.png" "$shots/run_command-root.png" &&
    echo "run_command: screenshot: $shots/run_command-root.png" >&2

# second run: nothing is prepared again; the user's file and link stay
printf 'mine\n' >"$home/root/added.txt"
linked="$home/root/documents"
printf '<root>\r\n\t<tag>\r\n\t\t<value>sample</value>\r\n\t\t<path>\r\n\t\t\t<value>%s</value>\r\n\t\t</path>\r\n\t</tag>\r\n</root>' \
    "$linked" >"$home/system.txt"
run_command "$home"
[ "$status" = 0 ] || fail "the second run ended with status $status"
said "prepared the working folder" && fail "the existing folder was prepared again"
[ "$(cat "$home/root/added.txt")" = mine ] || fail "a file added to root did not survive"
grep -qF "<value>sample</value>" "$home/system.txt" && grep -qF "<value>$linked</value>" "$home/system.txt" ||
    fail "the link in system.txt is gone: $(cat "$home/system.txt")"

# a folder without system.txt: the program stops, log.txt is printed
bare="$dir/bare"
cp -r "$home" "$bare"
rm "$bare/system.txt" "$bare/screenshot.png"
run_command "$bare"
[ "$status" != 0 ] || fail "a folder without system.txt ended with status 0"
said "log.txt:" && said "lib/file/open" || fail "log.txt was not printed"
[ -e "$bare/system.txt" ] && fail "system.txt was made in a folder used as it stands"

# a folder that cannot be made
printf x >"$dir/plain"
run_command "$dir/plain/home"
[ "$status" != 0 ] || fail "a folder that cannot be made gave status 0"
grep -q "cannot be made" "$dir/out" || fail "the failure to make the folder was not reported"
echo "run_command: passed" >&2
exit 0
