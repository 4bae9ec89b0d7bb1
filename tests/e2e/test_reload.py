"""A game maker's loop on the real executable: files saved while the game runs with reload on
(setup.lua's "reload") reach it, script errors come with their traceback, and try-level.sh runs a
level for the maker's own checks."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import GAME_DIR, LOG_NAME, GameTest, read_text, send_close_request, setup_script, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
TRY_LEVEL = os.path.join(HERE, "..", "..", "scripts", "try-level.sh")

VERSION = """CreateSceneNode("", "LevelRoot")
AddActor("Keeper")
LogText("version %d")
function fail() local nothing = nil return nothing.field end
"""

COLOUR = """material Test/Colour
{
  technique { pass { lighting off depth_check off
    texture_unit { colour_op_ex source1 src_manual src_current %s } } }
}
"""


def log_of(game):
    path = os.path.join(game.bin, LOG_NAME)
    return read_text(path) if os.path.exists(path) else ""


class ReloadOnSave(GameTest):
    def test_saved_level_material_and_broken_save_reach_the_running_game(self):
        self.game.write("setup.lua", setup_script(reload=1))
        self.game.level("test.lua", 'coreLoadLevel("work.lua")\n')
        self.game.level("work.lua", VERSION % 1)
        self.game.write("Materials/Test.material", COLOUR % "1 0 0")
        # A picture every 200 ms: the material changes under the background it already shows. The
        # windmill model is saved while an actor plays its animation, and reloads in place.
        self.game.level("colour.lua", """SetBackground("Test/Colour") AddActor("Shot") shots = 0
CreateSceneNode("", "LevelRoot") AddActor("Mill")
AddActorMessage("Mill", 0, 0, "LevelRoot", "", 0, 0, 0, 0)
AddActorMessage("Mill", 0, 3, "Windmill.glb", "", 0, 0, 0, 0)
AddActorMessage("Mill", 0, 11, "Turn", "", 0, 0, 0, 1)
function shoot()
  shots = shots + 1 SaveScreenshot("shot_" .. shots .. ".png") LogText("shot " .. shots)
  AddActorMessage("Shot", GetSimulationTime() + 200, 7, "shoot()", "", 0, 0, 0, 0)
end
shoot()
""")
        took = {}

        def edit(display, game):
            if not wait_for(game, "version 1"):
                return send_close_request(display)
            # A save that does not compile keeps the level; then a good one replaces it.
            game.level("work.lua", "LogText('half written'\n")
            wait_for(game, "Scripting error", 20)
            started = time.time()
            game.level("work.lua", VERSION % 2 + 'AddActorMessage("Keeper", 100, 7, "fail()", "", 0, 0, 0, 0)\n'
                       'AddActorMessage("Keeper", 300, 7, "coreLoadLevel(\'colour.lua\')", "", 0, 0, 0, 0)\n')
            if wait_for(game, "version 2", 20):
                took["level"] = time.time() - started
            if wait_for(game, "LoadLevel(colour.lua) end", 20):
                time.sleep(0.5)
                game.write("Materials/Test.material", COLOUR % "0 1 0")
                wait_for(game, "Reloaded Test.material", 20)
                mill = os.path.join(game.resource, "Meshes", "Windmill.glb")
                with open(mill, "rb") as f:
                    model = f.read()
                with open(mill, "wb") as f:
                    f.write(model)
                if wait_for(game, "Reloaded Windmill.glb", 20):
                    time.sleep(1.0)
            send_close_request(display)

        result = self.run_game(during=edit, timeout=120)
        messages = result.messages()
        print("\nsave to the reloaded level's line: %.2f s" % took.get("level", -1))
        self.assertEqual(result.count("Reload: Resource/Levels/work.lua was saved; the level loads again"), 1,
                         result.log[-3000:])
        result.in_order(["version 1", "Scripting error", "version 2"])
        # The broken save: where it is, and the level went on (no load between).
        broken = result.index("Scripting error")
        self.assertIn("Resource/Levels/work.lua:2:", messages[broken + 1])
        self.assertLess(result.index("Reload: Resource/Levels/work.lua was saved; the level loads again"),
                        result.index("version 2"))
        self.assertNotIn("ERROR. Duplicate Actor name: Keeper", messages)
        # The error inside fail(), run by a statement: the statement, then the file and line.
        at = result.index("Traceback, outermost call first:", result.index("version 2"))
        self.assertEqual(messages[at + 1:at + 3], ["  statement fail():1: in the main chunk",
                                                    "  Resource/Levels/work.lua:4: in function fail"])
        last = max(int(m.split()[1]) for m in messages if m.startswith("shot "))
        red, green = (self.game.screenshot("shot_%d.png" % n).getpixel((160, 120)) for n in (2, last))
        self.assertTrue(red[0] > 240 and red[1] < 15, red)
        self.assertTrue(green[1] > 240 and green[0] < 15, green)
        self.assertIn("Reloaded Windmill.glb", messages)


class TryLevel(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tq_try_")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def try_level(self, text, *options):
        level = os.path.join(self.folder, "mine.lua")
        with open(level, "w") as f:
            f.write(text)
        env = dict(os.environ, TQ_GAME_DIR=GAME_DIR)
        env.pop("DISPLAY", None)  # its own Xvfb, as on a CI machine
        return subprocess.run(["bash", TRY_LEVEL, level, *options], capture_output=True, text=True, env=env,
                              timeout=180)

    def test_a_clean_level_passes_and_one_with_an_error_fails_with_its_traceback(self):
        shot = os.path.join(self.folder, "last.png")
        clean = self.try_level('CreateSceneNode("", "LevelRoot") LogText("mine ran")\n', "--seconds", "2",
                               "--shot", shot)
        self.assertEqual(clean.returncode, 0, clean.stdout + clean.stderr)
        self.assertIn("mine ran", clean.stdout)
        self.assertTrue(os.path.getsize(shot) > 0)
        broken = self.try_level('CreateSceneNode("", "LevelRoot")\nlocal t = nil\nShutDown() print(t.x)\n')
        self.assertEqual(broken.returncode, 1, broken.stdout + broken.stderr)
        self.assertIn("Scripting error", broken.stdout)
        self.assertIn("mine.lua:3: in the main chunk", broken.stdout)


if __name__ == "__main__":
    unittest.main()
