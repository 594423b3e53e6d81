#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer.

The layers run one way, app -> ui -> collect -> zip -> win: a file may
include headers of its own layer and of the layers below it. res/ holds the
numbered ids the program shares with its resource library: what the
operator reads is the ui's to word, so only ui and app may include
res/resource.h. Prints one line per fault, naming file and line.
"""
import pathlib
import re
import sys

LAYERS = ["win", "zip", "collect", "ui", "app"]  # lowest first
SHARED = {"res"}
# Texts by number belong to the layers that word what the operator sees.
WORDING = "res/resource.h"
WORDING_LAYERS = {"ui", "app"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    src = root / "src"
    if not src.is_dir():
        print(f"check-layers: no src folder under {root}")
        return 2
    faults = []
    checked = 0
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        own = path.relative_to(src).parts[0]
        if own not in LAYERS:
            faults.append(f"{path.relative_to(root)}: folder '{own}' is no known layer")
            continue
        checked += 1
        lines = path.read_text(encoding="utf-8").splitlines()
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            if match.group(1) == WORDING and own not in WORDING_LAYERS:
                faults.append(f"{path.relative_to(root)}:{number}: layer '{own}' includes "
                              f"'{WORDING}', the texts only ui and app word")
                continue
            target = match.group(1).split("/")[0]
            if target in SHARED or target not in LAYERS:
                continue
            if LAYERS.index(target) > LAYERS.index(own):
                faults.append(f"{path.relative_to(root)}:{number}: layer '{own}' includes "
                              f"'{match.group(1)}' of the higher layer '{target}'")
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} fault(s); layers run "
              + " -> ".join(reversed(LAYERS)) + f", and only {' and '.join(sorted(WORDING_LAYERS))}"
              f" include {WORDING}")
        return 1
    print(f"check-layers: {checked} files, every include stays in its layer or goes down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
