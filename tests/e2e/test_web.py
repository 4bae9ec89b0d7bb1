"""Web panels as a player and a game maker see them: the real executable with real Chromium under
Xvfb. Levels check results themselves; screenshots are read by pixel, the log line by line."""
import os
import re
import signal
import subprocess
import threading
import time
import unittest
from http.server import HTTPServer, SimpleHTTPRequestHandler

from harness import LOG_NAME, GameTest, read_text

# The start level runs before the web panels exist; it checks the guard and moves on.
START = """
dofile("../Resource/Levels/check.lua")
CreateSceneNode("", "LevelRoot")
check_equal("HasKeyboardFocus before the panels", HasKeyboardFocus(), nil)
CreateNavi("Early", "red.html", 10, 10, 0, 0)
coreLoadLevel("web.lua")
"""

HEAD = """
dofile("../Resource/Levels/check.lua")
CreateSceneNode("", "LevelRoot")
SetSkyBox("Intro/SkyBox")
AddActor("Clock")
function at(ms, statement) AddActorMessage("Clock", ms, 7, statement, "", 0, 0, 0, 0) end
"""

# Left half red, right half see-through; it reports when its script ran.
RED_PAGE = """<!DOCTYPE html><html><body style="margin:0">
<div style="width:50%;height:100%;position:absolute;background:#ff0000"></div>
<script>Callback("LogText('page ' .. 'loaded')")</script></body></html>"""

BUTTON_PAGE = """<!DOCTYPE html><html><body style="margin:0;background:#0000ff">
<button style="position:absolute;left:0;top:0;width:100%;height:100%"
 onclick="Callback('clicked()')">Go</button>
<script>Callback('buttonReady()')</script></body></html>"""


def wait_for(game, text, limit=60):
    path, deadline = os.path.join(game.bin, LOG_NAME), time.time() + limit
    while time.time() < deadline:
        if os.path.exists(path) and text in read_text(path):
            return True
        time.sleep(0.1)
    return False


def browsers_of(game):
    """Processes still running with this game's browser profile (under the system temp folder)."""
    out = subprocess.run(["ps", "-eo", "pid,stat,args"], capture_output=True, text=True).stdout
    return [l for l in out.splitlines() if "tq-browser-" in l and "--user-data-dir" in l and " Z" not in l]


class WebPanels(GameTest):
    def setUp(self):
        super().setUp()
        self.game.level("test.lua", START)
        self.game.write("GUI/red.html", RED_PAGE)
        self.game.write("GUI/button.html", BUTTON_PAGE)

    def assertLogged(self, result, line):
        self.assertIn(line, result.messages(), result.log[-3000:])

    def level(self, body):
        self.game.level("web.lua", HEAD + body)

    def test_a_hidden_panel_shows_its_page_over_the_scene_and_calls_back(self):
        self.level("""
CreateNavi("Menu", "red.html", 160, 100, 40, 60)
check_equal("HasKeyboardFocus while hidden", HasKeyboardFocus(), 0)
ExecuteNavi("Menu", "Callback('answer(' + (6 * 7) + ')')")
function answer(n) check_equal("ExecuteNavi round trip", n, 42) end
at(2500, "SaveScreenshot('hidden.png') ShowNavi('Menu', 0.7)")
at(5000, "SaveScreenshot('shown.png') check_equal('HasKeyboardFocus when shown', HasKeyboardFocus(), 1)")
at(5100, "ZoomInNavi('Nope') ZoomOutNavi('Nope') RefreshNavi('Nope') ShowNavi('Nope', 1) ShutDown()")
""")
        result = self.run_game()
        self.assertPasses(result, 4)
        self.assertEqual(result.count("ERROR. gamegui not ready yet!"), 2)
        self.assertLogged(result, "page loaded")
        self.assertLogged(result, "Error while showing navi. No navi exists with name: Nope")
        self.assertEqual(result.count("Error while calling JavaScript for navi. No navi exists with name: Nope"), 3)
        hidden, shown = self.game.screenshot("hidden.png"), self.game.screenshot("shown.png")
        # Hidden: the sky where the panel will be; shown: red on the left, the same sky on the right.
        self.assertNotEqual(hidden.getpixel((80, 110))[:3], (255, 0, 0))
        r, g, b = shown.getpixel((80, 110))
        self.assertTrue(r > 240 and g < 15 and b < 15, (r, g, b))
        for point in [(160, 110), (180, 150), (20, 20)]:
            before, after = hidden.getpixel(point), shown.getpixel(point)
            self.assertTrue(all(abs(x - y) < 12 for x, y in zip(before, after)), (point, before, after))
        self.assertEqual(browsers_of(self.game), [])


if __name__ == "__main__":
    unittest.main()
