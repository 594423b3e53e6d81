"""The programs Dorvak starts: only the named one runs (a planted program
beside a root with a blank, a root named by a variable), no path reaches the
command interpreter, and a capture or a configurator that never ends is
ended at its limit, with all it started, while the window stays painted."""

import os
import shutil
import subprocess
import time
import unittest

from harness.case import SMALL, EndToEndCase
from harness.environment import xdotool
from harness.expected import dated_name
from harness.waits import HarnessError, wait_for
from harness.window import IDC_PROGRESS, PROGRAM_TIMED_OUT

# The limits of the test build of Dorvak.exe (testwaits/), in seconds.
CAPTURE_LIMIT = 30
CONFIGURATOR_LIMIT = 20


def processes_of(env, name):
    """The Windows programs of this prefix started from a file of this name:
    Wine runs each as a Linux process named after it (cut to 15 characters,
    as Linux keeps it)."""
    found = []
    prefix = ("WINEPREFIX=" + env.prefix).encode("utf-8")
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % pid, "rb") as comm:
                # Started by the interpreter, a program is named as it was
                # typed, without its extension.
                if comm.read().rstrip(b"\n") not in (name.encode("utf-8")[:15],
                                                      name.rsplit(".", 1)[0].encode("utf-8")[:15]):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if prefix in environ.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


def window_geometry(xid):
    """x, y, width and height of an X window."""
    values = dict(line.split("=", 1) for line in
                  xdotool("getwindowgeometry", "--shell", xid).splitlines() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def grab(geometry):
    """The screen's pixels in a rectangle (x, y, width, height), as RGB bytes."""
    x, y, width, height = geometry
    image = subprocess.run(["import", "-silent", "-window", "root", "-crop",
                            "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "rgb:-"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
    if len(image) != width * height * 3:
        raise HarnessError("cannot read the screen (%d bytes)" % len(image))
    return image


def share_of(image, predicate):
    pixels = [image[i:i + 3] for i in range(0, len(image), 3)]
    return sum(1 for pixel in pixels if predicate(pixel)) / len(pixels)


class ChildPrograms(EndToEndCase):

    def test_root_with_a_blank_beside_a_planted_program(self):
        root = self.installation(*SMALL, name="Sites/MERU Suite")
        sites = os.path.dirname(root)
        # A program that would leave its trace (commandline.log beside it) if
        # the system took the configurators' path up to the blank.
        shutil.copy(os.path.join(self.env.build_dir, "configurators", "disp", "MERUDispCfg.exe"),
                    os.path.join(sites, "MERU.exe"))
        self.run_scenario(root, ["Пробел в пути установки"])
        self.assertEqual(sorted(os.listdir(sites)), ["MERU Suite", "MERU.exe"])
        # Both configurators ran, each with its command line as composed
        # (which run_scenario reads from their logs).
        for folder in ("MERUDisp", "MERUDomain"):
            self.assertTrue(os.path.exists(os.path.join(root, folder, "commandline.log")), folder)

    def test_root_named_by_a_variable_beside_that_machines_folder(self):
        computer = self.env.run_windows(["cmd", "/c", "echo %COMPUTERNAME%"]).strip()
        self.assertTrue(computer and "%" not in computer, computer)
        root = self.installation(*SMALL, name="vars/%COMPUTERNAME%")
        elsewhere = []

        def make_the_folder_elsewhere(expected):
            # The folder a "%COMPUTERNAME%" expanded by the interpreter would
            # have led the captures into.
            elsewhere.append(os.path.join(self.folder, "vars", computer,
                                          dated_name(expected.day)))
            os.makedirs(elsewhere[0])
        run = self.run_scenario(root, ["Переменная в пути"], adjust=make_the_folder_elsewhere)
        self.assertEqual(os.listdir(elsewhere[0]), [])
        self.assertEqual(sorted(os.listdir(os.path.join(self.folder, "vars"))),
                         sorted(["%COMPUTERNAME%", computer]))
        for name in ("ipconfig.txt", "route.txt", "files.tree", "arp.txt", "netstat.txt"):
            self.assertTrue(os.path.isfile(os.path.join(run.dated, name)), name)
        # Wine's ipconfig does write: its capture shows the file was the
        # command's output.
        self.assertGreater(os.path.getsize(os.path.join(run.dated, "ipconfig.txt")), 0)

    def use_test_build(self, root):
        """Dorvak.exe of the test build, whose waits end after seconds."""
        shutil.copy(os.path.join(self.env.build_dir, "testwaits", "Dorvak.exe"),
                    os.path.join(root, "Dorvak", "Dorvak.exe"))

    def wait_processes(self, name, count, timeout):
        """Whether as many programs of that name run within the timeout."""
        try:
            wait_for(lambda: len(processes_of(self.env, name)) == count,
                     "%d programs %s" % (count, name), timeout, interval=0.1)
            return True
        except HarnessError:
            return False

    def wait_progress(self, dorvak, ending, timeout=120):
        def shown():
            text = self.probe.text(dorvak.hwnd, IDC_PROGRESS)
            if not text.endswith(ending) and dorvak.own_boxes():
                raise HarnessError("a message came before the progress line showed %r (it "
                                   "shows %r)" % (ending, text))
            return text if text.endswith(ending) else None
        return wait_for(shown, "the progress line showing %r" % ending, timeout, interval=0.2,
                        observed=lambda: self.probe.text(dorvak.hwnd, IDC_PROGRESS))

    def assert_repainted_after_being_covered(self, dorvak):
        geometry = window_geometry(dorvak.xid)
        painted = grab(geometry)
        if os.environ.get("DORVAK_E2E_KEEP"):
            subprocess.run(["import", "-silent", "-window", "root",
                            os.path.join(self.folder, "screen.png")])
        magenta = b"\xff\x00\xff"
        self.assertLess(share_of(painted, lambda p: p == magenta), 0.01)
        cover = subprocess.Popen(["xmessage", "-bg", "magenta", "-fg", "magenta", "-geometry",
                                  "%dx%d+%d+%d" % (geometry[2], geometry[3], geometry[0],
                                                   geometry[1]), " "],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: share_of(grab(geometry), lambda p: p == magenta) >= 0.5,
                     "the cover window shown over the dialog", 30, interval=0.2)
        finally:
            cover.kill()
            cover.wait()
        deadline = time.monotonic() + 10
        while True:
            now = grab(geometry)
            same = sum(1 for i in range(0, len(now), 3) if now[i:i + 3] == painted[i:i + 3])
            if same * 3 >= 0.95 * len(now):
                return
            if time.monotonic() > deadline:
                if os.environ.get("DORVAK_E2E_KEEP"):
                    for name, data in (("before", painted), ("after", now)):
                        with open(os.path.join(self.folder, name + ".ppm"), "wb") as out:
                            out.write(b"P6 %d %d 255\n" % (geometry[2], geometry[3]) + data)
                self.fail("the window was not repainted while the program ran: %.0f%% of it "
                          "is as before, %.0f%% is the cover's colour" % (
                              100.0 * same * 3 / len(now),
                              100 * share_of(now, lambda p: p == magenta)))
            time.sleep(0.2)

    def test_capture_that_never_ends_while_the_window_stays_painted(self):
        root = self.installation(*SMALL)
        self.use_test_build(root)
        # The interpreter looks in its current folder, the program's, first.
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"),
                    os.path.join(root, "Dorvak", "ipconfig.exe"))

        def save_away_from_the_console(dorvak):
            # Away from the top left corner, where the interpreter's console
            # window opens, with its blinking cursor.
            _, _, width, height = window_geometry(dorvak.xid)
            screen_width, screen_height = (int(n) for n in xdotool("getdisplaygeometry").split())
            dorvak.move_to(screen_width - width - 10, screen_height - height - 40)
            dorvak.save()

        def while_it_runs(dorvak, expected):
            started = time.monotonic()
            command = self.wait_progress(dorvak, "\\cmd.exe /U /Q /C ipconfig /all")
            self.assertTrue(self.wait_processes("ipconfig.exe", 2, 10),
                            "the stand-in and the copy it starts are not running")
            self.assert_repainted_after_being_covered(dorvak)
            self.assertFalse(dorvak.own_boxes(), "the limit came before the window was checked")
            box = dorvak.wait_box(timeout=120)
            waited = time.monotonic() - started
            expected.messages.append((PROGRAM_TIMED_OUT + command, "error"))
            self.assertEqual((box.text, box.icon), expected.messages[-1])
            self.assertGreaterEqual(waited, CAPTURE_LIMIT - 1)
        self.run_scenario(root, ["Команда не завершается"], save=save_away_from_the_console,
                          during=while_it_runs)
        # The stand-in and the copy of itself it started are gone.
        self.assertTrue(self.wait_processes("ipconfig.exe", 0, 30), "a stand-in is left running")

    def test_configurator_that_never_ends(self):
        root = self.installation(*SMALL)
        self.use_test_build(root)
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"),
                    os.path.join(root, "MERUDisp", "MERUDispCfg.exe"))

        def command(day):
            mirror = self.root_windows(root) + dated_name(day) + "\\MERUDrv\\"
            return (self.root_windows(root) + "\\MERUDisp\\MERUDispCfg.exe -s\"" + mirror +
                    "\\MERUDisp\\Struct.XML\"")

        def adjust(expected):
            if callable(expected.entries.get("MERUDrv/MERUDisp/Struct.XML")):
                del expected.entries["MERUDrv/MERUDisp/Struct.XML"]  # it never comes
            expected.messages.append((PROGRAM_TIMED_OUT + command(expected.day), "error"))

        def while_it_runs(dorvak, expected):
            wanted = command(expected.day)
            self.assertEqual(self.wait_progress(dorvak, wanted), wanted)
            self.assertTrue(self.wait_processes("MERUDispCfg.exe", 2, 10),
                            "the stand-in and the copy it starts are not running")
            started = time.monotonic()
            box = dorvak.wait_box(timeout=120)
            self.assertEqual((box.text, box.icon), expected.messages[-1])
            self.assertGreaterEqual(time.monotonic() - started,
                                    CONFIGURATOR_LIMIT - 5)
        self.run_scenario(root, ["Конфигуратор не завершается"], adjust=adjust,
                          during=while_it_runs)
        # The stand-in and the copy of itself it started are gone.
        self.assertTrue(self.wait_processes("MERUDispCfg.exe", 0, 30),
                        "a stand-in is left running")


if __name__ == "__main__":
    unittest.main()
