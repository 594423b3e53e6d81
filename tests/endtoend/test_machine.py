"""The machine as a run finds it: processes.txt, services.txt and
drives.txt in the dated folder, and the suite's crash reports in its
Crashes folder."""

import os
import shutil
import signal
import subprocess
import time
import unittest

from harness.case import SMALL, EndToEndCase
from harness.expected import MACHINE_FILES, UTF8_MARK
from harness.waits import wait_for
from test_programs import processes_of
from test_record import Record, facts

# A program of the suite: an .exe of an inventoried folder, running.
PROGRAM = "LiftWatch.exe"
SERVICE = "DorvakLiftWatch"
DAY = 24 * 3600
CAP = 256 * 1024 * 1024


def read_table(path):
    """The rows of a machine file as cells, the header first."""
    with open(path, "rb") as source:
        data = source.read()
    assert data.startswith(UTF8_MARK) and data.endswith(b"\r\n"), data[:80]
    return [line.split("\t") for line in data[3:-2].decode("utf-8").split("\r\n")]


def report_wer(app_path):
    """Report.wer as Windows Error Reporting writes it: UTF-16 with its mark."""
    text = "Version=1\r\nEventType=APPCRASH\r\nAppName=LiftWatch\r\nAppPath=%s\r\n" % app_path
    return b"\xff\xfe" + text.encode("utf-16-le")


def age(path, days_old):
    when = time.time() - days_old * DAY
    os.utime(path, (when, when))


class Machine(EndToEndCase):

    def plant(self, path, content=b"", size=None, days_old=0):
        """A file (its folders made as needed) written days_old days ago,
        removed again after the test; a size makes it sparse."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.assertFalse(os.path.exists(path), "left from an earlier run: " + path)
        with open(path, "wb") as planted:
            planted.write(content)
            if size is not None:
                planted.truncate(size)
        self.addCleanup(os.remove, path)
        age(path, days_old)

    def plant_report(self, folder, name, program_path, days_old=0):
        """A report folder whose Report.wer names program_path, the folder
        itself last written days_old days ago."""
        path = os.path.join(folder, name)
        os.makedirs(path)
        self.addCleanup(os.rmdir, path)
        self.plant(os.path.join(path, "Report.wer"), report_wer(program_path), days_old=days_old)
        age(path, days_old)
        return path

    def start_suite_program(self, root):
        """The stand-in, from an inventoried folder of the installation, one
        process alone (the argument keeps it from starting its copy)."""
        path = os.path.join(root, "Tools", PROGRAM)
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"), path)
        program = subprocess.Popen(
            [self.env.wine_run, self.env.windows_path(path), "--started-by-a-hung-program"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)

        def end():
            if program.poll() is None:
                os.killpg(program.pid, signal.SIGKILL)
                program.wait()
            wait_for(lambda: not processes_of(self.env, PROGRAM), "the stand-in ended", 30)
        self.addCleanup(end)
        wait_for(lambda: len(processes_of(self.env, PROGRAM)) == 1, "the stand-in running", 60)
        return self.env.windows_path(path)

    def create_service(self, binary):
        self.env.run_windows(["sc", "create", SERVICE, "binpath=", binary + " -service",
                              "DisplayName=", "Lift watch"])
        self.addCleanup(self.env.run_windows, ["sc", "delete", SERVICE])

    def test_processes_services_drives_and_the_suites_crash_reports(self):
        """What catches what:
        - the stand-in not found, not marked, or named without its folder:
          its line in processes.txt, among the suite's first lines;
        - the service of the suite not found or not marked: its line;
        - drive C: not asked: its line, with a total above zero;
        - a report or a dump of another program, or one from before the
          start day, copied, or one of the suite's missed, or a dump over
          the cap copied: the dated folder holds exactly the expected
          Crashes tree (an extra or a missing entry fails the comparison);
        - the system account's dumps read through the redirected folder
          (SysWOW64 under WoW64): its dump is missing;
        - a record line missing or wrong: a list's count, the suite's among
          them, a report or a dump copied, the dump over the cap left out
          and named with its size."""
        root = self.installation(*SMALL)
        program = self.start_suite_program(root)
        self.create_service(program)

        local = self.env.run_windows(["cmd", "/c", "echo %LOCALAPPDATA%"]).strip()
        self.assertEqual(local[:3].upper(), "C:\\", local)
        local = os.path.join(self.env.drive_c, *local[3:].split("\\"))
        machine_wer = os.path.join(self.env.drive_c, "ProgramData", "Microsoft", "Windows", "WER")
        user_wer = os.path.join(local, "Microsoft", "Windows", "WER")
        user_dumps = os.path.join(local, "CrashDumps")
        # The 64-bit system's own folder: a 32-bit program reaches it only
        # through Sysnative.
        system_dumps = os.path.join(self.env.drive_c, "windows", "system32", "config",
                                    "systemprofile", "AppData", "Local", "CrashDumps")
        seen_as = {system_dumps: "C:\\windows\\Sysnative\\config\\systemprofile\\AppData\\Local\\"
                                 "CrashDumps"}
        copied, reports, dumps = {}, [], []
        for folder, name, app, days_old, taken in [
                (machine_wer, "AppCrash_LiftWatch.exe_5e2c71a0_0b4f", program, 0, "Machine"),
                (user_wer, "AppHang_LiftWatch.exe_77c1d2e3_1a2b", program, 0, "User"),
                (machine_wer, "AppCrash_LiftWatch.exe_0d0d0d0d_9f9f", program, 3, None),
                (machine_wer, "AppCrash_notepad.exe_6a6a6a6a_2c2c", "C:\\windows\\notepad.exe", 0,
                 None)]:
            queue = "ReportArchive" if name.startswith("AppCrash") else "ReportQueue"
            report = self.plant_report(os.path.join(folder, queue), name, app, days_old)
            if taken:
                copied["%s/%s/%s" % (taken, queue, name)] = None
                copied["%s/%s/%s/Report.wer" % (taken, queue, name)] = report_wer(program)
                reports.append(self.env.windows_path(report) + "\\")
        for folder, name, size, days_old, taken in [
                (user_dumps, "LiftWatch.exe.4242.dmp", 3000, 0, "User/CrashDumps"),
                (system_dumps, "LiftWatch.exe.4545.dmp", 2000, 0, "System/CrashDumps"),
                (user_dumps, "LiftWatch.exe.4141.dmp", 1000, 3, None),
                (user_dumps, "notepad.exe.4343.dmp", 1000, 0, None),
                (user_dumps, "LiftWatch.exe.4444.dmp", CAP + 1, 0, None)]:
            content = bytes([size % 251]) * min(size, 4096)
            self.plant(os.path.join(folder, name), content, size=size, days_old=days_old)
            named = seen_as.get(folder) or self.env.windows_path(folder)
            if taken:
                copied[taken + "/" + name] = content
                dumps.append((named + "\\" + name, str(size)))
            elif size > CAP:
                left_out = {"size": str(size), "file": named + "\\" + name}
        crashes = {"Crashes": None}
        for path, content in copied.items():
            parts = path.split("/")
            for depth in range(1, len(parts)):
                crashes["Crashes/" + "/".join(parts[:depth])] = None
            crashes["Crashes/" + path] = content

        def adjust(expected):
            for path, content in crashes.items():
                expected.entries[path] = content

        run = self.run_scenario(root, ["Лифт 3 встал в 10:15"], adjust=adjust)

        processes = read_table(os.path.join(run.dated, "processes.txt"))
        self.assertEqual(processes[0], MACHINE_FILES["processes.txt"])
        suite = [row for row in processes[1:] if row[8] == "yes"]
        self.assertEqual(processes[1:1 + len(suite)], suite, "the suite's processes first")
        # Dorvak itself is a program of the suite too.
        self.assertEqual(sorted(row[9] for row in suite),
                         [self.root_windows(root) + "Dorvak\\Dorvak.exe", program])
        self.assertGreater(len(processes), 5)

        services = read_table(os.path.join(run.dated, "services.txt"))
        self.assertEqual(services[0], MACHINE_FILES["services.txt"])
        self.assertEqual(services[1], [SERVICE, "Lift watch", "stopped", "manual", "",
                                       "LocalSystem", "yes", program + " -service"])
        self.assertNotIn("yes", [row[6] for row in services[2:]])

        drive_rows = read_table(os.path.join(run.dated, "drives.txt"))
        drives = {row[0]: row for row in drive_rows}
        self.assertEqual(drives["C:\\"][1], "fixed")
        self.assertGreater(int(drives["C:\\"][4]), 0)
        self.assertEqual(drives["C:\\"][7], "installation, dated folder")
        self.assertEqual(drives["C:\\"][8], "yes")

        record = Record(self, os.path.join(run.dated, "Dorvak.log"))
        dated = self.env.windows_path(run.dated) + "\\"
        for keyword, rows, suite in [("PROCESSES", processes, "2"), ("SERVICES", services, "1"),
                                     ("DRIVES", drive_rows, None)]:
            line = {"entries": str(len(rows) - 1), "file": dated + keyword.lower() + ".txt"}
            if suite:
                line["suite"] = suite
            self.assertEqual(facts(record.one(keyword)), line)
        self.assertEqual(sorted(facts(text)["folder"] for text in record.only("CRASH-REPORT")),
                         sorted(reports))
        self.assertEqual(sorted((facts(text)["file"], facts(text)["size"])
                                for text in record.only("DUMP")), sorted(dumps))
        self.assertEqual([facts(text) for text in record.only("DUMP-LEFT-OUT")], [left_out])
        self.assertEqual(record.only("NOT-LISTED") + record.only("NO-ANSWER"), [])


if __name__ == "__main__":
    unittest.main()
