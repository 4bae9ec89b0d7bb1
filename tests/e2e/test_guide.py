"""The game maker's guide's Lua examples, run by the real executable.

Every fenced lua block of docs/game-maker-guide.md runs. A block starting "-- level: name.lua" is
a level file; each such level that no other one loads starts a run of its own. The other blocks
of one "##" section run in one test level, one ExecuteCmd statement each. A "-- log: text" line
names a line the block must log; a script error, or an error line no block of the run names,
fails. Each run has its own game folder and display.
"""
import os
import re
import unittest
from collections import namedtuple
from types import SimpleNamespace

from harness import Game, GameTest, close_window_after, no_opener, setup_script, wave_writer

GUIDE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../docs/game-maker-guide.md")
EXPECTED = re.compile(r"^\s*-- log: (.*)$", re.M)
LEVEL = re.compile(r"^-- level: (\S+)")
LOADS = re.compile(r"coreLoadLevel\(['\"]([^'\"]+)['\"]\)")
READY = "GUIDE EXAMPLES RAN"


def block(section, line, text):
    level = LEVEL.match(text)
    return SimpleNamespace(section=section, line=line, text=text, level=level and level.group(1),
                           expected=EXPECTED.findall(text))


def read_guide():
    """(blocks, function names of the guide's headings)."""
    with open(GUIDE) as f:
        text = f.read()
    blocks, section = [], None
    for match in re.finditer(r"^## ([^\n]*)|^[ \t]*```lua\n(.*?)^[ \t]*```[ \t]*$", text, re.M | re.S):
        if match.group(2) is None:
            section = match.group(1).strip()
        else:
            blocks.append(block(section, text.count("\n", 0, match.start(2)) + 1, match.group(2)))
    return blocks, [name for heading in re.findall(r"^#### .*$", text, re.M) for name in re.findall(r"`(\w+)\(", heading)]


def section_level(blocks):
    """A test level running the blocks one statement each, then a marker the run waits for."""
    parts = ['CreateSceneNode("", "LevelRoot")', 'CreateSceneNode("LevelRoot", "_FollowCamera1")',
             'CreateSceneNode("LevelRoot", "look_at_node")', 'SetPosition("_FollowCamera1", 0, 10, 40)']
    for block in blocks:
        assert "]==]" not in block.text, "guide line %d: a block may not hold ]==]" % block.line
        parts.append('LogText("GUIDE BLOCK at line %d")' % block.line)
        parts.append('ExecuteCmd("lua", [==[%s]==])' % block.text)
    parts.append('AddActor("GuideRunner")')
    parts.append('AddActorMessage("GuideRunner", 600, 7, "LogText(\'%s\')", "", 0, 0, 0, 0)' % READY)
    return "\n".join(parts) + "\n"


# One engine run: its start level (and that level's text, if no block is that level), the lines it
# must log, whether it ends itself, and the blocks of its section.
Run = namedtuple("Run", "title start text expected uses_web ends_itself blocks", defaults=[0])


def plan(blocks):
    levels = {b.level: b for b in blocks if b.level}
    runs = []
    loaded = {name for b in levels.values() for name in LOADS.findall(b.text)}
    for name, block in levels.items():
        if name in loaded:
            continue
        chain, todo = [], [name]
        while todo:
            current = levels.get(todo.pop())
            if current and current not in chain:
                chain.append(current)
                todo += LOADS.findall(current.text)
        runs.append(Run("level %s (guide line %d)" % (name, block.line), name, None,
                        [e for b in chain for e in b.expected], any("Navi" in b.text for b in chain), True))
    for number, section in enumerate(dict.fromkeys(b.section for b in blocks if not b.level)):
        members = [b for b in blocks if not b.level and b.section == section]
        runs.append(Run("section %r" % section, "guide_section_%d.lua" % number, section_level(members),
                        [e for b in members for e in b.expected] + [READY],
                        any("Navi" in b.text for b in members), False, len(members)))
    return levels, runs


def execute(run, levels):
    game = Game()
    try:
        for name, block in levels.items():
            game.level(name, block.text)
        if run.text:
            game.level(run.start, run.text)
        # The web panels exist from the second level on.
        game.level("guide_boot.lua", "coreLoadLevel('%s')\n" % run.start)
        game.write("setup.lua", setup_script(startlevel="guide_boot.lua", music=1,
                                             musicdir="../Resource/Sounds/", soundvolume=5, musicvolume=5))
        env, _ = wave_writer(game)
        env["PATH"] = no_opener(game)
        if not run.uses_web:
            env["TQ_BROWSER"] = "/no/such/browser"
        during = None if run.ends_itself else close_window_after(*run.expected)
        return game.run(timeout=90, env=env, during=during)
    finally:
        game.close()


class GuideExamples(unittest.TestCase):
    def test_every_example_of_the_guide_runs_and_logs_what_it_says(self):
        blocks, names = read_guide()
        self.assertGreater(len(blocks), 73, "the guide has an example for each function")
        levels, runs = plan(blocks)
        # Failure lines: the engine's error texts and a function's own failure.
        errors = re.compile(r"^(ERROR|Error|Scripting error|CSound: Error|BASS_|Web panel \S+: |(%s): )"
                            % "|".join(map(re.escape, names)))
        for run in runs:
            result = execute(run, levels)
            with self.subTest(run.title):
                messages = result.messages()
                end = messages.index("~GameApp()") if "~GameApp()" in messages else len(messages)
                tail = "\n".join(result.lines[max(0, end - 40):end])
                GameTest.checked(self, result)
                self.assertEqual(result.returncode, 0, result.output[-2000:])
                markers = [m for m in messages if m.startswith("GUIDE BLOCK at line ")]
                self.assertEqual(len(markers), run.blocks, "not every block ran\n" + tail)
                self.assertEqual([line for line in run.expected if line not in messages], [], "missing log lines\n" + tail)
                block = "the level itself"
                for message in messages:
                    if message.startswith("GUIDE BLOCK at line "):
                        block = "the block at guide " + message[len("GUIDE BLOCK at "):]
                    elif errors.match(message):
                        self.assertIn(message, run.expected, "from %s:\n%s" % (block, tail))


if __name__ == "__main__":
    unittest.main()
