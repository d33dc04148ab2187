#!/usr/bin/env bash
# Starts the real program in a real X window under Xvfb and drives it with
# xdotool as a user would: type an entry (a Greek word pasted through the
# clipboard) and save it, find it, release the search, open and close the About
# window, save from the keyboard, take a keyword the keyword box offers and
# find it with the list still open, and end the program from inside a waiting
# search. The Windows build runs the same way under Wine.
# Usage: e2e.sh path/to/verimond | e2e.sh wine path/to/Verimond.exe
set -euo pipefail
if [ "$1" = wine ]; then
    program=(wine "$(realpath "$2")")
    # Wine's desktop and clipboard belong to the display its server first
    # served; this test's own display needs a server of its own.
    wineserver -k 2>/dev/null || true
else
    program=("$(realpath "$1")")
fi
work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    if [ "${program[0]}" = wine ]; then wineserver -k 2>/dev/null || true; fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display of our own, whichever number is free.
. "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb "$work" 1024x768 "$work/xvfb.log"
xvfb_pid=$XVFB_PID

cd "$work"
"${program[@]}" </dev/null >"$work/app.log" 2>&1 &
app_pid=$!
win="$(timeout 60 xdotool search --sync --onlyvisible --name '^Verimond$' | head -n1)" ||
    fail "the main window did not appear"
sleep 0.5

# Where the client area starts in the X window: at its corner where the window
# has no frame of its own, else inside a frame as wide at the sides and bottom.
eval "$(xdotool getwindowgeometry --shell "$win")"
dx=$(((WIDTH - 622) / 2))
dy=$((HEIGHT - 386 - dx))

# Client coordinates of the controls, in pixels (twips / 15), at their centres.
click() { xdotool mousemove --window "$win" $(($1 + dx)) $(($2 + dy)) click 1; sleep 0.3; }
text1() { click 70 33; }
text2() { click 300 150; }
text3() { click 540 33; }
save() { click 44 360; }
find_() { click 140 360; }
find_next() { click 220 360; }
about() { click 492 360; }
done_() { click 580 360; }
type_() { xdotool type --delay 20 "$1"; sleep 0.2; }
# Each check waits for its outcome for up to 30 seconds, which a busy machine
# may need and a working program never uses up.
expect_file() {
    local want="$1" got
    for _ in $(seq 300); do
        got="$(od -An -c verimond.dat 2>/dev/null || true)"
        [ "$got" = "$(printf "$want" | od -An -c)" ] && return 0
        sleep 0.1
    done
    echo "file holds:"; od -c verimond.dat || true
    fail "the entry file does not hold the expected bytes"
}

# A Greek word, which Windows-1252 lacks, is stored as its UTF-8 line.
greek='\316\251\316\274\316\255\316\263\316\261' # Ωμέγα
entry="grace\r\nMay 3\r\nfirst line\r\nsecond\r\n$greek\r\n**EOE**\r\n"
# After a search the large box holds what it showed, and Save stores that.
again="grace\r\nMay 3\r\nMay 3\r\nfirst line\r\nsecond\r\n$greek\r\n\r\n**EOE**\r\n"

# Type an entry and save it; the Greek word comes through the clipboard.
text1; type_ "grace"
text3; type_ "May 3"
text2; type_ "first line"; xdotool key Return; type_ "second"; xdotool key Return
printf "$greek" | xclip -selection clipboard
for _ in $(seq 300); do
    [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$(printf "$greek")" ] && break
    sleep 0.1
done
xdotool key ctrl+v
sleep 0.3
save
expect_file "$entry"
echo "ok: Save wrote the typed entry"

# Find waits after the entry: Save is disabled meanwhile, so a click on it is dropped.
find_
save
sleep 0.5
expect_file "$entry"
echo "ok: Find is waiting with Save disabled"

# The About window opens while the search waits, and OK hides it.
about
timeout 30 xdotool search --sync --onlyvisible --name '^time$' >/dev/null || fail "no About window"
about_win="$(xdotool search --onlyvisible --name '^time$' | head -n1)"
eval "$(xdotool getwindowgeometry --shell "$about_win")"
adx=$(((WIDTH - 599) / 2))
ady=$((HEIGHT - 401 - adx))
xdotool mousemove --window "$about_win" $((556 + adx)) $((376 + ady)) click 1
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^time$' >/dev/null || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^time$' >/dev/null && fail "OK did not hide the About window"
echo "ok: About opened a window titled time and OK hid it"

# Find Next releases the search; it ends and gives Save back.
find_next
save
expect_file "$entry$again"
echo "ok: Find Next ended the search and Save works again"

# A keyboard user tabs from the date box to Save and presses Enter.
text3
xdotool key Tab Return
expect_file "$entry$again$again"
echo "ok: Enter on the focused Save button saved"

# The keyword box offers the diary's keywords: "gr" and Down put grace in it
# with the list still open, and one click on Find finds, so a click on Save is
# dropped while the search waits.
text1
xdotool key ctrl+a
type_ "gr"
xdotool key Down
sleep 0.3
find_
save
sleep 0.5
expect_file "$entry$again$again"
echo "ok: an offer taken with Down, and one click on Find with the list open, found"

# Done from inside a waiting search ends the process.
done_
for _ in $(seq 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "Done did not end the program"
wait "$app_pid" && status=0 || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
expect_file "$entry$again$again"
echo "ok: Done ended the program from inside a waiting search"
echo "1 passed, 0 failed"
