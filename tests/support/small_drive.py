#!/usr/bin/env python3
"""Runs one command with a small drive of its own: a tmpfs mapped as a drive
letter of the Wine prefix (DORVAK_WINEPREFIX) and named, as "X:\\", in
DORVAK_TEST_SMALL_DRIVE. A write there can fail for want of room and a later
one succeed once room is made, which no folder of the ordinary drive allows.
Exits 77 (a skip for ctest) when no tmpfs can be mounted here."""
import os
import subprocess
import sys
import tempfile


def main() -> int:
    devices = os.path.join(os.environ["DORVAK_WINEPREFIX"], "dosdevices")
    with tempfile.TemporaryDirectory() as folder:
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if mounted.returncode != 0:
            print("cannot mount a small drive: " + mounted.stdout.decode().strip())
            return 77
        try:
            letter = next(c for c in "rstuvwxy"
                          if not os.path.lexists(os.path.join(devices, c + ":")))
            link = os.path.join(devices, letter + ":")
            os.symlink(folder, link)
            try:
                drive = letter.upper() + ":\\"
                env = dict(os.environ, DORVAK_TEST_SMALL_DRIVE=drive)
                return subprocess.run(sys.argv[1:], env=env).returncode
            finally:
                os.remove(link)
        finally:
            subprocess.run(["umount", "-l", folder])


if __name__ == "__main__":
    sys.exit(main())
