#!/usr/bin/python3
"""Where a frame of the demo goes: runs the real executable on a demo level under its own Xvfb with
TQ_FRAME_BUDGET set, Quibbo walking a square, and prints the main loop's phases in milliseconds a
frame. The render phase (Ogre's renderOneFrame) of the same run is the bare-render baseline; the
engine's own overhead is everything else but the sleep.

Usage: frame_budget.py [--level meadow.lua] [--seconds 40] [--every 250] [--skip 2] [--paused]
                       [--width 1024] [--height 768] [--shadows 1]
(needs a built game in build/game, or TQ_GAME_DIR)
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Game, setup_script, wave_writer  # noqa: E402

LINE = re.compile(r"Frame budget: (\d+) frames, (\d+) steps, ms a frame: ([^;]*)")

# The demo level as a player meets it, with Quibbo walking a square of the arrow keys, 3 s a side.
WALK = """dofile("../Resource/Levels/%s")
local keys, side = { 200, 203, 208, 205 }, 0
function BudgetWalk()
  if side > 0 then KeyReleased(keys[(side - 1) %% 4 + 1], '0') end
  KeyPressed(keys[side %% 4 + 1], '0')
  side = side + 1
  AddActorMessage("Budget", GetSimulationTime() + 3000, 7, "BudgetWalk()", "", 0, 0, 0, 0)
end
AddActor("Budget")
AddActorMessage("Budget", 1000, 7, "BudgetWalk()", "", 0, 0, 0, 0)
AddActorMessage("Budget", %d, 7, "ShutDown()", "", 0, 0, 0, 0)
"""
# The pause menu's web panel over the level, uploading its frames.
PAUSED = 'AddActorMessage("Budget", 2000, 7, "EscPressed()", "", 0, 0, 0, 0)\n'



def parse(log, skip):
    """Phase -> ms a frame, frame-weighted over the budget lines after the first skip, and the
    frame and step counts."""
    rows = [LINE.search(line) for line in log.splitlines()]
    rows = [r for r in rows if r][skip:]
    frames = steps = 0
    sums = {}
    for r in rows:
        count = int(r.group(1))
        frames += count
        steps += int(r.group(2))
        values = r.group(3).split()
        for name, value in zip(values[0::2], values[1::2]):
            sums[name] = sums.get(name, 0.0) + float(value) * count
    return {k: v / frames for k, v in sums.items()} if frames else {}, frames, steps


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--level", default="meadow.lua")
    parser.add_argument("--seconds", type=int, default=40)
    parser.add_argument("--every", type=int, default=250, help="frames a budget line")
    parser.add_argument("--skip", type=int, default=2, help="first budget lines left out (loading, warm-up)")
    parser.add_argument("--width", type=int, default=1024)
    parser.add_argument("--height", type=int, default=768)
    parser.add_argument("--shadows", type=int, default=1)
    parser.add_argument("--paused", action="store_true", help="the pause menu's web panel shown from 2 s on")
    args = parser.parse_args()

    game = Game()
    try:
        game.write("setup.lua", setup_script(window_width=args.width, window_height=args.height, shadows=args.shadows,
                                             shadowdistance=400, sleeptime=0, music=1, soundvolume=4, musicvolume=3,
                                             musicdir="../Resource/Sounds/"))
        game.level("test.lua", 'coreLoadLevel("budget.lua")')  # the web panels come after the start level
        game.level("budget.lua", WALK % (args.level, args.seconds * 1000) + (PAUSED if args.paused else ""))
        sound_env, _ = wave_writer(game)
        result = game.run(timeout=args.seconds + 120, env=dict(sound_env, TQ_FRAME_BUDGET=str(args.every)))
        phases, frames, steps = parse(result.log, args.skip)
        if not phases:
            sys.exit("no frame budget lines (exit %s)\n%s" % (result.returncode, result.log[-3000:]))
    finally:
        game.close()

    total = phases.pop("total")
    lua = phases.pop("lua")
    render, idle = phases["render"], phases["sleep"]
    busy = total - idle
    engine = busy - render
    print("%s%s, %dx%d, shadows %d: %d frames, %.2f steps a frame, %.1f frames a second" %
          (args.level, " paused" if args.paused else "", args.width, args.height, args.shadows, frames, steps / frames, 1000.0 / total))
    print("%-12s %9s %7s" % ("phase", "ms/frame", "%frame"))
    for name, value in phases.items():
        print("%-12s %9.3f %6.1f%%" % (name, value, 100.0 * value / total))
    print("%-12s %9.3f %6.1f%%   (Lua statements, inside the phases above)" % ("of which lua", lua, 100.0 * lua / total))
    print("%-12s %9.3f" % ("total", total))
    print()
    print("bare render (renderOneFrame): %.3f ms a frame" % render)
    print("engine outside rendering:     %.3f ms a frame, %.1f%% of the busy frame (goal: <= 10%% and <= 2 ms)" %
          (engine, 100.0 * engine / busy))
    print("verdict: %s" % ("within the goal" if engine <= 2.0 and engine <= 0.1 * busy else "OVER the goal"))


if __name__ == "__main__":
    main()
