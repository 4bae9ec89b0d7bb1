"""Web panels as a player and a game maker see them: the real executable with real Chromium under
Xvfb. Levels check results themselves; screenshots are read by pixel, the log line by line."""
import os
import signal
import threading
import time
import unittest
from http.server import HTTPServer, SimpleHTTPRequestHandler

from harness import GameTest, close_window_after, send_close_request, wait_for

# The start level runs before the web panels exist; it checks the guard and moves on.
START = """
dofile("../Resource/Levels/check.lua")
check_equal("HasKeyboardFocus before the panels", HasKeyboardFocus(), nil)
CreateNavi("Early", "red.html", 10, 10, 0, 0)
coreLoadLevel("web.lua")
"""

HEAD = 'dofile("../Resource/Levels/check.lua") SetSkyBox("Intro/SkyBox")\n'

# Left half red, right half see-through; it reports when its script ran.
RED_PAGE = """<!DOCTYPE html><html><body style="margin:0">
<div style="width:50%;height:100%;position:absolute;background:#ff0000"></div>
<script>Callback("LogText('page ' .. 'loaded')")</script></body></html>"""

BUTTON_PAGE = """<!DOCTYPE html><html><body style="margin:0;background:#0000ff">
<button style="position:absolute;left:0;top:0;width:100%;height:100%"
 onclick="Callback('clicked()')">Go</button>
<script>Callback('buttonReady()')</script></body></html>"""


def processes():
    """{pid: (parent, command line)} of the machine, zombies too."""
    found = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                found[int(entry)] = (parent, f.read().replace(b"\0", b" ").decode(errors="replace"))
        except (OSError, IndexError, ValueError):
            continue  # gone meanwhile
    return found


def browser_of(game):
    """This run's browser processes: those below the engine, so other runs' browsers never count."""
    table, found = processes(), [game.pid]
    for above in found:  # the list grows as it is read
        found += [pid for pid, (parent, _) in table.items() if parent == above]
    return found[1:]


def red(pixel):
    return pixel[0] > 240 and pixel[1] < 15 and pixel[2] < 15


def serve(test, folder):
    """The port of a loopback web server over folder for the test's length; two stand for two origins."""
    SimpleHTTPRequestHandler.log_message = lambda *a: None
    httpd = HTTPServer(("127.0.0.1", 0), lambda *a: SimpleHTTPRequestHandler(*a, directory=folder))
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    test.addCleanup(httpd.server_close)
    test.addCleanup(httpd.shutdown)
    return httpd.server_address[1]


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

    def run_web(self, **kwargs):
        tmp = os.path.join(self.game.root, "tmp")
        os.makedirs(tmp)
        kwargs["env"] = dict(kwargs.get("env") or {}, TMPDIR=tmp)
        kwargs.setdefault("timeout", 240)  # a sanitizer build's browser on a busy machine is slow
        result = self.run_game(**kwargs)
        profile = "--user-data-dir=" + tmp
        self.assertEqual([c for _, c in processes().values() if profile in c], [], "browser processes left")
        self.assertEqual(os.listdir(tmp), [], "the browser's profile is left behind")
        return result

    def test_a_hidden_panel_shows_its_page_over_the_scene_and_calls_back_and_pages_from_elsewhere_may_not(self):
        # Two loopback servers stand for two origins: Remote's page comes from the first and frames
        # one of the second; Local's page moves itself to the second.
        first, second = (serve(self, os.path.join(self.game.resource, "www")) for _ in range(2))
        self.game.write("www/a.html", '<html><body><script>Callback("LogText(\'from the first\')")</script>'
                        '<iframe src="http://127.0.0.1:%d/b.html"></iframe></body></html>' % second)
        self.game.write("www/b.html", '<html><body><script>Callback("LogText(\'from the second\')")</script></body></html>')
        self.game.write("GUI/away.html", '<html><body><script>Callback("LogText(\'home\')");'
                        'location.href = "http://127.0.0.1:%d/b.html"</script></body></html>' % second)
        self.level("""
CreateNavi("Remote", "http://127.0.0.1:%d/a.html", 200, 100, 0, 0)
CreateNavi("Local", "away.html", 200, 100, 0, 100)
CreateNavi("Menu", "red.html", 160, 100, 40, 60)
CreateNavi("Later", "button.html", 40, 40, 250, 10)  -- a page made later must not keep the first from drawing
check_equal("HasKeyboardFocus while hidden", HasKeyboardFocus(), 0)
ExecuteNavi("Menu", "Callback('answer(' + (6 * 7) + ')')")
function answer(n) check_equal("ExecuteNavi round trip", n, 42) end
at(2500, "SaveScreenshot('hidden.png') ShowNavi('Menu', 0.7) ShowNavi('Later', 0)")
at(5000, "check_equal('HasKeyboardFocus when shown', HasKeyboardFocus(), 1)")
-- A loaded machine's browser may take a while to draw: a picture every half second.
for i = 1, 20 do at(4500 + i * 500, "SaveScreenshot('shown_" .. i .. ".png')") end
at(15000, "HideNavi('Menu', 0)")
at(16500, "SaveScreenshot('hidden_again.png') LogText('pictures taken')")
""" % first)
        refused = "Web panel %%s: Callback refused from http://127.0.0.1:%d" % second
        result = self.run_web(during=close_window_after("pictures taken", refused % "Remote", refused % "Local"))
        self.assertPasses(result, 4)
        self.assertEqual(result.count("ERROR. gamegui not ready yet!"), 2)
        for line in ("page loaded", "from the first", "home", refused % "Remote", refused % "Local"):
            self.assertLogged(result, line)
        self.assertNotIn("from the second", result.messages())
        hidden = self.game.screenshot("hidden.png")
        # Hidden: no red where the panel will be; shown: red on the left and, on the right, the
        # sky as it is once the panel is hidden again (the first picture may come from a frame
        # before the sky on a loaded machine).
        self.assertFalse(red(hidden.getpixel((80, 110))))
        shots = [self.game.screenshot("shown_%d.png" % i) for i in range(1, 21)]
        drawn = [shot for shot in shots if red(shot.getpixel((80, 110)))]
        self.assertTrue(drawn, [shot.getpixel((80, 110)) for shot in shots])
        shown = drawn[-1]
        again = self.game.screenshot("hidden_again.png")
        self.assertNotEqual(again.getpixel((80, 110))[:3], shown.getpixel((80, 110))[:3])
        for point in [(160, 110), (180, 150), (20, 20)]:
            before, after = again.getpixel(point), shown.getpixel(point)
            self.assertTrue(all(abs(x - y) < 12 for x, y in zip(before, after)), (point, before, after))

    def test_bad_calls_bad_pages_resets_and_a_lost_material_leave_the_game_running(self):
        # A material script cut short fails the group "General", which is then cleared, taking the
        # shown panel's material and texture with it while its page keeps sending pictures.
        with open(os.path.join(self.game.resource, "Materials", "World.material")) as f:
            material = f.read()
        self.game.write("Broken/Broken.material", material[:len(material) * 2 // 5])
        self.game.write("GUI/tick.html", RED_PAGE.replace(
            "</body>", "<p id=t style='margin-left:60%'></p><script>var n = 0;"
            "setInterval(function(){document.getElementById('t').textContent = n++}, 30)</script></body>"))
        self.game.write("GUI/rude.html", """<html><body><script>
Callback(); alert('hi'); window.open('red.html');
for (var i = 0; i < 10000; i++) Callback("n = n + 1");
function doReset() {
  Callback("ResetNavis() resetDone = true LogText('reset from a callback') CreateNavi('Self', 'self.html', 50, 50, 400, -20)");
  Callback("LogText('after the reset')");
}
</script></body></html>""")
        self.game.write("GUI/self.html", """<html><body><script>
Callback("RemoveNavi('Self') LogText('removed myself') selfDone = true"); Callback("LogText('never')");
</script></body></html>""")
        self.level("""
n = 0
CreateNavi("Rude", "rude.html", 100, 100, 0, 0)
CreateNavi("Missing", "no/such.html", 0, 65535, -32768, 32767)
CreateNavi("Busy", "red.html", 50, 50, 0, 0)
ExecuteNavi("Busy", "while(true){}")
ExecuteNavi("Busy", "this is no javascript")
ExecuteNavi("Busy", "x = '" .. string.rep("a", 1000000) .. "'.length; Callback('big(' + x + ')')")
-- The reset waits for the big script, so a slow machine loses nothing to it.
function big(length) check_equal("a megabyte of script", length, 1000000) ExecuteNavi("Rude", "doReset()") end
-- Goes on once the slow parts are through, whatever the machine's speed.
function later()
  if not resetDone or not selfDone then return at(GetSimulationTime() + 200, "later()") end
  check('callbacks arrived', n > 0, n) LogText('still running') coreLoadLevel('after.lua')
end
at(200, "later()")
""")
        self.game.level("after.lua", HEAD + """
check_equal("panels are gone after a load", HasKeyboardFocus(), 0)
RemoveNavi("Busy") HideNavi("Rude", 1)
-- RefreshNavi clicks the page itself.
function buttonReady() RefreshNavi("Button") end
function clicked() clicked_once = true end
CreateNavi("Button", "button.html", 80, 40, 10, 10)
CreateNavi("Menu", "tick.html", 160, 100, 40, 60)
ShowNavi("Menu", 0)
-- A loaded machine's browser may take a while to draw: a picture every half second.
for i = 1, 16 do at(2500 + i * 500, "SaveScreenshot('shown_" .. i .. ".png')") end
at(11000, "AddResourceLocation('General', '../Resource/Broken', 'FileSystem')")
function finish()
  if not clicked_once and GetSimulationTime() < 20000 then return at(GetSimulationTime() + 200, "finish()") end
  check("a synthetic click reaches the page", clicked_once) ShutDown()
end
at(12500, "SaveScreenshot('empty.png') finish()")
""")
        result = self.run_web()
        self.assertEqual(result.count("PASS a megabyte of script"), 1, [m for m in result.messages() if "Busy" in m])
        self.assertPasses(result, 5)
        self.assertTrue(any(m.startswith("Web panel Missing: cannot load file://") and "ERR_FILE_NOT_FOUND" in m
                            for m in result.messages()), result.log[-3000:])
        self.assertTrue(any(m.startswith("Web panel Busy: JavaScript error: SyntaxError") for m in result.messages()),
                        [m for m in result.messages() if "Busy" in m])
        for line in ("Error. Callback without a statement from navi: Rude", "Web panel Rude: dialog dismissed: hi",
                     "Web panel Busy: JavaScript stopped: Execution was terminated", "reset from a callback",
                     "removed myself", "still running", "Error while removing navi. No navi exists with name: Busy",
                     "Error while hiding navi. No navi exists with name: Rude"):
            self.assertLogged(result, line)
        self.assertNotIn("after the reset", result.messages())
        self.assertNotIn("never", result.messages())
        self.assertIn("~GameApp()", result.messages())
        lost = [m for m in result.messages() if m.startswith("Web panel Menu: ")]
        self.assertEqual(len(lost), 1, lost)
        self.assertRegex(lost[0], r"^Web panel Menu: its (material|texture) Navi/\d+/\w+ is gone; the panel stays empty$")
        shown = [self.game.screenshot("shown_%d.png" % i).getpixel((80, 110)) for i in range(1, 17)]
        self.assertTrue(any(map(red, shown)), shown)
        self.assertNotEqual(self.game.screenshot("empty.png").getpixel((80, 110)), shown[-1])

    def test_a_player_click_on_a_panel_is_the_pages_and_beside_it_the_levels(self):
        from test_input import drive
        # The panel takes clicks once its picture shows, which a loaded machine may take a while to
        # upload. Each click comes with the move that brought the pointer, which OIS reports after
        # the press.
        self.level("""
function buttonReady() ShowNavi("Button", 0) at(GetSimulationTime() + 1500, "LogText('READY')") end
function clicked() LogText("page clicked") end
function MousePressed(x, y, b) LogText("MousePressed(" .. x .. ", " .. y .. ", " .. b .. ")") ShutDown() end
function MouseReleased(x, y, b) LogText("MouseReleased(" .. x .. ", " .. y .. ", " .. b .. ")") end
CreateNavi("Button", "button.html", 100, 60, 20, 20)
at(30000, "ShutDown()")
""")
        result = self.run_web(during=drive(["mousemove", "--window", "WINDOW", "60", "50", "click", "1"], ["sleep", 1],
                                           ["mousemove", "--window", "WINDOW", "200", "150", "click", "1"]))
        result.in_order(["page clicked", "MousePressed(200, 150, 0)"])
        self.assertNotIn("MousePressed(60, 50, 0)", result.messages())
        self.assertNotIn("MouseReleased(60, 50, 0)", result.messages())

    def test_panels_removed_while_their_pages_load_leave_no_page_behind(self):
        # A page closed mid-navigation could stay open in the browser, a renderer process each time.
        self.game.write("GUI/go.html", "<html><body><script>Callback('go()')</script></body></html>")
        self.level("""
local cycle = 0
function make()
  cycle = cycle + 1
  if cycle > 40 then return at(GetSimulationTime() + 3000, "LogText('cycles done')") end
  CreateNavi("P", "red.html", 100, 100, 0, 0) ShowNavi("P", 0)
  at(GetSimulationTime() + 20 + (cycle * 37) % 400, "RemoveNavi('P') make()")
end
function go() LogText("one page") at(GetSimulationTime() + 2000, "RemoveNavi('First') make()") end
CreateNavi("First", "go.html", 100, 100, 0, 0)
""")
        counts = []

        def count_processes(display, game):
            if wait_for(game, "one page"):
                counts.append(len(browser_of(game)))
                # Helpers end in their own time: waited for, within a bound, until fewer remain.
                if wait_for(game, "cycles done"):
                    deadline = time.time() + 60
                    while len(counts) < 2 or counts[1] >= counts[0] and time.time() < deadline:
                        counts[1:] = [len(browser_of(game))]
                        time.sleep(0.5)
            send_close_request(display)

        self.run_web(during=count_processes)
        self.assertEqual(len(counts), 2)
        # The one page's renderer goes with it, and none is left of the forty.
        self.assertLess(counts[1], counts[0], "this run's browser processes with one page, then with none")

    def test_without_a_browser_panels_stay_empty_calls_wait_within_a_limit_and_clicks_are_the_levels(self):
        from test_input import drive
        # A HUD updated every step of a level whose page never comes.
        self.level("""
CreateNavi("Menu", "red.html", 100, 100, 0, 0)
ShowNavi("Menu", 1) ExecuteNavi("Menu", "1") ZoomInNavi("Menu")
check_equal("focus on an empty shown panel", HasKeyboardFocus(), 1)
RemoveNavi("Menu") RemoveNavi("Menu")
CreateNavi("Hud", "red.html", 200, 100, 0, 0)
CreateNavi("Quiet", "red.html", 10, 10, 300, 200)
ShowNavi("Hud", 0)
ExecuteNavi("Quiet", "1")
for i = 1, 20000 do ExecuteNavi("Hud", "score = " .. i) end
function MousePressed(x, y, b) LogText("MousePressed(" .. x .. ", " .. y .. ", " .. b .. ")") ShutDown() end
at(300, "LogText('READY')")
at(30000, "ShutDown()")
""")
        result = self.run_web(env={"TQ_BROWSER": "/no/such/browser"},
                              during=drive(["mousemove", "--window", "WINDOW", "60", "50"], ["click", "1"]))
        self.assertPasses(result, 2)
        self.assertEqual([m for m in result.messages() if m.startswith("Web panels:")],
                         ["Web panels: no browser at /no/such/browser; panels stay empty"])
        self.assertLogged(result, "Error while removing navi. No navi exists with name: Menu")
        dropped = [m for m in result.messages() if "further calls are dropped" in m]
        self.assertEqual(dropped, ["Web panel Hud: the page is not ready and 500 calls wait for it; "
                                   "further calls are dropped"])
        # The empty panel shows nothing: the click is the level's.
        self.assertLogged(result, "MousePressed(60, 50, 0)")

    def lose_the_browser_mid_game(self, sig, line):
        self.level("""
CreateNavi("Menu", "red.html", 100, 100, 0, 0)
ShowNavi("Menu", 0)
at(20000, "ExecuteNavi('Menu', '1') CreateNavi('Late', 'red.html', 10, 10, 0, 0) ShowNavi('Late', 1) LogText('went on') ShutDown()")
""")
        signalled = []

        def signal_browser(display, game):
            if wait_for(game, "page loaded"):
                # The engine's own child is the browser; its helpers are below that.
                for pid, (parent, _) in processes().items():
                    if parent == game.pid:
                        os.kill(pid, sig)
                        signalled.append(pid)

        result = self.run_web(during=signal_browser)
        self.assertTrue(signalled, "no browser found")
        self.assertEqual([m for m in result.messages() if m.startswith("Web panels: the browser")], [line])
        result.in_order([line, "went on"])

    def test_a_browser_killed_mid_game_leaves_the_game_running(self):
        self.lose_the_browser_mid_game(
            signal.SIGKILL, "Web panels: the browser is gone (it closed the connection); panels stay empty")

    def test_a_browser_that_stops_answering_is_given_up_and_the_game_goes_on(self):
        self.lose_the_browser_mid_game(signal.SIGSTOP, "Web panels: the browser stopped answering; panels stay empty")


if __name__ == "__main__":
    unittest.main()
