"""The dated folder a run should leave, worked out from the installation on
disk independently of the program: its own copy of the product plan (the
oracle, deliberately not read from the program), the trees before and after
a run, and the comparison of the two."""

import datetime
import hashlib
import os
import re
import struct
import time

from .waits import HarnessError

# The thread's ANSI code page of the prefix (ru_RU.UTF-8), and the mark of a
# text file the program wrote in UTF-8 because that code page lacks a character.
ANSI_CODE_PAGE = "cp1251"
UTF8_MARK = b"\xef\xbb\xbf"

CAPTURE_FILES = ["ipconfig.txt", "route.txt", "files.tree", "arp.txt", "netstat.txt"]
# The machine as the run found it: each file's header line (UTF-8 behind its
# mark, tab-separated); the machine's own test reads the rows.
MACHINE_FILES = {
    "processes.txt": ["process id", "parent id", "started", "processor seconds",
                      "working set KiB", "private KiB", "threads", "session", "suite", "image"],
    "services.txt": ["name", "display name", "state", "start type", "process id", "account",
                     "suite", "binary path"],
    "drives.txt": ["root", "type", "file system", "label", "total MiB", "free MiB", "free %",
                   "holds", "answer"],
}

# The fixed plan of the suite, in the order it is walked.
PRODUCT_ROWS = [
    ("MERUDrv", None,
     ["BadClb", "BadCll", "BadDrv", "BadStub", "LogClb", "LogCll", "LogDrv", "LogRem"], None),
    ("MERUPro", None, ["BadPro", "LogPro", "LogRem"], None),
    ("MERUDisp", None,
     ["BadDisp", "LogDispDrv", "LogDispRmt", "LogEMail", "LogGCM", "LogFCM", "LogSMS", "LogSSL"],
     ("export", "MERUDispCfg.exe")),
    ("MERUDomain", "Logs",
     ["Logs/Bad", "Logs/EMail", "Logs/GCM", "Logs/FCM", "Logs/Http", "Logs/LU", "Logs/OpcUa",
      "Logs/SMS", "Logs/SSL", "Logs/Stub", "Logs/User", "Logs/Web"],
     ("export", "MERUDomainCfg.exe")),
    ("Ulvar", None, ["LogUlvarRmt", "LogUlvarBad"], ("file", "Ulvar.bad")),
    ("MERUProt", None, ["BadProt"], None),
    ("MERUSms", None, ["BadSms", "LogSms"], None),
    ("Kavmon", None, [], ("file", "Kavmon.Bad")),
]
INVENTORY_FOLDERS = ["Common", "MERUDisp", "MERUDomain", "MERUDrv", "MERUMsg", "MERUPro",
                     "MERUProt", "MERUSms", "Kavmon", "Sefrin", "Setup", "Ulvar", "Tools",
                     "MERUUpdate"]
TRAILING_LOG_FOLDERS = ["MERUUpdate/BadUpdate", "Common/MultiProgLogs"]
# Written beside the configurator stand-ins by themselves, not by Dorvak.
CONFIGURATOR_LOGS = ["MERUDisp/commandline.log", "MERUDomain/commandline.log"]


def snapshot(root, skip=()):
    """Every entry under root: folders, and files with size, last-write time
    and content hash; paths relative to root with "/" between names."""
    entries = {}
    for folder, dirs, files in os.walk(root):
        relative_folder = os.path.relpath(folder, root)
        relative_folder = "" if relative_folder == "." else relative_folder
        dirs[:] = sorted(d for d in dirs if os.path.join(relative_folder, d) not in skip)
        for name in dirs:
            entries[os.path.join(relative_folder, name)] = ("folder",)
        for name in files:
            relative = os.path.join(relative_folder, name)
            if relative in skip:
                continue
            path = os.path.join(folder, name)
            info = os.lstat(path)
            with open(path, "rb") as source:
                digest = hashlib.sha256(source.read()).hexdigest()
            entries[relative] = ("file", info.st_size, info.st_mtime_ns, digest)
    return entries


def tree_difference(before, after):
    added = sorted(set(after) - set(before))
    removed = sorted(set(before) - set(after))
    changed = sorted(k for k in set(before) & set(after) if before[k] != after[k])
    return added, removed, changed


# ---------------------------------------------------------------------------
# The expected output, worked out from the installation


def local_offset():
    """The offset from UTC now: the program applies it to every file alike."""
    return datetime.timedelta(seconds=time.localtime().tm_gmtoff)


def local_time(path, offset):
    seconds = os.stat(path).st_mtime_ns // 1_000_000_000
    return datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=seconds) + offset


def find_entry(folder, name):
    """The entry of a folder that a search for name finds, in any letter case."""
    try:
        for entry in os.listdir(folder):
            if entry.casefold() == name.casefold():
                return entry
    except (FileNotFoundError, NotADirectoryError):
        pass
    return None


def has_extension(name, extension):
    dot = name.rfind(".")
    return dot >= 0 and name[dot:].casefold() == extension.casefold()


def product_version(path):
    """The product version of a PE file's version resource, or None."""
    try:
        with open(path, "rb") as source:
            data = source.read()
    except (IsADirectoryError, OSError):
        return None
    at = data.find(b"\xbd\x04\xef\xfe")
    if at < 0 or at + 24 > len(data):
        return None
    ms, ls = struct.unpack_from("<II", data, at + 16)
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


class Expected:
    """The dated folder a run from the start day should leave, relative paths
    mapped to content (bytes), to a check (a function of the bytes), or to
    None (a folder); and the messages the run shows before its summary, in
    order, as (text, icon), or None when the test checks them itself."""

    def __init__(self, day):
        self.day = day
        self.entries = {}
        self.messages = []
        self.missing_ok = set()
        self.partial_ok = set()

    def folder(self, path):
        self.entries[path] = None

    def file(self, path, content):
        self.entries[path] = content

    def may_be_cut(self, path):
        """A copy that may be missing or hold only the start of its source."""
        self.missing_ok.add(path)
        self.partial_ok.add(path)

    def may_be_anything(self, path):
        """An entry that may be missing and, if a file, hold anything."""
        self.missing_ok.add(path)
        if self.entries[path] is not None:
            self.entries[path] = lambda data: True


def fits_code_page(text):
    try:
        text.encode(ANSI_CODE_PAGE)
        return True
    except UnicodeEncodeError:
        return False


def text_file(text):
    """A text file as the program writes it: in the code page, byte for byte,
    when every character fits; otherwise the whole file in UTF-8 behind its
    mark, since a character the code page lacks would otherwise be lost."""
    if fits_code_page(text):
        return text.encode(ANSI_CODE_PAGE)
    return UTF8_MARK + text.encode("utf-8")


def expected_run(root, start_date, description, offset=None, archive=None):
    """The whole dated folder for a run over the installation at root (a Unix
    path) with the start day start_date (a date) and the description (text,
    lines ended by CR LF)."""
    offset = offset if offset is not None else local_offset()
    start = datetime.datetime(start_date.year, start_date.month, start_date.day)
    expected = Expected(start_date)
    expected.file("ReadMe.txt", text_file(description))
    expected.file("WindowVersion.txt",
                  lambda data: re.fullmatch(rb"Version Windows is \d+\.\d+ \(\d+\)\r\n", data))
    for name in CAPTURE_FILES:
        expected.file(name, lambda data: True)
    for name, header in MACHINE_FILES.items():
        expected.file(name, lambda data, header=header: data.startswith(
            UTF8_MARK + "\t".join(header).encode() + b"\r\n") and data.endswith(b"\r\n"))
    # The run record: the record's own tests read it; every run that
    # completes leaves one that says so and names the files it wrote in UTF-8.
    expected.file("Dorvak.log", record_check(expected))
    # The archive of the folder: its own tests open it with other readers.
    if archive is not None:
        expected.file(archive, lambda data: data.startswith(b"PK\x03\x04"))
    expected.folder("MERUDrv")
    mirror = "MERUDrv/"

    def copy(relative_source, relative_destination):
        with open(os.path.join(root, relative_source), "rb") as source:
            expected.file(mirror + relative_destination, source.read())

    def log_folder(relative):
        source = os.path.join(root, relative)
        if not os.path.exists(source):
            return
        expected.folder(mirror + relative)
        if not os.path.isdir(source):
            return
        newest, newest_names, selected = datetime.datetime(1900, 1, 1), [], False
        for name in os.listdir(source):
            if os.path.isdir(os.path.join(source, name)):
                continue  # sub-folders are not logs
            when = local_time(os.path.join(source, name), offset)
            if when > newest:
                newest, newest_names = when, [name]
            elif when == newest and newest_names:
                newest_names.append(name)
            if when >= start:
                selected = True
                copy(relative + "/" + name, relative + "/" + name)
        if not selected and newest_names:
            if len(newest_names) > 1:
                raise HarnessError("two newest logs in %s: the fallback is the platform's "
                                   "choice" % relative)
            copy(relative + "/" + newest_names[0], relative + "/" + newest_names[0])

    for product, log_parent, logs, end in PRODUCT_ROWS:
        source = os.path.join(root, product)
        if not os.path.exists(source):
            continue
        expected.folder(mirror + product)
        if os.path.isdir(source):
            for name in os.listdir(source):
                if has_extension(name, ".xml") and \
                        not os.path.isdir(os.path.join(source, name)):
                    copy(product + "/" + name, product + "/" + name)
        if log_parent:
            expected.folder(mirror + product + "/" + log_parent)
        for log in logs:
            log_folder(product + "/" + log)
        if end and end[0] == "export":
            configurator = os.path.join(source, end[1])
            runs = os.path.isfile(configurator)
            if runs and end[1] == "MERUDomainCfg.exe":
                version = product_version(configurator)
                runs = version is not None and version > (4, 7, 2, 0)
            if runs:
                installed = find_entry(source, "Struct.XML")
                if installed:
                    copy(product + "/" + installed, product + "/" + installed)
                else:
                    program = end[1].encode()
                    expected.file(mirror + product + "/Struct.XML",
                                  lambda data, program=program:
                                  data.startswith(b"<?xml") and program in data)
        elif end and end[0] == "file":
            installed = find_entry(source, end[1])
            if installed:
                copy(product + "/" + installed, product + "/" + installed)

    for folder in INVENTORY_FOLDERS:
        source = os.path.join(root, folder)
        if not os.path.exists(source):
            continue
        expected.folder(mirror + folder)
        expected.file(mirror + folder + "/Version.txt",
                      inventory_check(source, offset))

    for relative in TRAILING_LOG_FOLDERS:
        log_folder(relative)
    return expected


def record_completed(data):
    return data.startswith(UTF8_MARK) and data.endswith(b"\r\n") and \
        re.search(rb"\r\n[-0-9 :.+]{30} COMPLETED ", data) is not None


def written_in_utf8(content):
    if isinstance(content, bytes):
        return content.startswith(UTF8_MARK)
    return getattr(content, "utf8", False)


def record_utf8_files(data, day):
    """The files an ENCODING line of the record names, relative to the dated
    folder, in the record's order."""
    inside = "\\" + dated_name(day) + "\\"
    files = []
    for path in re.findall(rb" ENCODING utf-8 file=([^\r\n]*)\r\n", data):
        path = path.decode("utf-8")
        files.append(path[path.rindex(inside) + len(inside):].replace("\\", "/")
                     if inside in path else path)
    return files


def record_check(expected):
    """A record that tells of a completed run, and names in ENCODING lines
    exactly the files expected in UTF-8 when the comparison runs (after the
    test's adjustments)."""
    def check(data):
        utf8 = sorted(path for path, content in expected.entries.items()
                      if written_in_utf8(content))
        return record_completed(data) and sorted(record_utf8_files(data, expected.day)) == utf8

    check.describe = lambda: ("a completed record naming in UTF-8 %r" % sorted(
        path for path, content in expected.entries.items()
        if written_in_utf8(content)))
    check.observed = lambda data: "a record naming in UTF-8 %r, %s" % (
        sorted(record_utf8_files(data, expected.day)),
        "completed" if record_completed(data) else "not completed")
    return check


def inventory_entries(source, extension):
    if not os.path.isdir(source):
        return []
    return [name for name in os.listdir(source) if has_extension(name, extension)]


def inventory_line(source, name, encoding, offset):
    path = os.path.join(source, name)
    line = name.encode(encoding)
    version = None if os.path.isdir(path) else product_version(path)
    if version is not None:
        line += b"\tv%d.%d.%d.%d" % version
    when = local_time(path, offset)
    size = 0 if os.path.isdir(path) else os.path.getsize(path)
    return line + when.strftime("\t%d.%m.%y %H:%M:%S\t").encode() + str(size).encode() + b"\r\n"


def inventory_check(source, offset):
    """Version.txt: every .exe line, then every .dll line, each pass in the
    platform's search order; in the code page when every listed name fits
    it, else the whole file in UTF-8 behind its mark."""
    names = [inventory_entries(source, extension) for extension in (".exe", ".dll")]
    fits = all(fits_code_page(name) for name in names[0] + names[1])
    encoding = ANSI_CODE_PAGE if fits else "utf-8"
    mark = b"" if fits else UTF8_MARK
    exe, dll = ([inventory_line(source, name, encoding, offset) for name in group]
                for group in names)

    def check(data):
        if not data.startswith(mark):
            return False
        data = data[len(mark):]
        lines = [line + b"\r\n" for line in data.split(b"\r\n")[:-1]]
        if data and not data.endswith(b"\r\n"):
            return False
        return sorted(lines[:len(exe)]) == sorted(exe) and sorted(lines[len(exe):]) == sorted(dll)
    check.description = mark + b"".join(exe + dll)
    check.utf8 = not fits
    return check


def compare_output(dated_unix, expected):
    """Differences between the dated folder on disk and the expected one, as
    readable lines; empty when they agree."""
    problems = []
    actual = snapshot(dated_unix)
    for path in sorted(set(actual) - set(expected.entries)):
        problems.append("unexpected: " + path)
    for path, content in sorted(expected.entries.items()):
        if path not in actual:
            if path not in expected.missing_ok:
                problems.append("missing: " + path)
            continue
        if content is None:
            if actual[path][0] != "folder":
                problems.append("not a folder: " + path)
            continue
        if actual[path][0] != "file":
            problems.append("not a file: " + path)
            continue
        with open(os.path.join(dated_unix, path), "rb") as source:
            data = source.read()
        if callable(content):
            good = content(data)
        else:
            good = data == content or (path in expected.partial_ok and
                                     content.startswith(data))
        if not good:
            if hasattr(content, "describe"):
                wanted = content.describe()
            else:
                wanted = getattr(content, "description", content if not callable(content) else "")
            seen = content.observed(data) if hasattr(content, "observed") else data[:200]
            problems.append("content differs: %s: %r... instead of %r..."
                            % (path, seen, wanted[:200]))
    return problems


def dated_name(day):
    return "%04d_%02d_%02d" % (day.year, day.month, day.day)


DATED_NAME = re.compile(r"\d{4}_\d{2}_\d{2}")
