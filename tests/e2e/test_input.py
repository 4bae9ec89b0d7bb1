"""Keyboard and mouse as a player uses them: real X events from xdotool reach the real executable
under Xvfb, and the level's script logs each statement it is given. The statement texts and the
routing past web panels are the unit tier's; here the events must arrive, with their numbers,
in order, with the click sound, and the game must run on without any input at all."""
import os
import time
import unittest

from Xlib import XK, display as xdisplay

from harness import CURSOR_NAME, GameTest, game_windows, read_recording, setup_script, wait_for, wave_writer, xdotool
from test_sound import segments

# Logs every statement the engine runs as the statement's own text.
LEVEL = """
dofile("../Resource/Levels/check.lua")
CreateSceneNode("LevelRoot", "_FollowCamera1")
CreateSceneNode("LevelRoot", "look_at_node")
SetPosition("_FollowCamera1", 0, 5, 30)
local END = 207
function KeyPressed(k, t)
  LogText("KeyPressed(" .. k .. ", '" .. t .. "')")
  if k == END then ShutDown() end
end
function KeyReleased(k, t) LogText("KeyReleased(" .. k .. ", '" .. t .. "')") end
function EscPressed() LogText("EscPressed()") end
function Screenshot() LogText("Screenshot()") end
function MousePressed(x, y, b)
  LogText("MousePressed(" .. x .. ", " .. y .. ", " .. b .. ")")
  LogText("GetMousePosition " .. table.concat({GetMousePosition()}, " "))
end
function MouseReleased(x, y, b) LogText("MouseReleased(" .. x .. ", " .. y .. ", " .. b .. ")") end
LeaveEditMode()  -- the play state is on top: nothing happens
at(100, "LogText('READY')")  -- from a step of the main loop: the start level runs before the input handler exists
"""


def bind_spare_keys(display, names):
    """Gives keysyms the keyboard lacks spare keycodes of their own. xdotool would map each one only
    while it types it, and a busy engine can read the key after the mapping went back."""
    connection = xdisplay.Display(display)
    first = connection.display.info.min_keycode
    rows = connection.get_keyboard_mapping(first, connection.display.info.max_keycode - first + 1)
    spare = [first + i for i, row in enumerate(rows) if not any(row)]
    for keycode, name in zip(spare, names):
        connection.change_keyboard_mapping(keycode, [[XK.string_to_keysym(name)] * len(rows[0])])
    connection.sync()
    connection.close()


def drive(*commands, after="READY"):
    """A during= callback: once the log holds after, runs each xdotool command on the game window
    (or calls it with the display)."""
    def run(display, game):
        bind_spare_keys(display, ["eacute", "EuroSign"])
        wait_for(game, after)
        window = game_windows(display)[0]
        for command in commands:
            if callable(command):
                command(display)
            elif command[0] == "sleep":
                time.sleep(command[1])
            else:
                xdotool(display, *[w.replace("WINDOW", window) for w in command])
                time.sleep(0.25)  # lets the engine see each one in a frame of its own
    return run


def look_at_cursor(seen):
    """A drive() step: the pointer's image through XFixes, 40 times 50 ms apart (its frames change every 90 ms)."""
    def look(display):
        connection = xdisplay.Display(display)
        connection.xfixes_query_version()
        for _ in range(40):
            image = connection.xfixes_get_cursor_image(connection.screen().root)
            seen.append((image.width, image.height, image.xhot, image.yhot, tuple(image.cursor_image)))
            time.sleep(0.05)
        connection.close()
    return look


class InputFromXEvents(GameTest):
    def test_keys_clicks_the_mouse_position_and_the_games_cursor(self):
        self.game.write("setup.lua", setup_script(music=1, soundvolume=5, musicvolume=5,
                                                  musicdir="../Resource/Sounds/"))
        self.game.level("test.lua", LEVEL)
        env, recording = wave_writer(self.game)
        seen = []
        result = self.run_game(env=env, during=drive(
            ["mousemove", "--window", "WINDOW", "100", "50"], look_at_cursor(seen), ["click", "1"], ["click", "3"],
            ["click", "3"], ["click", "4"], ["click", "5"], ["mousemove", "--window", "WINDOW", "200", "120"], ["click", "3"],
            ["key", "a"], ["key", "Escape"], ["key", "Print"], ["key", "eacute"], ["key", "EuroSign"],
            ["key", "End"]))
        result.in_order([
            "MousePressed(100, 50, 0)", "GetMousePosition 100 50 0", "MouseReleased(100, 50, 0)",
            "MousePressed(100, 50, 1)", "MouseReleased(100, 50, 1)",
            "MousePressed(200, 120, 1)", "GetMousePosition 200 120 0",
            "KeyPressed(30, '97')", "KeyReleased(30, '97')",
            "EscPressed()", "KeyPressed(1, '27')", "KeyReleased(1, '27')",
            "Screenshot()", "KeyPressed(183, '0')", "KeyReleased(183, '0')",
            "KeyPressed(0, '233')", "KeyReleased(0, '233')",
            "KeyPressed(0, '8364')", "KeyReleased(0, '8364')",
            "KeyPressed(207, '0')", "~GameApp()"])
        self.assertEqual(result.count("MousePressed(100, 50, 0)"), 1)
        self.assertEqual(result.count("MousePressed(100, 50, 1)"), 2)
        self.assertNotIn("Scripting error", result.messages())
        # One left click among three right ones: one click sound.
        rate, left, right = read_recording(recording)
        self.assertEqual(len(segments(left, right, rate)), 1)
        # The cursor file the build puts beside the executable shows over the window, and moves.
        # The server may still show the pointer it had before the move reached the window.
        games = [i for i, s in enumerate(seen) if s[:4] == (32, 32, 1, 1)]
        self.assertTrue(games, {s[:4] for s in seen})
        self.assertEqual({s[:4] for s in seen[games[0]:]}, {(32, 32, 1, 1)})
        self.assertGreater(len({s[4] for s in seen[games[0]:]}), 1, "the cursor shows one frame only")
        self.assertEqual([m for m in result.messages() if m.startswith("The cursor ")], [])

    def test_without_an_input_system_or_camera_nodes_the_level_plays_on(self):
        self.game.level("test.lua", """
dofile("../Resource/Levels/check.lua")
at(400, "check_equal('mouse', table.concat({GetMousePosition()}, ' '), '0 0 0') ShutDown()")
LeaveEditMode()
""")
        preload = " ".join(filter(None, [os.environ.get("LD_PRELOAD"), os.environ["TQ_FAIL_INPUT_SHIM"]]))
        result = self.run_game(env={"LD_PRELOAD": preload})
        self.assertPasses(result, 1)
        self.assertEqual(result.returncode, 0)
        failures = [m for m in result.messages() if m.startswith("Error! No keyboard or mouse, the game runs without input: ")]
        self.assertEqual(len(failures), 1, result.log[-3000:])
        self.assertEqual(result.count(
            "PlayState: this level has no scene node look_at_node or _FollowCamera1: the camera does not follow it"), 1)
        result.in_order(["~GameApp()", "delete editState", "delete handler", "delete Gui"])


class LackingCursor(GameTest):
    """A cursor file beside the executable that X cannot show, seen through XFixes over the window."""

    def lacking_cursor(self, why):
        self.game.level("test.lua", LEVEL)
        seen = []
        result = self.run_game(during=drive(["mousemove", "--window", "WINDOW", "50", "50"], look_at_cursor(seen),
                                            ["key", "End"]))
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertNotIn((32, 32, 1, 1), {s[:4] for s in seen})
        self.assertEqual([m for m in result.messages() if m.startswith("The cursor ")],
                         ["The cursor QuibboCursor.ani cannot show (%s); the default cursor stays" % why])

    def test_a_damaged_cursor_file_leaves_the_default_cursor_and_one_line(self):
        with open(os.path.join(self.game.bin, CURSOR_NAME), "r+b") as f:
            f.truncate(6000)  # in its second frame
        self.lacking_cursor("it is no cursor file the X cursor library reads")

    def test_without_a_cursor_file_the_default_cursor_stays_with_one_line(self):
        os.remove(os.path.join(self.game.bin, CURSOR_NAME))
        self.lacking_cursor("there is no such file")


if __name__ == "__main__":
    unittest.main()
