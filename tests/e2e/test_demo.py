"""The demo game as a player meets it: the real executable from its own start level, driven with
xdotool through the HTML menus and the levels, watched through the window's pixels, the log and the
wave writer's recording."""
import math
import os
import re
import time
import unittest

from harness import (LOG_NAME, GameTest, close_window_after, game_windows, read_recording, read_text, send_close_request,
                     setup_script, wait_for, wave_writer, window_picture, xdotool)

DEMO_SETUP = dict(window_width=640, window_height=480, sleeptime=1, music=1, soundvolume=4, musicvolume=3,
                  musicdir="../Resource/Sounds/", startlevel="title.lua")
BUTTON = (232, 195, 90)   # the menus' buttons
BORDER = (201, 162, 39)   # the menu card's border
SLIDER = (90, 209, 232)   # a slider's filled part
CHIME_HZ = 2093.0         # the gem chime's lowest note, which nothing else of the game plays


def near(pixel, colour, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def runs(values):
    """Groups sorted integers into runs of neighbours: [(first, last), ...]."""
    found = []
    for v in values:
        if found and v - found[-1][1] <= 2:
            found[-1] = (found[-1][0], v)
        else:
            found.append((v, v))
    return found


def poll(limit, look):
    """look()'s first true answer within limit seconds, else its last."""
    deadline = time.time() + limit
    while True:
        found = look()
        if found or time.time() > deadline:
            return found
        time.sleep(0.2)


class Player:
    """xdotool on the game window, and the window's pixels through X."""

    def __init__(self, display, game):
        self.display, self.game = display, game
        self.window = game_windows(display)[0]

    def xdotool(self, *words):
        xdotool(self.display, *[w.replace("WINDOW", self.window) for w in words])

    def click(self, x, y):
        self.xdotool("mousemove", "--window", "WINDOW", str(x), str(y))
        time.sleep(0.3)
        self.xdotool("click", "1")

    def wait(self, text, limit=60):
        return wait_for(self.game, text, limit)

    def main_menu(self):
        """The main menu's three buttons once it shows after the title, or [] if it never does."""
        return self.buttons(3) if self.wait("Volumes:") else []

    def picture(self):
        return window_picture(self.display, self.window)

    def rows(self, colour, tolerance, step, least):
        """The picture, and the runs of its rows where more than least of every step-th pixel are near colour."""
        image = self.picture()
        return image, runs([y for y in range(image.height) if sum(
            near(image.getpixel((x, y)), colour, tolerance) for x in range(0, image.width, step)) > least])

    def buttons(self, count, limit=40):
        """Centres of the menu buttons, top to bottom, once count of them show (the page fades in)."""
        self.xdotool("mousemove", "--window", "WINDOW", "2", "2")  # a button under the pointer lights up

        def look():
            image, rows = self.rows(BUTTON, 16, 4, 40)  # the title's letters have less of the colour
            found = [((left + right) // 2, (top + bottom) // 2) for top, bottom in rows
                     for left, right in runs([x for x in range(image.width) if near(image.getpixel((x, top + 2)), BUTTON, 16)])
                     if right - left > 40 and bottom - top > 10]
            return found if len(found) >= count else []
        return poll(limit, look)

    def card(self):
        """Left and right of the menu card's border."""
        image = self.picture()
        y = image.height // 2
        xs = [x for x in range(image.width) if near(image.getpixel((x, y)), BORDER, 30)]
        return (xs[0], xs[-1]) if xs else None

    def sliders(self, limit=20):
        """Rows of the sliders' filled parts, top to bottom."""
        def look():
            rows = self.rows(SLIDER, 40, 2, 3)[1]
            return [(top + bottom) // 2 for top, bottom in rows] if len(rows) >= 2 else []
        return poll(limit, look)


def hero(image):
    """Pixels of Quibbo's blue body below the HUD and the level's title, and their mean column:
    (count, x). Told by hue, not brightness, so a fade still in progress counts the same."""
    w, h = image.size
    xs = [x for y in range(h // 4, h, 2) for x in range(w // 4, 3 * w // 4, 2)
          for r, g, b in [image.getpixel((x, y))] if b > 30 and b > 1.6 * r and b > 1.4 * g]
    return len(xs), (sum(xs) / len(xs) if xs else -1)


def tone_power(samples, rate, frequency, window):
    """The power at one frequency in each window of samples (Goertzel)."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    powers = []
    for start in range(0, len(samples) - window, window):
        s1 = s2 = 0.0
        for v in samples[start:start + window]:
            s1, s2 = v + coefficient * s1 - s2, s1
        powers.append(s1 * s1 + s2 * s2 - coefficient * s1 * s2)
    return powers


class DemoGame(GameTest):
    def setUp(self):
        super().setUp()
        self.game.write("setup.lua", setup_script(**DEMO_SETUP))

    def messages(self, result, prefix):
        return [m for m in result.messages() if m.startswith(prefix)]

    def test_a_player_clicks_play_watches_the_intro_walks_to_the_gems_and_the_flag_and_the_ridge_follows(self):
        env, recording = wave_writer(self.game)
        seen = {}

        def walk(player, level):
            """Up held; two pictures of Quibbo on his way, a second and a half apart. A slow
            machine's level may still be fading in: the walk starts once he shows, standing
            where the level put him (a camera stuck in a tree never shows him)."""
            # A fade counts frames, which a sanitizer build draws slowly.
            seen[level + " standing"] = poll(60, lambda: hero(player.picture())[0] > 100)
            player.xdotool("keydown", "Up")
            time.sleep(0.5)
            seen[level] = [player.picture()]
            time.sleep(1.5)
            seen[level].append(player.picture())

        def play(display, game):
            player = Player(display, game)
            buttons = player.main_menu()
            if not buttons:
                return
            player.click(*buttons[0])  # Play, twice while the menu fades
            player.xdotool("click", "1")
            if not (player.wait("LoadLevel(intro.lua) end") and player.wait("Level meadow ready")):  # the intro's end
                return
            time.sleep(1.5)  # Quibbo drops onto the grass
            player.xdotool("key", "--delay", "60", "Escape", "Escape", "Escape")  # paused, on, paused
            player.xdotool("key", "Escape")
            # The pause page fades out over Quibbo: he is measured once it has gone.
            poll(30, lambda: read_text(os.path.join(game.bin, LOG_NAME)).count("Playing on") >= 2)
            time.sleep(1.0)
            seen["before"] = player.picture()
            walk(player, "meadow")
            if player.wait("Quibbo found Gem1", 15):
                time.sleep(0.6)
                seen["after"] = player.picture()
            player.wait("Level meadow done", 30)
            player.xdotool("keyup", "Up")
            if player.wait("Level ridge ready", 30):
                time.sleep(1.5)
                walk(player, "ridge")
                player.xdotool("keyup", "Up")
            send_close_request(display)

        result = self.run_game(env=env, during=play, timeout=300)
        self.assertEqual(self.messages(result, "Scripting error"), [])
        result.in_order(["Volumes: effects 80%, music 60%", "LoadLevel(intro.lua) start at: 0", "Level meadow ready",
                         "Paused", "Playing on", "Paused", "Playing on",
                         "Quibbo found Gem1 (1 of 5)", "Quibbo found Gem2 (2 of 5)", "Quibbo found Gem3 (3 of 5)"])
        for level in ("intro", "meadow", "ridge"):  # a mashed key or a second click loads nothing twice
            self.assertEqual(len(self.messages(result, "LoadLevel(%s.lua) start at: " % level)), 1, level)
        done = self.messages(result, "Level meadow done: Time ")
        self.assertEqual(len(done), 1, result.log[-3000:])
        self.assertIn("a new best!", done[0])

        # The camera follows Quibbo in both levels, reached through the intro: while he walks he
        # stays about as large on the screen and in its middle third. A camera left where the intro
        # put it sees him shrink or grow as he walks.
        for level in ("meadow", "ridge"):
            self.assertIn(level, seen, "no pictures of the walk in the " + level)
            self.assertTrue(seen[level + " standing"], level + ": Quibbo did not show before he walked")
            (first, x1), (second, x2) = (hero(picture) for picture in seen[level])
            self.assertGreater(first, 100, level + ": Quibbo is not in the picture")
            self.assertTrue(0.6 < second / first < 1.6, (level, first, second))
            self.assertTrue(all(640 / 3 < x < 2 * 640 / 3 for x in (x1, x2)), (level, x1, x2))

        # The HUD's plate in the top right corner changed with the first gem (score and count).
        self.assertIn("after", seen, "no picture after the first gem")
        box = (640 - 250, 10, 640 - 10, 116)
        before, after = seen["before"].crop(box), seen["after"].crop(box)
        changed = sum(1 for a, b in zip(before.getdata(), after.getdata()) if sum(abs(p - q) for p, q in zip(a, b)) > 60)
        self.assertGreater(changed, 30, "the HUD did not change")

        # The recording: music from the menu on, and the chime of each gem.
        rate, left, right = read_recording(recording)
        menu_start = int(2 * rate)
        music = math.sqrt(sum(v * v for v in left[menu_start:menu_start + rate]) / rate)
        self.assertGreater(music, 0.003, "no music at the start")
        powers = tone_power(left, rate, CHIME_HZ, rate // 20)
        typical = sorted(powers)[len(powers) // 2] + 1e-9
        chimes = runs([i for i, p in enumerate(powers) if p > 50 * typical])
        self.assertGreaterEqual(len(chimes), 3, "the gems' chimes are missing from the recording")

    def test_options_set_the_music_volume_and_a_restart_keeps_it(self):
        def set_music(display, game):
            player = Player(display, game)
            buttons = player.main_menu()
            if not buttons:
                return
            player.click(*buttons[1])  # Options
            time.sleep(1.0)  # the main menu fades out, the options fade in
            rows = player.sliders()
            card = player.card()
            if len(rows) < 2 or not card:
                return
            # A click a quarter along the music slider's track, inside the card's padding.
            left, right = card[0] + 2 + 36, card[1] - 2 - 36
            player.click(left + (right - left) // 4, rows[1])
            time.sleep(0.5)
            save = [b for b in player.buttons(2) if b[1] > rows[1]]
            if save:
                player.click(*save[0])
            player.wait("Options saved")
            time.sleep(1.2)  # the options fade out, the main menu fades in
            menu = player.buttons(3)
            if menu:
                player.click(*menu[2])  # Quit

        result = self.run_game(during=set_music, timeout=120)
        saved = self.messages(result, "Options saved: ")
        self.assertEqual(len(saved), 1, result.log[-3000:])
        effects, music = map(int, re.match(r"Options saved: effects (\d+)%, music (\d+)%", saved[0]).groups())
        self.assertEqual(effects, 80)
        self.assertTrue(15 <= music <= 35, saved[0])
        setup = self.game.read("setup.lua")
        self.assertIn("musicvolume = %.14g," % (music / 20), setup)
        self.assertIn("~GameApp()", result.messages())
        # Started again, from setup.lua's start level, the menu reads the saved volume.
        again = self.run_game(during=close_window_after("Volumes:"), timeout=60)
        self.assertIn("Volumes: effects 80%%, music %d%%" % music, again.messages())


if __name__ == "__main__":
    unittest.main()
