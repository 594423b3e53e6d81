"""Where the output goes: a drive that fills up during the run, and paths
past 260 characters. The run completes, tells a full drive once, and
writes nothing outside its dated folder."""

import os
import re
import subprocess
import unittest

from harness.case import SMALL, EndToEndCase
from harness.expected import dated_name

ERROR_DISK_FULL = 112
RECORD_INCOMPLETE = ". Файл Dorvak.log в этой папке записать полностью не удалось."


class OutputDrive(EndToEndCase):

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

    def test_output_drive_full(self):
        drive = self.small_drive()
        root = os.path.join(drive, "MERU")
        self.env.sample_install(root, "--seed", "9", "--logs", "0", "--odd-names")
        copies = []

        def adjust(expected):
            copies.extend(path for path, content in expected.entries.items()
                          if isinstance(content, bytes) and path.startswith("MERUDrv/"))
            # Room for about half of the copies, a page each, after the run's
            # own text files (the three of the machine a page or two each);
            # the rest find the drive full.
            self.resize_drive(drive, 4096 * (8 + 4 + len(copies) // 2))
            # Told below: which copy meets the full drive first is the run's.
            expected.messages = None
            # Copies cut short may stay behind as parts of their source.
            for path in copies:
                expected.may_be_cut(path)
            # Writes to the program's own text files that meet the full drive
            # are not told again.
            for path in list(expected.entries):
                if not path.startswith("MERUDrv/") or path.endswith("/Version.txt"):
                    expected.may_be_anything(path)
        run = self.run_scenario(root, ["Диск переполнен"], adjust=adjust)

        incomplete = []
        for path in copies:
            with open(os.path.join(root, path[len("MERUDrv/"):]), "rb") as source:
                content = source.read()
            target = os.path.join(run.dated, path)
            if not os.path.exists(target) or open(target, "rb").read() != content:
                incomplete.append(path[len("MERUDrv/"):])
        self.assertTrue(incomplete, "the drive did not fill up: the test proves nothing")
        self.assertLess(len(incomplete), len(copies), "nothing was copied at all")
        # The full drive was told once, by one of the copies that did not
        # fit; every later copy was still tried, silently.
        reported = [box.text for box in run.boxes[:-1]]
        self.assertEqual(len(reported), 1, reported)
        self.assertIn(reported[0], [self.failed_copy(root, relative, ERROR_DISK_FULL)[0]
                                    for relative in incomplete])
        # The record hears every copy the full drive stopped, told or not,
        # until it meets the full drive itself: here the page it had begun
        # still holds several more lines.
        with open(os.path.join(run.dated, "Dorvak.log"), "rb") as record:
            text = record.read().decode("utf-8", "replace")
        named = re.findall(r" NOT-COPIED code=%d file=(.*)\r\n" % ERROR_DISK_FULL, text)
        at = self.root_windows(root)
        self.assertGreater(len(named), 1, text)
        self.assertLessEqual(set(named), {at + path.replace("/", "\\") for path in incomplete})
        # What it had begun of the line that met the full drive is taken back.
        self.assertTrue(text.endswith("\r\n"), text[-200:])
        # The summary no longer hides the full drive behind "saved": under
        # the warning icon it counts every copy that did not fit, told or
        # not, and the record's own failure, and says the record is not whole.
        summary = run.boxes[-1]
        self.assertEqual(summary.icon, "exclamation")
        self.assertGreaterEqual(self.troubles(summary, root, run.day), len(incomplete) + 1)
        self.assertIn("%d%s\r\n" % (self.troubles(summary, root, run.day), RECORD_INCOMPLETE),
                      summary.text)

    def test_root_deeper_than_260_characters(self):
        parent = os.path.join(self.folder, "deep")
        while len(self.env.windows_path(parent)) < 215:
            parent = os.path.join(parent, "level-%02d-of-the-tree" % parent.count("level"))
        root = os.path.join(parent, "MERU")
        self.env.sample_install(root, *SMALL)
        self.assertLess(len(self.env.windows_path(root) + "\\Dorvak\\Dorvak.exe"), 260)
        run = self.run_scenario(root, ["Глубокая установка"])
        longest = max(len(self.root_windows(root) + dated_name(run.day) + "\\" + path)
                      for path in run.expected.entries)
        self.assertGreater(longest, 260)


if __name__ == "__main__":
    unittest.main()
