# Sourced by the scripts that run Windows programs: a display (Xvfb unless
# asked to use the user's) and one persistent wineserver for the build's
# Wine prefix, so each program starts fast. Call wine_env_start, then
# wine_env_stop when done. Our Xvfb gets the Latin and Cyrillic keyboard of
# scripts/latin-cyrillic.xkb before any Wine program starts, so that text
# typed into a program with xdotool arrives whole.
BUILD_DIR="${DORVAK_BUILD_DIR:-build}"
# Without the build folder the prefix would be named from nothing ("/wineprefix").
if [ ! -x "$BUILD_DIR/wine-run.sh" ]; then
    echo "no configured build in '$BUILD_DIR' (DORVAK_BUILD_DIR): build first (scripts/build.sh)" >&2
    return 1
fi
BUILD_DIR="$(cd "$BUILD_DIR" && pwd)"
. ./scripts/wine-paths.sh
export WINEPREFIX="${DORVAK_WINEPREFIX:-$BUILD_DIR/wineprefix}"
WINE_RUN="$BUILD_DIR/wine-run.sh"
XVFB_PID=""

# wine_env_start [xvfb|user]: xvfb (the default) always starts an Xvfb of its
# own; user keeps DISPLAY when a display answers there. Prints nothing; sets
# DISPLAY, and XVFB_PID when the Xvfb is ours.
wine_env_start() {
    use_own_display="${1:-xvfb}"
    if [ "$use_own_display" = "xvfb" ] || [ -z "${DISPLAY:-}" ] ||
        ! xdpyinfo >/dev/null 2>&1; then
        display_number=97
        while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
            display_number=$((display_number + 1))
        done
        # No reset when the last client leaves: that would drop the keymap.
        Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$display_number"
        waited=0
        until xkbcomp -w 0 scripts/latin-cyrillic.xkb "$DISPLAY" >/dev/null 2>&1; do
            if [ "$waited" -ge 300 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
                echo "Xvfb on $DISPLAY does not take the keyboard layout" >&2
                return 1
            fi
            sleep 0.1
            waited=$((waited + 1))
        done
    fi
    # The first start creates the prefix; then the server stays up.
    status=0
    timeout 300 "$WINE_RUN" cmd /c exit >/dev/null 2>&1 || status=$?
    if [ "$status" = 124 ]; then
        echo "the first Windows program of $WINEPREFIX did not end within 300 s" >&2
        return 1
    fi
    "$WINESERVER" -p >/dev/null 2>&1 || true
}

wine_env_stop() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
