"""The display, its keyboard and Wine: the build folder's prefix with one
persistent server, started the way the scripts start it
(scripts/wine-env.sh), plus the paths between Unix and the prefix's drives
and the X commands of xdotool."""

import ctypes
import ctypes.util
import glob
import os
import re
import subprocess
import sys

from .waits import HarnessError, wait_for

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))))
KEYMAP = os.path.join(SOURCE_DIR, "scripts", "latin-cyrillic.xkb")
BUILD_DIR = os.path.abspath(os.environ.get("DORVAK_BUILD_DIR", "build"))
if not os.path.isfile(os.path.join(BUILD_DIR, "gen", "dorvak_ids.py")):
    sys.exit("no configured build folder at %s (DORVAK_BUILD_DIR): build first with "
             "scripts/build.sh" % BUILD_DIR)
# The build's generated modules: the caption and the numbered ids.
sys.path.insert(0, os.path.join(BUILD_DIR, "gen"))


# A command prefix that drops the capabilities with which root passes over
# file permissions.
ROOT_WITHOUT_FILE_PERMISSIONS = ["setpriv", "--bounding-set", "-dac_override,-dac_read_search",
                                 "--inh-caps", "-dac_override,-dac_read_search"]


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


class Environment:
    def __init__(self):
        self.build_dir = BUILD_DIR
        self.wine_run = os.path.join(self.build_dir, "wine-run.sh")
        self.prefix = os.environ.get("DORVAK_WINEPREFIX",
                                     os.path.join(self.build_dir, "wineprefix"))
        self.bin = os.path.join(self.build_dir, "bin")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self._xvfb_pid = None
        self.keyboard = None
        self.wineserver = None

    def start(self):
        """The display of whoever started us when it answers, otherwise an
        Xvfb of our own with the keyboard layout; the prefix made and its
        server kept running. scripts/wine-env.sh does both, for the scripts
        and for us alike."""
        if not os.path.exists(self.wine_run):
            raise HarnessError("no wine-run.sh in " + self.build_dir)
        os.environ["WINEPREFIX"] = self.prefix
        # Also where Wine's server program is: scripts/wine-paths.sh alone names it.
        result = self._wine_env(["wine_env_start user",
                                 'printf "%s\\n" "$DISPLAY" "${XVFB_PID:-}" "$WINESERVER"'],
                                timeout=600)
        started = result.split("\n")
        if len(started) < 3 or not started[0] or not started[2]:
            raise HarnessError("scripts/wine-env.sh named no display or Wine server: %r" % result)
        os.environ["DISPLAY"] = started[0]
        self._xvfb_pid = started[1] or None
        self.wineserver = started[2]
        self.keyboard = Keyboard(os.environ["DISPLAY"])
        self.keyboard.ensure_latin_cyrillic()
        if os.geteuid() == 0:
            self._restart_server(ROOT_WITHOUT_FILE_PERMISSIONS)

    def _wine_env(self, commands, timeout, arguments=()):
        """Runs commands in a shell that has sourced scripts/wine-env.sh for
        our build folder and prefix; their output."""
        script = " && ".join([". ./scripts/wine-env.sh"] + commands)
        environment = dict(os.environ, DORVAK_BUILD_DIR=self.build_dir,
                           DORVAK_WINEPREFIX=self.prefix)
        try:
            result = subprocess.run(["sh", "-c", script, "wine-env"] + list(arguments),
                                    cwd=SOURCE_DIR, env=environment, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("not reached within %d s: %s" % (timeout, script))
        if result.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (
                script, result.returncode, result.stderr.decode("utf-8", "replace")[-2000:]))
        return result.stdout.decode("utf-8", "replace")

    # Wine's server opens every file for its programs. Run as root it reads
    # a file whatever its mode; without the capabilities that pass over
    # file permissions it meets them as an operator's account would. The
    # server stays so until whoever started the prefix's server ends it.
    def _restart_server(self, wrapper):
        server = self.wineserver
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
        # Only a display of our own goes, and the prefix's server with it.
        if self._xvfb_pid is not None:
            self._wine_env(['XVFB_PID="$1"', "wine_env_stop"], timeout=120,
                           arguments=[self._xvfb_pid])
            self._xvfb_pid = None

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

    def computer_name(self):
        """The name Windows programs of the prefix are told, as the archive
        of a run is named after it."""
        if getattr(self, "_computer_name", None) is None:
            self._computer_name = self.run_windows(["cmd", "/c", "echo %COMPUTERNAME%"]).strip()
        return self._computer_name

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


def display_works():
    if not os.environ.get("DISPLAY"):
        return False
    try:
        return subprocess.run(["xdotool", "getdisplaygeometry"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=10).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


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
