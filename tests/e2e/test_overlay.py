"""What a level puts on the screen besides the 3-D scene, as screenshots of the real window:
text and template panels, the HUD overlay, the on-screen script error, the fade and the
background, and what a level load keeps and clears. The window is 1024 x 768: a text panel's
reference units are 1.28 pixels each way."""
import os
import unittest
import zipfile

from PIL import ImageChops, ImageStat

from harness import GameTest, setup_script

LEVEL = """
dofile("../Resource/Levels/check.lua")
SetBackground("Materials/FadeOverlayMaterial")
SetBackground("Menu/Background")  -- replaces the first: one background, the second material
local due = 0
-- Each statement drops the clock's lead over the world, so a frame renders before the next
-- one, however far a loaded machine has fallen behind.
function later(statement, pause)
  due = due + 1200 + (pause or 0)
  at(due, "FastForward(GetSimulationTime() - GetTick()) " .. statement)
end
later("SaveScreenshot('base.png') text = CreatePanel('AB', 400, 300) badge = CreatePanel('TPL_Badge', 0.1, 0.8) AddElement('OVE_HUD')")
later("SaveScreenshot('panels.png') check_equal('names', text .. ' ' .. badge, 'Panel_0 Panel_1') DestroyPanel(text) SetElementCaption('HUD/Score', 'Score: 12345')")
later("SaveScreenshot('destroyed.png') AddElement(text) AddElement(text) AddElement('Panel_0_TA') RemoveElement('OVE_HUD')")
-- The erring statements stand alone: the box shows a statement's first line too.
later("SaveScreenshot('back.png')") at(due + 1, "a_function_with_a_name_long_enough_to_make_a_wide_error_box()")
later("SaveScreenshot('error1.png')") at(due + 1, "error('short')")
later("SaveScreenshot('error2.png') Fade(0, 0.5)")
later("SaveScreenshot('faded.png') Fade(1, 0.5)", 2000)
later("SaveScreenshot('clear.png') AddElement('OVE_HUD') coreLoadLevel('next.lua')")
"""

NEXT = """
dofile("../Resource/Levels/check.lua")
check_equal("counter goes on", CreatePanel("", 1000, 1000), "Panel_4")
-- The last level's panels, destroyed or not, are gone for good: none comes back by its name.
AddElement("Panel_0") AddElement("Panel_1") AddElement("Panel_2")
at(400, "SaveScreenshot('next.png') ShutDown()")
"""


def difference(a, b, box=None):
    """Mean absolute difference of two screenshots over a box, 0 to 255."""
    if box:
        a, b = a.crop(box), b.crop(box)
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3


def brightness(image):
    return sum(ImageStat.Stat(image).mean) / 3


def changed_columns(image, base, y):
    return [x for x in range(image.width) if sum(abs(p - q) for p, q in zip(image.getpixel((x, y)), base.getpixel((x, y)))) > 40]


class OverlayTest(GameTest):
    def test_panels_error_fade_and_background_on_screen(self):
        self.game.write("setup.lua", setup_script(window_width=1024, window_height=768))
        self.game.level("test.lua", LEVEL)
        self.game.level("next.lua", NEXT)
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        shot = {name: self.game.screenshot(name + ".png") for name in
                ("base", "panels", "destroyed", "back", "error1", "error2", "faded", "clear", "next")}
        base = shot["base"]
        self.assertGreater(brightness(base), 40, "the menu background should fill the window")

        # The text panel at (400, 300) units: its box starts at (512, 384) pixels, and one line
        # of text makes it 34 units high, its bottom frame just above 427.5.
        text_box = (512, 384, 550, 427)
        self.assertGreater(difference(shot["panels"], base, text_box), 30)
        self.assertLess(difference(shot["panels"], base, (490, 384, 509, 427)), 2)
        self.assertGreater(difference(shot["panels"], base, (516, 424, 540, 427)), 60)
        self.assertLess(difference(shot["panels"], base, (516, 430, 540, 440)), 2)
        # The template badge sits at 10 % and 80 % of the window.
        self.assertGreater(difference(shot["panels"], base, (110, 620, 145, 655)), 20)
        # Destroyed, the box goes; shown again by its name, it comes back.
        self.assertLess(difference(shot["destroyed"], base, text_box), 2)
        self.assertGreater(difference(shot["back"], base, text_box), 30)
        # Shown twice, or its text alone: one line each, the box drawn once.
        self.assertEqual(result.count("Overlay element Panel_0 is shown already"), 1)
        self.assertEqual(len([m for m in result.messages() if m.startswith("Error! Overlay element Panel_0_TA ")]), 1)
        # The HUD, its caption rewritten, then hidden.
        hud = (780, 12, 1010, 84)
        self.assertGreater(difference(shot["panels"], base, hud), 5)
        self.assertGreater(difference(shot["destroyed"], shot["panels"], hud), 1)
        self.assertLess(difference(shot["back"], base, hud), 2)

        # The error box at (20, 10) units, its top frame on row 14; the second, shorter message
        # replaces the first box.
        first, second = changed_columns(shot["error1"], base, 14), changed_columns(shot["error2"], base, 14)
        for columns in (first, second):
            self.assertTrue(columns and abs(columns[0] - 26) < 3, columns[:3])
        self.assertGreater(max(first), max(second) + 100)
        self.assertEqual(result.count("Scripting error"), 2)

        self.assertLess(brightness(shot["faded"]), brightness(base) * 0.1)
        self.assertGreater(brightness(shot["clear"]), brightness(base) * 0.9)

        # After a level load: the background stays, panels and the HUD are gone, and the last
        # level's panels cannot be shown again.
        self.assertLess(difference(shot["next"], base), 1, "the next level should show the bare background")
        self.assertLess(difference(shot["next"], base, text_box), 2, "the last level's text panel came back")
        self.assertLess(difference(shot["next"], base, (110, 620, 145, 655)), 2, "the last level's badge came back")
        self.assertPasses(result, 2)


class LongCaptionTest(GameTest):
    def test_a_megabyte_of_caption_is_cut_to_what_an_overlay_can_hold(self):
        # Uncut, the overlay renderer kept about 300 bytes of vertices a character: 300 MB a caption.
        # The baseline is the same three texts at the cut's own length, in the same run: cut, a
        # megabyte costs about what they cost; uncut, sixty times as much.
        self.game.level("test.lua", r"""
dofile("../Resource/Levels/check.lua")
function measure(text)
  local before = rss()
  local panel = CreatePanel(text, 0, 0)
  SetElementCaption(panel .. "_TA", text .. "r")
  ShowText(text)
  return function() return rss() - before end
end
at(0, "baseline = measure(string.rep('q', 16383))")
at(600, "baseline = baseline() cut = measure(string.rep('q', 1024 * 1024))")
at(1200, "cut = cut() LogText('caption memory: ' .. cut .. ' kB against ' .. baseline .. ' kB') "
         .. "check('a megabyte costs what the cut length costs', cut < 4 * baseline, cut .. ' kB against ' .. baseline .. ' kB') ShutDown()")
""")
        result = self.run_game()
        self.assertPasses(result, 1)
        for element in ("Panel_1", "Panel_1_TA", "Core/DebugText"):
            self.assertEqual(result.count("Overlay text of %s cut to its first 16384 bytes" % element), 1, element)


class MissingOverlayDataTest(GameTest):
    def test_missing_materials_and_overlays_leave_one_line_each(self):
        core = os.path.join(self.game.resource, "Misc", "OgreCore.zip")
        with zipfile.ZipFile(core) as archive:
            original = {n: archive.read(n) for n in archive.namelist()}

        def write(files):
            with zipfile.ZipFile(core, "w") as archive:
                for name, data in files.items():
                    archive.writestr(name, data)
        write({n: data for n, data in original.items() if not n.startswith("Game.")})
        self.game.level("test.lua", """
dofile("../Resource/Levels/check.lua")
-- Each failing call in a statement of its own: a failure ends only its statement.
for i, statement in ipairs({"Fade(0, 1)", "CreatePanel('text', 10, 10)", "CreatePanel('TPL_Nothing', 0, 0)",
    "AddElement('OVE_Nothing') RemoveElement('Nothing') SetElementCaption('Nothing', 'x') DestroyPanel('Panel_9')",
    "Fade(1, 1) check('went on', true) ShutDown()"}) do
  at(i * 100, statement)
end
""")
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        for line in ("Error! No Materials/FadeOverlayMaterial: scene fading is off",
                     "CreatePanel: Could not find material GameOverlayMaterial",
                     "CreatePanel: OverlayElement with name TPL_Nothing not found."):
            self.assertEqual(result.count(line), 1, line)
        self.assertPasses(result, 1)

        # A fade material without its texture unit: this Ogre asserts on the unit it lacks.
        write(dict(original, **{"Game.material": "material Materials/FadeOverlayMaterial { technique { pass { } } }"}))
        self.game.level("test.lua", 'Fade(0, 1) ShutDown()')
        result = self.run_game()
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertEqual(result.count("Error! Materials/FadeOverlayMaterial has no texture to fade: scene fading is off"), 1)


if __name__ == "__main__":
    unittest.main()
