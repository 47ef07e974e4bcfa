#!/bin/sh
# Screenshots of Rip Disc on a 1024 x 768 virtual screen: the dialog (Ctrl+I) over a disc image
# in drive D:, its progress window in the middle of a secure rip, and the summary at the end;
# then ripwell --rip in a terminal (tmux, 100 x 10) with its progress bar, kept as text.
# Usage: tests/rip_screenshots.sh [build folder] [output folder]
# Run it under xvfb-run (it starts one itself when there is no display).
set -e
BUILD=$(cd "${1:-build}" && pwd)
OUT=${2:-screenshots}
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$BUILD" "$OUT"
fi
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config" RIPWELL_DEMO_DISC= RIPWELL_ACCURATERIP_URL="http://127.0.0.1:9/accuraterip"

# Twelve tracks of about five minutes: a secure rip of it lasts long enough to be seen.
set -- --audio 300,music
for n in 2 3 4 5 6 7 8 9 10 11 12; do set -- "$@" --audio 300,music,pregap=2; done
"$BUILD/mkdisc" --catalog 0724384260927 "$@" "$WORK" album >/dev/null
export RIPWELL_DRIVES="D=$WORK/album.cue"

wait_for() {  # title, seconds
    i=0
    while [ $i -lt $(($2 * 10)) ]; do
        wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        sleep 0.1
        i=$((i + 1))
    done
    echo "rip_screenshots: the $1 window did not appear" >&2
    return 1
}

"$BUILD/ripwell" &
pid=$!
main=$(wait_for ".* - Ripwell" 30) || { kill $pid; exit 1; }
xdotool windowfocus --sync "$main" key ctrl+i
dialog=$(wait_for "Rip Disc" 30) || { kill $pid; exit 1; }
# Rip into the scratch folder, in secure mode.
xdotool windowfocus --sync "$dialog"
xdotool key alt+f ctrl+a && xdotool type "$WORK/rip"
xdotool key alt+s
sleep 1
import -window root "$OUT/rip-dialog.png"
xdotool key Return
progress=$(wait_for "Ripping..." 30) || { kill $pid; exit 1; }
sleep 2
import -window root "$OUT/rip-progress.png"
summary=$(wait_for "Rip Summary" 600) || { kill $pid; exit 1; }
sleep 1
import -window root "$OUT/rip-summary.png"
xdotool windowfocus --sync "$summary" key Return
sleep 1
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true

# The command line in a terminal: its progress bar, caught half way.
tmux -L ripshot new-session -d -x 100 -y 10 \
    "cd '$WORK' && '$BUILD/ripwell' --rip --drive D: --secure --to '$WORK/cli'; echo exit \$?; sleep 30"
sleep 3
tmux -L ripshot capture-pane -p >"$OUT/rip-terminal-progress.txt"
i=0
until grep -q '^exit ' "$OUT/rip-terminal.txt" 2>/dev/null || [ $i -ge 600 ]; do
    tmux -L ripshot capture-pane -p >"$OUT/rip-terminal.txt"
    sleep 1
    i=$((i + 1))
done
tmux -L ripshot kill-server
cat "$OUT/rip-terminal-progress.txt"
echo ---
cat "$OUT/rip-terminal.txt"
