"""End-to-end harness: runs the real executable in a fresh game folder under its own Xvfb.

A test lays out a temporary game folder (the built Resource plus its own setup.lua and levels),
runs the engine with Bin/ as working directory under a time limit and reads the engine log.
Test levels check results themselves with check.lua and log "PASS <name>" or "FAIL <name>: ..."
"""
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
        for i, line in enumerate(self.messages()[start:], start):
            if line == text:
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


class GameTest(unittest.TestCase):
    """Base class: self.game is a fresh game folder per test."""

    def setUp(self):
        self.game = Game()

    def tearDown(self):
        self.game.close()

    def run_game(self, **kwargs):
        result = self.game.run(**kwargs)
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
