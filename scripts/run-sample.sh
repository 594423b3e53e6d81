#!/bin/sh
# The main job, end to end: installs what is missing, builds, lays out a
# sample MERU installation in the Wine drive (C:\MERU), starts Dorvak from
# C:\MERU\Dorvak\Dorvak.exe and prints where the collected folder is.
# With a display (DISPLAY set) the operator uses the dialog; without one the
# dialog runs under Xvfb and is driven with real keystrokes.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
. ./scripts/wine-env.sh

interactive=no
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then interactive=yes; fi
if [ "$interactive" = yes ]; then wine_env_start user; else wine_env_start xvfb; fi
trap wine_env_stop EXIT

SAMPLE_UNIX="$WINEPREFIX/drive_c/MERU"
rm -rf "$SAMPLE_UNIX"
"$WINE_RUN" "$BUILD_DIR/bin/SampleInstall.exe" 'C:\MERU' --seed 7 --logs 1500 --days 20 >/dev/null
today=$(date +%Y_%m_%d)
printf 'Sample installation: %s (%s)\n' 'C:\MERU' "$SAMPLE_UNIX"

# Started from its own folder, as a double click in the file manager would.
(cd "$SAMPLE_UNIX/Dorvak" && "$WINE_RUN" 'C:\MERU\Dorvak\Dorvak.exe' >/dev/null 2>&1) &
dorvak=$!

if [ "$interactive" = no ]; then
    ./scripts/drive-dialog.sh "Sample run: the lift stopped between floors 3 and 4 at 10:15." \
        "${DORVAK_SCREENSHOT_DIR:-}"
fi
wait "$dorvak" || true

result="$SAMPLE_UNIX/$(ls -1 "$SAMPLE_UNIX" | grep -E '^[0-9]{4}_[0-9]{2}_[0-9]{2}$' | sort | tail -1)"
if [ -d "$result" ] && [ "$(basename "$result")" = "$today" ]; then
    # printf, not echo: dash's echo would read \2 in C:\MERU\2026_... as an escape.
    printf 'Collected folder: %s (%s)\n' "C:\\MERU\\$today" "$result"
    (cd "$result" && find . -type f | sort | head -40
     echo "... $(find . -type f | wc -l) files in all")
else
    echo "No collected folder was written (the dialog was cancelled?)" >&2
    exit 1
fi
