#!/bin/sh
# Screenshots of the "Working..." dialog during a slow read by the jittering test drive, on a
# 1024 x 768 virtual screen: two pictures a second apart, so that the animation and the fields
# can be seen moving. Usage: tests/progress_screenshot.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
XDG_CONFIG_HOME="$CONFIG" "$BUILD/tests/slow_read_progress" --sectors 3000 --delay 150 &
pid=$!
sleep 4
wid=$(xdotool search --onlyvisible --name "Working..." | head -1)
if [ -z "$wid" ]; then
    echo "progress_screenshot: the Working... dialog did not appear" >&2
    kill "$pid"
    rm -rf "$CONFIG"
    exit 1
fi
xdotool getwindowgeometry "$wid"
import -window root "$OUT/progress-1.png"
sleep 1
import -window root "$OUT/progress-2.png"
wait "$pid"
rm -rf "$CONFIG"
