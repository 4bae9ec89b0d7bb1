#!/usr/bin/python3
"""Runs one level of a built game for a game maker's own checks: in a folder of its own that
mirrors the game folder by links, with that level as the first real level (a start level loads
it, so web panels exist), under a private Xvfb when there is no display and with sound on a null
device. It stops after the given seconds or when the level calls ShutDown(), prints the level's log
lines (script errors with their tracebacks among them) and exits 0 only when the run ended cleanly
without a script error.

Usage: try_level.py GAME_DIR LEVEL.lua [--seconds N] [--shot FILE.png]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

LOG_NAME = "Tarnel Quibbo.log"
BOOT = "try_level_start.lua"


def mirror(game, level):
    """A folder whose Bin and Resource link to the game's, with its own setup.lua and Levels."""
    root = tempfile.mkdtemp(prefix="tq_try_level_")
    os.makedirs(os.path.join(root, "Bin"))
    for name in os.listdir(os.path.join(game, "Bin")):
        if name.endswith(".png") or name == LOG_NAME:
            continue
        os.symlink(os.path.abspath(os.path.join(game, "Bin", name)), os.path.join(root, "Bin", name))
    resource = os.path.join(root, "Resource")
    os.makedirs(os.path.join(resource, "Levels"))
    for name in os.listdir(os.path.join(game, "Resource")):
        if name not in ("Levels", "setup.lua"):
            os.symlink(os.path.abspath(os.path.join(game, "Resource", name)), os.path.join(resource, name))
    levels = os.path.join(game, "Resource", "Levels")
    for name in os.listdir(levels):
        os.symlink(os.path.abspath(os.path.join(levels, name)), os.path.join(resource, "Levels", name))
    target = os.path.join(resource, "Levels", os.path.basename(level))
    if os.path.lexists(target):
        os.remove(target)
    os.symlink(os.path.abspath(level), target)
    with open(os.path.join(resource, "Levels", BOOT), "w") as f:
        f.write('CreateSceneNode("", "LevelRoot")\ncoreLoadLevel("%s")\n' % os.path.basename(level))
    with open(os.path.join(game, "Resource", "setup.lua")) as f:
        setup = f.read()
    with open(os.path.join(resource, "setup.lua"), "w") as f:
        f.write(setup + '\nsetup.startlevel = "%s"\nsetup.resourcedir = "../Resource/Levels/"\nsetup.fullscreen = 0\n'
                'setup.reload = 0\n' % BOOT)
    return root


def game_windows(display):
    """The ids of the game's windows on the display."""
    return subprocess.run(["xdotool", "search", "--name", "Tarnel Quibbo"], capture_output=True, text=True,
                          env=dict(os.environ, DISPLAY=display)).stdout.split()


def ask_to_close(display, windows):
    """Asks the windows to close as a window manager's close button does: WM_DELETE_WINDOW."""
    from Xlib import display as xdisplay, protocol
    connection = xdisplay.Display(display)
    protocols, delete = connection.intern_atom("WM_PROTOCOLS"), connection.intern_atom("WM_DELETE_WINDOW")
    for window in windows:
        target = connection.create_resource_object("window", int(window))
        target.send_event(protocol.event.ClientMessage(window=target, client_type=protocols,
                                                       data=(32, [delete, 0, 0, 0, 0])))
    connection.sync()  # close() only flushes: a server can drop requests it had not read yet
    connection.close()


def window_picture(display, window):
    """The window's picture now, as an RGB image."""
    from PIL import Image
    from Xlib import X, display as xdisplay
    connection = xdisplay.Display(display)
    try:
        target = connection.create_resource_object("window", int(window))
        geometry = target.get_geometry()
        raw = target.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
        return Image.frombytes("RGB", (geometry.width, geometry.height), raw.data, "raw", "BGRX")
    finally:
        connection.close()


def last_picture(display, last):
    """The game window's picture now, or last when there is none (the window went meanwhile)."""
    windows = game_windows(display)
    try:
        return window_picture(display, windows[0]) if windows else last
    except Exception:
        return last


def main():
    parser = argparse.ArgumentParser(description="Runs one level for a game maker's own checks.")
    parser.add_argument("game")
    parser.add_argument("level")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--shot")
    arguments = parser.parse_args()
    if not os.path.isfile(arguments.level):
        sys.exit("try-level: no level file %s" % arguments.level)
    root = mirror(arguments.game, arguments.level)
    xvfb = None
    environment = dict(os.environ, ALSOFT_DRIVERS="null")
    try:
        if not environment.get("DISPLAY"):
            read, write = os.pipe()
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten",
                                     "tcp", "-noreset"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as pipe:
                environment["DISPLAY"] = ":" + pipe.readline().strip()
        game = subprocess.Popen([os.path.join(root, "Bin", "tarnel-quibbo")], cwd=os.path.join(root, "Bin"),
                                env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The seconds count from the level's start; the engine's own start may take a while.
        log_path = os.path.join(root, "Bin", LOG_NAME)
        started = "LoadLevel(%s) start" % os.path.basename(arguments.level)
        deadline, last = time.time() + 60, None
        while game.poll() is None and time.time() < deadline:
            if deadline - time.time() > arguments.seconds and os.path.exists(log_path) and \
                    started in open(log_path, errors="replace").read():
                deadline = time.time() + arguments.seconds
            if arguments.shot:
                last = last_picture(environment["DISPLAY"], last)
            time.sleep(0.5)
        if game.poll() is None:
            ask_to_close(environment["DISPLAY"], game_windows(environment["DISPLAY"]))
            try:
                game.wait(30)
            except subprocess.TimeoutExpired:
                game.kill()
                game.wait()
        if arguments.shot and last:
            last.save(arguments.shot)
        lines = open(log_path, errors="replace").read().splitlines() if os.path.exists(log_path) else []
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        shutil.rmtree(root, ignore_errors=True)
    messages = [re.sub(r"^\d\d:\d\d:\d\d: ", "", line) for line in lines]
    start = next((i for i, m in enumerate(messages) if "LoadLevel(%s) start" % os.path.basename(arguments.level) in m),
                 0)
    end = next((i for i, m in enumerate(messages) if m.endswith("~GameApp()")), len(messages))
    print("\n".join(messages[start:end]))
    errors = sum(1 for m in messages if re.sub(r"^\d+ ", "", m) == "Scripting error")
    clean = game.returncode == 0 and any(m.endswith("~GameApp()") for m in messages)
    print("try-level: %s, %d script error%s" % ("ended cleanly" if clean else "did not end cleanly (exit %s)"
                                               % game.returncode, errors, "" if errors == 1 else "s"))
    sys.exit(0 if clean and errors == 0 else 1)


if __name__ == "__main__":
    main()
