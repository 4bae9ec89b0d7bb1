#!/usr/bin/python3
"""The Debian package as a player gets it (run as root by CI, after scripts/package.sh).

Installs build/package/*.deb with apt, then as fresh non-root users: starts the installed game
under Xvfb, waits for the menu, asks the window to close, and checks the exit status, the log,
the settings in the user's own folders and that nothing was written below /usr or /etc. A second
start runs two games at once in a folder an older version made. A user whose home cannot be
written gets one message and a non-zero exit. Last, apt-get purge must leave nothing behind.
"""
import glob
import os
import pwd
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from try_level import ask_to_close, game_windows, window_picture  # noqa: E402

PACKAGE = "tarnel-quibbo"
LOG = "Tarnel Quibbo.log"
INSTALLED = "/usr/share/games/" + PACKAGE
BUTTON = (232, 195, 90)  # the menus' buttons
DISPLAY = ":97"


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def as_user(user, command):
    """Starts command in the user's login shell, as a player starts it from a terminal."""
    return subprocess.Popen(["su", "-", user, "-c", command], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True)


def wait(check, limit):
    deadline = time.time() + limit
    while time.time() < deadline:
        if check():
            return True
        time.sleep(0.2)
    return False


def text(path):
    with open(path, errors="replace") as f:
        return f.read()


def shows_menu(window):
    # Without a window manager the games' windows lie on top of each other: the one looked at comes up.
    run("xdotool", "windowraise", window, env=dict(os.environ, DISPLAY=DISPLAY))
    time.sleep(0.3)
    try:
        image = window_picture(DISPLAY, window)
    except Exception:
        return False
    return sum(1 for pixel in image.getdata() if all(abs(a - b) <= 16 for a, b in zip(pixel, BUTTON))) > 2000


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        debs = glob.glob(os.path.join(ROOT, "build", "package", "*.deb"))
        assert len(debs) == 1, "build the package first: bash scripts/package.sh"
        installed = run("apt-get", "install", "-y", "-q", debs[0], env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        assert installed.returncode == 0, installed.stdout + installed.stderr
        cls.files = [path for path in run("dpkg", "-L", PACKAGE).stdout.split() if not os.path.isdir(path)]
        cls.xvfb = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.users = []
        time.sleep(1)

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.kill()
        for user in cls.users:
            run("userdel", "-r", user)
        purged = run("apt-get", "purge", "-y", "-q", PACKAGE)
        assert purged.returncode == 0, purged.stdout + purged.stderr
        left = [path for path in cls.files + [INSTALLED] if os.path.lexists(path)]
        assert not left, "left after purge: %s" % left
        assert "install ok installed" not in run("dpkg-query", "-W", "-f=${Status}", PACKAGE).stdout

    def new_user(self):
        name = "tq-player-%d-%d" % (os.getpid(), len(self.users))
        self.assertEqual(run("useradd", "-m", "-s", "/bin/sh", name).returncode, 0)
        self.users.append(name)
        return pwd.getpwnam(name).pw_dir

    def play_until_menu(self, user, count=1):
        """Starts count games, waits until each window shows the menu, then closes them all."""
        games = [as_user(user, "DISPLAY=%s %s" % (DISPLAY, PACKAGE)) for _ in range(count)]
        try:
            self.assertTrue(wait(lambda: len(game_windows(DISPLAY)) == count, 60), "windows")
            for window in game_windows(DISPLAY):
                self.assertTrue(wait(lambda: shows_menu(window), 60), "the menu in window %s" % window)
            ask_to_close(DISPLAY, game_windows(DISPLAY))
            for game in games:
                output = game.communicate(timeout=60)[0]
                self.assertEqual(game.returncode, 0, output[-3000:])
        finally:
            for game in games:
                if game.poll() is None:
                    game.kill()

    def test_a_player_starts_the_installed_game_from_the_menu_and_only_their_folders_are_written(self):
        home = self.new_user()
        stamp = tempfile.NamedTemporaryFile()
        time.sleep(1.1)  # file times below /usr and /etc must be later than the stamp to count
        self.play_until_menu(os.path.basename(home))

        log = text(os.path.join(home, ".local/state", PACKAGE, LOG))
        for line in ("Player folders: the game %s/.local/share/%s" % (home, PACKAGE), "LoadLevel(menu.lua) end",
                     "Volumes: effects", "delete ogre"):
            self.assertIn(line, log)
        self.assertNotIn("Scripting error", log)
        settings = os.path.join(home, ".config", PACKAGE, "setup.lua")
        self.assertEqual(text(settings), text(os.path.join(INSTALLED, "Resource/setup.lua")))
        self.assertEqual(os.stat(settings).st_uid, pwd.getpwnam(os.path.basename(home)).pw_uid)
        game = os.path.join(home, ".local/share", PACKAGE)
        self.assertEqual(os.path.realpath(os.path.join(game, "Resource/setup.lua")), settings)
        self.assertEqual(os.readlink(os.path.join(game, "Resource/Levels/menu.lua")), INSTALLED + "/Resource/Levels/menu.lua")
        written = run("find", "/usr", "/etc", "-newer", stamp.name, "-not", "-type", "d").stdout.split()
        self.assertEqual(written, [])

        # Two games at once, in a folder an older version made that also holds the player's own file.
        with open(os.path.join(game, "version"), "w") as f:
            f.write("0.1")
        with open(os.path.join(game, "Resource/Levels/saved.lua"), "w") as f:
            f.write("-- the player's own\n")
        os.remove(os.path.join(game, "Resource/Levels/menu.lua"))
        self.play_until_menu(os.path.basename(home), 2)
        logs = [text(path) for path in sorted(glob.glob(os.path.join(home, ".local/state", PACKAGE, "*.log")))]
        self.assertEqual(len(logs), 2, "each game its own log")
        for log in logs:
            self.assertIn("delete ogre", log)
        self.assertEqual(sum(log.count("was made by version 0.1: kept") for log in logs), 1)
        self.assertTrue(os.path.exists(os.path.join(game, "Resource/Levels/saved.lua")))
        self.assertEqual(text(os.path.join(game, "version")), run("dpkg-query", "-W", "-f=${Version}", PACKAGE).stdout)

    def test_a_home_that_cannot_be_written_gets_one_message_and_a_failed_exit(self):
        user = os.path.basename(self.new_user())
        started = run("su", user, "-c", "env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME "
                      "HOME=/proc/version /usr/games/" + PACKAGE)
        self.assertNotEqual(started.returncode, 0)
        self.assertEqual(started.stdout, "")
        self.assertRegex(started.stderr, r"^%s: cannot make the player's folder /proc/version/\S+: .+\n$" % PACKAGE)


if __name__ == "__main__":
    unittest.main()
