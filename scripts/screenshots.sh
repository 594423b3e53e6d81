#!/bin/sh
# Pictures of the collection dialog, the about box and the summary of a run,
# for people to look at: lays out a small sample installation (C:\MERU of its
# own prefix), starts its Dorvak.exe under Xvfb, opens the about box through
# the system menu with real keystrokes, then types a description, saves and
# waits for the summary; writes
#   docs/screenshots/collection-dialog.png
#   docs/screenshots/about-box.png
#   docs/screenshots/summary.png
# Builds nothing. Usage: scripts/screenshots.sh [build-dir]   (default: build)
set -eu
cd "$(dirname "$0")/.."
export DORVAK_BUILD_DIR="${1:-${DORVAK_BUILD_DIR:-build}}"
exe="$DORVAK_BUILD_DIR/bin/Dorvak.exe"
if [ ! -f "$exe" ]; then
    echo "no $exe: build first (scripts/build.sh)" >&2
    exit 1
fi
out=docs/screenshots
mkdir -p "$out"

. ./scripts/wine-env.sh
# A prefix of its own in which Wine draws the window frames itself: Xvfb has
# no window manager, so the title bars would otherwise be missing from the
# pictures. The tests' prefix stays as it is.
export WINEPREFIX="$(cd "$DORVAK_BUILD_DIR" && pwd)/wineprefix-screenshots"
export DORVAK_WINEPREFIX="$WINEPREFIX"
wine_env_start xvfb
dorvak=""
cleanup() {
    if [ -n "$dorvak" ]; then kill "$dorvak" 2>/dev/null || true; fi
    wine_env_stop
}
trap cleanup EXIT
"$WINE_RUN" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

wait_window() { # name-regex seconds
    i=0
    while [ "$i" -lt $(($2 * 10)) ]; do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        if [ -n "$w" ]; then
            echo "$w"
            return 0
        fi
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# The root window's picture cut to one window's rectangle.
shoot() { # window file
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root "$2.full.png"
    convert "$2.full.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
    rm -f "$2.full.png"
    echo "$2: ${WIDTH}x${HEIGHT}"
}

# Saving writes a dated folder beside the program's folder: the program runs
# from an installation of its own, never from the build folder.
sample="$WINEPREFIX/drive_c/MERU"
rm -rf "$sample"
"$WINE_RUN" "$DORVAK_BUILD_DIR/bin/SampleInstall.exe" 'C:\MERU' --seed 7 --logs 300 --days 10 \
    >/dev/null
(cd "$sample/Dorvak" && "$WINE_RUN" 'C:\MERU\Dorvak\Dorvak.exe' >/dev/null 2>&1) &
dorvak=$!

dialog=$(wait_window '^Dorvak - ' 60) || {
    echo "the collection dialog did not open" >&2
    exit 1
}
# Keystrokes go to the window under the pointer: there is no window manager
# to give the dialog the keyboard focus.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 10))
xdotool windowfocus "$dialog" 2>/dev/null || true
sleep 1.5 # let it paint
shoot "$dialog" "$out/collection-dialog.png"

# Alt+Space opens the system menu; its last entry is the about box.
xdotool key alt+space
sleep 0.5
xdotool key Up
sleep 0.2
xdotool key Return
about=$(wait_window '^О проекте Dorvak$' 20) || {
    echo "the about box did not open" >&2
    exit 1
}
sleep 1.5
shoot "$about" "$out/about-box.png"

xdotool key Escape

# A click in the description edit (the right half of the dialog) gives it
# the keys; Enter there presses Save.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + WIDTH * 2 / 3)) $((Y + HEIGHT / 2)) click 1
sleep 0.5
xdotool type --delay 40 "Лифт 3 стоит между этажами, код E42"
sleep 0.5
xdotool key Return
summary=$(wait_window '^Dorvak$' 300) || {
    echo "the summary box did not open" >&2
    exit 1
}
sleep 1.5
shoot "$summary" "$out/summary.png"

# Closing the summary ends the program normally (Esc: Enter would press
# its default button, Send).
eval "$(xdotool getwindowgeometry --shell "$summary")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 10))
xdotool key Escape
i=0
while kill -0 "$dorvak" 2>/dev/null && [ "$i" -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
