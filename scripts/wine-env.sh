# Sourced by the scripts that run Windows programs: a display (Xvfb unless
# asked to use the user's) and one persistent wineserver for the build's
# Wine prefix, so each program starts fast. Call wine_env_start, then
# wine_env_stop when done.
BUILD_DIR="${DORVAK_BUILD_DIR:-build}"
export WINEPREFIX="$(cd "$BUILD_DIR" && pwd)/wineprefix"
WINE_RUN="$(cd "$BUILD_DIR" && pwd)/wine-run.sh"
XVFB_PID=""

wine_env_start() {
    use_own_display="${1:-xvfb}"
    if [ "$use_own_display" = "xvfb" ] || [ -z "${DISPLAY:-}" ]; then
        display_number=97
        while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
            display_number=$((display_number + 1))
        done
        Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$display_number"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$display_number" ] && break
            sleep 0.1
        done
    fi
    # The first start creates the prefix; then the server stays up.
    "$WINE_RUN" cmd /c exit >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
}

wine_env_stop() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
