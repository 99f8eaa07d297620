#!/usr/bin/env bash
# The program's journeys on a real X server: the test build's `zentil` on the
# sdl backend in a working folder made by `zentil_prepare`, driven by xdotool
# and the X client, checked by what a user sees and keeps: the screen, the
# files on disk, the bytes of "system.txt" and the opener's record. One
# journey a run, each in its own working folder, lock folder and X server;
# screenshots of every step in e2e-shots/<journey>-<step>.png.
#
#   journeys.sh JOURNEY PROGRAM PREPARE XCLIENT
#
# Places are those of the 800 x 600 window: rows of 93 pixels from (10, 10),
# five shown; the search form at (90, 524) with "Search" at (235, 524); the
# folder form at (90, 554) with "Make Folder" at (235, 554).
set -u
journey=$1
program=$2
prepare=$3
xclient=$4
E2E_XCLIENT=$xclient
E2E_WAIT=${E2E_WAIT:-60}  # generous: the machine may be loaded
E2E_LIMIT=${E2E_LIMIT:-280}
. "$(dirname "$0")/harness.sh"

# The prepared root folder in the screen's order (by name, ASCII letters
# folded to upper case): row 0 is the first.
root_rows=(budget.csv documents music pictures projects "shopping list.txt" todo.txt $'\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae\xe5\x86\x99\xe7\x9c\x9f')
tagu=$'\xe3\x82\xbf\xe3\x82\xb0'  # "タグ" in UTF-8

e2e_begin "journey_$journey"
work=$E2E_DIR/work
"$prepare" "$work" || e2e_fail "the working folder cannot be prepared"
export ZENTIL_LOCK_DIR=$E2E_DIR/lock
mkdir -p "$ZENTIL_LOCK_DIR"
cd "$work" || e2e_fail "no working folder"

# Keys and buttons are held longer than a frame even when frames are slow.
hold=0.3
key()
{
    local k
    for k in "$@"; do
        xdotool keydown "$k" && sleep "$hold" && xdotool keyup "$k" || e2e_fail "key $k"
        sleep 0.2
    done
}
# chord MOD KEY: KEY held while MOD is down (shift, ctrl)
chord()
{
    xdotool keydown "$1" && sleep 0.1 && xdotool keydown "$2" && sleep 0.1 && xdotool keyup "$2" &&
        sleep 0.1 && xdotool keyup "$1" || e2e_fail "chord $1+$2"
    sleep 0.2
}
click()
{
    xdotool mousemove --window "$E2E_WINDOW" "$1" "$2" && sleep 0.1 && xdotool mousedown 1 && sleep "$hold" &&
        xdotool mouseup 1 || e2e_fail "click at $1 $2"
    sleep 0.2
}
# the middle of a row's lower band, away from the buttons of a selected row
row_at() { printf '%s %s' 300 $((10 + 93 * $1 + 80)); }
click_row() { click $(row_at "$1"); }
# the top of a selected folder row's "Add" and tag form, row N on screen
add_button() { click 92 $((10 + 93 * $1 + 20)); }
tag_form() { click 182 $((10 + 93 * $1 + 20)); }

# A digest of the window's picture; empty when it cannot be taken.
picture() { timeout 10 import -window "$E2E_WINDOW" rgb:- 2>/dev/null </dev/null | md5sum | cut -c1-32; }
# Waits until the picture differs from $1, then until it holds still.
changed_from() { local now; now=$(picture); [ -n "$now" ] && [ "$now" != "$1" ]; }
settled()
{
    local a b
    a=$(picture); sleep 0.4; b=$(picture)
    [ -n "$a" ] && [ "$a" = "$b" ]
}
wait_change()
{
    e2e_wait "$2" changed_from "$1"
    e2e_wait "a still picture after $2" settled
}
step_shot() { e2e_shot "$1" >/dev/null || e2e_fail "no screenshot for $1"; }

# The opener's calls, one a line, arguments joined by spaces.
opened_lines() { tr '\0' ' ' <"$E2E_OPENED" | sed 's/ $//'; }
opened_last_is() { [ "$(opened_lines | tail -n 1)" = "$1" ]; }
opened_count() { opened_lines | grep -c . ; }
# expect_opened N TEXT: waits for the opener's N-th call and checks it is TEXT
expect_opened()
{
    e2e_wait "the opener's call $1" eval '[ "$(opened_count)" -ge '"$1"' ]'
    local got
    got=$(opened_lines | sed -n "$1p")
    [ "$got" = "$2" ] || e2e_fail "the opener's call $1 was \"$got\", not \"$2\""
}

# Starts the program in the working folder and waits for the root screen.
start_program()
{
    e2e_start_x
    e2e_opener
    # the pointer away from the window: nothing hovers
    xdotool mousemove 1020 760
    e2e_start "$program"
    # start-up may replace its first window: the one that takes the focus stays
    focus_window() { e2e_window zentil && timeout 10 xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null; }
    e2e_wait "the window to take the focus" focus_window
    e2e_wait "the first frame" eval '[ "$("$xclient" pixel "$E2E_WINDOW" 750 300 2>/dev/null)" != 000000 ]'
    e2e_wait "a still first frame" settled
}

# Sends the window manager's close and expects status 0.
close_program()
{
    "$xclient" close "$E2E_WINDOW" || e2e_fail "the close message was not sent"
    e2e_wait_exit
    [ "$E2E_STATUS" = 0 ] || e2e_fail "the program ended with status $E2E_STATUS, not 0"
}

# The tag elements of a "system.txt", one a line, CR LF and tabs shown as \r
# \n \t, sorted: the store's map decides their order in the file.
tag_elements()
{
    od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //' |
        awk '{ out = ""; for (i = 1; i <= NF; ++i) out = out $i; print out }' |
        sed 's/0d0a093c7461673e/\n3c7461673e/g' | sed -n '2,$p' | sed 's/0d0a3c2f726f6f743e$//' | sort
}
# the hex of one tag element linking the folders given to TAG
tag_element()
{
    local tag=$1 out
    shift
    out=$'<tag>\r\n\t\t<value>'"$tag"$'</value>\r\n\t\t<path>'
    local f
    for f in "$@"; do out+=$'\r\n\t\t\t<value>'"$f"'</value>'; done
    out+=$'\r\n\t\t</path>\r\n\t</tag>'
    printf '%s' "$out" | iconv -f UTF-8 -t CP932 | od -An -v -tx1 | tr -d ' \n'
}
# expect_tags ELEMENT_HEX...: "system.txt" holds exactly these tag elements
expect_tags()
{
    local want got
    want=$(printf '%s\n' "$@" | sort)
    got=$(tag_elements system.txt)
    [ "$(head -c 8 system.txt | od -An -c | tr -d ' ')" = '<root>\r\n' ] ||
        e2e_fail "system.txt does not start with <root> CR LF: $(od -An -c system.txt | head -n 2)"
    [ "$got" = "$want" ] || e2e_fail "system.txt holds other tag elements:
$(od -An -c system.txt)"
}

# Selects "pictures", types "photos" into its tag form and clicks "Add", then
# waits for the tag list to change.
add_photos_to_pictures()
{
    local before
    click_row 3
    e2e_wait "the selection of pictures" settled
    tag_form 3
    e2e_type photos
    key Return
    before=$(picture)
    add_button 3
    wait_change "$before" "the tag list"
}

journey_same_picture()
{
    # a headless run on the same folder (one wallpaper picture, so the same
    # choice); its first frame is drawn before the first update builds the
    # tag list, so the window at rest shows the frames after it
    printf 'dump %s\nframes 3\ndump %s\n' "$E2E_DIR/first.png" "$E2E_DIR/headless.png" >"$E2E_DIR/scenario.txt"
    ZENTIL_PLATFORM=headless ZENTIL_SCENARIO=$E2E_DIR/scenario.txt ZENTIL_LOCK_DIR=$E2E_DIR/lock-headless \
        ASAN_OPTIONS=detect_leaks=0 PATH=/nonexistent:$PATH "$program" 2>"$E2E_DIR/headless.err" ||
        e2e_fail "the headless run failed: $(cat "$E2E_DIR/headless.err" log.txt 2>/dev/null)"
    [ -s "$E2E_DIR/headless.png" ] || e2e_fail "the headless run dumped no frame"
    cp "$E2E_DIR/headless.png" "$E2E_SHOTS/journey_same_picture-headless.png"
    start_program
    local shot
    shot=$(e2e_shot root) || e2e_fail "no screenshot of the root screen"
    e2e_same_picture root-difference "$shot" "$E2E_DIR/headless.png"
    close_program
}

journey_browse()
{
    start_program
    step_shot root
    # Down to "shopping list.txt", below the five rows shown: the list scrolls
    local before
    before=$(picture)
    key Down Down Down Down Down
    wait_change "$before" "the selection"
    step_shot down
    key Return
    expect_opened 1 "$work/root/shopping list.txt"

    # the wheel takes the view back to the top; a click there selects the
    # first row, which without the wheel would be the second one
    xdotool mousemove --window "$E2E_WINDOW" 200 200
    before=$(picture)
    e2e_wheel up 5
    wait_change "$before" "the wheel"
    click_row 0
    e2e_wait "a still picture after the click" settled
    step_shot clicked
    key Return
    expect_opened 2 "$work/root/${root_rows[0]}"

    # "documents" opens as a nested screen; its second entry goes to the opener
    key Down
    e2e_wait "the selection of documents" settled
    before=$(picture)
    key Return
    wait_change "$before" "the documents screen"
    step_shot documents
    key Down
    e2e_wait "the selection in documents" settled
    key Return
    expect_opened 3 "$work/root/documents/readme.txt"

    before=$(picture)
    key BackSpace
    wait_change "$before" "the root screen again"
    step_shot back
    key e
    expect_opened 4 "$work/root/"
    [ "$(opened_count)" = 4 ] || e2e_fail "the opener was called more than four times: $(opened_lines)"
    close_program
}

journey_close()
{
    start_program
    # "Add" of "photos" on "pictures", then the close message: the link is saved
    add_photos_to_pictures
    step_shot added
    close_program
    expect_tags "$(tag_element photos "$work/root/pictures")"
    [ -z "$(ls -A "$work" | grep -v -x -e system.txt -e extension.hpp -e root -e skin -e wallpaper)" ] ||
        e2e_fail "files were left beside system.txt: $(ls -A "$work")"
}

journey_sigterm()
{
    printf '%s' "<root></root>" >system.txt
    start_program
    add_photos_to_pictures
    kill -TERM "$E2E_PID"
    e2e_wait_exit
    [ "$E2E_STATUS" = 0 ] || e2e_fail "SIGTERM ended the program with status $E2E_STATUS, not 0"
    expect_tags "$(tag_element photos "$work/root/pictures")"
}

journey_tags()
{
    local before
    start_program
    add_photos_to_pictures
    step_shot photos

    # the form's text selected and replaced by typing
    tag_form 3
    chord shift Home
    e2e_type "$tagu"
    key Return
    before=$(picture)
    add_button 3
    wait_change "$before" "the second tag"
    step_shot tagu

    # copied from the tag form, pasted into the search form
    tag_form 3
    chord shift Home
    chord ctrl c
    key Return
    click 90 524
    chord ctrl v
    key Return
    before=$(picture)
    click 235 524
    wait_change "$before" "the search screen"
    step_shot search
    # its one row is "pictures": Enter opens it, E gives it to the opener
    before=$(picture)
    key Return
    wait_change "$before" "the pictures screen"
    key e
    expect_opened 1 "$work/root/pictures/"
    before=$(picture)
    key BackSpace
    wait_change "$before" "the search screen again"
    before=$(picture)
    key BackSpace
    wait_change "$before" "the root screen again"

    click 90 524
    chord shift Home
    e2e_type "photos -$tagu"
    key Return
    before=$(picture)
    click 235 524
    wait_change "$before" "the empty search"
    step_shot empty-search
    key BackSpace
    e2e_wait "the root screen" settled
    close_program
    expect_tags "$(tag_element photos "$work/root/pictures")" "$(tag_element "$tagu" "$work/root/pictures")"
}

journey_drop()
{
    local src=$E2E_DIR/source
    mkdir -p "$src/folder/inner"
    local jp=$'\xe6\x97\xa5\xe6\x9c\xac.txt'  # "日本.txt"
    printf 'nihon\n' >"$src/$jp"
    head -c 300 /dev/urandom >"$src/a b.png"
    printf 'inside\n' >"$src/folder/inner/deep.txt"
    start_program
    local before
    before=$(picture)
    "$xclient" drop "$E2E_WINDOW" 600 300 "$src/$jp" "$src/a b.png" "$src/folder" || e2e_fail "the drop failed"
    e2e_wait "the copies" eval 'cmp -s "$src/$jp" "root/$jp" && cmp -s "$src/a b.png" "root/a b.png" &&
        cmp -s "$src/folder/inner/deep.txt" root/folder/inner/deep.txt'
    wait_change "$before" "the copy log"
    step_shot copy-log
    before=$(picture)
    click 207 437
    wait_change "$before" "the directory screen after OK"
    step_shot rows
    # the rows are rebuilt: "a b.png" is the first row now; Enter opens it
    key Return
    expect_opened 1 "$work/root/a b.png"

    # a file dropped into the folder that holds it is copied under a new name
    before=$(picture)
    "$xclient" drop "$E2E_WINDOW" 600 300 "$work/root/todo.txt" || e2e_fail "the second drop failed"
    e2e_wait "the renamed copy" cmp -s root/todo.txt "root/todo (2).txt"
    wait_change "$before" "the second copy log"
    step_shot second-log
    before=$(picture)
    click 207 437
    wait_change "$before" "the directory screen after the second OK"
    close_program
}

journey_delete()
{
    start_program
    # the first row, "budget.csv", is selected
    local box before
    find_box() { box=$("$xclient" find-transient "$E2E_WINDOW" 2>/dev/null) && [ -n "$box" ]; }
    key Delete
    e2e_wait "the question box" find_box
    timeout "$E2E_WAIT" xdotool windowfocus --sync "$box" || e2e_fail "the question box cannot be focused"
    e2e_shot question "$box" >/dev/null
    key Escape
    e2e_wait "the box to go" eval '! find_box'
    e2e_focus
    [ -f root/budget.csv ] || e2e_fail "No in the question box deleted the file"
    step_shot kept

    key Delete
    e2e_wait "the question box" find_box
    timeout "$E2E_WAIT" xdotool windowfocus --sync "$box" || e2e_fail "the question box cannot be focused"
    before=$(picture)
    key Return
    e2e_wait "the file to go" eval '[ ! -e root/budget.csv ]'
    e2e_focus
    wait_change "$before" "the rows without the file"
    step_shot deleted
    # the Return that answered the box is not taken by the root screen too:
    # E still gives the root folder
    key e
    expect_opened 1 "$work/root/"
    close_program
}

journey_make_folder()
{
    start_program
    click 90 554
    e2e_type newdir
    key Return
    local before
    before=$(picture)
    click 235 554
    e2e_wait "the new folder" test -d root/newdir
    wait_change "$before" "the rows with the new folder"
    step_shot made
    close_program
}

journey_crash()
{
    printf '%s\n' 'process main(string path) { using::open(path, path, path); }' >extension.hpp
    start_program
    add_photos_to_pictures
    # up to "budget.csv", a file, whose script fails
    key Up Up Up
    e2e_wait "the selection of budget.csv" settled
    step_shot before-enter
    key Return
    e2e_wait_exit
    [ "$E2E_STATUS" = 255 ] || e2e_fail "the failing script ended the program with status $E2E_STATUS, not 255"
    grep -q "invalid arguments" log.txt || e2e_fail "log.txt holds: $(cat log.txt 2>/dev/null)"
    expect_opened 1 "$work/log.txt"
    expect_tags "$(tag_element photos "$work/root/pictures")"
}

journey_start_failure()
{
    rm system.txt
    e2e_start_x
    e2e_opener
    e2e_start "$program"
    e2e_wait_exit
    [ "$E2E_STATUS" = 255 ] || e2e_fail "the program ended with status $E2E_STATUS, not 255"
    [ "$(cat log.txt 2>/dev/null)" = lib/file/open ] || e2e_fail "log.txt holds: $(cat log.txt 2>/dev/null)"
    [ ! -e system.txt ] || e2e_fail "a system.txt was created"
    expect_opened 1 "$work/log.txt"
}

declare -F "journey_$journey" >/dev/null || e2e_fail "no journey named $journey"
"journey_$journey"
e2e_log "journey $journey passed; screenshots in $E2E_SHOTS"
