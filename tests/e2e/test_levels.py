"""Level loading and the core script functions, through the real executable: what a load wipes
and keeps, the clock, the camera on the new level's nodes, bad names, and the demo scene."""
import os
import re
import unittest

from harness import GameTest, close_window_after, read_png, setup_script


class LevelLoading(GameTest):
    def test_a_load_wipes_the_old_level_and_keeps_the_exchange_text(self):
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
            dofile("../Resource/Levels/check.lua")
            check_equal("globals of the old level are gone", level_a_global, nil)
            check_equal("exchange text survives", GlobalCmd("b"), "from level a")
            AddActor("Walker")
            check("actors of the old level are gone", true)
            CreateSceneNode("", "LevelRoot")
            CreateSceneNode("LevelRoot", "_FollowCamera1")
            CreateSceneNode("LevelRoot", "look_at_node")
            SetPosition("look_at_node", 0, 10, -10)
            SetSkyBox("Intro/SkyBox")
            check_equal("GetTick counts from this load", GetTick() < 1000, true)
            local before = GetTick()
            FastForward(1000)
            local jump = GetTick() - before
            check("FastForward moves the clock by its argument", jump >= 1000 and jump < 1100, jump)
            AddActor("Camera")
            AddActorMessage("Camera", 100, 7, "SaveScreenshot('b.png') ShutDown()", "", 0, 0, 0, 0)
        """)
        self.game.write("setup.lua", setup_script(startlevel="a.lua"))
        result = self.run_game()
        self.assertPasses(result, "globals of the old level are gone", "exchange text survives",
                          "GetTick counts from this load", "FastForward moves the clock by its argument")
        self.assertNotIn("ERROR. Duplicate Actor name: Walker", result.messages())
        lines = result.lines
        start = result.index("LoadLevel(b.lua) start at: 0")
        self.assertTrue(re.fullmatch(r"\d+ LoadLevel\(b.lua\) start at: 0", lines[start]))
        end = result.index(re.compile(r"LoadLevel\(b.lua\) end at: \d+"), start)
        self.assertTrue(lines[end].startswith("0 "), lines[end])
        self.assertGreater(start, result.index("a done"))
        self.assertEqual(result.count("LoadLevel(b.lua) start at: 0"), 1)
        self.assertFalse(any("never.lua" in line for line in lines))
        # No compositor survives: the sky is blue, not grey.
        width, height, rows = read_png(os.path.join(self.game.bin, "b.png"))
        r, g, b = rows[height // 2][width // 2]
        self.assertGreater(b, r + 40, (r, g, b))

    def test_camera_node_lands_on_the_follow_node_of_the_new_level(self):
        self.game.level("test.lua", """
            dofile("../Resource/Levels/check.lua")
            CreateSceneNode("", "LevelRoot")
            CreateSceneNode("LevelRoot", "_FollowCamera1")
            SetPosition("_FollowCamera1", 5, 2, 0)
            CreateSceneNode("LevelRoot", "look_at_node")
            SetPosition("look_at_node", 5, 2, -10)
            AddActor("Probe")
            -- Late enough for a few rendered frames: auto-tracking turns the camera as it renders.
            AddActorMessage("Probe", 300, 7, "Report()", "", 0, 0, 0, 0)
            function Report()
              local x, y, z = GetPosition("_CameraNode")
              check("camera node on _FollowCamera1", x == 5 and y == 2 and z == 0, x .. " " .. y .. " " .. z)
              x, y, z = GetPosition("camera")
              check("camera at its node", x == 5 and y == 2 and z == 0, x .. " " .. y .. " " .. z)
              local ox, oy, oz, dx, dy, dz = GetCameraRay(GetWindowProperty("window_width") / 2,
                                                         GetWindowProperty("window_height") / 2)
              check("camera looks at look_at_node", math.abs(dz + 1) < 1e-3 and math.abs(dx) < 1e-3,
                    dx .. " " .. dy .. " " .. dz)
              ShutDown()
            end
        """)
        result = self.run_game()
        self.assertPasses(result, "camera node on _FollowCamera1", "camera at its node", "camera looks at look_at_node")

    def test_a_level_without_anchor_and_camera_nodes_loads_and_the_next_load_works(self):
        self.game.level("test.lua", 'LogText("bare level") coreLoadLevel("next.lua")')
        self.game.level("next.lua", """
            LogText("next level ran")
            CreateSceneNode("", "LevelRoot")
            coreLoadLevel("missing.lua")
        """)
        result = self.run_game(during=close_window_after("LoadLevel(missing.lua) end at"))
        messages = result.messages()
        start_level = messages[:result.index("LoadLevel(next.lua) start at: 0")]
        for missing in ("_FollowCamera1", "look_at_node"):
            self.assertEqual(start_level.count("No scene node %s in this level: the camera stays free" % missing), 1)
        self.assertIn("LoadLevel: no scene node LevelRoot to clear", messages)
        self.assertIn("next level ran", messages)
        at = result.index("LoadLevel(missing.lua) start at: 0")
        self.assertTrue(any(m.startswith("cannot read ../Resource/Levels/missing.lua") for m in messages[at:]))
        result.index(re.compile(r"LoadLevel\(missing.lua\) end at: \d+"), at)


class CoreFunctions(GameTest):
    def test_values_vms_and_window(self):
        self.game.write("setup.lua", setup_script(music=0, extra="2.5"))
        self.game.level("test.lua", """
            dofile("../Resource/Levels/check.lua")
            CreateSceneNode("", "LevelRoot")
            check_equal("window width", GetWindowProperty("window_width"), 320)
            check_equal("window height", GetWindowProperty("window_height"), 240)
            check_equal("unknown property", GetWindowProperty("Window_Width"), -1)
            check_equal("numeric string reads as a number", GetFloatValue("setup", "setup", "extra"), 2.5)
            check_equal("music as start-up reads it", GetFloatValue("setup", "setup", "music"), 0)
            check_equal("unknown vm gives 0", GetFloatValue("nope", "setup", "music"), 0)
            check_equal("string value", GetStringValue("setup", "setup", "startlevel"), "test.lua")
            check_equal("version", GetVersion(), "Version: 0.34")
            depth = 0
            ExecuteCmd("lua", "depth = depth + 1 ExecuteCmd('lua', 'depth = depth + 1')")
            check_equal("ExecuteCmd nests in the same VM", depth, 2)
            ExecuteCmd("setup", "from_lua = 7")
            check_equal("ExecuteCmd runs in setup", GetFloatValue("setup", "_G", "from_lua"), 7)
            check_equal("GlobalCmd first call", GlobalCmd("a"), "")
            check_equal("GlobalCmd second call", GlobalCmd("b"), "a")
            check("fps is a number", type(GetFps()) == "number")
            check("batch count is a number", type(GetBatchCount()) == "number")
            ShutDown()
        """)
        result = self.run_game()
        self.assertPasses(result, "window width", "unknown property", "numeric string reads as a number",
                          "ExecuteCmd nests in the same VM", "ExecuteCmd runs in setup", "GlobalCmd second call")
        self.assertIn("Error. Wrong property name when calling GetWindowProperty(): Window_Width", result.messages())
        self.assertIn("Error! No such Lua VM found: nope", result.messages())

    def test_bad_names_and_arguments_log_one_line_and_never_crash(self):
        self.game.level("test.lua", """
            CreateSceneNode("", "LevelRoot")
            CreateEntity("Thing", "NoSuchMesh.mesh")
            CreateSceneNode("NoSuchParent", "Child")
            AttachObject("NoSuchNode", "NoSuchEntity")
            SetSkyBox("NoSuchMaterial")
            AddCompositor("NoSuchCompositor")
            AddResourceLocation("Extra", "../Resource/NoSuchFolder", "FileSystem")
            SaveScreenshot("no/such/folder/shot.png")
            SetFog(0 / 0, 1 / 0, -1 / 0, 1e300, -1e300)
            FastForward(0 / 0)
            CreateEntity()
            CreateSceneNode()
            ShowText()
            LogText("still running")
            ShutDown()
        """)
        result = self.run_game()
        self.assertEqual(result.returncode, 0)
        messages = result.messages()
        self.assertIn("still running", messages)
        for function, name in (("CreateEntity", "NoSuchMesh.mesh"), ("CreateSceneNode", "NoSuchParent"),
                               ("AttachObject", "NoSuchNode"), ("SetSkyBox", "NoSuchMaterial"),
                               ("AddCompositor", "NoSuchCompositor"), ("AddResourceLocation", "NoSuchFolder"),
                               ("SaveScreenshot", "shot.png")):
            self.assertTrue(any(m.startswith(function + ": ") and name in m for m in messages),
                            "%s did not log %s" % (function, name))


class JunkArguments(GameTest):
    def test_every_function_survives_junk_arguments(self):
        # Each registered function, called with missing, wrong-typed and extreme arguments, returns
        # or logs; none raises a Lua error or takes the engine down. Left out: the ones that end
        # the run, load a level, move the clock or reach outside the machine.
        self.game.level("test.lua", """
            dofile("../Resource/Levels/check.lua")
            CreateSceneNode("", "LevelRoot")
            local skip = { ShutDown = true, coreLoadLevel = true, FastForward = true,
                           StartWebBrowser = true, GetUrl = true, check = true, check_equal = true,
                           check_near = true, dofile = true, loadfile = true }
            local junk = {
              {}, { nil, nil, nil }, { 0 / 0, 1 / 0, -1 / 0, 1e300, -1e300, 0 / 0, 1 / 0, 0 / 0, 0 / 0 },
              { {}, print, true, false }, { "", "", "", "", "", "", "", "", "" },
              { string.rep("x", 100000), string.rep("y", 100000) }, { "LevelRoot", "LevelRoot", "LevelRoot" },
              { "Lua", -1, -2147483649, 4294967296 },
            }
            local called, failed = 0, {}
            for _, name in ipairs({ "ShowText", "LogText", "GetTick", "GetSimulationTime", "CreateEntity",
                "CreateSceneNode", "AttachObject", "SetSkyBox", "SetFog", "AddCompositor",
                "AddResourceLocation", "SaveScreenshot", "GetHash", "GetVersion", "GetFps", "GetBatchCount",
                "GetRandomHash", "WriteReg", "ReadReg", "GetWindowProperty", "CreateCollisionSpace",
                "RayTest", "CollisionTest", "RegisterCollisionCallback", "SetCameraDampening",
                "GetCameraRay", "SetPosition", "GetPosition", "SetRotation", "GetParent", "AddActor",
                "AddActorMessage", "RemoveActor", "CreateSpline", "AddSplinePoint", "InterpolateSpline",
                "GetFloatValue", "GetStringValue", "ExecuteCmd", "GlobalCmd" }) do
              local f = _G[name]
              check("registered " .. name, type(f) == "function")
              for _, args in ipairs(junk) do
                local ok, message = pcall(f, unpack(args, 1, 9))
                called = called + 1
                if not ok then failed[#failed + 1] = name .. ": " .. tostring(message) end
              end
            end
            check("no function raised a Lua error", #failed == 0, table.concat(failed, "; "))
            check("all calls made", called == 40 * 8, called)
            SetCameraDampening(0.5)
            AddActor("Stop")
            AddActorMessage("Stop", 200, 7, "ShutDown()", "", 0, 0, 0, 0)
        """)
        result = self.run_game(timeout=120)
        self.assertEqual(result.returncode, 0, result.output[-2000:])
        self.assertPasses(result, "no function raised a Lua error", "all calls made")
        result.index("~GameApp()")


class DemoScene(GameTest):
    def test_intro_shows_sky_fog_and_lit_textured_ground(self):
        self.game.write("setup.lua", setup_script(window_width=640, window_height=480, shadows=1,
                                                  shadowdistance=300))
        self.game.level("test.lua", """
            dofile("../Resource/Levels/intro.lua")
            AddActor("Shooter")
            AddActorMessage("Shooter", 1000, 7, "SaveScreenshot('intro.png') ShutDown()", "", 0, 0, 0, 0)
        """)
        result = self.run_game()
        self.assertEqual(result.returncode, 0)
        self.assertFalse([m for m in result.messages() if m == "Scripting error" or ": " in m and
                          m.split(": ")[0] in ("CreateEntity", "SetSkyBox", "AttachObject")], result.log[-2000:])
        width, height, rows = read_png(os.path.join(self.game.bin, "intro.png"))
        sky = rows[5][width // 2]
        self.assertGreater(sky[2], sky[0] + 40, "sky box at the top: %s" % (sky,))
        grass = rows[height - 5][width // 2]
        self.assertGreater(grass[1], grass[0] + 40, "lit green ground at the bottom: %s" % (grass,))
        self.assertGreater(grass[1], 100, grass)
        fog = (150, 165, 175)
        fogged = [p for row in rows[height // 4:height // 2] for p in row
                  if all(abs(c - f) <= 12 for c, f in zip(p, fog))]
        self.assertGreater(len(fogged), width // 4, "far ground fades into the fog colour")


if __name__ == "__main__":
    unittest.main()
