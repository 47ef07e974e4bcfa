#!/bin/sh
# Screenshots of the "Read CD digital audio" dialog while a track of the demo disc plays (two
# pictures a second apart, so that the time, the sector and the slider can be seen moving) and
# of the track properties box, on a 1024 x 768 virtual screen. The sound goes to a private
# PulseAudio server with a null sink. Usage: tests/player_screenshot.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
CONFIG=$(mktemp -d)
SOUND=$(mktemp -d)
XDG_RUNTIME_DIR="$SOUND" HOME="$SOUND" PULSE_STATE_PATH="$SOUND" pulseaudio -n --daemonize=no \
    --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --load="module-null-sink sink_name=nul rate=44100 channels=2" \
    --load="module-native-protocol-unix socket=$SOUND/pa.sock auth-anonymous=1" 2>"$SOUND/server.log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$CONFIG" "$SOUND"' EXIT
for i in 1 2 3 4 5 6 7 8 9 10; do [ -S "$SOUND/pa.sock" ] && break; sleep 0.5; done
export PULSE_SERVER="unix:$SOUND/pa.sock"

XDG_CONFIG_HOME="$CONFIG" "$BUILD/tests/read_audio_player" --drive D --track 2 --properties-after 7 &
pid=$!
sleep 4
wid=$(xdotool search --onlyvisible --name "^Read CD digital audio$" | head -1)
if [ -z "$wid" ]; then
    echo "player_screenshot: the dialog did not appear" >&2
    kill "$pid"
    exit 1
fi
xdotool getwindowgeometry "$wid"
import -window root "$OUT/player-1.png"
sleep 1.5
import -window root "$OUT/player-2.png"
sleep 3
import -window root "$OUT/track-properties.png"
# Without a window manager no caption is drawn; the box's caption is printed instead.
box=$(xdotool search --onlyvisible --name "^Track [0-9]+ - " | head -1)
[ -n "$box" ] && echo "track properties caption: $(xdotool getwindowname "$box")"
kill "$pid"
wait "$pid" 2>/dev/null || true
