#!/bin/sh
# Screenshots of the Options dialog as a user opens it (Tools, Options...) on a 1024 x 768
# virtual screen, one for each of its three tabs, and of the box that says the CD player could
# not be started (Ctrl+P with a CD player name that names nothing).
# Usage: tests/options_screenshots.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
mkdir -p "$CONFIG/ripwell"
printf '[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Applications]\n"CDPlayer"="no-such-cd-player"\n' \
    > "$CONFIG/ripwell/user.reg"
# The desktop settings of this run stay in memory.
GSETTINGS_BACKEND=memory XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$CONFIG"' EXIT
sleep 3
main=$(xdotool search --onlyvisible --name " - Ripwell" | head -1)
# Without a window manager nothing gives a window the focus: give it by hand.
xdotool windowfocus "$main"
xdotool key alt+t
sleep 0.5
xdotool key o
sleep 1.5
dialog=$(xdotool search --onlyvisible --name "^Options$" | head -1)
if [ -z "$dialog" ]; then
    echo "options_screenshots: the Options dialog did not appear" >&2
    exit 1
fi
xdotool getwindowgeometry "$dialog"
xdotool windowfocus "$dialog"
# The tab bar has the focus when the dialog opens; the arrow keys change the tab.
for tab in common colors applications; do
    sleep 0.5
    import -window root "$OUT/options-$tab.png"
    xdotool key Right
done
xdotool key Escape
sleep 0.5
xdotool windowfocus "$main"
xdotool key ctrl+p
sleep 1.5
box=$(xdotool search --onlyvisible --name "^Ripwell$" | head -1)
if [ -z "$box" ]; then
    echo "options_screenshots: no box for the CD player" >&2
    exit 1
fi
xdotool getwindowgeometry "$box"
import -window root "$OUT/cd-player-failed.png"
xdotool windowfocus "$box" key Return
