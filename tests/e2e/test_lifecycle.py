"""Start-up, the main loop and teardown of the real executable: logged order, restart, bad
configuration, render plug-ins that fail, the window fall-back ladder and a closed window."""
import os
import re
import unittest

from harness import GameTest, close_window_after, setup_script

TEARDOWN = ["~GameApp()", "delete editState", "delete handler", "delete Gui", "delete simulation",
            "delete sound", "delete collisionMgr", "delete camera", "delete ogre"]

STARTUP = ["Creating normal render window", "AC connected: true", "LoadLevel(test.lua) start at: 0"]


class Lifecycle(GameTest):
    def test_start_up_and_teardown_are_logged_in_order_and_a_stopped_frame_finishes(self):
        # ShutDown mid-level: the rest of the level runs, the frame renders, then the loop ends.
        self.game.level("test.lua", 'ShutDown() LogText("after shutdown")')
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.output[-2000:])
        result.in_order(STARTUP + ["after shutdown", re.compile(r"LoadLevel\(test.lua\) end at: \d+")] + TEARDOWN)
        self.assertEqual(result.count("~GameApp()"), 1)
        # Lines carry the simulation's time while it exists, its own teardown lines included.
        self.assertTrue(result.lines[result.index("delete editState")].startswith("0 "))
        at = result.index("delete simulation")
        for line in ("delete ActorList", "delete _messages", "delete _splines", "delete _collisionCallbacks"):
            self.assertTrue(re.fullmatch(r"\d+ " + line, result.lines[result.index(line, at)]), line)
        self.assertEqual(result.lines[result.index("delete sound")], "delete sound")

    def test_shutdown_with_a_flag_restarts_and_without_ends(self):
        # The first run leaves a marker and asks for a restart; the restarted engine reads
        # setup.lua afresh, sees the marker and ends.
        self.game.level("test.lua", """
            local marker = io.open("restarted", "r")
            if marker then marker:close() LogText("second run") ShutDown(0)
            else io.open("restarted", "w"):close() LogText("first run") ShutDown(1) end
        """)
        result = self.run_game()
        self.assertEqual(result.returncode, 0)
        result.in_order(["first run"] + TEARDOWN + STARTUP + ["second run"] + TEARDOWN)
        self.assertEqual(result.count("~GameApp()"), 2)
        self.assertEqual(result.count("Creating normal render window"), 2)

    def test_broken_or_missing_setup_script_starts_with_defaults(self):
        # Logged, and every key reads as 0 or "": a full-screen window, no start level and no
        # resource directory. Nothing then ends the run, so the test closes the window.
        for case, text in (("broken", "setup = { window_width = 320,, }"), ("missing", None)):
            with self.subTest(case):
                if text is None:
                    os.remove(os.path.join(self.game.resource, "setup.lua"))
                else:
                    self.game.write("setup.lua", text)
                result = self.run_game(during=close_window_after("LoadLevel() end at"))
                self.assertEqual(result.returncode, 0, result.log[-3000:])
                error_at = result.index("Scripting error")
                self.assertIn("setup.lua", result.messages()[error_at + 1])
                load_at = result.in_order(["Creating normal render window", "LoadLevel() start at: 0"], error_at + 1)
                result.in_order(["Scripting error"] + TEARDOWN, load_at)
                self.assertTrue(any(m.startswith("cannot read") for m in result.messages()[load_at:]))

    def test_a_plugin_throwing_a_foreign_exception_falls_back_with_one_line(self):
        # Plug-in names are paths below Ogre's plug-in folder, without ".so". Missing keys and a
        # negative sleep must not stop the start either.
        plugin = os.environ["TQ_THROWING_PLUGIN"][:-len(".so")]
        up = "/".join([".."] * os.environ["OGRE_PLUGIN_DIR"].count("/"))
        self.game.write("setup.lua", setup_script(rendersystem=up + plugin, sleeptime=-5, shadows=None, fsaa=None))
        self.game.level("test.lua", 'LogText("level ran") ShutDown()')
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.output[-2000:])
        failure = [m for m in result.messages() if m.startswith("Error! Plug-in ")]
        self.assertEqual(len(failure), 1, failure)
        self.assertIn("this plug-in refuses to start", failure[0])
        result.in_order(["Installing plugin: GL RenderSystem", "level ran"] + TEARDOWN)


class WindowLadder(GameTest):
    """The first window attempts are refused through an X shim, as on a display that cannot
    give the mode; setup.lua is rewritten with the fall-back that worked."""

    def shim(self, failures):
        preload = " ".join(filter(None, [os.environ.get("LD_PRELOAD"), os.environ["TQ_FAIL_WINDOW_SHIM"]]))
        return {"LD_PRELOAD": preload, "TQ_FAIL_WINDOWS": str(failures)}

    def test_first_failure_falls_back_to_800x600_and_rewrites_setup(self):
        self.game.level("test.lua", 'LogText("size " .. GetWindowProperty("window_width") .. "x" .. '
                                    'GetWindowProperty("window_height")) ShutDown()')
        result = self.run_game(env=self.shim(1))
        self.assertEqual(result.returncode, 0)
        result.in_order(["Creating normal render window", "Failed, trying once more with 800x600 resolution instead",
                         "size 800x600"])
        self.assertEqual(self.game.read("setup.lua"), self.game.read("setup_lowres.lua"))

    def test_fsaa_ladder_ends_without_fsaa(self):
        self.game.write("setup.lua", setup_script(fsaa=1, window_width=1024, window_height=768))
        self.game.level("test.lua", 'LogText("level ran") ShutDown()')
        result = self.run_game(env=self.shim(2))
        self.assertEqual(result.returncode, 0)
        result.in_order(["Failed, trying once more with 800x600 resolution instead",
                         "Failed that too, now trying without FSAA also.", "Warning! Failed to create FSAA window",
                         "level ran"])
        self.assertEqual(self.game.read("setup.lua"), self.game.read("setup_lowres_nofsaa.lua"))

    def test_no_window_at_all_exits_with_an_error_instead_of_hanging(self):
        self.game.level("test.lua", 'LogText("level ran") ShutDown()')
        result = self.run_game(env=self.shim(3), timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn("Error! Failed to create Render window", result.messages())
        self.assertNotIn("level ran", result.messages())
        self.assertIn("Failed to create the render window", result.output)


if __name__ == "__main__":
    unittest.main()
