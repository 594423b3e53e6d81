"""Runs the built Dorvak.exe under Wine the way an operator does and checks
what it leaves behind.

The program is driven only through its window: keystrokes and mouse clicks
are real X events (xdotool); what the windows show (message box texts, the
description edit, the calendar's selection) is read by WinProbe.exe, a
small Windows program of the build that answers one JSON line per command.
The expected output tree is worked out here, independently of the program,
from the installation on disk.

Every wait is for a state (a window, a focus, a text, a process end) with a
deadline, and a harness error names the state that was not reached. Text is
typed only with characters that the display's keyboard holds (see
scripts/latin-cyrillic.xkb), or pasted from the clipboard.
"""

import ctypes
import ctypes.util
import datetime
import glob
import hashlib
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KEYMAP = os.path.join(SOURCE_DIR, "scripts", "latin-cyrillic.xkb")
BUILD_DIR = os.path.abspath(os.environ.get("DORVAK_BUILD_DIR", "build"))
if not os.path.isfile(os.path.join(BUILD_DIR, "gen", "dorvak_ids.py")):
    sys.exit("no configured build folder at %s (DORVAK_BUILD_DIR): build first with "
             "scripts/build.sh" % BUILD_DIR)
# The caption and the numbered ids, as the build gives them to the program.
sys.path.insert(0, os.path.join(BUILD_DIR, "gen"))
from dorvak_ids import DIALOG_CAPTION, IDC_DESCRIPTION, IDC_PROGRESS, IDC_START_DATE  # noqa: E402,F401

IDOK = 1  # winuser.h: the default button, Save

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


def wait_for(condition, state, timeout, interval=0.05, observed=None):
    """Polls condition() until it gives a true value, which it returns; past
    the deadline a HarnessError names the state (and, from observed(), what
    was seen instead)."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            seen = ""
            if observed is not None:
                try:
                    seen = "; seen instead: %s" % (observed(),)
                except HarnessError as error:
                    seen = "; cannot tell what was seen: %s" % error
            raise HarnessError("not reached within %g s: %s%s" % (timeout, state, seen))
        time.sleep(interval)


# ---------------------------------------------------------------------------
# The display's keyboard

LATIN_CYRILLIC_LETTERS = "абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"


def keysym_character(keysym):
    """The character a keysym types, or None (for keys that type nothing)."""
    if 0x20 <= keysym <= 0x7E:
        return chr(keysym)
    # The classic Cyrillic keysyms follow KOI8-R.
    if keysym in (0x6A3, 0x6B3) or 0x6C0 <= keysym <= 0x6FF:
        return bytes([keysym & 0xFF]).decode("koi8_r")
    if 0x1000100 <= keysym <= 0x110FFFF:
        return chr(keysym - 0x1000000)
    return None


class Keyboard:
    """A connection to the display held for the whole session, and the
    keyboard layout on it.

    xdotool types a character that no key holds by mapping it to a spare
    keycode for the one keystroke and mapping that keycode back at once.
    Wine reads the keymap again on every such change, and looks the
    character of a key message up in the keymap of the moment the program
    translates it; by then the keycode is usually mapped back, or its
    virtual key belongs to another key, and the character is lost (more
    often the busier the machine). So the layout that holds every letter
    the tests type is loaded once, before Wine starts, and text with a
    character outside it is refused rather than typed.

    Xvfb resets its keymap when its last client leaves; this connection
    keeps the display from ever being without one."""

    def __init__(self, display):
        self.display_name = display
        self._x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self._x.XOpenDisplay.restype = ctypes.c_void_p
        self._x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self._x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                             ctypes.POINTER(ctypes.c_int)]
        self._x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        self._x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                                ctypes.POINTER(ctypes.c_int)]
        self._x.XFree.argtypes = [ctypes.c_void_p]
        self._display = self._x.XOpenDisplay(display.encode())
        if not self._display:
            raise HarnessError("cannot open the display %s" % display)

    def close(self):
        if self._display:
            self._x.XCloseDisplay(self._display)
            self._display = None

    def characters(self):
        """Every character that some key of the current keymap types."""
        low, high = ctypes.c_int(), ctypes.c_int()
        self._x.XDisplayKeycodes(self._display, ctypes.byref(low), ctypes.byref(high))
        per_key = ctypes.c_int()
        count = high.value - low.value + 1
        keysyms = self._x.XGetKeyboardMapping(self._display, low.value, count,
                                              ctypes.byref(per_key))
        if not keysyms:
            raise HarnessError("cannot read the keymap of %s" % self.display_name)
        try:
            found = {keysym_character(keysyms[i]) for i in range(count * per_key.value)}
        finally:
            self._x.XFree(keysyms)
        found.discard(None)
        return found

    def missing(self, text):
        return sorted(set(text) - set("\r\n") - self.characters())

    def ensure_latin_cyrillic(self):
        """Loads the Latin and Cyrillic layout unless the display has it."""
        wanted = "".join(chr(c) for c in range(0x20, 0x7F)) + LATIN_CYRILLIC_LETTERS
        if not self.missing(wanted):
            return
        result = subprocess.run(["xkbcomp", "-w", "0", KEYMAP, self.display_name],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        if result.returncode != 0:
            raise HarnessError("xkbcomp cannot load %s: %s" % (
                KEYMAP, result.stdout.decode("utf-8", "replace")[-2000:]))
        wait_for(lambda: not self.missing(wanted),
                 "the display's keyboard holding every Latin and Cyrillic letter", 10,
                 observed=lambda: "missing %r" % "".join(self.missing(wanted)))


# ---------------------------------------------------------------------------
# Wine, the display and our helper programs


class Environment:
    def __init__(self):
        self.build_dir = BUILD_DIR
        self.wine_run = os.path.join(self.build_dir, "wine-run.sh")
        self.prefix = os.environ.get("DORVAK_WINEPREFIX",
                                     os.path.join(self.build_dir, "wineprefix"))
        self.bin = os.path.join(self.build_dir, "bin")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self._xvfb = None
        self._own_server = False
        self.keyboard = None

    # The display of scripts/test.sh when there is one; otherwise our own.
    def start(self):
        if not os.path.exists(self.wine_run):
            raise HarnessError("no wine-run.sh in " + self.build_dir)
        if not self._display_works():
            number = 120
            while os.path.exists("/tmp/.X11-unix/X%d" % number) or \
                    os.path.exists("/tmp/.X%d-lock" % number):
                number += 1
            # No reset when the last client leaves: that would drop the keymap.
            self._xvfb = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = ":%d" % number
            wait_for(lambda: self._xvfb.poll() is not None or self._display_works(),
                     "Xvfb answering on :%d" % number, 60, interval=0.1)
            if self._xvfb.poll() is not None:
                raise HarnessError("Xvfb :%d ended at once (%d)" % (number, self._xvfb.returncode))
            self._own_server = True
        self.keyboard = Keyboard(os.environ["DISPLAY"])
        self.keyboard.ensure_latin_cyrillic()
        os.environ["WINEPREFIX"] = self.prefix
        # The first program creates the prefix; a persistent server keeps
        # every later start fast.
        try:
            subprocess.run([self.wine_run, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300)
        except subprocess.TimeoutExpired:
            raise HarnessError("not reached within 300 s: the first Windows program of the "
                               "prefix ended")
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
            wait_for(lambda: not self._server_socket(), "the old Wine server's socket gone", 60,
                     observed=self._server_socket)
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

    def _server_socket(self):
        """The socket of the Wine server of our prefix, if one listens."""
        info = os.stat(self.prefix)
        name = "server-%x-%x" % (info.st_dev, info.st_ino)
        found = glob.glob("/tmp/wine-*/%s/socket" % name) + \
            glob.glob("/tmp/.wine-%d/%s/socket" % (os.geteuid(), name))
        return found[0] if found else None

    def stop(self):
        if self.keyboard is not None:
            self.keyboard.close()
            self.keyboard = None
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
        try:
            result = subprocess.run([self.wine_run] + args, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=timeout, cwd=cwd)
        except subprocess.TimeoutExpired:
            raise HarnessError("not reached within %d s: %s ended" % (timeout, args[0]))
        if result.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (
                args[0], result.returncode, result.stderr.decode("utf-8", "replace")[-2000:]))
        return result.stdout.decode("utf-8", "replace")

    def sample_install(self, unix_root, *options):
        os.makedirs(os.path.dirname(unix_root.rstrip("/")), exist_ok=True)
        self.run_windows([os.path.join(self.bin, "SampleInstall.exe"),
                          self.windows_path(unix_root)] + list(options))


def xdotool(*args):
    command = ["xdotool"] + [str(a) for a in args]
    try:
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=60)
    except subprocess.TimeoutExpired:
        raise HarnessError("%s did not end within 60 s" % " ".join(command))
    if result.returncode != 0:
        raise HarnessError("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                   result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("utf-8", "replace").strip()


def root_window():
    """The X root window, to take the focus away from every window."""
    if "root" not in _x:
        info = subprocess.run(["xwininfo", "-root"], stdout=subprocess.PIPE, timeout=10).stdout
        _x["root"] = int(re.search(rb"Window id: (0x[0-9a-f]+)", info).group(1), 16)
    return _x["root"]


_x = {}


class LineReader:
    """Lines from a child's pipe, each waited for with a deadline."""

    def __init__(self, stream, name):
        self._fd = stream.fileno()
        self._name = name
        self._buffer = b""

    def readline(self, timeout, state):
        deadline = time.monotonic() + timeout
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._fd], [], [], left)[0]:
                raise HarnessError("not reached within %g s: %s (%s wrote %r so far)"
                                   % (timeout, state, self._name, self._buffer[:200]))
            chunk = os.read(self._fd, 1 << 20)
            if not chunk:
                raise HarnessError("%s ended before %s" % (self._name, state))
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return line


class Probe:
    """WinProbe.exe, kept running: one command line in, one JSON line out."""

    def __init__(self, env):
        self.env = env
        self.process = subprocess.Popen([env.wine_run, os.path.join(env.bin, "WinProbe.exe")],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self._answers = LineReader(self.process.stdout, "WinProbe")
        self._scratch = tempfile.mkdtemp(prefix="probe-", dir=env.drive_c)

    def ask(self, *fields):
        line = "\t".join(str(f) for f in fields) + "\n"
        try:
            self.process.stdin.write(line.encode("utf-8"))
            self.process.stdin.flush()
        except OSError as error:
            raise HarnessError("WinProbe does not take commands: %s" % error)
        answer = self._answers.readline(120, "WinProbe's answer to %r" % line.strip()[:80])
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

    def text_length(self, hwnd, control=0):
        """The length of a window text in UTF-16 units, without reading it."""
        answer = self.ask("length", hwnd, control)
        if "error" in answer:
            raise HarnessError("cannot read a window text's length: " + answer["error"])
        return answer["length"]

    def process_alive(self, pid):
        return self.ask("alive", pid).get("alive", False)

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
    """Dorvak.exe started from a folder, and its collection dialog; or, with
    attach(), a Dorvak that someone else started."""

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

    @classmethod
    def attach(cls, env, probe, timeout=60):
        """The collection dialog of a Dorvak already running; its end is
        then told by its Windows process."""
        dorvak = cls.__new__(cls)
        dorvak.env, dorvak.probe, dorvak.exe, dorvak.process = env, probe, None, None
        dorvak.hwnd = dorvak.pid = dorvak.xid = None
        dorvak.boxes, dorvak.answered = [], set()
        dorvak.wait_dialog(timeout=timeout)
        return dorvak

    def wait_dialog(self, known=(), timeout=60):
        def dialog():
            for item in self.probe.windows():
                if item["title"] == DIALOG_CAPTION and not item["box"] and \
                        item["hwnd"] not in known:
                    return item
            if self.process is not None and self.process.poll() is not None:
                raise HarnessError("Dorvak ended (%d) before its dialog opened"
                                   % self.process.returncode)
            return None
        item = wait_for(dialog, "the collection dialog open", timeout, interval=0.1)
        self.hwnd, self.pid, self.xid = item["hwnd"], item["pid"], item["xid"]
        return self.hwnd

    def dialog_open(self):
        return any(item["hwnd"] == self.hwnd for item in self.probe.windows())

    def foreground(self):
        return self.probe.ask("focus", self.hwnd).get("foreground")

    # Keyboard focus: X focus on the window's X window, then wait until
    # Wine has made it the foreground window.
    def focus_window(self, hwnd, xid):
        """Wine does not always take an X focus that is already there (the
        console windows of the command captures come and go in between), so
        the focus is moved away and back, and at last a click near the
        window's top left corner, where no control lies, activates it."""
        def foreground():
            return self.probe.ask("focus", hwnd).get("foreground") == hwnd

        root = root_window()
        for attempt in range(6):
            if attempt % 3 == 1:
                xdotool("windowfocus", root)
                wait_for(lambda: int(xdotool("getwindowfocus")) == root,
                         "the X focus on the root window", 10,
                         observed=lambda: "focus on %s" % xdotool("getwindowfocus"))
            if attempt % 3 == 2:
                geometry = xdotool("getwindowgeometry", "--shell", xid)
                values = dict(line.split("=", 1) for line in geometry.splitlines() if "=" in line)
                if "X" in values:
                    xdotool("mousemove", "--sync", int(values["X"]) + 40, int(values["Y"]) + 8)
                    xdotool("click", "1")
            xdotool("windowfocus", xid)
            try:
                wait_for(foreground, "window %d in the foreground" % hwnd, 1.5)
                return
            except HarnessError:
                continue
        raise HarnessError("the window does not take the focus: %r, X focus %s, windows %r" % (
            self.probe.ask("focus", hwnd), xdotool("getwindowfocus"), self.probe.windows()))

    def focused_control(self):
        return self.probe.ask("focus", self.hwnd).get("focus")

    def key(self, *keys):
        self.focus_window(self.hwnd, self.xid)
        xdotool("key", "--delay", "40", *keys)

    def tab_to(self, control):
        """Tab until the control holds the focus, each Tab waited for."""
        self.focus_window(self.hwnd, self.xid)
        for _ in range(8):
            current = self.focused_control()
            if current == control:
                return
            xdotool("key", "Tab")
            wait_for(lambda: self.focused_control() != current,
                     "the focus leaving control %s after Tab" % current, 10)
        raise HarnessError("Tab does not bring the focus to control %d (it is on %s)"
                           % (control, self.focused_control()))

    def description(self):
        return self.probe.text(self.hwnd, IDC_DESCRIPTION)

    def wait_description(self, expected, timeout=60):
        """Until the description edit holds exactly the expected text. The
        length is watched first: a long text is read once, not at every look."""
        units = len(expected.encode("utf-16-le")) // 2
        wait_for(lambda: self.probe.text_length(self.hwnd, IDC_DESCRIPTION) >= units,
                 "the description edit holding the %d characters put in" % units, timeout,
                 interval=0.1 if units < 10000 else 0.5,
                 observed=lambda: "%d characters: %r" % (
                     self.probe.text_length(self.hwnd, IDC_DESCRIPTION), self.description()[:200]))
        held = self.description()
        if held != expected:
            raise HarnessError("the description edit holds %r... instead of the text put in, "
                               "%r..." % (held[:200], expected[:200]))

    def type_description(self, lines):
        """Types the lines key by key into the description edit, Ctrl+Enter
        between them, and waits until the edit holds them. Only characters of
        the display's keyboard are typed (see Keyboard)."""
        expected = "\r\n".join(lines)
        missing = self.env.keyboard.missing(expected) if self.env.keyboard else []
        if missing:
            raise HarnessError("no key types %r: paste such a text instead"
                               % "".join(missing))
        self.tab_to(IDC_DESCRIPTION)
        for index, line in enumerate(lines):
            if index:
                xdotool("key", "ctrl+Return")
            if line:
                xdotool("type", "--delay", "25", "--", line)
        self.wait_description(expected)

    def paste_description(self, lines):
        """Puts the lines on the clipboard and pastes them into the
        description edit with Ctrl+V, as an operator pastes a text that no
        keyboard types (or that would take hours to type)."""
        expected = "\r\n".join(lines)
        self.probe.put_on_clipboard(expected)
        self.tab_to(IDC_DESCRIPTION)
        xdotool("key", "ctrl+v")
        self.wait_description(expected)

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
            try:
                wait_for(lambda: self.calendar_day() == wanted,
                         "the calendar selecting %s" % wanted, 5)
                return
            except HarnessError:
                continue
        raise HarnessError("the calendar did not select %s after three clicks (it shows %s)"
                           % (wanted, self.calendar_day()))

    def window_rect(self):
        rect = self.probe.ask("rect", self.hwnd, 0)
        if "error" in rect:
            raise HarnessError("no dialog window: " + rect["error"])
        return rect

    def move_to(self, x, y):
        """Moves the dialog's X window, as a window manager would, so that it
        covers no other window and a click can bring that one forward."""
        before = self.window_rect()
        xdotool("windowmove", "--sync", self.xid, x, y)
        wait_for(lambda: self.window_rect() != before, "the dialog moved to %d, %d" % (x, y),
                 10, observed=self.window_rect)

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

        def box_open():
            return any(item["hwnd"] == box.hwnd for item in self.probe.windows())
        xid = next((item["xid"] for item in self.probe.windows() if item["hwnd"] == box.hwnd),
                   None)
        for _ in range(5):
            if xid is None:
                return
            try:
                self.focus_window(box.hwnd, xid)
                xdotool("key", "Return")
            except HarnessError:
                if not box_open():
                    return
                raise
            try:
                wait_for(lambda: not box_open(), "the message box %r closed" % box.text, 3)
                return
            except HarnessError:
                continue
        raise HarnessError("the message box does not close: %r" % box.text)

    def wait_box(self, timeout=120):
        """The next message box of this process, left open."""
        def box():
            for item in self.own_boxes():
                if item.hwnd not in self.answered:
                    return item
            if self.ended():
                raise HarnessError("Dorvak ended without a message")
            return None
        return wait_for(box, "a message box of Dorvak", timeout)

    def answer_boxes_until(self, done, timeout=300):
        """Answers every message box of this process until done() holds."""
        def answered_all():
            for box in self.own_boxes():
                if box.hwnd not in self.answered:
                    self.answer_box(box)
            return done()
        wait_for(answered_all, "Dorvak finished, every message answered", timeout, interval=0.1,
                 observed=lambda: "boxes so far: %r" % self.boxes)

    def ended(self):
        if self.process is None:
            return not self.probe.process_alive(self.pid)
        return self.process.poll() is not None

    def run_to_end(self, timeout=300):
        self.answer_boxes_until(self.ended, timeout)
        return self.boxes

    def kill(self):
        if self.process is not None and self.process.poll() is None:
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


DATED_NAME = re.compile(r"\d{4}_\d{2}_\d{2}")


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
        self.installations_before = {}  # root -> its tree before Dorvak first started there
        self.addCleanup(self._clean)

    def tearDown(self):
        # Before the test's own clean-ups (a drive it mounted is still there).
        for program in self.programs:
            program.kill()
        for root, before in self.installations_before.items():
            self.check_installation_untouched(root, before)

    def _clean(self):
        for program in self.programs:
            program.kill()
        if not os.environ.get("DORVAK_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def check_installation_untouched(self, root, before):
        """Whatever the test did, the installation is byte for byte what it
        was before Dorvak started, but for new dated folders (the runs'
        output) and the logs the configurator stand-ins write beside
        themselves."""
        new_dated = {name for name in os.listdir(root)
                     if DATED_NAME.fullmatch(name) and name not in before}
        added, removed, changed = tree_difference(before, snapshot(root, skip=new_dated))
        added = [path for path in added if path not in CONFIGURATOR_LOGS]
        changed = [path for path in changed if path not in CONFIGURATOR_LOGS]
        self.assertEqual((added, removed, changed), ([], [], []),
                         "written (added, removed, changed) outside the dated folder of "
                         + root)

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
        if root not in self.installations_before:
            self.installations_before[root] = snapshot(root)
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
