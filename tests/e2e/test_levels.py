"""Levels through the real executable: what a load wipes and keeps, the clock, levels that fail,
the world as a level reads it back (collision data from a level's own folder, a glTF model seen,
hit and turning, positions read right after a parent turns, the camera a player looks through,
statements that nest) and the demo scene as a player sees it. The world's logic is the engine tier's; each function's plain use is the guide's."""
import os
import re
import shutil
import unittest

from harness import GameTest, close_window_after, setup_script

# The world read back, between two loads of the run below; it goes on to bare.lua.
WORLD = """
dofile("../Resource/Levels/check.lua")
AddResourceLocation("LevelData", "../Resource/Extra", "FileSystem")  -- collision meshes load from here
CreateCollisionSpace("World", "")
AddActor("Crate")
AddActorMessage("Crate", 0, 0, "LevelRoot", "", 0, 0, 0, 0)
AddActorMessage("Crate", 0, 4, "Extra.mesh", "World", 0, 0, 0, 0)
CreateSceneNode("LevelRoot", "_FollowCamera1")
CreateSceneNode("LevelRoot", "look_at_node")
CreateSceneNode("LevelRoot", "camera")  -- "camera" means the camera itself, never this node
SetPosition("_FollowCamera1", 0, 10, 40)
SetPosition("camera", 5, 5, 5)
CreateSceneNode("LevelRoot", "Parent")
CreateSceneNode("Parent", "Child")
SetPosition("Parent", 1, 2, 3)
SetPosition("Child", 10, 0, 0)
-- The windmill, right of the view's centre, turns its X of sails into a + between the pictures.
AddActor("Mill")
AddActorMessage("Mill", 0, 0, "LevelRoot", "", 0, 0, 0, 0)
AddActorMessage("Mill", 0, 1, "SetLocal", "", 8, 0, 0, 0)
AddActorMessage("Mill", 0, 3, "Windmill.glb", "", 0, 0, 0, 0)
AddActorMessage("Mill", 0, 4, "Windmill.glb", "World", 0, 0, 0, 0)
AddActorMessage("Mill", 0, 11, "Turn", "", 0, 0, 0, 1)
at(100, "SaveScreenshot('mill1.png')")
at(600, "SaveScreenshot('mill2.png')")

function Finish()
  local x, y, z, name = RayTest("World", 0, 50, 0, 0, -1, 0, 100)
  check_equal("ray hits the crate's top", name .. string.format(" %.3f", y), "Crate 2.200")
  x, y, z, name = RayTest("World", 8, 50, 0, 0, -1, 0, 100)
  check_equal("ray hits the windmill's cap", name .. string.format(" %.3f", y), "Mill 6.200")
  -- The parent turns twice in one frame: each read sees the turn just made.
  SetRotation("Parent", 0, 1, 0, 90)
  check_near("world position after a turn of the parent", 1e-3, 1, 2, -7, GetPosition("Child"))
  SetRotation("Parent", 0, 1, 0, 180)
  check_near("world position after a second turn", 1e-3, -9, 2, 3, GetPosition("Child"))
  check_near("camera node on _FollowCamera1", 1e-9, 0, 10, 40, GetPosition("_CameraNode"))
  check_near("camera at its node", 0.01, 0, 10, 40, GetPosition("camera"))
  depth = 0
  ExecuteCmd("lua", "depth = depth + 1 ExecuteCmd('lua', 'depth = depth + 1')")
  check_equal("ExecuteCmd nests in the same VM", depth, 2)
  CameraRay(0)
end
-- Auto-tracking turns the camera as a frame renders, and a slow build may not have rendered one
-- since the camera moved: asked again, a bounded number of times, until it has.
function CameraRay(tries)
  local ox, oy, oz, dx, dy, dz = GetCameraRay(GetWindowProperty("window_width") / 2,
                                             GetWindowProperty("window_height") / 2)
  local towards = (dy * -10 + dz * -40) / math.sqrt(1700)
  if math.abs(towards - 1) > 0.001 and tries < 100 then
    return at(GetSimulationTime() + 100, "CameraRay(" .. tries + 1 .. ")")
  end
  check("ray through the window centre looks at look_at_node", math.abs(towards - 1) <= 0.001, towards)
  check_near("camera ray starts at the camera", 1, 0, 10, 40, ox, oy, oz)
  coreLoadLevel("bare.lua")
end
at(700, "Finish()")
"""


class LevelLoading(GameTest):
    def test_loads_of_good_bare_broken_and_clock_pushed_levels_and_the_world_between(self):
        # a -> b: what a load wipes and keeps. b -> world -> bare: the world read back. bare -> wrap:
        # clocks pushed to the 32-bit limit; bare's leads by 2^31 - 1 ms, which the frame would step
        # through before the load at its end, and wrap's one more ms wraps the lead to a clock far
        # behind, where no step would come. wrap -> broken: a level that does not compile.
        self.game.level("a.lua", """
            CreateSceneNode("", "LevelRoot")
            level_a_global = "still here?"
            GlobalCmd("from level a")
            AddCompositor("Effects/BlackAndWhite")
            AddActor("Walker")
            coreLoadLevel("never.lua")
            coreLoadLevel("b.lua")
            LogText("a done")
        """)
        self.game.level("b.lua", """
            LogText("tick in the load " .. GetTick())  -- first: the sky box takes time
            dofile("../Resource/Levels/check.lua")
            check_equal("globals of the old level are gone", level_a_global, nil)
            check_equal("exchange text survives", GlobalCmd("b"), "from level a")
            AddActor("Walker")
            CreateSceneNode("LevelRoot", "_FollowCamera1")
            CreateSceneNode("LevelRoot", "look_at_node")
            SetPosition("look_at_node", 0, 10, -10)
            SetSkyBox("Intro/SkyBox")
            local before = GetTick()
            FastForward(100000)
            local jump = GetTick() - before
            -- A stall between the calls adds to it, but never the 90 s the run may take: more is a move made twice.
            check("FastForward moves the clock by its argument", jump >= 100000 and jump < 190000, jump)
            at(100, "SaveScreenshot('b.png') coreLoadLevel('world.lua')")
        """)
        self.game.level("world.lua", WORLD)
        os.makedirs(os.path.join(self.game.resource, "Extra"))
        shutil.copy(os.path.join(self.game.resource, "Meshes", "Crate.mesh"),
                    os.path.join(self.game.resource, "Extra", "Extra.mesh"))
        self.game.level("bare.lua", """
            FastForward(2147483647)
            AddActor("Timer")
            AddActorMessage("Timer", 100, 7, "coreLoadLevel('wrap.lua')", "", 0, 0, 0, 0)
        """)
        self.game.level("wrap.lua", """
            dofile("../Resource/Levels/check.lua")
            FastForward(2147483647)
            FastForward(1)
            at(100, "LogText('wrap stepped') coreLoadLevel('broken.lua')")
        """)
        self.game.level("broken.lua", 'ShutDown() this is not lua')
        self.game.write("setup.lua", setup_script(startlevel="a.lua"))
        # Nothing of the broken chunk runs, ShutDown included, so the test closes the window.
        result = self.run_game(during=close_window_after("LoadLevel(broken.lua) end at"))
        self.assertEqual(result.returncode, 0)
        self.assertPasses(result, 12)
        self.assertNotIn("ERROR. Duplicate Actor name: Walker", result.messages())
        # The last request wins, and a request made during a load is kept for the frame's end.
        start = result.in_order(["a done", "LoadLevel(b.lua) start at: 0"]) - 1
        self.assertEqual(result.count("LoadLevel(b.lua) start at: 0"), 1)
        self.assertFalse(any("never.lua" in line for line in result.lines))
        end = result.index(re.compile(r"LoadLevel\(b.lua\) end at: \d+"), start)
        self.assertTrue(result.lines[end].startswith("0 "), "the load resets the simulation time")
        # The clock restarts with the load: read inside it, it is at most the load's length.
        tick = int(result.messages()[result.index(re.compile(r"tick in the load \d+"), start)].split()[-1])
        self.assertLessEqual(tick, int(result.messages()[end].split()[-1]))
        # No compositor survives: the sky is blue, not grey.
        image = self.game.screenshot("b.png")
        r, g, b = image.getpixel((image.width // 2, image.height // 2))
        self.assertGreater(b, r + 40, (r, g, b))

        # The windmill: its orange tower right of the centre, its sails turned between the pictures.
        first, second = self.game.screenshot("mill1.png"), self.game.screenshot("mill2.png")
        orange = [x for y in range(first.height) for x in range(first.width)
                  if (lambda r, g, b: r > 80 and g < r * 0.7 and b < r * 0.35)(*first.getpixel((x, y)))]
        self.assertGreater(len(orange), 30, "the windmill's tower shows")
        self.assertGreater(min(orange), first.width // 2, "the windmill stands right of the centre")
        moved = sum(1 for y in range(first.height) for x in range(first.width)
                    if sum(abs(a - b) for a, b in zip(first.getpixel((x, y)), second.getpixel((x, y)))) > 60)
        self.assertGreater(moved, 20, "the sails turn")

        bare, wrap, broken = (result.index("LoadLevel(%s.lua) start at: 0" % name) for name in ("bare", "wrap", "broken"))
        for node in ("_FollowCamera1", "look_at_node"):
            line = "No scene node %s in this level: the camera stays free" % node
            self.assertEqual(result.messages()[bare:wrap].count(line), 1, line)
        result.in_order(["wrap stepped", "LoadLevel(broken.lua) start at: 0"], wrap)
        self.assertEqual(result.count("FastForward: the clock may lead or trail the simulation by 3600000 ms at most"),
                         3)
        error = result.index("Scripting error", broken)
        self.assertIn("broken.lua", result.messages()[error + 1])
        result.index(re.compile(r"LoadLevel\(broken.lua\) end at: \d+"), error)


class DemoScene(GameTest):
    def test_intro_shows_sky_fog_and_lit_textured_ground(self):
        self.game.write("setup.lua", setup_script(window_width=640, window_height=480, shadows=1,
                                                  shadowdistance=300))
        self.game.level("test.lua", """
            function Fade() end  -- the fade counts frames, which a slow build renders late
            dofile("../Resource/Levels/intro.lua")
            -- before its black-and-white turn at 7 s
            AddActor("Shooter")
            AddActorMessage("Shooter", 5000, 7, "SaveScreenshot('intro.png') ShutDown()", "", 0, 0, 0, 0)
        """)
        result = self.run_game()
        self.assertEqual(result.returncode, 0)
        self.assertFalse([m for m in result.messages() if m == "Scripting error" or ": " in m and
                          m.split(": ")[0] in ("CreateEntity", "SetSkyBox", "AttachObject")], result.log[-2000:])
        image = self.game.screenshot("intro.png")
        width, height = image.size
        sky = image.getpixel((width // 2, 5))
        self.assertGreater(sky[2], sky[0] + 40, "sky box at the top: %s" % (sky,))
        grass = image.getpixel((width // 2, height - 5))
        self.assertGreater(grass[1], grass[0] + 40, "lit green ground at the bottom: %s" % (grass,))
        self.assertGreater(grass[1], 100, grass)
        fog = (150, 165, 175)
        fogged = [p for y in range(height // 4, height // 2) for p in (image.getpixel((x, y)) for x in range(width))
                  if all(abs(c - f) <= 12 for c, f in zip(p, fog))]
        self.assertGreater(len(fogged), width // 4, "far ground fades into the fog colour")


if __name__ == "__main__":
    unittest.main()
