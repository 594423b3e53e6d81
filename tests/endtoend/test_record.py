"""The run record, Dorvak.log in the dated folder, as runs through the real
window leave it: a whole run, a run with failures told in boxes and a
capture ended at its limit, a run whose record cannot be written, and a
run ended from outside in the middle."""

import datetime
import os
import re
import shutil
import signal
import subprocess
import unittest
import zipfile

import test_output_drive
import test_programs
from harness.case import EndToEndCase
from harness.expected import CAPTURE_FILES, dated_name, product_version
from harness.waits import wait_for
from harness.window import IDC_PROGRESS, PROGRAM_TIMED_OUT, SAVED_TO
from test_output_drive import ERROR_DISK_FULL
from dorvak_ids import TEST_CAPTURE_LIMIT_MS  # noqa: E402
from test_unreadable import ERROR_SHARING_VIOLATION, FileHolder

CAPTURE_LIMIT = TEST_CAPTURE_LIMIT_MS / 1000

# Every product, both configurators, the domain's of the first version that
# exports.
INSTALLATION = ("--seed", "5", "--logs", "300", "--days", "10", "--domain-configurator",
                "4.7.2.1")
CAPTURE_COMMANDS = ["ipconfig /all", "route print", "tree .. /F", "arp -a", "netstat -an"]
LINE = re.compile(r"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [+-]\d\d:\d\d) ([A-Z-]+) (.*)")


def one_line(text):
    """A box's text as the record holds it."""
    return text.replace("\r", "<CR>").replace("\n", "<LF>")


def facts(text):
    """The key=value facts of a line; the last value runs to its end."""
    found = {}
    for match in re.finditer(r"(\S+?)=(.*?)(?= \S+=|$)", text):
        found[match.group(1)] = match.group(2)
    return found


class Record:
    """The lines of a record, each (keyword, facts text), after checking the
    form of the whole file: UTF-8 with its mark, every line stamped and
    ended by CR LF."""

    def __init__(self, test, path):
        with open(path, "rb") as source:
            data = source.read()
        test.assertTrue(data.startswith(b"\xef\xbb\xbf"), data[:40])
        test.assertTrue(data.endswith(b"\r\n"), data[-80:])
        self.lines = []
        for raw in data[3:].split(b"\r\n")[:-1]:
            line = raw.decode("utf-8")
            test.assertNotIn("\r", line)
            test.assertNotIn("\n", line)
            match = LINE.fullmatch(line)
            test.assertIsNotNone(match, line)
            self.lines.append((match.group(2), match.group(3)))
        self.text = data

    def keywords(self):
        return [keyword for keyword, _ in self.lines]

    def only(self, keyword):
        return [text for word, text in self.lines if word == keyword]

    def one(self, keyword):
        found = self.only(keyword)
        if len(found) != 1:
            raise AssertionError("%d lines %s in the record" % (len(found), keyword))
        return found[0]


class RunRecord(EndToEndCase):

    def record(self, root, day):
        return Record(self, os.path.join(root, dated_name(day), "Dorvak.log"))

    def save(self, dorvak, lines):
        dorvak.type_description(lines)
        dorvak.save()

    def assert_boxes_recorded(self, record, boxes, codes):
        """Every box the operator answered, in order, verbatim, with its icon
        and the system error it describes."""
        self.assertEqual(
            record.only("BOX"),
            ["icon=%s code=%d text=%s" % (box.icon, code, one_line(box.text))
             for box, code in zip(boxes, codes)])
        self.assertEqual(len(boxes), len(codes), boxes)

    def test_whole_run(self):
        root = self.installation(*INSTALLATION)
        dorvak = self.start(root)
        today = datetime.date.today()
        lines = ["Лифт 3 стоит", "Код E42"]
        self.save(dorvak, lines)
        boxes = dorvak.run_to_end()
        self.assertEqual(len(boxes), 1, boxes)
        record = self.record(root, today)
        dated = os.path.join(root, dated_name(today))
        at = self.root_windows(root)

        # The head: what support asks first.
        head = record.keywords()[:7]
        self.assertEqual(head, ["PROGRAM", "WINDOWS", "COMPUTER", "ROOT", "START-DAY",
                                "RESOURCES", "DESCRIPTION"])
        program = os.path.join(root, "Dorvak", "Dorvak.exe")
        self.assertEqual(facts(record.one("PROGRAM")),
                         {"version": "%d.%d.%d.%d" % product_version(program),
                          "build": "32-bit", "folder": at + "Dorvak\\"})
        with open(os.path.join(dated, "WindowVersion.txt"), "rb") as version:
            windows = version.read().decode("ascii").rstrip("\r\n")
        wow64 = "no" if os.environ.get("DORVAK_WINEARCH") == "win32" else "yes"
        self.assertEqual(record.one("WINDOWS"), "wow64=%s version=%s" % (wow64, windows))
        computer = self.env.run_windows(["cmd", "/c", "echo %COMPUTERNAME%"]).strip()
        self.assertEqual(record.one("COMPUTER"), "name=" + computer)
        self.assertEqual(record.one("ROOT"), "folder=" + at)
        self.assertEqual(record.one("START-DAY"),
                         "day=%s folder=%s%s\\" % (today.isoformat(), at, dated_name(today)))
        library = os.path.join(root, "Dorvak", "TelmarRC.dll")
        self.assertEqual(record.one("RESOURCES"),
                         "version=%d.%d.%d.%d library=%sDorvak\\TelmarRC.dll"
                         % (product_version(library) + (at,)))
        self.assertEqual(record.one("DESCRIPTION"),
                         "characters=%d" % len("\r\n".join(lines)))
        self.assertNotIn("Лифт".encode("utf-8"), record.text)

        # The five captures, each with the exit code the same command gives
        # when run again, and the size of the file it left.
        ended = [facts(text) for text in record.only("ENDED") if text.startswith("capture ")]
        self.assertEqual(len(ended), 5, record.only("ENDED"))
        for command, name, line in zip(CAPTURE_COMMANDS, CAPTURE_FILES, ended):
            self.assertTrue(line["command"].endswith("\\cmd.exe /U /Q /C " + command), line)
            self.assertEqual(int(line["size"]), os.path.getsize(os.path.join(dated, name)))
            again = subprocess.run([self.env.wine_run, "cmd", "/U", "/Q", "/C", command],
                                   cwd=os.path.join(root, "Dorvak"), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=300)
            # Wine hands Linux the low byte of the code alone (9009, the
            # interpreter's "no such command", arrives as 49).
            self.assertEqual(int(line["exit"]) & 0xFF, again.returncode, command)
        # Both exports, by their command lines as composed; the stand-ins
        # end with 0 once their export is written.
        mirror = at + dated_name(today) + "\\MERUDrv\\"
        self.assertEqual(
            [(line["exit"], line["command"]) for line in
             (facts(text) for text in record.only("ENDED") if text.startswith("configurator "))],
            [("0", "%s\\%s\\%s -s\"%s\\%s\\Struct.XML\"" % (at, folder, name, mirror, folder))
             for folder, name in (("MERUDisp", "MERUDispCfg.exe"),
                                  ("MERUDomain", "MERUDomainCfg.exe"))])
        self.assertEqual([facts(text)["command"] for text in record.only("STARTED")],
                         [facts(text)["command"] for text in record.only("ENDED")])

        # The totals are what the folder held when it was packed: everything
        # but the archive, the record as it stood then.
        [archive] = [name for name in os.listdir(dated) if name.endswith(".zip")]
        with zipfile.ZipFile(os.path.join(dated, archive)) as packed:
            [record_then] = [info.file_size for info in packed.infolist()
                             if info.filename.endswith("/Dorvak.log")]
        files, size = 1, record_then
        for folder, _, names in os.walk(dated):
            for name in names:
                if folder != dated or name not in (archive, "Dorvak.log"):
                    files += 1
                    size += os.path.getsize(os.path.join(folder, name))
        total = facts(record.one("TOTAL"))
        self.assertEqual((int(total["folder-files"]), int(total["folder-bytes"])), (files, size))
        copied = [facts(text) for text in record.only("FOLDER")]
        self.assertEqual(int(total["copied-files"]), sum(int(f["files"]) for f in copied))
        self.assertGreater(int(total["copied-files"]), 38)
        self.assertEqual(record.keywords()[-4:], ["TOTAL", "COMPLETED", "BOX", "CHOSE"])
        # The operator closed the summary (with Esc, as the harness does).
        self.assertEqual(record.one("CHOSE"), "close")
        self.assert_boxes_recorded(record, boxes, [0])
        self.assertTrue(boxes[0].text.startswith(SAVED_TO))

    def test_failures_told_in_boxes_and_a_capture_ended_at_its_limit(self):
        root = self.installation(*INSTALLATION)
        shutil.copy(os.path.join(self.env.build_dir, "testwaits", "Dorvak.exe"),
                    os.path.join(root, "Dorvak", "Dorvak.exe"))
        # The interpreter looks in its current folder, the program's, first.
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"),
                    os.path.join(root, "Dorvak", "ipconfig.exe"))
        self.addCleanup(self.end_stand_ins, "ipconfig.exe")
        locked = os.path.join(root, "MERUDrv", "Config0.xml")
        holder = FileHolder(self.env, locked)
        self.addCleanup(holder.release)
        today = datetime.date.today()
        dorvak = self.start(root)
        self.save(dorvak, ["Журнал занят, команда не завершается"])
        boxes = dorvak.run_to_end()
        record = self.record(root, today)
        at = self.root_windows(root)
        dated = at + dated_name(today) + "\\"

        # The summary of a run with troubles carries the warning icon.
        self.assertEqual([box.icon for box in boxes], ["error", "error", "exclamation"])
        self.assertTrue(boxes[0].text.startswith(PROGRAM_TIMED_OUT), boxes[0])
        self.assertEqual(boxes[1].text, self.probe.system_error(
            "Ошибка при копировании файла " + at + "MERUDrv\\Config0.xml",
            ERROR_SHARING_VIOLATION))
        self.assert_boxes_recorded(record, boxes, [0, ERROR_SHARING_VIOLATION, 0])

        limit = facts(record.one("LIMIT"))
        self.assertTrue(limit["command"].endswith("\\cmd.exe /U /Q /C ipconfig /all"), limit)
        self.assertEqual(boxes[0].text, PROGRAM_TIMED_OUT + limit["command"])
        self.assertGreaterEqual(float(limit["took"].rstrip("s")), CAPTURE_LIMIT - 1)
        self.assertEqual(record.one("INCOMPLETE"), "capture file=" + dated + "ipconfig.txt")
        # In the order it happened: the limit, its box, the incomplete file.
        order = [keyword for keyword in record.keywords() if keyword in ("LIMIT", "INCOMPLETE")
                 or keyword == "BOX"]
        self.assertEqual(order[:3], ["LIMIT", "BOX", "INCOMPLETE"])
        # The other four captures still ran.
        self.assertEqual(len([text for text in record.only("ENDED")
                              if text.startswith("capture ")]), 4)
        self.assertIn("COMPLETED", record.keywords())

    def test_record_that_cannot_be_written_is_told_once_and_the_run_goes_on(self):
        drive = test_output_drive.OutputDrive.small_drive(self)
        root = os.path.join(drive, "MERU")
        self.env.sample_install(root, "--seed", "9", "--logs", "0", "--no-configurators")
        today = datetime.date.today()
        # Not a page left: the first line of the record finds the drive full,
        # before any other file of the run does.
        test_output_drive.OutputDrive.resize_drive(drive, 0)
        dorvak = self.start(root)
        self.save(dorvak, ["Нет места для записи"])
        boxes = dorvak.run_to_end()
        dated = self.root_windows(root) + dated_name(today) + "\\"
        # A full drive is told once, whichever file met it first.
        self.assertEqual([(box.text, box.icon) for box in boxes[:-1]],
                         [(self.probe.system_error("Ошибка при записи файла " + dated +
                                                   "Dorvak.log", ERROR_DISK_FULL), "error")])
        self.assert_summary_last(boxes, root, today)
        self.assertEqual(os.path.getsize(os.path.join(root, dated_name(today), "Dorvak.log")),
                         0)

    def test_run_ended_from_outside_leaves_whole_lines(self):
        root = self.installation(*INSTALLATION)
        shutil.copy(os.path.join(self.env.bin, "NeverEnds.exe"),
                    os.path.join(root, "Dorvak", "ipconfig.exe"))
        self.addCleanup(self.end_stand_ins, "ipconfig.exe")
        today = datetime.date.today()
        dorvak = self.start(root)
        self.save(dorvak, ["Процесс завершат"])
        wait_for(lambda: self.probe.text(dorvak.hwnd, IDC_PROGRESS).endswith("ipconfig /all"),
                 "the first capture running", 120)
        dorvak.kill()
        record = self.record(root, today)
        self.assertEqual(record.keywords(), ["PROGRAM", "WINDOWS", "COMPUTER", "ROOT",
                                             "START-DAY", "RESOURCES", "DESCRIPTION", "STARTED"])
        self.assertTrue(record.lines[-1][1].startswith("capture command="), record.lines[-1])

    def end_stand_ins(self, name):
        """The stand-ins this test planted and whatever copies they started."""
        for pid in test_programs.processes_of(self.env, name):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


if __name__ == "__main__":
    unittest.main()
