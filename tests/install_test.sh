#!/bin/sh
# Installs the program as a user does (cmake --install with a prefix of one's own), moves the
# prefix somewhere else, and checks what was installed:
#  - the program, the demo disc, every help page, the .desktop file, the icon at every size in
#    the hicolor theme, the AppStream metainfo and the man page, each where the desktop looks;
#  - desktop-file-validate, appstreamcli validate --no-net and groff's warnings find nothing;
#  - the installed program, started from another folder with a fresh settings folder on a
#    virtual screen, finds its data beside itself: F1 opens the help page it installed (its
#    title is marked in the installed copy first), and with no other drive it mounts the
#    installed demo disc, so the settings it writes when it ends name D: as its CD-ROM drive.
# With a prefix as second argument it checks a program already installed there (for example by
# the Debian package into /usr) instead, without changing any installed file.
# Usage: tests/install_test.sh BUILD [PREFIX]. Exits 77 (skipped) without xvfb-run or xdotool.
set -eu
if [ "${RIPWELL_UNDER_XVFB:-}" != 1 ]; then
    command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "needs xvfb-run and xdotool"; exit 77; }
    RIPWELL_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
WORK=$(mktemp -d)
pid=
cleanup() {
    status=$?
    set +e
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$WORK"
    exit $status
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$WORK/ripwell.log" ] && sed 's/^/  ripwell: /' "$WORK/ripwell.log" >&2
    exit 1
}
ID=com.brightmoor.Ripwell
MAIN_PAGE_TITLE="The main window"

if [ -n "${2:-}" ]; then
    PREFIX=$2
else
    cmake --install "$BUILD" --prefix "$WORK/stage" >"$WORK/install.log" || fail "cmake --install: $(cat "$WORK/install.log")"
    mv "$WORK/stage" "$WORK/moved"
    PREFIX=$WORK/moved
    # Marks the installed copy of the main window's help page, to tell it from the build's.
    sed -i "s|<title>$MAIN_PAGE_TITLE</title>|<title>$MAIN_PAGE_TITLE, installed copy</title>|" \
        "$PREFIX/share/ripwell/help/20080.html"
    MAIN_PAGE_TITLE="$MAIN_PAGE_TITLE, installed copy"
fi
echo "checking the program installed in $PREFIX"

# The files, each where the desktop looks for it.
for file in bin/ripwell share/ripwell/demo-disc/demo.cue share/ripwell/demo-disc/demo.bin \
            share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml share/man/man1/ripwell.1.gz; do
    [ -s "$PREFIX/$file" ] || fail "$file is not installed"
done
[ -x "$PREFIX/bin/ripwell" ] || fail "bin/ripwell cannot be run"
for page in "$SOURCE"/src/res/help/*.html; do
    cmp -s "$page" "$PREFIX/share/ripwell/help/$(basename "$page")" ||
        [ "$(basename "$page")" = 20080.html ] || fail "help page $(basename "$page") is not installed as it is"
done
for size in 16 22 24 32 48 64 128 256; do
    icon=$PREFIX/share/icons/hicolor/${size}x${size}/apps/$ID.png
    [ -f "$icon" ] || fail "no $size x $size icon"
    [ "$(identify -format %wx%h "$icon")" = "${size}x${size}" ] || fail "the $size x $size icon has another size"
done
grep -q "^Icon=$ID$" "$PREFIX/share/applications/$ID.desktop" || fail "the .desktop file names another icon"
grep -q "^Exec=ripwell" "$PREFIX/share/applications/$ID.desktop" || fail "the .desktop file starts another program"

# The validators of the desktop and of AppStream, and groff on the man page.
desktop-file-validate "$PREFIX/share/applications/$ID.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$PREFIX/share/metainfo/$ID.metainfo.xml" >"$WORK/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$WORK/appstream.log")"
zcat "$PREFIX/share/man/man1/ripwell.1.gz" | groff -man -Tutf8 -ww -z 2>"$WORK/man.log"
[ ! -s "$WORK/man.log" ] || fail "groff warns about the man page: $(cat "$WORK/man.log")"
zcat "$PREFIX/share/man/man1/ripwell.1.gz" | grep -q "^\.TH RIPWELL 1" || fail "the man page has no title line"

# The installed program, from another folder, without drives of its own.
waitfor() {  # a visible window whose name matches, within 60 s
    for _ in $(seq 300); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.2
    done
    return 1
}
mkdir -p "$WORK/elsewhere" "$WORK/config"
cd "$WORK/elsewhere"
env -u RIPWELL_DRIVES -u RIPWELL_DEMO_DISC -u RIPWELL_USER_HIVE XDG_CONFIG_HOME="$WORK/config" \
    "$PREFIX/bin/ripwell" >"$WORK/ripwell.log" 2>&1 &
pid=$!
main=$(waitfor " - Ripwell$") || fail "the main window did not come up"
xdotool windowfocus "$main"
xdotool key F1
waitfor "^Ripwell Help - $MAIN_PAGE_TITLE\$" >/dev/null || fail "F1 did not show the installed help page \"$MAIN_PAGE_TITLE\""
echo "F1 shows the installed help page \"$MAIN_PAGE_TITLE\""

# File, Exit; the settings are written at the end.
xdotool windowfocus "$main"
xdotool key alt+f
sleep 0.5
xdotool key x
for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after File, Exit"
wait "$pid" || fail "the program ended with status $?"
pid=
grep -q '"DefaultCDROMDrive"=dword:00000044' "$WORK/config/ripwell/user.reg" ||
    fail "the program did not mount its demo disc as D: ($(grep DefaultCDROMDrive "$WORK/config/ripwell/user.reg" || echo no setting written))"
echo "the installed program mounted its demo disc as D:"
echo "install test passed"
