"""Script library fuzzer on the real executable (lua/fuzz.lua): random calls of all 73 functions
from the level, its events and coroutines, with level loads and restarts, while random keys and
clicks arrive through X, and models damaged at random for the model loader. The run must end by
itself, with every call made, no crash and no sanitizer report.

Seed and length: TQ_FUZZ_SEED, TQ_FUZZ_CALLS (CI runs a short slice); TQ_FUZZ_VERBOSE=1 logs each
call before it is made, to find the one that broke a run; TQ_FUZZ_LOG=path keeps the log. See bench/README.md for the long run.
"""
import os
import random
import re
import shutil
import threading
import time
import unittest

from harness import HERE, GameTest, no_opener, setup_script, wave_writer, write_tone, xdotool

SEED = int(os.environ.get("TQ_FUZZ_SEED", "20261207"))
CALLS = int(os.environ.get("TQ_FUZZ_CALLS", "15000"))
VERBOSE = int(os.environ.get("TQ_FUZZ_VERBOSE", "0"))
# Generous: a sanitizer build runs the calls several times slower, and each restart starts a browser.
TIMEOUT = int(os.environ.get("TQ_FUZZ_TIMEOUT", str(120 + CALLS // 20)))

PAGE = """<html><body style="background:#345"><script>
var n = 0, odd = [undefined, 42, null, "FuzzCallback()", "syntax error (", {a: 1}, "\\u0000", "FuzzCallback()"];
setInterval(function () { n++; if (n % 5 == 0) Callback(); else Callback(odd[n % odd.length]); }, 40);
</script></body></html>
"""

BOUNCE = 'CreateSceneNode("", "LevelRoot")\nLogText("FUZZ bounce")\ncoreLoadLevel("fuzz.lua")\n'

def damaged_models(game, rng):
    """FuzzModel1..12: the windmill as .glb, as .gltf with its buffer and as OBJ, with bytes
    changed, cut or dropped; a few stay whole."""
    from make_gltf import windmill
    meshes = os.path.join(game.resource, "Meshes")
    mill = windmill()
    mill.write(os.path.join(meshes, "Mill.gltf"))
    with open(os.path.join(meshes, "Mill.gltf"), "rb") as f:
        text = f.read()
    kinds = {".glb": mill.glb(), ".gltf": text,
             ".obj": b"mtllib Mill.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvn 0 0 1\nusemtl Red\n"
                     b"f 1/1/1 2/1/1 3/1/1\nf 1 3 4 2\n"}
    with open(os.path.join(meshes, "Mill.mtl"), "w") as f:
        f.write("newmtl Red\nKd 1 0 0\n")
    for i in range(1, 13):
        extension = [".glb", ".gltf", ".obj"][i % 3]
        data = bytearray(kinds[extension])
        for _ in range(rng.randrange(0, 9) if i > 3 else 0):
            at, what = rng.randrange(len(data)), rng.random()
            if what < 0.4:
                data[at] = rng.randrange(256)
            elif what < 0.8:
                data[at] = ord(rng.choice('0123456789-.e,[]{}" /\nfv'))
            else:
                del data[at:at + rng.randrange(1, 40)]
        with open(os.path.join(meshes, "FuzzModel%d%s" % (i, extension)), "wb") as f:
            f.write(data)


KEYS = ["a", "w", "space", "Escape", "F1", "Print", "Tab", "Up", "Return", "BackSpace", "apostrophe"]


def player(stop, seed):
    """A during= callback: random keys and clicks in the game window, from a thread of its own, until
    stop is set. The window is looked up again every few events: each restart makes a new one."""
    def send(display):
        rng, window, sent = random.Random(seed), None, 0
        while not stop.is_set():
            if window is None or sent % 20 == 0:
                window = (xdotool(display, "search", "--name", "Tarnel Quibbo") or [None])[0]
            sent += 1
            if window is None:
                stop.wait(0.2)
                continue
            # Mostly below the page panel at the top left, where clicks reach the level.
            xdotool(display, "mousemove", "--window", window, str(rng.randrange(320)), str(rng.randrange(80, 240)))
            if rng.random() < 0.5:
                xdotool(display, "key", rng.choice(KEYS))
            else:
                xdotool(display, "click", str(rng.choice([1, 1, 3])))
            stop.wait(0.03)
    return lambda display, game: threading.Thread(target=send, args=(display,), daemon=True).start()


class ScriptLibraryFuzz(GameTest):
    def test_random_calls_and_events_leave_the_engine_running(self):
        game = self.game
        game.write("setup.lua", setup_script(startlevel="fuzz.lua", music=1, soundvolume=5, musicvolume=5,
                                             musicdir="../Resource/Sounds/")
                   + "fuzz = { seed = %d, calls = %d, verbose = %d }\n" % (SEED, CALLS, VERBOSE))
        shutil.copy(os.path.join(HERE, "lua", "fuzz.lua"), os.path.join(game.resource, "Levels", "fuzz.lua"))
        game.level("fuzz_bounce.lua", BOUNCE)
        game.write("GUI/fuzzpage.html", PAGE)
        damaged_models(game, random.Random(SEED))
        write_tone(os.path.join(game.resource, "Sounds", "Short.wav"), 0.3)
        write_tone(os.path.join(game.resource, "Sounds", "Tone.wav"), 1.0)
        env, _ = wave_writer(game)
        env["PATH"] = no_opener(game)  # StartWebBrowser gets random texts

        stop = threading.Event()
        started = time.time()
        try:
            result = game.run(timeout=TIMEOUT, env=env, during=player(stop, SEED))
        finally:
            stop.set()
        if os.environ.get("TQ_FUZZ_LOG"):  # kept before the checks, so a failed run keeps it too
            with open(os.environ["TQ_FUZZ_LOG"], "w") as f:
                f.write(result.log + "\n--- output ---\n" + result.output)
        self.checked(result)
        done = [m for m in result.messages() if m.startswith("FUZZ done ")]
        self.assertEqual(len(done), 1, result.log[-3000:])
        self.assertTrue(done[0].startswith("FUZZ done %d calls" % CALLS), done)
        self.assertEqual(result.returncode, 0, result.output[-3000:])
        print("\nseed %d: %s in %.0f s" % (SEED, done[0][len("FUZZ done "):], time.time() - started))
        levels = [int(m) for m in re.findall(r"FUZZ level at call \d+, rss (\d+) kB", result.log)]
        if levels:
            print("rss at the first and last level start: %d kB, %d kB" % (levels[0], levels[-1]))


if __name__ == "__main__":
    unittest.main()
