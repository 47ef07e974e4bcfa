#!/bin/sh
# Screenshots of a secure read on a 1024 x 768 virtual screen: the "Working..." dialog in its
# test, copy and re-read passes, then the message that ends the read (two sectors that never
# read the same are listed). Usage: tests/secure_read_screenshot.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
# 540 sectors: 20 reads a pass at 150 ms, then 14 rounds of re-reads of the two bad sectors.
XDG_CONFIG_HOME="$CONFIG" "$BUILD/tests/slow_read_progress" --secure --sectors 540 --delay 150 &
pid=$!
shot() {
    sleep "$1"
    import -window root "$OUT/$2.png"
}
shot 2 secure-test
shot 3 secure-copy
shot 2.5 secure-reread
i=0
until wid=$(xdotool search --onlyvisible --name "Ripwell" | head -1) && [ -n "$wid" ]; do
    i=$((i + 1))
    if [ "$i" -gt 60 ]; then
        echo "secure_read_screenshot: the closing message did not appear" >&2
        kill "$pid"
        rm -rf "$CONFIG"
        exit 1
    fi
    sleep 0.5
done
sleep 0.5
import -window root "$OUT/secure-result.png"
xdotool key --window "$wid" Return
wait "$pid" || true
rm -rf "$CONFIG"
