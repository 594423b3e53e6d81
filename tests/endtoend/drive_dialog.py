"""Drives a Dorvak that is already running under Wine as an operator would:
waits for the collection dialog, types the description key by key and checks
that the edit holds it, presses Enter (Save), and confirms every message box
until the program has ended. With a folder, pictures of the screen before
Save and of each message box go there.

    drive_dialog.py "description" [picture-folder]

The display is DISPLAY, the build and the Wine prefix those of the
end-to-end tests (DORVAK_BUILD_DIR, WINEPREFIX). Every step waits for a state
with a deadline (DORVAK_DRIVE_TIMEOUT seconds for the whole run, 600 unless
given); the exit status is 1, with the state not reached, when one is not.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing of ours in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.environment import Environment, Keyboard, display_works  # noqa: E402
from harness.waits import HarnessError, wait_for  # noqa: E402
from harness.window import Dorvak, Probe  # noqa: E402


def picture(folder, name):
    if folder:
        os.makedirs(folder, exist_ok=True)
        # Pictures are for people to look at; a run without them is no failure.
        subprocess.run(["import", "-window", "root", os.path.join(folder, name)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def drive(description, folder, run_timeout):
    env = Environment()
    if "WINEPREFIX" in os.environ:
        env.prefix = os.environ["WINEPREFIX"]
        env.drive_c = os.path.join(env.prefix, "drive_c")
    if not display_works():
        raise HarnessError("no display at DISPLAY=%s" % os.environ.get("DISPLAY"))
    env.keyboard = Keyboard(os.environ["DISPLAY"])
    probe = None
    try:
        env.keyboard.ensure_latin_cyrillic()
        probe = Probe(env)
        dorvak = Dorvak.attach(env, probe, timeout=120)
        dorvak.type_description(description.split("\n"))
        picture(folder, "before-save.png")
        dorvak.save()

        def answered_all():
            for box in dorvak.own_boxes():
                if box.hwnd not in dorvak.answered:
                    picture(folder, "message-%d.png" % len(dorvak.boxes))
                    dorvak.answer_box(box)
            return dorvak.ended()
        wait_for(answered_all, "Dorvak ended, every message answered", run_timeout,
                 interval=0.1, observed=lambda: "messages so far: %r" % dorvak.boxes)
        for box in dorvak.boxes:
            print("Message: %s" % box.text.replace("\r\n", " "))
    finally:
        if probe is not None:
            probe.close()
        env.keyboard.close()


def main(argv):
    if not 1 <= len(argv) <= 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        drive(argv[0], argv[1] if len(argv) > 1 else "",
              float(os.environ.get("DORVAK_DRIVE_TIMEOUT", "600")))
    except HarnessError as error:
        print("drive-dialog: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
