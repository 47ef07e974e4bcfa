#!/bin/sh
# Screenshots of the main window on a 1024 x 768 virtual screen: the empty window and a wave
# file loaded. Usage: tests/screenshots.sh [build folder] [output folder]
# Prints the window geometry that xdotool sees.
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
WAVE="$CONFIG/tone.wav"
sox -n -r 44100 -b 16 -c 2 "$WAVE" synth 0.05 sine 440
shoot() {
    name=$1; shift
    XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" "$@" &
    pid=$!
    sleep 2
    wid=$(xdotool search --onlyvisible --name " - Ripwell" | head -1)
    xdotool getwindowgeometry "$wid"
    import -window root "$OUT/$name.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
shoot empty
shoot wave "$WAVE"
rm -rf "$CONFIG"
