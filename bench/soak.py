#!/usr/bin/python3
"""Long runs of the demo that look for growth: the real executable under its own Xvfb, its resident
memory read from /proc while it runs, counted through its log.

  soak.py loads [--count 1000] [--stay 500]   the meadow and the ridge in turn, each coreLoadLevel'd
                                              from a timed actor message stay ms after the last
  soak.py restarts [--count 100]              the meadow, then ShutDown(1), count times in one process
  soak.py play [--minutes 60]                 the meadow with Quibbo walking a square, sleeptime 0

Each prints RSS (and the level's Lua memory) at its sample points. Counts live in the per-user
value store (WriteReg/ReadReg), since a load or a restart drops every Lua global.
(needs a built game in build/game, or TQ_GAME_DIR)
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import GAME_DIR, LOG_NAME, Game, Xvfb, setup_script  # noqa: E402

STORE = "Software\\\\TarnelQuibboSoak"
# Logs the Lua heap, then loads the other level or ends the run; the count survives the loads.
NEXT = """function SoakNext(other, count)
  local done = ReadReg("%(store)s", "Loads")
  if done < 0 then done = 0 end
  done = done + 1
  WriteReg("%(store)s", "Loads", done)
  LogText(string.format("Soak load %%d lua %%.0f KB", done, collectgarbage("count")))
  if done < count then coreLoadLevel(other) return end
  AddActorMessage("Soak", GetSimulationTime() + 3000, 7, "ShutDown()", "", 0, 0, 0, 0)  -- time for a last sample
end
"""
LEVEL = """dofile("../Resource/Levels/%(level)s")
dofile("../Resource/Levels/soak_next.lua")
AddActor("Soak")
AddActorMessage("Soak", %(stay)d, 7, "SoakNext('%(other)s', %(count)d)", "", 0, 0, 0, 0)
"""
RESTART = """dofile("../Resource/Levels/meadow.lua")
AddActor("Soak")
AddActorMessage("Soak", %(stay)d, 7, "SoakRestart()", "", 0, 0, 0, 0)
function SoakRestart()
  local done = ReadReg("%(store)s", "Restarts")
  if done < 0 then done = 0 end
  WriteReg("%(store)s", "Restarts", done + 1)
  LogText(string.format("Soak restart %%d lua %%.0f KB", done + 1, collectgarbage("count")))
  if done + 1 < %(count)d then ShutDown(1) return end
  AddActorMessage("Soak", GetSimulationTime() + 3000, 7, "ShutDown()", "", 0, 0, 0, 0)  -- time for a last sample
end
"""
PLAY = """dofile("../Resource/Levels/meadow.lua")
local keys, side = { 200, 203, 208, 205 }, 0
function SoakWalk()
  if side > 0 then KeyReleased(keys[(side - 1) %% 4 + 1], '0') end
  KeyPressed(keys[side %% 4 + 1], '0')
  side = side + 1
  AddActorMessage("Soak", GetSimulationTime() + 3000, 7, "SoakWalk()", "", 0, 0, 0, 0)
end
function SoakMemory()
  LogText(string.format("Soak lua %%.0f KB", collectgarbage("count")))
  AddActorMessage("Soak", GetSimulationTime() + 30000, 7, "SoakMemory()", "", 0, 0, 0, 0)
end
AddActor("Soak")
AddActorMessage("Soak", 1000, 7, "SoakWalk()", "", 0, 0, 0, 0)
AddActorMessage("Soak", 1000, 7, "SoakMemory()", "", 0, 0, 0, 0)
AddActorMessage("Soak", %(ms)d, 7, "ShutDown()", "", 0, 0, 0, 0)
"""


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def descendants(pid):
    """How many processes run under pid (the browser and its helpers)."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    found, frontier = set(), {pid}
    while frontier:
        frontier = {child for child, parent in parents.items() if parent in frontier} - found
        found |= frontier
    return len(found)


def soak(game, limit, watch, env=None):
    """Runs the engine; watch(log_text, pid) is called every half second while it runs. Returns the
    exit code and the final log. Sound goes to OpenAL Soft's null device: a real mixer, no file."""
    config = os.path.join(game.root, "alsoft.conf")
    with open(config, "w") as f:
        f.write("[general]\ndrivers=null\n")
    xvfb = Xvfb()
    environment = dict(os.environ, DISPLAY=xvfb.display, XDG_DATA_HOME=os.path.join(game.root, "data"),
                       ALSOFT_CONF=config)
    environment.update(env or {})
    log_path = os.path.join(game.bin, LOG_NAME)
    process = subprocess.Popen([os.path.join(GAME_DIR, "Bin", "tarnel-quibbo")], cwd=game.bin, env=environment,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    deadline = time.time() + limit
    try:
        while process.poll() is None:
            if time.time() > deadline:
                print("time limit reached: stopping the run")
                os.killpg(process.pid, signal.SIGKILL)
                break
            if os.path.exists(log_path):
                with open(log_path, errors="replace") as f:
                    watch(f.read(), process.pid)
            time.sleep(0.5)
        process.wait()
    finally:
        xvfb.close()
    with open(log_path, errors="replace") as f:
        return process.returncode, f.read()


def faults(log):
    """The log's error lines, which a clean soak has none of."""
    lines = [l for l in log.splitlines() if re.search(r"ERROR|Error!|Scripting error|WARNING", l)]
    print("%d level-ready lines, %d error lines%s" % (len(re.findall(r"Level \w+ ready", log)), len(lines),
                                                    "".join("\n  " + l for l in lines[:10])))


def report(samples, base_key):
    base = samples.get(base_key)
    for key, rss in sorted(samples.items()):
        growth = "" if not base else "  %+.1f%% from %s" % (100.0 * (rss - base) / base, base_key)
        print("  after %6s: RSS %7d KB%s" % (key, rss, growth))


def run_loads(game, args):
    game.level("soak_next.lua", NEXT % {"store": STORE})
    for level, other in (("meadow.lua", "ridge.lua"), ("ridge.lua", "meadow.lua")):
        game.level("soak_" + level, LEVEL % {"level": level, "other": "soak_" + other, "stay": args.stay,
                                             "count": args.count})
    game.level("test.lua", 'coreLoadLevel("soak_meadow.lua")')  # the web panels come after the start level
    points = sorted({10, 100, 1000, args.count} | set(range(50, args.count + 1, 50)))
    samples, started = {}, time.time()

    def watch(log, pid):
        done = len(re.findall(r"Soak load \d+", log))
        for point in points:
            if done >= point and point not in samples:
                rss = rss_kb(pid)
                if rss:
                    samples[point] = rss
                    print("load %5d: RSS %d KB, %d processes under it, %.0f s" %
                          (done, rss, descendants(pid), time.time() - started), flush=True)

    code, log = soak(game, args.limit, watch)
    lua = re.findall(r"Soak load (\d+) lua (\d+) KB", log)
    print("%d loads in %.0f s, exit %s" % (len(lua), time.time() - started, code))
    if lua:
        print("Lua heap: %s KB after load 1, %s KB after load %s" % (lua[0][1], lua[-1][1], lua[-1][0]))
    faults(log)
    report(samples, 10)


def run_restarts(game, args):
    game.level("test.lua", 'coreLoadLevel("soak_restart.lua")')
    game.level("soak_restart.lua", RESTART % {"store": STORE, "stay": args.stay, "count": args.count})
    samples, started = {}, time.time()

    def watch(log, pid):
        done = log.count("Level meadow ready")  # sampled in the level, not in a teardown
        for point in sorted({1, 10, 50, args.count}):
            if done >= point and point not in samples:
                samples[point] = rss_kb(pid)
                print("restart %4d: RSS %d KB, %d processes under it, %.0f s" %
                      (done, samples[point], descendants(pid), time.time() - started), flush=True)

    code, log = soak(game, args.limit, watch)
    print("%d x ~GameApp() in %.0f s, exit %s" % (log.count("~GameApp()"), time.time() - started, code))
    faults(log)
    report({k: v for k, v in samples.items() if v}, 1)


def run_play(game, args):
    game.level("test.lua", 'coreLoadLevel("soak_play.lua")')
    game.level("soak_play.lua", PLAY % {"ms": args.minutes * 60000})
    samples, started = {}, time.time()

    def watch(log, pid):
        minute = int((time.time() - started) / 60)
        if "Level meadow ready" in log and minute not in samples:
            samples[minute] = rss_kb(pid)
            print("minute %3d: RSS %d KB, %d processes under it" % (minute, samples[minute], descendants(pid)),
                  flush=True)

    code, log = soak(game, args.minutes * 60 + args.limit, watch, {"TQ_FRAME_BUDGET": "5000"})
    print("%.0f s played, exit %s" % (time.time() - started, code))
    lua = re.findall(r"Soak lua (\d+) KB", log)
    print("Lua heap every 30 s (KB): %s" % " ".join(lua))
    frames = re.findall(r"Frame budget: (\d+) frames.* total ([\d.]+)", log)
    print("ms a frame, each 5000 frames: %s" % " ".join(t for _, t in frames))
    census = re.findall(r"Frame budget: .*; (actors .*)", log)
    if census:
        print("held after the first 5000 frames: %s\nheld after the last: %s" % (census[0], census[-1]))
    faults(log)
    report({k: v for k, v in samples.items() if v}, 1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["loads", "restarts", "play"])
    parser.add_argument("--count", type=int, default=0, help="loads (1000) or restarts (100)")
    parser.add_argument("--stay", type=int, default=0, help="ms in a level before the next load (500) or restart (1500)")
    parser.add_argument("--minutes", type=int, default=60)
    parser.add_argument("--limit", type=int, default=3600, help="seconds before the run is stopped")
    parser.add_argument("--music", type=int, default=1, help="0: no sound system, to tell its share")
    args = parser.parse_args()
    args.count = args.count or {"loads": 1000, "restarts": 100}.get(args.kind, 0)
    args.stay = args.stay or {"loads": 500, "restarts": 1500}.get(args.kind, 0)
    game = Game()
    try:
        game.write("setup.lua", setup_script(window_width=640, window_height=480, sleeptime=0, music=args.music,
                                             musicdir="../Resource/Sounds/"))
        {"loads": run_loads, "restarts": run_restarts, "play": run_play}[args.kind](game, args)
    finally:
        game.close()


if __name__ == "__main__":
    main()
