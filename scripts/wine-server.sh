#!/bin/sh
# Makes the Wine prefix named by DORVAK_WINEPREFIX when it is missing and
# keeps its server running (start), or ends that server (stop), so that a
# group of tests in a prefix of their own starts each program fast and
# leaves nothing behind.
#   wine-server.sh start|stop <build folder>
set -eu
. "$(dirname "$0")/wine-paths.sh"
action="$1"
build_dir="$(cd "$2" && pwd)"
export WINEPREFIX="${DORVAK_WINEPREFIX:-$build_dir/wineprefix}"
case "$action" in
    start)
        "$build_dir/wine-run.sh" cmd /c exit >/dev/null 2>&1
        # The server that made the prefix would go after a few idle seconds;
        # one that stays takes its place.
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w
        "$WINESERVER" -p >/dev/null 2>&1
        "$build_dir/wine-run.sh" cmd /c exit >/dev/null 2>&1
        ;;
    stop)
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
        ;;
    *)
        echo "usage: wine-server.sh start|stop <build folder>" >&2
        exit 2
        ;;
esac
