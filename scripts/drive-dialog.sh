#!/bin/sh
# Drives a running Dorvak under Xvfb as an operator would: waits for the
# collection dialog, types the description and checks that the edit holds
# it, presses Enter (Save), then confirms every message box until the
# program ends. Each step waits for a state (a window, a focus, a text, the
# process's end) and gives up with the state's name after its deadline
# (DORVAK_DRIVE_TIMEOUT seconds for the run, 600 unless set). Usage:
#   drive-dialog.sh "description" [screenshot-folder]
set -eu
exec python3 -B "$(dirname "$0")/../tests/endtoend/drive_dialog.py" "$@"
