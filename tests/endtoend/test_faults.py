"""Faults and bad input met through the real window: files that cannot be
read, a full output drive, a file in a mirror folder's place, paths past
260 characters, names outside the code page, a huge description, and two
operators saving the same day at once. Every run must complete, report each
failure once with its text and code, leave the installation byte for byte as
it was, and write nothing outside its new dated folder."""

import datetime
import os
import shutil
import subprocess
import time
import unittest

from harness.case import EndToEndCase
from harness.environment import ROOT_WITHOUT_FILE_PERMISSIONS, xdotool
from harness.expected import compare_output, dated_name, snapshot
from harness.waits import HarnessError, LineReader
from harness.window import (COPY_FILE_FAILED, CREATE_FOLDER_FAILED, FOLDER, FOLDER_EXISTS,
                            IDC_DESCRIPTION, IDC_PROGRESS, IDOK, PROGRAM_TIMED_OUT, Box)

SMALL = ("--seed", "5", "--logs", "300", "--days", "10")

ERROR_ACCESS_DENIED = 5
ERROR_SHARING_VIOLATION = 32
ERROR_DISK_FULL = 112
ERROR_ALREADY_EXISTS = 183


class FileHolder:
    """Another program holding an installed file open without sharing it."""

    def __init__(self, env, path):
        self.process = subprocess.Popen(
            [env.wine_run, os.path.join(env.bin, "FileHolder.exe"), env.windows_path(path)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            answer = LineReader(self.process.stdout, "FileHolder").readline(
                60, "FileHolder holding " + path).decode().strip()
        except HarnessError:
            self.release()
            raise
        if answer != "held":
            self.release()
            raise HarnessError("FileHolder could not hold %s: %s" % (path, answer))

    def release(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def newest_entry(folder):
    return max(os.listdir(folder), key=lambda name: os.stat(os.path.join(folder, name)).st_mtime)


class Faults(EndToEndCase):

    def hold(self, path):
        holder = FileHolder(self.env, path)
        self.addCleanup(holder.release)
        return holder

    def save_and_run(self, dorvak, lines, timeout=300, paste=False):
        if paste:
            dorvak.paste_description(lines)
        else:
            dorvak.type_description(lines)
        dorvak.save()
        return dorvak.run_to_end(timeout=timeout)

    def failed_copy(self, root, relative, code):
        """The box of a copy that failed: it names the installed file with its
        folder (relative: its path under root)."""
        source = self.root_windows(root) + relative.replace("/", "\\")
        return (self.probe.system_error(COPY_FILE_FAILED + source, code), "error")

    def run_with_unreadable_log(self, make_unreadable, code, wrapper=()):
        root = self.installation(*SMALL)
        folder = os.path.join(root, "MERUDrv", "LogDrv")
        name = newest_entry(folder)  # copied whatever the day: selected, or the fallback
        make_unreadable(os.path.join(folder, name))
        before = snapshot(root)
        today = datetime.date.today()
        lines = ["Журнал не читается"]
        expected = self.expected(root, today, lines)
        dorvak = self.start(root, wrapper=wrapper)
        boxes = self.save_and_run(dorvak, lines)
        self.assertEqual([(box.text, box.icon) for box in boxes[:-1]],
                         [self.failed_copy(root, "MERUDrv/LogDrv/" + name, code)])
        self.assert_summary_last(boxes, root, today)
        unreadable = "MERUDrv/MERUDrv/LogDrv/" + name
        self.assert_output(root, today, expected, missing_ok={unreadable},
                           partial_ok={unreadable})
        self.assert_only_dated_folder_written(root, before, today)
        return os.path.join(root, dated_name(today), unreadable)

    def test_log_held_open_without_sharing(self):
        destination = self.run_with_unreadable_log(lambda path: self.hold(path),
                                                   ERROR_SHARING_VIOLATION)
        # The copy never started: no empty stand-in is left for support.
        self.assertFalse(os.path.exists(destination))

    def test_log_without_read_permission(self):
        # Wine does not stop reads at another process's LockFileEx lock, and
        # root reads a file whatever its mode; so Wine (its server, which
        # opens the files, and the program) runs without the capabilities
        # that let root past file permissions, and the log has none.
        wrapper = ROOT_WITHOUT_FILE_PERMISSIONS if os.geteuid() == 0 else []
        destination = self.run_with_unreadable_log(lambda path: os.chmod(path, 0),
                                                   ERROR_ACCESS_DENIED, wrapper)
        self.assertFalse(os.path.exists(destination))

    def test_file_where_mirror_folders_must_go(self):
        root = self.installation(*SMALL)
        today = datetime.date.today()
        dated = os.path.join(root, dated_name(today))
        # The first copy of the run waits on its error message, and meanwhile
        # something else puts files where the run will want folders: one for
        # a log folder, one for an inventoried folder.
        self.hold(os.path.join(root, "MERUDrv", "Config0.xml"))
        before = snapshot(root)
        lines = ["Файл на месте папки"]
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        dorvak.type_description(lines)
        dorvak.save()
        dorvak.wait_box()
        obstacles = ["MERUDrv/MERUDrv/LogDrv", "MERUDrv/Sefrin"]
        for obstacle in obstacles:
            with open(os.path.join(dated, obstacle), "wb") as stand_in:
                stand_in.write(b"not a folder")
        boxes = dorvak.run_to_end()

        mirror = self.root_windows(root) + dated_name(today) + "\\MERUDrv\\"
        self.assertEqual(
            [(box.text, box.icon) for box in boxes[:-1]],
            [self.failed_copy(root, "MERUDrv/Config0.xml", ERROR_SHARING_VIOLATION),
             (self.probe.system_error(CREATE_FOLDER_FAILED + mirror + "MERUDrv\\LogDrv\\",
                                      ERROR_ALREADY_EXISTS), "error"),
             (self.probe.system_error(CREATE_FOLDER_FAILED + mirror + "Sefrin\\",
                                      ERROR_ALREADY_EXISTS), "error")])
        self.assert_summary_last(boxes, root, today)
        # Nothing went into or behind the files in the way.
        for path in list(expected.entries):
            if path.startswith("MERUDrv/MERUDrv/LogDrv/") or path.startswith("MERUDrv/Sefrin/") \
                    or path == "MERUDrv/MERUDrv/Config0.xml":
                del expected.entries[path]
        for obstacle in obstacles:
            expected.file(obstacle, b"not a folder")
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def test_output_drive_full(self):
        drive = self.small_drive()
        root = os.path.join(drive, "MERU")
        self.env.sample_install(root, "--seed", "9", "--logs", "0", "--odd-names")
        today = datetime.date.today()
        lines = ["Диск переполнен"]
        expected = self.expected(root, today, lines)
        copies = [path for path, content in expected.entries.items()
                  if isinstance(content, bytes) and path.startswith("MERUDrv/")]
        # Room for about half of the copies, a page each, after the snapshot
        # files; the rest find the drive full.
        self.resize_drive(drive, 4096 * (8 + len(copies) // 2))
        before = snapshot(root)
        dorvak = self.start(root)
        boxes = self.save_and_run(dorvak, lines)
        self.assert_summary_last(boxes, root, today)

        dated = os.path.join(root, dated_name(today))
        incomplete = []
        for path in copies:
            with open(os.path.join(root, path[len("MERUDrv/"):]), "rb") as source:
                content = source.read()
            target = os.path.join(dated, path)
            if not os.path.exists(target) or open(target, "rb").read() != content:
                incomplete.append(path[len("MERUDrv/"):])
        self.assertTrue(incomplete, "the drive did not fill up: the test proves nothing")
        self.assertLess(len(incomplete), len(copies), "nothing was copied at all")
        # The full drive was told once, by one of the copies that did not
        # fit; every later copy was still tried, silently.
        reported = [box.text for box in boxes[:-1]]
        self.assertEqual(len(reported), 1, reported)
        self.assertIn(reported[0], [self.failed_copy(root, relative, ERROR_DISK_FULL)[0]
                                    for relative in incomplete])
        # Writes to the program's own text files that meet the full drive
        # are not told again; copies cut short may stay behind as parts of
        # their source.
        relaxed = {path for path in expected.entries
                   if not path.startswith("MERUDrv/") or path.endswith("/Version.txt")}
        copies_cut = set(copies)
        problems = compare_output(dated, expected, missing_ok=relaxed | copies_cut,
                                  partial_ok=relaxed | copies_cut)
        problems = [problem for problem in problems
                    if not (problem.startswith("content differs") and
                            any(problem.startswith("content differs: " + path + ":")
                                for path in relaxed))]
        self.assertEqual(problems, [])
        self.assert_only_dated_folder_written(root, before, today)

    def small_drive(self):
        """A tmpfs of its own, mapped as a drive letter of the prefix."""
        mount_point = os.path.join(self.folder, "drive")
        os.makedirs(mount_point)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16m", "tmpfs", mount_point],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            self.skipTest("cannot mount a small drive: " + result.stdout.decode().strip())
        self.addCleanup(subprocess.run, ["umount", "-l", mount_point])
        devices = os.path.join(self.env.prefix, "dosdevices")
        letter = next(c for c in "rstuvwxy" if not os.path.lexists(os.path.join(devices, c + ":")))
        os.symlink(mount_point, os.path.join(devices, letter + ":"))
        self.addCleanup(os.remove, os.path.join(devices, letter + ":"))
        return mount_point

    @staticmethod
    def resize_drive(mount_point, free_bytes):
        info = os.statvfs(mount_point)
        used = (info.f_blocks - info.f_bfree) * info.f_frsize
        size = used + free_bytes
        subprocess.run(["mount", "-o", "remount,size=%d" % size, mount_point], check=True)

    def test_log_folder_with_a_recent_sub_folder_and_only_old_logs(self):
        root = self.installation(*SMALL)
        folder = os.path.join(root, "MERUDrv", "LogDrv")
        logs = sorted(name for name in os.listdir(folder)
                      if os.path.isfile(os.path.join(folder, name)))
        self.assertTrue(logs)
        # Every log weeks old, an hour apart; an archive folder written today.
        old = time.time() - 40 * 86400
        for index, name in enumerate(logs):
            os.utime(os.path.join(folder, name), (old + index * 3600,) * 2)
        os.makedirs(os.path.join(folder, "Archive"))
        with open(os.path.join(folder, "Archive", "inner.log"), "wb") as inner:
            inner.write(b"archived")
        # And a folder named like a configuration file in a product folder.
        os.makedirs(os.path.join(root, "MERUDrv", "Folder.xml"))
        today = datetime.date.today()
        lines = ["Папка среди журналов"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        self.assertIn("MERUDrv/MERUDrv/LogDrv/" + logs[-1], expected.entries)
        dorvak = self.start(root)
        boxes = self.save_and_run(dorvak, lines)
        # No copy-failure box: only the summary.
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assert_output(root, today, expected)
        self.assertEqual(os.listdir(os.path.join(root, dated_name(today), "MERUDrv", "MERUDrv",
                                                 "LogDrv")), [logs[-1]])
        self.assert_only_dated_folder_written(root, before, today)

    def test_enter_pressed_twice_on_save(self):
        root = self.installation(*SMALL)
        today = datetime.date.today()
        lines = ["Ввод дважды"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        dorvak.type_description(lines)
        dorvak.tab_to(IDC_DESCRIPTION)
        # The second Enter waits in the queue while the run works; it must
        # not close the summary before it can be read.
        xdotool("key", "--delay", "40", "Return", "Return")
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def test_root_deeper_than_260_characters(self):
        parent = os.path.join(self.folder, "deep")
        while len(self.env.windows_path(parent)) < 215:
            parent = os.path.join(parent, "level-%02d-of-the-tree" % parent.count("level"))
        root = os.path.join(parent, "MERU")
        self.env.sample_install(root, *SMALL)
        self.assertLess(len(self.env.windows_path(root) + "\\Dorvak\\Dorvak.exe"), 260)
        today = datetime.date.today()
        lines = ["Глубокая установка"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        boxes = self.save_and_run(dorvak, lines)
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)
        longest = max(len(self.root_windows(root) + dated_name(today) + "\\" + path)
                      for path in expected.entries)
        self.assertGreater(longest, 260)

    def test_names_with_blanks_and_outside_the_code_page(self):
        root = self.installation("--seed", "11", "--logs", "0", "--odd-names",
                                 name="Корень установки 日本 Ω")
        today = datetime.date.today()
        lines = ["Имена с пробелами, 日本語 и Ωμέγα", "вторая строка"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        # The old odd-named log is its folder's only one: the fallback takes it.
        self.assertIn("MERUDrv/MERUProt/BadProt/последний 日本.log", expected.entries)
        dorvak = self.start(root)
        # No keyboard types Japanese and Greek beside Russian: pasted.
        boxes = self.save_and_run(dorvak, lines, paste=True)
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)
        # Letters the code page lacks reach the narrow files as its default
        # character, Cyrillic as one byte each.
        with open(os.path.join(root, dated_name(today), "ReadMe.txt"), "rb") as readme:
            self.assertEqual(readme.read(),
                             "Имена с пробелами, ??? и ?????\r\nвторая строка".encode("cp1251"))
        with open(os.path.join(root, dated_name(today), "MERUDrv", "Tools", "Version.txt"),
                  "rb") as inventory:
            self.assertIn("Сервис ?? tool.exe\tv3.2.0.15\t".encode("cp1251"), inventory.read())

    def test_description_of_one_mebibyte(self):
        # Typing a mebibyte key by key would take hours: it is pasted with
        # Ctrl+V from the clipboard, as an operator would paste a long log
        # excerpt, and Save is pressed with Enter as usual.
        root = self.installation(*SMALL)
        today = datetime.date.today()
        # Five long lines: the edit has no vertical scrolling, so it takes
        # no more lines than it shows and refuses a paste of more.
        line = "Строка %d: лифт, этаж, код ошибки, время события; "
        lines = [(line % n) * (1024 * 1024 // 5 // len(line % n) + 1) for n in range(5)]
        description = "\r\n".join(lines)[:1024 * 1024]
        before = snapshot(root)
        dorvak = self.start(root)
        # Waits until the edit holds the whole text: a paste cut short fails.
        dorvak.paste_description([description])
        dorvak.save()
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        with open(os.path.join(root, dated_name(today), "ReadMe.txt"), "rb") as readme:
            stored = readme.read()
        self.assertEqual(len(stored), 1024 * 1024)
        self.assertEqual(stored, description.encode("cp1251"))
        expected = self.expected(root, today, [description])
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def test_two_instances_save_the_same_date_at_once(self):
        root = self.installation(*SMALL)
        today = datetime.date.today()
        before = snapshot(root)
        first = self.start(root)
        second = self.start(root, known=(first.hwnd,))
        # One above the other, as two operators' windows would be moved so
        # that a click can bring either to the front.
        second.move_to(3, 560)
        texts = {first.pid: ["Первый оператор"], second.pid: ["Второй оператор"]}
        first.type_description(texts[first.pid])
        second.type_description(texts[second.pid])
        # A click on each Save button, one right after the other: the second
        # run starts while the first works.
        clicks = []
        for dorvak in (first, second):
            x, y = dorvak.control_center(IDOK)
            clicks += ["mousemove", "--sync", str(x), str(y), "click", "1"]
        subprocess.run(["xdotool"] + clicks, check=True, timeout=60)

        def settled():
            return all(d.ended() or d.boxes for d in (first, second)) and \
                (first.ended() or second.ended())
        others_running = {}
        deadline = time.monotonic() + 300
        owners = {first.pid: (first, second), second.pid: (second, first)}
        while not settled():
            if time.monotonic() > deadline:
                raise HarnessError("not reached within 300 s: one run finished and the other "
                                   "refused; boxes %r and %r" % (first.boxes, second.boxes))
            # The boxes of both may stand on top of each other: the topmost
            # is answered first, and only its icon can be seen.
            boxes = [Box(item) for item in self.probe.windows()
                     if item["box"] and item["pid"] in owners and
                     item["hwnd"] not in owners[item["pid"]][0].answered]
            if boxes:
                dorvak, other = owners[boxes[0].pid]
                others_running.setdefault(dorvak.pid, not other.ended())
                try:
                    dorvak.answer_box(boxes[0])
                except HarnessError:
                    # The other's box came up on top of it meanwhile.
                    dorvak.answered.discard(boxes[0].hwnd)
                    dorvak.boxes.remove(boxes[0])
            time.sleep(0.1)
        winner = first if first.ended() else second
        loser = second if winner is first else first
        self.assertTrue(winner.ended())
        self.assert_summary_last(winner.boxes, root, today)
        self.assertEqual(len(winner.boxes), 1, winner.boxes)
        self.assertEqual([(box.text, box.icon) for box in loser.boxes],
                         [(FOLDER + self.root_windows(root) + dated_name(today) + "\\" +
                           FOLDER_EXISTS, "error")])
        # The refusal came while the other run was still at work.
        self.assertTrue(others_running[loser.pid])
        # The refused one stays open, untouched, until its operator cancels.
        self.assertTrue(loser.dialog_open())
        loser.cancel()
        loser.run_to_end(timeout=60)
        self.assertEqual(len(loser.boxes), 1)
        self.assertEqual([name for name in os.listdir(root) if name[:2] == "20"],
                         [dated_name(today)])
        self.assert_output(root, today, self.expected(root, today, texts[winner.pid]))
        self.assert_only_dated_folder_written(root, before, today)


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
    """The programs Dorvak starts: only the named one runs, no path reaches
    the command interpreter, and one that never ends is ended at its limit
    while the window stays painted."""

    def run_to_summary(self, dorvak, lines, timeout=300):
        dorvak.type_description(lines)
        dorvak.save()
        return dorvak.run_to_end(timeout=timeout)

    def test_root_with_a_blank_beside_a_planted_program(self):
        root = self.installation(*SMALL, name="Sites/MERU Suite")
        sites = os.path.dirname(root)
        planted = os.path.join(sites, "MERU.exe")
        # A program that would leave its trace (commandline.log beside it) if
        # the system took the configurators' path up to the blank.
        shutil.copy(os.path.join(self.env.build_dir, "configurators", "disp", "MERUDispCfg.exe"),
                    planted)
        today = datetime.date.today()
        lines = ["Пробел в пути установки"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        boxes = self.run_to_summary(dorvak, lines)
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assertEqual(sorted(os.listdir(sites)), ["MERU Suite", "MERU.exe"])
        # Both configurators ran, each with its command line as composed.
        for folder in ("MERUDisp", "MERUDomain"):
            self.assertTrue(os.path.exists(os.path.join(root, folder, "commandline.log")), folder)
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def test_root_named_by_a_variable_beside_that_machines_folder(self):
        computer = self.env.run_windows(["cmd", "/c", "echo %COMPUTERNAME%"]).strip()
        self.assertTrue(computer and "%" not in computer, computer)
        root = self.installation(*SMALL, name="vars/%COMPUTERNAME%")
        today = datetime.date.today()
        # The folder a "%COMPUTERNAME%" expanded by the interpreter would
        # have led the captures into.
        elsewhere = os.path.join(self.folder, "vars", computer, dated_name(today))
        os.makedirs(elsewhere)
        lines = ["Переменная в пути"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        boxes = self.run_to_summary(dorvak, lines)
        self.assertEqual(len(boxes), 1, boxes)
        self.assert_summary_last(boxes, root, today)
        self.assertEqual(os.listdir(elsewhere), [])
        self.assertEqual(sorted(os.listdir(os.path.join(self.folder, "vars"))),
                         sorted(["%COMPUTERNAME%", computer]))
        dated = os.path.join(root, dated_name(today))
        for name in ("ipconfig.txt", "route.txt", "files.tree", "arp.txt", "netstat.txt"):
            self.assertTrue(os.path.isfile(os.path.join(dated, name)), name)
        # Wine's ipconfig does write: its capture shows the file was the
        # command's output.
        self.assertGreater(os.path.getsize(os.path.join(dated, "ipconfig.txt")), 0)
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def use_test_build(self, root):
        """Dorvak.exe of the test build, whose waits end after seconds."""
        shutil.copy(os.path.join(self.env.build_dir, "testwaits", "Dorvak.exe"),
                    os.path.join(root, "Dorvak", "Dorvak.exe"))

    def wait_processes(self, name, count, timeout):
        deadline = time.time() + timeout
        while len(processes_of(self.env, name)) != count:
            if time.time() > deadline:
                return False
            time.sleep(0.1)
        return True

    def wait_progress(self, dorvak, ending, timeout=120):
        deadline = time.time() + timeout
        shown = ""
        while time.time() < deadline:
            shown = self.probe.text(dorvak.hwnd, IDC_PROGRESS)
            if shown.endswith(ending):
                return shown
            if dorvak.own_boxes():
                break
            time.sleep(0.2)
        raise HarnessError("the progress line does not show %r (it shows %r)" % (ending, shown))

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
            deadline = time.time() + 30
            while share_of(grab(geometry), lambda p: p == magenta) < 0.5:
                if time.time() > deadline:
                    raise HarnessError("the cover window did not appear")
                time.sleep(0.2)
        finally:
            cover.kill()
            cover.wait()
        deadline = time.time() + 10
        while True:
            now = grab(geometry)
            same = sum(1 for i in range(0, len(now), 3) if now[i:i + 3] == painted[i:i + 3])
            if same * 3 >= 0.95 * len(now):
                return
            if time.time() > deadline:
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
        hung = os.path.join(root, "Dorvak", "ipconfig.exe")
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"), hung)
        today = datetime.date.today()
        lines = ["Команда не завершается"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        dorvak = self.start(root)
        # Away from the top left corner, where the interpreter's console
        # window opens, with its blinking cursor.
        _, _, width, height = window_geometry(dorvak.xid)
        screen_width, screen_height = (int(n) for n in xdotool("getdisplaygeometry").split())
        dorvak.move_to(screen_width - width - 10, screen_height - height - 40)
        dorvak.type_description(lines)
        dorvak.save()
        started = time.time()
        command = self.wait_progress(dorvak, "\\cmd.exe /U /Q /C ipconfig /all")
        self.assertTrue(self.wait_processes("ipconfig.exe", 2, 10),
                        "the stand-in and the copy it starts are not running")
        self.assert_repainted_after_being_covered(dorvak)
        self.assertFalse(dorvak.own_boxes(), "the limit came before the window was checked")
        box = dorvak.wait_box(timeout=120)
        waited = time.time() - started
        self.assertEqual((box.text, box.icon), (PROGRAM_TIMED_OUT + command, "error"))
        self.assertGreaterEqual(waited, CAPTURE_LIMIT - 1)
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 2, boxes)
        self.assert_summary_last(boxes, root, today)
        # The stand-in and the copy of itself it started are gone.
        self.assertTrue(self.wait_processes("ipconfig.exe", 0, 30), "a stand-in is left running")
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

    def test_configurator_that_never_ends(self):
        root = self.installation(*SMALL)
        self.use_test_build(root)
        configurator = os.path.join(root, "MERUDisp", "MERUDispCfg.exe")
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"), configurator)
        today = datetime.date.today()
        lines = ["Конфигуратор не завершается"]
        before = snapshot(root)
        expected = self.expected(root, today, lines)
        export = expected.entries.get("MERUDrv/MERUDisp/Struct.XML")
        if callable(export):
            del expected.entries["MERUDrv/MERUDisp/Struct.XML"]  # it never came
        dorvak = self.start(root)
        dorvak.type_description(lines)
        dorvak.save()
        mirror = self.root_windows(root) + dated_name(today) + "\\MERUDrv\\"
        command = (self.root_windows(root) + "\\MERUDisp\\MERUDispCfg.exe -s\"" + mirror +
                   "\\MERUDisp\\Struct.XML\"")
        self.assertEqual(self.wait_progress(dorvak, command), command)
        self.assertTrue(self.wait_processes("MERUDispCfg.exe", 2, 10),
                        "the stand-in and the copy it starts are not running")
        started = time.time()
        box = dorvak.wait_box(timeout=120)
        self.assertEqual((box.text, box.icon), (PROGRAM_TIMED_OUT + command, "error"))
        self.assertGreaterEqual(time.time() - started, CONFIGURATOR_LIMIT - 5)
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 2, boxes)
        self.assert_summary_last(boxes, root, today)
        # The stand-in and the copy of itself it started are gone.
        self.assertTrue(self.wait_processes("MERUDispCfg.exe", 0, 30), "a stand-in is left running")
        self.assert_output(root, today, expected)
        self.assert_only_dated_folder_written(root, before, today)

if __name__ == "__main__":
    unittest.main()
