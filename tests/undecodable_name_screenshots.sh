#!/bin/sh
# Screenshots of a file whose name is not valid text (bad\377\376.wav): the main window with
# it opened from the command line, and the Open dialog showing it beside an ordinary file.
# Usage: tests/undecodable_name_screenshots.sh [build folder] [output folder]
# Run under xvfb-run -s "-screen 0 1024x768x24".
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
mkdir -p "$OUT"
WORK=$(mktemp -d)
BAD="$WORK/$(printf 'bad\377\376.wav')"
sox -n -r 44100 -b 16 -c 2 "$BAD" synth 0.05 sine 440
cp "$BAD" "$WORK/good.wav"
cd "$WORK"
XDG_CONFIG_HOME="$WORK/config" "$OLDPWD/$BUILD/ripwell" "$BAD" &
pid=$!
# Waits up to 20 s for a window whose title matches.
wait_for() {
    i=0
    while [ $i -lt 200 ]; do
        wid=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$wid" ] && return 0
        sleep 0.1
        i=$((i + 1))
    done
    echo "no window \"$1\"" >&2
    return 1
}
wait_for " - Ripwell"
xdotool getwindowname "$wid"
cd "$OLDPWD"
import -window root "$OUT/undecodable-title.png"
xdotool windowfocus "$wid"
xdotool key ctrl+o
wait_for "^Open$"
sleep 1   # the dialog fills its list from a thread of its own
import -window root "$OUT/undecodable-open-dialog.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
rm -rf "$WORK"
