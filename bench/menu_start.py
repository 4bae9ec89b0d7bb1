#!/usr/bin/python3
"""Process start to an interactive HTML menu, against process start to a first plain level without
a browser, both in the same run: the real executable under its own Xvfb, runs alternated, medians
printed with each phase. The menu is a second level's web panel (the start level runs before the
web panels exist); its page calls back once loaded and again once drawn, and the second callback
ends the run. Phases are the moments their log lines appear, read every 2 ms.

Usage: menu_start.py [--runs 5] [--engine PATH]   (needs a built game in build/game, or TQ_GAME_DIR;
--engine runs another build's executable on it, to compare two builds)
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import GAME_DIR, LOG_NAME, Game, Xvfb, setup_script  # noqa: E402

BOOT = 'CreateSceneNode("", "LevelRoot")\ncoreLoadLevel("menu.lua")\n'
MENU = """CreateSceneNode("", "LevelRoot")
function loaded() LogText("MENU loaded") end
function drawn() LogText("MENU drawn") ShutDown() end
CreateNavi("Menu", "menu.html", 640, 480, 0, 0)
ShowNavi("Menu", 0)
"""
PAGE = """<html><body style="margin:0;background:#246;font:40px sans-serif;color:white">
<h1>Main menu</h1><p>Play<br>Options<br>Quit</p><script>Callback("loaded()");
requestAnimationFrame(function () { requestAnimationFrame(function () { Callback("drawn()"); }); });
</script></body></html>"""
PLAIN = 'CreateSceneNode("", "LevelRoot")\nShutDown()\n'

MENU_PHASES = [("render start-up, start level begins", "LoadLevel(boot.lua) start at: 0"),
               ("start level done, menu level begins", "LoadLevel(menu.lua) start at: 0"),
               ("page loaded, first callback", "MENU loaded"),
               ("page drawn, its callback", "MENU drawn"),
               ("process exit", None)]
PLAIN_PHASES = [("render start-up, level begins", "LoadLevel(plain.lua) start at: 0"), ("process exit", None)]


def timed_run(game, env, engine):
    """Seconds from the process start to each logged line's first appearance, and to the exit."""
    xvfb = Xvfb()
    log = os.path.join(game.bin, LOG_NAME)
    if os.path.exists(log):
        os.remove(log)
    environment = dict(os.environ, DISPLAY=xvfb.display, **env)
    seen, text, reader = {}, "", None
    try:
        start = time.monotonic()
        process = subprocess.Popen([engine], cwd=game.bin, env=environment,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while process.poll() is None and time.monotonic() - start < 60:
            if reader is None and os.path.exists(log):
                reader = open(log, errors="replace")
            if reader:
                text += reader.read()  # only what came since the last look: the poll must not load the machine
                now = time.monotonic() - start
                lines, text = text.rsplit("\n", 1) if "\n" in text else ("", text)
                for line in lines.splitlines():
                    seen.setdefault(re.sub(r"^\d\d:\d\d:\d\d: (\d+ )?", "", line), now)
            time.sleep(0.002)
        process.wait(60)
        seen[None] = time.monotonic() - start
        if reader:
            reader.close()
    finally:
        xvfb.close()
    return seen


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--engine", default=os.path.join(GAME_DIR, "Bin", "tarnel-quibbo"))
    arguments = parser.parse_args()
    runs, engine = arguments.runs, arguments.engine
    menu, plain = Game(), Game()
    try:
        menu.write("setup.lua", setup_script(window_width=640, window_height=480, startlevel="boot.lua"))
        menu.level("boot.lua", BOOT)
        menu.level("menu.lua", MENU)
        menu.write("GUI/menu.html", PAGE)
        plain.write("setup.lua", setup_script(window_width=640, window_height=480, startlevel="plain.lua"))
        plain.level("plain.lua", PLAIN)
        menu_runs, plain_runs = [], []
        for _ in range(runs):
            menu_runs.append(timed_run(menu, {}, engine))
            plain_runs.append(timed_run(plain, {"TQ_BROWSER": "/no/such/browser"}, engine))
    finally:
        menu.close()
        plain.close()

    def report(title, phases, results):
        print(title)
        for name, line in phases:
            times = [t for t in (moment(r, line) for r in results) if t is not None]
            print("  %-40s %s" % (name, "%.3f s" % statistics.median(times) if times else "never"))

    report("menu (median of %d runs):" % runs, MENU_PHASES, menu_runs)
    report("plain level, no browser:", PLAIN_PHASES, plain_runs)
    menu_total = statistics.median(r[None] for r in menu_runs)
    plain_total = statistics.median(r[None] for r in plain_runs)
    print("process start to menu and exit: %.3f s, plain level: %.3f s: %.2fx" % (menu_total, plain_total,
                                                                                 menu_total / plain_total))


def moment(result, line):
    """When the phase's line first showed (None: the exit), matched by its start."""
    if line is None:
        return result.get(None)
    return next((t for k, t in result.items() if k is not None and k.startswith(line)), None)


if __name__ == "__main__":
    main()
