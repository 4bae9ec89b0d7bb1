"""End-to-end harness: runs the real executable in a fresh game folder under its own Xvfb.

A test lays out a temporary game folder (the built Resource plus its own setup.lua and levels),
runs the engine with Bin/ as working directory under a time limit and reads the engine log.
Test levels check results themselves with check.lua and log "PASS <name>" or "FAIL <name>: ..."
"""
import ctypes
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

# What ASan, LeakSanitizer and UBSan print in the sanitizer build; a test fails on any of them,
# whatever exit code it expects (a report can come after the engine chose its own).
SANITIZER_REPORT = re.compile(r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:")

GAME_DIR = os.environ.get("TQ_GAME_DIR", os.path.join(os.path.dirname(__file__), "../../build/game"))
HERE = os.path.dirname(os.path.abspath(__file__))
LOG_NAME = "Tarnel Quibbo.log"

TEST_SETUP = {
    "sleeptime": 0,
    "window_width": 320,
    "window_height": 240,
    "fullscreen": 0,
    "rendersystem": "RenderSystem_GL",
    "shadows": 0,
    "fsaa": 0,
    "music": 0,
    "startlevel": "test.lua",
    "resourcedir": "../Resource/Levels/",
}


def lua_value(value):
    if isinstance(value, str):
        return '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
    return repr(value)


def setup_script(**overrides):
    """A setup.lua text: the test defaults with overrides (None removes a key)."""
    keys = dict(TEST_SETUP)
    keys.update(overrides)
    body = "".join("  %s = %s,\n" % (k, lua_value(v)) for k, v in keys.items() if v is not None)
    return "setup = {\n%s}\n" % body


class Xvfb:
    """A private X server; the display number comes back through -displayfd."""

    def __init__(self, size="1024x768x24"):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", size, "-nolisten", "tcp", "+extension", "GLX"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        # A desktop's window manager has these atoms; the engine only looks them up, so a bare
        # X server must have them made before the game window asks for close requests.
        x11 = xlib()
        connection = x11.XOpenDisplay(self.display.encode())
        for atom in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"):
            x11.XInternAtom(connection, atom, 0)
        x11.XCloseDisplay(connection)

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Result:
    def __init__(self, returncode, log, output, timed_out):
        self.returncode = returncode
        self.log = log
        self.output = output
        self.timed_out = timed_out
        # Engine log lines without Ogre's time stamp.
        self.lines = [re.sub(r"^\d\d:\d\d:\d\d: ", "", l) for l in log.splitlines()]

    def messages(self):
        """Log lines without the simulation-time prefix that GameApp::log adds."""
        return [re.sub(r"^\d+ ", "", l) for l in self.lines]

    def index(self, text, start=0):
        """First line at or after start equal to text (or matching it, for a compiled pattern)."""
        for i, line in enumerate(self.messages()[start:], start):
            if line == text if isinstance(text, str) else text.fullmatch(line):
                return i
        raise AssertionError("log has no line %r after line %d" % (text, start))

    def count(self, text):
        return sum(1 for line in self.messages() if line == text)

    def passes(self):
        return [l[5:] for l in self.messages() if l.startswith("PASS ")]

    def failures(self):
        return [l for l in self.messages() if l.startswith("FAIL ")]


class Game:
    """One temporary game folder: Resource copied from the build, Bin/ as working directory."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="tq_e2e_")
        self.bin = os.path.join(self.root, "Bin")
        self.resource = os.path.join(self.root, "Resource")
        os.makedirs(self.bin)
        shutil.copytree(os.path.join(GAME_DIR, "Resource"), self.resource)
        shutil.copy(os.path.join(HERE, "lua", "check.lua"), os.path.join(self.resource, "Levels", "check.lua"))
        self.write("setup.lua", setup_script())

    def write(self, path, text):
        full = os.path.join(self.resource, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)

    def read(self, path):
        with open(os.path.join(self.resource, path)) as f:
            return f.read()

    def level(self, name, text):
        self.write(os.path.join("Levels", name), text)

    def run(self, timeout=90, env=None, display=None, during=None):
        """Runs the engine to its end; during(display, game) runs while it is up."""
        xvfb = None if display else Xvfb()
        environment = dict(os.environ)
        environment["DISPLAY"] = display or xvfb.display
        environment.pop("ALSOFT_CONF", None)
        environment["XDG_DATA_HOME"] = os.path.join(self.root, "data")  # never the tester's own values
        if env:
            environment.update(env)
        log_path = os.path.join(self.bin, LOG_NAME)
        if os.path.exists(log_path):
            os.remove(log_path)
        executable = os.path.join(GAME_DIR, "Bin", "tarnel-quibbo")
        timed_out = False
        try:
            process = subprocess.Popen([executable], cwd=self.bin, env=environment, stdout=subprocess.PIPE,
                                       stderr=subprocess.STDOUT, start_new_session=True)
            if during:
                during(environment["DISPLAY"], self)
            try:
                output, _ = process.communicate(timeout=timeout)
            except subprocess.TimeoutExpired:
                timed_out = True
                os.killpg(process.pid, signal.SIGKILL)
                output, _ = process.communicate()
        finally:
            if xvfb:
                xvfb.close()
        log = ""
        if os.path.exists(log_path):
            with open(log_path, errors="replace") as f:
                log = f.read()
        return Result(process.returncode, log, output.decode(errors="replace"), timed_out)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def xlib():
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def send_close_request(display, title="Tarnel Quibbo"):
    """Asks the window to close the way a window manager's close button does: a WM_DELETE_WINDOW
    client message. Returns whether a window with that title was found."""
    found = subprocess.run(["xdotool", "search", "--sync", "--name", title], capture_output=True, text=True,
                           env=dict(os.environ, DISPLAY=display), timeout=30).stdout.split()
    if not found:
        return False
    x11 = xlib()
    connection = x11.XOpenDisplay(display.encode())
    protocols = x11.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    delete = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

    for window in found:
        event = ClientMessage(type=33, window=int(window), message_type=protocols, format=32)
        event.data[0] = delete
        x11.XSendEvent(connection, int(window), 0, 0, ctypes.byref(event))
    x11.XFlush(connection)
    x11.XCloseDisplay(connection)
    return True


def close_window_after(text, limit=60):
    """A during= callback: once the log holds text, closes the game window as a player would."""
    def close(display, game):
        log = os.path.join(game.bin, LOG_NAME)
        deadline = time.time() + limit
        while time.time() < deadline:
            if os.path.exists(log):
                with open(log, errors="replace") as f:
                    if text in f.read():
                        break
            time.sleep(0.2)
        send_close_request(display)
    return close


class GameTest(unittest.TestCase):
    """Base class: self.game is a fresh game folder per test."""

    def setUp(self):
        self.game = Game()

    def tearDown(self):
        self.game.close()

    def run_game(self, **kwargs):
        result = self.game.run(**kwargs)
        report = SANITIZER_REPORT.search(result.output)
        if report:
            self.fail("sanitizer report from the engine:\n" + result.output[report.start():][:20000])
        self.assertFalse(result.timed_out, "engine did not end in time\n" + result.log[-3000:])
        return result

    def assertPasses(self, result, *names):
        self.assertEqual(result.failures(), [], result.log[-3000:])
        for name in names:
            self.assertIn(name, result.passes(), result.log[-3000:])


def read_png(path):
    """Decodes an 8-bit RGB or RGBA PNG into (width, height, rows of (r, g, b) tuples)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            assert depth == 8 and colour in (2, 6), "unsupported PNG format"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        filter_type = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if filter_type == 1:
                line[i] = (line[i] + left) & 255
            elif filter_type == 2:
                line[i] = (line[i] + up) & 255
            elif filter_type == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif filter_type == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else upper_left)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows
