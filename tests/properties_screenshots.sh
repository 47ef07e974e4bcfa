#!/bin/sh
# Screenshots of the Properties dialog and of the waveform strip, on track 1 of the demo disc
# (drive D: on a machine without a CD-ROM drive), on a 1024 x 768 virtual screen:
#   Ctrl+A, a click on track 1 in the list (or, when the list is empty, sectors 0 to 2249 on the
#   "High Sierra" page), Enter for Start and OK for the whole-track question; then Alt+Enter
#   for Properties (closed with Escape), the View menu's "Waveform" item (Alt+V, W), and a
#   click in the middle of the strip, which scrolls the dump there.
# Usage: tests/properties_screenshots.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
CONFIG=$(mktemp -d)

XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" 2>"$OUT/properties_screenshots.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$CONFIG"' EXIT
sleep 3
main=$(xdotool search --onlyvisible --name " - Ripwell" | head -1)
# Without a window manager nothing gives the main window the focus back after a modal dialog.
focus_main() { xdotool windowfocus "$main"; }
shot() { import -window root "$OUT/$1.png"; }
window_shot() { import -window "$1" "$OUT/$2.png"; }

# Track 1 of the demo disc, read as a user reads it.
focus_main
xdotool key ctrl+a
sleep 2
box=$(xdotool search --onlyvisible --name "^Ripwell$" | head -1 || true)
empty=no
if [ -n "$box" ]; then
    xdotool windowfocus "$box" key Return
    sleep 1
    empty=yes
fi
dialog=$(xdotool search --onlyvisible --name "^Read CD digital audio$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$dialog")"
if [ "$empty" = yes ]; then
    echo "track list empty; reading sectors 0 to 2249"
    xdotool mousemove $((X + 425)) $((Y + 24)) click 1
    sleep 0.5
    xdotool key Tab ctrl+a
    xdotool type 0
    xdotool key Tab ctrl+a
    xdotool type 2249
else
    xdotool mousemove $((X + 70)) $((Y + 80)) click 1
    sleep 0.5
fi
xdotool key Return
sleep 1
box=$(xdotool search --onlyvisible --name "^Ripwell$" | head -1 || true)
if [ -n "$box" ]; then
    xdotool windowfocus "$box" key Return
fi
sleep 3
focus_main
shot properties-01-track1

# The Properties dialog.
xdotool key alt+Return
sleep 1
props=$(xdotool search --onlyvisible --name "^Properties$" | head -1 || true)
if [ -z "$props" ]; then
    echo "properties_screenshots: the Properties dialog did not appear" >&2
    exit 1
fi
shot properties-02-dialog
window_shot "$props" properties-03-dialog-only
xdotool windowfocus "$props" key Escape
sleep 1

# The waveform strip, then a click in its middle.
focus_main
xdotool key alt+v
sleep 0.5
shot properties-04-view-menu
xdotool key w
sleep 1
shot properties-05-strip
window_shot "$main" properties-06-strip-window
eval "$(xdotool getwindowgeometry --shell "$main")"
# The strip lies right below the menu bar and the toolbar (measured on the screenshots).
strip_y=110
xdotool mousemove $((X + WIDTH / 2)) $((Y + strip_y)) click 1
sleep 1
shot properties-07-strip-clicked
cat "$OUT/properties_screenshots.log"
