#!/usr/bin/env bash
# ripwell --rip as a script uses it, without a display: two disc images ripped one after the
# other through virtual drives, the files they leave, a WAV rip of one track, the exit codes of a
# wrong command line, a missing drive and a missing track, and an interrupt in the middle of a
# rip, which must leave only whole files under final names.
#
# usage: tests/rip_command_line_test.sh BUILD_DIR
set -uo pipefail
BUILD="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
RIPWELL="$BUILD/ripwell"
MKDISC="$BUILD/mkdisc"
for tool in "$RIPWELL" "$MKDISC"; do
    [ -x "$tool" ] || { echo "missing $tool"; exit 1; }
done
command -v flac >/dev/null || { echo "needs flac"; exit 77; }

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# No display, no settings of the user's, and an AccurateRip address nobody answers at (a closed
# port on this machine: the lookup fails at once and the rip says "not checked").
unset DISPLAY WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$WORK/config" RIPWELL_DEMO_DISC= RIPWELL_ACCURATERIP_URL="http://127.0.0.1:9/accuraterip"

"$MKDISC" --catalog 0724384260927 --audio 20,music --audio 15,music,pregap=2 --audio 12,counter "$WORK" first \
    >/dev/null || { echo "mkdisc failed"; exit 1; }
"$MKDISC" --audio 9,music --audio 11,counter,pregap=1 "$WORK" second >/dev/null || { echo "mkdisc failed"; exit 1; }

# The loop of the help text: each image in drive E:, its files in a folder of its own.
for image in "$WORK"/first.cue "$WORK"/second.cue; do
    name="$(basename "$image" .cue)"
    RIPWELL_DRIVES="E=$image" "$RIPWELL" --rip --drive E: --to "$WORK/out/$name" >"$WORK/$name.out" 2>&1
    code=$?
    [ "$code" -eq 0 ] || fail "$name: exit $code: $(cat "$WORK/$name.out")"
done
[ "$(ls "$WORK"/out/first/*.flac 2>/dev/null | wc -l)" -eq 3 ] || fail "first: not 3 FLAC files: $(ls "$WORK/out/first")"
[ "$(ls "$WORK"/out/second/*.flac 2>/dev/null | wc -l)" -eq 2 ] || fail "second: not 2 FLAC files: $(ls "$WORK/out/second")"
for file in "$WORK"/out/*/*.flac; do
    flac -t -s "$file" 2>/dev/null || fail "flac -t: $file"
done
grep -q '^CATALOG 0724384260927$' "$WORK"/out/first/*.cue || fail "first: no CATALOG in the cue sheet"
grep -q 'not checked' "$WORK"/out/first/*.log || fail "first: the log does not say AccurateRip was not checked"
grep -q 'Track 03' "$WORK/first.out" || fail "first: no line for track 3 on standard output"
if grep -q $'\r' "$WORK/first.out"; then fail "a progress bar was drawn into a file"; fi

# One track as WAV: the program's 44-byte header and 15 seconds plus the next track's 2-second gap.
RIPWELL_DRIVES="E=$WORK/first.cue" "$RIPWELL" --rip --drive e --tracks 1 --format wav --to "$WORK/out/wav" \
    >/dev/null 2>&1 || fail "wav rip: exit $?"
wav=("$WORK"/out/wav/*.wav)
[ "${#wav[@]}" -eq 1 ] && [ "$(stat -c %s "${wav[0]}")" -eq $((44 + (20 + 2) * 75 * 2352)) ] ||
    fail "wav: ${wav[*]} is not one file of 22 seconds"

# Exit codes of what cannot be done.
expect() {
    local want="$1"; shift
    "$RIPWELL" "$@" >"$WORK/expect.out" 2>&1
    local code=$?
    [ "$code" -eq "$want" ] || fail "ripwell $*: exit $code, expected $want: $(head -c 300 "$WORK/expect.out")"
}
expect 0 --help
grep -q '^Exit codes:' "$WORK/expect.out" || fail "--help lists no exit codes"
expect 1 --rip --format mp3
expect 1 --rip --tracks 3-1
expect 1 --rip --offset 6000
RIPWELL_DRIVES="E=$WORK/first.cue" expect 2 --rip --drive Q: --to "$WORK/out/none"
RIPWELL_DRIVES="E=$WORK/first.cue" expect 1 --rip --drive E: --tracks 7 --to "$WORK/out/none"
RIPWELL_DRIVES="E=$WORK/missing.cue" expect 2 --rip --drive E: --to "$WORK/out/none"

# An interrupt while the rip runs: exit 3, and every file under a final name is whole. Six
# tracks of two minutes, interrupted when the first one is reported done. Counter samples are
# quick to make even in a sanitized build, and the rip of the other five takes seconds longer
# than the interrupt needs to arrive.
"$MKDISC" --audio 120,counter --audio 120,counter --audio 120,counter --audio 120,counter \
    --audio 120,counter --audio 120,counter "$WORK" long >/dev/null || { echo "mkdisc failed"; exit 1; }
RIPWELL_DRIVES="E=$WORK/long.cue" "$RIPWELL" --rip --drive E: --to "$WORK/out/long" >"$WORK/long.out" 2>&1 &
rip=$!
for _ in $(seq 1 600); do
    grep -q '^Track 0' "$WORK/long.out" 2>/dev/null && break
    kill -0 "$rip" 2>/dev/null || break
    sleep 0.1
done
kill -INT "$rip" 2>/dev/null
wait "$rip"
code=$?
[ "$code" -eq 3 ] || fail "interrupted rip: exit $code, expected 3: $(cat "$WORK/long.out")"
finished=0
for file in "$WORK"/out/long/*; do
    case "$file" in
    *.flac) flac -t -s "$file" 2>/dev/null && finished=$((finished + 1)) || fail "half-written $file" ;;
    *) fail "left behind: $file" ;;
    esac
done
[ "$finished" -ge 1 ] && [ "$finished" -lt 6 ] || fail "interrupted rip kept $finished files"

[ "$failures" -eq 0 ] && echo "all passed"
exit $((failures > 0))
