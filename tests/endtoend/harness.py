"""Runs the built Dorvak.exe under Wine the way an operator does and checks
what it leaves behind.

The program is driven only through its window: keystrokes and mouse clicks
are real X events (xdotool); what the windows show (message box texts, the
description edit, the calendar's selection) is read by WinProbe.exe, a
small Windows program of the build that answers one JSON line per command.
The expected output tree is worked out here, independently of the program,
from the installation on disk.
"""

import datetime
import hashlib
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

DIALOG_TITLE = "Dorvak - сохранение протоколов и конфигурации"
BOX_TITLE = "Dorvak"
IDC_START_DATE = 16650
IDC_PROGRESS = 16651
IDC_DESCRIPTION = 16653

SAVED_TO = "Сохраненные данные помещены в папку "
FOLDER = "Папка "
FOLDER_EXISTS = " для сохранения данных уже существует, удалите или переименуйте эту папку"
CREATE_FOLDER_FAILED = "Ошибка при создании папки "
COPY_FILE_FAILED = "Ошибка при копировании файла "

CAPTURE_FILES = ["ipconfig.txt", "route.txt", "files.tree", "arp.txt", "netstat.txt"]

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


# A command prefix that drops the capabilities with which root passes over
# file permissions.
ROOT_WITHOUT_FILE_PERMISSIONS = ["setpriv", "--bounding-set", "-dac_override,-dac_read_search",
                                 "--inh-caps", "-dac_override,-dac_read_search"]


class HarnessError(Exception):
    """The test could not drive the program (as opposed to a wrong result)."""


# ---------------------------------------------------------------------------
# Wine, the display and our helper programs


class Environment:
    def __init__(self):
        self.build_dir = os.path.abspath(os.environ.get("DORVAK_BUILD_DIR", "build"))
        self.wine_run = os.path.join(self.build_dir, "wine-run.sh")
        self.prefix = os.environ.get("DORVAK_WINEPREFIX",
                                     os.path.join(self.build_dir, "wineprefix"))
        self.bin = os.path.join(self.build_dir, "bin")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self._xvfb = None
        self._own_server = False

    # The display of scripts/test.sh when there is one; otherwise our own.
    def start(self):
        if not os.path.exists(self.wine_run):
            raise HarnessError("no wine-run.sh in " + self.build_dir)
        if not self._display_works():
            number = 120
            while os.path.exists("/tmp/.X11-unix/X%d" % number) or \
                    os.path.exists("/tmp/.X%d-lock" % number):
                number += 1
            self._xvfb = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = ":%d" % number
            for _ in range(100):
                if os.path.exists("/tmp/.X11-unix/X%d" % number):
                    break
                time.sleep(0.05)
            self._own_server = True
        os.environ["WINEPREFIX"] = self.prefix
        # The first program creates the prefix; a persistent server keeps
        # every later start fast.
        subprocess.run([self.wine_run, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        if os.geteuid() == 0:
            self._restart_server(ROOT_WITHOUT_FILE_PERMISSIONS)
        else:
            subprocess.run(["/usr/lib/wine/wineserver", "-p"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)

    # Wine's server opens every file for its programs. Run as root it reads
    # a file whatever its mode; without the capabilities that pass over
    # file permissions it meets them as an operator's account would. The
    # server stays so until whoever started the prefix's server ends it.
    def _restart_server(self, wrapper):
        server = "/usr/lib/wine/wineserver"
        for _ in range(3):
            subprocess.run([server, "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([server, "-w"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=60)
            time.sleep(1)
            subprocess.run(wrapper + [server, "-p"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True)
            # A program started while the old server was still going away
            # can hang; only a server that runs one is kept.
            try:
                subprocess.run([self.wine_run, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
                return
            except subprocess.TimeoutExpired:
                continue
        raise HarnessError("the Wine server does not start again")

    def stop(self):
        if self._own_server:
            subprocess.run(["/usr/lib/wine/wineserver", "-k"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        if self._xvfb is not None:
            self._xvfb.terminate()
            self._xvfb.wait()

    @staticmethod
    def _display_works():
        if not os.environ.get("DISPLAY"):
            return False
        try:
            return subprocess.run(["xdotool", "getdisplaygeometry"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=10).returncode == 0
        except (OSError, subprocess.TimeoutExpired):
            return False

    # Paths: everything the tests make lives in drive C: of the prefix, or
    # on a drive of its own mapped in dosdevices.
    def windows_path(self, unix_path):
        unix_path = os.path.abspath(unix_path)
        devices = os.path.join(self.prefix, "dosdevices")
        best = None
        for name in os.listdir(devices):
            if len(name) != 2 or name[1] != ":":
                continue
            target = os.path.realpath(os.path.join(devices, name))
            if unix_path == target or unix_path.startswith(target.rstrip("/") + "/"):
                if best is None or len(target) > len(best[1]):
                    best = (name, target)
        if best is None:
            raise HarnessError("no drive for " + unix_path)
        rest = unix_path[len(best[1]):].strip("/")
        return best[0].upper() + "\\" + rest.replace("/", "\\")

    def run_windows(self, args, timeout=600, cwd=None):
        result = subprocess.run([self.wine_run] + args, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout, cwd=cwd)
        if result.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (
                args[0], result.returncode, result.stderr.decode("utf-8", "replace")[-2000:]))
        return result.stdout.decode("utf-8", "replace")

    def sample_install(self, unix_root, *options):
        os.makedirs(os.path.dirname(unix_root.rstrip("/")), exist_ok=True)
        self.run_windows([os.path.join(self.bin, "SampleInstall.exe"),
                          self.windows_path(unix_root)] + list(options))


def xdotool(*args):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=60)
    return result.stdout.decode("utf-8", "replace").strip()


def root_window():
    """The X root window, to take the focus away from every window."""
    if "root" not in _x:
        info = subprocess.run(["xwininfo", "-root"], stdout=subprocess.PIPE, timeout=10).stdout
        _x["root"] = int(re.search(rb"Window id: (0x[0-9a-f]+)", info).group(1), 16)
    return _x["root"]


_x = {}


class Probe:
    """WinProbe.exe, kept running: one command line in, one JSON line out."""

    def __init__(self, env):
        self.env = env
        self.process = subprocess.Popen([env.wine_run, os.path.join(env.bin, "WinProbe.exe")],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self._scratch = tempfile.mkdtemp(prefix="probe-", dir=env.drive_c)

    def ask(self, *fields):
        line = "\t".join(str(f) for f in fields) + "\n"
        self.process.stdin.write(line.encode("utf-8"))
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise HarnessError("WinProbe ended")
        return json.loads(answer.decode("utf-8"))

    def close(self):
        try:
            self.process.stdin.write(b"quit\n")
            self.process.stdin.close()
            self.process.wait(timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
        shutil.rmtree(self._scratch, ignore_errors=True)

    def windows(self):
        return self.ask("list")["windows"]

    def text(self, hwnd, control=0):
        answer = self.ask("text", hwnd, control)
        if "error" in answer:
            raise HarnessError("cannot read a window text: " + answer["error"])
        return answer["text"]

    def _text_file(self, text):
        path = os.path.join(self._scratch, "text.txt")
        with open(path, "wb") as out:
            out.write(text.encode("utf-8"))
        return self.env.windows_path(path)

    def put_on_clipboard(self, text):
        answer = self.ask("clip", self._text_file(text))
        if "error" in answer:
            raise HarnessError(answer["error"])

    def ansi(self, text):
        """The text as the thread's ANSI code page gives it (1251 here)."""
        return bytes.fromhex(self.ask("ansi", self._text_file(text))["hex"])

    def error_text(self, code):
        return self.ask("errtext", code)["text"]

    def system_error(self, text, code):
        """What the program shows for a failed call: text + ": code (0xhex) - " + the
        system's description without its closing line break."""
        return "%s: %d (0x%x) - %s" % (text, code, code, self.error_text(code)[:-2])


# ---------------------------------------------------------------------------
# One running Dorvak.exe


class Box:
    def __init__(self, item):
        self.hwnd = item["hwnd"]
        self.pid = item["pid"]
        self.text = item["text"]
        self.icon = item["icon"]
        self.title = item["title"]

    def __repr__(self):
        return "Box(%r, %s)" % (self.text, self.icon)


class Dorvak:
    """Dorvak.exe started from a folder, and its collection dialog."""

    def __init__(self, env, probe, exe_unix_path, cwd, wrapper=()):
        self.env = env
        self.probe = probe
        self.exe = env.windows_path(exe_unix_path)
        self.process = subprocess.Popen(list(wrapper) + [env.wine_run, self.exe], cwd=cwd,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        self.hwnd = self.pid = self.xid = None
        self.boxes = []
        self.answered = set()

    def wait_dialog(self, known=(), timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            for item in self.probe.windows():
                if item["title"] == DIALOG_TITLE and not item["box"] and \
                        item["hwnd"] not in known:
                    self.hwnd, self.pid, self.xid = item["hwnd"], item["pid"], item["xid"]
                    return self.hwnd
            if self.process.poll() is not None:
                raise HarnessError("Dorvak ended before its dialog opened")
            time.sleep(0.1)
        raise HarnessError("the collection dialog did not open")

    def dialog_open(self):
        return any(item["hwnd"] == self.hwnd for item in self.probe.windows())

    # Keyboard focus: X focus on the window's X window, then wait until
    # Wine has made it the foreground window.
    def focus_window(self, hwnd, xid):
        """Wine does not always take an X focus that is already there (the
        console windows of the command captures come and go in between), so
        the focus is moved away and back, and at last a click near the
        window's top left corner, where no control lies, activates it."""
        def foreground(seconds):
            deadline = time.time() + seconds
            while time.time() < deadline:
                if self.probe.ask("focus", hwnd).get("foreground") == hwnd:
                    return True
                time.sleep(0.05)
            return False

        for attempt in range(6):
            if attempt % 3 == 1:
                xdotool("windowfocus", root_window())
                time.sleep(0.2)
            if attempt % 3 == 2:
                geometry = xdotool("getwindowgeometry", "--shell", xid)
                values = dict(line.split("=", 1) for line in geometry.splitlines() if "=" in line)
                if "X" in values:
                    xdotool("mousemove", "--sync", int(values["X"]) + 40, int(values["Y"]) + 8)
                    xdotool("click", "1")
            xdotool("windowfocus", xid)
            if foreground(1.5):
                return
        raise HarnessError("the window does not take the focus: %r, X focus %s, windows %r" % (
            self.probe.ask("focus", hwnd), xdotool("getwindowfocus"), self.probe.windows()))

    def focused_control(self):
        return self.probe.ask("focus", self.hwnd).get("focus")

    def key(self, *keys):
        self.focus_window(self.hwnd, self.xid)
        xdotool("key", "--delay", "40", *keys)

    def tab_to(self, control):
        self.focus_window(self.hwnd, self.xid)
        for _ in range(8):
            if self.focused_control() == control:
                return
            xdotool("key", "Tab")
            time.sleep(0.1)
        if self.focused_control() != control:
            raise HarnessError("Tab does not reach control %d" % control)

    def description(self):
        return self.probe.text(self.hwnd, IDC_DESCRIPTION)

    def type_description(self, lines):
        """Types the lines into the description edit, Ctrl+Enter between them,
        and checks what the edit holds: Wine can lose the first keystrokes of
        characters the keyboard map lacks, so a wrong text is cleared and typed
        again."""
        expected = "\r\n".join(lines)
        for _ in range(4):
            self.tab_to(IDC_DESCRIPTION)
            for index, line in enumerate(lines):
                if index:
                    xdotool("key", "ctrl+Return")
                if line:
                    xdotool("type", "--delay", "25", "--", line)
            time.sleep(0.2)
            if self.description() == expected:
                return
            self.focus_window(self.hwnd, self.xid)
            xdotool("key", "--delay", "30", "ctrl+Home", "ctrl+shift+End", "Delete")
            time.sleep(0.2)
        raise HarnessError("the description edit does not hold the typed text: %r"
                           % self.description())

    def calendar_day(self):
        return self.probe.ask("calsel", self.hwnd, IDC_START_DATE).get("date")

    def click_day(self, day):
        """A left click on the day in the month calendar."""
        wanted = day.isoformat()
        for _ in range(3):
            point = self.probe.ask("calpoint", self.hwnd, IDC_START_DATE, wanted)
            if "error" in point:
                raise HarnessError("calendar: " + point["error"])
            self.focus_window(self.hwnd, self.xid)
            xdotool("mousemove", "--sync", point["x"], point["y"])
            xdotool("click", "1")
            time.sleep(0.3)
            if self.calendar_day() == wanted:
                return
        raise HarnessError("the calendar did not select %s (it shows %s)"
                           % (wanted, self.calendar_day()))

    def move_to(self, x, y):
        """Moves the dialog's X window, as a window manager would, so that it
        covers no other window and a click can bring that one forward."""
        xdotool("windowmove", "--sync", self.xid, x, y)
        time.sleep(0.3)

    def control_center(self, control):
        rect = self.probe.ask("rect", self.hwnd, control)
        if "error" in rect:
            raise HarnessError("no control %d" % control)
        return (rect["left"] + rect["right"]) // 2, (rect["top"] + rect["bottom"]) // 2

    def save(self):
        """Enter in the description edit presses the default button, Save."""
        self.tab_to(IDC_DESCRIPTION)
        xdotool("key", "Return")

    def cancel(self):
        self.key("Escape")

    def own_boxes(self):
        return [Box(item) for item in self.probe.windows()
                if item["box"] and item["pid"] == self.pid]

    def answer_box(self, box):
        """Confirms a message box with Enter, as the operator would."""
        self.boxes.append(box)
        self.answered.add(box.hwnd)
        xid = next((item["xid"] for item in self.probe.windows() if item["hwnd"] == box.hwnd),
                   None)
        for _ in range(5):
            if xid is None:
                return
            try:
                self.focus_window(box.hwnd, xid)
            except HarnessError:
                if not any(item["hwnd"] == box.hwnd for item in self.probe.windows()):
                    return
                raise
            xdotool("key", "Return")
            deadline = time.time() + 3
            while time.time() < deadline:
                if not any(item["hwnd"] == box.hwnd for item in self.probe.windows()):
                    return
                time.sleep(0.05)
        raise HarnessError("the message box does not close: %r" % box.text)

    def wait_box(self, timeout=120):
        """The next message box of this process, left open."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for box in self.own_boxes():
                if box.hwnd not in self.answered:
                    return box
            if self.ended():
                raise HarnessError("Dorvak ended without a message")
            time.sleep(0.05)
        raise HarnessError("no message box appeared")

    def answer_boxes_until(self, done, timeout=300):
        """Answers every message box of this process until done() holds."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for box in self.own_boxes():
                if box.hwnd not in self.answered:
                    self.answer_box(box)
            if done():
                return
            time.sleep(0.1)
        raise HarnessError("Dorvak did not finish in %d s; boxes so far: %r"
                           % (timeout, self.boxes))

    def ended(self):
        return self.process.poll() is not None

    def run_to_end(self, timeout=300):
        self.answer_boxes_until(self.ended, timeout)
        return self.boxes

    def kill(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except OSError:
                pass
            self.process.wait()


# ---------------------------------------------------------------------------
# Trees: what is on disk, byte for byte


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
    """The dated folder a run should leave, relative paths mapped to content
    (bytes), to a check (a function of the bytes), or to None (a folder)."""

    def __init__(self):
        self.entries = {}
        self.messages = []  # the error messages the run should show, in order

    def folder(self, path):
        self.entries[path] = None

    def file(self, path, content):
        self.entries[path] = content


def expected_run(root, start_date, description_ansi, probe, offset=None):
    """The whole dated folder for a run over the installation at root (a Unix
    path) with the start day start_date (a date)."""
    offset = offset if offset is not None else local_offset()
    start = datetime.datetime(start_date.year, start_date.month, start_date.day)
    expected = Expected()
    expected.file("ReadMe.txt", description_ansi)
    expected.file("WindowVersion.txt",
                  lambda data: re.fullmatch(rb"Version Windows is \d+\.\d+ \(\d+\)\r\n", data))
    for name in CAPTURE_FILES:
        expected.file(name, lambda data: True)
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
                if has_extension(name, ".xml"):
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
                      inventory_check(source, probe, offset))

    for relative in TRAILING_LOG_FOLDERS:
        log_folder(relative)
    return expected


def inventory_lines(source, extension, probe, offset):
    lines = []
    if not os.path.isdir(source):
        return lines
    for name in os.listdir(source):
        if not has_extension(name, extension):
            continue
        path = os.path.join(source, name)
        line = probe.ansi(name) if not name.isascii() else name.encode("ascii")
        version = None if os.path.isdir(path) else product_version(path)
        if version is not None:
            line += b"\tv%d.%d.%d.%d" % version
        when = local_time(path, offset)
        size = 0 if os.path.isdir(path) else os.path.getsize(path)
        line += when.strftime("\t%d.%m.%y %H:%M:%S\t").encode() + str(size).encode() + b"\r\n"
        lines.append(line)
    return lines


def inventory_check(source, probe, offset):
    """Version.txt: every .exe line, then every .dll line, each pass in the
    platform's search order."""
    exe = inventory_lines(source, ".exe", probe, offset)
    dll = inventory_lines(source, ".dll", probe, offset)

    def check(data):
        lines = [line + b"\r\n" for line in data.split(b"\r\n")[:-1]]
        if data and not data.endswith(b"\r\n"):
            return False
        return sorted(lines[:len(exe)]) == sorted(exe) and sorted(lines[len(exe):]) == sorted(dll)
    check.description = b"".join(exe + dll)
    return check


def compare_output(dated_unix, expected, missing_ok=(), partial_ok=()):
    """Differences between the dated folder on disk and the expected one, as
    readable lines; empty when they agree. missing_ok: expected files that
    may be absent; partial_ok: files that may hold a prefix of their content
    (copies cut short)."""
    problems = []
    actual = snapshot(dated_unix)
    for path in sorted(set(actual) - set(expected.entries)):
        problems.append("unexpected: " + path)
    for path, content in sorted(expected.entries.items()):
        if path not in actual:
            if path not in missing_ok:
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
            good = data == content or (path in partial_ok and content.startswith(data))
        if not good:
            wanted = getattr(content, "description", content if not callable(content) else "")
            problems.append("content differs: %s: %r... instead of %r..."
                            % (path, data[:200], wanted[:200]))
    return problems


def dated_name(day):
    return "%04d_%02d_%02d" % (day.year, day.month, day.day)


# ---------------------------------------------------------------------------
# The frame of every end-to-end test

_session = {}


def session():
    """One Wine environment and one probe for all tests of a run."""
    if not _session:
        env = Environment()
        env.start()
        _session["env"] = env
        _session["probe"] = Probe(env)
    return _session["env"], _session["probe"]


def end_session():
    if _session:
        _session["probe"].close()
        _session["env"].stop()
        _session.clear()


class EndToEndCase(unittest.TestCase):
    """Each test works in a folder of its own in drive C: of the prefix, on
    installations copied from templates that SampleInstall lays out once."""

    maxDiff = None
    _templates = {}

    def setUp(self):
        self.env, self.probe = session()
        self.folder = os.path.join(self.env.drive_c, "e2e", self.id().split(".")[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.programs = []
        self.addCleanup(self._clean)

    def _clean(self):
        for program in self.programs:
            program.kill()
        if not os.environ.get("DORVAK_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def installation(self, *options, name="MERU"):
        """A fresh copy of the installation SampleInstall makes with these options."""
        key = tuple(options)
        template = self._templates.get(key)
        if template is None:
            template = os.path.join(self.env.drive_c, "e2e", "templates",
                                    "t%d" % len(EndToEndCase._templates), "MERU")
            shutil.rmtree(os.path.dirname(template), ignore_errors=True)
            self.env.sample_install(template, *options)
            EndToEndCase._templates[key] = template
        root = os.path.join(self.folder, name)
        shutil.copytree(template, root, symlinks=True)
        return root

    def start(self, root, cwd=None, known=(), wrapper=()):
        dorvak = Dorvak(self.env, self.probe, os.path.join(root, "Dorvak", "Dorvak.exe"),
                        cwd or os.path.join(root, "Dorvak"), wrapper)
        self.programs.append(dorvak)
        dorvak.wait_dialog(known=known)
        return dorvak

    def root_windows(self, root):
        return self.env.windows_path(root) + "\\"

    def summary(self, root, day):
        return SAVED_TO + self.root_windows(root) + dated_name(day) + "\\\r\n"

    def assert_summary_last(self, boxes, root, day):
        self.assertTrue(boxes, "no message at all")
        self.assertTrue(boxes[-1].text.startswith(self.summary(root, day)), boxes[-1].text)
        self.assertEqual(boxes[-1].icon, "information")

    def expected(self, root, day, description_lines, **options):
        description = "\r\n".join(description_lines)
        return expected_run(root, day, self.probe.ansi(description), self.probe, **options)

    def assert_output(self, root, day, expected, **options):
        problems = compare_output(os.path.join(root, dated_name(day)), expected, **options)
        self.assertEqual(problems, [], "the dated folder differs from the installation")

    def assert_only_dated_folder_written(self, root, before, day, configurators=True):
        """The installation is byte for byte what it was, and the run added
        nothing but the dated folder (and the configurator stand-ins' own
        logs of how they were started, which are checked here too)."""
        dated = dated_name(day)
        after = snapshot(root, skip={dated})
        added, removed, changed = tree_difference(before, after)
        self.assertEqual((removed, changed), ([], []), "the installation changed")
        expected_added = []
        if configurators:
            mirror = self.root_windows(root) + dated + "\\MERUDrv\\"

            def program(folder, name):
                # Started by its full path, the configurator gets its command
                # line as composed: the path unquoted, blanks and all.
                return self.root_windows(root) + "\\" + folder + "\\" + name
            lines = {
                "MERUDisp/commandline.log":
                    program("MERUDisp", "MERUDispCfg.exe") + " -s\"" + mirror +
                    "\\MERUDisp\\Struct.XML\"\r\n",
                "MERUDomain/commandline.log":
                    program("MERUDomain", "MERUDomainCfg.exe") + " -s\"" + mirror +
                    "\\MERUDomain\\Struct.XML\"\r\n",
            }
            for path, line in lines.items():
                if os.path.exists(os.path.join(root, path)):
                    expected_added.append(path)
                    with open(os.path.join(root, path), "rb") as log:
                        self.assertEqual(log.read().decode("utf-8"), line)
        self.assertEqual(added, sorted(expected_added), "written outside the dated folder")
