#!/usr/bin/env python3
"""Takes the README's screenshot tour with the real executable under Xvfb: the main menu, the
meadow, the ridge's lift and the pause menu. Each picture is a short run from the demo's own level,
wrapped in a few lines that walk Quibbo and take the screenshot.

Usage: make_tour.py [OUTPUT_DIR]   (default docs/tour; needs a built game in build/game)
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Game, setup_script  # noqa: E402

SHOTS = {
    "menu": ("menu.lua", []),
    "meadow": ("meadow.lua", [(2000, "KeyPressed(200, '0')"), (3200, "KeyReleased(200, '0')")]),
    "ridge": ("ridge.lua", [(1500, "SetPosition('Quibbo', 27, groundAt(27, -18) + 0.3, -18)"),
                            (5200, "KeyPressed(203, '0')"), (5400, "KeyReleased(203, '0')")]),
    "pause": ("meadow.lua", [(2500, "EscPressed()")]),
}
SHOT_AT = 6000


def take(name, level, steps, out):
    game = Game()
    try:
        game.write("setup.lua", setup_script(window_width=800, window_height=600, shadows=1, sleeptime=1))
        lines = ['dofile("../Resource/Levels/%s")' % level, 'AddActor("Tour")']
        for ms, statement in steps + [(SHOT_AT, "SaveScreenshot('%s.png') ShutDown()" % name)]:
            lines.append('AddActorMessage("Tour", %d, 7, "%s", "", 0, 0, 0, 0)' % (ms, statement))
        game.level("test.lua", 'coreLoadLevel("tour.lua")')  # the web panels come after the start level
        game.level("tour.lua", "\n".join(lines) + "\n")
        result = game.run(timeout=120)
        picture = os.path.join(game.bin, name + ".png")
        if result.returncode != 0 or not os.path.exists(picture):
            sys.exit("%s: no picture (exit %s)\n%s" % (name, result.returncode, result.log[-2000:]))
        shutil.copy(picture, os.path.join(out, name + ".png"))
        print("wrote", os.path.join(out, name + ".png"))
    finally:
        game.close()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "tour")
    os.makedirs(out, exist_ok=True)
    for name, (level, steps) in SHOTS.items():
        take(name, level, steps, out)


if __name__ == "__main__":
    main()
