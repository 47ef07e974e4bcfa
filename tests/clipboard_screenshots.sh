#!/bin/sh
# Copy and Paste in the real program on a 1024 x 768 virtual screen, with xclip as the other
# program: the copy dialog over a wave file, what xclip then sees, the paste dialog over text
# that xclip put there, and the window after the paste.
# Usage: xvfb-run -s "-screen 0 1024x768x24" tests/clipboard_screenshots.sh [build folder] [output folder]
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
WAVE="$CONFIG/tone.wav"
sox -n -r 44100 -b 16 -c 2 "$WAVE" synth 0.05 sine 440
XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" "$WAVE" &
pid=$!
sleep 2
wid=$(xdotool search --onlyvisible --name " - Ripwell" | head -1)
xdotool windowfocus --sync "$wid"
xdotool key ctrl+c
sleep 1
import -window root "$OUT/copy-dialog.png"
xdotool key Return
sleep 1
echo "offered after Copy:"; xclip -selection clipboard -t TARGETS -o
echo "audio/wav bytes: $(xclip -selection clipboard -t audio/wav -o | wc -c) (file $(stat -c %s "$WAVE"))"
printf 'hello' | xclip -selection clipboard
sleep 1
xdotool windowfocus --sync "$wid"
xdotool key ctrl+v
sleep 1
import -window root "$OUT/paste-dialog.png"
xdotool key Down Return   # "*Unicode text" is second; the first entry is preselected
sleep 1
import -window root "$OUT/pasted.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
rm -rf "$CONFIG"
