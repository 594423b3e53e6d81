#!/bin/sh
# Drives a running Dorvak under Xvfb as an operator would: waits for the
# collection dialog, types the description, presses Enter (Save), then
# confirms every message box until the program ends. Usage:
#   drive-dialog.sh "description" [screenshot-folder]
set -eu
description="$1"
shots="${2:-}"

wait_window() { # name-regex seconds
    i=0
    while [ "$i" -lt $(($2 * 10)) ]; do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        if [ -n "$w" ]; then echo "$w"; return 0; fi
        sleep 0.1; i=$((i + 1))
    done
    return 1
}

dialog=$(wait_window '^Dorvak - ' 60) || { echo "the collection dialog did not open" >&2; exit 1; }
sleep 1
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
# Tab order: Save, Cancel, calendar, progress line, description.
xdotool key --window "$dialog" Tab Tab Tab Tab
sleep 0.3
xdotool type --delay 20 "$description"
if [ -n "$shots" ]; then
    mkdir -p "$shots"
    import -window root "$shots/before-save.png" 2>/dev/null || true
fi
xdotool key Return

# Confirm message boxes (errors, then the summary) until the program is gone.
while xdotool search --name '^Dorvak' >/dev/null 2>&1; do
    box=$(xdotool search --onlyvisible --name '^Dorvak$' 2>/dev/null | head -1 || true)
    if [ -n "$box" ]; then
        if [ -n "$shots" ]; then import -window root "$shots/message-$box.png" 2>/dev/null || true; fi
        xdotool windowfocus --sync "$box" 2>/dev/null || true
        xdotool key Return
        sleep 0.5
    fi
    sleep 0.2
done
