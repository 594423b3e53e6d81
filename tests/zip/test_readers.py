"""Archives made by the program's writer (tools/zippack, under Wine) read
back by three independent readers: Python's zipfile, Info-ZIP unzip and
7-Zip. Each must accept the archive and give every file's bytes and
last-write time as they are in the packed folder.

Environment: DORVAK_BUILD_DIR (the build folder), DORVAK_WINEPREFIX."""
import datetime
import os
import random
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

BUILD = os.environ["DORVAK_BUILD_DIR"]
DRIVE_C = os.path.join(os.environ["DORVAK_WINEPREFIX"], "drive_c")
UTF8 = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
TOP = "Сбор 2019_04_05"
# A deep file whose path is well past 260 characters.
DEEP = "/".join("папка с длинным именем %02d" % level for level in range(12)) + "/deep.txt"
KNOWN_MTIME_NS = 1554471917_123456700  # 2019-04-05 13:45:17.1234567 UTC


def pack(folder, archive):
    """Runs ZipPack on Unix paths inside drive C: (or Windows ones)."""
    def windows(path):
        return "C:\\" + os.path.relpath(path, DRIVE_C).replace("/", "\\") if path.startswith("/") \
            else path
    result = subprocess.run([os.path.join(BUILD, "wine-run.sh"),
                             os.path.join(BUILD, "bin", "ZipPack.exe"), windows(folder) + "\\",
                             windows(archive), TOP], stdout=subprocess.PIPE, timeout=600)
    return result.returncode, result.stdout.decode()


def ntfs_mtime(extra):
    """The last-write FILETIME of the NTFS extra field (0x000A, tag 1)."""
    while extra:
        tag, size = int.from_bytes(extra[0:2], "little"), int.from_bytes(extra[2:4], "little")
        if tag == 0x000A and extra[8:10] == b"\x01\x00":
            return int.from_bytes(extra[12:20], "little")
        extra = extra[4 + size:]
    return None


class Readers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="zip-", dir=DRIVE_C)
        cls.folder = os.path.join(cls.work, TOP)
        rng = random.Random(7)
        log = "".join("2019-04-05 13:%02d:%02d Лифт %d: дверь %s\r\n" % (
            i // 60 % 60, i % 60, i % 9, rng.choice(["открыта", "закрыта"])) for i in range(40000))
        cls.files = {
            "ReadMe.txt": "Лифт 3 стоит между этажами".encode("cp1251"),
            "Ελληνικά/日本語のログ.log": "γεια σου κόσμε, こんにちは".encode("utf-8"),
            "MERUDrv/MERUDisp/Log/2019_04_05.log": log.encode("cp1251"),  # several chunks
            "MERUDrv/random.bin": rng.randbytes(700_000),
            "empty.dat": b"",
            DEEP: b"deep",
        }
        for index, (name, content) in enumerate(cls.files.items()):
            path = os.path.join(cls.folder, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as file:
                file.write(content)
            os.utime(path, ns=(KNOWN_MTIME_NS, KNOWN_MTIME_NS + index * 86_400_123_456_700))
        os.makedirs(os.path.join(cls.folder, "Пустая папка"))
        cls.archive = os.path.join(cls.folder, "archive.zip")  # inside the folder it packs
        cls.status, cls.output = pack(cls.folder, cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def assert_extracted(self, folder, resolution_ns):
        for name, content in self.files.items():
            path = os.path.join(folder, TOP, name)
            with open(path, "rb") as file:
                self.assertEqual(file.read(), content, name)
            mtime = os.stat(os.path.join(self.folder, name)).st_mtime_ns
            self.assertEqual(os.stat(path).st_mtime_ns, mtime // resolution_ns * resolution_ns,
                             name)
        self.assertEqual(os.listdir(os.path.join(folder, TOP, "Пустая папка")), [])

    def test_zipfile_reads_every_entry_name_byte_and_time(self):
        with zipfile.ZipFile(self.archive) as archive:
            self.assertIsNone(archive.testzip())
            folders = {TOP + "/", TOP + "/Пустая папка/"}
            for name in self.files:
                parts = name.split("/")[:-1]
                folders |= {TOP + "/" + "/".join(parts[:n]) + "/" for n in range(1, len(parts) + 1)}
            self.assertEqual(sorted(archive.namelist()),
                             sorted(folders | {TOP + "/" + name for name in self.files}))
            self.assertEqual((self.status, self.output.split()),
                             (0, ["written", str(len(archive.namelist())),
                                  str(sum(map(len, self.files.values()))),
                                  str(os.path.getsize(self.archive))]))
            for info in archive.infolist():
                self.assertEqual(bool(info.flag_bits & 0x800), not info.filename.isascii())
            for name, content in self.files.items():
                info = archive.getinfo(TOP + "/" + name)
                self.assertEqual(archive.read(info), content, name)
                mtime_ns = os.stat(os.path.join(self.folder, name)).st_mtime_ns
                self.assertEqual(ntfs_mtime(info.extra), mtime_ns // 100 + 116444736000000000)
                local = time.localtime(mtime_ns // 10**9)
                self.assertEqual(info.date_time, local[:5] + (local.tm_sec // 2 * 2,), name)

    def test_unzip_tests_and_extracts_it(self):
        run = subprocess.run(["unzip", "-t", self.archive], env=UTF8, stdout=subprocess.PIPE)
        self.assertEqual(run.returncode, 0, run.stdout.decode(errors="replace"))
        out = os.path.join(self.work, "unzip")
        subprocess.run(["unzip", "-q", self.archive, "-d", out], env=UTF8, check=True)
        # Info-ZIP's unzip takes the seconds of the local Unix timestamp.
        self.assert_extracted(out, 10**9)

    def test_7zip_tests_and_extracts_it(self):
        run = subprocess.run(["7z", "t", self.archive], env=UTF8, stdout=subprocess.PIPE)
        self.assertIn("Everything is Ok", run.stdout.decode(errors="replace"))
        out = os.path.join(self.work, "7z")
        subprocess.run(["7z", "x", "-o" + out, self.archive], env=UTF8, check=True,
                       stdout=subprocess.DEVNULL)
        self.assert_extracted(out, 100)


class Zip64(unittest.TestCase):
    def test_as_many_entries_as_the_classic_end_record_can_no_longer_count(self):
        with tempfile.TemporaryDirectory(prefix="zip64-", dir=DRIVE_C) as work:
            folder = os.path.join(work, TOP)
            # Empty folders are the cheapest entries to make and to pack: 71
            # folders of 922 each, the top and one file, 65,535 entries, the
            # first count whose classic field (0xFFFF) means "see Zip64".
            for block in range(71):
                for index in range(922):
                    os.makedirs(os.path.join(folder, "%02d" % block, "%04d" % index))
            with open(os.path.join(folder, "00", "first.log"), "wb") as file:
                file.write(b"first")
            archive = os.path.join(work, "many.zip")
            status, output = pack(folder, archive)
            self.assertEqual((status, output.split()),
                             (0, ["written", "65535", "5", str(os.path.getsize(archive))]))
            with open(archive, "rb") as file:
                file.seek(-98, os.SEEK_END)
                tail = file.read()
            # Zip64 end record, its locator, then the classic record counting 0xFFFF.
            self.assertEqual((tail[0:4], tail[56:60], tail[76:80], tail[84:86]),
                             (b"PK\x06\x06", b"PK\x06\x07", b"PK\x05\x06", b"\xff\xff"))
            with zipfile.ZipFile(archive) as reader:
                self.assertEqual(len(reader.infolist()), 65535)
                self.assertEqual(reader.read(TOP + "/00/first.log"), b"first")
            for command in (["unzip", "-tq", archive], ["7z", "t", archive]):
                run = subprocess.run(command, env=UTF8, stdout=subprocess.PIPE)
                self.assertEqual(run.returncode, 0, run.stdout.decode(errors="replace")[-2000:])

