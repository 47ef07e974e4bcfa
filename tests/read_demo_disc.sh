#!/bin/sh
# Reads track 1 of the demo disc (drive D: on a machine without a CD-ROM drive) the way a user
# does, on a 1024 x 768 virtual screen, and saves it as a wave file:
#   Ctrl+A, a click on track 1 in the list (or, when the list is empty, sectors 0 to 2249 on the
#   "High Sierra" page, which is the same range), Enter for Start and OK for the whole-track
#   question, then Ctrl+S and the Save As dialog.
# Screenshots of every step go to the output folder; the saved file is checked with soxi and sox.
# Usage: xvfb-run -s "-screen 0 1024x768x24" tests/read_demo_disc.sh [build folder] [output folder]
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
CONFIG=$(mktemp -d)
SAVED="$OUT/demo-track1.wav"
rm -f "$SAVED"

XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" 2>"$OUT/read_demo_disc.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$CONFIG"' EXIT
sleep 3
main=$(xdotool search --onlyvisible --name " - Ripwell" | head -1)
# Without a window manager nothing gives the main window the focus back after a modal dialog.
focus_main() { xdotool windowfocus "$main"; }
shot() { import -window root "$OUT/$1.png"; }

focus_main
shot demo-01-main
xdotool key ctrl+a
sleep 2
# A device error comes as a box captioned "Ripwell" (or on the standard error stream while the
# program has no message box window); the list then stays empty.
empty=no
box=$(xdotool search --onlyvisible --name "^Ripwell$" | head -1 || true)
if [ -n "$box" ]; then
    shot demo-02-device-error
    xdotool windowfocus "$box" key Return
    sleep 1
    empty=yes
fi
grep -q "not ready" "$OUT/read_demo_disc.log" && empty=yes
shot demo-02-read-dialog
dialog=$(xdotool search --onlyvisible --name "^Read CD digital audio$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$dialog")"
if [ "$empty" = yes ]; then
    # The CD audio device reported no disc, so the list is empty: name the range instead.
    echo "track list empty (the CD audio device reported no disc); reading sectors 0 to 2249"
    xdotool mousemove $((X + 425)) $((Y + 24)) click 1   # the "High Sierra" tab
    sleep 0.5
    xdotool key Tab
    xdotool key ctrl+a
    xdotool type 0
    xdotool key Tab ctrl+a
    xdotool type 2249
    shot demo-03-high-sierra
else
    xdotool mousemove $((X + 70)) $((Y + 80)) click 1    # the first row of the track list
    sleep 0.5
    shot demo-03-track-chosen
fi
xdotool key Return
sleep 1
# A whole track is announced with its size; OK goes on.
box=$(xdotool search --onlyvisible --name "^Ripwell$" | head -1 || true)
if [ -n "$box" ]; then
    shot demo-04-confirm
    xdotool windowfocus "$box" key Return
fi
sleep 3
shot demo-05-read
focus_main
xdotool key ctrl+s
sleep 2
shot demo-06-save
save=$(xdotool search --onlyvisible --name "Save As" | head -1 || true)
if [ -n "$save" ]; then
    xdotool windowfocus "$save"
    xdotool key ctrl+a
    xdotool type "$SAVED"
    xdotool key Return
    sleep 2
    shot demo-07-saved
else
    echo "no Save As dialog came up"
fi
cat "$OUT/read_demo_disc.log"
if [ -f "$SAVED" ]; then
    soxi "$SAVED"
    sox "$SAVED" -n stat
else
    echo "nothing was saved"
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
trap - EXIT
rm -rf "$CONFIG"
