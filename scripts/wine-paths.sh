# Where Debian's wine packages put Wine's own programs: the one place that
# names them. Sourced by the scripts that run Wine (build/wine-run.sh too);
# the end-to-end harness asks a shell that sourced it. Debian keeps them
# out of PATH, and /usr/bin/wine is a wrapper that picks a loader itself.
WINE_DIR=/usr/lib/wine
WINESERVER="$WINE_DIR/wineserver"
WINE_LOADER32="$WINE_DIR/wine"
WINE_LOADER64="$WINE_DIR/wine64"
