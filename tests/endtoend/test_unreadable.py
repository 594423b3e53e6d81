"""Installed entries a run cannot take as it expects: logs that cannot be
read, a file put where a mirror folder must go, a folder among logs and one
named like a configuration file. Every run completes, reports each failure
once with its text and code, and leaves the installation as it was."""

import os
import subprocess
import time
import unittest

from harness.case import SMALL, EndToEndCase
from harness.environment import ROOT_WITHOUT_FILE_PERMISSIONS
from harness.expected import dated_name
from harness.waits import HarnessError, LineReader
from harness.window import CREATE_FOLDER_FAILED

ERROR_ACCESS_DENIED = 5
ERROR_SHARING_VIOLATION = 32
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


class UnreadableEntries(EndToEndCase):

    def hold(self, path):
        holder = FileHolder(self.env, path)
        self.addCleanup(holder.release)
        return holder

    def test_log_that_cannot_be_read(self):
        # Wine does not stop reads at another process's LockFileEx lock, and
        # root reads a file whatever its mode; so for the log without read
        # permission Wine (its server, which opens the files, and the
        # program) runs without the capabilities that let root past file
        # permissions.
        without_permissions = ROOT_WITHOUT_FILE_PERMISSIONS if os.geteuid() == 0 else []
        cases = [
            ("held open without sharing", self.hold, ERROR_SHARING_VIOLATION, ()),
            ("without read permission", lambda path: os.chmod(path, 0), ERROR_ACCESS_DENIED,
             without_permissions),
        ]
        for index, (name, make_unreadable, code, wrapper) in enumerate(cases):
            with self.subTest(name):
                root = self.installation(*SMALL, name="MERU-%d" % index)
                folder = os.path.join(root, "MERUDrv", "LogDrv")
                log = newest_entry(folder)  # copied whatever the day: selected, or the fallback
                make_unreadable(os.path.join(folder, log))

                def adjust(expected):
                    # The copy never started: no empty stand-in is left for support.
                    del expected.entries["MERUDrv/MERUDrv/LogDrv/" + log]
                    expected.messages.append(self.failed_copy(root, "MERUDrv/LogDrv/" + log,
                                                              code))
                self.run_scenario(root, ["Журнал не читается"], adjust=adjust, wrapper=wrapper)

    def test_file_where_mirror_folders_must_go(self):
        root = self.installation(*SMALL)
        obstacles = ["MERUDrv/MERUDrv/LogDrv", "MERUDrv/Sefrin"]
        # The first copy of the run waits on its error message, and meanwhile
        # something else puts files where the run will want folders: one for
        # a log folder, one for an inventoried folder.
        self.hold(os.path.join(root, "MERUDrv", "Config0.xml"))

        def adjust(expected):
            mirror = self.root_windows(root) + "\\".join([dated_name(expected.day),
                                                          "MERUDrv", ""])
            expected.messages += [
                self.failed_copy(root, "MERUDrv/Config0.xml", ERROR_SHARING_VIOLATION),
                (self.probe.system_error(CREATE_FOLDER_FAILED + mirror + "MERUDrv\\LogDrv\\",
                                         ERROR_ALREADY_EXISTS), "error"),
                (self.probe.system_error(CREATE_FOLDER_FAILED + mirror + "Sefrin\\",
                                         ERROR_ALREADY_EXISTS), "error")]
            # Nothing goes into or behind the files in the way.
            for path in list(expected.entries):
                if path.startswith("MERUDrv/MERUDrv/LogDrv/") or \
                        path.startswith("MERUDrv/Sefrin/") or path == "MERUDrv/MERUDrv/Config0.xml":
                    del expected.entries[path]
            for obstacle in obstacles:
                expected.file(obstacle, b"not a folder")

        def put_obstacles(dorvak, expected):
            dorvak.wait_box()
            for obstacle in obstacles:
                with open(os.path.join(root, dated_name(expected.day), obstacle),
                          "wb") as stand_in:
                    stand_in.write(b"not a folder")
        self.run_scenario(root, ["Файл на месте папки"], adjust=adjust, during=put_obstacles)

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
        # No copy-failure message: only the summary.
        run = self.run_scenario(root, ["Папка среди журналов"])
        self.assertIn("MERUDrv/MERUDrv/LogDrv/" + logs[-1], run.expected.entries)
        self.assertEqual(os.listdir(os.path.join(run.dated, "MERUDrv", "MERUDrv", "LogDrv")),
                         [logs[-1]])


if __name__ == "__main__":
    unittest.main()
