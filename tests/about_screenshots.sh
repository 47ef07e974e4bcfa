#!/bin/sh
# The About box's animation on a 1024 x 768 virtual screen: the box is opened from the Help menu
# and two screenshots of it are taken 100 ms apart. The animation has two frames at ten frames a
# second, so the two pictures must show both frames: they differ in the animation's corner and
# nowhere else. Both shots of a pair come from one process (build/tests/grab_window), so that
# they are 100 ms apart however busy the machine is. A pair whose second shot could not start
# on time, or that caught a frame changing, is taken again (up to ten pairs).
# Usage: xvfb-run -s "-screen 0 1024x768x24" tests/about_screenshots.sh [build folder] [output folder]
# Writes about-1.png and about-2.png (the box) and about-frame-1.png, about-frame-2.png (the
# animation's corner, enlarged); exits 0 when the two frames were seen.
set -e
BUILD=${1:-build}
OUT=${2:-screenshots}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
CONFIG=$(mktemp -d)
# The corner of the box that holds the 32 x 32 animation, inside the dialog's margin.
CORNER=56x56+0+0

XDG_CONFIG_HOME="$CONFIG" "$BUILD/ripwell" 2>"$OUT/about.log" &
pid=$!
trap 'status=$?; set +e; kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$CONFIG"; exit $status' EXIT

# Waits up to 30 s for a visible window of this name.
window() {
    for _ in $(seq 150); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        if [ -n "$found" ]; then echo "$found"; return 0; fi
        sleep 0.2
    done
    echo "no window \"$1\"" >&2
    return 1
}

main=$(window " - Ripwell")
xdotool windowfocus "$main"
xdotool key alt+h
sleep 0.5
xdotool key a
about=$(window "^About Ripwell$")
sleep 0.5

for pair in $(seq 10); do
    second=$("$BUILD/tests/grab_window" "$about" 100 "$OUT/about-1.png" "$OUT/about-2.png")
    convert-im6.q16 "$OUT/about-1.png" -crop "$CORNER" +repage "$OUT/corner-1.png"
    convert-im6.q16 "$OUT/about-2.png" -crop "$CORNER" +repage "$OUT/corner-2.png"
    corner=$(compare -metric AE "$OUT/corner-1.png" "$OUT/corner-2.png" null: 2>&1 || true)
    whole=$(compare -metric AE "$OUT/about-1.png" "$OUT/about-2.png" null: 2>&1 || true)
    echo "pair $pair: second shot after $second ms, $corner pixels differ in the corner, $whole in the box"
    if [ "$second" -ge 100 ] && [ "$second" -le 110 ] && [ "$corner" != 0 ] && [ "$corner" = "$whole" ]; then
        convert-im6.q16 "$OUT/corner-1.png" -scale 400% "$OUT/about-frame-1.png"
        convert-im6.q16 "$OUT/corner-2.png" -scale 400% "$OUT/about-frame-2.png"
        rm -f "$OUT/corner-1.png" "$OUT/corner-2.png"
        echo "the two shots 100 ms apart show the two frames"
        exit 0
    fi
done
echo "no pair of shots 100 ms apart showed two frames" >&2
exit 1
