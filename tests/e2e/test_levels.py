"""Level loading through the real executable: what a load wipes and keeps, the clock, levels that
fail, and the demo scene as a player sees it."""
import re
import unittest

from harness import GameTest, close_window_after, setup_script


class LevelLoading(GameTest):
    def test_loads_of_good_bare_broken_and_clock_pushed_levels(self):
        # a -> b: what a load wipes and keeps. bare -> wrap: clocks pushed to the 32-bit limit; bare's
        # leads by 2^31 - 1 ms, which the frame would step through before the load at its end, and
        # wrap's one more ms wraps the lead to a clock far behind, where no step would come.
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
            at(100, "SaveScreenshot('b.png') coreLoadLevel('bare.lua')")
        """)
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
        self.assertPasses(result, 3)
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
