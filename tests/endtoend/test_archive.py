"""The archive a run leaves in its dated folder, opened by readers that owe
the program nothing (Python's zipfile, Info-ZIP unzip, 7-Zip): a whole run,
names in and outside code page 1251, a drive that has room for the run but
not for its archive, and a run ended from outside while it packs."""

import datetime
import os
import re
import subprocess
import time
import unittest
import zipfile

from harness.case import SMALL, EndToEndCase
from harness.expected import dated_name
from harness.waits import wait_for
from harness.window import IDC_PROGRESS, RUN_INCOMPLETE, SAVED_TO
import test_output_drive
from test_output_drive import ERROR_DISK_FULL
from test_record import Record, facts

UTF8 = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
ARCHIVE_MADE = "\r\nАрхив для отправки: "
BY_HAND = "\r\nАрхив создать не удалось: пожалуйста, заархивируйте эту папку сами."
SEND = "\r\nПожалуйста, отправьте архив этой папки по адресу "
WRITE_FAILED = "Ошибка при записи файла "
EPOCH_AS_FILETIME = 116444736000000000
# Written today into a log folder of the plan, so the run copies them.
NAMED_LOGS = {"Журнал лифта 3.log": "дверь открыта".encode("cp1251"),
              "Ωμέγα 日本語.log": "γεια σου, こんにちは".encode("utf-8")}
# Random bytes do not deflate: the archive is at least this big.
INCOMPRESSIBLE = 1536 * 1024
# Seconds of deflate even on a quick machine, so a run can be ended in it.
LARGE = 160 * 1024 * 1024


def ntfs_mtime(extra):
    """The last-write FILETIME of the NTFS extra field (0x000A, tag 1), or None."""
    while len(extra) >= 4:
        tag, size = int.from_bytes(extra[0:2], "little"), int.from_bytes(extra[2:4], "little")
        if tag == 0x000A and extra[8:10] == b"\x01\x00":
            return int.from_bytes(extra[12:20], "little")
        extra = extra[4 + size:]
    return None


def megabytes(size):
    return ("%.1f" % (size / 2**20)).replace(".", ",")


def reader(*command):
    """The status and output of one of the outside readers."""
    run = subprocess.run(list(command), env=UTF8, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, timeout=300)
    return run.returncode, run.stdout.decode("utf-8", "replace")


class Archive(EndToEndCase):

    def put_log(self, root, name, content):
        folder = os.path.join(root, "MERUDrv", "LogDrv")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "wb") as log:
            log.write(content)

    def dated_windows(self, run):
        return self.env.windows_path(run.dated) + "\\"

    def assert_summary(self, run, archive_line, troubled=False):
        summary = run.boxes[-1].text
        head = SAVED_TO + self.dated_windows(run)
        if troubled:
            # The line of the run's troubles comes first.
            self.assertTrue(summary.startswith(head + RUN_INCOMPLETE), summary)
            head = summary[:summary.index("\r\n", len(head) + 2)]
        self.assertTrue(summary.startswith(head + archive_line + SEND), summary)
        self.assertEqual(summary.count("\r\nАрхив"), 1, summary)

    def check_archive(self, run):
        """Every check of a packed run: the three readers accept the archive,
        it holds the dated folder entry for entry, byte for byte and time for
        time, and the summary and the record name it. Its open ZipFile."""
        name = self.archive_name(run.day)
        path = os.path.join(run.dated, name)
        top = name[:-len(".zip")] + "/"
        for command, good in ((["unzip", "-t"], "No errors detected"),
                              (["7z", "t"], "Everything is Ok")):
            status, output = reader(*command, path)
            self.assertEqual(status, 0, output)
            self.assertIn(good, output)
        archive = zipfile.ZipFile(path)
        self.addCleanup(archive.close)
        self.assertIsNone(archive.testzip())

        on_disk = {top: run.dated}
        for folder, folders, files in os.walk(run.dated):
            inner = top + os.path.relpath(folder, run.dated).replace(os.sep, "/") + "/"
            inner = top if inner == top + "./" else inner
            on_disk.update({inner + entry + "/": os.path.join(folder, entry) for entry in folders})
            on_disk.update({inner + entry: os.path.join(folder, entry) for entry in files
                            if os.path.join(folder, entry) != path})
        self.assertEqual(sorted(archive.namelist()), sorted(on_disk))

        # Written after packing began: the record, and the top folder by the
        # archive's own creation.
        changed_since = {top, top + "Dorvak.log"}
        for info in archive.infolist():
            disk = on_disk[info.filename]
            mtime_ns = os.stat(disk).st_mtime_ns
            if info.filename not in changed_since:
                self.assertEqual(ntfs_mtime(info.extra), mtime_ns // 100 + EPOCH_AS_FILETIME,
                                 info.filename)
                local = time.localtime(mtime_ns // 10**9)
                self.assertEqual(info.date_time, local[:5] + (local.tm_sec // 2 * 2,),
                                 info.filename)
            if info.is_dir():
                continue
            with open(disk, "rb") as source:
                data = source.read()
            packed = archive.read(info)
            if info.filename == top + "Dorvak.log":
                # The record as packing found it: whole lines, its end not yet written.
                self.assertTrue(data.startswith(packed) and packed.endswith(b"\r\n"),
                                packed[-200:])
                self.assertIsNone(re.search(rb" (ARCHIVE|TOTAL|COMPLETED) ", packed), packed)
            else:
                self.assertEqual(packed, data, info.filename)

        windows_path = self.dated_windows(run) + name
        size = os.path.getsize(path)
        self.assert_summary(run, ARCHIVE_MADE + "%s (%s МБ)" % (windows_path, megabytes(size)))
        record = Record(self, os.path.join(run.dated, "Dorvak.log"))
        self.assertEqual(record.keywords()[-5:], ["ARCHIVE", "TOTAL", "COMPLETED", "BOX", "CHOSE"])
        line = facts(record.one("ARCHIVE"))
        self.assertRegex(line.pop("took"), r"^\d+\.\d{3}s$")
        self.assertEqual(line, {"entries": str(len(archive.infolist())),
                                "bytes-in": str(sum(i.file_size for i in archive.infolist())),
                                "bytes-out": str(size), "file": windows_path})
        return archive

    def test_whole_run_packed_for_three_readers(self):
        root = self.installation(*SMALL)
        self.put_log(root, "noise.log", os.urandom(INCOMPRESSIBLE))
        run = self.run_scenario(root, ["Лифт 3 стоит", "Архив для отправки"])
        archive = self.check_archive(run)
        self.assertGreater(len(archive.infolist()), 60)
        self.assertGreater(os.path.getsize(archive.filename), INCOMPRESSIBLE)

    def test_names_in_and_outside_the_code_page_come_back_exactly(self):
        root = self.installation(*SMALL)
        for name, content in NAMED_LOGS.items():
            self.put_log(root, name, content)
        run = self.run_scenario(root, ["Имена журналов"])
        archive = self.check_archive(run)
        inner = self.archive_name(run.day)[:-len(".zip")] + "/MERUDrv/MERUDrv/LogDrv/"
        names = {inner + name for name in NAMED_LOGS}
        # zipfile decodes a name as UTF-8 only by the flag; without it these
        # would come back as code page 437 and not be found.
        for name, content in NAMED_LOGS.items():
            info = archive.getinfo(inner + name)
            self.assertTrue(info.flag_bits & 0x800, info.filename)
            self.assertEqual(archive.read(info), content)
        unzip = reader("unzip", "-Z1", archive.filename)[1].splitlines()
        seven = [line[len("Path = "):] for line in
                 reader("7z", "l", "-slt", archive.filename)[1].splitlines()
                 if line.startswith("Path = ")]
        for listing in (unzip, seven):
            self.assertLessEqual(names, set(listing), listing)

    def test_run_ended_while_packing_leaves_nothing_under_the_archive_name(self):
        """Dorvak ended from outside (as by End task) while it deflates a
        large log: nothing in the dated folder bears the archive's name, so
        no half archive can be sent, and the record's last line names the
        archive that was being packed."""
        root = self.installation(*SMALL)
        self.put_log(root, "large.log", os.urandom(LARGE))
        today = datetime.date.today()
        dated = os.path.join(root, dated_name(today))
        name = self.archive_name(today)
        dorvak = self.start(root)
        dorvak.type_description(["Процесс завершат при упаковке"])
        dorvak.save()

        def packing_large_log():
            # The progress line names the large log while it is copied too;
            # the archive, under either name, exists only once packing began.
            return (self.probe.text(dorvak.hwnd, IDC_PROGRESS).endswith("\\LogDrv\\large.log")
                    and any(entry.startswith(name) for entry in os.listdir(dated)))
        wait_for(packing_large_log, "the large log being packed", 300, interval=0.05)
        dorvak.kill()
        left = sorted(entry for entry in os.listdir(dated) if entry.startswith(name))
        self.assertIn(left, ([], [name + ".part"]))
        record = Record(self, os.path.join(dated, "Dorvak.log"))
        self.assertEqual(record.lines[-1],
                         ("PACKING", "file=%s\\%s" % (self.env.windows_path(dated), name)))

    def test_drive_full_while_packing_leaves_the_folder_without_archive(self):
        drive = test_output_drive.OutputDrive.small_drive(self)
        root = os.path.join(drive, "MERU")
        self.env.sample_install(root, "--seed", "9", "--logs", "0", "--no-configurators")
        self.put_log(root, "noise.log", os.urandom(INCOMPRESSIBLE))

        def adjust(expected):
            name = self.archive_name(expected.day)
            del expected.entries[name]
            # Every copy in whole pages, and pages to spare for the files the
            # run writes itself; far less than the archive of the big log.
            known = sum(-(-len(content) // 4096) * 4096 for content in expected.entries.values()
                        if isinstance(content, bytes))
            test_output_drive.OutputDrive.resize_drive(drive, known + 96 * 4096)
            path = self.root_windows(root) + dated_name(expected.day) + "\\" + name
            expected.messages = [(self.probe.system_error(WRITE_FAILED + path, ERROR_DISK_FULL),
                                  "error")]
        run = self.run_scenario(root, ["Диск заполнится архивом"], adjust=adjust)
        self.assertFalse(os.path.exists(os.path.join(run.dated, self.archive_name(run.day))))
        self.assert_summary(run, BY_HAND, troubled=True)
        record = Record(self, os.path.join(run.dated, "Dorvak.log"))
        self.assertEqual(record.only("ARCHIVE"), [])
        self.assertEqual(record.keywords()[-5:], ["BOX", "TOTAL", "COMPLETED", "BOX", "CHOSE"])


if __name__ == "__main__":
    unittest.main()
