#!/bin/sh
# The real program, started with a file whose name is not valid text (bad\377\376.wav), opens
# it: its main window comes up titled with the name as Qt shows it. Before the name was taken
# from argv as bytes, the program looked for a mangled name and stopped with "Cannot find this
# file.". Runs under xvfb-run; usage: command_line_name_test.sh path/to/ripwell
set -u
PROGRAM=$1
WORK=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$WORK"' EXIT
BAD="$WORK/$(printf 'bad\377\376.wav')"
# A wave file of 4 samples of 16-bit stereo at 44100 Hz.
printf 'RIFF\044\000\000\000WAVEfmt \020\000\000\000\001\000\002\000\104\254\000\000\020\261\002\000\004\000\020\000data\020\000\000\000' >"$BAD"
printf '\001\000\002\000\003\000\004\000\005\000\006\000\007\000\010\000' >>"$BAD"

XDG_CONFIG_HOME="$WORK/config" RIPWELL_DEMO_DISC= "$PROGRAM" "$BAD" >"$WORK/log" 2>&1 &
pid=$!
expected="$(printf 'bad\357\277\275\357\277\275.wav - Ripwell')"
i=0
while [ $i -lt 300 ]; do   # up to 30 s on a busy machine
    wid=$(xdotool search --onlyvisible --name " - Ripwell" 2>/dev/null | head -1)
    if [ -n "$wid" ]; then
        title=$(xdotool getwindowname "$wid")
        if [ "$title" = "$expected" ]; then
            echo "main window: $title"
            exit 0
        fi
        echo "main window titled \"$title\", expected \"$expected\"" >&2
        exit 1
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "the program ended without a main window:" >&2
        cat "$WORK/log" >&2
        exit 1
    fi
    sleep 0.1
    i=$((i + 1))
done
echo "no main window within 30 s; windows shown:" >&2
xdotool search --onlyvisible --name "." getwindowname %@ >&2 2>/dev/null
exit 1
