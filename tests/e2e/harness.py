"""End-to-end harness: runs the real executable in a fresh game folder under its own Xvfb.

A test lays out a temporary game folder (the built Resource plus its own setup.lua and levels),
runs the engine with Bin/ as working directory under a time limit and reads the engine log.
Test levels check results themselves with check.lua and log "PASS <name>" or "FAIL <name>: ..."
"""
import array
import json
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import wave

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from try_level import ask_to_close, window_picture  # noqa: E402  the game maker's tool shares them

# What ASan, LeakSanitizer and UBSan print in the sanitizer build; a test fails on any of them,
# whatever exit code it expects (a report can come after the engine chose its own).
SANITIZER_REPORT = re.compile(r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:")

GAME_DIR = os.environ.get("TQ_GAME_DIR", os.path.join(os.path.dirname(__file__), "../../build/game"))
HERE = os.path.dirname(os.path.abspath(__file__))
LOG_NAME = "Tarnel Quibbo.log"
CURSOR_NAME = "QuibboCursor.ani"

TEST_SETUP = {"sleeptime": 0, "window_width": 320, "window_height": 240, "fullscreen": 0,
              "rendersystem": "RenderSystem_GL", "shadows": 0, "fsaa": 0, "music": 0,
              "startlevel": "test.lua", "resourcedir": "../Resource/Levels/"}


def setup_script(**overrides):
    """A setup.lua text: the test defaults with overrides (None removes a key)."""
    keys = dict(TEST_SETUP, **overrides)
    return "setup = {\n%s}\n" % "".join("  %s = %s,\n" % (k, json.dumps(v)) for k, v in keys.items() if v is not None)


def read_text(path):
    with open(path, errors="replace") as f:
        return f.read()


class Xvfb:
    """A private X server; the display number comes back through -displayfd."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        # -noreset: by default the server resets when its last client goes, and a restarting
        # engine (ShutDown(1)) can then meet it mid-reset and find no render system.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "+extension", "GLX",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Result:
    def __init__(self, returncode, log, output, timed_out):
        self.returncode, self.log, self.output, self.timed_out = returncode, log, output, timed_out
        # Engine log lines without Ogre's time stamp.
        self.lines = [re.sub(r"^\d\d:\d\d:\d\d: ", "", l) for l in log.splitlines()]

    def messages(self):
        """Log lines without the simulation-time prefix the engine adds."""
        return [re.sub(r"^\d+ ", "", l) for l in self.lines]

    def index(self, text, start=0):
        """First line at or after start equal to text (or matching it, for a compiled pattern)."""
        for i, line in enumerate(self.messages()[start:], start):
            if line == text if isinstance(text, str) else text.fullmatch(line):
                return i
        raise AssertionError("log has no line %r after line %d" % (text, start))

    def in_order(self, lines, start=0):
        """Checks the lines come in this order at or after start; returns the index after the last."""
        for line in lines:
            start = self.index(line, start) + 1
        return start

    def count(self, text):
        return self.messages().count(text)


class Game:
    """One temporary game folder: Resource and the cursor copied from the build, Bin/ as working directory."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="tq_e2e_")
        self.bin = os.path.join(self.root, "Bin")
        self.resource = os.path.join(self.root, "Resource")
        os.makedirs(self.bin)
        shutil.copy(os.path.join(GAME_DIR, "Bin", CURSOR_NAME), self.bin)
        shutil.copytree(os.path.join(GAME_DIR, "Resource"), self.resource)
        shutil.copy(os.path.join(HERE, "lua", "check.lua"), os.path.join(self.resource, "Levels", "check.lua"))
        self.write("setup.lua", setup_script())

    def write(self, path, text):
        full = os.path.join(self.resource, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)

    def read(self, path):
        return read_text(os.path.join(self.resource, path))

    def level(self, name, text):
        self.write(os.path.join("Levels", name), text)

    def screenshot(self, name):
        return Image.open(os.path.join(self.bin, name)).convert("RGB")

    def run(self, timeout=90, env=None, during=None):
        """Runs the engine to its end under a display of its own; during(display, game) runs while
        it is up, with self.pid the engine's process."""
        xvfb = Xvfb()
        # Never the tester's own sound configuration or data.
        environment = dict(os.environ, DISPLAY=xvfb.display, XDG_DATA_HOME=os.path.join(self.root, "data"))
        environment.pop("ALSOFT_CONF", None)
        environment.update(env or {})
        log_path = os.path.join(self.bin, LOG_NAME)
        if os.path.exists(log_path):
            os.remove(log_path)
        timed_out = False
        try:
            process = subprocess.Popen([os.path.join(GAME_DIR, "Bin", "tarnel-quibbo")], cwd=self.bin, env=environment, stdout=subprocess.PIPE,
                                       stderr=subprocess.STDOUT, start_new_session=True)
            self.pid = process.pid
            if during:
                during(environment["DISPLAY"], self)
            try:
                output, _ = process.communicate(timeout=timeout)
            except subprocess.TimeoutExpired:
                timed_out = True
                os.killpg(process.pid, signal.SIGKILL)
                output, _ = process.communicate()
        finally:
            xvfb.close()
        log = read_text(log_path) if os.path.exists(log_path) else ""
        return Result(process.returncode, log, output.decode(errors="replace"), timed_out)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def xdotool(display, *words):
    """Runs xdotool on display; the words it prints (none if it took over 30 s)."""
    try:
        return subprocess.run(["xdotool", *words], capture_output=True, text=True, env=dict(os.environ, DISPLAY=display),
                              timeout=30).stdout.split()
    except subprocess.TimeoutExpired:
        return []


def game_windows(display):
    """The game's windows, once one shows (none within 30 s)."""
    return xdotool(display, "search", "--sync", "--name", "Tarnel Quibbo")


def send_close_request(display):
    """Asks the game window to close the way a window manager's close button does. Returns whether
    a window with that title was found."""
    found = game_windows(display)  # none: the run ends by its time limit, and the test shows the log
    ask_to_close(display, found)
    return bool(found)


def wait_for(game, text, limit=60):
    """Whether the running game's log holds text within limit seconds."""
    path, deadline = os.path.join(game.bin, LOG_NAME), time.time() + limit
    while time.time() < deadline:
        if os.path.exists(path) and text in read_text(path):
            return True
        time.sleep(0.1)
    return False


def close_window_after(*texts, limit=60):
    """A during= callback: once the log holds every text, closes the game window as a player would."""
    def close(display, game):
        deadline = time.time() + limit
        for text in texts:
            wait_for(game, text, deadline - time.time())
        send_close_request(display)
    return close


class GameTest(unittest.TestCase):
    """Base class: self.game is a fresh game folder per test."""

    def setUp(self):
        self.game = Game()

    def tearDown(self):
        self.game.close()

    def run_game(self, **kwargs):
        return self.checked(self.game.run(**kwargs))

    def checked(self, result):
        """The run's result, once it shows no sanitizer report and an end in time."""
        report = SANITIZER_REPORT.search(result.output)
        if report:
            self.fail("sanitizer report from the engine:\n" + result.output[report.start():][:20000])
        self.assertFalse(result.timed_out, "engine did not end in time\n" + result.log[-3000:])
        return result

    def assertPasses(self, result, count):
        """No check failed and all count checks of the level ran."""
        passes = [m for m in result.messages() if m.startswith("PASS ")]
        self.assertEqual([m for m in result.messages() if m.startswith("FAIL ")], [], result.log[-3000:])
        self.assertEqual(len(passes), count, passes)


def wave_writer(game):
    """Environment that gives the engine OpenAL Soft's wave writer as its output device, and the
    path of the recording it leaves: 44.1 kHz stereo, 16 bits, written as the mixer runs."""
    recording = os.path.join(game.root, "recording.wav")
    config = os.path.join(game.root, "alsoft.conf")
    with open(config, "w") as f:
        f.write("[general]\ndrivers=wave\nchannels=stereo\nsample-type=int16\nfrequency=44100\n"
                "[wave]\nfile=%s\n" % recording)
    return {"ALSOFT_CONF": config}, recording


def read_recording(path):
    """(rate, left, right) of the wave writer's 16-bit stereo recording, samples as floats in -1..1.
    Its header (format chunk first, data chunk last) is WAVE_FORMAT_EXTENSIBLE, which Python's wave
    module refuses."""
    with open(path, "rb") as f:
        data = f.read()
    channels, rate, bits = (int.from_bytes(data[a:b], "little") for a, b in ((22, 24), (24, 28), (34, 36)))
    if data[8:16] != b"WAVEfmt " or (channels, bits) != (2, 16):
        raise AssertionError("not the wave writer's 16-bit stereo: %s" % path)
    samples = data[data.index(b"data", 36) + 8:]
    values = array.array("h", samples[:len(samples) // 4 * 4])
    return rate, [v / 32768.0 for v in values[0::2]], [v / 32768.0 for v in values[1::2]]


def write_tone(path, seconds, frequency=440, amplitude=0.5, rate=22050):
    """A 16-bit mono sine; a whole number of periods per second, so it loops without a seam."""
    count = int(seconds * rate)
    frames = array.array("h", (int(amplitude * 32767 * math.sin(2 * math.pi * frequency * i / rate))
                               for i in range(count)))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(frames.tobytes())


def no_opener(game):
    """A PATH whose xdg-open opens nothing, for runs whose levels call StartWebBrowser."""
    tools = os.path.join(game.root, "tools")
    os.makedirs(tools, exist_ok=True)
    with open(os.path.join(tools, "xdg-open"), "w") as f:
        f.write("#!/bin/sh\nexit 0\n")
    os.chmod(os.path.join(tools, "xdg-open"), 0o755)
    return tools + os.pathsep + os.environ["PATH"]
