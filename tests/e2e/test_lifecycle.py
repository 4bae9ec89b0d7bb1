"""Start-up, the main loop and teardown of the real executable: logged order, restart, bad
configuration, a render plug-in that fails, the window fall-back ladder and a closed window."""
import os
import re
import unittest

from harness import GameTest, close_window_after, setup_script

TEARDOWN = ["~GameApp()", "delete editState", "delete handler", "delete Gui", "delete simulation",
            "delete sound", "delete collisionMgr", "delete camera", "delete ogre"]

# Each start names as render system a plug-in that throws a standard exception, and falls back to GL.
STARTUP = [re.compile(r"Error! Plug-in .*this plug-in refuses to start.*"), "Installing plugin: GL RenderSystem",
           "Creating normal render window", "AC connected: true", "LoadLevel(test.lua) start at: 0"]


class Lifecycle(GameTest):
    def test_start_up_and_teardown_in_order_a_stopped_frame_finishes_and_a_flag_restarts(self):
        # ShutDown mid-level: the rest of the level runs, the frame renders, then the loop ends.
        # The first run leaves a marker and asks for a restart; the restarted engine reads
        # setup.lua afresh, sees the marker and ends.
        # Plug-in names are paths below Ogre's plug-in folder, without ".so" and the version.
        # Missing keys and a negative sleep must not stop the start either.
        plugin = re.sub(r"\.so\.[0-9.]+$", "", os.environ["TQ_THROWING_PLUGIN"])
        up = "/".join([".."] * os.environ["OGRE_PLUGIN_DIR"].count("/"))
        self.game.write("setup.lua", setup_script(rendersystem=up + plugin, sleeptime=-5, shadows=None, fsaa=None))
        self.game.level("test.lua", """
            local marker = io.open("restarted", "r")
            if marker then marker:close() LogText("second run") ShutDown(0)
            else io.open("restarted", "w"):close() ShutDown(1) LogText("after shutdown") end
        """)
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.output[-2000:])
        end = re.compile(r"LoadLevel\(test.lua\) end at: \d+")
        result.in_order(STARTUP + ["after shutdown", end] + TEARDOWN + STARTUP + ["second run", end] + TEARDOWN)
        self.assertEqual(result.count("~GameApp()"), 2)
        self.assertEqual(len([m for m in result.messages() if m.startswith("Error! Plug-in ")]), 2, "one line a start")
        # Lines carry the simulation's time while it exists, its own teardown lines included.
        self.assertTrue(result.lines[result.index("delete editState")].startswith("0 "))
        at = result.index("delete simulation")
        for line in ("delete ActorList", "delete _messages", "delete _splines", "delete _collisionCallbacks"):
            self.assertTrue(re.fullmatch(r"\d+ " + line, result.lines[result.index(line, at)]), line)
        self.assertEqual(result.lines[result.index("delete sound")], "delete sound")

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


class WindowLadder(GameTest):
    """The first window attempts are refused through an X shim, as on a display that cannot
    give the mode; setup.lua is rewritten with the fall-back that worked."""

    def ladder(self, failures, setup=None, lines=()):
        preload = " ".join(filter(None, [os.environ.get("LD_PRELOAD"), os.environ["TQ_FAIL_WINDOW_SHIM"]]))
        self.game.level("test.lua", 'LogText("size " .. GetWindowProperty("window_width") .. "x" .. '
                                    'GetWindowProperty("window_height")) ShutDown()')
        result = self.run_game(env={"LD_PRELOAD": preload, "TQ_FAIL_WINDOWS": str(failures)}, timeout=60)
        if setup:
            self.assertEqual(result.returncode, 0)
            result.in_order(["Creating normal render window"] + list(lines) + ["size 800x600"])
            self.assertEqual(self.game.read("setup.lua"), self.game.read(setup))
        return result

    def test_first_failure_falls_back_to_800x600_and_rewrites_setup(self):
        self.ladder(1, "setup_lowres.lua", ["Failed, trying once more with 800x600 resolution instead"])

    def test_fsaa_ladder_ends_without_fsaa(self):
        self.game.write("setup.lua", setup_script(fsaa=1, window_width=1024, window_height=768))
        self.ladder(2, "setup_lowres_nofsaa.lua", ["Failed, trying once more with 800x600 resolution instead",
                                                   "Failed that too, now trying without FSAA also.",
                                                   "Warning! Failed to create FSAA window"])

    def test_no_window_at_all_exits_with_an_error_instead_of_hanging(self):
        result = self.ladder(3)
        self.assertEqual(result.returncode, 1)
        self.assertIn("Error! Failed to create Render window", result.messages())
        self.assertFalse([m for m in result.messages() if m.startswith("size ")])
        self.assertIn("Failed to create the render window", result.output)


# A finaliser that writes a file (proof it ran) and then calls every kind of engine function,
# at a moment when the engine is being cleared or torn down.
HAUNT = """
function haunt(tag)
  local proxy = newproxy(true)
  getmetatable(proxy).__gc = function()
    local f = io.open("finalised_" .. tag, "w") f:write(tag) f:close()
    AddActor("Ghost")
    AddActorMessage("Ghost", 0, 7, "LogText('ghost message ran')", "", 0, 0, 0, 0)
    RemoveActor("Holder")
    CreateSceneNode("", "GhostNode")
    CreatePanel("ghost panel", 10, 10)
    Fade(1, 1)
    ShowText("ghost")
    LogText("ghost line")
    SetCameraDampening(2)
    coreLoadLevel("ghost.lua")
    ShutDown(1)
    error("ghost error")
  end
  return proxy
end
"""


class HostileScripts(GameTest):
    def test_finalisers_removed_camera_nodes_and_nodes_below_actors(self):
        # a: nodes made below actors' nodes, one actor removed in the level and one left to the
        # load, with "_FollowCamera1" and "look_at_node" below it as the intro makes them.
        self.game.level("a.lua", HAUNT + """
dofile("../Resource/Levels/check.lua")
kept = haunt("load")
for _, name in ipairs({"Rig", "Holder", "Rider"}) do
  AddActor(name)
  AddActorMessage(name, 0, 0, "LevelRoot", "", 0, 0, 0, 0)
end
AddActorMessage("Rider", 20, 0, "Rig", "", 0, 0, 0, 0)
AddActorMessage("Rig", 20, 7, "Build()", "", 0, 0, 0, 0)
AddActorMessage("Rig", 40, 7, "Remove()", "", 0, 0, 0, 0)
function Build()
  CreateSceneNode("Rig", "RigChild")
  CreateSceneNode("RigChild", "RigGrandChild")
  CreateEntity("RigBox", "Crate.mesh")
  AttachObject("RigGrandChild", "RigBox")
  CreateSceneNode("Holder", "_FollowCamera1")
  SetPosition("_FollowCamera1", 30, 0, 0)
  CreateSceneNode("Holder", "look_at_node")
end
function Remove()
  RemoveActor("Rig")
  CreateSceneNode("LevelRoot", "RigChild")
  check_equal("a removed actor's nodes go with it", GetParent("RigChild"), "LevelRoot")
  CreateEntity("RigBox", "Crate.mesh")
  AttachObject("RigChild", "RigBox")
  check_equal("another actor's node below it stays with its actor", GetParent("Rider"), "")
  coreLoadLevel("b.lua")
end
""")
        # b: the camera follows two actors' own nodes, which go while it follows them.
        self.game.level("b.lua", HAUNT + """
dofile("../Resource/Levels/check.lua")
kept = haunt("exit")
AddActor("Ghost")
AddActor("Holder")
for _, name in ipairs({"_FollowCamera1", "look_at_node"}) do
  AddActor(name)
  AddActorMessage(name, 0, 0, "LevelRoot", "", 0, 0, 0, 0)
end
AddActorMessage("look_at_node", 0, 1, "SetLocal", "", 0, 0, -20, 0)
AddActorMessage("Holder", 100, 7, "Check() RemoveActor('_FollowCamera1') RemoveActor('look_at_node')", "", 0, 0, 0, 0)
AddActorMessage("Holder", 400, 7, "After()", "", 0, 0, 0, 0)
function Check()
  check_equal("a load frees the names of nodes made below actors", GetParent("_FollowCamera1"), "LevelRoot")
  check_near("the camera follows the new node", 0.01, 0, 0, 0, GetPosition("_CameraNode"))
end
function After()
  local x, y, z = GetPosition("camera")
  check("the camera stays where it was let go", x == x and y == y and z == z, x .. "," .. y .. "," .. z)
  CreateSceneNode("LevelRoot", "_FollowCamera1")
  check_equal("the removed camera node's name is free", GetParent("_FollowCamera1"), "LevelRoot")
  SaveScreenshot("after.png")
  ShutDown()
end
""")
        self.game.write("setup.lua", setup_script(startlevel="a.lua") + HAUNT + 'kept = haunt("setup")\n')
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertPasses(result, 6)
        for tag in ("load", "exit", "setup"):
            with open(os.path.join(self.game.bin, "finalised_" + tag)) as f:
                self.assertEqual(f.read(), tag)
        # Nothing the finalisers asked for happened, and nothing reached the log for them.
        for line in ("ghost message ran", "ghost line", "Scripting error", "ERROR. Duplicate Actor name: Ghost",
                     "ERROR. Duplicate Actor name: Holder"):
            self.assertNotIn(line, result.messages())
        self.assertFalse(any("already exists" in line or "ghost.lua" in line for line in result.lines), result.log[-3000:])
        self.assertEqual(result.count("~GameApp()"), 1)


if __name__ == "__main__":
    unittest.main()
